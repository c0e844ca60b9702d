#include "panels/gtk/StyleFrameViews.h"

#include "Editor/ColorPickerMatrix.h"
#include "Editor/StylingMenus.h"
#include "platform/Image.h"
#include "platform/Localizer.h"
#include "platform/Menu.h"
#include "platform/gtk/LabelledField.h"

#include <algorithm>
#include <cmath>

namespace {

// Each check box names the field beside it in its row: the field itself, or the first of a row of
// controls that is no label. Check boxes and toggles beside it name themselves.
template <typename Checks> void nameFieldsByTheirChecks(Gtk::Grid& grid, const Checks& checks)
{
    for (const auto& [check, button] : checks) {
        Gtk::Widget* field = grid.get_child_at(1, grid.child_property_top_attach(*button));
        if (auto* row = dynamic_cast<Gtk::Box*>(field)) {
            field = nullptr;
            for (Gtk::Widget* child : row->get_children())
                if (!field && !dynamic_cast<Gtk::Label*>(child)) field = child;
        }
        if (field && !dynamic_cast<Gtk::ToggleButton*>(field)) labelField(*button, *field);
    }
}

// The titles and tags a shared styling builder gives its items, separators left out.
std::vector<std::pair<std::string, int64_t>> menuItems(const std::function<void(Menu&)>& define, size_t limit = 100)
{
    Menu menu("");
    define(menu);
    std::vector<std::pair<std::string, int64_t>> items;
    for (const auto& item : menu.items()) {
        if (item->isSeparatorItem() || items.size() >= limit) continue;
        items.emplace_back(item->title(), item->tag());
    }
    return items;
}

void fillPopup(Gtk::ComboBoxText& popup, const std::vector<std::pair<std::string, int64_t>>& items)
{
    popup.remove_all();
    for (const auto& [title, tag] : items) popup.append(std::to_string(tag), title);
}

void selectTag(Gtk::ComboBoxText& popup, std::optional<int64_t> tag)
{
    if (!tag || !popup.set_active_id(std::to_string(*tag))) popup.set_active(-1);
}

std::optional<int64_t> selectedTag(const Gtk::ComboBoxText& popup)
{
    const Glib::ustring id = popup.get_active_id();
    if (id.empty()) return std::nullopt;
    return std::stoll(id.raw());
}

} // namespace

Gdk::RGBA toRGBA(const Color& color)
{
    Gdk::RGBA rgba;
    rgba.set_rgba(color.red(), color.green(), color.blue(), color.alpha());
    return rgba;
}

Color fromRGBA(const Gdk::RGBA& rgba)
{
    return Color(rgba.get_red(), rgba.get_green(), rgba.get_blue(), rgba.get_alpha());
}

ValueSegments::ValueSegments() : Gtk::Box(Gtk::ORIENTATION_HORIZONTAL, 0)
{
    get_style_context()->add_class("linked");
    _none.set_group(_group);
    _none.set_no_show_all(true);
}

void ValueSegments::addSegment(const std::string& title, int64_t value)
{
    auto button = std::make_unique<Gtk::RadioButton>(_group, title);
    button->set_mode(false);
    button->signal_toggled().connect([this, raw = button.get(), value] {
        if (raw->get_active()) _selected.emit(value);
    });
    pack_start(*button, Gtk::PACK_SHRINK);
    _buttons.push_back(std::move(button));
    _values.push_back(value);
}

void ValueSegments::select(std::optional<int64_t> value)
{
    for (size_t index = 0; index < _values.size(); ++index) {
        if (value && _values[index] == *value) {
            _buttons[index]->set_active(true);
            return;
        }
    }
    _none.set_active(true);
}

std::optional<int64_t> ValueSegments::selected() const
{
    for (size_t index = 0; index < _values.size(); ++index)
        if (_buttons[index]->get_active()) return _values[index];
    return std::nullopt;
}

