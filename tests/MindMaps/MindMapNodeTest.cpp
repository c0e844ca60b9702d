#include "MindMapTestSupport.h"

#include "MindMaps/ContainedElement.h"
#include "MindMaps/HierarchyListener.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapDocumentOwner.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapStyle.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/ParentRelation.h"
#include "MindMaps/TextStyle.h"
#include "MindMaps/TopicHideTool.h"
#include "platform/NotificationCenter.h"
#include "support/LongUserTexts.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <set>
#include <string>
#include <vector>

using maptest::Box;
using maptest::CallLog;
using maptest::CountingNodeEditor;
using maptest::FakeDocumentOwner;
using maptest::RecordingModelessEditor;

namespace {

class MindMapNodeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        map.setNodeEditor(&editor);
        map.setHierarchyListener(&listener);
        map.setModelessEditor(&listener);
    }

    void TearDown() override
    {
        map.setNodeEditor(nullptr);
        map.setHierarchyListener(nullptr);
        map.setModelessEditor(nullptr);
    }

    MindMapNode* theme(const std::string& text = "Theme") { return map.internalAddCentralTheme(text); }
    MindMapNode* child(MindMapNode* parent, Point location = {}) { return map.addMindMapNodeAsChild(parent, location); }

    // A node made and owned by the test, outside the map's node list.
    MindMapNode* loose(MindMapNode* parent = nullptr, Point location = {}, bool loading = false)
    {
        owned.push_back(std::make_unique<MindMapNode>(&map, parent, location, loading));
        return owned.back().get();
    }

    // Marks the node valid again, so that the next change shows in its update state.
    static void settle(MindMapNode* node) { node->validateNodeState(); }

    MindMap map;
    CountingNodeEditor editor;
    CallLog log;
    RecordingModelessEditor listener{log, "listener"};
    std::vector<std::unique_ptr<MindMapNode>> owned;
};

TEST_F(MindMapNodeTest, LocationsThatAreNotNumbersBecomeZero)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(loose(nullptr, {nan, 7})->location(), (Point{0, 7}));
    EXPECT_EQ(loose(nullptr, {3, -inf})->location(), (Point{3, 0}));

    MindMapNode* node = loose(nullptr, {5, 5});
    node->setLocation({nan, nan});
    EXPECT_EQ(node->location(), (Point{0, 0}));
}

TEST_F(MindMapNodeTest, HiddenCentralThemeIsShownWhenLoadedButAHiddenChildStaysHidden)
{
    MindMapNode* node = loose(nullptr, {}, true);
    MindMapNode* hiddenChild = loose(node, {}, true);
    node->setIsHidden(true);
    node->setVisible(false);
    hiddenChild->setIsHidden(true);
    node->loaded();
    hiddenChild->loaded();
    EXPECT_FALSE(node->isHidden());
    EXPECT_TRUE(node->isVisible());
    EXPECT_TRUE(hiddenChild->isHidden());

    MindMapNode* collapsedLeaf = loose(nullptr, {}, true);
    collapsedLeaf->setCollapsed(true);
    EXPECT_TRUE(collapsedLeaf->collapsed()) << "a collapsed leaf read from a document stays collapsed";
}

TEST_F(MindMapNodeTest, TreeRefusesCycles)
{
    MindMapNode* root = loose();
    MindMapNode* middle = loose(root);
    MindMapNode* leaf = loose(middle);
    const int hierarchy = listener.hierarchyChanges;

    leaf->insertChildNode(root);
    root->insertChildNode(root);
    root->setParent(leaf);
    root->setParent(root);
    middle->linkToParent(leaf);
    leaf->insertChildNode(nullptr);

    EXPECT_EQ(root->parent(), nullptr);
    EXPECT_EQ(middle->parent(), root);
    EXPECT_EQ(leaf->parent(), middle);
    EXPECT_EQ(leaf->childCount(), 0u);
    EXPECT_EQ(root->childCount(), 1u);
    EXPECT_EQ(listener.hierarchyChanges, hierarchy);
}

