#include "editor-view/InplaceTextView.h"

#include "Utils/BezierPathShapes.h"
#include "platform/BezierPath.h"
#include "platform/GraphicsContext.h"

#include <algorithm>

size_t previousCharacterPosition(const std::string& text, size_t position)
{
    size_t offset = utf8OffsetForUtf16Position(text, position);
    if (offset == 0) return 0;
    // Back over the continuation bytes to the character's first byte.
    do --offset;
    while (offset > 0 && (static_cast<unsigned char>(text[offset]) & 0xC0) == 0x80);
    return utf16PositionForUtf8Offset(text, offset);
}

// ---- Border ----

BezierPath InplaceEditorBorder::path(const Rect& bounds) const
{
    const double inset = strokeWidth() + 1;
    BezierPath path;
    addRoundedRect(path, insetRect(bounds, inset, inset), cornerRadius());
    path.setLineWidth(strokeWidth());
    return path;
}

void InplaceEditorBorder::draw(GraphicsContext& context, const Rect& bounds) const
{
    const BezierPath outline = path(bounds);
    if (outline.isEmpty()) return;
    context.fillPath(outline, fillColor);
    context.strokePath(outline, StrokeStyle::solid(strokeColor));
}

// ---- Plain text view ----

void PlainInplaceTextView::setSelectedRange(TextRange range)
{
    // Snapped to whole characters, as the toolkit's view would.
    const size_t start = utf16PositionForUtf8Offset(_text, utf8OffsetForUtf16Position(_text, range.location));
    const size_t end = utf16PositionForUtf8Offset(_text, utf8OffsetForUtf16Position(_text, range.end()));
    _selection = {start, std::max(start, end) - start};
}

void PlainInplaceTextView::replaceCharacters(TextRange range, const std::string& text)
{
    const size_t from = utf8OffsetForUtf16Position(_text, range.location);
    const size_t to = std::max(from, utf8OffsetForUtf16Position(_text, range.end()));
    const size_t start = utf16PositionForUtf8Offset(_text, from);
    // As the toolkit's view: the range goes first, then the client says what of the text follows.
    const std::string_view whole(_text);
    const std::string inserted = _client && !text.empty()
        ? text.substr(0, _client->textViewWillInsert(whole.substr(0, from), text, whole.substr(to)))
        : text;
    _selection = {start + utf16Length(inserted), 0};
    if (from == to && inserted.empty()) return;
    TextEdit edit{start, _text.substr(from, to - from), inserted};
    _text.replace(from, to - from, inserted);
    if (_client) _client->textDidChange(edit);
}

void PlainInplaceTextView::setFrames(const Rect& textFrame, const Rect& borderFrame)
{
    _textFrame = textFrame;
    _borderFrame = borderFrame;
    ++_frameChanges;
}

void PlainInplaceTextView::setSpellingFlags(bool continuous, bool automaticCorrection)
{
    _continuousSpellChecking = continuous;
    _automaticSpellingCorrection = automaticCorrection;
}

void PlainInplaceTextView::type(const std::string& text)
{
    replaceCharacters(_selection, text);
}

void PlainInplaceTextView::pressKey(const KeyEvent& event)
{
    if (_client && _client->textViewKeyDown(event)) return;
    if (event.keyValue == KeyValues::Return || event.keyValue == KeyValues::KeypadEnter) type("\n");
    else if (event.keyValue == KeyValues::Tab) type("\t");
    else if (event.keyValue == KeyValues::BackSpace) backspace();
}

void PlainInplaceTextView::backspace()
{
    if (_selection.length == 0) {
        if (_selection.location == 0) return;
        const size_t start = previousCharacterPosition(_text, _selection.location);
        replaceCharacters({start, _selection.location - start}, "");
        return;
    }
    replaceCharacters(_selection, "");
}

void PlainInplaceTextView::loseFocusTo(bool elsewhere)
{
    _focused = false;
    _focusElsewhere = elsewhere;
    if (_client) _client->textViewLostFocus();
}
