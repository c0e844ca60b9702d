#include "preferences/gtk/GlobalFontsViewController.h"

#include "platform/Localizer.h"
#include "platform/UserDefaults.h"
#include "platform/gtk/LabelledField.h"

#include <gtkmm/button.h>
#include <gtkmm/frame.h>
#include <gtkmm/grid.h>

GlobalFontsViewController::GlobalFontsViewController(const PreferencePaneInfo& info)
    : PreferencePane(info), _model(UserDefaults::standard())
{
}

GlobalFontsViewController::~GlobalFontsViewController()
{
    for (auto& well : _wells) SharedFontPanel::shared().forget(*well);
}

Gtk::Widget& GlobalFontsViewController::loadView()
{
    _model.viewDidLoad();
    auto makeWells = [this](const char* titleKey, std::initializer_list<GlobalFontsModel::Selector> selectors) {
        auto* frame = Gtk::make_managed<Gtk::Frame>(localized(titleKey));
        auto* column = Gtk::make_managed<Gtk::Box>(Gtk::ORIENTATION_VERTICAL, 6);
        column->set_border_width(8);
        for (GlobalFontsModel::Selector selector : selectors) {
            auto well = std::make_unique<FontSelectorWidget>(_model.selector(selector));
            well->set_size_request(320, 32);
            column->pack_start(*well, Gtk::PACK_SHRINK);
            _wells.push_back(std::move(well));
        }
        frame->add(*column);
        _box.pack_start(*frame, Gtk::PACK_SHRINK);
    };
    makeWells("global_fonts_message",
              {GlobalFontsModel::CentralThemes, GlobalFontsModel::MainBranches, GlobalFontsModel::SubBranches,
               GlobalFontsModel::Labels});
    makeWells("outline_export_font_message", {GlobalFontsModel::Outline});

    auto* buttons = Gtk::make_managed<Gtk::Box>(Gtk::ORIENTATION_HORIZONTAL, 8);
    auto* fontButton = Gtk::make_managed<Gtk::Button>(localized("font_selector_button_title"));
    // The panel shows the font of the well that had the keyboard last, else the first one.
    fontButton->signal_clicked().connect([this] {
        FontSelectorWidget* target = _wells.front().get();
        for (auto& well : _wells)
            if (well->has_focus()) target = well.get();
        SharedFontPanel::shared().showFor(*target);
    });
    auto* restore = Gtk::make_managed<Gtk::Button>(localized("global_style_options_restore_defaults"));
    restore->signal_clicked().connect([this] { _model.restoreDefaults(); });
    buttons->pack_start(*fontButton, Gtk::PACK_SHRINK);
    buttons->pack_end(*restore, Gtk::PACK_SHRINK);
    _box.pack_start(*buttons, Gtk::PACK_SHRINK);

    auto* hint = Gtk::make_managed<Gtk::Label>(localized("global_style_editor_scale_message"));
    hint->set_halign(Gtk::ALIGN_START);
    hint->set_line_wrap(true);
    hint->set_max_width_chars(50);
    _box.pack_start(*hint, Gtk::PACK_SHRINK);
    auto* scale = Gtk::make_managed<Gtk::Box>(Gtk::ORIENTATION_HORIZONTAL, 8);
    auto* scaleCaption = Gtk::make_managed<Gtk::Label>(localized("global_style_editor_scale"));
    labelField(*scaleCaption, _scaleSlider);
    scale->pack_start(*scaleCaption, Gtk::PACK_SHRINK);
    _scaleSlider.set_range(GlobalFontsModel::MinimumSliderValue, GlobalFontsModel::MaximumSliderValue);
    _scaleSlider.set_increments(0.05, 0.25);
    _scaleSlider.set_draw_value(false);
    _scaleSlider.add_mark(0, Gtk::POS_BOTTOM, "");
    scale->pack_start(_scaleSlider, Gtk::PACK_EXPAND_WIDGET);
    _scaleLabel.set_width_chars(5);
    _scaleLabel.set_xalign(1);
    scale->pack_start(_scaleLabel, Gtk::PACK_SHRINK);
    _box.pack_start(*scale, Gtk::PACK_SHRINK);

    _scaleSlider.set_value(_model.sliderValue());
    _scaleSlider.signal_value_changed().connect(
        [this] { _scaleLabel.set_text(_model.globalScaleFactorChanged(_scaleSlider.get_value())); });
    _scaleLabel.set_text(_model.globalScaleFactorChanged(_model.sliderValue()));
    return _box;
}

void GlobalFontsViewController::masViewWillAppear()
{
    // A font panel left open comes forward with the pane; it is not opened unasked, so that
    // switching panes never covers the window with a dialog.
    Gtk::FontChooserDialog& panel = SharedFontPanel::shared().dialog();
    if (panel.get_visible()) panel.present();
}

void GlobalFontsViewController::masViewDidDisappear()
{
    SharedFontPanel::shared().dialog().hide();
}
