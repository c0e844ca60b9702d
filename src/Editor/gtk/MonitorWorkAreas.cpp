#include "Editor/gtk/MonitorWorkAreas.h"

#include <gdkmm/display.h>
#include <gdkmm/monitor.h>
#include <gtkmm/window.h>

#include <algorithm>
#include <array>

std::vector<WindowFrame> monitorWorkAreas()
{
    std::vector<WindowFrame> areas;
    Glib::RefPtr<Gdk::Display> display = Gdk::Display::get_default();
    for (int index = 0; display && index < display->get_n_monitors(); ++index) {
        Gdk::Rectangle area;
        display->get_monitor(index)->get_workarea(area);
        areas.push_back({area.get_x(), area.get_y(), area.get_width(), area.get_height()});
    }
    return areas;
}

namespace {

// The room the window manager's decoration takes on each side of the window (left, right, top,
// bottom), in logical pixels; none where the window manager tells none.
std::array<int, 4> decorationExtents(const Glib::RefPtr<Gdk::Window>& surface)
{
    std::array<int, 4> extents{};
    GdkAtom type = nullptr;
    gint format = 0, length = 0;
    guchar* data = nullptr;
    if (gdk_property_get(surface->gobj(), gdk_atom_intern_static_string("_NET_FRAME_EXTENTS"),
                         gdk_atom_intern_static_string("CARDINAL"), 0, 4 * 4 /* bytes */, false, &type, &format,
                         &length, &data) &&
        format == 32 && data && length >= int(4 * sizeof(long))) {
        const long* sides = reinterpret_cast<const long*>(data);
        const int scale = std::max(1, surface->get_scale_factor());
        // Bounded, so that a broken window manager's figure cannot overflow the sums.
        for (size_t side = 0; side < extents.size(); ++side)
            extents[side] = int(std::clamp(sides[side], 0L, 100000L) + scale - 1) / scale;
    }
    g_free(data);
    return extents;
}

} // namespace

WindowFrameDefaults::FrameSample windowFrameSample(Gtk::Window& window)
{
    WindowFrameDefaults::FrameSample sample;
    Glib::RefPtr<Gdk::Window> surface = window.get_window();
    if (!surface) return sample;
    // The state, the size and the place are what the window was last told, in the order the
    // window manager told them; what the display answers now may be a step further on, as while a
    // window is maximised or restored. Only the decoration is asked for, as it changes only then.
    // A window off the screen shows no frame of the user's.
    const Gdk::WindowState notNormal = Gdk::WINDOW_STATE_MAXIMIZED | Gdk::WINDOW_STATE_FULLSCREEN |
        Gdk::WINDOW_STATE_ICONIFIED | Gdk::WINDOW_STATE_TILED;
    sample.normal = surface->is_visible() && !(surface->get_state() & notNormal);
    window.get_size(sample.frame.width, sample.frame.height);
    const auto [left, right, top, bottom] = decorationExtents(surface);
    surface->get_position(sample.frame.x, sample.frame.y);
    sample.frame.x -= left;
    sample.frame.y -= top;
    sample.decorationWidth = left + right;
    sample.decorationHeight = top + bottom;
    if (Glib::RefPtr<Gdk::Monitor> monitor = window.get_display()->get_monitor_at_window(surface)) {
        Gdk::Rectangle area;
        monitor->get_workarea(area);
        sample.workArea = WindowFrame{area.get_x(), area.get_y(), area.get_width(), area.get_height()};
    }
    return sample;
}
