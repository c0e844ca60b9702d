#include "panels/EmbeddedNotePanelController.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "Utils/FeedbackSink.h"
#include "Utils/StringUtils.h"
#include "platform/Graphemes.h"
#include "platform/Localizer.h"
#include "platform/NumberText.h"
#include "store/EditorInterface.h"

#include <algorithm>
#include <iterator>

namespace {

MindMapNode* topicOf(MindMapElement* element)
{
    if (!element || element->elementType() != ElementTypeNode) return nullptr;
    return static_cast<MindMapNode*>(element);
}

// Raises a re-entry counter for a scope.
class Raised {
public:
    explicit Raised(int64_t& counter) : _counter(counter) { ++_counter; }
    ~Raised() { --_counter; }
    Raised(const Raised&) = delete;
    Raised& operator=(const Raised&) = delete;

private:
    int64_t& _counter;
};

} // namespace

EmbeddedNotePanelController::EmbeddedNotePanelController(EmbeddedNotePanelControllerDelegate& delegate)
    : _delegate(delegate)
{
}

EmbeddedNotePanelController::~EmbeddedNotePanelController() = default;

void EmbeddedNotePanelController::setTextView(EmbeddedNoteTextView* view)
{
    _view = view;
    if (!_view) return;
    _view->setPlaceholder(localized(PlaceholderKey));
    _view->setEditable(false);
    updateNoteMemoState();
}

// ---- State ----

void EmbeddedNotePanelController::setReadOnly(bool readOnly)
{
    // The window tells it after every event: the view is restyled only on a change.
    if (readOnly == _readOnly) return;
    _readOnly = readOnly;
    updateNoteMemoState();
}

void EmbeddedNotePanelController::setEnabled(bool enabled)
{
    if (enabled == _enabled) return;
    _enabled = enabled;
    updateNoteMemoState();
}

void EmbeddedNotePanelController::setHidden(bool hidden)
{
    if (hidden == _hidden) return;
    MindMap* map = _delegate.getActiveMindMap();
    // What was typed is kept when the tab goes, as when the selection moves.
    if (hidden) beforeChangingSelection(map ? map->selectedElement() : nullptr);
    _hidden = hidden;
    if (_hidden) {
        dropSelection();
    } else {
        afterChangingSelection(map ? map->selectedElement() : nullptr);
    }
    updateNoteMemoState();
}

void EmbeddedNotePanelController::updateNoteMemoState()
{
    if (!_view) return;
    _view->setEditable(editable());
    if (!_enabled) _view->setBackgroundColor(Color(DisabledWhite, DisabledWhite, DisabledWhite));
    else if (_readOnly) _view->setBackgroundColor(Color(ReadOnlyWhite, ReadOnlyWhite, ReadOnlyWhite));
    else _view->setBackgroundColor(std::nullopt);
}

void EmbeddedNotePanelController::fillTextView(const std::string& text)
{
    _pasteRequester.dropReads();
    Raised loading(_loading);
    _view->setPlainTextString(text);
}

// ---- Following the selection ----

void EmbeddedNotePanelController::afterChangingSelection(MindMapElement* element)
{
    if (!_view || _hidden) return;
    _modified = false;
    _pasteRequester.dropReads();
    {
        Raised loading(_loading);
        if (MindMapNode* topic = topicOf(element)) {
            _view->setPlainTextString(topic->note());
            setEnabled(true);
            _view->checkSpelling();
        } else {
            _view->setPlainTextString(std::string());
            setEnabled(false);
        }
        clearNoteUndo();
    }
    _modified = false;
}

void EmbeddedNotePanelController::beforeChangingSelection(MindMapElement* element)
{
    MindMapNode* topic = topicOf(element);
    if (!_view || !_modified || !_enabled || _readOnly || _hidden || !topic) return;
    _modified = false;
    const std::string note = _view->text();
    // Typing that came back to the stored note (undone, or deleted and typed again) is no step
    // of the map's.
    if (MindMapNode::validateNodeText(trimmedWhitespaceAndNewlines(note)) == topic->note()) return;
    {
        Raised locked(_locked);
        if (MindMap* map = topic->mindMap()) map->prepareUndoableOperation(localized(EditNoteUndoKey));
        topic->setNote(note);
    }
    _modified = false;
}

