#pragma once

#include "platform/Color.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class NodeStyle;
class TextStyle;

// The controls of a text style as the widgets show them: one "custom" box per property beside
// its value. The frame loads a style into the controls and commits them into another; it never
// touches a map, so the caller wraps the change in its own undoable step. The widgets show the
// fields, call the actions when the user picks something, and redraw on controlsChanged.
class BaseTextStyleFrame {
public:
    static constexpr std::array<int, 16> FontSizes{8, 9, 10, 11, 12, 13, 14, 15, 16, 18, 20, 22, 24, 26, 28, 30};
    // The size shown for a style whose size has no item, nor its next larger neighbour.
    static constexpr int FallbackFontSize = 9;

    static constexpr const char* StyleLabelKey = "editor_menu_style_condensed";
    static constexpr const char* AlignmentCheckKey = "node_style_custom_text_alignment";
    static constexpr const char* FillColorCheckKey = "node_style_custom_fill_color";
    static constexpr const char* TextColorCheckKey = "node_style_custom_text_color";
    static constexpr const char* FontGroupKey = "text_style_font";
    static constexpr const char* FontCheckKey = "style_custom_font";
    static constexpr const char* BoldKey = "node_style_dialog_bold";
    static constexpr const char* ItalicKey = "node_style_dialog_italic";
    static constexpr const char* StrikeThroughKey = "node_style_dialog_strike_through";
    static constexpr const char* UnderlineKey = "node_style_dialog_underline";
    static constexpr const char* FontSizeLabelKey = "node_style_dialog_font_size_label";
    static constexpr const char* TransparentToolTipKey = "color_make_transparent";

    enum class Check { Alignment, FillColor, TextColor, Font, CallOut, StrokeColor, BorderStyle, BorderWidth };

    // Font style bits.
    static constexpr uint64_t Bold = 1;
    static constexpr uint64_t Italic = 2;
    static constexpr uint64_t StrikeThrough = 4;
    static constexpr uint64_t Underline = 8;

    virtual ~BaseTextStyleFrame() = default;

    void loadFromTextStyle(const TextStyle& style);
    void commitToTextStyle(TextStyle& style) const;

    // The user's picks: each ticks its property's box, unless a load is running.
    void fillColorSelected(const Color& color);
    void textColorSelected(const Color& color);
    void alignmentSelected(int32_t alignment);
    void fontStyleToggled(uint64_t bit, bool on);
    void fontSizeSelected(int size);
    void checkBoxClicked(Check check, bool on);
    void transparentButtonClicked();

    // Drops the font controls; the other controls stay.
    void hideFontControls();
    bool fontControlsHidden() const { return _fontControlsHidden; }

    bool isChecked(Check check) const;
    void setCheckBox(Check check, bool checked);

    const Color& fillColor() const { return _fillColor; }
    const Color& textColor() const { return _textColor; }
    bool fillWellActive() const { return _fillWellActive; }
    std::optional<int32_t> alignment() const { return _alignment; }
    uint64_t fontStyle() const { return _fontStyle; }
    std::optional<int> fontSize() const { return _fontSize; }
    int64_t loading() const { return _loading; }

    // Reports a change the user made; nothing by default.
    virtual void attributesChanged();
    void setAttributesChangedHandler(std::function<void()> handler) { _attributesChangedHandler = std::move(handler); }
    // The widgets show the fields again; called after a load and after an action changed them.
    void setControlsChangedHandler(std::function<void()> handler) { _controlsChangedHandler = std::move(handler); }

    // The item a style's size selects: its rounded size, else one more, else the fallback.
    static int fontSizeItemFor(double size);

protected:
    // Raises the load counter for its lifetime; nested loads add up.
    class LoadGuard {
    public:
        explicit LoadGuard(BaseTextStyleFrame& frame) : _frame(frame) { ++_frame._loading; }
        ~LoadGuard() { --_frame._loading; }
        LoadGuard(const LoadGuard&) = delete;
        LoadGuard& operator=(const LoadGuard&) = delete;

    private:
        BaseTextStyleFrame& _frame;
    };

    // Ticks the box and reports, unless loading.
    void userPicked(Check check);
    void controlsChanged() const;
    bool& checkFlag(Check check);

private:
    int64_t _loading = 0;
    std::array<bool, 8> _checks{};
    Color _fillColor = Color::white();
    Color _textColor = Color::black();
    bool _fillWellActive = true;
    std::optional<int32_t> _alignment;
    uint64_t _fontStyle = 0;
    std::optional<int> _fontSize;
    // The font as loaded, committed as it was until the user changes a font control: the size
    // menu rounds, and hidden controls must not change the font at all.
    uint64_t _loadedFontStyle = 0;
    double _loadedFontScale = 1.0;
    bool _fontEdited = false;
    bool _fontControlsHidden = false;
    std::function<void()> _attributesChangedHandler;
    std::function<void()> _controlsChangedHandler;
};

// A free text's style: the text properties and its call-out.
class TextStyleFrame : public BaseTextStyleFrame {
public:
    static constexpr const char* CallOutCheckKey = "text_style_custom_call_out";

    void loadFromTextStyle(const TextStyle& style);
    void commitToTextStyle(TextStyle& style) const;
    void callOutSelected(uint64_t callOut);
    std::optional<uint64_t> callOut() const { return _callOut; }

private:
    std::optional<uint64_t> _callOut;
};

// A topic's style: the text properties and the outline.
class NodeStyleFrame : public BaseTextStyleFrame {
public:
    static constexpr const char* BorderStyleCheckKey = "node_style_custom_border_style";
    static constexpr const char* BorderWidthCheckKey = "node_style_custom_border_width";
    static constexpr const char* ColorsLabelKey = "node_style_colors";
    static constexpr const char* StrokeColorCheckKey = "node_style_custom_stroke_color";

    void loadFromNodeStyle(const NodeStyle& style);
    void commitToNodeStyle(NodeStyle& style) const;

    void strokeColorSelected(const Color& color);
    void borderStyleSelected(int32_t borderStyle);
    // The slider moved: the label always follows, the box only outside a load.
    void borderWidthSelected(double width);

    const Color& strokeColor() const { return _strokeColor; }
    std::optional<int32_t> borderStyle() const { return _borderStyle; }
    double borderWidth() const { return _borderWidth; }
    const std::string& borderWidthLabel() const { return _borderWidthLabel; }

private:
    Color _strokeColor = Color(0.5, 0.5, 0.5);
    std::optional<int32_t> _borderStyle;
    double _borderWidth = 0.0;
    std::string _borderWidthLabel = "0.00";
};