TEST_F(MindMapNodeTest, MoveChildIgnoresIndexesOutOfRange)
{
    MindMapNode* parent = theme();
    MindMapNode* a = child(parent);
    MindMapNode* b = child(parent);
    const int hierarchy = listener.hierarchyChanges;
    parent->moveChildFromIndex(1, 1);
    parent->moveChildFromIndex(0, -1);
    parent->moveChildFromIndex(0, 2);
    parent->moveChildFromIndex(-1, 0);
    parent->moveChildFromIndex(2, 0);
    parent->moveChildFromIndex(std::numeric_limits<int64_t>::max(), 0);
    EXPECT_EQ(parent->children(), (std::vector<MindMapNode*>{a, b}));
    EXPECT_EQ(listener.hierarchyChanges, hierarchy);

    parent->moveChildFromIndex(1, 0);
    EXPECT_EQ(parent->children(), (std::vector<MindMapNode*>{b, a}));
    EXPECT_GT(listener.hierarchyChanges, hierarchy);
    EXPECT_EQ(parent->childAtIndex(2), nullptr);
    EXPECT_EQ(parent->childAtIndex(static_cast<size_t>(-1)), nullptr);
}

TEST_F(MindMapNodeTest, DeeplyNestedBranchesDoNotExhaustTheStack)
{
    // Deeper than a recursive walk could go.
    const size_t depth = 100000;
    std::vector<MindMapNode*> chain{loose(nullptr, {}, true)};
    for (size_t i = 1; i < depth; ++i) chain.push_back(loose(chain.back(), {}, true));
    for (MindMapNode* node : chain) node->loaded();

    std::vector<MindMapNode*> collected;
    chain.front()->collectNodeAndChildrenInArray(collected);
    EXPECT_EQ(collected.size(), depth);
    EXPECT_EQ(chain.back()->nodeLevel(), static_cast<int64_t>(depth - 1));

    chain.front()->fullCollapse();
    EXPECT_FALSE(chain.back()->isVisible());
    chain.front()->fullExpand();
    EXPECT_TRUE(chain.back()->isVisible());
    EXPECT_EQ(chain.front()->performHitTest({1e9, 1e9}, nullptr, false), nullptr);
    EXPECT_EQ(chain.front()->performMarkerHitTest({1e9, 1e9}), nullptr);
    chain.front()->invalidateAutoNumberPath();
    EXPECT_NE(chain.back()->updateState() & MindMapNode::UpdateAutoNumber, 0u);

    // From the root down, each node leaves a parent that no longer holds it.
    owned.clear();
}

TEST_F(MindMapNodeTest, ManyChildrenAreHandledWithoutQuadraticCost)
{
    MindMapNode* root = loose(nullptr, {}, true);
    const size_t count = 100000;
    for (size_t i = 0; i < count; ++i) loose(root, {}, true);
    for (auto& node : owned) node->loaded();

    // Index look-ups of children are answered without searching the list.
    const std::vector<MindMapNode*> children = root->children();
    size_t sum = 0;
    for (MindMapNode* node : children) sum += node->indexInParent() + root->indexOfChild(node);
    EXPECT_EQ(sum, count * (count - 1));
    size_t withSibling = 0;
    for (MindMapNode* node : children) withSibling += node->nextSibling() != nullptr ? 1 : 0;
    EXPECT_EQ(withSibling, count - 1);

    root->setCollapsed(true);
    EXPECT_FALSE(children.back()->isVisible());
    root->fullExpand();
    EXPECT_TRUE(children.back()->isVisible());

    // Detaching from the end takes each child off the end of the list.
    for (auto it = children.rbegin(); it != children.rend(); ++it) (*it)->linkToParent(nullptr);
    EXPECT_EQ(root->childCount(), 0u);
}

