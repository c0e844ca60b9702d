#pragma once

#include "platform/MainLoop.h"

#include <gtest/gtest.h>
#include <gtkmm.h>

#include <chrono>

// Shows the window and makes it the one that has the keyboard, then waits until GTK says so: a
// test that sends keys or asks who has the keyboard calls this instead of assuming it. Without a
// window manager the server gives the keyboard to the window under the pointer, which is wherever
// an earlier test left it, and it refuses a focus asked for before the window is viewable; under
// a window manager the manager decides. A refused request is not kept, so it is made again until
// the window is active or the limit has passed.
inline ::testing::AssertionResult makeWindowActive(Gtk::Window& window,
                                                   std::chrono::milliseconds limit = std::chrono::seconds(20))
{
    const auto end = std::chrono::steady_clock::now() + limit;
    const auto secondsLeft = [end] {
        return std::chrono::duration<double>(end - std::chrono::steady_clock::now()).count();
    };
    window.present();
    const bool viewable = MainLoop::runUntil(
        [&window] {
            const Glib::RefPtr<Gdk::Window> gdkWindow = window.get_window();
            return gdkWindow && gdkWindow->is_viewable();
        },
        secondsLeft());
    if (!viewable) return ::testing::AssertionFailure() << "the window never showed";
    // Asked even when GTK already takes the window for active: with the pointer over it, it is,
    // yet the server's focus stays with whatever is under the pointer, and a tool that sends keys
    // to the focused window would miss it.
    do {
        window.get_window()->focus(GDK_CURRENT_TIME);
        window.get_display()->sync();
        MainLoop::runUntil([&window] { return window.is_active(); }, std::min(0.5, secondsLeft()));
    } while (!window.is_active() && secondsLeft() > 0);
    if (!window.is_active()) return ::testing::AssertionFailure() << "the window never became active";
    return ::testing::AssertionSuccess();
}

// What the window manager sends the window when the user switches to another application (in
// false) or back: GTK's idea of the window's activity, whatever the server's focus.
inline void sendWindowFocusChange(Gtk::Window& window, bool in)
{
    GdkEvent* event = gdk_event_new(GDK_FOCUS_CHANGE);
    event->focus_change.window = GDK_WINDOW(g_object_ref(window.get_window()->gobj()));
    event->focus_change.send_event = TRUE;
    event->focus_change.in = in;
    gtk_widget_send_focus_change(GTK_WIDGET(window.gobj()), event);
    gdk_event_free(event);
}
