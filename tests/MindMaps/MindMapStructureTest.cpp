#include "MindMapTestSupport.h"

#include "Editor/FeedbackCenter.h"
#include "MindMaps/MindMapImage.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/RelationStyle.h"
#include "platform/Localizer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

using namespace maptest;

namespace {

size_t countOf(const CallLog& log, const std::string& entry)
{
    return static_cast<size_t>(std::count(log.begin(), log.end(), entry));
}

// Every snapshot is the same small text; nothing here undoes, so nothing is read back.
std::string captureNothing(MindMap&)
{
    return "snapshot";
}

bool loadNothing(MindMap&, const std::string&)
{
    return false;
}

// The editor window's side of the feedback centre: records the notifications shown.
class RecordingFeedbackDelegate : public FeedbackProgressDelegate {
public:
    struct Shown {
        std::string title;
        std::string message;
        unsigned state;
        double duration;
    };
    std::vector<Shown> shown;

    void startProgress(double, const std::string&) override {}
    void progress(double, const std::string&) override {}
    void endProgress() override {}
    void showEditorNotification(const std::shared_ptr<FeedbackItem>& item, double duration) override
    {
        shown.push_back(Shown{item->title(), item->message(), item->state(), duration});
    }
};

// The two-theme map of TwoThemeTopics; topics are 100 x 20 around their locations.
class MindMapStructureTest : public ::testing::Test, protected TwoThemeTopics {
protected:
    void SetUp() override
    {
        MindMap::setUndoStateFormat(captureNothing, loadNothing);
        previousDelegate = FeedbackCenter::feedbackCenter().delegate();
        FeedbackCenter::feedbackCenter().setDelegate(&feedback);
        map.setNodeEditor(&editor);
        map.setModelessEditor(&notes);
        map.setHierarchyListener(&outline);
        map.setSearchListener(&search);
        map.newMindMap("", false, std::nullopt);
        addTo(map);
        map.setSelectedElement(nullptr);
        map.validateElementStates();
        manager().removeAllActions();
        log.clear();
    }

    void TearDown() override
    {
        map.setNodeEditor(nullptr);
        map.setModelessEditor(nullptr);
        map.setHierarchyListener(nullptr);
        map.setSearchListener(nullptr);
        FeedbackCenter::feedbackCenter().setDelegate(previousDelegate);
        MindMap::setUndoStateFormat(nullptr, nullptr);
    }

    UndoManager& manager() { return *map.undoManager(); }

