#include "MindMapNodeTestSupport.h"

#include "MindMaps/CustomIcon.h"
#include "MindMaps/DiagramLink.h"
#include "MindMaps/EmbeddedImage.h"
#include "MindMaps/MMColorScheme.h"
#include "MindMaps/MinTextSizeCalculator.h"
#include "MindMaps/MindMapImage.h"
#include "MindMaps/MindMapStyle.h"
#include "MindMaps/NodeHullStyle.h"
#include "MindMaps/StockIcon.h"
#include "MindMaps/StyleHelpers.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

using nodetest::NodeTest;

class MindMapNodeStylingTest : public NodeTest {
protected:
    // A sheet without colour scheme: applying it gives fonts only, so palette entries stay as set.
    void useSchemelessSheet() { map.assignStyleSheet(std::make_shared<StyleSheet>()); }
};

TEST_F(MindMapNodeStylingTest, SetColorCustomisesTheFillAndADarkerStrokeInOneStep)
{
    MindMapNode* node = theme("Theme");
    settle(node);
    const Color red(0.8, 0.2, 0.2);
    node->setColor(red);
    EXPECT_EQ(node->fillColor(), red);
    EXPECT_EQ(node->strokeColor(), MMColorScheme::getReducedLuminanceStrokeColor(red));
    EXPECT_NE(node->updateState() & MindMapNode::UpdateFont, 0u);

    node->validateNodeState();
    node->setColor(std::nullopt);
    EXPECT_EQ(node->updateState(), 0u);
    EXPECT_EQ(node->fillColor(), red);
}

TEST_F(MindMapNodeStylingTest, ClearingTheCustomisationResetsTheWholeBranch)
{
    useSchemelessSheet();
    MindMapNode* root = theme("Root");
    MindMapNode* main = child(root);
    MindMapNode* deep = child(main);
    MindMapNode* deeper = child(deep);
    main->setPaletteInfo(3);
    deep->setPaletteInfo(4);
    deeper->setPaletteInfo(5);
    for (MindMapNode* node : {main, deep, deeper}) node->setColor(Color(0.5, 0.1, 0.1));
    deeper->style()->changeBorderStyle(6);
    for (MindMapNode* node : {root, main, deep, deeper}) node->validateNodeState();

    main->clearStyleCustomization();
    for (MindMapNode* node : {main, deep, deeper}) {
        EXPECT_EQ(node->style()->customizedProps(), 0u);
        EXPECT_NE(node->updateState() & MindMapNode::UpdateFont, 0u);
    }
    // Main branches keep their palette entry, deeper topics give theirs up.
    EXPECT_EQ(main->paletteInfo(), 3);
    EXPECT_EQ(deep->paletteInfo(), 0);
    EXPECT_EQ(deeper->paletteInfo(), 0);
    EXPECT_EQ(root->updateState(), 0u);
    deeper->validateNodeState();
    EXPECT_EQ(deeper->borderStyle(), deeper->style()->borderStyle());
    EXPECT_NE(deeper->borderStyle(), 6);
}

