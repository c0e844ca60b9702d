#include "platform/gtk/GtkModalRun.h"

#include <gtkmm.h>

namespace {

GtkModalRun::SessionStarter& starter()
{
    static GtkModalRun::SessionStarter instance;
    return instance;
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

Gtk::Window* GtkModalRun::activeWindow()
{
    auto application = Glib::RefPtr<Gtk::Application>::cast_dynamic(Gio::Application::get_default());
    return application ? application->get_active_window() : nullptr;
}

int GtkModalRun::run(Gtk::Dialog& dialog)
{
    if (Gtk::Window* parent = activeWindow()) dialog.set_transient_for(*parent);
    // The window manager shows the title; an alert without one of its own is the application's.
    if (dialog.get_title().empty()) dialog.set_title(Glib::get_application_name());
    dialog.set_modal(true);
    std::shared_ptr<void> session = beginSession();
    const int response = dialog.run();
    dialog.hide();
    return response;
}
