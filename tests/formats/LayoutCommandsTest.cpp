// The map's layout commands: the layout-mode choice, reconnecting from the outliner, dropping on
// the rearrange marker, and the layout lock.

#include "CommandsTestSupport.h"
#include "TwkxTestSupport.h"

#include "MindMaps/MapLayouter.h"
#include "MindMaps/RearrangeMarker.h"
#include "layout/LayoutInstallation.h"

using namespace cmdtest;

namespace {

// Counts the strict layouts the map asks for.
class CountingLayouter : public MapLayouter {
public:
    int branches = 0;
    void layoutBranch(MindMapNode*, int32_t) override { ++branches; }
};

class LayoutCommandsTest : public CommandsTest {
protected:
    ~LayoutCommandsTest() override { installLayout(); }
    // Gives A the children A1, A2, C3, C4, C5 in that order.
    void fiveChildren()
    {
        for (const char* text : {"C3", "C4", "C5"}) map.addMindMapNodeAsChild(topic("A"), Point{200, 300})->setText(text);
        undoManager().removeAllActions();
    }
};

TEST_F(LayoutCommandsTest, LayoutModeIsOneStepThatKeepsTheChosenDirectionAndClearsNestedModes)
{
    topic("A1")->setLayoutMode(2);
    topic("A2")->setLayoutMode(4);
    map.setSelectedElement(topic("A"));
    expectOneUndoStep("undoable_op_layout", [&] { map.layoutModeSelected(4, 3); });
    EXPECT_EQ(topic("A")->layoutMode(), 4);
    EXPECT_EQ(topic("A")->layoutDirection(), 3);
    for (const char* nested : {"A1", "A2"}) {
        EXPECT_EQ(topic(nested)->layoutMode(), 0) << nested;
        EXPECT_EQ(topic(nested)->layoutDirection(), 0) << nested;
    }
}

TEST_F(LayoutCommandsTest, ReconnectMovesToTheIndexAsSeenBeforeTheMove)
{
    fiveChildren();
    struct Case {
        const char* moved;
        int64_t index;
        std::vector<std::string> order;
    } cases[] = {
        {"A2", 3, {"A1", "C3", "A2", "C4", "C5"}}, // from 1 to 3 ends at 2
        {"C5", 3, {"A1", "C3", "A2", "C5", "C4"}}, // from 4 to 3 ends at 3
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.moved);
        undoManager().removeAllActions();
        expectOneUndoStep("undoable_op_change_parent",
                          [&] { EXPECT_TRUE(map.reconnectNode(topic(c.moved), topic("A"), c.index)); });
        EXPECT_EQ(childTexts("A"), c.order);
    }
    EXPECT_FALSE(map.reconnectNode(topic("A"), topic("A1a"), 0)) << "under its own descendant";
    EXPECT_FALSE(map.reconnectNode(nullptr, topic("A"), 0));
}

TEST_F(LayoutCommandsTest, ReconnectRemovesLinksToTheNewParentAndMakesThemes)
{
    map.internalAddCrossLinkFromSource(topic("A2"), topic("B"));
    ASSERT_TRUE(map.reconnectNode(topic("A2"), topic("B"), 0));
    EXPECT_FALSE(map.containsCrossLinkBetween(topic("A2"), topic("B")));
    EXPECT_EQ(childTexts("B"), (std::vector<std::string>{"A2", "B1"}));

    ASSERT_TRUE(map.reconnectNode(topic("B1"), nullptr, 0));
    EXPECT_EQ(themeTexts(), (std::vector<std::string>{"B1", "A", "B"}));
}

TEST_F(LayoutCommandsTest, CentralThemeTargetsOutsideTheListAreIgnored)
{
    ASSERT_TRUE(map.reconnectNode(topic("B1"), nullptr, 3));
    const std::vector<std::string> themes{"A", "B", "B1"};
    ASSERT_EQ(themeTexts(), themes);
    for (int64_t index : {int64_t{-1}, int64_t{4}}) {
        SCOPED_TRACE(index);
        EXPECT_TRUE(map.reconnectNode(topic("B"), nullptr, index));
        EXPECT_EQ(themeTexts(), themes);
    }
}

