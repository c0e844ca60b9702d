#include "MindMapTestSupport.h"

#include "MindMaps/MindMapImage.h"
#include "MindMaps/MindMapText.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace maptest;

namespace {

// The two-theme map of TwoThemeTopics and a cross link from A2 to B1.
class MindMapSelectionTest : public ::testing::Test, protected TwoThemeTopics {
protected:
    void SetUp() override
    {
        map.setNodeEditor(&editor);
        map.setModelessEditor(&notes);
        map.setHierarchyListener(&outline);
        map.newMindMap("", false, std::nullopt);
        addTo(map);
        link = map.internalAddCrossLinkFromSource(a2, b1);
        map.setSelectedElement(nullptr);
        log.clear();
    }

    CallLog log;
    RecordingNodeEditor editor{log};
    RecordingModelessEditor notes{log, "notes"};
    RecordingModelessEditor outline{log, "outline"};
    MindMap map;
    CrossLink* link = nullptr;
};

// ---------------------------------------------------------------------------------------------
// Selecting

TEST_F(MindMapSelectionTest, SelectingAloneSetsFlagsAndReportsInOrder)
{
    map.toggleSelection(a1, false);
    map.toggleSelection(a2, false);
    log.clear();

    map.setSelectedElement(b);
    EXPECT_EQ(map.selection(), elements({b}));
    EXPECT_TRUE(b->isSelected());
    EXPECT_FALSE(a1->isSelected());
    EXPECT_FALSE(a2->isSelected());
    EXPECT_EQ(notes.outgoing.back(), a1);
    EXPECT_EQ(log, (CallLog{"notes.beforeChangingSelection", "outline.beforeChangingSelection",
                            "editor.selectedElementChanged", "notes.afterChangingSelection",
                            "outline.afterChangingSelection"}));
    EXPECT_EQ(notes.incoming.back(), b);
}

TEST_F(MindMapSelectionTest, SelectingTheSoleSelectedElementAgainReportsNothing)
{
    map.setSelectedElement(a);
    log.clear();
    map.setSelectedNode(a);
    EXPECT_TRUE(log.empty());
    map.setSelectedElement(nullptr);
    log.clear();
    map.setSelectedElement(nullptr);
    EXPECT_TRUE(log.empty());
}

TEST_F(MindMapSelectionTest, ElementsOutsideTheMapAreRefused)
{
    map.setSelectedElement(a);
    log.clear();
    MindMap other;
    other.newMindMap("", true, "Elsewhere");
    MindMapNode loose(&map); // made for this map but never added to it

    for (MindMapElement* stranger : {static_cast<MindMapElement*>(other.mainCentralTheme()),
                                     static_cast<MindMapElement*>(&loose)}) {
        map.setSelectedElement(stranger);
        map.toggleSelection(stranger, true);
        map.focusSelectedElement(stranger);
    }
    map.toggleSelection(nullptr, false);
    map.focusSelectedElement(nullptr);
    EXPECT_EQ(map.selection(), elements({a}));
    EXPECT_FALSE(loose.isSelected());
    EXPECT_TRUE(log.empty());
}

TEST_F(MindMapSelectionTest, TogglingAddsRemovesAndFocuses)
{
    map.toggleSelection(a1, false);
    map.toggleSelection(a2, false);
    map.toggleSelection(b, true);
    EXPECT_EQ(map.selection(), elements({b, a1, a2}));
    EXPECT_EQ(map.selectedElement(), b);
    EXPECT_TRUE(map.hasMultipleSelection());

    map.toggleSelection(a1, false);
    EXPECT_EQ(map.selection(), elements({b, a2}));
    EXPECT_FALSE(a1->isSelected());
}

TEST_F(MindMapSelectionTest, RelationsOfBothKindsAreSelectedTogether)
{
    map.toggleSelection(link, false);
    map.toggleSelection(a1->parentRelation(), false);
    EXPECT_EQ(map.selection(), elements({link, a1->parentRelation()}));
    EXPECT_TRUE(link->isSelected());
}

TEST_F(MindMapSelectionTest, AnotherTypeDropsTheSelectionFirst)
{
    MindMapImage* image = a1->addCustomImage("abc", "");
    map.toggleSelection(a, false);
    map.toggleSelection(b, false);
    map.toggleSelection(image, false);
    EXPECT_EQ(map.selection(), elements({image}));
    EXPECT_FALSE(a->isSelected());
    EXPECT_FALSE(b->isSelected());
    EXPECT_TRUE(image->isSelected());
}

TEST_F(MindMapSelectionTest, FocusMovesASelectedElementToTheFront)
{
    map.toggleSelection(a, false);
    map.toggleSelection(a1, false);
    map.toggleSelection(a2, false);
    log.clear();
    map.focusSelectedElement(a2);
    EXPECT_EQ(map.selection(), elements({a2, a, a1}));
    EXPECT_EQ(notes.outgoing.back(), a);
    EXPECT_EQ(notes.incoming.back(), a2);

    // The primary element: nothing. An unselected one: selected alone.
    log.clear();
    map.focusSelectedElement(a2);
    EXPECT_TRUE(log.empty());
    map.focusSelectedElement(b);
    EXPECT_EQ(map.selection(), elements({b}));
}

TEST_F(MindMapSelectionTest, ForceSingleSelectionKeepsThePrimary)
{
    map.toggleSelection(a, false);
    map.toggleSelection(a1, false);
    map.toggleSelection(a2, false);
    log.clear();
    map.forceSingleSelection();
    EXPECT_EQ(map.selection(), elements({a}));
    EXPECT_FALSE(a1->isSelected());
    EXPECT_FALSE(a2->isSelected());
    // No "before" call: the primary element stays.
    EXPECT_EQ(log, (CallLog{"editor.selectedElementChanged", "notes.afterChangingSelection",
                            "outline.afterChangingSelection"}));
    log.clear();
    map.forceSingleSelection();
    EXPECT_TRUE(log.empty());
}

TEST_F(MindMapSelectionTest, HiddenElementsLeaveAMultipleSelection)
{
    map.toggleSelection(a, false);
    map.toggleSelection(a1a, false);
    map.toggleSelection(a2, false);
    map.toggleSelection(a1b, false);
    a1->setCollapsed(true);
    ASSERT_FALSE(a1a->isVisible());
    log.clear();

    map.excludeHiddenElementsFromSelection();
    EXPECT_EQ(map.selection(), elements({a, a2}));
    EXPECT_FALSE(a1a->isSelected());
    EXPECT_FALSE(a1b->isSelected());
    // One "before" call per element taken off, one report at the end.
    EXPECT_EQ(std::count(log.begin(), log.end(), "notes.beforeChangingSelection"), 2);
    EXPECT_EQ(std::count(log.begin(), log.end(), "editor.selectedElementChanged"), 1);

    // A single selected element stays even when hidden.
    map.setSelectedElement(a1a);
    map.excludeHiddenElementsFromSelection();
    EXPECT_EQ(map.selection(), elements({a1a}));
}

TEST_F(MindMapSelectionTest, DroppingTheSelectionTellsTheEditorsOnly)
{
    map.toggleSelection(a, false);
    log.clear();
    map.dropSelection();
    EXPECT_TRUE(map.selection().empty());
    EXPECT_EQ(log, (CallLog{"notes.dropSelection", "outline.dropSelection"}));
}

// ---------------------------------------------------------------------------------------------
// Selection by type

TEST_F(MindMapSelectionTest, TypeMasks)
{
    MindMapText* first = a->addText();
    MindMapText* second = a->addText();
    MindMapImage* image = a->addCustomImage("abc", "");

    // An empty selection matches every mask, as itself.
    EXPECT_EQ(&map.selectionWithMask(1), &map.selection());
    EXPECT_EQ(&map.selectionWithMask(0), &map.selection());

    map.toggleSelection(first, false);
    map.toggleSelection(second, false);
    EXPECT_TRUE(map.selectionWithMask(1).empty());
    EXPECT_TRUE(map.selectionWithMask(5).empty());
    EXPECT_EQ(map.selectionWithMask(17).size(), 2u);
    EXPECT_EQ(map.selectionWithMask(23).size(), 2u);
    EXPECT_EQ(map.selectionWithMask(30).size(), 2u);

    map.setSelectedElement(link);
    map.toggleSelection(a1->parentRelation(), false);
    EXPECT_EQ(&map.selectionWithMask(6), &map.selection());
    EXPECT_EQ(map.selectionWithMask(6).size(), 2u);
    EXPECT_TRUE(map.selectionWithMask(5).empty()); // the cross link has no bit in 5
    EXPECT_EQ(map.selectionWithMask(23).size(), 2u);
    EXPECT_EQ(map.selectionWithMask(30).size(), 2u);

    map.setSelectedElement(a);
    EXPECT_EQ(map.selectionWithMask(1).size(), 1u);
    EXPECT_EQ(map.selectionWithMask(5).size(), 1u);
    EXPECT_EQ(map.selectionWithMask(17).size(), 1u);
    EXPECT_EQ(map.selectionWithMask(23).size(), 1u);
    EXPECT_TRUE(map.selectionWithMask(30).empty());
    EXPECT_TRUE(map.selectionWithMask(6).empty());

    map.setSelectedElement(image);
    EXPECT_EQ(map.selectionWithMask(30).size(), 1u);
    EXPECT_TRUE(map.selectionWithMask(23).empty());
}

TEST_F(MindMapSelectionTest, SelectedElementByKind)
{
    MindMapText* text = b->addText();
    MindMapImage* image = b->addCustomImage("abc", "");
    EXPECT_EQ(map.selectedElementType(), 0);
    EXPECT_EQ(map.selectedNode(), nullptr);

    map.setSelectedElement(a);
    EXPECT_EQ(map.selectedElementType(), 1);
    EXPECT_EQ(map.selectedNode(), a);
    EXPECT_EQ(map.selectedRelation(), nullptr);

    map.setSelectedElement(link);
    EXPECT_EQ(map.selectedElementType(), 2);
    EXPECT_EQ(map.selectedCrossLink(), link);
    EXPECT_EQ(map.selectedRelation(), link);
    EXPECT_EQ(map.selectedNode(), nullptr);

    map.setSelectedElement(a1->parentRelation());
    EXPECT_EQ(map.selectedElementType(), 4);
    EXPECT_EQ(map.selectedRelation(), a1->parentRelation());
    EXPECT_EQ(map.selectedCrossLink(), nullptr);

    map.setSelectedElement(image);
    EXPECT_EQ(map.selectedImage(), image);
    EXPECT_EQ(map.selectedContainedElement(), image);
    EXPECT_EQ(map.selectedTextElement(), nullptr);

    map.setSelectedElement(text);
    EXPECT_EQ(map.selectedElementType(), 16);
    EXPECT_EQ(map.selectedTextElement(), text);
    EXPECT_EQ(map.selectedContainedElement(), text);
    EXPECT_EQ(map.selectedImage(), nullptr);
}

// ---------------------------------------------------------------------------------------------
// Root nodes of a selection

TEST_F(MindMapSelectionTest, RootNodesLeaveOutSelectedDescendants)
{
    map.toggleSelection(a1a, false);
    map.toggleSelection(a, false);
    EXPECT_EQ(map.getSelectedRootNodes(), (std::vector<MindMapNode*>{a}));
}

TEST_F(MindMapSelectionTest, SiblingsComeInTheirOrderUnderTheParent)
{
    map.toggleSelection(a1b, false);
    map.toggleSelection(a1a, false);
    EXPECT_EQ(map.getSelectedRootNodes(), (std::vector<MindMapNode*>{a1a, a1b}));
}

TEST_F(MindMapSelectionTest, FamiliesKeepTheirSelectionOrder)
{
    // Siblings by index and strangers by selection order contradict each other here (a1b before
    // b1 before a1a before a1b); the families stay together instead, in the order the first of
    // each was selected.
    map.toggleSelection(a1b, false);
    map.toggleSelection(b1, false);
    map.toggleSelection(a1a, false);
    EXPECT_EQ(map.getSelectedRootNodes(), (std::vector<MindMapNode*>{a1a, a1b, b1}));

    map.setSelectedElement(nullptr);
    map.toggleSelection(b1, false);
    map.toggleSelection(a1b, false);
    map.toggleSelection(a1a, false);
    EXPECT_EQ(map.getSelectedRootNodes(), (std::vector<MindMapNode*>{b1, a1a, a1b}));
}

TEST_F(MindMapSelectionTest, CentralThemesComeInTheirListOrder)
{
    map.toggleSelection(b, false);
    map.toggleSelection(a, false);
    EXPECT_EQ(map.getSelectedRootNodes(), (std::vector<MindMapNode*>{a, b}));
}

TEST_F(MindMapSelectionTest, RootNodesNeedANodeOnlySelection)
{
    EXPECT_TRUE(map.getSelectedRootNodes().empty());
    map.setSelectedElement(link);
    EXPECT_TRUE(map.getSelectedRootNodes().empty());
}

TEST_F(MindMapSelectionTest, RootNodesOfADeepChainAreFound)
{
    MindMapNode* node = b1;
    std::vector<MindMapNode*> chain;
    for (int i = 0; i < 2000; ++i) {
        node = map.addMindMapNodeAsChild(node, Point{0, 0});
        chain.push_back(node);
    }
    map.selectAll(ElementTypeNode);
    EXPECT_EQ(map.getSelectedRootNodes(), (std::vector<MindMapNode*>{a, b}));
}

// ---------------------------------------------------------------------------------------------
// Selecting many

TEST_F(MindMapSelectionTest, SelectAllTopicsInNodeOrderWithOneReport)
{
    map.selectAll(ElementTypeNode);
    EXPECT_EQ(map.selection(), elements({a, a1, a1a, a1b, a2, b, b1}));
    EXPECT_EQ(std::count(log.begin(), log.end(), "editor.selectedElementChanged"), 1);
}

TEST_F(MindMapSelectionTest, SelectAllParentRelationsTakesTheCrossLinksToo)
{
    map.selectAll(ElementTypeParentRelation);
    EXPECT_EQ(map.selection(), elements({a1->parentRelation(), a1a->parentRelation(), a1b->parentRelation(),
                                         a2->parentRelation(), b1->parentRelation(), link}));
    map.selectAll(ElementTypeCrossLink);
    EXPECT_EQ(map.selection(), elements({link}));
}

TEST_F(MindMapSelectionTest, SelectAllImagesAndTexts)
{
    MindMapImage* image = a1->addCustomImage("abc", "");
    link->addCustomImage("def", ""); // images of relations are not taken
    MindMapText* nodeText = a2->addText();
    MindMapText* relationText = a2->parentRelation()->addText();
    MindMapText* linkText = link->addText();
    MindMapText* firstText = a->addText();

    map.selectAll(ElementTypeImage);
    EXPECT_EQ(map.selection(), elements({image}));
    map.selectAll(ElementTypeText);
    EXPECT_EQ(map.selection(), elements({firstText, nodeText, relationText, linkText}));
    map.selectAll(7);
    EXPECT_TRUE(map.selection().empty());
}

TEST_F(MindMapSelectionTest, SelectContainedElementsOfOneType)
{
    MindMapText* first = a->addText();
    a->addCustomImage("abc", "");
    MindMapText* second = a->addText();
    map.selectContainedElements(a, ElementTypeText);
    EXPECT_EQ(map.selection(), elements({first, second}));
    map.selectContainedElements(nullptr, ElementTypeText);
    EXPECT_EQ(map.selection().size(), 2u);
}

// ---------------------------------------------------------------------------------------------
// GUIDs and ids

TEST_F(MindMapSelectionTest, ElementWithGuidWalksNodesBeforeCrossLinks)
{
    MindMapText* nodeText = b1->addText();
    MindMapText* linkText = link->addText();
    nodeText->setGuid("shared");
    linkText->setGuid("shared");
    EXPECT_EQ(map.elementWithGuid("shared"), nodeText);

    // A node comes before its texts, its texts before its parent relation.
    a2->parentRelation()->setGuid("inner");
    MindMapText* a2Text = a2->addText();
    a2Text->setGuid("inner");
    EXPECT_EQ(map.elementWithGuid("inner"), a2Text);
    a2->setGuid("inner");
    EXPECT_EQ(map.elementWithGuid("inner"), a2);

    link->setGuid("link");
    EXPECT_EQ(map.elementWithGuid("link"), link);
    b1->parentRelation()->addText()->setGuid("relation-text");
    EXPECT_EQ(map.elementWithGuid("relation-text"), b1->parentRelation()->containedElements().front());
}

TEST_F(MindMapSelectionTest, LookingUpAGuidNeverMakesOne)
{
    a1->addText();
    EXPECT_EQ(map.elementWithGuid(""), nullptr);
    EXPECT_EQ(map.elementWithGuid("missing"), nullptr);
    for (MindMapNode* node : map.nodes()) {
        EXPECT_FALSE(node->hasGuid());
        EXPECT_FALSE(node->parentRelation()->hasGuid());
    }
    EXPECT_FALSE(link->hasGuid());
    EXPECT_FALSE(a1->containedElements().front()->hasGuid());
}

TEST_F(MindMapSelectionTest, SelectedElementGuidDoesNotMakeOne)
{
    map.setSelectedElement(a1);
    EXPECT_EQ(map.selectedElementGuid(), "");
    EXPECT_FALSE(a1->hasGuid());
    a1->setGuid("abc");
    EXPECT_EQ(map.selectedElementGuid(), "abc");
}

TEST_F(MindMapSelectionTest, SelectingByGuidUncoversAndScrolls)
{
    a1->setCollapsed(true);
    a1a->setGuid("deep");
    ASSERT_FALSE(a1a->isVisible());
    log.clear();
    EXPECT_EQ(map.selectElementWithGuid("deep"), a1a);
    EXPECT_EQ(map.selection(), elements({a1a}));
    EXPECT_TRUE(a1a->isVisible());
    EXPECT_FALSE(a1->collapsed());
    ASSERT_FALSE(editor.scrolledElements.empty());
    EXPECT_EQ(editor.scrolledElements.back(), a1a);
    EXPECT_EQ(notes.incoming.back(), a1a);

    EXPECT_EQ(map.selectElementWithGuid("none"), nullptr);
    EXPECT_EQ(map.selection(), elements({a1a}));
}

TEST_F(MindMapSelectionTest, NodesAreFoundByLoadTimeId)
{
    int64_t id = 10;
    for (MindMapNode* node : map.nodes()) node->setId(id++);
    EXPECT_EQ(map.findNodeOnId(10), a);
    EXPECT_EQ(map.findNodeOnId(16), b1);
    EXPECT_EQ(map.findNodeOnId(17), nullptr);

    // Ids changed after a lookup are still found.
    a->setId(99);
    b1->setId(10);
    EXPECT_EQ(map.findNodeOnId(99), a);
    EXPECT_EQ(map.findNodeOnId(10), b1);

    map.resetIdsForExistingNodes();
    EXPECT_EQ(map.findNodeOnId(99), nullptr);
    EXPECT_EQ(a->id(), -100);
    EXPECT_EQ(a->parentId(), -100);
    MindMapNode* added = map.addMindMapNodeAsChild(b, Point{});
    added->setId(5);
    EXPECT_EQ(map.findNodeOnId(5), added);
}

// ---------------------------------------------------------------------------------------------
// Visibility, drop target, order

TEST_F(MindMapSelectionTest, ForcingANodeVisibleUnhidesAndExpandsItsAncestors)
{
    a1a->setIsHidden(true);
    a->setCollapsed(true);
    ASSERT_FALSE(a1a->isVisible());
    map.forceNodeVisible(a1a);
    EXPECT_FALSE(a1a->isHidden());
    EXPECT_FALSE(a->collapsed());
    EXPECT_TRUE(a1a->isVisible());
    EXPECT_TRUE(a1->isVisible());
}

TEST_F(MindMapSelectionTest, ForcingATextOnALinkVisibleShowsBothEnds)
{
    MindMapText* text = link->addText();
    a->setCollapsed(true);
    b->setCollapsed(true);
    map.forceElementVisible(text);
    EXPECT_TRUE(a2->isVisible());
    EXPECT_TRUE(b1->isVisible());

    MindMapText* nodeText = a1a->addText();
    a1->setCollapsed(true);
    map.forceElementVisible(nodeText);
    EXPECT_TRUE(a1a->isVisible());

    // A relation itself is left as it is.
    a->setCollapsed(true);
    map.forceElementVisible(a2->parentRelation());
    EXPECT_TRUE(a->collapsed());
    map.forceElementVisible(nullptr);
}

TEST_F(MindMapSelectionTest, DropTargetIsFlaggedWhileSet)
{
    map.setDropTarget(a1);
    EXPECT_EQ(map.dropTarget(), a1);
    EXPECT_TRUE(a1->isDropTarget());
    log.clear();
    map.setDropTarget(a1);
    EXPECT_TRUE(log.empty());
    map.setDropTarget(b);
    EXPECT_FALSE(a1->isDropTarget());
    EXPECT_TRUE(b->isDropTarget());
    EXPECT_EQ(log, CallLog{"editor.mindMapChanged"});

    MindMap other;
    other.newMindMap("", true, "Elsewhere");
    map.setDropTarget(other.mainCentralTheme());
    EXPECT_EQ(map.dropTarget(), b);
    map.setDropTarget(nullptr);
    EXPECT_FALSE(b->isDropTarget());
}

TEST_F(MindMapSelectionTest, HierarchicalOrderIsDepthFirstByTheme)
{
    // A node added to the first theme after the second theme's nodes still comes under it.
    MindMapNode* late = map.addMindMapNodeAsChild(a, Point{200, 200});
    std::vector<MindMapNode*> ordered;
    map.collectHierarchicallyOrderedNodes(ordered);
    EXPECT_EQ(ordered, (std::vector<MindMapNode*>{a, a1, a1a, a1b, a2, late, b, b1}));
}

TEST_F(MindMapSelectionTest, ReferencedImagesAndIcons)
{
    EXPECT_FALSE(map.containsImages());
    a1->addCustomImage("abc", "");
    EXPECT_TRUE(map.containsImages());
    b->setIconName("star");
    a1a->setIconName("flag");
    std::set<std::string> icons;
    map.collectReferencedIcons(icons);
    EXPECT_EQ(icons, (std::set<std::string>{"flag", "star"}));
}

// ---------------------------------------------------------------------------------------------
// Hit tests and areas

TEST_F(MindMapSelectionTest, LaterCentralThemeWinsWhereSubtreesOverlap)
{
    // B1 moved right onto A1: both 100 x 20 around their locations.
    b1->setLocation(Point{205, 2});
    EXPECT_EQ(map.hitTestNodes(Point{210, 5}, nullptr), b1);
    // Skipping it reveals the topic below.
    EXPECT_EQ(map.hitTestNodes(Point{210, 5}, b1), a1);
    EXPECT_EQ(map.hitTestNodes(Point{210, 5}, b1, true), a1);
    EXPECT_EQ(map.hitTestNodes(Point{1000, 1000}, nullptr), nullptr);
}

TEST_F(MindMapSelectionTest, FreeTextLyingOverATopicDoesNotHideItFromTopicHitTests)
{
    // A text of B (a later central theme, so asked first) moved onto A1.
    MindMapText* text = b->addText();
    text->setText("over A1");
    text->setMinSize(Size{40, 20});
    map.validateElementStates();
    text->setAbsLocation(a1->location());
    ASSERT_TRUE(text->hitTest(a1->location()));

    EXPECT_EQ(map.hitTestNodes(a1->location(), nullptr), a1);
    EXPECT_EQ(map.hitTestNodes(a1->location(), nullptr, false), a1);
    EXPECT_EQ(map.hitTestNodes(a1->location(), nullptr, true), text);
    // Skipping the topic that carries the text skips the text too.
    EXPECT_EQ(map.hitTestNodes(a1->location(), b, true), a1);
    // The drop-target question the structure editing asks: the topic under the text.
    EXPECT_EQ(map.canDragChangeContainmentParent(text), a1);
}

TEST_F(MindMapSelectionTest, CollapsedBranchesCannotBeHit)
{
    a1->setCollapsed(true);
    EXPECT_EQ(map.hitTestNodes(Point{400, 0}, nullptr), nullptr);
    EXPECT_EQ(map.hitTestNodes(Point{200, 0}, nullptr), a1);
}

TEST_F(MindMapSelectionTest, RelationsAreHitCrossLinksFirst)
{
    EXPECT_EQ(map.hitTestRelations(Point{-500, -500}), nullptr);
    // The cross link runs from A2 (200,100) to B1 (200,400): its middle is on the line.
    link->updatePath();
    EXPECT_EQ(map.hitTestRelations(Point{200, 250}), link);
}

TEST_F(MindMapSelectionTest, VisualAreaAndCenter)
{
    const Rect all = map.getVisualArea(true);
    EXPECT_EQ(all, (Rect{-50, -10, 500, 420}));
    EXPECT_EQ(map.center(), all.center());

    b->setCollapsed(true);
    const Rect shown = map.getVisualArea(false);
    EXPECT_EQ(shown, (Rect{-50, -10, 500, 420})); // B itself is still shown
    a->setCollapsed(true);
    EXPECT_EQ(map.getVisualArea(false), (Rect{-50, -10, 100, 420}));
    EXPECT_EQ(map.getVisualArea(true), all);
    EXPECT_EQ(map.center(), all.center());
}

TEST(MindMapSelectionEmptyTest, CenterOfAMapWithoutNodes)
{
    MindMap map;
    EXPECT_EQ(map.center(), (Point{400, 400}));
    EXPECT_EQ(map.getVisualArea(true), Rect());
}

TEST_F(MindMapSelectionTest, ImageExportSizeAddsThirtyPointsEachSide)
{
    MindMap small;
    small.newMindMap("", false, std::nullopt);
    MindMapNode* left = addTopic(small, nullptr, Point{50, 10}, "L");
    addTopic(small, left, Point{150, 90}, "R");
    // The topics span 200 by 100 points.
    EXPECT_EQ(small.getVisualArea(false), (Rect{0, 0, 200, 100}));
    EXPECT_EQ(small.imageExportSize(), (Size{260, 160}));
}

// ---------------------------------------------------------------------------------------------
// References that must not outlive their elements

TEST_F(MindMapSelectionTest, RemovedCrossLinkLeavesTheSelection)
{
    map.toggleSelection(a1->parentRelation(), false);
    map.toggleSelection(link, false);
    log.clear();
    map.removeCrossLink(link);
    // A secondary element only leaves the selection.
    EXPECT_EQ(std::count(log.begin(), log.end(), "editor.selectedElementChanged"), 0);
    EXPECT_EQ(map.selection(), elements({a1->parentRelation()}));
    EXPECT_TRUE(map.crossLinks().empty());

    // The primary link hands the selection to its source node.
    CrossLink* again = map.internalAddCrossLinkFromSource(a1a, b);
    map.setSelectedElement(again);
    log.clear();
    map.removeCrossLink(again);
    EXPECT_EQ(map.selection(), elements({a1a}));
    EXPECT_EQ(editor.scrolledElements.back(), a1a);

    // A selected text of a link goes with the link.
    CrossLink* third = map.internalAddCrossLinkFromSource(a1b, b1);
    MindMapText* text = third->addText();
    map.setSelectedElement(text);
    log.clear();
    map.removeCrossLink(third);
    EXPECT_TRUE(map.selection().empty());
    // The editors let go of the text before it is destroyed.
    EXPECT_EQ(notes.outgoing.back(), text);
    EXPECT_EQ(notes.incoming.back(), nullptr);
    map.removeCrossLink(third); // no longer in the map: nothing
    map.removeCrossLink(nullptr);
}

TEST_F(MindMapSelectionTest, ReloadingForgetsEveryOldElement)
{
    map.toggleSelection(a1, false);
    map.toggleSelection(a2, false);
    map.setDropTarget(b);
    MindMapSearchData criteria("A");
    criteria.setScope(SearchScopeText);
    map.setSearchData(&criteria);
    ASSERT_FALSE(map.searchMatches().empty());

    map.beginLoading();
    EXPECT_TRUE(map.selection().empty());
    EXPECT_TRUE(map.searchMatches().empty());
    EXPECT_EQ(map.dropTarget(), nullptr);
    EXPECT_TRUE(map.nodes().empty());
    EXPECT_TRUE(map.crossLinks().empty());
    MindMapNode* theme = map.addNodeLoadingAtLocation(Point{});
    theme->setText("Alpha");
    map.nodesLoadedFromIndex(0);
    map.loadingCompleted();

    EXPECT_EQ(map.selection(), elements({theme}));
    // The matches were searched again in the new content.
    EXPECT_EQ(map.searchMatches(), elements({theme}));
    EXPECT_EQ(map.rearrangeMarker()->refNode(), nullptr);
}

} // namespace
