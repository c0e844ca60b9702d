#pragma once

#include "platform/NotificationCenter.h"
#include "preferences/GeneralOptionsModel.h"
#include "preferences/gtk/PreferencePane.h"

#include <gtkmm/checkbutton.h>
#include <gtkmm/comboboxtext.h>
#include <gtkmm/grid.h>
#include <gtkmm/scale.h>

#include <memory>
#include <vector>

// The general pane: layout of new maps, and the editing switches that take effect at once.
class GeneralOptionsViewController : public PreferencePane {
public:
    explicit GeneralOptionsViewController(const PreferencePaneInfo& info);
    ~GeneralOptionsViewController() override;

    GeneralOptionsModel& model() { return _model; }
    Gtk::ComboBoxText& layoutModePopup() { return _modePopup; }
    Gtk::ComboBoxText& layoutDirectionPopup() { return _directionPopup; }
    Gtk::CheckButton* checkbox(const std::string& key);
    Gtk::Scale& childMoveDelaySlider() { return _delaySlider; }

protected:
    Gtk::Widget& loadView() override;

private:
    void updateLayoutDirectionItems();
    void showSettings();

    GeneralOptionsModel _model;
    Gtk::Grid _grid;
    Gtk::ComboBoxText _modePopup;
    Gtk::ComboBoxText _directionPopup;
    Gtk::Scale _delaySlider{Gtk::ORIENTATION_HORIZONTAL};
    std::vector<std::pair<GeneralOptionsModel::BoundSetting, std::unique_ptr<Gtk::CheckButton>>> _checkboxes;
    std::vector<ObservationToken> _observations;
    bool _updating = false;
};
