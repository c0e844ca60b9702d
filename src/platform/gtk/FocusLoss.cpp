#include "platform/gtk/FocusLoss.h"

#include <gtkmm/window.h>

bool focusLeftInsideWindow(Gtk::Widget& widget)
{
    // A window that is deactivating has already lost its toplevel focus when its focused widget
    // hears of the loss; its active state only follows afterwards.
    auto* window = dynamic_cast<Gtk::Window*>(widget.get_toplevel());
    return window && window->has_toplevel_focus() && window->is_active();
}

sigc::connection connectFocusLeftInsideWindow(Gtk::Widget& widget, std::function<void()> focusLeft)
{
    return widget.signal_focus_out_event().connect(
        [&widget, focusLeft = std::move(focusLeft)](GdkEventFocus*) {
            if (focusLeftInsideWindow(widget)) focusLeft();
            return false;
        },
        false);
}