    CallLog log;
    RecordingNodeEditor editor{log};
    RecordingModelessEditor notes{log, "notes"};
    RecordingModelessEditor outline{log, "outline"};
    RecordingSearchListener search{log};
    RecordingFeedbackDelegate feedback;
    FeedbackProgressDelegate* previousDelegate = nullptr;
    MindMap map;
};

TEST_F(MindMapStructureTest, RethinkingFollowsNodeOrderAndKeepsTheMainThemeAParentlessOne)
{
    map.setMainCentralTheme(b);
    b->linkToParent(a2); // a bare tree move: the lists are stale now
    a1->linkToParent(nullptr);
    TitleObserver titles(map, log);
    map.rethinkCentralThemes();
    // A1 was made before B: node order, not the order of the changes.
    EXPECT_EQ(map.centralThemes(), (std::vector<MindMapNode*>{a, a1}));
    EXPECT_EQ(map.mainCentralTheme(), a);
    EXPECT_EQ(titles.count, 1);
}

TEST_F(MindMapStructureTest, RemovingANodeTakesItsWholeBranchAndItsLinks)
{
    CrossLink* fromLeaf = map.internalAddCrossLinkFromSource(a1a, b1);
    CrossLink* toLeaf = map.internalAddCrossLinkFromSource(b, a1b);
    CrossLink* staying = map.internalAddCrossLinkFromSource(a2, b1);
    map.setSelectedElement(a1);
    log.clear();

    map.removeMindMapNode(a1);
    EXPECT_EQ(map.nodes(), (std::vector<MindMapNode*>{a, a2, b, b1}));
    EXPECT_EQ(map.crossLinks(), (std::vector<CrossLink*>{staying}));
    (void)fromLeaf;
    (void)toLeaf;
    EXPECT_EQ(a->children(), (std::vector<MindMapNode*>{a2}));
    EXPECT_EQ(a2->indexInParent(), 0u);
    // The removed node's parent takes the selection; the tools are rebuilt once, at the end.
    EXPECT_EQ(map.selection(), elements({a}));
    EXPECT_TRUE(a->isSelected());
    EXPECT_EQ(countOf(log, "editor.updateElementTools:none"), 1u);
    EXPECT_EQ(countOf(log, "outline.hierarchyChanged"), 1u);
    EXPECT_EQ(countOf(log, "editor.selectedElementChanged"), 1u);
    EXPECT_TRUE(map.needsLayout());
    EXPECT_EQ(map.centralThemes(), (std::vector<MindMapNode*>{a, b}));
    EXPECT_FALSE(manager().canUndo()) << "removal takes no undo step of its own";
}

TEST_F(MindMapStructureTest, RemovingTheMainCentralThemeMakesTheNextOneMain)
{
    ASSERT_EQ(map.mainCentralTheme(), a);
    EXPECT_EQ(map.title(), "A");
    TitleObserver titles(map, log);
    map.removeMindMapNode(a);
    EXPECT_EQ(map.mainCentralTheme(), b);
    EXPECT_EQ(map.title(), "B");
    EXPECT_EQ(titles.count, 1);
    EXPECT_EQ(map.centralThemes(), (std::vector<MindMapNode*>{b}));

    // The last one leaves an empty map.
    map.removeMindMapNode(b);
    EXPECT_TRUE(map.isEmpty());
    EXPECT_EQ(map.mainCentralTheme(), nullptr);
    EXPECT_EQ(map.title(), localized("mindmap_empty_map"));
}

TEST_F(MindMapStructureTest, RemovedNodesCannotBeFoundByIdAndForeignParentsAreRefused)
{
    a1->setId(7);
    a1a->setId(8);
    ASSERT_EQ(map.findNodeOnId(8), a1a);
    map.removeMindMapNode(a1);
    EXPECT_EQ(map.findNodeOnId(8), nullptr);
    EXPECT_EQ(map.findNodeOnId(7), nullptr);

    MindMap other;
    other.newMindMap("", true, std::string("Other"));
    EXPECT_EQ(map.addMindMapNodeAsChild(other.mainCentralTheme(), Point{}), nullptr);
    EXPECT_EQ(map.internalAddCrossLinkFromSource(a2, other.mainCentralTheme()), nullptr);
    EXPECT_TRUE(other.mainCentralTheme()->children().empty());
}

TEST_F(MindMapStructureTest, SelectionInsideARemovedBranchIsDropped)
{
    // A descendant was the primary element: nothing stays selected.
    map.setSelectedElement(a1a);
    map.toggleSelection(b1, false);
    map.removeMindMapNode(a1);
    EXPECT_TRUE(map.selection().empty());
    EXPECT_FALSE(b1->isSelected());

    // Secondary elements of the branch only leave the selection.
    map.setSelectedElement(b1);
    map.toggleSelection(a2, false);
    log.clear();
    map.removeMindMapNode(a2);
    EXPECT_EQ(map.selection(), elements({b1}));
    EXPECT_EQ(countOf(log, "editor.selectedElementChanged"), 0u);
}

TEST_F(MindMapStructureTest, SelectedTextOfARemovedNodeIsLetGoBeforeItIsDestroyed)
{
    MindMapText* text = a1a->addText();
    MindMapText* lineText = a1b->parentRelation()->addText();
    map.setSelectedElement(text);
    map.toggleSelection(lineText, false);
    map.removeMindMapNode(a1);
    EXPECT_TRUE(map.selection().empty());
    EXPECT_EQ(notes.outgoing.back(), text);
    EXPECT_EQ(notes.incoming.back(), nullptr);
}

TEST_F(MindMapStructureTest, SelectedLinkOfARemovedNodeGoesToItsSourceWhenTheSourceStays)
{
    CrossLink* link = map.internalAddCrossLinkFromSource(b1, a1a);
    map.setSelectedElement(link);
    log.clear();
    map.removeMindMapNode(a1);
    EXPECT_EQ(map.selection(), elements({b1}));
    EXPECT_EQ(editor.scrolledElements.back(), b1);

    // A link whose source goes too leaves nothing selected, and certainly not the removed source.
    CrossLink* leaving = map.internalAddCrossLinkFromSource(a2, b1);
    map.setSelectedElement(leaving);
    map.removeMindMapNode(a2);
    EXPECT_TRUE(map.selection().empty());
    EXPECT_TRUE(map.crossLinks().empty());

    // Both ends in the removed branch.
    MindMapNode* c = addTopic(map, b1, Point{400, 400}, "C");
    CrossLink* inside = map.internalAddCrossLinkFromSource(c, b);
    map.setSelectedElement(inside);
    map.removeMindMapNode(b);
    EXPECT_TRUE(map.selection().empty());
}

TEST_F(MindMapStructureTest, RemovedMatchesLeaveTheSearch)
{
    MindMapSearchData criteria("A1");
    criteria.setScope(SearchScopeText);
    map.setSearchData(&criteria);
    ASSERT_EQ(map.searchMatches().size(), 3u); // A1, A1a, A1b
    search.calls = 0;
    map.removeMindMapNode(a1a);
    EXPECT_EQ(map.searchMatches(), elements({a1, a1b}));
    EXPECT_EQ(search.calls, 1);
}

TEST_F(MindMapStructureTest, DropTargetAndRearrangeMarkerForgetRemovedNodes)
{
    map.setDropTarget(a1a);
    map.rearrangeMarker()->setRefNode(a1b);
    map.removeMindMapNode(a1);
    EXPECT_EQ(map.dropTarget(), nullptr);
    EXPECT_EQ(map.rearrangeMarker()->refNode(), nullptr);

    // Others are kept.
    map.setDropTarget(b1);
    map.rearrangeMarker()->setRefNode(b);
    map.removeMindMapNode(a2);
    EXPECT_EQ(map.dropTarget(), b1);
    EXPECT_EQ(map.rearrangeMarker()->refNode(), b);
}

TEST_F(MindMapStructureTest, RemovingChildrenKeepsTheNodeAndShowsIt)
{
    CrossLink* link = map.internalAddCrossLinkFromSource(a1a, b1);
    (void)link;
    a->setCollapsed(true);
    map.setSelectedElement(a1);
    log.clear();
    map.removeChildNodes(a);
    EXPECT_EQ(map.nodes(), (std::vector<MindMapNode*>{a, b, b1}));
    EXPECT_TRUE(a->children().empty());
    EXPECT_TRUE(map.crossLinks().empty());
    // The selected child hands the selection to the node.
    EXPECT_EQ(map.selection(), elements({a}));
    EXPECT_TRUE(a->isVisible());
    EXPECT_FALSE(a->collapsed());
    EXPECT_EQ(countOf(log, "editor.updateElementTools:none"), 1u);
    EXPECT_EQ(countOf(log, "outline.hierarchyChanged"), 1u);

    // A selected grandchild leaves nothing selected.
    addTopic(map, b1, Point{400, 400}, "C");
    map.setSelectedElement(b1->children().front());
    map.removeChildNodes(b);
    EXPECT_TRUE(map.selection().empty());
    EXPECT_EQ(map.nodes(), (std::vector<MindMapNode*>{a, b}));
}

// A map read in one go (building it topic by topic would itself walk every ancestor chain): a
// main branch with `wide` children, and a central theme with a chain `deep` topics long whose
// last topic has `leaves` children.
struct LargeMap {
    MindMap map;
    MindMapNode* theme = nullptr;
    MindMapNode* wide = nullptr;
    MindMapNode* deep = nullptr;
    MindMapNode* last = nullptr;

