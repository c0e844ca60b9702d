#pragma once

#include "platform/AttributedString.h"

#include <cstddef>
#include <string>
#include <vector>

// Positions are UTF-16 units, as everywhere in the editor; the toolkit's adapter converts.

// One change of the text: at the location, the removed text gave way to the inserted text.
struct TextEdit {
    size_t location = 0;
    std::string removed;
    std::string inserted;

    friend bool operator==(const TextEdit&, const TextEdit&) = default;
};

// The text an undo history replays its steps on.
class TypingUndoTarget {
public:
    virtual ~TypingUndoTarget() = default;
    // Reported back to the history as a change, which it ignores while replaying.
    virtual void replaceCharacters(TextRange range, const std::string& text) = 0;
    virtual void setSelectedRange(TextRange range) = 0;
};

// The undo history of a text being typed, kept beside the map's own: the toolkit's text views
// have none. A run of typed characters, or of deleted ones, is one step, as long as nothing else
// happens in between; changes the owner makes itself (a paste, a line break) are a step each.
class TypingUndo {
public:
    explicit TypingUndo(TypingUndoTarget& target) : _target(target) {}
    TypingUndo(const TypingUndo&) = delete;
    TypingUndo& operator=(const TypingUndo&) = delete;

    // Every change of the text, as the view reports it.
    void textDidChange(const TextEdit& edit);
    // Runs the owner's own change (through the target) as one step.
    template <typename Change> void changeAsOneStep(Change change)
    {
        _typingRunsOn = false;
        Group group;
        Group* outer = _openGroup;
        _openGroup = &group;
        change();
        _openGroup = outer;
        closeStep(std::move(group));
    }
    // The next typed character starts a step of its own.
    void breakTypingRun() { _typingRunsOn = false; }

    bool canUndo() const { return !_undoStack.empty(); }
    bool canRedo() const { return !_redoStack.empty(); }
    bool replaying() const { return _replaying; }
    void undo();
    void redo();
    // Another text was loaded: what was typed into the last one is no step of this one.
    void clear();

private:
    // One undo step: the changes in the order they were made.
    struct Group {
        std::vector<TextEdit> edits;
        // Typed characters and deleted ones join the step before them while they run on.
        enum class Kind { Other, Typing, Deleting } kind = Kind::Other;
    };

    void closeStep(Group group);
    void replay(const Group& group, bool forward);

    TypingUndoTarget& _target;
    std::vector<Group> _undoStack;
    std::vector<Group> _redoStack;
    // Changes arriving meanwhile go into this step, or none while undoing and redoing.
    Group* _openGroup = nullptr;
    bool _replaying = false;
    bool _typingRunsOn = false;
};
