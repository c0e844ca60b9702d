#include "panels/gtk/WindowFrameAutosave.h"

#include "Editor/WindowFrameDefaults.h"
#include "Editor/gtk/MonitorWorkAreas.h"

#include <gtkmm.h>

#include <algorithm>
#include <cmath>

bool AutosaveWindowFrame(Gtk::Window& window, const std::string& autosaveName, bool keepOwnSize)
{
    const std::optional<Rect> saved = WindowFrameDefaults::savedFrame(autosaveName);
    if (saved) {
        // A frame saved on a monitor that has since gone is brought onto one that is there, so
        // the window never opens out of reach.
        int width = int(std::lround(saved->size.width)), height = int(std::lround(saved->size.height));
        if (keepOwnSize) window.get_default_size(width, height);
        const WindowFrame frame =
            WindowFrame::clamp({int(std::lround(saved->origin.x)), int(std::lround(saved->origin.y)),
                                std::max(width, 1), std::max(height, 1)},
                               monitorWorkAreas());
        if (!keepOwnSize) window.set_default_size(frame.width, frame.height);
        window.set_position(Gtk::WIN_POS_NONE);
        window.move(frame.x, frame.y);
    }
    window.signal_configure_event().connect(
        [&window, autosaveName](GdkEventConfigure*) {
            if (!window.is_maximized()) {
                int x = 0, y = 0, width = 0, height = 0;
                window.get_position(x, y);
                window.get_size(width, height);
                WindowFrameDefaults::saveFrame(autosaveName, Rect(x, y, width, height));
            }
            return false;
        },
        false);
    return saved.has_value();
}
