#include "editor-view/TypingUndo.h"

void TypingUndo::closeStep(Group group)
{
    if (group.edits.empty()) return;
    _undoStack.push_back(std::move(group));
    _redoStack.clear();
    _typingRunsOn = false;
}

void TypingUndo::textDidChange(const TextEdit& edit)
{
    if (_replaying) return;
    if (_openGroup) {
        _openGroup->edits.push_back(edit);
        return;
    }
    const bool typing = edit.removed.empty() && !edit.inserted.empty() && edit.inserted.find('\n') == std::string::npos;
    const bool deleting = edit.inserted.empty() && !edit.removed.empty();
    Group* last = _undoStack.empty() ? nullptr : &_undoStack.back();
    const TextEdit* previous = last && !last->edits.empty() ? &last->edits.back() : nullptr;
    bool joins = false;
    if (_typingRunsOn && previous) {
        if (typing && last->kind == Group::Kind::Typing)
            joins = edit.location == previous->location + utf16Length(previous->inserted);
        else if (deleting && last->kind == Group::Kind::Deleting)
            joins =
                edit.location + utf16Length(edit.removed) == previous->location || edit.location == previous->location;
    }
    if (joins) {
        last->edits.push_back(edit);
    } else {
        Group group;
        group.edits.push_back(edit);
        // A typed character over a selection starts a typing run of its own.
        const bool typed = !edit.inserted.empty() && edit.inserted.find('\n') == std::string::npos;
        group.kind = deleting ? Group::Kind::Deleting : (typed ? Group::Kind::Typing : Group::Kind::Other);
        _undoStack.push_back(std::move(group));
    }
    _redoStack.clear();
    _typingRunsOn = typing || deleting || (!edit.inserted.empty() && !edit.removed.empty());
}

void TypingUndo::replay(const Group& group, bool forward)
{
    _replaying = true;
    if (forward) {
        for (const TextEdit& edit : group.edits)
            _target.replaceCharacters({edit.location, utf16Length(edit.removed)}, edit.inserted);
        const TextEdit& last = group.edits.back();
        _target.setSelectedRange({last.location + utf16Length(last.inserted), 0});
    } else {
        for (auto edit = group.edits.rbegin(); edit != group.edits.rend(); ++edit)
            _target.replaceCharacters({edit->location, utf16Length(edit->inserted)}, edit->removed);
        const TextEdit& first = group.edits.front();
        _target.setSelectedRange({first.location, utf16Length(first.removed)});
    }
    _replaying = false;
    _typingRunsOn = false;
}

void TypingUndo::undo()
{
    if (_undoStack.empty()) return;
    Group group = std::move(_undoStack.back());
    _undoStack.pop_back();
    replay(group, false);
    _redoStack.push_back(std::move(group));
}

void TypingUndo::redo()
{
    if (_redoStack.empty()) return;
    Group group = std::move(_redoStack.back());
    _redoStack.pop_back();
    replay(group, true);
    _undoStack.push_back(std::move(group));
}

void TypingUndo::clear()
{
    _undoStack.clear();
    _redoStack.clear();
    _typingRunsOn = false;
}