    LargeMap(int wideCount, int deepCount, int leaves)
    {
        map.beginLoading();
        theme = map.addNodeLoadingAtLocation(Point{});
        wide = map.addNodeLoadingAtLocation(Point{});
        wide->setParent(theme);
        for (int i = 0; i < wideCount; ++i) map.addNodeLoadingAtLocation(Point{})->setParent(wide);
        deep = map.addNodeLoadingAtLocation(Point{0, 400});
        last = deep;
        for (int i = 0; i < deepCount; ++i) {
            MindMapNode* node = map.addNodeLoadingAtLocation(Point{0, 400});
            node->setParent(last);
            last = node;
        }
        for (int i = 0; i < leaves; ++i) map.addNodeLoadingAtLocation(Point{0, 400})->setParent(last);
        map.nodesLoadedFromIndex(0);
        map.loadingCompleted();
    }
};

TEST(MindMapStructureLargeTest, RemovingWideAndDeepBranchesIsLinear)
{
    // Removing either must neither recurse nor shift the child lists once per child.
    const int count = 60000;
    LargeMap large(count, count, 0);
    MindMap& map = large.map;
    map.internalAddCrossLinkFromSource(large.last, large.wide->children().back());
    map.setSelectedElement(large.wide->children()[10]);
    map.toggleSelection(large.wide->children().back(), false);
    map.toggleSelection(large.last, false);

    const auto start = std::chrono::steady_clock::now();
    map.removeChildNodes(large.wide);
    map.removeMindMapNode(large.deep);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(map.nodes(), (std::vector<MindMapNode*>{large.theme, large.wide}));
    EXPECT_TRUE(map.crossLinks().empty());
    EXPECT_EQ(map.selection(), elements({large.wide}));
    EXPECT_LT(elapsed, std::chrono::seconds(5));
}

TEST(MindMapStructureLargeTest, DraggingManyTopicsOfADeepBranchIsLinear)
{
    // Many roots deep below one strict-layout branch: the branch is found once per ancestor, not
    // once per root and ancestor.
    const int count = 30000;
    LargeMap large(0, count, count);
    RecordingFeedbackDelegate feedback;
    FeedbackProgressDelegate* previous = FeedbackCenter::feedbackCenter().delegate();
    FeedbackCenter::feedbackCenter().setDelegate(&feedback);
    large.deep->setLayoutMode(1);
    std::vector<MindMapNode*> leaves = large.last->children();

    const auto start = std::chrono::steady_clock::now();
    large.map.nodeDragEnded(nullptr, leaves, false, nullptr);
    // Under the first leaf lie only its fellow roots and their parent: no target.
    EXPECT_EQ(large.map.canDragChangeNodeParent(leaves.front(), leaves), nullptr);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    FeedbackCenter::feedbackCenter().setDelegate(previous);
    EXPECT_EQ(feedback.shown.size(), 1u);
    EXPECT_LT(elapsed, std::chrono::seconds(5));
}

TEST_F(MindMapStructureTest, CrossLinkRules)
{
    MindMap other;
    other.newMindMap("", true, std::string("Other"));
    // No self links, no link between parent and child either way, nothing outside the map.
    EXPECT_FALSE(map.canCreateCrossLinkFromSource(a1, a1));
    EXPECT_FALSE(map.canCreateCrossLinkFromSource(a1, a1a));
    EXPECT_FALSE(map.canCreateCrossLinkFromSource(a1a, a1));
    EXPECT_FALSE(map.canCreateCrossLinkFromSource(nullptr, a1));
    EXPECT_FALSE(map.canCreateCrossLinkFromSource(a1, nullptr));
    EXPECT_FALSE(map.canCreateCrossLinkFromSource(a1, other.mainCentralTheme()));
    // A grandchild, a sibling and another branch are fine.
    EXPECT_TRUE(map.canCreateCrossLinkFromSource(a, a1a));
    EXPECT_TRUE(map.canCreateCrossLinkFromSource(a1a, a));
    EXPECT_TRUE(map.canCreateCrossLinkFromSource(a1, a2));
    EXPECT_TRUE(map.canCreateCrossLinkFromSource(a1a, b1));

    map.internalAddCrossLinkFromSource(a1a, b1);
    // No second link between the same two, in either direction.
    EXPECT_TRUE(map.containsCrossLinkBetween(a1a, b1));
    EXPECT_TRUE(map.containsCrossLinkBetween(b1, a1a));
    EXPECT_FALSE(map.canCreateCrossLinkFromSource(a1a, b1));
    EXPECT_FALSE(map.canCreateCrossLinkFromSource(b1, a1a));
    EXPECT_FALSE(map.containsCrossLinkBetween(a1a, b));
    EXPECT_FALSE(map.containsCrossLinkBetween(nullptr, b1));
}

TEST_F(MindMapStructureTest, AddingALinkIsOneNamedStepWhenATopicIsSelected)
{
    map.setSelectedElement(a1a);
    log.clear();
    CrossLink* link = map.addCrossLinkFromSource(a1a, b1);
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->sourceNode(), a1a);
    EXPECT_EQ(link->targetNode(), b1);
    EXPECT_EQ(map.crossLinks().back(), link);
    EXPECT_TRUE(map.needsLayout());
    EXPECT_EQ(countOf(log, "editor.cancelEditorModes"), 1u);
    EXPECT_EQ(countOf(log, "editor.mindMapChanged"), 1u);
    EXPECT_TRUE(manager().canUndo());
    EXPECT_EQ(manager().undoActionName(), localized("undoable_op_add_cross_link"));

