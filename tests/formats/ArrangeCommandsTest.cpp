// Rotate, flip, the main central theme and the order of topics, texts and images.

#include "CommandsTestSupport.h"

#include <cmath>
#include <limits>
#include <numbers>

using namespace cmdtest;

TEST_F(CommandsTest, EveryArrangeCommandIsOneUndoStepThatUndoesByteForByte)
{
    topic("A2")->addText()->setText("over the image");
    const std::vector<std::tuple<std::function<MindMapElement*()>, const char*, std::function<void()>>> cases = {
        {[&] { return topic("A"); }, "undoable_op_rotate", [&] { map.rotateBranchBy(std::numbers::pi / 2); }},
        {[&] { return topic("A1"); }, "undoable_op_flip", [&] { map.flipBranch(true); }},
        {[&] { return topic("A"); }, "undoable_op_flip", [&] { map.flipBranch(false); }},
        {[&] { return topic("B"); }, "undoable_op_change_central_theme", [&] { map.makeMainCentralTheme(); }},
        {[&] { return topic("A1a"); }, "undoable_op_reorder_element", [&] { map.orderElementForward(); }},
        {[&] { return topic("A1"); }, "undoable_op_reorder_element", [&] { map.orderElementBackward(); }},
        {[&] { return topic("A1b"); }, "undoable_op_reorder_element", [&] { map.orderUpSelectedNode(); }},
        {[&] { return topic("A2")->containedElements().front(); }, "undoable_op_reorder_element",
         [&] { map.orderContainedElementForward(); }},
    };
    for (const auto& [selected, key, command] : cases) {
        SCOPED_TRACE(key);
        map.setSelectedElement(selected());
        undoManager().removeAllActions();
        expectOneUndoStep(key, command);
    }
    EXPECT_EQ(topic("A2")->containedElements().front()->elementType(), ElementTypeText);
}

TEST_F(CommandsTest, RotatingAQuarterTurnMovesRightToBelowInSinglePrecision)
{
    MindMapNode* right = maptest::addTopic(map, topic("B"), Point{100, 400}, "right");
    map.setSelectedElement(topic("B"));
    map.rotateBranchBy(std::numbers::pi / 2);
    const float quarter = static_cast<float>(std::numbers::pi / 2);
    EXPECT_EQ(
        right->location(),
        (Point{static_cast<double>(std::cos(quarter)) * 100, 400 + static_cast<double>(std::sin(quarter)) * 100}));
    EXPECT_EQ(topic("B")->location(), (Point{0, 400})) << "the root stays";
    for (int i = 0; i < 3; ++i) map.rotateBranchBy(std::numbers::pi / 2);
    EXPECT_NEAR(right->location().x, 100, 1e-3);
    EXPECT_NEAR(right->location().y, 400, 1e-3);
}

TEST_F(CommandsTest, ReorderingWrapsAroundAtTheEnds)
{
    maptest::addTopic(map, topic("A1"), Point{400, 120}, "A1c");
    map.setSelectedElement(topic("A1c"));
    map.orderSelectedNodeInDirection(true);
    EXPECT_EQ(childTexts("A1"), (std::vector<std::string>{"A1c", "A1a", "A1b"}));
    map.orderSelectedNodeInDirection(false);
    EXPECT_EQ(childTexts("A1"), (std::vector<std::string>{"A1a", "A1b", "A1c"}));
}

TEST_F(CommandsTest, OrderUpMakesAMainBranchACentralThemeAndDropsALinkToTheNewParent)
{
    map.setSelectedElement(topic("B1"));
    map.orderUpSelectedNode();
    EXPECT_EQ(themeTexts(), (std::vector<std::string>{"A", "B", "B1"}));

    map.internalAddCrossLinkFromSource(topic("A1a"), topic("A"));
    map.setSelectedElement(topic("A1a"));
    map.orderUpSelectedNode();
    EXPECT_EQ(childTexts("A"), (std::vector<std::string>{"A1", "A2", "A1a"}));
    EXPECT_FALSE(map.containsCrossLinkBetween(topic("A1a"), topic("A")));
}

TEST_F(CommandsTest, ArrangingRefusesWrongSelectionsBadAnglesAndReadOnlyMaps)
{
    const std::vector<std::pair<const char*, std::function<void()>>> cases = {
        {"B1", [&] { map.makeMainCentralTheme(); }},
        {"A", [&] { map.makeMainCentralTheme(); }}, // already the main one
        {"A", [&] { map.rotateBranchBy(std::numeric_limits<double>::quiet_NaN()); }},
        {"", [&] { map.flipBranch(true); }},
    };
    for (const auto& [selected, command] : cases) {
        map.setSelectedElement(topic(selected));
        expectNoChange(command);
    }
    map.setReadOnly(true);
    map.setSelectedElement(topic("A1a"));
    for (const auto& command :
         std::vector<std::function<void()>>{[&] { map.rotateBranchBy(1); }, [&] { map.flipBranch(true); },
                                            [&] { map.orderElementForward(); }, [&] { map.orderUpSelectedNode(); }}) {
        expectNoChange(command);
    }
    map.setSelectedElement(topic("B"));
    expectNoChange([&] { map.makeMainCentralTheme(); });
}
