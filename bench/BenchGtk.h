#pragma once

#include <gtk/gtk.h>
#include <gtkmm/main.h>

// GTK started once for the benchmarks that show widgets; false without a display, where they skip.
inline bool startGtk()
{
    static const bool display = [] {
        if (!gtk_init_check(nullptr, nullptr)) return false;
        Gtk::Main::init_gtkmm_internals();
        return true;
    }();
    return display;
}
