#include "preferences/gtk/GeneralOptionsViewController.h"

#include "MindMaps/LayoutModes.h"
#include "Utils/FlagScope.h"
#include "platform/Localizer.h"
#include "platform/UserDefaults.h"
#include "platform/gtk/LabelledField.h"

#include <gtkmm/box.h>
#include <gtkmm/label.h>

#include <utility>

namespace {

constexpr const char* kModeTitleKeys[GeneralOptionsModel::LayoutModeCount] = {
    "layout_free_form_layout", "layout_horizontal_layout", "layout_vertical_layout", "layout_list_layout",
    "layout_top_down_layout"};

Gtk::Label* rowLabel(const char* key)
{
    auto* label = Gtk::make_managed<Gtk::Label>(localized(key));
    label->set_halign(Gtk::ALIGN_END);
    label->set_valign(Gtk::ALIGN_CENTER);
    return label;
}

} // namespace

GeneralOptionsViewController::GeneralOptionsViewController(const PreferencePaneInfo& info)
    : PreferencePane(info), _model(UserDefaults::standard())
{
}

GeneralOptionsViewController::~GeneralOptionsViewController() = default;

Gtk::CheckButton* GeneralOptionsViewController::checkbox(const std::string& key)
{
    for (auto& [setting, button] : _checkboxes)
        if (key == setting.key) return button.get();
    return nullptr;
}

Gtk::Widget& GeneralOptionsViewController::loadView()
{
    _grid.set_row_spacing(8);
    _grid.set_column_spacing(12);
    int row = 0;
    for (const char* key : kModeTitleKeys) _modePopup.append(localized(key));
    for (auto [key, popup] : {std::pair{"layout_default_layout_mode", &_modePopup},
                              std::pair{"layout_direction_title", &_directionPopup}}) {
        Gtk::Label* label = rowLabel(key);
        labelField(*label, *popup);
        _grid.attach(*label, 0, row);
        _grid.attach(*popup, 1, row++);
    }
    _modePopup.set_halign(Gtk::ALIGN_START);
    _directionPopup.set_halign(Gtk::ALIGN_START);

    for (const GeneralOptionsModel::BoundSetting& setting : GeneralOptionsModel::checkboxes()) {
        auto button = std::make_unique<Gtk::CheckButton>(localized(setting.titleKey));
        // The markdown switch explains itself below; the others are named on their left.
        const bool hintBelow = std::string(setting.key) == "markDownSyntaxEnabled";
        if (setting.labelKey && !hintBelow) _grid.attach(*rowLabel(setting.labelKey), 0, row);
        _grid.attach(*button, 1, row++);
        if (setting.labelKey && hintBelow) {
            auto* hint = Gtk::make_managed<Gtk::Label>(localized(setting.labelKey));
            hint->set_xalign(0);
            hint->set_line_wrap(true);
            hint->set_max_width_chars(40);
            hint->set_margin_start(24);
            hint->get_style_context()->add_class("dim-label");
            _grid.attach(*hint, 1, row++);
        }
        const GeneralOptionsModel::BoundSetting bound = setting;
        Gtk::CheckButton* control = button.get();
        control->signal_toggled().connect([this, bound, control] {
            if (_updating) return;
            UserDefaults::standard().setBool(bound.key, control->get_active() != bound.inverted);
        });
        _observations.push_back(
            UserDefaults::standard().observe(setting.key, [this](const std::string&) { showSettings(); }));
        _checkboxes.emplace_back(setting, std::move(button));
        // The delay slider sits below the shadows switch.
        if (std::string(setting.key) == "suppressShadows") {
            Gtk::Label* delayLabel = rowLabel("branch_move_delay_message");
            labelField(*delayLabel, _delaySlider);
            _grid.attach(*delayLabel, 0, row);
            auto* delay = Gtk::make_managed<Gtk::Box>(Gtk::ORIENTATION_HORIZONTAL, 6);
            delay->pack_start(*Gtk::make_managed<Gtk::Label>(localized("branch_move_delay_fast")), Gtk::PACK_SHRINK);
            _delaySlider.set_range(GeneralOptionsModel::MinimumChildMoveDelay,
                                   GeneralOptionsModel::MaximumChildMoveDelay);
            _delaySlider.set_increments(0.1, 0.5);
            _delaySlider.set_draw_value(false);
            _delaySlider.set_size_request(160, -1);
            delay->pack_start(_delaySlider, Gtk::PACK_EXPAND_WIDGET);
            delay->pack_start(*Gtk::make_managed<Gtk::Label>(localized("branch_move_delay_slow")), Gtk::PACK_SHRINK);
            _grid.attach(*delay, 1, row++);
        }
    }
    _delaySlider.signal_value_changed().connect([this] {
        if (!_updating)
            UserDefaults::standard().setDouble(GeneralOptionsModel::ChildMoveDelayKey, _delaySlider.get_value());
    });
    _observations.push_back(UserDefaults::standard().observe(GeneralOptionsModel::ChildMoveDelayKey,
                                                             [this](const std::string&) { showSettings(); }));

    _model.load();
    {
        FlagScope updating(_updating);
        _modePopup.set_active(_model.layoutMode());
    }
    updateLayoutDirectionItems();
    _modePopup.signal_changed().connect([this] {
        if (_updating || _modePopup.get_active_row_number() < 0) return;
        _model.layoutModeChanged(_modePopup.get_active_row_number());
        updateLayoutDirectionItems();
    });
    _directionPopup.signal_changed().connect([this] {
        if (_updating || _directionPopup.get_active_id().empty()) return;
        _model.layoutDirectionChanged(std::stoi(_directionPopup.get_active_id()));
    });
    showSettings();
    return _grid;
}

void GeneralOptionsViewController::updateLayoutDirectionItems()
{
    FlagScope updating(_updating);
    _directionPopup.remove_all();
    for (int32_t direction : _model.directionItems())
        _directionPopup.append(std::to_string(direction), LayoutDirectionDisplayName(direction));
    _directionPopup.set_active_id(std::to_string(_model.layoutDirection()));
}

void GeneralOptionsViewController::showSettings()
{
    FlagScope updating(_updating);
    UserDefaults& defaults = UserDefaults::standard();
    for (auto& [setting, button] : _checkboxes)
        button->set_active(defaults.boolForKey(setting.key) != setting.inverted);
    _delaySlider.set_value(defaults.doubleForKey(GeneralOptionsModel::ChildMoveDelayKey));
}
