#pragma once

#include "platform/FileChooser.h"

// Open and save panels as GTK file chooser dialogs.
class GtkOpenSavePanels : public FileChooser {
public:
    std::vector<std::string> runOpenPanel(const OpenOptions& options) override;
    std::optional<std::string> runSavePanel(const SaveOptions& options) override;
};
