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

TEST_F(MindMapSelectionTest, ElementsOutsideTheMapAreRefused)
{
    map.setSelectedElement(a);
    log.clear();
    MindMap other;
    other.newMindMap("", true, "Elsewhere");
    MindMapNode loose(&map); // made for this map but never added to it

    for (MindMapElement* stranger :
         {static_cast<MindMapElement*>(other.mainCentralTheme()), static_cast<MindMapElement*>(&loose)}) {
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
    EXPECT_EQ(map.selectionWithMask(17).size(), 2u);

    map.setSelectedElement(a);
    EXPECT_EQ(map.selectionWithMask(1).size(), 1u);
    EXPECT_EQ(map.selectionWithMask(23).size(), 1u);
    EXPECT_TRUE(map.selectionWithMask(30).empty());

    map.setSelectedElement(image);
    EXPECT_EQ(map.selectionWithMask(30).size(), 1u);
    EXPECT_TRUE(map.selectionWithMask(23).empty());
}

TEST_F(MindMapSelectionTest, RootNodesLeaveOutSelectedDescendants)
{
    map.toggleSelection(a1a, false);
    map.toggleSelection(a, false);
    EXPECT_EQ(map.getSelectedRootNodes(), (std::vector<MindMapNode*>{a}));
    map.setSelectedElement(nullptr);
    map.toggleSelection(b, false);
    map.toggleSelection(a1b, false);
    map.toggleSelection(a, false);
    map.toggleSelection(a1a, false);
    EXPECT_EQ(map.getSelectedRootNodes(), (std::vector<MindMapNode*>{a, b})) << "themes in their list order";
    map.setSelectedElement(link);
    EXPECT_TRUE(map.getSelectedRootNodes().empty());
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

TEST_F(MindMapSelectionTest, RemovedCrossLinkLeavesTheSelection)
{
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