    // Without a selected topic the link is made but no step registered.
    manager().removeAllActions();
    map.setSelectedElement(nullptr);
    ASSERT_NE(map.addCrossLinkFromSource(a2, b1), nullptr);
    EXPECT_FALSE(manager().canUndo());
}

TEST_F(MindMapStructureTest, ManyLinksAreAddedWithoutComparingEachWithEveryOther)
{
    const int count = 30000;
    map.beginLoading();
    std::vector<MindMapNode*> nodes;
    for (int i = 0; i <= count; ++i) nodes.push_back(map.addNodeLoadingAtLocation(Point{}));
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i) {
        ASSERT_NE(map.addCrossLinkFromSource(nodes[i], nodes[i + 1]), nullptr);
        ASSERT_EQ(map.addCrossLinkFromSource(nodes[i + 1], nodes[i]), nullptr);
    }
    const auto elapsed = std::chrono::steady_clock::now() - start;
    map.nodesLoadedFromIndex(0);
    map.loadingCompleted();
    EXPECT_EQ(map.crossLinks().size(), static_cast<size_t>(count));
    EXPECT_LT(elapsed, std::chrono::seconds(5));
}

TEST_F(MindMapStructureTest, LinkLookupsFollowClearingAndReloading)
{
    map.internalAddCrossLinkFromSource(a1a, b1);
    ASSERT_TRUE(map.containsCrossLinkBetween(a1a, b1));
    // The old content goes, new nodes may even reuse the old addresses.
    map.beginLoading();
    EXPECT_TRUE(map.crossLinks().empty());
    MindMapNode* x = map.addNodeLoadingAtLocation(Point{});
    MindMapNode* y = map.addNodeLoadingAtLocation(Point{200, 0});
    MindMapNode* z = map.addNodeLoadingAtLocation(Point{400, 0});
    EXPECT_FALSE(map.containsCrossLinkBetween(x, y));
    EXPECT_NE(map.addCrossLinkFromSource(x, y), nullptr);
    EXPECT_NE(map.addCrossLinkFromSource(y, z), nullptr);
    map.nodesLoadedFromIndex(0);
    map.loadingCompleted();
    EXPECT_TRUE(map.containsCrossLinkBetween(y, x));
    EXPECT_TRUE(map.containsCrossLinkBetween(z, y));
    EXPECT_FALSE(map.containsCrossLinkBetween(x, z));

    map.removeCrossLink(map.crossLinks().front());
    EXPECT_FALSE(map.containsCrossLinkBetween(x, y));
    EXPECT_TRUE(map.containsCrossLinkBetween(y, z));
}

