#pragma once

#include "MindMaps/ContainedElement.h"
#include "MindMaps/ElementStyleListener.h"
#include "MindMaps/WordWrappableElement.h"
#include "platform/AttributedString.h"
#include "platform/Color.h"
#include "platform/Font.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class TextStyle;
class WordWrapping;

// A free text (a label) placed on a node or a relation.
//
// The text keeps its raw markdown and derives from it, lazily, the font, the attributed display
// text and the sizes: changes record update bits, the first one reports the text to the map as
// invalid, and the map's validation (validateState) rebuilds everything at once.
//
// The text owns its style, whose parent is the text style of the map's style and whose listener
// is the text.
class MindMapText : public ContainedElement, public ElementStyleListener, public WordWrappableElement {
public:
    enum UpdateBits : uint32_t {
        UpdateText = 1, // text or minimum size
        UpdateFont = 2, // font or style
    };
    static constexpr uint32_t InitialUpdateState = UpdateText | UpdateFont;

    // Room around the text: the width grows by Margin plus a quarter of the minimum text height,
    // the height by Margin; neither side is ever below MinimumSide.
    static constexpr double Margin = 6;
    static constexpr double MinimumSide = 24;

    // An empty text in the style sheet's text font, pending validation.
    explicit MindMapText(CompositeElement* container);
    ~MindMapText() override;

    int32_t elementType() const override;

    // The element's box and the laid-out text, both centred on the location.
    Rect bounds() const override;
    Rect textBounds() const;
    Size size() const { return _size; }

    // ---- Text and state ----

    // The raw markdown text, trimmed.
    const std::string& text() const override { return _text; }
    // Trimmed of white space and newlines at both ends and validated as a topic text is.
    void setText(std::string_view text);
    const AttributedString& displayText() const { return _displayText; }
    bool isEmpty() const { return _text.empty(); }

    uint32_t updateState() const { return _updateState; }
    void includeTextUpdateState(uint32_t bits);
    // Rebuilds the font, display text and sizes when bits are pending.
    void validateState() override;
    // The steps of validation before measuring (font, display text): the display text when it
    // awaits measuring, else nullptr. A size measured for it in a batch is handed back with
    // setPreparedTextSize and taken by the next validation, unless the text changes first.
    const AttributedString* prepareTextForMeasuring();
    void setPreparedTextSize(Size size);

    const std::optional<Font>& font() const { return _font; }
    void setFont(const std::optional<Font>& font);
    // The style's font-style bits (1 bold, 2 italic, 4 strike-through, 8 underline) when the style
    // customises its font, else 0.
    unsigned fontEffects() const;
    void setMinSize(Size size);
    Size minTextSize() override { return _minSize; }
    Size textSize() override { return _textSize; }
    // The size of a string in the current font; zero without a font.
    Size calcTextSize(const std::string& text) override;

    // ---- Style ----

    TextStyle* style() const { return _style.get(); }
    // Customises the style's fill colour; nullopt is ignored.
    void setColor(const std::optional<Color>& color) override;
    void clearStyleCustomization() override;
    // The style's text colour, else the font colour of the map's colour scheme.
    Color resolvedTextColor() const;
    void styleChanged(ElementStyle* style) override;
    void textStyleChanged();
    // Fills a style for the style panels: this text's style, its resolved text colour and, when
    // the style does not customise the font, the font's traits and size.
    void assignToStyle(TextStyle* style) const;
    // Merges a text style; any other style is ignored.
    void applyPreset(const ElementStyle* style) override;

    // ---- Editing ----

    bool isEditing() const override { return _editingState > 1; }
    int32_t editingState() const { return _editingState; }
    void setEditingState(int32_t editingState) { _editingState = editingState; }

    // ---- Word wrap ----

    void applyWrappedText(const std::string& text) override;
    bool isWordWrapping() const { return _wrapState != nullptr; }
    void wordWrappingStarted();
    void wordWrappingEnded();
    // Ignored unless a word wrap is running.
    void setWrapWidth(int64_t width);
    // The running wrap's range, else the text width rounded.
    int64_t maxWrapWidth() const;
    int64_t minWrapWidth() const;
    // Breaks a long one-line text into lines of a pleasant shape. Unforced, only a text of more
    // than ten times its height in width that has spaces and no line break is wrapped.
    void applyDefaultWrap(bool force = false);

private:
    std::unique_ptr<TextStyle> _style;
    uint32_t _updateState = InitialUpdateState;
    bool _validatingState = false;
    bool _textPrepared = false;
    std::optional<Size> _preparedTextSize;
    std::optional<Font> _font;
    Size _minSize;
    Size _size;
    Size _textSize;
    int32_t _editingState = 0;
    std::string _text;
    AttributedString _displayText;
    std::unique_ptr<WordWrapping> _wrapState;
};
