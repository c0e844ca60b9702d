#include "MindMapTestSupport.h"

#include "MindMaps/ContainedElement.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/HierarchyListener.h"
#include "MindMaps/MindMapDocumentOwner.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapStyle.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/ParentRelation.h"
#include "MindMaps/TextStyle.h"
#include "editor-view/TopicHideTool.h"
#include "platform/NotificationCenter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
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

// ---------------------------------------------------------------------------------------------
// Creation

TEST_F(MindMapNodeTest, NewNodeHasTheDocumentedDefaults)
{
    MindMapNode* node = loose();
    EXPECT_EQ(node->elementType(), 1);
    EXPECT_EQ(node->size(), (Size{100, 20}));
    EXPECT_EQ(node->textSize(), (Size{100, 20}));
    EXPECT_EQ(node->minTextSize(), (Size{0, 0}));
    EXPECT_DOUBLE_EQ(node->halfRoundArcRadius(), 10.0);
    EXPECT_EQ(node->autoNumberIconSize(), (Size{0, 16}));
    EXPECT_EQ(node->autoNumberTextSize(), (Size{0, 0}));
    EXPECT_EQ(node->autoNumberPath(), "");
    EXPECT_EQ(node->updateState(), 0xC3u);
    EXPECT_EQ(node->id(), -1);
    EXPECT_EQ(node->parentId(), -1);
    EXPECT_EQ(node->paletteInfo(), 0);
    EXPECT_EQ(node->borderStyle(), 1);
    EXPECT_EQ(node->layoutMode(), 0);
    EXPECT_EQ(node->layoutDirection(), 0);
    EXPECT_EQ(node->editingState(), 0);
    EXPECT_EQ(node->checkboxMode(), 0);
    EXPECT_EQ(node->progress(), 0);
    EXPECT_EQ(node->text(), "");
    EXPECT_EQ(node->note(), "");
    EXPECT_EQ(node->dateText(), "");
    EXPECT_TRUE(node->displayText().string().empty());
    EXPECT_TRUE(node->isVisible());
    EXPECT_FALSE(node->collapsed());
    EXPECT_FALSE(node->isHidden());
    EXPECT_FALSE(node->outlineCollapsed());
    EXPECT_FALSE(node->isDropTarget());
    EXPECT_FALSE(node->isEditing());
    EXPECT_FALSE(node->isLoading());
    EXPECT_FALSE(node->font().has_value());
    EXPECT_FALSE(node->styleSheetFont().has_value());
    EXPECT_FALSE(node->hullColor().has_value());
    EXPECT_EQ(node->colorSchemeFillColor(), Color(1.0, 0.5, 0.0));
    EXPECT_EQ(node->colorSchemeStrokeColor(), Color(0.0, 1.0, 1.0));
    EXPECT_EQ(node->colorSchemeTextColor(), Color::black());
    EXPECT_EQ(node->parent(), nullptr);
    EXPECT_EQ(node->childCount(), 0u);
    EXPECT_EQ(node->mindMap(), &map);
}

TEST_F(MindMapNodeTest, NewNodeOwnsAParentRelationAndAStyleBelowTheMapNodeStyle)
{
    MindMapNode* node = loose();
    ASSERT_NE(node->parentRelation(), nullptr);
    EXPECT_EQ(node->parentRelation()->elementType(), 4);
    EXPECT_EQ(node->parentRelation()->targetNode(), node);
    EXPECT_EQ(node->parentRelation()->sourceNode(), nullptr);
    ASSERT_NE(node->style(), nullptr);
    EXPECT_EQ(node->style()->listener(), node);

    // The node's style inherits what the map's node style carries.
    NodeStyle* mapNodeStyle = map.style()->nodeStyle().get();
    mapNodeStyle->setPropCustomized(NodeStyle::BorderStyleMask, true);
    mapNodeStyle->setBorderStyle(5);
    EXPECT_EQ(node->style()->borderStyle(), 5);
}

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

TEST_F(MindMapNodeTest, NewChildBecomesLastChildAndReportsTheHierarchy)
{
    MindMapNode* root = theme();
    MindMapNode* first = child(root);
    const int before = listener.hierarchyChanges;
    MindMapNode* second = loose(root, {10, 10});
    EXPECT_EQ(second->parent(), root);
    ASSERT_EQ(root->childCount(), 2u);
    EXPECT_EQ(root->childAtIndex(0), first);
    EXPECT_EQ(root->childAtIndex(1), second);
    EXPECT_EQ(second->indexInParent(), 1u);
    EXPECT_GT(listener.hierarchyChanges, before);
    EXPECT_EQ(second->updateState(), 0xC3u);
}

TEST_F(MindMapNodeTest, LoadingChildJoinsItsParentButReportsNothing)
{
    MindMapNode* parent = loose(nullptr, {}, true);
    const int hierarchy = listener.hierarchyChanges;
    const int changes = editor.changes;
    MindMapNode* node = loose(parent, {}, true);
    EXPECT_EQ(node->parent(), parent);
    EXPECT_EQ(parent->childCount(), 1u);
    EXPECT_EQ(listener.hierarchyChanges, hierarchy);
    EXPECT_EQ(editor.changes, changes);
    EXPECT_TRUE(node->isLoading());
}

TEST_F(MindMapNodeTest, SettersWhileLoadingOnlyStore)
{
    MindMapNode* parent = loose(nullptr, {}, true);
    MindMapNode* node = loose(parent, {}, true);
    settle(node); // refused while loading: the state stays as made
    EXPECT_EQ(node->updateState(), 0xC3u);
    const int changes = editor.changes;
    const int hierarchy = listener.hierarchyChanges;

    node->setText("Read from a file");
    node->setNote("A note");
    node->setLocation({40, 50});
    node->setIsHidden(true);
    parent->setCollapsed(true);

    EXPECT_EQ(node->text(), "Read from a file");
    EXPECT_EQ(node->note(), "A note");
    EXPECT_TRUE(node->isHidden());
    EXPECT_TRUE(node->isVisible()); // visibility is worked out when the map has loaded
    EXPECT_EQ(editor.changes, changes);
    EXPECT_EQ(listener.hierarchyChanges, hierarchy);
}

