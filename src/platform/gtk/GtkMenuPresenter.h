#pragma once

#include "platform/Menu.h"

#include <memory>

namespace Gtk {
class Menu;
class Widget;
} // namespace Gtk

// Pops menus up over one widget as GTK menus. GTK places a menu by its corner, not by one of its
// items: the menu opens with its corner at the point, whatever item was to be there.
class GtkMenuPresenter : public MenuPresenter {
public:
    explicit GtkMenuPresenter(Gtk::Widget& widget);
    ~GtkMenuPresenter() override;
    GtkMenuPresenter(const GtkMenuPresenter&) = delete;
    GtkMenuPresenter& operator=(const GtkMenuPresenter&) = delete;

    void popUpMenu(Menu& menu, Point inView, int positionedItem, ChosenHandler chosen) override;
    // The GTK menu last popped up; nullptr before the first.
    Gtk::Menu* shownMenu() const { return _shown.get(); }

private:
    Gtk::Widget& _widget;
    std::unique_ptr<Gtk::Menu> _shown;
};
