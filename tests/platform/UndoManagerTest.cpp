#include "platform/UndoManager.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A model that makes itself undoable the way the map does: before each change the whole state is
// registered, and restoring a state registers the current one first (which becomes the redo step).
class SnapshotModel {
public:
    explicit SnapshotModel(UndoManager& manager) : _manager(manager) {}

    void change(int value, const std::string& name)
    {
        pushState(name);
        _value = value;
    }
    int value() const { return _value; }

private:
    void pushState(const std::string& name)
    {
        const int snapshot = _value;
        _manager.registerUndo([this, snapshot] { apply(snapshot); });
        if (!_manager.isUndoing() && !_manager.isRedoing()) _manager.setActionName(name);
    }
    void apply(int snapshot)
    {
        pushState("");
        _value = snapshot;
    }

    UndoManager& _manager;
    int _value = 0;
};

} // namespace

TEST(UndoManagerTest, StartsEmptyAndEachRegistrationOutsideAGroupIsOneStep)
{
    UndoManager manager;
    manager.undo();
    std::vector<int> undone;
    manager.registerUndo([&] { undone.push_back(1); });
    manager.registerUndo([&] { undone.push_back(2); });
    manager.registerUndo(nullptr);
    manager.undo();
    EXPECT_EQ(undone, (std::vector<int>{2}));
}

TEST(UndoManagerTest, NestedGroupsJoinTheOuterOneAndUndoInReverseOrder)
{
    UndoManager manager;
    std::vector<int> undone;
    manager.beginUndoGrouping();
    manager.registerUndo([&] { undone.push_back(1); });
    manager.beginUndoGrouping();
    manager.registerUndo([&] { undone.push_back(2); });
    manager.registerUndo([&] { undone.push_back(3); });
    manager.endUndoGrouping();
    EXPECT_FALSE(manager.canUndo()) << "the inner end must not close the step";
    manager.endUndoGrouping();
    manager.undo();
    EXPECT_EQ(undone, (std::vector<int>{3, 2, 1}));
    EXPECT_FALSE(manager.canUndo());
}

TEST(UndoManagerTest, UndoIsRefusedWhileAGroupIsOpen)
{
    UndoManager manager;
    int undone = 0;
    manager.registerUndo([&] { ++undone; });
    {
        UndoGroupScope group(manager);
        manager.registerUndo([&] { ++undone; });
        manager.undo();
        EXPECT_EQ(undone, 0);
    }
    EXPECT_EQ(manager.groupingLevel(), 0);
    manager.undo();
    EXPECT_EQ(undone, 1);
}

TEST(UndoManagerTest, SnapshotUndoAndRedoRoundTrip)
{
    UndoManager manager;
    SnapshotModel model(manager);
    model.change(1, "Add Topic");
    model.change(2, "Edit Text");
    EXPECT_EQ(manager.undoActionName(), "Edit Text");

    manager.undo();
    EXPECT_EQ(model.value(), 1);
    EXPECT_TRUE(manager.canRedo());
    EXPECT_EQ(manager.redoActionName(), "Edit Text") << "the redo step keeps the name of the undone one";
    EXPECT_EQ(manager.undoActionName(), "Add Topic");

    manager.undo();
    manager.redo();
    manager.redo();
    EXPECT_EQ(model.value(), 2);
    EXPECT_FALSE(manager.canRedo());
    EXPECT_EQ(manager.undoActionName(), "Edit Text");
}

TEST(UndoManagerTest, UndoFromWithinAnActionIsIgnored)
{
    UndoManager manager;
    int outer = 0, inner = 0;
    manager.registerUndo([&] { ++inner; });
    manager.registerUndo([&] {
        ++outer;
        manager.undo();
    });
    manager.undo();
    EXPECT_EQ(outer, 1);
    EXPECT_EQ(inner, 0);
    EXPECT_TRUE(manager.canUndo());
}

TEST(UndoManagerTest, LevelsDropTheOldestStepsAndZeroMeansNoLimit)
{
    std::vector<int> undone;
    UndoManager manager;
    manager.setLevelsOfUndo(30);
    for (int i = 1; i <= 35; ++i) manager.registerUndo([&, i] { undone.push_back(i); });
    while (manager.canUndo()) manager.undo();
    ASSERT_EQ(undone.size(), 30u);
    EXPECT_EQ(undone.front(), 35);
    EXPECT_EQ(undone.back(), 6);

    undone.clear();
    manager.setLevelsOfUndo(0);
    for (int i = 1; i <= 100; ++i) manager.registerUndo([&, i] { undone.push_back(i); });
    manager.setLevelsOfUndo(3); // lowering trims at once
    while (manager.canUndo()) manager.undo();
    EXPECT_EQ(undone, (std::vector<int>{100, 99, 98}));
}

TEST(UndoManagerTest, DisablingIsCountedAndDropsRegistrations)
{
    UndoManager manager;
    manager.disableUndoRegistration();
    manager.disableUndoRegistration();
    manager.registerUndo([] {});
    manager.enableUndoRegistration();
    EXPECT_FALSE(manager.isUndoRegistrationEnabled());
    manager.registerUndo([] {});
    EXPECT_FALSE(manager.canUndo());
    manager.enableUndoRegistration();
    manager.enableUndoRegistration(); // one too many: harmless
    manager.disableUndoRegistration();

    EXPECT_FALSE(manager.isUndoRegistrationEnabled()) << "an extra enable must not bank a later disable";
}

TEST(UndoManagerTest, RemoveAllActionsDuringAnUndoLeavesNothingBehind)
{
    UndoManager manager;
    manager.registerUndo([&] {
        manager.registerUndo([] {});
        manager.removeAllActions();
    });
    manager.undo();
    EXPECT_FALSE(manager.canUndo());
    EXPECT_FALSE(manager.canRedo());
}

TEST(UndoManagerTest, RemoveAllActionsWithTargetKeepsTheOthers)
{
    UndoManager manager;
    int textStorage = 0, map = 0;
    std::vector<std::string> undone;
    manager.registerUndo([&] { undone.push_back("map"); }, &map);
    manager.registerUndo([&] { undone.push_back("typing"); }, &textStorage);
    manager.beginUndoGrouping();
    manager.registerUndo([&] { undone.push_back("typing 2"); }, &textStorage);
    manager.registerUndo([&] { undone.push_back("map 2"); }, &map);
    manager.endUndoGrouping();
    manager.removeAllActionsWithTarget(&textStorage);
    while (manager.canUndo()) manager.undo();
    EXPECT_EQ(undone, (std::vector<std::string>{"map 2", "map"}));
}