TEST_F(MindMapStructureTest, ReconnectingMovesTheEndsAsOneStep)
{
    CrossLink* link = map.internalAddCrossLinkFromSource(a1a, b1);
    map.reconnectCrossLink(link, a2, b1);
    EXPECT_EQ(link->sourceNode(), a2);
    EXPECT_EQ(link->targetNode(), b1);
    EXPECT_TRUE(map.needsLayout());
    EXPECT_EQ(manager().undoActionName(), localized("undoable_op_change_relation"));
    EXPECT_TRUE(map.containsCrossLinkBetween(a2, b1));
    EXPECT_FALSE(map.containsCrossLinkBetween(a1a, b1));
    EXPECT_TRUE(map.canCreateCrossLinkFromSource(a1a, b1));
}

TEST_F(MindMapStructureTest, RefusedReconnectionsChangeNothing)
{
    CrossLink* link = map.internalAddCrossLinkFromSource(a1a, b1);
    map.internalAddCrossLinkFromSource(a2, b1);
    CrossLink* foreign = nullptr;
    MindMap other;
    other.newMindMap("", true, std::string("Other"));
    MindMapNode* otherChild = other.addMindMapNodeAsChild(other.mainCentralTheme(), Point{200, 0});
    foreign = other.internalAddCrossLinkFromSource(otherChild, other.mainCentralTheme());
    log.clear();

    map.reconnectCrossLink(link, a1a, b1);  // the pair it already joins
    map.reconnectCrossLink(link, b1, a1a);  // the same pair the other way
    map.reconnectCrossLink(link, a2, b1);   // another link joins those
    map.reconnectCrossLink(link, a1, a1a);  // parent and child
    map.reconnectCrossLink(link, a1a, a1a); // itself
    map.reconnectCrossLink(link, nullptr, b1);
    map.reconnectCrossLink(nullptr, a, b);
    map.reconnectCrossLink(foreign, a, b);
    EXPECT_EQ(link->sourceNode(), a1a);
    EXPECT_EQ(link->targetNode(), b1);
    EXPECT_EQ(foreign->sourceNode(), otherChild);
    EXPECT_FALSE(manager().canUndo());
    EXPECT_TRUE(log.empty());
}

TEST_F(MindMapStructureTest, RemovingLinksBetweenTwoNodesTakesBothDirections)
{
    map.internalAddCrossLinkFromSource(a1a, b1);
    CrossLink* other = map.internalAddCrossLinkFromSource(a2, b1);
    CrossLink* back = map.internalAddCrossLinkFromSource(b1, a1a); // unchecked: a duplicate
    map.setSelectedElement(back);
    map.toggleSelection(a1->parentRelation(), false);
    log.clear();
    map.removeCrossLinksBetween(a1a, b1);
    EXPECT_EQ(map.crossLinks(), (std::vector<CrossLink*>{other}));
    EXPECT_FALSE(map.containsCrossLinkBetween(a1a, b1));
    // The selected link is not left selected after it is gone: its source takes over.
    EXPECT_EQ(map.selection(), elements({b1}));
    EXPECT_GE(countOf(log, "editor.mindMapChanged"), 1u);

    log.clear();
    map.removeCrossLinksBetween(a1a, b1); // none left
    map.removeCrossLinksBetween(nullptr, b1);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(map.crossLinks().size(), 1u);
}

