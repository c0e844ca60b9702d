#include "panels/gtk/MapStyleDialog.h"

#include "panels/ModalResult.h"
#include "panels/gtk/ModalDialog.h"
#include "platform/Localizer.h"
#include "platform/gtk/LabelledField.h"

namespace {

std::function<void(MapStyleDialog&)>& shownObserver()
{
    static std::function<void(MapStyleDialog&)> observer;
    return observer;
}

} // namespace

MapStyleFrameView::MapStyleFrameView(MapStyleFrame& frame) : _frame(frame)
{
    set_row_spacing(6);
    set_column_spacing(12);
    _caption.set_text(localized(MapStyleFrame::AutoNumberingLabelKey));
    _caption.set_halign(Gtk::ALIGN_START);
    attach(_caption, 0, 0, 2, 1);
    for (size_t style = 0; style < _radios.size(); ++style) {
        Gtk::RadioButton& radio = _radios[style];
        radio.set_group(_group);
        radio.set_label(localized(MapStyleFrame::AutoNumberingKeys[style]));
        radio.set_margin_start(12);
        // The radios are read when the dialog commits; a click needs no action.
        radio.signal_toggled().connect([this, style, &radio] {
            if (!_refreshing && radio.get_active()) _frame.setAutoNumberingStyle(static_cast<int32_t>(style));
        });
        attach(radio, 0, static_cast<int>(style) + 1, 2, 1);
    }
    const auto addColor = [this](Gtk::CheckButton& check, Gtk::ColorButton& well, Check which, const char* key,
                                 int row) {
        check.set_label(localized(key));
        check.signal_toggled().connect([this, &check, which] {
            if (!_refreshing) _frame.setCheckBox(which, check.get_active());
        });
        attach(check, 0, row, 1, 1);
        well.set_halign(Gtk::ALIGN_START);
        labelField(check, well);
        attach(well, 1, row, 1, 1);
    };
    addColor(_backgroundCheck, _backgroundColor, Check::BackgroundColor, MapStyleFrame::BackgroundColorCheckKey, 4);
    addColor(_checkboxCheck, _checkboxColor, Check::CheckboxColor, MapStyleFrame::CheckboxColorCheckKey, 5);
    _backgroundColor.signal_color_set().connect([this] {
        if (!_refreshing) _frame.backgroundColorSelected(fromRGBA(_backgroundColor.get_rgba()));
    });
    _checkboxColor.signal_color_set().connect([this] {
        if (!_refreshing) _frame.checkboxColorSelected(fromRGBA(_checkboxColor.get_rgba()));
    });
    _frame.setControlsChangedHandler([this] { refresh(); });
    refresh();
}

MapStyleFrameView::~MapStyleFrameView()
{
    _frame.setControlsChangedHandler(nullptr);
}

void MapStyleFrameView::refresh()
{
    _refreshing = true;
    const auto style = static_cast<size_t>(_frame.autoNumberingStyle());
    if (style < _radios.size()) _radios[style].set_active(true);
    _backgroundCheck.set_active(_frame.isChecked(Check::BackgroundColor));
    _checkboxCheck.set_active(_frame.isChecked(Check::CheckboxColor));
    _backgroundColor.set_rgba(toRGBA(_frame.backgroundColor()));
    _checkboxColor.set_rgba(toRGBA(_frame.checkboxColor()));
    _refreshing = false;
}

MapStyleDialog::MapStyleDialog(MapStyleController& controller)
    : _controller(controller),
      _mapStyleView(controller.mapStyleFrame()),
      _nodeStyleView(controller.nodeStyleFrame()),
      _parentStyleView(controller.parentStyleFrame()),
      _crossLinkView(controller.crossLinkFrame()),
      _textStyleView(controller.textStyleFrame())
{
    set_title(localized(MapStyleController::TitleKey));
    _apply = add_button(localized(MapStyleController::ApplyKey), ApplyResponse);
    add_button(localized(MapStyleController::CancelKey), Gtk::RESPONSE_CANCEL);
    _ok = add_button(localized(MapStyleController::OkKey), ModalResult::MapStyleOK);
    set_default_response(ModalResult::MapStyleOK);
    // The modal run ends on any response; Apply must leave the dialog open. Ahead of the run's own
    // handler, which is connected later and so comes after this one.
    signal_response().connect(
        [this](int response) {
            if (response != ApplyResponse) return;
            _controller.applyButtonClicked();
            g_signal_stop_emission_by_name(gobj(), "response");
        },
        false);

    _info.set_text(localized(MapStyleController::MessageKey));
    _info.set_halign(Gtk::ALIGN_START);
    _info.set_line_wrap(true);
    _info.set_max_width_chars(60);
    Gtk::Widget* views[] = {&_mapStyleView, &_nodeStyleView, &_parentStyleView, &_crossLinkView, &_textStyleView};
    for (size_t tab = 0; tab < _pages.size(); ++tab) {
        _pages[tab].set_orientation(Gtk::ORIENTATION_VERTICAL);
        EmbedViewInContainer(*views[tab], _pages[tab], true);
        _tabs.append_page(_pages[tab], localized(MapStyleController::TabKeys[tab]));
    }
    Gtk::Box* content = get_content_area();
    content->set_spacing(8);
    content->set_border_width(12);
    content->pack_start(_info, Gtk::PACK_SHRINK);
    content->pack_start(_tabs, Gtk::PACK_EXPAND_WIDGET);
    show_all_children();
    _tabs.set_current_page(0);
}

void installMapStyleDialog()
{
    MapStyleController::setWindow([](MapStyleController& controller) {
        MapStyleDialog dialog(controller);
        sigc::connection shown;
        if (shownObserver()) shown = dialog.signal_show().connect([&dialog] { shownObserver()(dialog); });
        const int result = ModalDialog::run(dialog, ModalResult::MapStyleClosed);
        shown.disconnect();
        return result;
    });
}

void setMapStyleDialogShownObserver(std::function<void(MapStyleDialog& dialog)> observer)
{
    shownObserver() = std::move(observer);
}
