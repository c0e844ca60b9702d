#pragma once

#include "platform/AlertPanel.h"

#include <any>
#include <functional>
#include <string>

namespace Gtk {
class Widget;
} // namespace Gtk

// Alerts as GTK message dialogs: the buttons in order, Return on the button that names it, Escape
// on the one that names Escape (else Escape dismisses), and an entry for prompts.
class GtkAlertPanel : public AlertPanel {
public:
    Answer runModal(const Request& request) override;

    // Makes the accessory content of a name; the widget is owned by the alert (managed).
    using AccessoryFactory = std::function<Gtk::Widget*(const std::any& model)>;
    static void registerAccessory(const std::string& name, AccessoryFactory factory);
};