TEST_F(LayoutCommandsTest, DropOnTheMarkerPlacesByItsInfo)
{
    fiveChildren();
    RearrangeMarker& marker = *map.rearrangeMarker();
    struct Case {
        const char* name;
        int32_t info;
        int64_t index;
        std::vector<std::string> order;
    } cases[] = {
        {"before the sibling", 0, 1, {"A1", "B1", "A2", "C3", "C4", "C5"}},
        {"first", 1, 4, {"B1", "A1", "A2", "C3", "C4", "C5"}},
        {"last", 3, 0, {"A1", "A2", "C3", "C4", "C5", "B1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(map.reconnectNode(topic("B1"), topic("B"), 0));
        marker.setRefNode(topic("A"));
        marker.setIndex(c.index);
        marker.setInfo(c.info);
        const UndoState pending = map.prepareDelayedUndoableOperation(localized("undoable_op_move_element"));
        map.rearrangeNodeDragEnded({topic("B1")}, pending, Point());
        EXPECT_EQ(childTexts("A"), c.order);
        EXPECT_EQ(undoManager().undoActionName(), localized("undoable_op_change_parent"));
    }
    // A marker past the children, or on a parent without children, drops nothing.
    for (int64_t index : {int64_t{6}, int64_t{-1}}) {
        marker.setRefNode(topic("A"));
        marker.setIndex(index);
        undoManager().removeAllActions();
        expectNoChange([&] { map.rearrangeNodeDragEnded({topic("B1")}, UndoState(), Point()); });
    }
}

TEST_F(LayoutCommandsTest, DroppingTheMainThemeHandsTheTitleToTheNextTheme)
{
    map.setMainCentralTheme(topic("A"));
    RearrangeMarker& marker = *map.rearrangeMarker();
    marker.setRefNode(topic("B"));
    marker.setIndex(0);
    marker.setInfo(2);
    map.rearrangeNodeDragEnded({topic("A"), topic("B1")}, UndoState(), Point());
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

    MindMap empty;
    maptest::CallLog log;
    maptest::RecordingNodeEditor recorder(log);
    empty.setNodeEditor(&recorder);
    empty.beginUpdate();
    empty.performAutoLayout();
    empty.endUpdate();
    EXPECT_NE(std::find(log.begin(), log.end(), "editor.selectedElementChanged"), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), "editor.updateElementTools:none"), log.end());
    empty.setNodeEditor(nullptr);
}

TEST(TopicCoordinatesFromFiles, AbsurdOrNonFiniteAreReadAsTheOriginAndBadModesAsDefaults)
{
    const std::string topics = R"(<topic id="0" parent="-1" x="1e300" y="nan" layout="bogus">)"
                               R"(<children/></topic><topic id="1" parent="0" x="-1e7" y="inf"/>)"
                               R"(<topic id="2" parent="0" x="10000001" y="-2e9"/>)"
                               R"(<topic id="3" parent="-1" x="5" y="6" layout="strict-horizontal" )"
                               R"(layout-direction="999"/>)";
    MindMap map;
    ASSERT_TRUE(twkxtest::loadDocument(map, twkxtest::documentWith(topics)));
    ASSERT_EQ(map.nodes().size(), 4u);
    const Point read[] = {{0, 0}, {-1e7, 0}, {0, 0}, {5, 6}};
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(map.nodes()[i]->location(), read[i]) << i;
    EXPECT_EQ(map.nodes()[0]->layoutMode(), 0);
    EXPECT_EQ(map.nodes()[3]->layoutMode(), 1);
    EXPECT_EQ(map.nodes()[3]->layoutDirection(), 0);
}

} // namespace
