#include "panels/gtk/StoredWindowFrame.h"

#include "Editor/EditorWindowController.h"
#include "Editor/gtk/MonitorWorkAreas.h"
#include "panels/PdfViewState.h"
#include "platform/UserDefaults.h"

#include <gtkmm.h>

void applyStoredWindowFrame(Gtk::Window& window, const char* name)
{
    const std::optional<WindowFrame> frame =
        pdfWindowFrame(UserDefaults::standard().objectForKey(name), monitorWorkAreas());
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