TextStyleFrameView::TextStyleFrameView(BaseTextStyleFrame& frame)
    : _frame(frame),
      _textFrame(dynamic_cast<TextStyleFrame*>(&frame)),
      _nodeFrame(dynamic_cast<NodeStyleFrame*>(&frame))
{
    set_row_spacing(6);
    set_column_spacing(12);
    int row = 0;

    if (_nodeFrame) {
        auto* colors = Gtk::manage(new Gtk::Label(localized(NodeStyleFrame::ColorsLabelKey)));
        colors->set_halign(Gtk::ALIGN_START);
        attach(*colors, 0, row++, 3, 1);
    }

    addCheck(Check::FillColor, BaseTextStyleFrame::FillColorCheckKey, row);
    _fillColor.set_use_alpha(true);
    _fillColor.signal_color_set().connect([this] {
        if (!_refreshing) _frame.fillColorSelected(fromRGBA(_fillColor.get_rgba()));
    });
    attach(_fillColor, 1, row, 1, 1);
    // The swatch fills the 24-point button less 4 points on each side.
    const int scale = std::max(1, get_scale_factor());
    const Image swatch = TransparentSwatchImage({16, 16}, scale);
    if (!swatch.isNull()) {
        cairo_surface_set_device_scale(swatch.surface(), scale, scale);
        gtk_image_set_from_surface(_transparentSwatch.gobj(), swatch.surface());
    }
    _transparent.add(_transparentSwatch);
    _transparent.set_size_request(24, 24);
    _transparent.set_relief(Gtk::RELIEF_NONE);
    _transparent.set_halign(Gtk::ALIGN_START);
    _transparent.set_valign(Gtk::ALIGN_CENTER);
    _transparent.set_tooltip_text(localized(BaseTextStyleFrame::TransparentToolTipKey));
    _transparent.signal_clicked().connect([this] { _frame.transparentButtonClicked(); });
    attach(_transparent, 2, row++, 1, 1);

    addCheck(Check::TextColor, BaseTextStyleFrame::TextColorCheckKey, row);
    _textColor.signal_color_set().connect([this] {
        if (!_refreshing) _frame.textColorSelected(fromRGBA(_textColor.get_rgba()));
    });
    attach(_textColor, 1, row++, 1, 1);

    if (_nodeFrame) {
        addCheck(Check::StrokeColor, NodeStyleFrame::StrokeColorCheckKey, row);
        _strokeColor.signal_color_set().connect([this] {
            if (!_refreshing) _nodeFrame->strokeColorSelected(fromRGBA(_strokeColor.get_rgba()));
        });
        attach(_strokeColor, 1, row++, 1, 1);

        addCheck(Check::BorderStyle, NodeStyleFrame::BorderStyleCheckKey, row);
        fillPopup(_borderStyle, menuItems(DefineNodeBorderStyleItems));
        _borderStyle.signal_changed().connect([this] {
            if (auto tag = selectedTag(_borderStyle); tag && !_refreshing)
                _nodeFrame->borderStyleSelected(static_cast<int32_t>(*tag));
        });
        attach(_borderStyle, 1, row++, 2, 1);

        addCheck(Check::BorderWidth, NodeStyleFrame::BorderWidthCheckKey, row);
        _borderWidth.set_range(0, 10);
        _borderWidth.set_increments(0.25, 1);
        _borderWidth.set_draw_value(false);
        _borderWidth.set_size_request(140, -1);
        _borderWidth.signal_value_changed().connect([this] {
            if (!_refreshing) _nodeFrame->borderWidthSelected(_borderWidth.get_value());
        });
        _borderWidthLabel.set_width_chars(5);
        _borderWidthBox.pack_start(_borderWidth, Gtk::PACK_EXPAND_WIDGET);
        _borderWidthBox.pack_start(_borderWidthLabel, Gtk::PACK_SHRINK);
        attach(_borderWidthBox, 1, row++, 2, 1);
    }

    addCheck(Check::Alignment, BaseTextStyleFrame::AlignmentCheckKey, row);
    for (const auto& [title, tag] : menuItems(DefineTextAlignmentItems)) _alignment.addSegment(title, tag);
    _alignment.signalSelected().connect([this](int64_t value) {
        if (!_refreshing) _frame.alignmentSelected(static_cast<int32_t>(value));
    });
    attach(_alignment, 1, row++, 2, 1);

    if (_textFrame) {
        addCheck(Check::CallOut, TextStyleFrame::CallOutCheckKey, row);
        _callOut.addSegment(localized("text_style_call_out_none"), 0);
        _callOut.addSegment(localized("text_style_call_out_tapered"), 1);
        _callOut.addSegment(localized("text_style_call_out_line"), 2);
        _callOut.signalSelected().connect([this](int64_t value) {
            if (!_refreshing) _textFrame->callOutSelected(static_cast<uint64_t>(value));
        });
        attach(_callOut, 1, row++, 2, 1);
    }

    addFontControls(row);
    labelField(_fontSizeLabel, _fontSize);
    nameFieldsByTheirChecks(*this, _checks);
    _frame.setControlsChangedHandler([this] { refresh(); });
    refresh();
}

TextStyleFrameView::~TextStyleFrameView()
{
    _frame.setControlsChangedHandler(nullptr);
}

