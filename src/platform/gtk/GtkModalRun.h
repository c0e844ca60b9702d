#pragma once

#include <functional>
#include <memory>

namespace Gtk {
class Dialog;
class Widget;
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

// The window a dialog asked for by the widget belongs to: the asker's own window while it shows;
// else the window of ours on top, as the window manager stacks them (without one, the active
// one), which is not always the one the application knows of (the preferences, the style editor
// and the panels are windows of their own). The excluded window (the dialog about to run) is
// never the answer.
Gtk::Window* windowFor(const Gtk::Widget* asker, const Gtk::Window* excluded = nullptr);
// The window dialogs asked for by no widget are transient for: windowFor(nullptr).
Gtk::Window* activeWindow();
// Runs the dialog transient for the asker's window (see windowFor), so that the window manager
// stacks it above the window that asked and not beneath it.
int run(Gtk::Dialog& dialog, const Gtk::Widget* asker = nullptr);

} // namespace GtkModalRun
