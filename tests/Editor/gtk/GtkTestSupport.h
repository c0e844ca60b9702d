#pragma once

#include <gtkmm.h>

// GTK and its C++ binding, started once per test process on the display Xvfb gives.
inline void initGtkForTests()
{
    static const bool started = [] {
        gtk_init(nullptr, nullptr);
        Gtk::Main::init_gtkmm_internals();
        return true;
    }();
    (void)started;
}

inline void drainGtkEvents()
{
    while (Gtk::Main::events_pending()) Gtk::Main::iteration(false);
}
