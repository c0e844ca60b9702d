#include "MindMapNodeTestSupport.h"

#include "MindMaps/MarkdownSpanParser.h"
#include "MindMaps/MinTextSizeCalculator.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/ParentRelation.h"
#include "MindMaps/StyleHelpers.h"
#include "MindMaps/TopicDepthLimit.h"
#include "platform/PangoTextMeasurer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace {

using nodetest::NodeTest;
using nodetest::ScopedTimeLocale;

class MindMapNodeValidationTest : public NodeTest {};

// Thursday 14 March 2024 at noon UTC: the same calendar day in every time zone from -11 to +11.
MindMapNode::Date piDay()
{
    using namespace std::chrono;
    return sys_days{year{2024} / March / 14} + hours{12};
}

TEST_F(MindMapNodeValidationTest, EmptyTextTakesTheMinimumSize)
{
    // The documented case: no text, no adornments, half-round border.
    MindMapNode* node = theme();
    settle(node, 1);
    EXPECT_EQ(node->textSize(), (Size{MinWidth, MinHeight}));
    EXPECT_TRUE(node->displayText().string().empty());
    const double r = (1.41 * MinHeight + 16) / 2;
    EXPECT_DOUBLE_EQ(node->size().width, MinWidth + 16 + 2 * r / 3);
    EXPECT_DOUBLE_EQ(node->size().height, MinHeight + 16 + 0.41 * MinHeight);
}

struct BorderCase {
    int32_t borderStyle;
    double width;
    double height;
};

TEST_F(MindMapNodeValidationTest, OuterSizeFollowsTheBorderStyle)
{
    // Two lines of five characters: W = 30, H = 24; the minimum height adds 0.41 x 12.
    const double W = 5 * CharWidth;
    const double H = 2 * LineHeight;
    const double base = H + 16 + 0.41 * MinHeight;
    const double r = (1.41 * MinHeight + 16) / 2;
    const double t = 0.5773502588272095;
    const double diamondWidth = (W + 4) + (H + 4) / t;
    const std::vector<BorderCase> cases = {
        {0, W + 16 + 3, base},
        {1, W + 16 + 2 * r / 3, base},
        {2, W + 16 + 3, base},
        {3, (W + 16) * 1.3 + 4, H * 1.41 + 16},
        {4, W + 16, base},
        {5, diamondWidth, diamondWidth * t},
        {6, (W + 12) * 1.3357664233576643, (H + 12) * 1.4857142857142858},
        {7, W + 8, H + 4},
    };
    MindMapNode* node = theme("Hello\nWorld");
    settle(node);
    for (const BorderCase& border : cases) {
        SCOPED_TRACE(border.borderStyle);
        node->style()->changeBorderStyle(border.borderStyle);
        node->validateNodeState();
        EXPECT_EQ(node->borderStyle(), border.borderStyle);
        EXPECT_DOUBLE_EQ(node->size().width, border.width);
        EXPECT_DOUBLE_EQ(node->size().height, border.height);
    }
    // A code no border knows keeps the plain size, also one whose low byte is a known border.
    for (int32_t unknown : {42, 256, 263, 1 << 20, -1, -250}) {
        SCOPED_TRACE(unknown);
        node->style()->changeBorderStyle(5);
        node->validateNodeState();
        {
            ElementStyle::UpdateGuard batch(*node->style());
            node->style()->setPropCustomized(NodeStyle::BorderStyleMask, true);
            node->style()->setBorderStyle(unknown);
        }
        node->validateNodeState();
        EXPECT_DOUBLE_EQ(node->size().width, W + 16);
        EXPECT_DOUBLE_EQ(node->size().height, base);
    }
}