// A topic gets a style of its own only when something asks for it; that style must report every
// change to its topic, also after the topic's customisation was cleared.
TEST_F(MindMapNodeStylingTest, AStyleMadeOnFirstNeedReportsEveryChangeToItsTopic)
{
    struct Case {
        const char* name;
        std::function<void(MindMapNode&)> before;
    };
    const Case cases[] = {
        {"never asked", [](MindMapNode&) {}},
        {"asked", [](MindMapNode& node) { node.style(); }},
        {"customised and cleared",
         [](MindMapNode& node) {
             node.setColor(Color(0.5, 0.1, 0.1));
             node.clearStyleCustomization();
         }},
        {"colours handed back", [](MindMapNode& node) { node.setColorPaletteIndex(2); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MindMapNode* node = child(theme("Root"));
        c.before(*node);
        node->validateNodeState();
        ASSERT_EQ(node->updateState(), 0u);
        EXPECT_EQ(node->borderStyle(), node->currentStyle().borderStyle());
        EXPECT_EQ(node->fillColor(), node->colorSchemeFillColor());

        node->style()->changeBorderStyle(5);
        EXPECT_NE(node->updateState() & MindMapNode::UpdateFont, 0u);
        node->validateNodeState();
        EXPECT_EQ(node->borderStyle(), 5);
        EXPECT_TRUE(node->hasOwnStyle());
        EXPECT_EQ(&node->currentStyle(), node->style());
    }
}

TEST_F(MindMapNodeStylingTest, ClearingALongChainRestylesEachTopicOnce)
{
    // Letting every reset restyle the branch below it would cost the square of the depth.
    const size_t depth = 100000;
    std::vector<MindMapNode*> chain = loadingChain(depth);
    // Customised as a reader does it: a loading topic's style change restyles nothing.
    for (MindMapNode* node : chain) node->setColor(Color(0.2, 0.7, 0.2));
    for (MindMapNode* node : chain) node->loaded();
    ASSERT_NE(chain.back()->style()->customizedProps(), 0u);
    chain.front()->clearStyleCustomization();
    EXPECT_EQ(chain.back()->style()->customizedProps(), 0u);
    EXPECT_EQ(chain.back()->styleSheetFont(), StyleSheet::defaultFontForLevel(2));
}

TEST_F(MindMapNodeStylingTest, RollUpTakesTheIntegerMeanOfTheChildrenWithACheckbox)
{
    MindMapNode* parent = theme("Project");
    parent->setCheckboxMode(3);
    MindMapNode* a = child(parent);
    MindMapNode* b = child(parent);
    MindMapNode* c = child(parent);
    for (MindMapNode* node : {a, b, c}) node->setCheckboxMode(2);
    a->setProgress(100);
    b->setProgress(50);
    parent->updateRollUpProgress();
    EXPECT_EQ(parent->progress(), 50);
    c->setCheckboxMode(0);
    parent->updateRollUpProgress();
    EXPECT_EQ(parent->progress(), 75);
    a->setCheckboxMode(0);
    b->setCheckboxMode(2);
    b->setProgress(33);
    parent->updateRollUpProgress();
    EXPECT_EQ(parent->progress(), 33);
    b->setCheckboxMode(0);
    parent->updateRollUpProgress();
    EXPECT_EQ(parent->progress(), 0);
}

} // namespace

TEST_F(MindMapNodeStylingTest, CloudDocumentsWithTheMapExtensionAreLinkedAsMaps)
{
    MindMapNode* node = theme("Theme");
    node->linkToCloudDocument("/Maps/plan.twkx", "n1");
    ASSERT_NE(node->diagramLink(), nullptr);
    EXPECT_EQ(node->diagramLink()->linkType(), DiagramLink::LinkTypeCloudMap);
    // Only the file's own extension counts.
    for (const char* path : {"/Maps/plan.pdf", "/Maps.twkx/plan", "/Maps/plantwkx"}) {
        node->linkToCloudDocument(path, "n2");
        EXPECT_EQ(node->diagramLink()->linkType(), DiagramLink::LinkTypeCloudDocument) << path;
    }
}

// The counts a parent keeps of its children's palette entries must always equal a fresh count:
// colouring a new main branch reads them instead of its siblings.
TEST_F(MindMapNodeStylingTest, AParentCountsItsChildrenPaletteEntriesThroughEveryChange)
{
    MindMapNode* root = theme("Root");
    MindMapNode* other = theme("Other");
    auto recount = [](const MindMapNode* parent) {
        std::map<int64_t, size_t> counts;
        for (const MindMapNode* child : parent->children())
            if (child->paletteInfo() > 0) ++counts[child->paletteInfo()];
        return counts;
    };
    auto kept = [](const MindMapNode* parent) {
        const std::map<int64_t, size_t>* counts = parent->childPaletteInfoCounts();
        return counts ? *counts : std::map<int64_t, size_t>();
    };
    std::vector<MindMapNode*> branches;
    for (int i = 0; i < 6; ++i) branches.push_back(child(root));
    const std::vector<std::pair<const char*, std::function<void()>>> steps = {
        {"new branches are coloured", [] {}},
        {"an entry is set", [&] { branches[0]->setPaletteInfo(5); }},
        {"the same entry twice", [&] { branches[1]->setPaletteInfo(5); }},
        {"a palette index is chosen", [&] { branches[2]->setColorPaletteIndex(6); }},
        {"a palette colour is reset", [&] { branches[1]->resetPaletteColor(); }},
        {"a branch moves to another theme", [&] { branches[0]->setParent(other); }},
        {"a branch is linked back", [&] { branches[0]->linkToParent(root); }},
        {"a branch is removed", [&] { map.removeMindMapNode(branches[3]); }},
        {"a branch's style is cleared", [&] { branches[4]->clearStyleCustomization(); }},
        {"a theme becomes a branch", [&] { other->setParent(branches[5]); }},
    };
    for (const auto& [what, step] : steps) {
        step();
        for (const MindMapNode* parent : map.nodes()) EXPECT_EQ(kept(parent), recount(parent)) << what;
    }
    EXPECT_FALSE(kept(root).empty());
}

namespace {

struct SchemeColourCase {
    const char* name;
    void (MindMapNode::*set)(const Color&);
    const Color& (MindMapNode::*get)() const;
    uint64_t updateBit;
};

} // namespace

// Topics share their fonts and minimum size as one set with the scheme colours: a change to one
// topic leaves every other topic as it was, and a minimum size set back to zero still counts as set.
TEST_F(MindMapNodeStylingTest, FontsAndMinimumSizesChangeOneTopicAtATime)
{
    const Font font = testFont(17);
    const Size fontMinimum = MinTextSizeCalculator::instance().minTextSizeForFont(font);
    const double defaultRadius = MindMapNode::DefaultHalfRoundArcRadius;
    auto radiusFor = [](Size minSize) { return (minSize.height * 1.41 + 16) / 2; };
    struct Row {
        const char* name;
        std::function<void(MindMapNode&)> change;
        std::optional<Font> font;
        std::optional<Font> styleSheetFont;
        Size minSize;
        double arcRadius;
    };
    const std::vector<Row> rows = {
        {"zero minimum",
         [](MindMapNode& n) {
             n.setMinSize({0, 0});
         },
         std::nullopt,
         std::nullopt,
         {0, 0},
         defaultRadius},
        {"minimum",
         [](MindMapNode& n) {
             n.setMinSize({4, 6});
         },
         std::nullopt,
         std::nullopt,
         {4, 6},
         radiusFor({4, 6})},
        {"minimum back to zero",
         [](MindMapNode& n) {
             n.setMinSize({4, 6});
             n.setMinSize({0, 0});
         },
         std::nullopt,
         std::nullopt,
         {0, 0},
         radiusFor({0, 0})},
        {"font", [&](MindMapNode& n) { n.setFont(font); }, font, std::nullopt, fontMinimum, radiusFor(fontMinimum)},
        {"font removed",
         [&](MindMapNode& n) {
             n.setFont(font);
             n.setFont(std::nullopt);
         },
         std::nullopt, std::nullopt, fontMinimum, radiusFor(fontMinimum)},
        {"style sheet font",
         [&](MindMapNode& n) { n.setStyleSheetFont(font); },
         std::nullopt,
         font,
         {0, 0},
         defaultRadius},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        MindMapNode* a = map.addNodeLoadingAtLocation({0, 0});
        MindMapNode* b = map.addNodeLoadingAtLocation({0, 0});
        const Color fill = a->colorSchemeFillColor();
        row.change(*a);
        EXPECT_EQ(a->font(), row.font);
        EXPECT_EQ(a->styleSheetFont(), row.styleSheetFont);
        EXPECT_EQ(a->minTextSize(), row.minSize);
        EXPECT_DOUBLE_EQ(a->halfRoundArcRadius(), row.arcRadius);
        EXPECT_EQ(a->colorSchemeFillColor(), fill);
        EXPECT_EQ(b->font(), std::nullopt);
        EXPECT_EQ(b->styleSheetFont(), std::nullopt);
        EXPECT_EQ(b->minTextSize(), Size());
        EXPECT_DOUBLE_EQ(b->halfRoundArcRadius(), defaultRadius);
    }
}

// Topics share equal scheme colours: giving one topic a colour leaves every other topic, and the
// topic's other two colours, as they were, and only a new colour marks the topic for an update.
TEST_F(MindMapNodeStylingTest, SchemeColoursChangeOneTopicAtATime)
{
    const std::vector<SchemeColourCase> rows = {
        {"fill", &MindMapNode::setColorSchemeFillColor, &MindMapNode::colorSchemeFillColor,
         MindMapNode::UpdateAppearance},
        {"stroke", &MindMapNode::setColorSchemeStrokeColor, &MindMapNode::colorSchemeStrokeColor,
         MindMapNode::UpdateAppearance},
        {"text", &MindMapNode::setColorSchemeTextColor, &MindMapNode::colorSchemeTextColor, MindMapNode::UpdateText},
    };
    const Color first(0.1, 0.2, 0.3);
    const Color second(0.9, 0.8, 0.7);
    MindMapNode* root = theme("Theme");
    MindMapNode* a = child(root);
    MindMapNode* b = child(root);
    // Settled first: the style sheet's scheme colours are in, and later colours are the test's.
    settle(a);
    settle(b);
    for (const SchemeColourCase& row : rows) {
        SCOPED_TRACE(row.name);
        for (MindMapNode* node : {a, b}) {
            (node->*row.set)(first);
            node->validateNodeState();
        }
        const Color fill = a->colorSchemeFillColor();
        const Color stroke = a->colorSchemeStrokeColor();
        const Color text = a->colorSchemeTextColor();

        (a->*row.set)(second);
        EXPECT_EQ((a->*row.get)(), second);
        EXPECT_NE(a->updateState() & row.updateBit, 0u);
        EXPECT_EQ((b->*row.get)(), first);
        EXPECT_EQ(b->updateState(), 0u);
        for (auto [get, before] : {std::pair{&MindMapNode::colorSchemeFillColor, fill},
                                   std::pair{&MindMapNode::colorSchemeStrokeColor, stroke},
                                   std::pair{&MindMapNode::colorSchemeTextColor, text}}) {
            if (get != row.get) {
                EXPECT_EQ((a->*get)(), before);
            }
        }

        a->validateNodeState();
        (a->*row.set)(second);
        EXPECT_EQ(a->updateState(), 0u);
    }
}