TEST_F(MindMapStructureTest, IntegrityKeepsTheFirstOfDuplicatesAndDropsBrokenLinks)
{
    CrossLink* first = map.internalAddCrossLinkFromSource(a1a, b1);
    CrossLink* reverse = map.internalAddCrossLinkFromSource(b1, a1a);
    CrossLink* self = map.internalAddCrossLinkFromSource(a2, a2);
    CrossLink* down = map.internalAddCrossLinkFromSource(a1, a1b);
    CrossLink* up = map.internalAddCrossLinkFromSource(a1b, a1);
    CrossLink* grand = map.internalAddCrossLinkFromSource(a, a1a);
    CrossLink* loose = map.internalAddCrossLinkFromSource(a2, nullptr);
    CrossLink* third = map.internalAddCrossLinkFromSource(a1a, b1);
    CrossLink* sound = map.internalAddCrossLinkFromSource(a2, b);
    (void)reverse, (void)self, (void)down, (void)up, (void)loose, (void)third;
    map.setSelectedElement(third);
    map.checkCrossLinksIntegrity();
    EXPECT_EQ(map.crossLinks(), (std::vector<CrossLink*>{first, grand, sound}));
    // The removed duplicate handed the selection to its source.
    EXPECT_EQ(map.selection(), elements({a1a}));

    // A sound map is left alone, without a report.
    log.clear();
    map.checkCrossLinksIntegrity();
    EXPECT_EQ(map.crossLinks().size(), 3u);
    EXPECT_TRUE(log.empty());
}

TEST_F(MindMapStructureTest, ReParentedLinkPartnersLoseTheirLink)
{
    CrossLink* toNewParent = map.internalAddCrossLinkFromSource(b1, a2);
    CrossLink* fromNewParent = map.internalAddCrossLinkFromSource(a2, a1b);
    CrossLink* toGrandparent = map.internalAddCrossLinkFromSource(b1, a);
    map.setSelectedElement(toNewParent);
    UndoState drag = map.prepareDelayedUndoableOperation(localized("undoable_op_move_element"));
    map.nodeDragEnded(a2, {b1, a1b}, false, drag);
    EXPECT_EQ(b1->parent(), a2);
    EXPECT_EQ(a1b->parent(), a2);
    // The links between each root and its new parent are gone; the one to the grandparent is not
    // between parent and child and stays.
    EXPECT_EQ(map.crossLinks(), (std::vector<CrossLink*>{toGrandparent}));
    (void)fromNewParent;
    EXPECT_EQ(map.selection(), elements({b1}));
    EXPECT_FALSE(map.canCreateCrossLinkFromSource(a2, b1));
}

TEST_F(MindMapStructureTest, ReParentingInsideAnUpdateDropsTheLinkWhenTheUpdateEnds)
{
    CrossLink* link = map.internalAddCrossLinkFromSource(b1, a2);
    CrossLink* unrelated = map.internalAddCrossLinkFromSource(a1a, b);
    {
        MindMap::UpdateGuard outer(map);
        {
            MindMap::UpdateGuard inner(map);
            b1->setParent(a2);
        }
        // Only the outermost update checks.
        EXPECT_EQ(map.crossLinks(), (std::vector<CrossLink*>{link, unrelated}));
    }
    EXPECT_EQ(b1->parent(), a2);
    EXPECT_EQ(map.crossLinks(), (std::vector<CrossLink*>{unrelated}));
}

TEST_F(MindMapStructureTest, BareTreeMovesLeaveTheLinkToTheIntegrityCheckAndValidation)
{
    map.internalAddCrossLinkFromSource(a2, b1); // under the link source
    {
        MindMap::UpdateGuard update(map);
        b1->setParent(a2);
    }
    EXPECT_TRUE(map.crossLinks().empty());
    EXPECT_FALSE(map.canCreateCrossLinkFromSource(a2, b1));

    map.internalAddCrossLinkFromSource(a1a, b);
    a1a->setParent(b);
    ASSERT_EQ(map.crossLinks().size(), 1u);
    map.checkCrossLinksIntegrity();
    EXPECT_TRUE(map.crossLinks().empty());

    map.internalAddCrossLinkFromSource(a1b, b1);
    a1b->setParent(b1);
    map.validateElementStates();
    EXPECT_TRUE(map.crossLinks().empty());
}