// One line feed per line end, no controls, valid UTF-8; the format characters writing needs stay.
TEST_F(MindMapNodeTest, ValidatedText)
{
    const std::string family = "\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7"; // woman ZWJ girl
    const std::string persian = "\xD9\x85\xE2\x80\x8C\xD9\x8A";                // ZWNJ between letters
    const std::string marked = "\xE2\x80\x8F"
                               "abc"; // right-to-left mark
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"a\r\nb\tc", "a\nb c"},
        {"a\rb\nc", "a\nb\nc"},
        {std::string("x\0y", 3), "x y"},
        {"bell\x07"
         "del\x7F",
         "bell del "},
        {"c1\xC2\x80", "c1 "},
        {"z\xE2\x80\x8Bw", "z w"},   // zero-width space
        {"bom\xEF\xBB\xBF", "bom "}, // U+FEFF
        {"para\xE2\x80\xA9"
         "x",
         "para\nx"}, // U+2029
        {"\xC3\xA9t\xC3\xA9", "\xC3\xA9t\xC3\xA9"},
        {family, family},
        {persian, persian},
        {marked, marked},
        {"a\xFF"
         "b",
         "a\xEF\xBF\xBD"
         "b"},
        {"cut\xE2\x82", "cut\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"\xC0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD"}, // overlong NUL
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(MindMapNode::validateNodeText(in), out) << in;
    MindMapNode* node = loose();
    node->setText("one\r\ntwo\tthree");
    EXPECT_EQ(node->text(), "one\ntwo three");
    node->applyWrappedText("wrapped\r\nline");
    EXPECT_EQ(node->text(), "wrapped\nline");
}

// ---- Hit testing and markers ----

TEST_F(MindMapNodeTest, HitTestAsksChildrenFirstAndSkipsTheExcludedNodeOnly)
{
    MindMapNode* root = loose(nullptr, {0, 0});
    EXPECT_EQ(root->bounds(), Rect(-50, -10, 100, 20));
    MindMapNode* overlapping = loose(root, {10, 0});
    MindMapNode* farChild = loose(overlapping, {500, 0});
    EXPECT_EQ(root->performHitTest({0, 0}, nullptr, false), overlapping);
    EXPECT_EQ(root->performHitTest({-45, 0}, nullptr, false), root);
    EXPECT_EQ(root->performHitTest({0, 0}, overlapping, false), root);
    EXPECT_EQ(root->performHitTest({500, 0}, overlapping, false), farChild);
    EXPECT_EQ(root->performHitTest({1000, 0}, nullptr, true), nullptr);

    root->setCollapsed(true);
    EXPECT_EQ(root->performHitTest({0, 0}, nullptr, false), root);
    root->setIsHidden(true);
    EXPECT_EQ(root->performHitTest({0, 0}, nullptr, false), nullptr);
}

// A label lying on a topic is what the pointer is on, whatever the flag: asked for topics only,
// the map then answers none rather than the topic underneath.
TEST_F(MindMapNodeTest, ElementOnATopicAnswersWhateverTheFlag)
{
    MindMapNode* node = theme();
    node->setLocation({0, 0});
    ContainedElement* box = node->appendContainedElement(std::make_unique<Box>(node, Size{10, 10}));
    box->setRelLocation({0, 0});
    const Point besideTheBox{node->bounds().minX() + 1, 0};
    ASSERT_LT(besideTheBox.x, -5);
    for (bool includeContainedElements : {true, false}) {
        EXPECT_EQ(node->performHitTest({0, 0}, nullptr, includeContainedElements), box);
        EXPECT_EQ(node->performHitTest(besideTheBox, nullptr, includeContainedElements), node);
        // The excluded topic's own elements are skipped with it.
        EXPECT_EQ(node->performHitTest({0, 0}, node, includeContainedElements), nullptr);
    }
    EXPECT_EQ(map.hitTestNodes({0, 0}, nullptr), nullptr);
    EXPECT_EQ(map.hitTestNodes({0, 0}, nullptr, false), box);
    EXPECT_EQ(map.hitTestNodes(besideTheBox, nullptr), node);
    box->setRelLocation({0, -40});
    EXPECT_EQ(map.hitTestNodes({0, -40}, nullptr, false), box);
    EXPECT_EQ(node->boundsIncludingContainedElements(), unionRect(node->bounds(), Rect(-5, -45, 10, 10)));
}