Gtk::CheckButton& TextStyleFrameView::addCheck(Check check, const char* key, int row)
{
    auto button = std::make_unique<Gtk::CheckButton>(localized(key));
    button->signal_toggled().connect([this, check, raw = button.get()] {
        if (!_refreshing) _frame.checkBoxClicked(check, raw->get_active());
    });
    attach(*button, 0, row, 1, 1);
    return *(_checks[check] = std::move(button));
}

void TextStyleFrameView::addFontControls(int& row)
{
    _fontGroupLabel.set_text(localized(BaseTextStyleFrame::FontGroupKey));
    _fontGroupLabel.set_halign(Gtk::ALIGN_START);
    attach(_fontGroupLabel, 0, row++, 3, 1);
    Gtk::CheckButton& fontCheck = addCheck(Check::Font, BaseTextStyleFrame::FontCheckKey, row);
    const std::pair<uint64_t, const char*> styles[] = {
        {BaseTextStyleFrame::Bold, BaseTextStyleFrame::BoldKey},
        {BaseTextStyleFrame::Italic, BaseTextStyleFrame::ItalicKey},
        {BaseTextStyleFrame::StrikeThrough, BaseTextStyleFrame::StrikeThroughKey},
        {BaseTextStyleFrame::Underline, BaseTextStyleFrame::UnderlineKey}};
    for (const auto& style : styles) {
        const uint64_t bit = style.first;
        auto button = std::make_unique<Gtk::CheckButton>(localized(style.second));
        button->signal_toggled().connect([this, bit, raw = button.get()] {
            if (!_refreshing) _frame.fontStyleToggled(bit, raw->get_active());
        });
        _fontStyleBox.pack_start(*button, Gtk::PACK_SHRINK);
        _fontStyles[bit] = std::move(button);
    }
    attach(_fontStyleBox, 1, row++, 2, 1);
    _fontSizeLabel.set_text(localized(BaseTextStyleFrame::FontSizeLabelKey));
    _fontSizeLabel.set_halign(Gtk::ALIGN_END);
    attach(_fontSizeLabel, 0, row, 1, 1);
    for (const int size : BaseTextStyleFrame::FontSizes) _fontSize.append(std::to_string(size), std::to_string(size));
    _fontSize.signal_changed().connect([this] {
        if (auto tag = selectedTag(_fontSize); tag && !_refreshing) _frame.fontSizeSelected(static_cast<int>(*tag));
    });
    attach(_fontSize, 1, row++, 1, 1);
    _fontControls = {&_fontGroupLabel, &fontCheck, &_fontStyleBox, &_fontSizeLabel, &_fontSize};
}

void TextStyleFrameView::refresh()
{
    _refreshing = true;
    for (auto& [check, button] : _checks) button->set_active(_frame.isChecked(check));
    _fillColor.set_rgba(toRGBA(_frame.fillColor()));
    _fillColor.set_sensitive(true);
    _textColor.set_rgba(toRGBA(_frame.textColor()));
    _alignment.select(_frame.alignment());
    for (auto& [bit, button] : _fontStyles) button->set_active((_frame.fontStyle() & bit) != 0);
    selectTag(_fontSize, _frame.fontSize());
    if (_textFrame) _callOut.select(_textFrame->callOut());
    if (_nodeFrame) {
        _strokeColor.set_rgba(toRGBA(_nodeFrame->strokeColor()));
        selectTag(_borderStyle, _nodeFrame->borderStyle());
        _borderWidth.set_value(_nodeFrame->borderWidth());
        _borderWidthLabel.set_text(_nodeFrame->borderWidthLabel());
    }
    for (Gtk::Widget* widget : _fontControls) {
        widget->set_no_show_all(_frame.fontControlsHidden());
        if (_frame.fontControlsHidden()) widget->hide();
    }
    _refreshing = false;
}