TEST_F(MindMapNodeTest, LoadedEndsLoadingAndMarksEverythingWithoutTellingTheMap)
{
    MindMapNode* node = loose(nullptr, {}, true);
    node->setText("x");
    const int changes = editor.changes;
    node->loaded();
    EXPECT_FALSE(node->isLoading());
    EXPECT_EQ(node->updateState(), 0xC3u);
    EXPECT_EQ(editor.changes, changes);

    // A second call does nothing.
    settle(node);
    node->loaded();
    EXPECT_EQ(node->updateState(), 0u);
}

TEST_F(MindMapNodeTest, HiddenCentralThemeIsShownWhenLoaded)
{
    MindMapNode* node = loose(nullptr, {}, true);
    node->setIsHidden(true);
    node->setVisible(false);
    node->loaded();
    EXPECT_FALSE(node->isHidden());
    EXPECT_TRUE(node->isVisible());
}

TEST_F(MindMapNodeTest, HiddenChildStaysHiddenWhenLoaded)
{
    MindMapNode* parent = loose(nullptr, {}, true);
    MindMapNode* node = loose(parent, {}, true);
    node->setIsHidden(true);
    parent->loaded();
    node->loaded();
    EXPECT_TRUE(node->isHidden());
}

TEST_F(MindMapNodeTest, CollapsedLeafReadFromADocumentStaysCollapsed)
{
    MindMapNode* node = loose(nullptr, {}, true);
    node->setCollapsed(true);
    EXPECT_TRUE(node->collapsed());
}

TEST_F(MindMapNodeTest, GuidIsMadeOnFirstRequestAndMarksTheMapModified)
{
    FakeDocumentOwner document;
    document.editedOnceChanged = true;
    map.setDocumentOwner(&document);
    MindMapNode* node = theme();
    const size_t before = document.changes.size();
    EXPECT_FALSE(node->hasGuid());
    // Looking a GUID up never makes one.
    EXPECT_EQ(map.elementWithGuid("AAAAAAAAAAAAAAAAAAAAAA"), nullptr);
    EXPECT_FALSE(node->hasGuid());
    EXPECT_EQ(document.changes.size(), before);

    const std::string guid = node->guid();
    EXPECT_EQ(guid.size(), 22u);
    EXPECT_TRUE(node->hasGuid());
    EXPECT_EQ(document.changes.size(), before + 1);
    EXPECT_EQ(node->guid(), guid);
    EXPECT_EQ(document.changes.size(), before + 1);
    map.setDocumentOwner(nullptr);
}

TEST_F(MindMapNodeTest, DestroyingANodeDetachesItFromParentAndChildren)
{
    MindMapNode* parent = loose();
    MindMapNode* middle = loose(parent);
    MindMapNode* leaf = loose(middle);
    parent->setCollapsed(true);
    const int hierarchy = listener.hierarchyChanges;
    owned.erase(owned.begin() + 1); // middle
    EXPECT_EQ(parent->childCount(), 0u);
    EXPECT_FALSE(parent->collapsed());
    EXPECT_EQ(leaf->parent(), nullptr);
    EXPECT_EQ(listener.hierarchyChanges, hierarchy);
}

// ---------------------------------------------------------------------------------------------
// Tree operations