TEST_F(MindMapNodeTest, MarkerHitTestFindsCollapseAndUnhideMarkers)
{
    MindMapNode* root = loose(nullptr, {0, 0});
    MindMapNode* right = loose(root, {200, 0});
    loose(right, {400, 0});
    MindMapNode* hidden = loose(root, {0, 200});
    right->setCollapsed(true);
    hidden->setIsHidden(true);
    hidden->parentRelation()->relationPath().setStraightLine({0, 0}, {0, 150});

    // A child right of its parent has its marker on the left.
    EXPECT_EQ(right->collapseMarkerDirection(), 1);
    const Rect marker = right->getCollapseMarkerBounds();
    EXPECT_EQ(marker, Rect(200 - 58 - 8, -8, 16, 16));
    EXPECT_EQ(root->performMarkerHitTest(marker.center()), right);
    right->setIsSelected(true);
    EXPECT_EQ(root->performMarkerHitTest(marker.center()), nullptr);
    right->setIsSelected(false);

    EXPECT_EQ(hidden->getUnhideMarkerBounds(), Rect(-8, 142, 16, 16));
    EXPECT_EQ(root->performMarkerHitTest({0, 150}), hidden);
    hidden->parentRelation()->setIsSelected(true);
    EXPECT_EQ(root->performMarkerHitTest({0, 150}), nullptr);

    // A visible expanded node without children has no marker.
    MindMapNode* leaf = loose(nullptr, {0, 0});
    EXPECT_EQ(leaf->performMarkerHitTest({0, 0}), nullptr);
}

TEST_F(MindMapNodeTest, CollapseMarkerOfALeftChildSitsRightOfIt)
{
    MindMapNode* root = loose(nullptr, {0, 0});
    MindMapNode* left = loose(root, {-200, 0});
    EXPECT_EQ(left->collapseMarkerDirection(), -1);
    EXPECT_EQ(left->getCollapseMarkerBounds().center(), (Point{-200 + 58, 0}));

    setTopicHasHideTool(true);
    EXPECT_EQ(left->collapseMarkerDirection(), 1);
    EXPECT_EQ(left->getCollapseMarkerBounds().center(), (Point{-200 - 58, 0}));
    setTopicHasHideTool(false);
}

TEST_F(MindMapNodeTest, BoundsOfNodesSkipInvisibleOnesUnlessAsked)
{
    EXPECT_EQ(MindMapNode::boundsOfMindMapNodes({}, true, true), Rect());
    MindMapNode* a = loose(nullptr, {50, 10});
    MindMapNode* b = loose(nullptr, {250, 10});
    b->setIsHidden(true);
    EXPECT_EQ(MindMapNode::boundsOfMindMapNodes({a, b, nullptr}, false, false), Rect(0, 0, 100, 20));
    EXPECT_EQ(MindMapNode::boundsOfMindMapNodes({a, b}, true, false), Rect(0, 0, 300, 20));
}

} // namespace

