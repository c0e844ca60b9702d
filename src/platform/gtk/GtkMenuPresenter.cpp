#include "platform/gtk/GtkMenuPresenter.h"

#include "platform/NotificationCenter.h"
#include "platform/gtk/GtkMenuBuilder.h"

#include <gtkmm.h>

GtkMenuPresenter::GtkMenuPresenter(Gtk::Widget& widget) : _widget(widget)
{
}

GtkMenuPresenter::~GtkMenuPresenter() = default;

void GtkMenuPresenter::popUpMenu(Menu& menu, Point inView, int, ChosenHandler chosen)
{
    NotificationCenter::defaultCenter().post(MenuDidBeginTrackingNotification, &menu);
    _shown = std::make_unique<Gtk::Menu>();
    fillGtkMenu(*_shown, menu, [chosen = std::move(chosen)](const std::shared_ptr<MenuItem>& item) {
        if (chosen) chosen(*item);
    });
    _shown->attach_to_widget(_widget);
    auto window = _widget.get_window();
    if (!window) return;
    const Gtk::Allocation allocation = _widget.get_allocation();
    // The widget's window may be its parent's: the point is in the widget's own coordinates.
    int x = static_cast<int>(inView.x);
    int y = static_cast<int>(inView.y);
    if (!_widget.get_has_window()) {
        x += allocation.get_x();
        y += allocation.get_y();
    }
    _shown->popup_at_rect(window, Gdk::Rectangle(x, y, 1, 1), Gdk::GRAVITY_NORTH_WEST, Gdk::GRAVITY_NORTH_WEST,
                          nullptr);
}
