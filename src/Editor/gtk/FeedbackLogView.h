#pragma once

#include "Editor/FeedbackController.h"

#include <gtkmm/liststore.h>
#include <gtkmm/scrolledwindow.h>
#include <gtkmm/treeview.h>

// The feedback log as a table: the level's (or the item's) image, the text and the time, newest
// at the top. A double click shows an item in full; Delete and Ctrl+C act on the selected row.
class FeedbackLogView : public Gtk::ScrolledWindow, public FeedbackLogTable {
public:
    explicit FeedbackLogView(FeedbackController& controller);
    ~FeedbackLogView() override;

    void reloadData() override;
    int64_t selectedRow() const override;

    Gtk::TreeView& treeView() { return _tree; }
    // The icon the desktop theme shows for an image name of the log.
    static std::string iconName(const std::string& image);

protected:
    bool on_key_press_event(GdkEventKey* event) override;

private:
    struct Columns : Gtk::TreeModelColumnRecord {
        Columns()
        {
            add(icon);
            add(text);
            add(time);
        }
        Gtk::TreeModelColumn<Glib::ustring> icon;
        Gtk::TreeModelColumn<Glib::ustring> text;
        Gtk::TreeModelColumn<Glib::ustring> time;
    };

    void performIfValid(const std::string& action);

    FeedbackController& _controller;
    Columns _columns;
    Glib::RefPtr<Gtk::ListStore> _store;
    Gtk::TreeView _tree;
};