// What few topics carry is kept apart from the topic and made on first use: each property must
// read back as set, go back to its default, and read its default on a topic that never had it.
TEST_F(MindMapNodeTest, RarelyHeldPropertiesReadBackAndReturnToTheirDefaults)
{
    const auto someDay = std::chrono::system_clock::time_point(std::chrono::hours(24 * 20000));
    struct Case {
        const char* name;
        std::function<void(MindMapNode*)> set;
        std::function<void(MindMapNode*)> reset;
        std::function<bool(const MindMapNode*)> isSet;
        std::function<bool(const MindMapNode*)> isDefault;
    };
    const std::vector<Case> cases = {
        {"note", [](MindMapNode* n) { n->setNote("  remember  "); }, [](MindMapNode* n) { n->setNote(""); },
         [](const MindMapNode* n) { return n->note() == "remember" && n->hasNote(); },
         [](const MindMapNode* n) { return n->note().empty() && !n->hasNote(); }},
        {"voice memo", [](MindMapNode* n) { n->setVoiceMemo("memo.m4a"); }, [](MindMapNode* n) { n->setVoiceMemo(""); },
         [](const MindMapNode* n) { return n->voiceMemo() == "memo.m4a" && n->hasVoiceMemo(); },
         [](const MindMapNode* n) { return n->voiceMemo().empty() && !n->hasVoiceMemo(); }},
        {"hull colour", [](MindMapNode* n) { n->setHullColor(Color(0.5, 0.25, 1, 1)); },
         [](MindMapNode* n) { n->setHullColor(std::nullopt); },
         [](const MindMapNode* n) { return n->hullColor() == Color(0.5, 0.25, 1, 1); },
         [](const MindMapNode* n) { return !n->hullColor(); }},
        {"progress", [](MindMapNode* n) { n->setCheckboxMode(2), n->setProgress(40); },
         [](MindMapNode* n) { n->setCheckboxMode(0); },
         [](const MindMapNode* n) { return n->checkboxMode() == 2 && n->progress() == 40 && n->showCheckbox(); },
         [](const MindMapNode* n) { return n->checkboxMode() == 0 && n->progress() == 0 && !n->showCheckbox(); }},
        {"date", [&](MindMapNode* n) { n->setDate(someDay); }, [](MindMapNode* n) { n->setDate(std::nullopt); },
         [&](const MindMapNode* n) { return n->hasDate() && *n->date() == someDay; },
         [](const MindMapNode* n) { return !n->hasDate() && n->dateText().empty(); }},
        {"original level", [](MindMapNode* n) { n->setOriginalLevel(3); },
         [](MindMapNode* n) { n->setOriginalLevel(0); }, [](const MindMapNode* n) { return n->originalLevel() == 3; },
         [](const MindMapNode* n) { return n->originalLevel() == 0; }},
        {"box below the label",
         [](MindMapNode* n) {
             n->setBelowAutoNumberIcon(Rect{{1, 2}, {3, 4}});
         },
         [](MindMapNode* n) { n->setBelowAutoNumberIcon(Rect()); },
         [](const MindMapNode* n) {
             return n->belowAutoNumberIcon() == Rect{{1, 2}, {3, 4}};
         },
         [](const MindMapNode* n) { return n->belowAutoNumberIcon() == Rect(); }},
    };
    MindMapNode* root = theme();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MindMapNode* node = child(root);
        MindMapNode* untouched = child(root);
        EXPECT_TRUE(c.isDefault(node));
        c.reset(node);
        EXPECT_TRUE(c.isDefault(node));
        c.set(node);
        EXPECT_TRUE(c.isSet(node));
        EXPECT_TRUE(c.isDefault(untouched));
        c.reset(node);
        EXPECT_TRUE(c.isDefault(node));
    }
}

// Topics share equal fonts; a topic given another font must never change the font of another.
TEST_F(MindMapNodeTest, TopicsOfEqualFontsKeepTheirOwnWhenOneChanges)
{
    MindMapNode* root = theme();
    MindMapNode* first = child(root);
    MindMapNode* second = child(root);
    const Font plain("Sans", 12);
    const Font bold("Sans", 12, true);
    first->setStyleSheetFont(plain);
    second->setStyleSheetFont(plain);
    first->setFont(plain);
    second->setFont(plain);
    second->setFont(bold);
    second->setStyleSheetFont(Font("Serif", 20));
    EXPECT_EQ(first->font(), plain);
    EXPECT_EQ(first->styleSheetFont(), plain);
    EXPECT_EQ(second->font(), bold);
    EXPECT_EQ(second->styleSheetFont(), Font("Serif", 20));
    second->setFont(std::nullopt);
    EXPECT_FALSE(second->font());
    EXPECT_EQ(first->font(), plain);
}

// GTK lays a tool tip out whole: a note of 100,000 characters in short lines held the window for
// ten seconds. The tool tip shows its start; a short note shows whole.
TEST_F(MindMapNodeTest, TheToolTipOfALongNoteIsItsStart)
{
    MindMapNode* node = theme();
    for (const longtexts::LongText& sample : longtexts::samples()) {
        SCOPED_TRACE(sample.what);
        node->setNote(sample.text);
        longtexts::expectExcerpt(node->stringForToolTip(nullptr, {}, nullptr), sample.text);
    }
    node->setNote("one\ntwo");
    EXPECT_EQ(node->stringForToolTip(nullptr, {}, nullptr), "one\ntwo");
}