TEST_F(MindMapNodeValidationTest, EmbeddedImageOnlyHasNoTextSizeAndNoMinimumHeight)
{
    const std::string hash = storeImage(96, 48);
    ASSERT_FALSE(hash.empty());
    MindMapNode* node = theme();
    settle(node);
    node->setEmbeddedImageName(hash);
    node->validateNodeState();
    EXPECT_TRUE(node->isTextCollapsed());
    EXPECT_EQ(node->textSize(), Size());
    EXPECT_EQ(node->size(), (Size{96 + 16, 48 + 16}));

    node->setText("Hello");
    node->validateNodeState();
    EXPECT_FALSE(node->isTextCollapsed());
    EXPECT_EQ(node->textSize(), (Size{30, 12}));
    EXPECT_DOUBLE_EQ(node->size().width, 96 + 16);
    EXPECT_DOUBLE_EQ(node->size().height, 12 + 4 + 48 + 16 + 0.41 * MinHeight);

    // Removing the picture re-measures the text.
    node->setEmbeddedImageName("");
    EXPECT_EQ(node->updateState(), MindMapNode::UpdateText | MindMapNode::UpdateOuterSize);
    node->validateNodeState();
    EXPECT_DOUBLE_EQ(node->size().width, 30 + 16);
}

// The medium style of the locale in force, which follows the process's time locale as it changes.
TEST_F(MindMapNodeValidationTest, DateTextIsTheLocalesMediumDate)
{
    const std::pair<const char*, const char*> cases[] = {
        {"en_US.UTF-8", "Mar 14, 2024"}, {"de_DE.UTF-8", "14.03.2024"},   {"en_GB.UTF-8", "14 Mar 2024"},
        {"C.UTF-8", "Mar 14, 2024"},     {"en_US.UTF-8", "Mar 14, 2024"},
    };
    for (const auto& [name, text] : cases) {
        ScopedTimeLocale locale(name);
        ASSERT_TRUE(locale.applied()) << name;
        EXPECT_EQ(MindMapNode::formatDateText(piDay()), text) << name;
    }
}

TEST_F(MindMapNodeValidationTest, DateBoxHoldsASquareIconAGapAndTheText)
{
    ScopedTimeLocale locale("en_US.UTF-8");
    MindMapNode* node = theme("Hello");
    settle(node);
    node->setDate(piDay());
    EXPECT_EQ(node->updateState(), MindMapNode::UpdateDateText);
    EXPECT_EQ(node->validatedDateText(), "Mar 14, 2024");
    const double w = 12 * LabelCharWidth;
    const double h = LabelHeight;
    EXPECT_DOUBLE_EQ(node->dateTextSize().width, w + h + 4);
    EXPECT_DOUBLE_EQ(node->dateTextSize().height, h);
    // Asking for the text did the date's work; the size is left for the validation.
    EXPECT_EQ(node->updateState(), MindMapNode::UpdateOuterSize);
    node->validateNodeState();
    EXPECT_DOUBLE_EQ(node->size().width, w + h + 4 + 16);
    EXPECT_DOUBLE_EQ(node->size().height, 12 + 4 + h + 16 + 0.41 * MinHeight);
}

class MindMapNodeAutoNumberTest : public NodeTest {
protected:
    // The third child of the second main branch.
    MindMapNode* buildBranch(MindMapNode* root)
    {
        child(root);
        MindMapNode* second = child(root);
        child(second);
        child(second);
        return child(second);
    }
};

TEST_F(MindMapNodeAutoNumberTest, BoxIsAtLeastSixteenWideAndTwoWiderThanTheLabel)
{
    MindMapNode* root = theme("Root");
    MindMapNode* topic = buildBranch(root);
    topic->validateNodeState();
    EXPECT_EQ(topic->autoNumberTextSize(), Size()) << "without numbering the label is not measured";
    map.setAutoNumberStyle(AutoNumberInside);
    topic->validateNodeState();
    EXPECT_EQ(topic->autoNumberPath(), "2.3");
    EXPECT_DOUBLE_EQ(topic->autoNumberTextSize().width, 3 * LabelCharWidth);
    EXPECT_DOUBLE_EQ(topic->autoNumberIconSize().width, 3 * LabelCharWidth + 2);
    EXPECT_DOUBLE_EQ(topic->autoNumberIconSize().height, 16);

    MindMapNode* first = root->childAtIndex(0);
    first->validateNodeState();
    EXPECT_EQ(first->autoNumberPath(), "1");
    EXPECT_DOUBLE_EQ(first->autoNumberIconSize().width, 16);

    // A central theme alone has no label and no box.
    root->validateNodeState();
    EXPECT_EQ(root->autoNumberPath(), "");
    EXPECT_DOUBLE_EQ(root->autoNumberIconSize().width, 0);
}

