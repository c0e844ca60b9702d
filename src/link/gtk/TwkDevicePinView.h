#pragma once

#include "link/DevicePinModel.h"

#include <gtkmm/box.h>
#include <gtkmm/entry.h>

// The accessory of the pairing dialog: one large field for the PIN the mobile app shows. It takes
// the keyboard focus when the dialog shows and asks for the user's attention, since the request
// comes from a phone while the user may be elsewhere.
class TwkDevicePinView : public Gtk::Box {
public:
    static constexpr int FontSize = 40;

    explicit TwkDevicePinView(DevicePinModel& model);

    Gtk::Entry& pinValueEdit() { return _pinValueEdit; }

private:
    void onMap();

    DevicePinModel& _model;
    Gtk::Entry _pinValueEdit;
    bool _capturedFocus = false;
    bool _named = false;
};
