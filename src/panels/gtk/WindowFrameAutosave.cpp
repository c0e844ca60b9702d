#include "panels/gtk/WindowFrameAutosave.h"

#include "Editor/WindowFrameDefaults.h"

#include <gtkmm.h>

#include <cmath>

bool AutosaveWindowFrame(Gtk::Window& window, const std::string& autosaveName, bool keepOwnSize)
{
    const std::optional<Rect> frame = WindowFrameDefaults::savedFrame(autosaveName);
    if (frame) {
        if (!keepOwnSize)
            window.set_default_size(int(std::lround(frame->size.width)), int(std::lround(frame->size.height)));
        window.set_position(Gtk::WIN_POS_NONE);
        window.move(int(std::lround(frame->origin.x)), int(std::lround(frame->origin.y)));
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
    return frame.has_value();
}
