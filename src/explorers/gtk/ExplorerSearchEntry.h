#pragma once

#include <gtkmm/searchentry.h>

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

private:
    void refresh();

    MindMapSearchField& _field;
    std::unique_ptr<GtkMenuPresenter> _menuPresenter;
    int _updating = 0;
};
