#pragma once

#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/dialog.h>
#include <gtkmm/listbox.h>
#include <gtkmm/scrolledwindow.h>

#include <string>
#include <vector>

class TwToolbar;

// The toolbar's customisation: the items the toolbar may show beside those it shows, with buttons
// to add, remove and reorder them. Every change shows at once and is stored, so closing the
// dialog keeps what the user arranged.
class ToolbarCustomizeDialog : public Gtk::Dialog {
public:
    ToolbarCustomizeDialog(TwToolbar& toolbar, Gtk::Window* parent);

    // Lists the items again (the toolbar may have changed while the dialog was closed).
    void refresh();

    // What the buttons do, for the selected rows.
    void addSelected();
    void removeSelected();
    void moveSelected(int by);
    void restoreDefaults();

    // The identifiers listed on each side, in order.
    const std::vector<std::string>& availableIdentifiers() const { return _available; }
    std::vector<std::string> shownIdentifiers() const;
    void selectAvailable(int row);
    void selectShown(int row);

    // The text of the item in the lists: its palette label.
    std::string paletteLabel(const std::string& identifier) const;

private:
    void fill(Gtk::ListBox& list, const std::vector<std::string>& identifiers, int selected);
    void updateButtons();
    void changed(int shownSelection);

    TwToolbar& _toolbar;
    std::vector<std::string> _available;
    Gtk::Box _columns{Gtk::ORIENTATION_HORIZONTAL, 12};
    Gtk::Box _buttons{Gtk::ORIENTATION_VERTICAL, 6};
    Gtk::ScrolledWindow _availableScroll, _shownScroll;
    Gtk::ListBox _availableList, _shownList;
    Gtk::Button _add, _remove, _up, _down, _defaults;
};
