#pragma once

#include "Editor/CloudProgressWindowController.h"

#include <gtkmm/box.h>
#include <gtkmm/label.h>
#include <gtkmm/spinner.h>
#include <gtkmm/window.h>

// The cloud progress window: a spinner beside its line, over the middle of the window that was
// active when it opened. It does not block: the user may go on working while the picture comes.
class CloudProgressWindow : public Gtk::Window, public CloudProgressWindowView {
public:
    CloudProgressWindow();

    void setLabel(const std::string& text) override;
    void startProgressIndicator() override;
    void showCentred() override;
    void close() override;

    std::string labelText() const { return _label.get_text(); }
    bool spinning() const { return _spinner.property_active(); }

private:
    Gtk::Box _box{Gtk::ORIENTATION_HORIZONTAL, 12};
    Gtk::Spinner _spinner;
    Gtk::Label _label;
};

// Makes this window the one the map editor shows while it fetches a picture from the cloud;
// called once at start-up.
void installCloudProgressWindow();
