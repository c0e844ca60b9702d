#include "editor-view/InplaceTextEditor.h"

#include "MindMaps/MarkdownSpanParser.h"
#include "MindMaps/MinTextSizeCalculator.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapElement.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapStyle.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/StyleHelpers.h"
#include "MindMaps/StyleSheet.h"
#include "MindMaps/TextStyle.h"
#include "MindMaps/TopicTextLimit.h"
#include "Utils/FeedbackSink.h"
#include "platform/Graphemes.h"
#include "platform/Pasteboard.h"
#include "platform/TextMeasurer.h"

#include <algorithm>
#include <cmath>

namespace {

bool isClear(const std::optional<Color>& color)
{
    return !color || color->isNormalizedClearColor() || !(color->alpha() > 0);
}

const Color NormalizedGray(0.5, 0.5, 0.5);

// What a key leaves to the text view: the modifiers that make Return a line break.
constexpr unsigned NewlineModifiers = ShiftModifier | ControlModifier | AltModifier | SuperModifier;

} // namespace

// ---- Editing data ----

InplaceEditingData InplaceEditingData::editingDataForElement(const MindMapElement* element)
{
    InplaceEditingData data;
    if (const auto* text = dynamic_cast<const MindMapText*>(element)) {
        data.font = text->font().value_or(StyleSheet::textFont());
        data.alignment = text->style()->alignment();
        data.textColor = text->resolvedTextColor();
        const std::optional<Color> fill = text->style()->fillColor();
        data.fillColor = isClear(fill) ? Color::normalizedClearColor() : *fill;
        data.strokeColor = Color::normalizedClearColor();
        return data;
    }
    if (const auto* node = dynamic_cast<const MindMapNode*>(element)) {
        data.font = node->font().value_or(node->styleSheetFont().value_or(StyleSheet::subBranchFont()));
        data.alignment = node->style()->alignment();
        data.textColor = node->textColor();
        const std::optional<Color> fill = node->fillColor();
        const MindMap* map = node->mindMap();
        data.fillColor = !isClear(fill) ? *fill
            : map && map->style()       ? map->style()->backgroundColor()
                                        : Color::white();
        data.strokeColor = node->strokeColor();
        return data;
    }
    data.font = StyleSheet::textFont();
    data.alignment = 0;
    data.textColor = NormalizedGray;
    data.fillColor = Color::white();
    return data;
}

// ---- Set-up ----

InplaceTextEditor::InplaceTextEditor(InplaceTextEditorDelegate& delegate, std::unique_ptr<InplaceTextView> view,
                                     const InplaceEditingData& data, double scale, Point elementCenter,
                                     const std::string& text)
    : _delegate(&delegate),
      _view(view ? std::move(view) : std::make_unique<PlainInplaceTextView>()),
      _data(data),
      _scale(std::isfinite(scale) && scale > 0 ? scale : 1.0),
      _elementCenter(elementCenter),
      _allowedCharacters(TopicTextLimit::allowedCharacters(text))
{
    _border.fillColor = _data.fillColor;
    if (_data.strokeColor) _border.strokeColor = *_data.strokeColor;
    _border.scale = _scale;
    applyAppearance();
    _view->setBorder(_border);
    // Set before the client listens: the text the edit starts with is no step to undo.
    _view->replaceCharacters({0, utf16Length(_view->text())}, text);
    _view->setSelectedRange({0, utf16Length(text)});
    _view->setClient(this);
    registerActions();
    adjustFrameToText();
}

InplaceTextEditor::~InplaceTextEditor()
{
    _view->setClient(nullptr);
}

void InplaceTextEditor::passivate()
{
    _delegate = nullptr;
    _pastes.dropReads();
    _view->setClient(nullptr);
}

void InplaceTextEditor::applyAppearance()
{
    InplaceTextAppearance appearance;
    appearance.font = _data.font.withSize(_data.font.pointSize() * _scale);
    appearance.textColor = _data.textColor;
    appearance.alignment = TextAlignmentForStyleAlignment(_data.alignment);
    _view->setAppearance(appearance);
}

void InplaceTextEditor::setElementCenter(Point center)
{
    _elementCenter = center;
    adjustFrameToText();
}

