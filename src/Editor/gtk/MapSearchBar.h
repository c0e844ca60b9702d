#pragma once

#include "Editor/MapSearchBarController.h"

#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/calendar.h>
#include <gtkmm/cellrendererpixbuf.h>
#include <gtkmm/combobox.h>
#include <gtkmm/comboboxtext.h>
#include <gtkmm/eventbox.h>
#include <gtkmm/label.h>
#include <gtkmm/liststore.h>
#include <gtkmm/menu.h>
#include <gtkmm/menubutton.h>
#include <gtkmm/popover.h>
#include <gtkmm/revealer.h>
#include <gtkmm/searchentry.h>

#include <memory>
#include <vector>

// The map editor's find bar, hanging from the canvas's top-right corner: the search field with its
// menu of recent searches and modes, previous and next, the "2/5" counter and the close button;
// below them the icon, checkbox and date filters. It slides in and out in 0.25 s.
class MapSearchBar : public MapSearchBarView {
public:
    static constexpr unsigned SlideMilliseconds = 250;

    explicit MapSearchBar(MindMapEditor& editor);
    ~MapSearchBar() override;
    MapSearchBar(const MapSearchBar&) = delete;
    MapSearchBar& operator=(const MapSearchBar&) = delete;

    // The widget the window lays over its canvas; it aligns itself to the top-right.
    Gtk::Widget& widget() { return _revealer; }
    MapSearchBarController& controller() { return *_controller; }

    // The window's actions: the second shows the bar, or only focuses its field when it shows;
    // the first closes a bar that shows.
    void toggleMapSearchbar();
    void showMapSearchbar();

    Gtk::SearchEntry& searchField() { return _field; }
    const Gtk::Label& resultsLabel() const { return _results; }
    Gtk::Button& previousButton() { return _previous; }
    Gtk::Button& nextButton() { return _next; }
    Gtk::Button& closeButton() { return _close; }
    Gtk::Widget& advancedRow() { return _advancedRow; }
    Gtk::ComboBox& checkedPopup() { return _checkedPopup; }
    Gtk::ComboBox& iconPopup() { return _iconPopup; }
    Gtk::ComboBoxText& datePopup() { return _datePopup; }
    // The object Escape's cancel notification carries.
    const void* container() const { return &_container; }
    // Brings the icon filter's entries up to date with the map, as before the menu opens.
    void updateIconPopup();
    // The search field's menu, built afresh for the recents and modes of the moment.
    Gtk::Menu& fieldMenu();

    // MapSearchBarView
    void setResultsText(const std::string& text) override;
    void setNavigationEnabled(bool enabled) override;
    void setAdvancedRowShown(bool shown, double height) override;
    bool isBarShown() const override;
    void showBar() override;
    void hideBar() override;
    void focusSearchField() override;

private:
    // Paints the bar's tab shape and keeps clicks and Escape to the bar.
    class Container : public Gtk::EventBox {
    public:
        Container();

    protected:
        bool on_draw(const Cairo::RefPtr<Cairo::Context>& cr) override;
        bool on_button_press_event(GdkEventButton* event) override;
        bool on_key_press_event(GdkEventKey* event) override;
    };

    struct FilterColumns : Gtk::TreeModelColumnRecord {
        FilterColumns()
        {
            add(image);
            add(title);
            add(key);
        }
        Gtk::TreeModelColumn<Glib::RefPtr<Gdk::Pixbuf>> image;
        Gtk::TreeModelColumn<Glib::ustring> title;
        Gtk::TreeModelColumn<std::string> key;
    };

    void buildFilters();
    // Gives the pictures of a pop-up's entries a column as wide as the widest; none without any.
    static void fitPictureColumn(Gtk::CellRendererPixbuf& picture, int widest);
    void updateDateLabel();
    void fieldActivated(bool backward);

    std::unique_ptr<MapSearchBarController> _controller;
    Gtk::Revealer _revealer;
    Container _container;
    Gtk::Box _rows{Gtk::ORIENTATION_VERTICAL, 0};
    Gtk::Box _mainRow{Gtk::ORIENTATION_HORIZONTAL, 4};
    Gtk::SearchEntry _field;
    Gtk::Box _navigation{Gtk::ORIENTATION_HORIZONTAL, 0};
    Gtk::Button _previous;
    Gtk::Button _next;
    Gtk::Label _results;
    Gtk::Button _close;
    Gtk::Box _advancedRow{Gtk::ORIENTATION_HORIZONTAL, 4};
    FilterColumns _columns;
    Glib::RefPtr<Gtk::ListStore> _iconModel;
    Glib::RefPtr<Gtk::ListStore> _checkedModel;
    Gtk::CellRendererPixbuf _iconPicture;
    Gtk::CellRendererPixbuf _checkedPicture;
    Gtk::ComboBox _iconPopup;
    Gtk::ComboBox _checkedPopup;
    Gtk::ComboBoxText _datePopup;
    Gtk::MenuButton _dateButton;
    Gtk::Popover _datePopover;
    Gtk::Calendar _calendar;
    std::unique_ptr<Gtk::Menu> _fieldMenu;
    std::vector<IconFilterItem> _iconItems;
    // Filling the pop-ups from the controller must not feed back into it.
    int _updating = 0;
};