TEST_F(MindMapStructureTest, RemovingAParentRelationMakesTheTopicACentralTheme)
{
    ParentRelation* relation = a1->parentRelation();
    relation->setColor(Color{1, 0, 0, 1});
    ASSERT_NE(relation->style()->customizedProps(), 0u);
    relation->addText();
    map.setSelectedElement(relation);
    log.clear();
    TitleObserver titles(map, log);
    map.removeParentRelation(relation);
    EXPECT_EQ(a1->parent(), nullptr);
    EXPECT_EQ(a1->children().size(), 2u) << "the branch goes with it";
    EXPECT_EQ(map.centralThemes(), (std::vector<MindMapNode*>{a, a1, b}));
    EXPECT_EQ(relation->style()->customizedProps(), 0u);
    EXPECT_FALSE(relation->hasContainedElements());
    EXPECT_EQ(map.selection(), elements({a1}));
    EXPECT_EQ(editor.scrolledElements.back(), a1);
    EXPECT_EQ(titles.count, 1);
    EXPECT_EQ(map.mainCentralTheme(), a);
}

TEST(MindMapStructureImageTest, RemovingATextOrImageSelectsItsContainerAndDropsUnusedImages)
{
    auto store = std::make_shared<FakeImageStore>();
    MindMap map(store);
    map.newMindMap("", true, std::string("Theme"));
    MindMapNode* theme = map.mainCentralTheme();
    MindMapImage* image = theme->addCustomImage("hash", "thumb");
    MindMapText* text = theme->addText();
    MindMapText* other = theme->addText();
    map.setSelectedElement(text);
    map.toggleSelection(other, false);
    const int drops = store->drops;

    map.removeContainedElement(other); // secondary: only leaves the selection
    EXPECT_EQ(map.selection(), elements({text}));
    EXPECT_EQ(store->drops, drops + 1);
    map.removeContainedElement(text);
    EXPECT_EQ(map.selection(), elements({theme}));
    map.setSelectedElement(image);
    map.removeContainedElement(image);
    EXPECT_EQ(map.selection(), elements({theme}));
    EXPECT_FALSE(theme->hasContainedElements());
    EXPECT_EQ(store->drops, drops + 3);

    map.removeContainedElement(nullptr);
    EXPECT_EQ(store->drops, drops + 3);
}

TEST_F(MindMapStructureTest, DropTargetIsTheExpandedTopicUnderTheDraggedOne)
{
    // B1 dragged onto A2.
    b1->setLocation(Point{210, 105});
    EXPECT_EQ(map.canDragChangeNodeParent(b1, {b1}), a2);
    // A collapsed topic takes nothing.
    a2->setCollapsed(true); // without children it stays expanded
    EXPECT_EQ(map.canDragChangeNodeParent(b1, {b1}), a2);
    b1->setLocation(Point{205, 2}); // onto A1
    a1->setCollapsed(true);
    EXPECT_EQ(map.canDragChangeNodeParent(b1, {b1}), nullptr);
    a1->setCollapsed(false);
    EXPECT_EQ(map.canDragChangeNodeParent(b1, {b1}), a1);
    // Nothing under it, no roots, nothing dragged.
    b1->setLocation(Point{1000, 1000});
    EXPECT_EQ(map.canDragChangeNodeParent(b1, {b1}), nullptr);
    EXPECT_EQ(map.canDragChangeNodeParent(b1, {}), nullptr);
    EXPECT_EQ(map.canDragChangeNodeParent(nullptr, {b1}), nullptr);
    EXPECT_EQ(map.canDragChangeNodeParent(b1, {b1, nullptr}), nullptr);
}

TEST_F(MindMapStructureTest, DropTargetRefusesTheCurrentParentAndTheRootsOwnBranches)
{
    // A1a dragged a little: still over its parent A1? No: over its sibling A1b.
    a1a->setLocation(Point{405, 55});
    EXPECT_EQ(map.canDragChangeNodeParent(a1a, {a1a}), a1b);
    // Over its own parent: nothing changes, so no target.
    a1a->setLocation(Point{205, 5});
    EXPECT_EQ(map.canDragChangeNodeParent(a1a, {a1a}), nullptr);
    // A1 dragged onto its own child A1b: a root may not go below itself.
    a1->setLocation(Point{405, 62});
    EXPECT_EQ(map.canDragChangeNodeParent(a1, {a1}), nullptr);
    // One root of several being the target's ancestor refuses the target for all.
    b1->setLocation(Point{405, 62});
    EXPECT_EQ(map.canDragChangeNodeParent(b1, {b1, a1}), nullptr);
    EXPECT_EQ(map.canDragChangeNodeParent(b1, {b1}), a1b);
}