void InplaceTextEditor::adjustFrameToText()
{
    if (!_delegate) return;
    // Measured as the view draws it: in the element's font at the editor's scale. Of a stored
    // text longer than new text may be, only as much as new text may have is measured, and the
    // rest scrolls inside the view: measuring megabytes at each key would hold the window.
    const Font font = _data.font.withSize(_data.font.pointSize() * _scale);
    std::string text = _view->text();
    if (text.size() > TopicTextLimit::MaximumCharacters)
        text.resize(Graphemes::offsetAfter(text, TopicTextLimit::MaximumCharacters, Graphemes::StreamSafeCodePoints));
    const Size textSize = TextMeasurer::shared().sizeForText(text, font);
    const Size minimum = MinTextSizeCalculator::instance().minTextSizeForFont(_data.font);
    Size size(std::max(textSize.width, minimum.width * _scale), std::max(textSize.height, minimum.height * _scale));
    // Outside the view's own limits the text scrolls inside it.
    size.width = std::clamp(size.width + 2 * FrameOutsetX, MinimumViewSide, MaximumViewSide) - 2 * FrameOutsetX;
    size.height = std::clamp(size.height + 2 * FrameOutsetY, MinimumViewSide, MaximumViewSide) - 2 * FrameOutsetY;
    const Point center = _delegate->mapToViewSpace(_elementCenter);
    const Rect textRect(center.x - size.width / 2, center.y - size.height / 2, size.width, size.height);
    const Rect frame = insetRect(textRect, -FrameOutsetX, -FrameOutsetY);
    if (frame == _textFrame) return;
    _textFrame = frame;
    const double outset = BorderOutsetStrokes * _border.strokeWidth();
    _borderFrame = insetRect(frame, -outset, -outset);
    _view->setFrames(_textFrame, _borderFrame);
}

// ---- Keys ----

bool InplaceTextEditor::keyDown(const KeyEvent& event)
{
    switch (event.keyValue) {
    case KeyValues::Escape:
        cancelOperation();
        return true;
    case KeyValues::Return:
    case KeyValues::KeypadEnter:
        insertNewline(event.modifiers);
        return true;
    case KeyValues::Tab:
    case KeyValues::LeftTab:
        // The canvas is the text view's next key view either way: the keys go back to it.
        if (event.modifiers & ~ShiftModifier) return false;
        if (_delegate) _delegate->stopEditing(Commit);
        return true;
    default:
        return false;
    }
}

void InplaceTextEditor::cancelOperation()
{
    if (_delegate) _delegate->stopEditing(Cancel);
}

void InplaceTextEditor::insertNewline(unsigned modifiers)
{
    if (!(modifiers & NewlineModifiers)) {
        if (_delegate) _delegate->stopEditing(CommitByReturn);
        return;
    }
    changeAsOneStep([this] { _view->replaceCharacters(_view->selectedRange(), "\n"); });
}

void InplaceTextEditor::resignFirstResponder()
{
    if (_delegate) _delegate->stopEditing(Commit);
}

// ---- Clipboard ----

void InplaceTextEditor::paste()
{
    pasteFrom(Pasteboard::generalPasteboard(), std::nullopt);
}

void InplaceTextEditor::pasteFrom(const Pasteboard& source, std::optional<TextRange> range)
{
    // The clipboard's owner answers when it will; an edit that has ended by then lets the answer go.
    _pastes.read(source, range, [this](std::optional<TextRange> range, const std::string& pasted) {
        const std::string text = MindMapNode::validateNodeText(pasted);
        if (text.empty()) return;
        const TextRange replaced = range.value_or(_view->selectedRange());
        changeAsOneStep([&] { _view->replaceCharacters(replaced, text); });
    });
}

void InplaceTextEditor::copy()
{
    const TextRange range = _view->selectedRange();
    if (range.length == 0) return;
    Pasteboard& pasteboard = Pasteboard::generalPasteboard();
    pasteboard.declareTypes({Pasteboard::StringType});
    const std::string text = _view->text();
    const size_t from = utf8OffsetForUtf16Position(text, range.location);
    pasteboard.setString(text.substr(from, utf8OffsetForUtf16Position(text, range.end()) - from),
                         Pasteboard::StringType);
}

void InplaceTextEditor::cut()
{
    if (_view->selectedRange().length == 0) return;
    copy();
    deleteSelection();
}

void InplaceTextEditor::deleteSelection()
{
    const TextRange range = _view->selectedRange();
    if (range.length == 0) return;
    changeAsOneStep([&] { _view->replaceCharacters(range, ""); });
}

void InplaceTextEditor::selectAll()
{
    _view->setSelectedRange({0, utf16Length(_view->text())});
}

size_t InplaceTextEditor::textViewWillInsert(std::string_view before, std::string_view text, std::string_view after)
{
    // Held where text comes in, so that no road fills the view with more than it may hold: a view
    // of megabytes is measured and laid out for minutes, long before the edit commits.
    return fitTextInsertion(before, text, after, _allowedCharacters);
}

size_t InplaceTextEditor::fitTextInsertion(std::string_view before, std::string_view text, std::string_view after,
                                           size_t allowed)
{
    Error error;
    const size_t kept = TopicTextLimit::fitInsertion(before, text, after, allowed, &error);
    if (kept < text.size())
        feedbackSinkInstance().showEditorNotification(error.localizedDescription, error.failureReason,
                                                      FeedbackStateError);
    return kept;
}

// ---- Typing undo ----

template <typename Change> void InplaceTextEditor::changeAsOneStep(Change change)
{
    _undo.changeAsOneStep(change);
}

void InplaceTextEditor::textDidChange(const TextEdit& edit)
{
    _pastes.textDidChange(edit);
    _undo.textDidChange(edit);
    adjustFrameToText();
}

