#pragma once

#include "Editor/TerminationWindowController.h"

#include <gtkmm/box.h>
#include <gtkmm/label.h>
#include <gtkmm/listbox.h>
#include <gtkmm/spinner.h>
#include <gtkmm/window.h>

#include <functional>

// The shutting-down window: modal over the main window, with a spinner, the message and one row
// per running process; it has no button, and the window manager's close does nothing. It does not
// block: the main loop, and with it every other window, goes on running.
class TerminationWindow : public Gtk::Window, public TerminationWindowView {
public:
    // The controller is not owned and must outlive the window.
    TerminationWindow(TerminationWindowController& controller, Gtk::Window* parent);
    ~TerminationWindow() override;

    // Called once the controller has closed the window.
    void setClosedHandler(std::function<void()> handler) { _closed = std::move(handler); }
    // The texts of the rows as shown.
    std::vector<std::string> rowTexts() const;

    // TerminationWindowView
    void reloadRows() override;
    void closeWindow() override;

private:
    bool on_delete_event(GdkEventAny* event) override;

    TerminationWindowController& _controller;
    Gtk::Box _box{Gtk::ORIENTATION_VERTICAL, 12};
    Gtk::Box _header{Gtk::ORIENTATION_HORIZONTAL, 12};
    Gtk::Spinner _spinner;
    Gtk::Label _message;
    Gtk::ListBox _list;
    std::function<void()> _closed;
};