void EmbeddedNotePanelController::dropSelection()
{
    if (_view) fillTextView(std::string());
    _modified = false;
    setEnabled(false);
    clearNoteUndo();
}

void EmbeddedNotePanelController::attributeChanged(MindMapElement* element, unsigned attribute)
{
    MindMapNode* topic = topicOf(element);
    if (attribute != 0 || !topic || _hidden || _locked != 0 || !_view) return;
    _pasteRequester.dropReads();
    {
        Raised loading(_loading);
        _view->setPlainTextString(topic->note());
        _view->checkSpelling();
    }
    _modified = false;
    clearNoteUndo();
}

// ---- Typing ----

size_t EmbeddedNotePanelController::textWillInsert(std::string_view text)
{
    // No text of fewer bytes can have more characters.
    if (_loading > 0 || _replaying > 0 || text.size() <= MaximumInsertedCharacters) return text.size();
    const size_t kept = Graphemes::offsetAfter(text, MaximumInsertedCharacters, Graphemes::StreamSafeCodePoints);
    if (kept < text.size()) {
        const auto count = [](size_t characters) { return formatInteger(static_cast<int64_t>(characters)); };
        feedbackSinkInstance().showEditorNotification(
            localized("note_text_cut_title"),
            localizedFormat(
                "note_text_cut_reason",
                {count(Graphemes::count(text, Graphemes::StreamSafeCodePoints)), count(MaximumInsertedCharacters)}),
            FeedbackStateWarning);
    }
    return kept;
}

void EmbeddedNotePanelController::textDidChange(const TextEdit& edit)
{
    if (_loading > 0) return;
    _noteUndo.textDidChange(edit);
    _modified = true;
}

void EmbeddedNotePanelController::textDidEndEditing()
{
    if (_loading > 0 || _hidden) return;
    // Through the editor this reaches the map, which hands its selection to
    // beforeChangingSelection.
    EditorInterfaceInstance()->commitModelessEditors();
}

bool EmbeddedNotePanelController::isTextAction(const std::string& action)
{
    static const char* const actions[] = {"undo:", "redo:", "cut:", "copy:", "paste:", "delete:", "selectAll:"};
    return std::ranges::find(actions, action) != std::end(actions);
}

ItemValidation EmbeddedNotePanelController::validateTextAction(const std::string& action, bool hasSelection) const
{
    if (action == "undo:") return ItemValidation::enabledIf(editable() && canUndoNote());
    if (action == "redo:") return ItemValidation::enabledIf(editable() && canRedoNote());
    if (action == "cut:" || action == "delete:") return ItemValidation::enabledIf(editable() && hasSelection);
    if (action == "copy:") return ItemValidation::enabledIf(hasSelection);
    if (action == "paste:") return ItemValidation::enabledIf(editable());
    if (action == "selectAll:") return ItemValidation::enabledIf(_enabled && !_hidden);
    return ItemValidation::enabledIf(false);
}

void EmbeddedNotePanelController::paste()
{
    if (!editable() || !_view) return;
    Pasteboard::generalPasteboard().read({Pasteboard::StringType}, _pasteRequester, [this](const Pasteboard& contents) {
        const std::optional<std::string> text = contents.stringForType(Pasteboard::StringType);
        if (!text || !editable() || !_view) return;
        _noteUndo.changeAsOneStep([&] { _view->replaceCharacters(_view->selectedRange(), *text); });
    });
}

void EmbeddedNotePanelController::undoNote()
{
    if (!editable()) return;
    _noteUndo.undo();
}

void EmbeddedNotePanelController::redoNote()
{
    if (!editable()) return;
    _noteUndo.redo();
}

void EmbeddedNotePanelController::UndoTarget::replaceCharacters(TextRange range, const std::string& text)
{
    Raised replaying(_owner._replaying);
    if (_owner._view) _owner._view->replaceCharacters(range, text);
}

void EmbeddedNotePanelController::UndoTarget::setSelectedRange(TextRange range)
{
    if (_owner._view) _owner._view->setSelectedRange(range);
}
