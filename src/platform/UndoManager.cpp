#include "platform/UndoManager.h"

#include <algorithm>

void UndoManager::setLevelsOfUndo(size_t levels)
{
    _levelsOfUndo = levels;
    trim(_undoStack);
    trim(_redoStack);
}

void UndoManager::trim(std::deque<Group>& stack) const
{
    if (_levelsOfUndo == 0) return;
    while (stack.size() > _levelsOfUndo) stack.pop_front();
}

void UndoManager::pushGroup(std::deque<Group>& stack, Group group)
{
    if (group.actions.empty()) return;
    stack.push_back(std::move(group));
    trim(stack);
}

void UndoManager::beginUndoGrouping()
{
    if (_groupingLevel == 0 && !_buildingReplay) _openGroup = Group();
    ++_groupingLevel;
}

void UndoManager::endUndoGrouping()
{
    if (_groupingLevel == 0) return;
    --_groupingLevel;
    // Groups opened while undoing or redoing belong to the group that replay is building.
    if (_groupingLevel > 0 || _buildingReplay) return;
    pushGroup(_undoStack, std::move(_openGroup));
    _openGroup = Group();
}

void UndoManager::registerUndo(std::function<void()> action, const void* target)
{
    if (!isUndoRegistrationEnabled() || !action) return;
    ++_changeCount;
    if (_groupingLevel > 0 || _buildingReplay) {
        _openGroup.actions.push_back({std::move(action), target});
    } else {
        Group group;
        group.actions.push_back({std::move(action), target});
        pushGroup(_undoStack, std::move(group));
    }
    // A new change makes the undone ones unreachable.
    if (!_undoing && !_redoing) _redoStack.clear();
}

void UndoManager::setActionName(const std::string& actionName)
{
    if (_groupingLevel > 0 || _buildingReplay) {
        _openGroup.actionName = actionName;
    } else if (!_undoStack.empty()) {
        _undoStack.back().actionName = actionName;
    }
}

std::string UndoManager::undoActionName() const
{
    return _undoStack.empty() ? std::string() : _undoStack.back().actionName;
}

std::string UndoManager::redoActionName() const
{
    return _redoStack.empty() ? std::string() : _redoStack.back().actionName;
}

void UndoManager::replay(std::deque<Group>& from, std::deque<Group>& to, bool& flag)
{
    if (from.empty() || _groupingLevel > 0 || _undoing || _redoing) return;
    Group group = std::move(from.back());
    from.pop_back();

    flag = true;
    _buildingReplay = true;
    _openGroup = Group();
    _openGroup.actionName = group.actionName;
    struct Reset {
        UndoManager& manager;
        bool& flag;
        ~Reset()
        {
            flag = false;
            manager._buildingReplay = false;
            manager._groupingLevel = 0;
        }
    } reset{*this, flag};

    for (auto it = group.actions.rbegin(); it != group.actions.rend(); ++it) it->run();

    pushGroup(to, std::move(_openGroup));
    _openGroup = Group();
}

void UndoManager::undo()
{
    ++_changeCount;
    replay(_undoStack, _redoStack, _undoing);
}

void UndoManager::redo()
{
    ++_changeCount;
    replay(_redoStack, _undoStack, _redoing);
}

void UndoManager::removeAllActions()
{
    ++_changeCount;
    _undoStack.clear();
    _redoStack.clear();
    _openGroup.actions.clear();
}

void UndoManager::removeAllActionsWithTarget(const void* target)
{
    auto removeFrom = [target](Group& group) {
        std::erase_if(group.actions, [target](const Action& action) { return action.target == target; });
    };
    for (std::deque<Group>* stack : {&_undoStack, &_redoStack}) {
        for (Group& group : *stack) removeFrom(group);
        std::erase_if(*stack, [](const Group& group) { return group.actions.empty(); });
    }
    removeFrom(_openGroup);
}

void UndoManager::enableUndoRegistration()
{
    if (_disableCount > 0) --_disableCount;
}
