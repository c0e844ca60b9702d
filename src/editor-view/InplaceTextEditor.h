#pragma once

#include "editor-view/InplaceTextView.h"
#include "editor-view/TextPastes.h"
#include "platform/Color.h"
#include "platform/Font.h"
#include "platform/Geometry.h"
#include "platform/Pasteboard.h"
#include "platform/Responder.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class MindMapElement;

// How an element is edited in place: its font, the map's alignment code (0 centre, 1 left,
// 2 right) and its colours. A missing stroke colour leaves the border's own.
struct InplaceEditingData {
    int32_t alignment = 0;
    Font font;
    Color textColor;
    Color fillColor = Color::white();
    std::optional<Color> strokeColor;

    // By kind: a free text, a topic, anything else.
    static InplaceEditingData editingDataForElement(const MindMapElement* element);
};

// What an in-place edit asks of the editor that runs it.
class InplaceTextEditorDelegate {
public:
    virtual ~InplaceTextEditorDelegate() = default;
    // Ends the edit (StopMode).
    virtual void stopEditing(int mode) = 0;
    virtual Point mapToViewSpace(Point mapPoint) const = 0;
};

// One in-place edit of a topic's or a free text's text: the text view laid over the element at
// the editor's scale, grown with the text, its typing undo, its clipboard and the markdown
// toggles. It ends through its delegate, which writes the text back; the undo of its typing lives
// and dies with it. While it is open it is the first link of the responder chain.
class InplaceTextEditor : public Responder, private InplaceTextViewClient {
public:
    enum StopMode : int { Cancel = 0, Commit = 1, CommitByReturn = 2 };

    // Below this zoom the editor zooms in before the edit starts.
    static constexpr double MinimumEditingScale = 0.65;
    // Round the text, inside the text view.
    static constexpr double FrameOutsetX = 6;
    static constexpr double FrameOutsetY = 1;
    // The border view reaches this many stroke widths beyond the text view.
    static constexpr double BorderOutsetStrokes = 4;
    static constexpr double MinimumViewSide = 5;
    static constexpr double MaximumViewSide = 1600;
    // A new topic shows this, selected, until the first key replaces it.
    static constexpr const char* Placeholder = " ";

    // The markdown span tokens of the toggles.
    static constexpr const char* BoldToken = "*";
    static constexpr const char* ItalicToken = "_";
    static constexpr const char* StrikeThroughToken = "~~";
    static constexpr const char* UnderlineToken = "~";
    static constexpr const char* SuperscriptToken = "^^";
    static constexpr const char* SubscriptToken = ",,";

    // The view shows the text all selected, in the element's font at the scale, centred on the
    // centre (map space).
    InplaceTextEditor(InplaceTextEditorDelegate& delegate, std::unique_ptr<InplaceTextView> view,
                      const InplaceEditingData& data, double scale, Point elementCenter, const std::string& text);
    ~InplaceTextEditor() override;
    InplaceTextEditor(const InplaceTextEditor&) = delete;
    InplaceTextEditor& operator=(const InplaceTextEditor&) = delete;

    // After the edit has ended: reports that still arrive (focus signals of a view being taken
    // down) do nothing.
    void passivate();
    bool isActive() const { return _delegate != nullptr; }

    InplaceTextView& view() { return *_view; }
    const InplaceTextView& view() const { return *_view; }
    const InplaceEditingData& editingData() const { return _data; }
    double scale() const { return _scale; }
    const InplaceEditorBorder& border() const { return _border; }
    Point elementCenter() const { return _elementCenter; }
    void setElementCenter(Point center);
    std::string text() const { return _view->text(); }

    // The text view's frame: the text's size, at least the font's smallest, centred on the
    // element and grown by the outsets; the border round it.
    void adjustFrameToText();
    Rect textFrame() const { return _textFrame; }
    Rect borderFrame() const { return _borderFrame; }

    // ---- Keys ----
    // Escape cancels, a plain Return commits (CommitByReturn), Tab commits and hands the keys back
    // to the canvas; Return with a modifier is a line break.
    bool keyDown(const KeyEvent& event);
    void cancelOperation();
    void insertNewline(unsigned modifiers);
    // The view lost the keyboard focus to another widget of the window: the edit commits.
    void resignFirstResponder();

    // ---- Clipboard ----
    // Plain text only, made a valid topic text; nothing else is pasted. What the text view takes
    // of it, and of anything else that comes into it, is held to the topic text limit with a
    // notice, at the caret: the text around it stays whole.
    void paste();
    // Any pasteboard's text in the same way, in place of the range, moved along by the typing that
    // comes before the text does; the selection of the moment without one.
    void pasteFrom(const Pasteboard& source, std::optional<TextRange> range);
    void copy();
    void cut();
    void selectAll();
    void deleteSelection();

    // ---- Typing undo ----
    bool canUndo() const { return _undo.canUndo(); }
    bool canRedo() const { return _undo.canRedo(); }
    void undo();
    void redo();

    // ---- Markdown ----
    // Wraps the selection in the token, closing token first; an empty text becomes the two
    // tokens with the caret between them. Tokens are only ever added.
    void surroundWithMarkdownToken(const std::string& token);
    void toggleBoldFontStyle() { surroundWithMarkdownToken(BoldToken); }
    void toggleItalicFontStyle() { surroundWithMarkdownToken(ItalicToken); }
    void toggleStrikeThroughFontStyle() { surroundWithMarkdownToken(StrikeThroughToken); }
    void toggleUnderlineFontStyle() { surroundWithMarkdownToken(UnderlineToken); }
    void toggleSuperscriptFontStyle() { surroundWithMarkdownToken(SuperscriptToken); }
    void toggleSubscriptFontStyle() { surroundWithMarkdownToken(SubscriptToken); }
    // The whole text without its markdown.
    void removeMarkdown();

    ItemValidation validateUserInterfaceItem(const ValidatedUserInterfaceItem& item) override;
    ItemValidation validateAction(const std::string& action) const;

    // How many bytes of the text go in between the text before and after it when the whole may
    // have that many characters (TopicTextLimit), with a notice when it was cut: the bound of every
    // editor of a topic's or a free text's text.
    static size_t fitTextInsertion(std::string_view before, std::string_view text, std::string_view after,
                                   size_t allowed);

private:
    void textDidChange(const TextEdit& edit) override;
    bool textViewKeyDown(const KeyEvent& event) override { return keyDown(event); }
    void textViewLostFocus() override { resignFirstResponder(); }
    void textViewPaste() override { paste(); }
    void textViewPasteFrom(const Pasteboard& source, TextRange range) override { pasteFrom(source, range); }
    size_t textViewWillInsert(std::string_view before, std::string_view text, std::string_view after) override;
    void registerActions();
    void applyAppearance();
    // Runs changes made by the edit itself as one undo step.
    template <typename Change> void changeAsOneStep(Change change);

    InplaceTextEditorDelegate* _delegate;
    std::unique_ptr<InplaceTextView> _view;
    InplaceEditingData _data;
    double _scale;
    InplaceEditorBorder _border;
    Point _elementCenter;
    Rect _textFrame;
    Rect _borderFrame;
    // As many characters as the text may have (TopicTextLimit): a stored longer text may stay.
    size_t _allowedCharacters;

    TypingUndo _undo{*_view};
    TextPastes _pastes;
};
