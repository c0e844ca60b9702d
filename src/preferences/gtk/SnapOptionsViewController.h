#pragma once

#include "preferences/SnapOptionsModel.h"
#include "preferences/gtk/PreferencePane.h"

#include <gtkmm/box.h>
#include <gtkmm/checkbutton.h>
#include <gtkmm/spinbutton.h>

#include <array>

// The snap pane: snapping on or off, the guide lines topics snap to, the grid and its size.
class SnapOptionsViewController : public PreferencePane {
public:
    explicit SnapOptionsViewController(const PreferencePaneInfo& info);

    bool commitEditing() override;

    Gtk::CheckButton& snapEnabledCheckbox() { return _snapEnabled; }
    Gtk::CheckButton& guideLineCheckbox(size_t index) { return _guideLines[index]; }
    Gtk::CheckButton& snapToGridCheckbox() { return _snapToGrid; }
    Gtk::SpinButton& gridSizeField() { return _gridSize; }

protected:
    Gtk::Widget& loadView() override;

private:
    void snapOptionsChanged();
    void snapGridLinesChange();
    void commit();

    SnapOptionsModel _model;
    Gtk::Box _box{Gtk::ORIENTATION_VERTICAL, 8};
    Gtk::CheckButton _snapEnabled;
    std::array<Gtk::CheckButton, 6> _guideLines;
    Gtk::CheckButton _snapToGrid;
    Gtk::SpinButton _gridSize;
    bool _loading = false;
};
