// The map's layout commands: the layout-mode choice, reconnecting, dropping on the rearrange
// marker, the layout lock; and positions from files that layout must never follow.

#include "CommandsTestSupport.h"
#include "TwkxTestSupport.h"

#include "MindMaps/MapLayouter.h"
#include "MindMaps/RearrangeMarker.h"
#include "layout/LayoutInstallation.h"

using namespace cmdtest;

namespace {

class CountingLayouter : public MapLayouter {
public:
    int branches = 0;
    void layoutBranch(MindMapNode*, int32_t) override { ++branches; }
};

class LayoutCommandsTest : public CommandsTest {
protected:
    ~LayoutCommandsTest() override { installLayout(); }
    // A gets the children A1, A2, C3, C4, C5.
    void fiveChildren()
    {
        for (const char* text : {"C3", "C4", "C5"})
            map.addMindMapNodeAsChild(topic("A"), Point{200, 300})->setText(text);
        undoManager().removeAllActions();
    }
    void dropOnMarker(MindMapNode* parent, int64_t index, int32_t info, const std::vector<MindMapNode*>& dragged,
                      bool horizontal = false, Point dragStart = {})
    {
        map.rearrangeMarker()->setRefNode(parent);
        map.rearrangeMarker()->setIndex(index);
        map.rearrangeMarker()->setInfo(info);
        map.rearrangeMarker()->setHorizontal(horizontal);
        map.rearrangeNodeDragEnded(dragged, map.prepareDelayedUndoableOperation(localized("undoable_op_move_element")),
                                   dragStart);
    }
};

TEST_F(LayoutCommandsTest, LayoutModeIsOneStepThatKeepsTheChosenDirectionAndClearsNestedModes)
{
    topic("A1")->setLayoutMode(2);
    topic("A2")->setLayoutMode(4);
    map.setSelectedElement(topic("A"));
    expectOneUndoStep("undoable_op_layout", [&] { map.layoutModeSelected(4, 3); });
    EXPECT_EQ(topic("A")->layoutDirection(), 3);
    for (const char* nested : {"A1", "A2"}) {
        EXPECT_EQ(topic(nested)->layoutMode(), 0) << nested;
        EXPECT_EQ(topic(nested)->layoutDirection(), 0) << nested;
    }
}

TEST_F(LayoutCommandsTest, ReconnectMovesToTheIndexAsSeenBeforeTheMove)
{
    fiveChildren();
    expectOneUndoStep("undoable_op_change_parent", [&] { EXPECT_TRUE(map.reconnectNode(topic("A2"), topic("A"), 3)); });
    EXPECT_EQ(childTexts("A"), (std::vector<std::string>{"A1", "C3", "A2", "C4", "C5"}));
    EXPECT_TRUE(map.reconnectNode(topic("C5"), topic("A"), 3));
    EXPECT_EQ(childTexts("A"), (std::vector<std::string>{"A1", "C3", "A2", "C5", "C4"}));
    EXPECT_FALSE(map.reconnectNode(topic("A"), topic("A1a"), 0)) << "under its own descendant";
}

TEST_F(LayoutCommandsTest, ReconnectRemovesLinksToTheNewParentAndMakesThemesInRange)
{
    map.internalAddCrossLinkFromSource(topic("A2"), topic("B"));
    ASSERT_TRUE(map.reconnectNode(topic("A2"), topic("B"), 0));
    EXPECT_FALSE(map.containsCrossLinkBetween(topic("A2"), topic("B")));
    ASSERT_TRUE(map.reconnectNode(topic("B1"), nullptr, 0));
    const std::vector<std::string> themes{"B1", "A", "B"};
    EXPECT_EQ(themeTexts(), themes);
    // Theme targets outside the list are ignored, as child targets are.
    for (int64_t index : {int64_t{-1}, int64_t{4}}) {
        EXPECT_TRUE(map.reconnectNode(topic("B"), nullptr, index));
        EXPECT_EQ(themeTexts(), themes) << index;
    }
}

TEST_F(LayoutCommandsTest, DropOnTheMarkerPlacesByItsInfo)
{
    fiveChildren();
    const std::vector<std::string> first{"B1", "A1", "A2", "C3", "C4", "C5"};
    const std::vector<std::string> last{"A1", "A2", "C3", "C4", "C5", "B1"};
    // A lies at (0, 0); B1 stays where setting the parent put it (last) unless the drag start says.
    struct Case {
        int32_t info;
        int64_t index;
        bool horizontal;
        Point dragStart;
        std::vector<std::string> order;
    } cases[] = {
        {0, 1, false, {}, {"A1", "B1", "A2", "C3", "C4", "C5"}},
        {1, 4, false, {}, first},
        {4, 4, false, {}, first},
        {2, 0, false, {}, last},
        {3, 0, false, {}, last},
        {6, 0, true, {-10, 0}, first},
        {6, 0, true, {10, 0}, last},
        {6, 0, false, {0, 10}, first},
        {6, 0, false, {0, -10}, last},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(map.reconnectNode(topic("B1"), topic("B"), 0));
        dropOnMarker(topic("A"), c.index, c.info, {topic("B1")}, c.horizontal, c.dragStart);
        EXPECT_EQ(childTexts("A"), c.order) << c.info << " " << c.dragStart.x << "," << c.dragStart.y;
    }
    // A2 already hangs under A, at 1: info 5 takes it last only from a start right of A.
    dropOnMarker(topic("A"), 0, 5, {topic("A2")}, true, {-10, 0});
    EXPECT_EQ(childTexts("A")[1], "A2");
    dropOnMarker(topic("A"), 0, 5, {topic("A2")}, true, {10, 0});
    EXPECT_EQ(childTexts("A").back(), "A2");
    EXPECT_EQ(undoManager().undoActionName(), localized("undoable_op_change_parent"));
    for (int64_t index : {int64_t{6}, int64_t{-1}}) {
        undoManager().removeAllActions();
        expectNoChange([&] { dropOnMarker(topic("A"), index, 0, {topic("B1")}); });
    }
}

TEST_F(LayoutCommandsTest, DroppingTheMainThemeHandsTheTitleToTheNextTheme)
{
    map.setMainCentralTheme(topic("A"));
    dropOnMarker(topic("B"), 0, 2, {topic("A"), topic("B1")});
    EXPECT_EQ(themeTexts(), (std::vector<std::string>{"B"}));
    EXPECT_EQ(map.mainCentralTheme(), topic("B"));
    // B1 already hung under B and keeps that parent, but still goes last.
    EXPECT_EQ(childTexts("B"), (std::vector<std::string>{"A", "B1"}));
}

TEST_F(LayoutCommandsTest, LockedLayoutWaitsAndAnEmptyMapStillReportsTools)
{
    CountingLayouter counting;
    MapLayouter::install(&counting);
    topic("A")->setLayoutMode(1);
    map.lockAutoLayout();
    map.setNeedsLayout(true);
    map.validateElementStates();
    EXPECT_EQ(counting.branches, 0);
    EXPECT_TRUE(map.needsLayout());
    map.unlockAutoLayout();
    map.validateElementStates();
    EXPECT_EQ(counting.branches, 1);
    EXPECT_FALSE(map.needsLayout());

    maptest::CallLog log;
    maptest::RecordingNodeEditor recorder(log);
    MindMap empty;
    empty.setNodeEditor(&recorder);
    empty.beginUpdate();
    empty.performAutoLayout();
    empty.endUpdate();
    EXPECT_EQ(log, (maptest::CallLog{"editor.selectedElementChanged", "editor.updateElementTools:none"}));
}

TEST(TopicCoordinatesFromFiles, AbsurdOrNonFiniteAreReadAsTheOriginAndBadModesAsDefaults)
{
    const std::string topics =
        R"(<topic id="0" parent="-1" x="1e300" y="nan" layout="bogus"/>)"
        R"(<topic id="1" parent="0" x="-1e7" y="inf"/><topic id="2" parent="0" x="10000001")"
        R"( y="-2e9"/><topic id="3" parent="-1" layout="strict-horizontal" layout-direction="9"/>)";
    MindMap map;
    ASSERT_TRUE(twkxtest::loadDocument(map, twkxtest::documentWith(topics)));
    ASSERT_EQ(map.nodes().size(), 4u);
    const Point read[] = {{0, 0}, {-1e7, 0}, {0, 0}, {0, 0}};
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(map.nodes()[i]->location(), read[i]) << i;
    EXPECT_EQ(map.nodes()[0]->layoutMode(), 0);
    EXPECT_EQ(map.nodes()[3]->layoutDirection(), 0);
}

} // namespace
