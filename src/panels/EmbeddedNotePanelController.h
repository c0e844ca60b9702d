#pragma once

#include "MindMaps/MindMapModelessEditor.h"
#include "editor-view/TextPastes.h"
#include "editor-view/TypingUndo.h"
#include "platform/Color.h"
#include "platform/Pasteboard.h"
#include "platform/Responder.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class MindMap;

// The owner of the note panel (the editor window): the map whose selection the panel follows.
class EmbeddedNotePanelControllerDelegate {
public:
    virtual ~EmbeddedNotePanelControllerDelegate() = default;
    virtual MindMap* getActiveMindMap() = 0;
};

// What the panel needs of its text view. Every change of the text, typed or made through
// the view, comes back as EmbeddedNotePanelController::textDidChange.
class EmbeddedNoteTextView : public TypingUndoTarget {
public:
    virtual std::string text() const = 0;
    virtual TextRange selectedRange() const = 0;
    // The whole text replaced by the plain string.
    virtual void setPlainTextString(const std::string& text) = 0;
    virtual void setPlaceholder(const std::string& placeholder) = 0;
    virtual void setEditable(bool editable) = 0;
    // No colour: the theme's text background.
    virtual void setBackgroundColor(const std::optional<Color>& color) = 0;
    // Checks the spelling of the whole text at once.
    virtual void checkSpelling() = 0;
};

// The note tab of the inspector: the map's modeless editor, showing and editing the note of
// the selected topic. A changed note is written back as one undo step of the map when the
// selection is about to change or the user leaves the text view; the typing in the note has an
// undo history of its own that never reaches the map's.
class EmbeddedNotePanelController : public MindMapModelessEditor {
public:
    static constexpr const char* EditNoteUndoKey = "editor_menu_edit_note";
    static constexpr const char* PlaceholderKey = "note_dialog_note_hint";
    // Grey backgrounds of the text view, read-only and without a topic.
    static constexpr double ReadOnlyWhite = 0.9;
    static constexpr double DisabledWhite = 0.7;
    static constexpr double MinimumHeight = 150;
    // The most characters one paste or drop brings into the note. A note keeps what it is given,
    // but the text view lays it out on the main thread: megabytes held the window for seconds.
    static constexpr size_t MaximumInsertedCharacters = 100000;
    // The most one paste or drop may add to the squares of the lengths, in characters, of the
    // paragraphs it makes longer: the text view lays each paragraph out whole, in time that grows
    // with the square of its length, and one of 100,000 letters without a line break held the
    // window for most of a minute. This is one paragraph of 10,000 characters, which takes a
    // fraction of a second, as do 100,000 characters in paragraphs of a page.
    static constexpr uint64_t MaximumParagraphGrowth = 10000ull * 10000ull;

    explicit EmbeddedNotePanelController(EmbeddedNotePanelControllerDelegate& delegate);
    ~EmbeddedNotePanelController() override;
    EmbeddedNotePanelController(const EmbeddedNotePanelController&) = delete;
    EmbeddedNotePanelController& operator=(const EmbeddedNotePanelController&) = delete;

    // The text view is loaded (not owned; nullptr when it goes): it gets the placeholder and is
    // not editable until a topic is shown.
    void setTextView(EmbeddedNoteTextView* view);

    bool readOnly() const { return _readOnly; }
    void setReadOnly(bool readOnly);
    bool hidden() const { return _hidden; }
    // Shown, the panel loads the active map's selection; hidden, it lets it go unwritten.
    void setHidden(bool hidden);
    bool enabled() const { return _enabled; }
    void setEnabled(bool enabled);
    bool modified() const { return _modified; }
    bool editable() const { return _enabled && !_hidden && !_readOnly; }

    // ---- The text view's reports ----
    // Before text comes into the view by a road of the user's (a key, a paste, a middle click, a
    // drop) after the text `before` it: how many of its bytes go in, at most
    // MaximumInsertedCharacters characters and MaximumParagraphGrowth, with a notice when that cut
    // it. What the panel loads and what its undo puts back go in whole.
    size_t textWillInsert(std::string_view before, std::string_view text);
    // The same bound for any text that comes into a note after the text `before` it, with the
    // same notice: the bound of every editor of a note.
    static size_t fitNoteInsertion(std::string_view before, std::string_view text);
    void textDidChange(const TextEdit& edit);
    // The user left the text view (for another widget of the window).
    void textDidEndEditing();

    // ---- The note's own undo ----
    bool canUndoNote() const { return _noteUndo.canUndo(); }
    bool canRedoNote() const { return _noteUndo.canRedo(); }
    void undoNote();
    void redoNote();
    void clearNoteUndo() { _noteUndo.clear(); }

    // ---- The edit commands while the note has the keyboard ----
    // The commands the note takes from the map ("undo:", "redo:", the clipboard's, "delete:",
    // "selectAll:"), and whether each can act now; nothing for the others.
    static bool isTextAction(const std::string& action);
    ItemValidation validateTextAction(const std::string& action, bool hasSelection) const;
    // The general pasteboard's text in place of the selection, as one step of the note's undo. It
    // goes into the note that asked: one shown or reloaded before the answer came takes nothing.
    void paste();
    // Any pasteboard's text (the primary selection at a middle click, a drop) in the same way, in
    // place of the range, moved along by the typing that comes before the text does.
    void pasteFrom(const Pasteboard& source, std::optional<TextRange> range);

    // ---- MindMapModelessEditor ----
    void beforeChangingSelection(MindMapElement* element) override;
    void afterChangingSelection(MindMapElement* element) override;
    void dropSelection() override;
    void attributeChanged(MindMapElement* element, unsigned attribute) override;

private:
    // Forwards to the view, which may be absent; the undo replays through it.
    class UndoTarget : public TypingUndoTarget {
    public:
        explicit UndoTarget(EmbeddedNotePanelController& owner) : _owner(owner) {}
        void replaceCharacters(TextRange range, const std::string& text) override;
        void setSelectedRange(TextRange range) override;

    private:
        EmbeddedNotePanelController& _owner;
    };

    void updateNoteMemoState();
    void fillTextView(const std::string& text);

    EmbeddedNotePanelControllerDelegate& _delegate;
    EmbeddedNoteTextView* _view = nullptr;
    bool _readOnly = false;
    bool _hidden = true;
    bool _enabled = false;
    bool _modified = false;
    // Above 0 while the panel fills the text view itself: that is no typing.
    int64_t _loading = 0;
    // Above 0 while the panel writes the note itself: the map's report of it reloads nothing.
    int64_t _locked = 0;
    // Above 0 while the note's undo puts text back.
    int64_t _replaying = 0;
    UndoTarget _undoTarget{*this};
    TypingUndo _noteUndo{_undoTarget};
    TextPastes _pastes;
};
