#pragma once

#include <functional>
#include <gtkmm/widget.h>
#include <sigc++/connection.h>

// GTK takes the focus from a window's focused widget when the whole window deactivates, as when
// the user switches to another application. An edit or a bar must only end when the focus moves
// elsewhere inside the active window: this calls focusLeft only then.
sigc::connection connectFocusLeftInsideWindow(Gtk::Widget& widget, std::function<void()> focusLeft);
// Whether a focus-out the widget just received is a move inside its active window.
bool focusLeftInsideWindow(Gtk::Widget& widget);
