#pragma once

#include "preferences/MaintenanceModel.h"
#include "preferences/gtk/PreferencePane.h"

#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/entry.h>
#include <gtkmm/radiobutton.h>

#include <array>

// The maintenance pane: where the store lives, store export and import, and how an import treats
// maps that exist already.
class MaintenanceViewController : public PreferencePane {
public:
    MaintenanceViewController(const PreferencePaneInfo& info, MaintenanceModel::Services services);

    bool masFocusesFirstControl() const override { return false; }

    Gtk::Entry& pathField() { return _path; }
    Gtk::Button& revealButton() { return _reveal; }
    Gtk::Button& exportButton() { return _export; }
    Gtk::Button& importButton() { return _import; }
    Gtk::RadioButton& importModeRadio(int tag) { return _modes[size_t(tag)]; }

protected:
    Gtk::Widget& loadView() override;

private:
    MaintenanceModel _model;
    Gtk::Box _box{Gtk::ORIENTATION_VERTICAL, 8};
    Gtk::Entry _path;
    Gtk::Button _help;
    Gtk::Button _reveal;
    Gtk::Button _export;
    Gtk::Button _import;
    // Active when the stored mode turns on none of the three.
    Gtk::RadioButton _noMode;
    std::array<Gtk::RadioButton, 3> _modes;
};
