#pragma once

#include <gtkmm.h>

// GTK and its C++ binding, started once per test process on the display Xvfb gives.
inline void initGtkForTests()
{
    static const bool started = [] {
        // A display serving a loaded machine's many test programs may turn a connection away
        // for a moment; only one that stays away ends the test program, as gtk_init() does.
        for (int attempt = 0; attempt < 50 && !gtk_init_check(nullptr, nullptr); ++attempt) g_usleep(100 * 1000);
        gtk_init(nullptr, nullptr);
        Gtk::Main::init_gtkmm_internals();
        // A popover or revealer that fades in answers a press only once its frames have run, which a
        // loaded machine may not give it before the test presses; the tests drive the final state.
        g_object_set(gtk_settings_get_default(), "gtk-enable-animations", FALSE, nullptr);
        return true;
    }();
    (void)started;
}

inline void drainGtkEvents()
{
    while (Gtk::Main::events_pending()) Gtk::Main::iteration(false);
}

// The first widget of the type inside the widget (the widget itself included), depth first.
template <typename W> W* findIn(Gtk::Widget& widget)
{
    if (auto* found = dynamic_cast<W*>(&widget)) return found;
    if (auto* container = dynamic_cast<Gtk::Container*>(&widget))
        for (Gtk::Widget* child : container->get_children())
            if (W* found = findIn<W>(*child)) return found;
    return nullptr;
}
