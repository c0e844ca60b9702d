#pragma once

#include "Editor/CommandRouter.h"
#include "Editor/gtk/MainWindow.h"

#include <gtkmm.h>

#include <memory>

// A side pane without the explorers' library: one page and the pane's own responder.
class LabelSidePane : public MainWindowSidePane {
public:
    Gtk::Widget& widget() override { return _label; }
    Responder* responder() override { return &_responder; }

private:
    Gtk::Label _label{"explorer"};
    Responder _responder;
};

// The window manager's answer to a full-screen request, as the window gets it.
inline void windowManagerMadeFullScreen(MainWindow& window, bool fullScreen)
{
    GdkEventWindowState event{};
    event.type = GDK_WINDOW_STATE;
    event.changed_mask = GDK_WINDOW_STATE_FULLSCREEN;
    event.new_window_state = fullScreen ? GDK_WINDOW_STATE_FULLSCREEN : GdkWindowState(0);
    event.window = window.get_window() ? window.get_window()->gobj() : nullptr;
    gboolean handled = FALSE;
    g_signal_emit_by_name(window.gobj(), "window-state-event", &event, &handled);
}

// Commands go to the window's editor, then to the window, as in a window with no document behind
// it. The holder is read at each command, so a window made again later is the one asked.
inline void routeThroughWindow(CommandRouter& router, const std::unique_ptr<MainWindow>& window)
{
    router.setResponderChain([&window] {
        MainWindowResponders links;
        links.editor = &window->editor();
        links.window = &window->controller();
        return mainWindowResponderChain(links);
    });
}