void InplaceTextEditor::undo()
{
    _undo.undo();
    adjustFrameToText();
}

void InplaceTextEditor::redo()
{
    _undo.redo();
    adjustFrameToText();
}

// ---- Markdown ----

void InplaceTextEditor::surroundWithMarkdownToken(const std::string& token)
{
    if (token.empty()) return;
    const std::string text = _view->text();
    if (text.empty()) {
        changeAsOneStep([&] { _view->replaceCharacters({0, 0}, token + token); });
        applyAppearance();
        _view->setSelectedRange({utf16Length(token), 0});
        return;
    }
    const TextRange range = _view->selectedRange();
    if (range.end() > utf16Length(text)) return;
    // Both tokens or neither: a text at the limit must not keep an opening token alone.
    if (textViewWillInsert(text, token + token, {}) < 2 * token.size()) return;
    changeAsOneStep([&] {
        _view->replaceCharacters({range.end(), 0}, token);
        _view->replaceCharacters({range.location, 0}, token);
    });
    const size_t tokenLength = utf16Length(token);
    const size_t caret = range.length > 0 ? range.end() + 2 * tokenLength : range.location + tokenLength;
    _view->setSelectedRange({caret, 0});
}

void InplaceTextEditor::removeMarkdown()
{
    const std::string text = _view->text();
    const std::string filtered = MarkdownSpanParser::markdownFilteredString(text);
    if (filtered == text) return;
    changeAsOneStep([&] { _view->replaceCharacters({0, utf16Length(text)}, filtered); });
}

// ---- Actions ----

void InplaceTextEditor::registerActions()
{
    const std::pair<const char*, void (InplaceTextEditor::*)()> actions[] = {
        {"undo:", &InplaceTextEditor::undo},
        {"redo:", &InplaceTextEditor::redo},
        {"cut:", &InplaceTextEditor::cut},
        {"copy:", &InplaceTextEditor::copy},
        {"paste:", &InplaceTextEditor::paste},
        {"delete:", &InplaceTextEditor::deleteSelection},
        {"selectAll:", &InplaceTextEditor::selectAll},
        // Ctrl+A selects the text being typed, not the map's topics.
        {"selectAllNodes:", &InplaceTextEditor::selectAll},
        {"toggleBoldFontStyle:", &InplaceTextEditor::toggleBoldFontStyle},
        {"toggleItalicFontStyle:", &InplaceTextEditor::toggleItalicFontStyle},
        {"toggleStrikeThroughFontStyle:", &InplaceTextEditor::toggleStrikeThroughFontStyle},
        {"toggleUnderlineFontStyle:", &InplaceTextEditor::toggleUnderlineFontStyle},
        {"toggleSuperscriptFontStyle:", &InplaceTextEditor::toggleSuperscriptFontStyle},
        {"toggleSubscriptFontStyle:", &InplaceTextEditor::toggleSubscriptFontStyle},
        {"removeMarkdown:", &InplaceTextEditor::removeMarkdown},
    };
    for (const auto& [action, method] : actions)
        addAction(action, [this, method = method](const ActionSender*) {
            if (_delegate) (this->*method)();
        });
    // The view's own switches; the editor takes them over when the edit ends.
    addAction("toggleContinuousSpellChecking:", [this](const ActionSender*) {
        if (_delegate) _view->setSpellingFlags(!_view->continuousSpellChecking(), _view->automaticSpellingCorrection());
    });
    addAction("toggleAutomaticSpellingCorrection:", [this](const ActionSender*) {
        if (_delegate) _view->setSpellingFlags(_view->continuousSpellChecking(), !_view->automaticSpellingCorrection());
    });
}

ItemValidation InplaceTextEditor::validateUserInterfaceItem(const ValidatedUserInterfaceItem& item)
{
    return validateAction(item.action());
}

ItemValidation InplaceTextEditor::validateAction(const std::string& action) const
{
    if (!_delegate) return ItemValidation::enabledIf(false);
    const bool selected = _view->selectedRange().length > 0;
    if (action.rfind("toggle", 0) == 0 && action.find("FontStyle:") != std::string::npos)
        return ItemValidation::enabledIf(_view->text().empty() || selected);
    if (action == "undo:") return ItemValidation::enabledIf(canUndo());
    if (action == "redo:") return ItemValidation::enabledIf(canRedo());
    if (action == "cut:" || action == "copy:" || action == "delete:") return ItemValidation::enabledIf(selected);
    if (action == "paste:")
        return ItemValidation::enabledIf(
            Pasteboard::generalPasteboard().availableTypeFromArray({Pasteboard::StringType}).has_value());
    if (action == "selectAll:" || action == "selectAllNodes:") return ItemValidation::enabledIf(!_view->text().empty());
    ItemValidation validation;
    if (action == "toggleContinuousSpellChecking:") validation.checked = _view->continuousSpellChecking();
    if (action == "toggleAutomaticSpellingCorrection:") validation.checked = _view->automaticSpellingCorrection();
    return validation;
}
