#include "panels/gtk/StoredWindowFrame.h"

#include "Editor/EditorWindowController.h"
#include "panels/PdfViewState.h"
#include "platform/UserDefaults.h"

#include <gtkmm.h>

namespace {

std::vector<WindowFrame> workAreas()
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

} // namespace

void applyStoredWindowFrame(Gtk::Window& window, const char* name)
{
    const std::optional<WindowFrame> frame = pdfWindowFrame(UserDefaults::standard().objectForKey(name), workAreas());
    if (!frame) return;
    window.set_default_size(frame->width, frame->height);
    window.move(frame->x, frame->y);
}

void storeWindowFrame(Gtk::Window& window, const char* name)
{
    if (!window.get_realized() || window.is_maximized()) return;
    WindowFrame frame;
    window.get_position(frame.x, frame.y);
    window.get_size(frame.width, frame.height);
    if (frame.width > 0 && frame.height > 0) UserDefaults::standard().setObject(name, frame.propertyList());
}
