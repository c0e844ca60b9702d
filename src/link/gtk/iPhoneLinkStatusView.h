#pragma once

#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/label.h>

// The preferences pane of the device link: the link server's status, refreshed on demand, and the
// button that clears every pairing.
class iPhoneLinkStatusView : public Gtk::Box {
public:
    iPhoneLinkStatusView();

    void refreshIPhoneLinkStatus();
    void clearDeviceParingInformation();

    Gtk::Label& statusLabel() { return _statusLabel; }
    Gtk::Button& refreshButton() { return _refreshButton; }
    Gtk::Button& clearButton() { return _clearButton; }

private:
    Gtk::Label _deprecationLabel;
    Gtk::Label _statusLabel;
    Gtk::Button _refreshButton;
    Gtk::Label _messageLabel;
    Gtk::Button _clearButton;
};
