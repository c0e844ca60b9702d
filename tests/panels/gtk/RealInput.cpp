// The X headers stay in this file: their names (Font, Window) clash with the program's own.
#include "RealInput.h"

#include <gdk/gdkx.h>

#include <X11/extensions/XTest.h>

#include <chrono>
#include <thread>

namespace RealInput {

bool startGtk()
{
    static const bool started = [] {
        if (!gtk_init_check(nullptr, nullptr)) return false;
        Gtk::Main::init_gtkmm_internals();
        if (!GDK_IS_X11_DISPLAY(gdk_display_get_default())) return false;
        int event = 0;
        int error = 0;
        int major = 0;
        int minor = 0;
        return XTestQueryExtension(GDK_DISPLAY_XDISPLAY(gdk_display_get_default()), &event, &error, &major, &minor) !=
            0;
    }();
    return started;
}

// Runs the main loop for a while, so that the server's answers come back.
void pump(int milliseconds)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    do {
        while (Gtk::Main::events_pending()) Gtk::Main::iteration(false);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    } while (std::chrono::steady_clock::now() < end);
}

bool pumpUntil(const std::function<bool()>& done, int milliseconds)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        pump(10);
    }
    return true;
}

static Display* display()
{
    return GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
}

// The server handles a faked event while it handles the request, so once it has answered a
// round trip the events it made are in our queue: a flush alone leaves them to the server's
// time, which a busy machine stretches past any wait, and a click checked after it was not there.
static void deliver()
{
    XSync(display(), False);
    pump(20);
}

// A point of the widget (its allocation's coordinates) on the screen.
void screenPoint(Gtk::Widget& widget, int x, int y, int& screenX, int& screenY)
{
    Gtk::Widget* top = widget.get_toplevel();
    int topX = 0;
    int topY = 0;
    widget.translate_coordinates(*top, x, y, topX, topY);
    int originX = 0;
    int originY = 0;
    top->get_window()->get_origin(originX, originY);
    screenX = originX + topX;
    screenY = originY + topY;
}

void moveTo(Gtk::Widget& widget, int x, int y)
{
    // GDK gives the pointer's events to the windows it shows, and a window can lag behind its
    // widget: a popover shown again has its window shown only with the toplevel's next layout.
    pumpUntil([&widget] { return widget.get_window() && widget.get_window()->is_viewable(); });
    // GDK takes a toplevel for shown as soon as it asks for it; under a window manager the window
    // comes on the screen only once the manager has placed it, often elsewhere than it was asked
    // for, and its place is known from then on. A point taken before would miss the widget.
    Gtk::Widget* top = widget.get_toplevel();
    pumpUntil([top] { return top->get_window() && !(top->get_window()->get_state() & Gdk::WINDOW_STATE_WITHDRAWN); });
    int screenX = 0;
    int screenY = 0;
    screenPoint(widget, x, y, screenX, screenY);
    XTestFakeMotionEvent(display(), -1, screenX, screenY, 0);
    deliver();
}

void button(bool down, unsigned number)
{
    XTestFakeButtonEvent(display(), number, down ? True : False, 0);
    deliver();
}

void releaseFocus()
{
    XSetInputFocus(display(), PointerRoot, RevertToPointerRoot, CurrentTime);
    deliver();
}

void click(Gtk::Widget& widget, int x, int y, unsigned number)
{
    moveTo(widget, x, y);
    button(true, number);
    button(false, number);
}

void doubleClick(Gtk::Widget& widget, int x, int y)
{
    moveTo(widget, x, y);
    button(true);
    button(false);
    button(true);
    button(false);
}

// Presses at one point, moves in steps past the drag threshold to the other, and releases.
void drag(Gtk::Widget& widget, int fromX, int fromY, int toX, int toY)
{
    drag(widget, fromX, fromY, widget, toX, toY);
}

void drag(Gtk::Widget& from, int fromX, int fromY, Gtk::Widget& to, int toX, int toY)
{
    moveTo(from, fromX, fromY);
    button(true);
    int startX = 0, startY = 0, endX = 0, endY = 0;
    screenPoint(from, fromX, fromY, startX, startY);
    screenPoint(to, toX, toY, endX, endY);
    const int steps = 12;
    for (int step = 1; step <= steps; ++step) {
        XTestFakeMotionEvent(display(), -1, startX + (endX - startX) * step / steps,
                             startY + (endY - startY) * step / steps, 0);
        deliver();
    }
    pump(60);
    button(false);
    pump(100);
}

} // namespace RealInput