TEST_F(MindMapNodeTest, InsertChildNodeAppendsAndTakesTheNodeFromItsFormerParent)
{
    MindMapNode* a = loose();
    MindMapNode* b = loose();
    MindMapNode* node = loose(a);
    b->insertChildNode(node);
    EXPECT_EQ(node->parent(), b);
    EXPECT_EQ(a->childCount(), 0u);
    ASSERT_EQ(b->childCount(), 1u);
    EXPECT_EQ(b->indexOfChild(node), 0u);
    EXPECT_EQ(a->indexOfChild(node), CompositeElement::NotFound);

    // Already a child: nothing happens.
    const int hierarchy = listener.hierarchyChanges;
    b->insertChildNode(node);
    EXPECT_EQ(b->childCount(), 1u);
    EXPECT_EQ(listener.hierarchyChanges, hierarchy);
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

TEST_F(MindMapNodeTest, NodesOfAnotherMapAreNotTaken)
{
    MindMap other;
    MindMapNode* foreign = other.internalAddCentralTheme("Foreign");
    MindMapNode* node = loose();
    node->setParent(foreign);
    foreign->insertChildNode(node);
    node->insertChildNode(foreign);
    EXPECT_EQ(node->parent(), nullptr);
    EXPECT_EQ(foreign->childCount(), 0u);
    EXPECT_EQ(node->childCount(), 0u);
}

TEST_F(MindMapNodeTest, RemovingTheLastChildOfACollapsedNodeClearsBothCollapseFlags)
{
    MindMapNode* parent = loose();
    MindMapNode* a = loose(parent);
    MindMapNode* b = loose(parent);
    parent->setCollapsed(true);
    parent->setOutlineCollapsed(true);

    parent->removeChildNode(a);
    EXPECT_TRUE(parent->collapsed());
    EXPECT_TRUE(parent->outlineCollapsed());
    EXPECT_EQ(a->parent(), nullptr);

    parent->removeChildNode(b);
    EXPECT_FALSE(parent->collapsed());
    EXPECT_FALSE(parent->outlineCollapsed());
    EXPECT_EQ(parent->childCount(), 0u);
}

TEST_F(MindMapNodeTest, RemovingANodeThatIsNoChildDoesNothing)
{
    MindMapNode* parent = loose();
    MindMapNode* stranger = loose();
    MindMapNode* kept = loose(parent);
    const int hierarchy = listener.hierarchyChanges;
    parent->removeChildNode(stranger);
    parent->removeChildNode(nullptr);
    parent->removeChildNode(parent);
    EXPECT_EQ(parent->childCount(), 1u);
    EXPECT_EQ(kept->parent(), parent);
    EXPECT_EQ(listener.hierarchyChanges, hierarchy);
}

TEST_F(MindMapNodeTest, RemovingAMiddleChildRenumbersTheLaterOnes)
{
    MindMapNode* parent = loose();
    MindMapNode* a = loose(parent);
    MindMapNode* b = loose(parent);
    MindMapNode* c = loose(parent);
    parent->removeChildNode(b);
    EXPECT_EQ(a->indexInParent(), 0u);
    EXPECT_EQ(c->indexInParent(), 1u);
    EXPECT_EQ(parent->indexOfChild(c), 1u);
    EXPECT_EQ(a->nextSibling(), c);
    EXPECT_TRUE(c->isLastChild());
}

TEST_F(MindMapNodeTest, MoveChildReordersInBothDirections)
{
    MindMapNode* parent = loose();
    MindMapNode* a = loose(parent);
    MindMapNode* b = loose(parent);
    MindMapNode* c = loose(parent);
    MindMapNode* d = loose(parent);

    parent->moveChildFromIndex(0, 2);
    EXPECT_EQ(parent->children(), (std::vector<MindMapNode*>{b, c, a, d}));
    parent->moveChildFromIndex(3, 0);
    EXPECT_EQ(parent->children(), (std::vector<MindMapNode*>{d, b, c, a}));
    for (size_t i = 0; i < parent->childCount(); ++i) {
        EXPECT_EQ(parent->childAtIndex(i)->indexInParent(), i);
        EXPECT_EQ(parent->indexOfChild(parent->childAtIndex(i)), i);
    }
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
}

TEST_F(MindMapNodeTest, ChildAtIndexOutOfRangeAnswersNothing)
{
    MindMapNode* parent = loose();
    loose(parent);
    EXPECT_NE(parent->childAtIndex(0), nullptr);
    EXPECT_EQ(parent->childAtIndex(1), nullptr);
    EXPECT_EQ(parent->childAtIndex(static_cast<size_t>(-1)), nullptr);
}

TEST_F(MindMapNodeTest, MovingAMainBranchResetsItsPaletteEntry)
{
    MindMapNode* root = theme();
    MindMapNode* branchA = child(root);
    MindMapNode* branchB = child(root);
    branchA->setPaletteInfo(5);
    branchA->setParent(branchB);
    EXPECT_EQ(branchA->parent(), branchB);
    EXPECT_EQ(branchA->paletteInfo(), 0);
}

TEST_F(MindMapNodeTest, MovingADeeperTopicKeepsItsPaletteEntry)
{
    MindMapNode* root = theme();
    MindMapNode* branchA = child(root);
    MindMapNode* branchB = child(root);
    MindMapNode* topic = child(branchA);
    topic->setPaletteInfo(7);
    topic->setParent(branchB);
    EXPECT_EQ(topic->parent(), branchB);
    EXPECT_EQ(topic->paletteInfo(), 7);
}

TEST_F(MindMapNodeTest, CentralThemeBecomingAChildResetsItsOwnAndItsChildrensPalette)
{
    // Without a style sheet nothing hands out new entries after the reset.
    map.assignStyleSheet(nullptr);
    MindMapNode* target = loose();
    MindMapNode* formerTheme = loose();
    MindMapNode* a = loose(formerTheme);
    MindMapNode* b = loose(formerTheme);
    MindMapNode* grandchild = loose(a);
    formerTheme->setPaletteInfo(3);
    a->setPaletteInfo(4);
    b->setPaletteInfo(5);
    grandchild->setPaletteInfo(6);

    formerTheme->setParent(target);
    EXPECT_EQ(formerTheme->paletteInfo(), 0);
    EXPECT_EQ(a->paletteInfo(), 0);
    EXPECT_EQ(b->paletteInfo(), 0);
    EXPECT_EQ(grandchild->paletteInfo(), 6);
}

TEST_F(MindMapNodeTest, SetParentWhileLoadingKeepsPaletteEntries)
{
    MindMapNode* parent = loose(nullptr, {}, true);
    MindMapNode* node = loose(nullptr, {}, true);
    node->setPaletteInfo(4);
    node->setParent(parent);
    EXPECT_EQ(node->parent(), parent);
    EXPECT_EQ(node->paletteInfo(), 4);
}

TEST_F(MindMapNodeTest, SetParentToTheSameParentDoesNothing)
{
    MindMapNode* root = theme();
    MindMapNode* branch = child(root);
    branch->setPaletteInfo(2);
    const int hierarchy = listener.hierarchyChanges;
    branch->setParent(root);
    EXPECT_EQ(branch->paletteInfo(), 2);
    EXPECT_EQ(listener.hierarchyChanges, hierarchy);
}

TEST_F(MindMapNodeTest, DetachedNodeIsUnhiddenAndShown)
{
    MindMapNode* root = loose();
    MindMapNode* node = loose(root);
    node->setIsHidden(true);
    EXPECT_FALSE(node->isVisible());
    node->setParent(nullptr);
    EXPECT_EQ(root->childCount(), 0u);
    EXPECT_FALSE(node->isHidden());
    EXPECT_TRUE(node->isVisible());
}

TEST_F(MindMapNodeTest, NodeDetachedFromACollapsedParentIsShown)
{
    MindMapNode* root = loose();
    MindMapNode* node = loose(root);
    loose(root);
    root->setCollapsed(true);
    ASSERT_FALSE(node->isVisible());
    node->setParent(nullptr);
    EXPECT_TRUE(node->isVisible());
}

TEST_F(MindMapNodeTest, NodeMovedUnderACollapsedParentIsNotShown)
{
    MindMapNode* target = loose();
    loose(target);
    target->setCollapsed(true);
    MindMapNode* node = loose();
    MindMapNode* nodeChild = loose(node);
    node->setParent(target);
    EXPECT_FALSE(node->isVisible());
    EXPECT_FALSE(nodeChild->isVisible());
    target->setCollapsed(false);
    EXPECT_TRUE(node->isVisible());
    EXPECT_TRUE(nodeChild->isVisible());
}

TEST_F(MindMapNodeTest, LinkingToNoParentMarksTheAutoNumber)
{
    MindMapNode* root = loose();
    MindMapNode* node = loose(root);
    settle(node);
    node->linkToParent(nullptr);
    EXPECT_EQ(node->parent(), nullptr);
    EXPECT_NE(node->updateState() & MindMapNode::UpdateAutoNumber, 0u);
}

TEST_F(MindMapNodeTest, HierarchyChangeInvalidatesTheAutoNumbersOfTheBranch)
{
    MindMapNode* root = loose();
    MindMapNode* a = loose(root);
    MindMapNode* aa = loose(a);
    MindMapNode* other = loose();
    for (MindMapNode* node : {root, a, aa, other}) settle(node);
    root->hierarchyChanged();
    EXPECT_EQ(root->updateState(), MindMapNode::UpdateAutoNumber);
    EXPECT_EQ(a->updateState(), MindMapNode::UpdateAutoNumber);
    EXPECT_EQ(aa->updateState(), MindMapNode::UpdateAutoNumber);
    EXPECT_EQ(other->updateState(), 0u);
}

// ---------------------------------------------------------------------------------------------
// Navigation

TEST_F(MindMapNodeTest, LevelsRootsAndLastChildren)
{
    MindMapNode* root = theme();
    MindMapNode* a = child(root);
    MindMapNode* b = child(root);
    MindMapNode* aa = child(a);
    EXPECT_EQ(root->nodeLevel(), 0);
    EXPECT_EQ(a->nodeLevel(), 1);
    EXPECT_EQ(aa->nodeLevel(), 2);
    EXPECT_EQ(aa->getRootNode(), root);
    EXPECT_EQ(root->getRootNode(), root);
    EXPECT_FALSE(a->isLastChild());
    EXPECT_TRUE(b->isLastChild());
    EXPECT_TRUE(aa->isLastChild());
    EXPECT_FALSE(root->isLastChild());
}

TEST_F(MindMapNodeTest, SiblingsAndIndexesAmongCentralThemes)
{
    MindMapNode* first = theme("First");
    MindMapNode* second = theme("Second");
    EXPECT_EQ(first->indexInParent(), 0u);
    EXPECT_EQ(second->indexInParent(), 1u);
    EXPECT_EQ(first->nextSibling(), second);
    EXPECT_EQ(second->nextSibling(), nullptr);
}

TEST_F(MindMapNodeTest, IndexInParentOfANodeInNoListIsZero)
{
    theme("First");
    theme("Second");
    MindMapNode* orphan = loose();
    EXPECT_EQ(orphan->indexInParent(), 0u);
    EXPECT_EQ(orphan->nextSibling(), nullptr);

    MindMapNode mapless(nullptr);
    EXPECT_EQ(mapless.indexInParent(), 0u);
    EXPECT_EQ(mapless.nextSibling(), nullptr);
    EXPECT_EQ(mapless.nextNode(), nullptr);
}

TEST_F(MindMapNodeTest, NextNodeWalksTheWholeMapDepthFirst)
{
    MindMapNode* first = theme("First");
    MindMapNode* a = child(first);
    MindMapNode* aa = child(a);
    MindMapNode* ab = child(a);
    MindMapNode* b = child(first);
    MindMapNode* second = theme("Second");
    MindMapNode* c = child(second);

    std::vector<MindMapNode*> walked;
    for (MindMapNode* node = first; node; node = node->nextNode()) walked.push_back(node);
    EXPECT_EQ(walked, (std::vector<MindMapNode*>{first, a, aa, ab, b, second, c}));
}

TEST_F(MindMapNodeTest, CollectNodeAndChildrenIsPreOrder)
{
    MindMapNode* root = loose();
    MindMapNode* a = loose(root);
    MindMapNode* aa = loose(a);
    MindMapNode* b = loose(root);
    MindMapNode* ba = loose(b);
    MindMapNode* bb = loose(b);
    std::vector<MindMapNode*> nodes{b};
    root->collectNodeAndChildrenInArray(nodes);
    EXPECT_EQ(nodes, (std::vector<MindMapNode*>{b, root, a, aa, b, ba, bb}));
}

TEST_F(MindMapNodeTest, ValidParentsAreNeitherTheNodeNorItsDescendants)
{
    MindMapNode* root = loose();
    MindMapNode* a = loose(root);
    MindMapNode* aa = loose(a);
    MindMapNode* other = loose();
    EXPECT_TRUE(a->isValidParentNode(nullptr));
    EXPECT_TRUE(a->isValidParentNode(root));
    EXPECT_TRUE(a->isValidParentNode(other));
    EXPECT_FALSE(a->isValidParentNode(a));
    EXPECT_FALSE(a->isValidParentNode(aa));
    EXPECT_FALSE(root->isValidParentNode(aa));
}

TEST_F(MindMapNodeTest, SetLocationRecordsOuterSizeOnlyForARealChange)
{
    MindMapNode* node = loose(nullptr, {10, 20});
    settle(node);
    node->setLocation({10, 20});
    EXPECT_EQ(node->updateState(), 0u);
    node->setLocation({11, 20});
    EXPECT_EQ(node->location(), (Point{11, 20}));
    EXPECT_EQ(node->updateState(), MindMapNode::UpdateOuterSize);
}

TEST_F(MindMapNodeTest, TranslateMovesEveryNodeAndSkipsNulls)
{
    MindMapNode* a = loose(nullptr, {1, 2});
    MindMapNode* b = loose(nullptr, {-5, 0});
    MindMapNode::translateMindMapNodes({a, nullptr, b}, 10, -3);
    EXPECT_EQ(a->location(), (Point{11, -1}));
    EXPECT_EQ(b->location(), (Point{5, -3}));
}

// ---------------------------------------------------------------------------------------------
// Visibility, collapse and hide

TEST_F(MindMapNodeTest, CollapsingALeafLeavesItExpanded)
{
    MindMapNode* leaf = loose();
    leaf->setCollapsed(true);
    EXPECT_FALSE(leaf->collapsed());
}

TEST_F(MindMapNodeTest, CollapseHidesTheWholeBranchAndExpandShowsIt)
{
    MindMapNode* root = theme();
    MindMapNode* a = child(root);
    MindMapNode* aa = child(a);
    MindMapNode* b = child(root);

    const size_t tools = editor.toolUpdates.size();
    const int changes = editor.changes;
    root->setCollapsed(true);
    EXPECT_TRUE(root->collapsed());
    EXPECT_TRUE(root->isVisible());
    EXPECT_FALSE(a->isVisible());
    EXPECT_FALSE(aa->isVisible());
    EXPECT_FALSE(b->isVisible());
    EXPECT_GT(editor.changes, changes); // the element tools are rebuilt
    (void)tools;

    root->setCollapsed(false);
    EXPECT_TRUE(a->isVisible());
    EXPECT_TRUE(aa->isVisible());
    EXPECT_TRUE(b->isVisible());
}

TEST_F(MindMapNodeTest, CollapseOfAnInnerNodeSurvivesItsParentsExpand)
{
    MindMapNode* root = loose();
    MindMapNode* a = loose(root);
    MindMapNode* aa = loose(a);
    a->setCollapsed(true);
    root->setCollapsed(true);
    root->setCollapsed(false);
    EXPECT_TRUE(a->isVisible());
    EXPECT_FALSE(aa->isVisible());
}

TEST_F(MindMapNodeTest, HiddenChildOfACollapsedNodeStaysInvisibleUntilTheParentExpands)
{
    MindMapNode* parent = loose();
    MindMapNode* node = loose(parent);
    loose(parent);
    parent->setCollapsed(true);

    node->setIsHidden(true);
    EXPECT_FALSE(node->isVisible());
    node->setIsHidden(false);
    EXPECT_FALSE(node->isVisible());
    parent->setCollapsed(false);
    EXPECT_TRUE(node->isVisible());
}

TEST_F(MindMapNodeTest, HiddenChildStaysHiddenWhenItsParentExpands)
{
    MindMapNode* parent = loose();
    MindMapNode* node = loose(parent);
    MindMapNode* grandchild = loose(node);
    node->setIsHidden(true);
    EXPECT_FALSE(node->isVisible());
    EXPECT_FALSE(grandchild->isVisible());
    parent->setCollapsed(true);
    parent->setCollapsed(false);
    EXPECT_FALSE(node->isVisible());
    EXPECT_FALSE(grandchild->isVisible());
    node->setIsHidden(false);
    EXPECT_TRUE(node->isVisible());
    EXPECT_TRUE(grandchild->isVisible());
}

TEST_F(MindMapNodeTest, HidingACentralThemeHidesIt)
{
    MindMapNode* root = loose();
    MindMapNode* a = loose(root);
    root->setIsHidden(true);
    EXPECT_FALSE(root->isVisible());
    EXPECT_FALSE(a->isVisible());
    root->setIsHidden(false);
    EXPECT_TRUE(root->isVisible());
    EXPECT_TRUE(a->isVisible());
}

TEST_F(MindMapNodeTest, VisibilityChangeRecordsOuterSize)
{
    MindMapNode* node = loose();
    settle(node);
    node->setVisible(true);
    EXPECT_EQ(node->updateState(), 0u);
    node->setVisible(false);
    EXPECT_EQ(node->updateState(), MindMapNode::UpdateOuterSize);
}

TEST_F(MindMapNodeTest, FullCollapseCollapsesInnerNodesAndLeavesLeavesExpanded)
{
    MindMapNode* root = loose();
    MindMapNode* a = loose(root);
    MindMapNode* aa = loose(a);
    MindMapNode* b = loose(root);
    root->fullCollapse();
    EXPECT_TRUE(root->collapsed());
    EXPECT_TRUE(a->collapsed());
    EXPECT_FALSE(aa->collapsed());
    EXPECT_FALSE(b->collapsed());
    EXPECT_TRUE(root->isVisible());
    EXPECT_FALSE(a->isVisible());
    EXPECT_FALSE(aa->isVisible());

    root->fullExpand();
    EXPECT_FALSE(root->collapsed());
    EXPECT_FALSE(a->collapsed());
    EXPECT_TRUE(a->isVisible());
    EXPECT_TRUE(aa->isVisible());
    EXPECT_TRUE(b->isVisible());
}

TEST_F(MindMapNodeTest, OutlineCollapseIsAPlainFlag)
{
    MindMapNode* node = loose();
    settle(node);
    node->setOutlineCollapsed(true);
    EXPECT_TRUE(node->outlineCollapsed());
    EXPECT_FALSE(node->collapsed());
    EXPECT_EQ(node->updateState(), 0u);
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
    chain.front()->setIsHidden(true);
    EXPECT_FALSE(chain.back()->isVisible());
    chain.front()->setIsHidden(false);
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

// ---------------------------------------------------------------------------------------------
// Text and note

TEST_F(MindMapNodeTest, ValidatedTextHasOneLineFeedPerLineEndAndNoControls)
{
    EXPECT_EQ(MindMapNode::validateNodeText(""), "");
    EXPECT_EQ(MindMapNode::validateNodeText("a\r\nb\tc"), "a\nb c");
    EXPECT_EQ(MindMapNode::validateNodeText("a\rb\nc"), "a\nb\nc");
    EXPECT_EQ(MindMapNode::validateNodeText(std::string("x\0y", 3)), "x y");
    EXPECT_EQ(MindMapNode::validateNodeText("bell\x07" "del\x7F"), "bell del ");
    EXPECT_EQ(MindMapNode::validateNodeText("c1\xC2\x80"), "c1 ");             // U+0080
    EXPECT_EQ(MindMapNode::validateNodeText("z\xE2\x80\x8Bw"), "z w");         // zero-width space
    EXPECT_EQ(MindMapNode::validateNodeText("bom\xEF\xBB\xBF"), "bom ");       // U+FEFF
    EXPECT_EQ(MindMapNode::validateNodeText("para\xE2\x80\xA9" "x"), "para\nx"); // U+2029
    EXPECT_EQ(MindMapNode::validateNodeText("\xC3\xA9t\xC3\xA9"), "\xC3\xA9t\xC3\xA9");
}

TEST_F(MindMapNodeTest, ValidatedTextKeepsTheFormatCharactersWritingNeeds)
{
    const std::string family = "\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7"; // woman ZWJ girl
    EXPECT_EQ(MindMapNode::validateNodeText(family), family);
    const std::string persian = "\xD9\x85\xE2\x80\x8C\xD9\x8A"; // ZWNJ between letters
    EXPECT_EQ(MindMapNode::validateNodeText(persian), persian);
    const std::string marked = "\xE2\x80\x8F" "abc"; // right-to-left mark
    EXPECT_EQ(MindMapNode::validateNodeText(marked), marked);
}

TEST_F(MindMapNodeTest, ValidatedTextReplacesBytesThatAreNotUtf8)
{
    EXPECT_EQ(MindMapNode::validateNodeText("a\xFF" "b"), "a\xEF\xBF\xBD" "b");
    EXPECT_EQ(MindMapNode::validateNodeText("cut\xE2\x82"), "cut\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(MindMapNode::validateNodeText("\xC0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD"); // overlong NUL
}

TEST_F(MindMapNodeTest, SetTextStoresTheValidatedText)
{
    MindMapNode* node = loose();
    node->setText("one\r\ntwo\tthree");
    EXPECT_EQ(node->text(), "one\ntwo three");
}

TEST_F(MindMapNodeTest, SetTextReportsOnlyAChange)
{
    MindMapNode* root = theme("Root");
    MindMapNode* node = child(root);
    node->setText("Same");
    settle(node);
    const int hierarchy = listener.hierarchyChanges;
    node->setText("Same");
    EXPECT_EQ(node->updateState(), 0u);
    EXPECT_EQ(listener.hierarchyChanges, hierarchy);

    node->setText("Other");
    EXPECT_EQ(node->updateState(), MindMapNode::UpdateText);
    EXPECT_GT(listener.hierarchyChanges, hierarchy);
}

TEST_F(MindMapNodeTest, SetTextOfTheMainCentralThemeChangesTheTitle)
{
    MindMapNode* root = theme("Root");
    MindMapNode* second = theme("Second");
    MindMapNode* branch = child(root);
    ASSERT_EQ(map.mainCentralTheme(), root);
    int titleChanges = 0;
    ObservationToken token = NotificationCenter::defaultCenter().addObserver(
        MindMap::TitleChangedNotification, &map, [&](const Notification&) { ++titleChanges; });

    branch->setText("Branch");
    second->setText("Not the main theme");
    EXPECT_EQ(titleChanges, 0);
    root->setText("New title");
    EXPECT_EQ(titleChanges, 1);
}

TEST_F(MindMapNodeTest, ApplyWrappedTextSetsTheText)
{
    MindMapNode* node = loose();
    node->applyWrappedText("wrapped\r\nline");
    EXPECT_EQ(node->text(), "wrapped\nline");
}

TEST_F(MindMapNodeTest, NoteIsTrimmedAndValidated)
{
    MindMapNode* node = loose();
    node->setNote("  \n\t \r\n ");
    EXPECT_EQ(node->note(), "");
    EXPECT_FALSE(node->hasNote());
    node->setNote("\n  first\r\nsecond\tpart \xE3\x80\x80");
    EXPECT_EQ(node->note(), "first\nsecond part");
    EXPECT_TRUE(node->hasNote());
    EXPECT_EQ(node->stringForToolTip(nullptr, {}, nullptr), "first\nsecond part");
}

TEST_F(MindMapNodeTest, NoteAddedOrRemovedRecordsAppearance)
{
    MindMapNode* root = theme();
    MindMapNode* node = child(root);
    settle(node);
    int hierarchy = listener.hierarchyChanges;
    node->setNote("note");
    EXPECT_EQ(node->updateState(), MindMapNode::UpdateAppearance);
    EXPECT_GT(listener.hierarchyChanges, hierarchy);

    // Another note on a node that had one changes nothing the node shows.
    settle(node);
    node->setNote("other note");
    EXPECT_EQ(node->note(), "other note");
    EXPECT_EQ(node->updateState(), 0u);

    // The note already held: no report at all.
    hierarchy = listener.hierarchyChanges;
    const int changes = editor.changes;
    node->setNote("other note\n");
    EXPECT_EQ(listener.hierarchyChanges, hierarchy);
    EXPECT_EQ(editor.changes, changes);

    node->setNote("");
    EXPECT_EQ(node->updateState(), MindMapNode::UpdateAppearance);
    EXPECT_GT(listener.hierarchyChanges, hierarchy);
}

TEST_F(MindMapNodeTest, NoteOfTheSelectedNodeUpdatesTheNotePanel)
{
    MindMapNode* root = theme();
    MindMapNode* node = child(root);
    MindMapNode* other = child(root);
    map.setSelectedElement(node);
    listener.attributes.clear();

    other->setNote("not selected");
    EXPECT_TRUE(listener.attributes.empty());
    node->setNote("selected");
    ASSERT_EQ(listener.attributes.size(), 1u);
    EXPECT_EQ(listener.attributes[0].first, node);
    EXPECT_EQ(listener.attributes[0].second, 0u);

    // The note already held: nothing.
    node->setNote("  selected\n");
    EXPECT_EQ(listener.attributes.size(), 1u);
}

TEST_F(MindMapNodeTest, EditingStateCountsAsEditingFromTwo)
{
    MindMapNode* node = loose();
    settle(node);
    node->setEditingState(1);
    EXPECT_FALSE(node->isEditing());
    EXPECT_EQ(node->updateState(), MindMapNode::UpdateText);
    node->setEditingState(2);
    EXPECT_TRUE(node->isEditing());
    node->setEditingState(3);
    EXPECT_TRUE(node->isEditing());
    settle(node);
    node->setEditingState(3);
    EXPECT_EQ(node->updateState(), 0u);
    node->setEditingState(0);
    EXPECT_FALSE(node->isEditing());
}

// ---------------------------------------------------------------------------------------------
// Update state

TEST_F(MindMapNodeTest, FirstUpdateBitReportsTheNodeOnce)
{
    MindMapNode* node = loose();
    settle(node);
    const int changes = editor.changes;
    node->includeNodeUpdateState(MindMapNode::UpdateOuterSize);
    EXPECT_EQ(editor.changes, changes + 1);
    node->includeNodeUpdateState(MindMapNode::UpdateText);
    node->includeNodeUpdateState(MindMapNode::UpdateOuterSize);
    EXPECT_EQ(editor.changes, changes + 1);
    EXPECT_EQ(node->updateState(), MindMapNode::UpdateOuterSize | MindMapNode::UpdateText);
}

TEST_F(MindMapNodeTest, StyleChangeRecordsTheFont)
{
    MindMapNode* node = loose();
    settle(node);
    node->style()->changeBorderStyle(4);
    EXPECT_NE(node->updateState() & MindMapNode::UpdateFont, 0u);
}

// ---------------------------------------------------------------------------------------------
// Tasks held by the node

TEST_F(MindMapNodeTest, CheckboxModeKeepsOnlyACheckedState)
{
    MindMapNode* node = loose();
    node->setCheckboxMode(2);
    node->setProgress(100);
    node->setCheckboxMode(1);
    EXPECT_EQ(node->progress(), 100);
    node->setCheckboxMode(2);
    node->setProgress(60);
    node->setCheckboxMode(1);
    EXPECT_EQ(node->progress(), 0);
    node->setCheckboxMode(3);
    node->setProgress(40);
    node->setCheckboxMode(0);
    EXPECT_EQ(node->progress(), 0);
    node->setProgress(250);
    EXPECT_EQ(node->progress(), 100);
    node->setProgress(-5);
    EXPECT_EQ(node->progress(), 0);
}

TEST_F(MindMapNodeTest, RollUpTakesTheMeanOfTheCheckboxChildren)
{
    MindMapNode* node = loose();
    node->setCheckboxMode(3);
    MindMapNode* a = loose(node);
    MindMapNode* b = loose(node);
    MindMapNode* c = loose(node);
    a->setCheckboxMode(2);
    a->setProgress(33);
    node->updateRollUpProgress();
    EXPECT_EQ(node->progress(), 33);
    b->setCheckboxMode(2);
    b->setProgress(100);
    c->setCheckboxMode(2);
    c->setProgress(50);
    a->setProgress(0);
    node->updateRollUpProgress();
    EXPECT_EQ(node->progress(), 50);
}

// ---------------------------------------------------------------------------------------------
// Style, layout and attachments held by the node

TEST_F(MindMapNodeTest, EffectiveColoursPreferTheStylesOwn)
{
    MindMapNode* node = loose();
    node->setColorSchemeFillColor(Color(0.1, 0.2, 0.3));
    node->style()->setPropCustomized(TextStyle::FillColorMask, false);
    map.style()->nodeStyle()->setPropCustomized(TextStyle::FillColorMask, true);
    map.style()->nodeStyle()->setFillColor(std::nullopt);
    EXPECT_EQ(node->fillColor(), Color(0.1, 0.2, 0.3));
    {
        ElementStyle::UpdateGuard batch(*node->style());
        node->style()->setPropCustomized(TextStyle::FillColorMask, true);
        node->style()->setFillColor(Color(1, 0, 0));
    }
    EXPECT_EQ(node->fillColor(), Color(1, 0, 0));
}

TEST_F(MindMapNodeTest, SchemeColourChangesRecordTheirBits)
{
    MindMapNode* node = loose();
    settle(node);
    node->setColorSchemeFillColor(node->colorSchemeFillColor());
    EXPECT_EQ(node->updateState(), 0u);
    node->setColorSchemeStrokeColor(Color(0.5, 0.5, 0.5));
    EXPECT_EQ(node->updateState(), MindMapNode::UpdateAppearance);
    settle(node);
    node->setColorSchemeTextColor(Color(0.5, 0.5, 0.5));
    EXPECT_EQ(node->updateState(), MindMapNode::UpdateText);
    settle(node);
    node->setStyleSheetFont(Font("Arial", 16));
    EXPECT_EQ(node->updateState(), MindMapNode::UpdateFont);
    settle(node);
    node->setStyleSheetFont(Font("Arial", 16));
    EXPECT_EQ(node->updateState(), 0u);
}

TEST_F(MindMapNodeTest, ACentralThemesOwnLayoutModeGovernsOnlyItsBranch)
{
    MindMapNode* root = loose();
    MindMapNode* branch = loose(root);
    MindMapNode* leaf = loose(branch);
    root->setLayoutMode(3);
    EXPECT_EQ(root->effectiveLayoutMode(), 0);
    EXPECT_FALSE(root->isAutoLayout());
    EXPECT_EQ(branch->effectiveLayoutMode(), 3);
    EXPECT_EQ(leaf->effectiveLayoutMode(), 3);
    // The outermost ancestor with a mode lays out the branch.
    branch->setLayoutMode(1);
    EXPECT_EQ(leaf->effectiveLayoutMode(), 3);
}

TEST_F(MindMapNodeTest, TopDownModeGrowsDownwardUnlessRead)
{
    MindMapNode* node = loose();
    node->setLayoutDirection(2);
    node->setLayoutMode(4);
    EXPECT_EQ(node->layoutDirection(), 5);
    node->setLayoutMode(1);
    EXPECT_EQ(node->layoutDirection(), 0);

    MindMapNode* read = loose(nullptr, {}, true);
    read->setLayoutDirection(6);
    read->setLayoutMode(4);
    EXPECT_EQ(read->layoutDirection(), 6);
}

TEST_F(MindMapNodeTest, ListAndTopDownSides)
{
    EXPECT_TRUE(MindMapNode::isListLayoutLeftToRight(nullptr));
    EXPECT_TRUE(MindMapNode::isTopdownLayoutLeftToRight(nullptr));
    MindMapNode* root = loose(nullptr, {0, 0});
    MindMapNode* left = loose(root, {-100, 0});
    MindMapNode* leaf = loose(left, {-200, 0});
    EXPECT_TRUE(MindMapNode::isListLayoutLeftToRight(leaf)); // no mode anywhere
    left->setLayoutMode(3);
    EXPECT_FALSE(MindMapNode::isListLayoutLeftToRight(leaf));
    left->setLayoutDirection(2);
    EXPECT_TRUE(MindMapNode::isListLayoutLeftToRight(leaf));
    left->setLayoutMode(4);
    left->setLayoutDirection(4);
    EXPECT_FALSE(MindMapNode::isTopdownLayoutLeftToRight(leaf));
    left->setLayoutDirection(5);
    EXPECT_TRUE(MindMapNode::isTopdownLayoutLeftToRight(leaf));
}

TEST_F(MindMapNodeTest, DateAndIconChangesAreRecorded)
{
    MindMapNode* node = loose();
    settle(node);
    EXPECT_FALSE(node->hasDate());
    const MindMapNode::Date when = std::chrono::system_clock::time_point(std::chrono::hours(24 * 365 * 30));
    node->setDate(when);
    EXPECT_TRUE(node->hasDate());
    EXPECT_EQ(node->updateState(), MindMapNode::UpdateDateText);
    settle(node);
    node->setDate(when);
    EXPECT_EQ(node->updateState(), 0u);

    node->setIconName("star");
    EXPECT_EQ(node->iconName(), "star");
    EXPECT_EQ(node->updateState(), MindMapNode::UpdateOuterSize);
    std::set<std::string> icons;
    node->collectReferencedIcons(icons);
    loose()->collectReferencedIcons(icons);
    EXPECT_EQ(icons, (std::set<std::string>{"star"}));
}

TEST_F(MindMapNodeTest, CheckboxShownOrHiddenChangesTheSize)
{
    MindMapNode* node = loose();
    settle(node);
    node->setShowCheckbox(true);
    EXPECT_EQ(node->updateState(), MindMapNode::UpdateOuterSize);
    settle(node);
    node->setCheckboxMode(2);
    EXPECT_EQ(node->updateState(), MindMapNode::UpdateAppearance);
    node->setCheckedState(1);
    EXPECT_EQ(node->checkedState(), 1);
    EXPECT_EQ(node->progress(), 100);
}

// ---------------------------------------------------------------------------------------------
// Hit testing

TEST_F(MindMapNodeTest, BoundsAreCentredOnTheLocation)
{
    MindMapNode* node = loose(nullptr, {50, 40});
    EXPECT_EQ(node->bounds(), Rect(0, 30, 100, 20));
    EXPECT_TRUE(node->hitTest({1, 31}));
    EXPECT_FALSE(node->hitTest({101, 31}));
    node->setVisible(false);
    EXPECT_FALSE(node->hitTest({50, 40}));
}

TEST_F(MindMapNodeTest, HitTestAsksChildrenFirstAndSkipsTheExcludedNodeOnly)
{
    MindMapNode* root = loose(nullptr, {0, 0});
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

TEST_F(MindMapNodeTest, ElementOnATopicAnswersOnlyWhenContainedElementsAreAsked)
{
    MindMapNode* node = loose(nullptr, {0, 0});
    ContainedElement* box = node->appendContainedElement(std::make_unique<Box>(node, Size{10, 10}));
    box->setRelLocation({0, 0});
    EXPECT_EQ(node->performHitTest({0, 0}, nullptr, true), box);
    // Asked for topics only, the element lying over the topic does not hide it.
    EXPECT_EQ(node->performHitTest({0, 0}, nullptr, false), node);
    EXPECT_EQ(node->performHitTest({30, 0}, nullptr, false), node);
    EXPECT_EQ(node->performHitTest({30, 0}, nullptr, true), node);
    // The excluded topic's own elements are skipped with it.
    EXPECT_EQ(node->performHitTest({0, 0}, node, false), nullptr);
    EXPECT_EQ(node->performHitTest({0, 0}, node, true), nullptr);
    // An element outside the topic answers only when asked for.
    box->setRelLocation({0, -40});
    EXPECT_EQ(node->performHitTest({0, -40}, nullptr, true), box);
    EXPECT_EQ(node->performHitTest({0, -40}, nullptr, false), nullptr);
    box->setRelLocation({0, 0});
    EXPECT_EQ(node->boundsIncludingContainedElements(), node->bounds());
    box->setRelLocation({0, -40});
    EXPECT_EQ(node->boundsIncludingContainedElements(), Rect(-50, -45, 100, 55));
}

TEST_F(MindMapNodeTest, MarkerHitTestFindsCollapseAndUnhideMarkers)
{
    MindMapNode* root = loose(nullptr, {0, 0});
    MindMapNode* right = loose(root, {200, 0});
    MindMapNode* grandchild = loose(right, {400, 0});
    MindMapNode* hidden = loose(root, {0, 200});
    (void)grandchild;
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

TEST_F(MindMapNodeTest, AutoNumberPathNeedsAParentOrSeveralThemes)
{
    MindMapNode* first = theme("First");
    MindMapNode* branch = child(first);
    EXPECT_FALSE(first->hasAutoNumberPath());
    EXPECT_TRUE(branch->hasAutoNumberPath());
    theme("Second");
    EXPECT_TRUE(first->hasAutoNumberPath());
}

} // namespace
