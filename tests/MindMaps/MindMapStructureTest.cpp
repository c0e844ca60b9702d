#include "MindMapTestSupport.h"

#include "MindMaps/MindMapImage.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/RelationStyle.h"
#include "Utils/RecordingFeedbackSink.h"
#include "platform/Localizer.h"

#include <gtest/gtest.h>

#include <algorithm>

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

// The two-theme map of TwoThemeTopics; topics are 100 x 20 around their locations.
class MindMapStructureTest : public ::testing::Test, protected TwoThemeTopics {
protected:
    void SetUp() override
    {
        MindMap::setUndoStateFormat(captureNothing, loadNothing);
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
        MindMap::setUndoStateFormat(nullptr, nullptr);
    }

    UndoManager& manager() { return *map.undoManager(); }

    CallLog log;
    RecordingNodeEditor editor{log};
    RecordingModelessEditor notes{log, "notes"};
    RecordingModelessEditor outline{log, "outline"};
    RecordingSearchListener search{log};
    RecordingFeedbackSink feedback;
    MindMap map;
};

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
    (void)fromLeaf, (void)toLeaf;
    EXPECT_EQ(a2->indexInParent(), 0u);
    // The removed node's parent takes the selection; the tools are rebuilt once, at the end.
    EXPECT_EQ(map.selection(), elements({a}));
    EXPECT_EQ(countOf(log, "editor.updateElementTools:none"), 1u);
    EXPECT_EQ(countOf(log, "outline.hierarchyChanged"), 1u);
    EXPECT_FALSE(manager().canUndo()) << "removal takes no undo step of its own";
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

    map.removeChildNodes(large.wide);
    map.removeMindMapNode(large.deep);
    EXPECT_EQ(map.nodes(), (std::vector<MindMapNode*>{large.theme, large.wide}));
    EXPECT_TRUE(map.crossLinks().empty());
    EXPECT_EQ(map.selection(), elements({large.wide}));
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
    EXPECT_FALSE(map.canCreateCrossLinkFromSource(a1, other.mainCentralTheme()));
    // A grandchild, a sibling and another branch are fine.
    EXPECT_TRUE(map.canCreateCrossLinkFromSource(a, a1a));
    EXPECT_TRUE(map.canCreateCrossLinkFromSource(a1a, b1));

    map.internalAddCrossLinkFromSource(a1a, b1);
    // No second link between the same two, in either direction.
    EXPECT_TRUE(map.containsCrossLinkBetween(a1a, b1));
    EXPECT_FALSE(map.canCreateCrossLinkFromSource(a1a, b1));
    EXPECT_FALSE(map.canCreateCrossLinkFromSource(b1, a1a));
    EXPECT_FALSE(map.containsCrossLinkBetween(a1a, b));
}

TEST_F(MindMapStructureTest, AddingALinkIsOneNamedStepWhenATopicIsSelected)
{
    map.setSelectedElement(a1a);
    ASSERT_NE(map.addCrossLinkFromSource(a1a, b1), nullptr);
    EXPECT_EQ(manager().undoActionName(), localized("undoable_op_add_cross_link"));
    manager().removeAllActions();
    map.setSelectedElement(nullptr);
    ASSERT_NE(map.addCrossLinkFromSource(a2, b1), nullptr);
    EXPECT_FALSE(manager().canUndo());
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

TEST(MindMapStructureImageTest, RemovingATextOrImageSelectsItsContainerAndDropsUnusedImages)
{
    auto store = std::make_shared<MemoryImageStore>();
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

TEST_F(MindMapStructureTest, RestrictedMoveCountsCharactersNotBytes)
{
    // Exactly 50 characters of two bytes each: shown whole. One more: cut after 50.
    std::string fifty;
    for (int i = 0; i < 50; ++i) fifty += "\u00e9";
    a1->setText(fifty);
    a1->setLayoutMode(1);
    map.validateElementStates();
    map.nodeDragEnded(nullptr, {a1a}, false, nullptr);
    ASSERT_EQ(feedback.notifications.size(), 1u);
    EXPECT_EQ(feedback.notifications[0].title, localized("editor_auto_layout_restricted_move_title"));
    EXPECT_DOUBLE_EQ(feedback.notifications[0].duration, 3.0);
    EXPECT_EQ(feedback.notifications[0].message,
              localized("editor_auto_layout_restricted_move_message") + "\n\n" + fifty);

    a1->setText(fifty + "\u00e9");
    map.validateElementStates();
    map.nodeDragEnded(nullptr, {a1a}, false, nullptr);
    ASSERT_EQ(feedback.notifications.size(), 2u);
    EXPECT_EQ(feedback.notifications[1].message,
              localized("editor_auto_layout_restricted_move_message") + "\n\n" + fifty + "\u2026");
}

} // namespace
