#pragma once

#include "platform/FileChooser.h"

#include <any>
#include <functional>
#include <string>

namespace Gtk {
class Widget;
} // namespace Gtk

// Open and save panels as GTK file chooser dialogs.
class GtkOpenSavePanels : public FileChooser {
public:
    std::vector<std::string> runOpenPanel(const OpenOptions& options) override;
    std::optional<std::string> runSavePanel(const SaveOptions& options) override;

    // Makes the save panel's accessory content of a name, given the control its panel filled in;
    // the widget is owned by the panel (managed).
    using SaveAccessoryFactory = std::function<Gtk::Widget*(const std::any& model, SavePanelControl& control)>;
    static void registerSaveAccessory(const std::string& name, SaveAccessoryFactory factory);
};