TEST_F(MindMapNodeAutoNumberTest, ManyCentralThemesAreNumberedInLinearTime)
{
    // Numbering each theme by searching the theme list would take billions of steps here.
    const size_t count = 100000;
    map.beginLoading();
    for (size_t i = 0; i < count; ++i) map.addNodeLoadingAtLocation({0, 0});
    map.nodesLoadedFromIndex(0);
    map.loadingCompleted();
    const std::vector<MindMapNode*>& themes = map.centralThemes();
    ASSERT_EQ(themes.size(), count);
    for (MindMapNode* node : themes) node->invalidateAutoNumberPath();
    EXPECT_EQ(themes.back()->validatedAutoNumberPath(), std::to_string(count));
    size_t labelled = 0;
    for (MindMapNode* node : themes) labelled += node->validatedAutoNumberPath().empty() ? 0 : 1;
    EXPECT_EQ(labelled, count);
    EXPECT_EQ(themes[41]->validatedAutoNumberPath(), "42");
}

// The topics whose label is not the one a walk to the root gives, or whose label size is not the
// whole label's measured size (none while numbering is off).
size_t wronglyLabelled(const std::vector<MindMapNode*>& nodes, int32_t style, TextMeasurer& measurer)
{
    size_t wrong = 0;
    for (MindMapNode* node : nodes) {
        const std::string& label = node->autoNumberPath();
        const Size measured = style == AutoNumberDisabled || !node->hasAutoNumberPath()
            ? Size()
            : measurer.sizeForText(label, StyleSheet::autoNumberFont());
        if (label != node->calcAutoNumberPath() || node->autoNumberTextSize() != measured) ++wrong;
    }
    return wrong;
}