RelationStyleFrameView::RelationStyleFrameView(RelationStyleFrame& frame) : _frame(frame)
{
    set_row_spacing(6);
    set_column_spacing(12);
    int row = 0;

    addCheck(Check::LineStyle, RelationStyleFrame::LineStyleCheckKey, row);
    fillPopup(_lineStyle, menuItems(DefineRelationLineStyleItems));
    _lineStyle.signal_changed().connect([this] {
        if (auto tag = selectedTag(_lineStyle); tag && !_refreshing)
            _frame.lineStyleSelected(static_cast<int32_t>(*tag));
    });
    attach(_lineStyle, 1, row++, 1, 1);

    addCheck(Check::LineWidth, RelationStyleFrame::LineWidthCheckKey, row);
    _lineWidth.set_range(0.5, 10);
    _lineWidth.set_increments(0.1, 1);
    _lineWidth.set_draw_value(false);
    _lineWidth.set_size_request(140, -1);
    _lineWidth.signal_value_changed().connect([this] {
        if (!_refreshing) _frame.lineWidthSelected(_lineWidth.get_value());
    });
    _lineWidthLabel.set_width_chars(4);
    _lineWidthBox.pack_start(_lineWidth, Gtk::PACK_EXPAND_WIDGET);
    _lineWidthBox.pack_start(_lineWidthLabel, Gtk::PACK_SHRINK);
    attach(_lineWidthBox, 1, row++, 1, 1);

    addCheck(Check::PathStyle, RelationStyleFrame::PathStyleCheckKey, row);
    int64_t index = 0;
    for (const auto& item : menuItems(DefineRelationPathStyleItems, 3)) _pathStyle.addSegment(item.first, index++);
    _pathStyle.signalSelected().connect([this](int64_t value) {
        if (!_refreshing) _frame.pathStyleSelected(static_cast<int32_t>(value));
    });
    attach(_pathStyle, 1, row++, 1, 1);

    addCheck(Check::SourceArrow, RelationStyleFrame::SourceArrowCheckKey, row);
    fillPopup(_sourceArrow, menuItems([](Menu& menu) { DefineArrowStyleItems(menu, false); }));
    _sourceArrow.signal_changed().connect([this] {
        if (auto tag = selectedTag(_sourceArrow); tag && !_refreshing)
            _frame.sourceArrowStyleSelected(static_cast<int32_t>(*tag));
    });
    attach(_sourceArrow, 1, row++, 1, 1);

    addCheck(Check::TargetArrow, RelationStyleFrame::TargetArrowCheckKey, row);
    fillPopup(_targetArrow, menuItems([](Menu& menu) { DefineArrowStyleItems(menu, true); }));
    _targetArrow.signal_changed().connect([this] {
        if (auto tag = selectedTag(_targetArrow); tag && !_refreshing)
            _frame.targetArrowStyleSelected(static_cast<int32_t>(*tag));
    });
    attach(_targetArrow, 1, row++, 1, 1);

    addCheck(Check::Color, RelationStyleFrame::ColorCheckKey, row);
    _color.signal_color_set().connect([this] {
        if (!_refreshing) _frame.colorSelected(fromRGBA(_color.get_rgba()));
    });
    _color.set_halign(Gtk::ALIGN_START);
    attach(_color, 1, row++, 1, 1);

    addCheck(Check::ConnectionStyle, RelationStyleFrame::ConnectionStyleCheckKey, row);
    int64_t connection = 0;
    for (const char* key : RelationStyleFrame::ConnectionStyleKeys)
        _connectionStyle.append(std::to_string(connection++), localized(key));
    _connectionStyle.signal_changed().connect([this] {
        if (auto tag = selectedTag(_connectionStyle); tag && !_refreshing)
            _frame.connectionStyleChanged(static_cast<int32_t>(*tag));
    });
    attach(_connectionStyle, 1, row++, 1, 1);
    nameFieldsByTheirChecks(*this, _checks);

    _frame.setControlsChangedHandler([this] { refresh(); });
    refresh();
}

RelationStyleFrameView::~RelationStyleFrameView()
{
    _frame.setControlsChangedHandler(nullptr);
}

Gtk::CheckButton& RelationStyleFrameView::addCheck(Check check, const char* key, int row)
{
    auto button = std::make_unique<Gtk::CheckButton>(localized(key));
    button->signal_toggled().connect([this, check, raw = button.get()] {
        if (!_refreshing) _frame.checkBoxClicked(check, raw->get_active());
    });
    attach(*button, 0, row, 1, 1);
    return *(_checks[check] = std::move(button));
}

void RelationStyleFrameView::refresh()
{
    _refreshing = true;
    for (auto& [check, button] : _checks) button->set_active(_frame.isChecked(check));
    selectTag(_lineStyle, _frame.lineStyle());
    _lineWidth.set_value(_frame.lineWidth());
    _lineWidthLabel.set_text(_frame.lineWidthLabel());
    _pathStyle.select(_frame.pathStyle());
    selectTag(_sourceArrow, _frame.sourceArrow());
    selectTag(_targetArrow, _frame.targetArrow());
    _color.set_rgba(toRGBA(_frame.color()));
    selectTag(_connectionStyle, _frame.connectionStyle());
    const bool hidden = _frame.connectionStyleHidden();
    for (Gtk::Widget* widget :
         {static_cast<Gtk::Widget*>(&check(Check::ConnectionStyle)), static_cast<Gtk::Widget*>(&_connectionStyle)}) {
        widget->set_no_show_all(hidden);
        if (hidden) widget->hide();
    }
    _refreshing = false;
}
