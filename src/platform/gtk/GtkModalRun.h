#pragma once

#include <functional>
#include <memory>

namespace Gtk {
class Dialog;
class Window;
} // namespace Gtk

// Runs a dialog modally. While it runs, the hook's session object is held, so that the scheduler
// can hold back default-mode callbacks (autosave, delayed edits) that GLib would otherwise fire
// inside the dialog's nested loop.
namespace GtkModalRun {

using SessionStarter = std::function<std::shared_ptr<void>()>;
void setSessionStarter(SessionStarter starter);

// The session of a modal loop that GTK runs itself (a print operation's dialog); held while the
// loop runs. Nothing when no starter is set.
std::shared_ptr<void> beginSession();

// The window dialogs are transient for: the application's active window, if any.
Gtk::Window* activeWindow();
int run(Gtk::Dialog& dialog);

} // namespace GtkModalRun
