#pragma once

#include "editor-view/EditorEvents.h"
#include "editor-view/TypingUndo.h"
#include "platform/AttributedString.h"
#include "platform/Color.h"
#include "platform/Font.h"
#include "platform/Geometry.h"

#include <cstddef>
#include <string>
#include <string_view>

class BezierPath;
class GraphicsContext;
class Pasteboard;

// Positions in the edited text are TextRange positions: UTF-16 units, as everywhere in the
// editor. The toolkit's text widget counts characters and the measurer bytes; the text view's
// adapter is the one place that converts.

// How the text of an edit is drawn: the element's font already at the editor's scale, its text
// colour and alignment.
struct InplaceTextAppearance {
    Font font;
    Color textColor;
    TextAlignment alignment = TextAlignment::Center;
};

// The rounded frame behind the text view. Its stroke grows with the zoom.
struct InplaceEditorBorder {
    Color fillColor = Color::white();
    Color strokeColor = Color(1.0 / 3.0, 1.0 / 3.0, 1.0 / 3.0);
    double scale = 1.0;

    double strokeWidth() const { return 3 * scale; }
    double cornerRadius() const { return 2 * scale; }
    // The outline drawn inside a border view of these bounds.
    BezierPath path(const Rect& bounds) const;
    void draw(GraphicsContext& context, const Rect& bounds) const;
};

// What the text view reports to the edit that owns it.
class InplaceTextViewClient {
public:
    virtual ~InplaceTextViewClient() = default;
    // After every change of the text, typed or made through the view.
    virtual void textDidChange(const TextEdit& edit) = 0;
    // Before the view handles a key itself; true when the edit used it.
    virtual bool textViewKeyDown(const KeyEvent& event) = 0;
    // The keyboard focus went to another widget of the active window. A window that merely
    // became inactive keeps its focus widget and reports nothing.
    virtual void textViewLostFocus() = 0;
    // The view's own paste (its context menu, its key binding).
    virtual void textViewPaste() = 0;
    // Another pasteboard's text for the range (the primary selection at a middle click, a drop).
    virtual void textViewPasteFrom(const Pasteboard& source, TextRange range) = 0;
    // Before text goes in between the text before and after it, by any road (a key, a paste, a
    // middle click, a drop, an input method, the edit's own changes): how many of its bytes go in.
    virtual size_t textViewWillInsert(std::string_view before, std::string_view text, std::string_view after) = 0;
};

// The text view of an in-place edit: a borderless text widget laid over the canvas, with the
// rounded border behind it. The edit decides everything; the view shows the text, keeps the
// selection and reports changes, keys and the loss of focus to its client.
class InplaceTextView : public TypingUndoTarget {
public:
    // Not owned; nullptr stops the reports (a view being taken down).
    virtual void setClient(InplaceTextViewClient* client) = 0;

    virtual std::string text() const = 0;
    virtual TextRange selectedRange() const = 0;
    // A range past the end is cut to the text.
    void setSelectedRange(TextRange range) override = 0;
    // Reported to the client as textDidChange, as a typed change would be; the caret follows the
    // new text.
    void replaceCharacters(TextRange range, const std::string& text) override = 0;

    virtual void setAppearance(const InplaceTextAppearance& appearance) = 0;
    virtual void setBorder(const InplaceEditorBorder& border) = 0;
    // In the canvas's view space: where the text view lies, and the border view round it.
    virtual void setFrames(const Rect& textFrame, const Rect& borderFrame) = 0;

    virtual void setSpellingFlags(bool continuousSpellChecking, bool automaticSpellingCorrection) = 0;
    virtual bool continuousSpellChecking() const = 0;
    virtual bool automaticSpellingCorrection() const = 0;

    // Put on the canvas and given the keyboard focus.
    virtual void show() = 0;
    // The keyboard focus is on a widget other than this view and the canvas.
    virtual bool focusIsElsewhere() const = 0;
    // Taken off the canvas. The object may still be inside one of its own signals: it is
    // destroyed later.
    virtual void remove() = 0;
};

// A text view without a display: the text and the selection in memory. The editor edits in it
// when no canvas widget gives it one, and tests type into it.
class PlainInplaceTextView : public InplaceTextView {
public:
    void setClient(InplaceTextViewClient* client) override { _client = client; }
    std::string text() const override { return _text; }
    TextRange selectedRange() const override { return _selection; }
    void setSelectedRange(TextRange range) override;
    void replaceCharacters(TextRange range, const std::string& text) override;
    void setAppearance(const InplaceTextAppearance& appearance) override { _appearance = appearance; }
    void setBorder(const InplaceEditorBorder& border) override { _border = border; }
    void setFrames(const Rect& textFrame, const Rect& borderFrame) override;
    void setSpellingFlags(bool continuous, bool automaticCorrection) override;
    bool continuousSpellChecking() const override { return _continuousSpellChecking; }
    bool automaticSpellingCorrection() const override { return _automaticSpellingCorrection; }
    void show() override { _shown = _focused = true; }
    bool focusIsElsewhere() const override { return _focusElsewhere; }
    void remove() override { _shown = _focused = false; }

    // ---- As the user would ----
    // Types the text over the selection, leaving the caret after it; a key the client uses is
    // not typed.
    void type(const std::string& text);
    // A key as the toolkit hands it: first to the client; Return and Tab the client leaves
    // alone become a line break and a tab.
    void pressKey(const KeyEvent& event);
    // Deletes the selection, or the character before the caret.
    void backspace();
    // The focus goes to another widget of the window.
    void loseFocusTo(bool elsewhere);

    const InplaceTextAppearance& appearance() const { return _appearance; }
    const InplaceEditorBorder& border() const { return _border; }
    Rect textFrame() const { return _textFrame; }
    Rect borderFrame() const { return _borderFrame; }
    int frameChanges() const { return _frameChanges; }
    bool shown() const { return _shown; }
    bool focused() const { return _focused; }

private:
    InplaceTextViewClient* _client = nullptr;
    std::string _text;
    TextRange _selection;
    InplaceTextAppearance _appearance;
    InplaceEditorBorder _border;
    Rect _textFrame;
    Rect _borderFrame;
    int _frameChanges = 0;
    bool _continuousSpellChecking = false;
    bool _automaticSpellingCorrection = false;
    bool _shown = false;
    bool _focused = false;
    bool _focusElsewhere = false;
};

// The position of the character before the one at the position (0 at the start).
size_t previousCharacterPosition(const std::string& text, size_t position);
