#include "Editor/gtk/MonitorWorkAreas.h"

#include <gdkmm/display.h>
#include <gdkmm/monitor.h>

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
