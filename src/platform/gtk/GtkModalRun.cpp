#include "platform/gtk/GtkModalRun.h"

#include <gtkmm.h>

#include <vector>

namespace {

GtkModalRun::SessionStarter& starter()
{
    static GtkModalRun::SessionStarter instance;
    return instance;
}

// Our windows that may own a dialog: shown toplevels, not menus, tooltips or the dialog itself.
std::vector<Gtk::Window*> candidateWindows(const Gtk::Window* excluded)
{
    std::vector<Gtk::Window*> windows;
    for (Gtk::Window* window : Gtk::Window::list_toplevels()) {
        if (window == excluded || !window->get_visible() || window->get_window_type() != Gtk::WINDOW_TOPLEVEL) continue;
        windows.push_back(window);
    }
    return windows;
}

// The topmost of the windows as the window manager stacks them; nothing without a window manager
// that tells.
Gtk::Window* topmostStacked(const std::vector<Gtk::Window*>& windows)
{
    GList* stack = gdk_screen_get_window_stack(gdk_screen_get_default());
    Gtk::Window* topmost = nullptr;
    // Bottom to top: the last one of ours found is the topmost.
    for (GList* entry = stack; entry; entry = entry->next) {
        for (Gtk::Window* window : windows) {
            if (window->get_window() && window->get_window()->gobj() == entry->data) topmost = window;
        }
    }
    g_list_free_full(stack, g_object_unref);
    return topmost;
}

// The shown window a widget lies in; a menu's popup stands for the window it was opened from.
Gtk::Window* shownWindowOf(const Gtk::Widget* asker, const Gtk::Window* excluded)
{
    if (!asker) return nullptr;
    GtkWidget* toplevel = gtk_widget_get_toplevel(const_cast<GtkWidget*>(asker->gobj()));
    if (!GTK_IS_WINDOW(toplevel)) return nullptr;
    GtkWindow* window = GTK_WINDOW(toplevel);
    if (gtk_window_get_window_type(window) == GTK_WINDOW_POPUP) window = gtk_window_get_transient_for(window);
    if (!window || !gtk_widget_get_visible(GTK_WIDGET(window))) return nullptr;
    Gtk::Window* shown = Glib::wrap(window);
    return shown == excluded ? nullptr : shown;
}

} // namespace

void GtkModalRun::setSessionStarter(SessionStarter sessionStarter)
{
    starter() = std::move(sessionStarter);
}

std::shared_ptr<void> GtkModalRun::beginSession()
{
    return starter() ? starter()() : nullptr;
}

Gtk::Window* GtkModalRun::windowFor(const Gtk::Widget* asker, const Gtk::Window* excluded)
{
    if (Gtk::Window* own = shownWindowOf(asker, excluded)) return own;
    const std::vector<Gtk::Window*> windows = candidateWindows(excluded);
    // The one on top, where a window manager tells: a window it gave the focus without raising it
    // (one the program presented from a hand-over, while the user worked in another of its
    // windows) would have the dialog beneath that other window, yet holding the keyboard.
    if (Gtk::Window* topmost = topmostStacked(windows)) return topmost;
    for (Gtk::Window* window : windows) {
        if (window->is_active()) return window;
    }
    auto application = Glib::RefPtr<Gtk::Application>::cast_dynamic(Gio::Application::get_default());
    Gtk::Window* known = application ? application->get_active_window() : nullptr;
    if (known && known != excluded && known->get_visible()) return known;
    return windows.empty() ? nullptr : windows.front();
}

Gtk::Window* GtkModalRun::activeWindow()
{
    return windowFor(nullptr);
}

int GtkModalRun::run(Gtk::Dialog& dialog, const Gtk::Widget* asker)
{
    if (Gtk::Window* parent = windowFor(asker, &dialog)) dialog.set_transient_for(*parent);
    // The window manager shows the title; an alert without one of its own is the application's.
    if (dialog.get_title().empty()) dialog.set_title(Glib::get_application_name());
    dialog.set_modal(true);
    std::shared_ptr<void> session = beginSession();
    const int response = dialog.run();
    dialog.hide();
    return response;
}
