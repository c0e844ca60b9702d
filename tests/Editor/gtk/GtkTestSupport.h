#pragma once

#include <gtest/gtest.h>
#include <gtkmm.h>

#include <chrono>
#include <functional>

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

// Runs the main loop until the condition holds. Not every change a test waits for comes with an
// event (a layout runs on the frame clock), so the loop wakes now and then to look again. False
// once the limit has passed: a test waiting for what never comes fails instead of hanging.
inline bool runMainLoopUntil(const std::function<bool()>& condition,
                             std::chrono::milliseconds limit = std::chrono::seconds(30))
{
    const auto end = std::chrono::steady_clock::now() + limit;
    const guint wake = g_timeout_add(
        10, +[](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
    bool met = condition();
    while (!met && std::chrono::steady_clock::now() < end) {
        g_main_context_iteration(nullptr, TRUE);
        met = condition();
    }
    g_source_remove(wake);
    return met;
}

// (Declared here: GDK's X11 header brings Xlib's macros and names, which clash with gtkmm's and ours.)
extern "C" gboolean gdk_x11_screen_supports_net_wm_hint(GdkScreen* screen, GdkAtom property);

// Until the window manager that runs on the display takes over the windows this process shows,
// and GTK here knows of it. The window manager announces itself before it takes over windows
// being shown, and one shown in between stays without its frame, so a probe is shown again until
// the window manager frames it. GDK looks for a window manager again at most every fifteen
// seconds after it last found none: a test that asks about focus or stacking waits for that too.
inline bool windowManagerReady()
{
    Gtk::Window probe;
    probe.set_default_size(20, 20);
    const auto framed = [&probe] {
        Glib::RefPtr<Gdk::Window> window = probe.get_window();
        if (!window || !probe.get_mapped()) return false;
        Gdk::Rectangle frame;
        window->get_frame_extents(frame);
        return frame.get_width() > window->get_width() || frame.get_height() > window->get_height();
    };
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    bool taken = false;
    while (!taken && std::chrono::steady_clock::now() < end) {
        probe.show();
        taken = runMainLoopUntil(framed, std::chrono::seconds(1));
        probe.hide();
        drainGtkEvents();
    }
    return taken &&
        runMainLoopUntil(
               [] {
                   return gdk_x11_screen_supports_net_wm_hint(
                              gdk_screen_get_default(), gdk_atom_intern_static_string("_NET_CLIENT_LIST_STACKING")) !=
                       FALSE;
               },
               std::chrono::seconds(30));
}

// Hands an input event to the widget, as GTK's own dispatch would. GTK drops an input event whose
// window is not viewable without a word, and a window can lag behind its widget: a popover shown
// again maps its contents at once with their old sizes, but the toplevel shows the popover's
// window only in its next layout, which a loaded machine may run after the test's next step. So
// the event first waits for its window; what the widget answered, or false if the window never
// showed.
inline bool handEvent(GtkWidget* widget, GdkEvent* event)
{
    GdkWindow* window = event->any.window;
    if (!runMainLoopUntil([window] { return gdk_window_is_viewable(window) != FALSE; })) {
        ADD_FAILURE() << "the window of a " << gtk_widget_get_name(widget) << "'s event never showed";
        return false;
    }
    return gtk_widget_event(widget, event) != FALSE;
}

// The widget of the name inside the widget (the widget itself included), depth first.
inline Gtk::Widget* namedIn(Gtk::Widget& widget, const std::string& name)
{
    if (widget.get_name() == name) return &widget;
    if (auto* container = dynamic_cast<Gtk::Container*>(&widget))
        for (Gtk::Widget* child : container->get_children())
            if (Gtk::Widget* found = namedIn(*child, name)) return found;
    return nullptr;
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

// Runs what shows a dialog modally and plays the user at it once it is on the screen: hands it to
// look, then closes it. False when no dialog showed.
inline bool lookAtDialogOf(const std::function<void()>& run, const std::function<void(GtkWidget*)>& look)
{
    bool looked = false;
    sigc::connection looker = Glib::signal_idle().connect([&] {
        GList* windows = gtk_window_list_toplevels();
        for (GList* window = windows; window && !looked; window = window->next) {
            if (!GTK_IS_DIALOG(window->data) || !gtk_widget_get_mapped(GTK_WIDGET(window->data))) continue;
            look(GTK_WIDGET(window->data));
            gtk_dialog_response(GTK_DIALOG(window->data), GTK_RESPONSE_CANCEL);
            looked = true;
        }
        g_list_free(windows);
        return !looked;
    });
    run();
    looker.disconnect();
    return looked;
}