// Each label is built from the label above it: the labels are those of a walk to the root, in
// any order the topics are validated and after a branch moved, and their sizes are those of the
// whole label measured as the painter draws it.
TEST_F(MindMapNodeAutoNumberTest, LabelsBuiltFromTheLabelAboveAreTheWalksLabelsWithTheirMeasuredSizes)
{
    PangoTextMeasurer pango;
    TextMeasurer::setShared(&pango);
    std::vector<MindMapNode*> nodes;
    const auto validateAll = [&](bool fromTheBottom) {
        std::vector<MindMapNode*> order = nodes;
        if (fromTheBottom) std::reverse(order.begin(), order.end());
        for (MindMapNode* node : order) node->validatedAutoNumberPath();
    };
    const auto deepChain = [&](size_t depth) {
        map.beginLoading();
        nodes = loadingChain(depth);
        map.loadingCompleted();
        for (MindMapNode* node : nodes) node->loaded();
    };
    const std::string deepest = [] {
        std::string label = "1";
        for (size_t level = 2; level < TopicDepthLimit::MaximumLevels; ++level) label += ".1";
        return label;
    }();
    const struct {
        const char* name;
        std::function<void()> build;
        std::vector<std::pair<size_t, std::string>> pinned; // node index, label
    } maps[] = {
        {"one theme",
         [&] {
             MindMapNode* root = theme("Root");
             nodes = {root, child(root), child(root)};
             for (int i = 0; i < 3; ++i) nodes.push_back(child(nodes[2]));
         },
         {{0, ""}, {1, "1"}, {2, "2"}, {5, "2.3"}}},
        {"two themes",
         [&] {
             nodes = {theme("One"), theme("Two")};
             nodes.push_back(child(nodes[1]));
             nodes.push_back(child(nodes[2]));
         },
         {{0, "1"}, {1, "2"}, {3, "2.1.1"}}},
        {"twelve children",
         [&] {
             MindMapNode* root = theme("Root");
             nodes = {root};
             for (int i = 0; i < 12; ++i) nodes.push_back(child(root));
             for (int i = 0; i < 11; ++i) nodes.push_back(child(nodes[12]));
         },
         {{12, "12"}, {23, "12.11"}}},
        {"a chain as deep as a map may be",
         [&] { deepChain(TopicDepthLimit::MaximumLevels); },
         {{0, ""}, {1, "1"}, {3, "1.1.1"}, {TopicDepthLimit::MaximumLevels - 1, deepest}}},
    };
    for (const auto& m : maps) {
        for (const int32_t style : {AutoNumberInside, AutoNumberDisabled}) {
            for (const bool fromTheBottom : {false, true}) {
                const std::string what = std::string(m.name) + (style == AutoNumberInside ? ", inside" : ", off") +
                    (fromTheBottom ? ", from the bottom" : ", from the top");
                map.internalClearDiagram();
                map.setAutoNumberStyle(AutoNumberDisabled);
                m.build();
                map.setAutoNumberStyle(style);
                validateAll(fromTheBottom);
                for (const auto& [index, label] : m.pinned) EXPECT_EQ(nodes[index]->autoNumberPath(), label) << what;
                EXPECT_EQ(wronglyLabelled(nodes, style, pango), 0u) << what;
                // A branch moved below its sibling, and back to the end, is numbered anew.
                if (nodes[2]->parent() && nodes[2]->parent() == nodes[1]->parent()) {
                    MindMapNode* parent = nodes[2]->parent();
                    nodes[2]->linkToParent(nodes[1]);
                    validateAll(fromTheBottom);
                    EXPECT_EQ(wronglyLabelled(nodes, style, pango), 0u) << what << ", moved";
                    nodes[2]->linkToParent(parent);
                    validateAll(!fromTheBottom);
                    EXPECT_EQ(wronglyLabelled(nodes, style, pango), 0u) << what << ", moved back";
                }
            }
        }
    }
    TextMeasurer::setShared(&measurer);
}

TEST_F(MindMapNodeValidationTest, LongChainsValidateInLinearTime)
{
    // Each topic asks for its level; climbing to the root for every one would be quadratic.
    const size_t depth = 100000;
    std::vector<MindMapNode*> chain = loadingChain(depth);
    for (MindMapNode* node : chain) node->loaded();
    for (MindMapNode* node : chain) node->validateNodeState();
    EXPECT_EQ(*chain.back()->font(), StyleSheet::defaultFontForLevel(2));

    for (MindMapNode* node : chain) node->assureHullStyle();
    int64_t deepest = 0;
    for (MindMapNode* node : chain) deepest = std::max(deepest, node->hullLevel());
    EXPECT_EQ(deepest, static_cast<int64_t>(depth - 1));

    // Painters and layouters ask every topic for the mode that lays it out.
    chain[1]->setLayoutMode(3);
    chain[1]->setLayoutDirection(1);
    int64_t modes = 0;
    size_t leftToRight = 0;
    for (MindMapNode* node : chain) {
        modes += node->effectiveLayoutMode();
        leftToRight += MindMapNode::isListLayoutLeftToRight(node) ? 1 : 0;
    }
    EXPECT_EQ(modes, static_cast<int64_t>(3 * (depth - 2)));
    EXPECT_EQ(leftToRight, 1u); // only the root, above the list
}

