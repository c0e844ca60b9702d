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
    _pastes.dropReads();
    Raised loading(_loading);
    _view->setPlainTextString(text);
}

// ---- Following the selection ----

void EmbeddedNotePanelController::afterChangingSelection(MindMapElement* element)
{
    if (!_view || _hidden) return;
    _modified = false;
    _pastes.dropReads();
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
    _pastes.dropReads();
    {
        Raised loading(_loading);
        _view->setPlainTextString(topic->note());
        _view->checkSpelling();
    }
    _modified = false;
    clearNoteUndo();
}

// ---- Typing ----

namespace {

// The byte offset in `text`, inserted after `before`, of the first code point that would make the
// squares of the lengths of the paragraphs it lengthens grow by more than `budget`; the text's size
// when all of it stays within. Lengths are counted in code points, as the layout's work is.
size_t paragraphGrowthEnd(std::string_view before, std::string_view text, uint64_t budget)
{
    const auto startsCodePoint = [](char byte) { return (static_cast<unsigned char>(byte) & 0xC0) != 0x80; };
    const size_t lineBreak = before.rfind('\n');
    const std::string_view line = before.substr(lineBreak == std::string_view::npos ? 0 : lineBreak + 1);
    uint64_t length = static_cast<uint64_t>(std::count_if(line.begin(), line.end(), startsCodePoint));
    uint64_t growth = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (!startsCodePoint(text[i])) continue;
        if (text[i] == '\n') {
            length = 0;
            continue;
        }
        growth += 2 * length + 1;
        if (growth > budget) return i;
        ++length;
    }
    return text.size();
}

} // namespace

size_t EmbeddedNotePanelController::textWillInsert(std::string_view before, std::string_view text)
{
    if (_loading > 0 || _replaying > 0) return text.size();
    return fitNoteInsertion(before, text);
}

size_t EmbeddedNotePanelController::fitNoteInsertion(std::string_view before, std::string_view text)
{
    // No text of fewer bytes can have more characters.
    size_t kept = text.size() <= MaximumInsertedCharacters
        ? text.size()
        : Graphemes::offsetAfter(text, MaximumInsertedCharacters, Graphemes::StreamSafeCodePoints);
    const size_t grown = paragraphGrowthEnd(before, text.substr(0, kept), MaximumParagraphGrowth);
    const bool paragraphs = grown < kept;
    if (paragraphs) kept = Graphemes::boundaryAtOrBefore(text, grown, Graphemes::StreamSafeCodePoints);
    if (kept < text.size()) {
        const auto count = [](std::string_view part) {
            return formatInteger(static_cast<int64_t>(Graphemes::count(part, Graphemes::StreamSafeCodePoints)));
        };
        feedbackSinkInstance().showEditorNotification(
            localized("note_text_cut_title"),
            paragraphs ? localizedFormat("note_text_cut_paragraphs_reason", {count(text.substr(0, kept)), count(text)})
                       : localizedFormat("note_text_cut_reason",
                                         {count(text), formatInteger(static_cast<int64_t>(MaximumInsertedCharacters))}),
            FeedbackStateWarning);
    }
    return kept;
}

void EmbeddedNotePanelController::textDidChange(const TextEdit& edit)
{
    if (_loading > 0) return;
    _pastes.textDidChange(edit);
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
    pasteFrom(Pasteboard::generalPasteboard(), std::nullopt);
}

void EmbeddedNotePanelController::pasteFrom(const Pasteboard& source, std::optional<TextRange> range)
{
    if (!editable() || !_view) return;
    _pastes.read(source, range, [this](std::optional<TextRange> range, const std::string& text) {
        if (!editable() || !_view) return;
        _noteUndo.changeAsOneStep([&] { _view->replaceCharacters(range.value_or(_view->selectedRange()), text); });
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