TEST_F(MindMapStructureTest, DroppingACentralThemeOntoATopicMakesItAChild)
{
    CrossLink* link = map.internalAddCrossLinkFromSource(b, a2);
    CrossLink* kept = map.internalAddCrossLinkFromSource(b1, a1);
    b->setCollapsed(true);
    map.setSelectedElement(b);
    UndoState drag = map.prepareDelayedUndoableOperation(localized("undoable_op_move_element"));
    map.nodeDragEnded(a2, {b}, false, drag);
    EXPECT_EQ(b->parent(), a2);
    EXPECT_EQ(a2->children().back(), b);
    EXPECT_EQ(map.centralThemes(), (std::vector<MindMapNode*>{a}));
    EXPECT_EQ(map.crossLinks(), (std::vector<CrossLink*>{kept}));
    (void)link;
    // Fully expanded under its new parent.
    EXPECT_FALSE(b->collapsed());
    EXPECT_TRUE(b1->isVisible());
    EXPECT_EQ(map.mainCentralTheme(), a);
    EXPECT_TRUE(manager().canUndo());
    EXPECT_EQ(manager().undoActionName(), localized("undoable_op_change_parent"));
}

TEST_F(MindMapStructureTest, RootsThatCannotTakeTheParentStayButTheStepIsPushed)
{
    UndoState drag = map.prepareDelayedUndoableOperation(localized("undoable_op_move_element"));
    // A1 cannot go below its own child; A1b already hangs below A1.
    map.nodeDragEnded(a1a, {a1}, false, drag);
    EXPECT_EQ(a1->parent(), a);
    EXPECT_EQ(a1a->parent(), a1);
    EXPECT_EQ(manager().undoActionName(), localized("undoable_op_change_parent"));

    manager().removeAllActions();
    drag = map.prepareDelayedUndoableOperation(localized("undoable_op_move_element"));
    map.nodeDragEnded(a1, {a1b, a2}, false, drag);
    EXPECT_EQ(a1->children(), (std::vector<MindMapNode*>{a1a, a1b, a2}));
    EXPECT_EQ(a->children(), (std::vector<MindMapNode*>{a1}));

    // A new parent of another map attaches nothing.
    MindMap other;
    other.newMindMap("", true, std::string("Other"));
    drag = map.prepareDelayedUndoableOperation(localized("undoable_op_move_element"));
    map.nodeDragEnded(other.mainCentralTheme(), {b1}, false, drag);
    EXPECT_EQ(b1->parent(), b);
    EXPECT_TRUE(other.mainCentralTheme()->children().empty());
}

TEST_F(MindMapStructureTest, RestrictedMoveNamesTheStrictBranchShortened)
{
    // A long name with a line break, in a branch laid out by A1 (strict horizontal).
    const std::string name = "Strict\nbranch " + std::string(60, 'x');
    a1->setText(name);
    a1->setLayoutMode(1);
    map.validateElementStates();
    UndoState drag = map.prepareDelayedUndoableOperation(localized("undoable_op_move_element"));
    map.nodeDragEnded(nullptr, {a1a, a1b}, false, drag);
    ASSERT_EQ(feedback.shown.size(), 1u);
    const auto& shown = feedback.shown.front();
    EXPECT_EQ(shown.title, localized("editor_auto_layout_restricted_move_title"));
    const std::string shortName = "Strict branch " + std::string(36, 'x') + "\u2026";
    EXPECT_EQ(shown.message, localized("editor_auto_layout_restricted_move_message") + "\n\n" + shortName);
    EXPECT_EQ(shown.state, 0u);
    EXPECT_DOUBLE_EQ(shown.duration, 3.0);
    EXPECT_EQ(manager().undoActionName(), localized("undoable_op_move_element"));

    a1->setLayoutMode(0); // free topics move quietly
    drag = map.prepareDelayedUndoableOperation(localized("undoable_op_move_element"));
    map.nodeDragEnded(nullptr, {a1a, b1}, false, drag);
    EXPECT_EQ(feedback.shown.size(), 1u);
}

TEST_F(MindMapStructureTest, RestrictedMoveCountsCharactersNotBytes)
{
    // Exactly 50 characters of two bytes each: shown whole. One more: cut after 50.
    std::string fifty;
    for (int i = 0; i < 50; ++i) fifty += "\u00e9";
    a1->setText(fifty);
    a1->setLayoutMode(1);
    map.validateElementStates();
    map.nodeDragEnded(nullptr, {a1a}, false, nullptr);
    ASSERT_EQ(feedback.shown.size(), 1u);
    EXPECT_EQ(feedback.shown[0].message, localized("editor_auto_layout_restricted_move_message") + "\n\n" + fifty);

    a1->setText(fifty + "\u00e9");
    map.validateElementStates();
    map.nodeDragEnded(nullptr, {a1a}, false, nullptr);
    ASSERT_EQ(feedback.shown.size(), 2u);
    EXPECT_EQ(feedback.shown[1].message,
              localized("editor_auto_layout_restricted_move_message") + "\n\n" + fifty + "\u2026");
}

} // namespace
