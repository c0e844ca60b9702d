#pragma once

#include "panels/RelationStyleFrame.h"
#include "panels/TextStyleFrame.h"

#include <gtkmm.h>

#include <map>
#include <memory>
#include <vector>

class NodeStyleFrame;
class TextStyleFrame;

// A row of radio buttons drawn as one linked segmented control, each carrying a value.
class ValueSegments : public Gtk::Box {
public:
    ValueSegments();
    void addSegment(const std::string& title, int64_t value);
    // Selects the segment with the value; none selected when no segment has it.
    void select(std::optional<int64_t> value);
    std::optional<int64_t> selected() const;
    Gtk::RadioButton& segment(size_t index) { return *_buttons.at(index); }
    sigc::signal<void, int64_t>& signalSelected() { return _selected; }

private:
    Gtk::RadioButton::Group _group;
    std::vector<std::unique_ptr<Gtk::RadioButton>> _buttons;
    std::vector<int64_t> _values;
    // Selecting nothing turns this hidden one on.
    Gtk::RadioButton _none;
    sigc::signal<void, int64_t> _selected;
};

// The widgets of a text style frame, and of its free-text and topic kinds: every control reports
// to the frame, and the frame's fields are shown again whenever it changes them.
class TextStyleFrameView : public Gtk::Grid {
public:
    using Check = BaseTextStyleFrame::Check;

    explicit TextStyleFrameView(BaseTextStyleFrame& frame);
    ~TextStyleFrameView() override;

    void refresh();

    Gtk::CheckButton& check(Check check) { return *_checks.at(check); }
    Gtk::ColorButton& fillColorButton() { return _fillColor; }
    Gtk::ColorButton& textColorButton() { return _textColor; }
    Gtk::Button& transparentButton() { return _transparent; }
    ValueSegments& alignmentSegments() { return _alignment; }
    Gtk::ComboBoxText& fontSizePopup() { return _fontSize; }
    Gtk::CheckButton& fontStyleCheck(uint64_t bit) { return *_fontStyles.at(bit); }

private:
    Gtk::CheckButton& addCheck(Check check, const char* key, int row);
    void addFontControls(int& row);

    BaseTextStyleFrame& _frame;
    TextStyleFrame* _textFrame;
    NodeStyleFrame* _nodeFrame;
    bool _refreshing = false;
    std::map<Check, std::unique_ptr<Gtk::CheckButton>> _checks;
    Gtk::ColorButton _fillColor;
    Gtk::Button _transparent;
    Gtk::Image _transparentSwatch;
    Gtk::ColorButton _textColor;
    ValueSegments _alignment;
    ValueSegments _callOut;
    Gtk::ColorButton _strokeColor;
    Gtk::ComboBoxText _borderStyle;
    Gtk::Box _borderWidthBox{Gtk::ORIENTATION_HORIZONTAL, 6};
    Gtk::Scale _borderWidth{Gtk::ORIENTATION_HORIZONTAL};
    Gtk::Label _borderWidthLabel;
    std::vector<Gtk::Widget*> _fontControls;
    Gtk::Label _fontGroupLabel;
    Gtk::Box _fontStyleBox{Gtk::ORIENTATION_HORIZONTAL, 6};
    std::map<uint64_t, std::unique_ptr<Gtk::CheckButton>> _fontStyles;
    Gtk::Label _fontSizeLabel;
    Gtk::ComboBoxText _fontSize;
};

// The widgets of a relation style frame.
class RelationStyleFrameView : public Gtk::Grid {
public:
    using Check = RelationStyleFrame::Check;

    explicit RelationStyleFrameView(RelationStyleFrame& frame);
    ~RelationStyleFrameView() override;

    void refresh();

    Gtk::CheckButton& check(Check check) { return *_checks.at(check); }
    Gtk::Scale& lineWidthSlider() { return _lineWidth; }
    Gtk::Label& lineWidthLabel() { return _lineWidthLabel; }
    Gtk::ComboBoxText& targetArrowPopup() { return _targetArrow; }
    Gtk::ComboBoxText& connectionStylePopup() { return _connectionStyle; }

private:
    Gtk::CheckButton& addCheck(Check check, const char* key, int row);

    RelationStyleFrame& _frame;
    bool _refreshing = false;
    std::map<Check, std::unique_ptr<Gtk::CheckButton>> _checks;
    Gtk::ComboBoxText _lineStyle;
    Gtk::Box _lineWidthBox{Gtk::ORIENTATION_HORIZONTAL, 6};
    Gtk::Scale _lineWidth{Gtk::ORIENTATION_HORIZONTAL};
    Gtk::Label _lineWidthLabel;
    ValueSegments _pathStyle;
    Gtk::ComboBoxText _sourceArrow;
    Gtk::ComboBoxText _targetArrow;
    Gtk::ColorButton _color;
    Gtk::ComboBoxText _connectionStyle;
};

Gdk::RGBA toRGBA(const Color& color);
Color fromRGBA(const Gdk::RGBA& rgba);