// A validated map is not walked again while nothing changes, so every change made after a
// validation must still be measured by the next one, whether or not an editor listens. The fake
// measurer makes a line of n characters n / 2 line heights wide in any font.
TEST_F(MindMapNodeValidationTest, AValidationAfterAChangeMeasuresWhatChanged)
{
    auto lastText = [](const CompositeElement& owner) {
        const std::vector<ContainedElement*> elements = owner.containedElements();
        auto* text = elements.empty() ? nullptr : dynamic_cast<MindMapText*>(elements.back());
        return text ? text->textSize() : Size();
    };
    struct Change {
        const char* what;
        std::function<void(MindMapNode*)> apply;
        std::function<Size(MindMapNode*)> measured;
        int characters;
    };
    const Change changes[] = {
        {"a topic's text", [](MindMapNode* node) { node->setText("abcde"); },
         [](MindMapNode* node) { return node->textSize(); }, 5},
        {"a new topic's text", [this](MindMapNode* node) { child(node)->setText("abc"); },
         [](MindMapNode* node) { return node->children().back()->textSize(); }, 3},
        {"a free text's text", [](MindMapNode* node) { node->addText()->setText("abcd"); },
         [&](MindMapNode* node) { return lastText(*node); }, 4},
        {"a line's label", [](MindMapNode* node) { node->parentRelation()->addText()->setText("abcdefgh"); },
         [&](MindMapNode* node) { return lastText(*node->parentRelation()); }, 8},
    };
    for (bool listening : {true, false}) {
        map.setNodeEditor(listening ? &editor : nullptr);
        for (const Change& change : changes) {
            SCOPED_TRACE(std::string(change.what) + (listening ? " with an editor" : " without an editor"));
            MindMapNode* node = child(theme("theme"), Point{100, 100});
            map.validateElementStates();
            map.validateElementStates();
            change.apply(node);
            map.validateElementStates();
            const Size size = change.measured(node);
            EXPECT_GT(size.height, 0);
            EXPECT_NEAR(change.characters * size.height / 2, size.width, 1e-9);
        }
    }
    map.setNodeEditor(&editor);
}

} // namespace

namespace {

// A topic keeps its text as set apart from its display text only while the two differ: every
// change between plain and formatted texts answers the text as set at once, and the display text
// of the last validation until the next.
TEST_F(MindMapNodeValidationTest, TextAndDisplayTextStayApartOnlyWhileTheyDiffer)
{
    struct Case {
        const char* from;
        const char* to;
    };
    const std::vector<Case> cases = {
        {"plain words", "other plain words"},
        {"plain words", "*bold* words"},
        {"*bold* words", "plain words"},
        {"*bold* words", "_italic_ words"},
        {"plain words", ""},
        {"", "~~gone~~"},
        {"Stra\xc3\x9f"
         "e \xf0\x9f\x98\x80",
         "Stra\xc3\x9f"
         "e"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.from) + " -> " + c.to);
        MindMapNode* node = theme();
        node->setText(c.from);
        settle(node);
        EXPECT_EQ(node->text(), c.from);
        EXPECT_EQ(node->displayText().string(), MarkdownSpanParser::markdownFilteredString(c.from));

        node->setText(c.to);
        EXPECT_EQ(node->text(), c.to);
        EXPECT_EQ(node->displayText().string(), MarkdownSpanParser::markdownFilteredString(c.from))
            << "the display text changes at validation";
        node->validateNodeState();
        EXPECT_EQ(node->text(), c.to);
        EXPECT_EQ(node->displayText().string(), MarkdownSpanParser::markdownFilteredString(c.to));
        // Setting the text the topic already has changes nothing.
        node->setText(c.to);
        EXPECT_EQ(node->updateState(), 0u);
        // A new font rebuilds the display text from the text as set, not from the display.
        node->setFont(Font("Sans", 17));
        node->validateNodeState();
        EXPECT_EQ(node->text(), c.to);
        EXPECT_EQ(node->displayText().string(), MarkdownSpanParser::markdownFilteredString(c.to));
    }
}

} // namespace
