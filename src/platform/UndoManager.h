#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

// Undo and redo by registered closures, in groups. A registration outside an explicit group is a
// group of its own; nested groups join the outermost one. Undoing a group runs its actions in the
// reverse order of their registration; whatever they register meanwhile becomes the redo group
// (and, while redoing, the undo group), under the name of the group being undone.
class UndoManager {
public:
    UndoManager() = default;
    UndoManager(const UndoManager&) = delete;
    UndoManager& operator=(const UndoManager&) = delete;

    // The most undo groups kept; 0 means no limit. Beyond it the oldest group is dropped.
    size_t levelsOfUndo() const { return _levelsOfUndo; }
    void setLevelsOfUndo(size_t levels);

    // Kept for callers that set it; there is no event loop grouping, only explicit groups.
    bool groupsByEvent() const { return _groupsByEvent; }
    // Waits for its caller in the editor.
    void setGroupsByEvent(bool groupsByEvent) { _groupsByEvent = groupsByEvent; }

    void beginUndoGrouping();
    // Without a matching begin, nothing happens.
    void endUndoGrouping();
    int groupingLevel() const { return _groupingLevel; }

    // target identifies the actions for removeAllActionsWithTarget; it is never called.
    // Ignored while registration is disabled.
    void registerUndo(std::function<void()> action, const void* target = nullptr);

    // Names the open group, else the group registered last (the top of the undo stack).
    void setActionName(const std::string& actionName);
    std::string undoActionName() const;
    std::string redoActionName() const;

    bool canUndo() const { return !_undoStack.empty(); }
    bool canRedo() const { return !_redoStack.empty(); }
    // Nothing happens while a group is open or while undoing or redoing.
    void undo();
    void redo();
    bool isUndoing() const { return _undoing; }
    bool isRedoing() const { return _redoing; }

    // Empties both stacks (and the open group). Registration stays as it is, enabled or not.
    void removeAllActions();
    void removeAllActionsWithTarget(const void* target);

    // Counted: registration is enabled again after as many enables as there were disables.
    void disableUndoRegistration() { ++_disableCount; }
    void enableUndoRegistration();
    bool isUndoRegistrationEnabled() const { return _disableCount == 0; }

    // Grows with every registration, undo, redo and clearing, so that a caller that extends one
    // step over several changes can tell whether anything else happened in between.
    uint64_t changeCount() const { return _changeCount; }

private:
    struct Action {
        std::function<void()> run;
        const void* target = nullptr;
    };
    struct Group {
        std::vector<Action> actions;
        std::string actionName;
    };

    void pushGroup(std::deque<Group>& stack, Group group);
    void trim(std::deque<Group>& stack) const;
    void replay(std::deque<Group>& from, std::deque<Group>& to, bool& flag);

    size_t _levelsOfUndo = 0;
    bool _groupsByEvent = true;
    int _groupingLevel = 0;
    int _disableCount = 0;
    uint64_t _changeCount = 0;
    bool _undoing = false;
    bool _redoing = false;
    Group _openGroup; // the explicit group, or the group built while undoing or redoing
    bool _buildingReplay = false;
    std::deque<Group> _undoStack; // back is the top
    std::deque<Group> _redoStack;
};

// Keeps an undo group open for its lifetime, so that an early return cannot leave it open.
class UndoGroupScope {
public:
    explicit UndoGroupScope(UndoManager& manager) : _manager(manager) { _manager.beginUndoGrouping(); }
    ~UndoGroupScope() { _manager.endUndoGrouping(); }
    UndoGroupScope(const UndoGroupScope&) = delete;
    UndoGroupScope& operator=(const UndoGroupScope&) = delete;

private:
    UndoManager& _manager;
};
