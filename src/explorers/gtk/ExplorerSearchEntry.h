#pragma once

#include <gtkmm/searchentry.h>

#include <functional>
#include <memory>

class GtkMenuPresenter;
class MindMapSearchField;

// The explorers' search field on screen: a GTK search entry that shows the field's text and
// placeholder, reports what the user types, and opens the field's mode menu from its search icon.
class ExplorerSearchEntry : public Gtk::SearchEntry {
public:
    explicit ExplorerSearchEntry(MindMapSearchField& field);
    ~ExplorerSearchEntry() override;

    MindMapSearchField& field() { return _field; }
    void showModeMenu();
    // Told when the mode menu opens (true) and closes (false).
    void setMenuShownHandler(std::function<void(bool shown)> handler) { _menuShown = std::move(handler); }

private:
    void refresh();

    MindMapSearchField& _field;
    std::unique_ptr<GtkMenuPresenter> _menuPresenter;
    int _updating = 0;
    std::function<void(bool shown)> _menuShown;
    sigc::connection _menuDeactivated;
};
