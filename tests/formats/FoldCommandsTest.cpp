// Expand, collapse, hide and show.

#include "CommandsTestSupport.h"

#include "MindMaps/ParentRelation.h"

using namespace cmdtest;

TEST_F(CommandsTest, EveryFoldAndHideCommandIsOneUndoStepThatUndoesByteForByte)
{
    // Each case starts from what the one before left (after its redo).
    const std::vector<std::tuple<const char*, const char*, std::function<void()>>> cases = {
        {"A1", "undoable_op_collapse", [&] { map.collapse(); }},
        {"A1", "undoable_op_expand", [&] { map.expand(); }},
        {"A", "undoable_op_collapse", [&] { map.collapseChildren(); }},
        {"A", "undoable_op_expand", [&] { map.expandChildren(); }},
        {"A", "undoable_op_full_collapse", [&] { map.fullCollapse(); }},
        {"A", "undoable_op_full_expand", [&] { map.fullExpand(); }},
        {"A1", "undoable_op_collapse", [&] { map.toggleCollapsed(); }},
        {"A1", "undoable_op_hide", [&] { map.hideSelected(); }},
        {"A1", "undoable_op_show", [&] { map.showSelected(); }},
        {"A1", "undoable_op_hide", [&] { map.hideChildren(); }},
        {"A1", "undoable_op_show", [&] { map.showChildren(); }},
        {"B", "undoable_op_hide", [&] { map.fullHide(); }},
        {"B", "undoable_op_show", [&] { map.fullShow(); }},
        {"B", "undoable_op_hide", [&] { map.hideTopic(topic("A2")); }},
        {"B", "undoable_op_show", [&] { map.showTopic(topic("A2")); }},
    };
    for (const auto& [selected, key, command] : cases) {
        SCOPED_TRACE(key);
        map.setSelectedElement(topic(selected));
        undoManager().removeAllActions();
        expectOneUndoStep(key, command);
    }
}

TEST_F(CommandsTest, ExpandingInsideACollapsedBranchOpensEveryAncestor)
{
    maptest::addTopic(map, topic("A1a"), Point{600, 0}, "deep");
    topic("A1a")->setCollapsed(true);
    topic("A")->setCollapsed(true);
    map.setSelectedElement(topic("A1a"));
    map.expand();
    for (const char* text : {"A", "A1", "A1a"}) EXPECT_FALSE(topic(text)->collapsed()) << text;
    EXPECT_TRUE(topic("deep")->isVisible());
}

TEST_F(CommandsTest, HidingHandsTheSelectionToTheParentOrKeepsTheRelation)
{
    map.setSelectedElement(topic("A1"));
    map.hideSelected();
    EXPECT_TRUE(topic("A1")->isHidden());
    EXPECT_FALSE(topic("A1a")->isVisible());
    EXPECT_EQ(map.selection(), maptest::elements({topic("A")}));

    ParentRelation* relation = topic("A2")->parentRelation();
    map.setSelectedElement(relation);
    map.hideSelected();
    EXPECT_TRUE(topic("A2")->isHidden());
    EXPECT_EQ(map.selection(), maptest::elements({relation}));

    undoManager().removeAllActions();
    map.setSelectedElement(topic("B"));
    map.hideSelected();
    EXPECT_FALSE(topic("B")->isHidden()) << "a central theme is never hidden";
    EXPECT_TRUE(map.selection().empty());
    EXPECT_TRUE(undoManager().canUndo());
}
