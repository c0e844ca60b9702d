#pragma once

#include <any>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The desktop's open and save panels. Types are file name extensions without the dot; an empty
// list allows every file. Main thread only; both wait until the user closes the panel.
class FileChooser {
public:
    struct OpenOptions {
        std::string title;
        std::vector<std::string> allowedTypes;
        bool allowsMultipleSelection = false;
        bool canChooseDirectories = false; // folders instead of files
        std::string directory;             // where the panel starts; empty for the desktop's choice
        // Files it refuses are neither offered nor answered; empty offers every file.
        std::function<bool(const std::string& path)> shouldEnable;
    };

    // What a save panel's accessory may do to its panel while it shows; the panel fills it in.
    struct SavePanelControl {
        // Makes one of the allowed types the one the panel lists; the name typed takes its
        // extension, and a name without one of the allowed types gets it.
        std::function<void(const std::string& type)> setAllowedType;
    };

    // Extra controls in the save panel: the desktop's half makes them from the content registered
    // under the name, showing the model (a plain object owned by the asker, alive while the panel
    // runs).
    struct SaveAccessory {
        std::string content;
        std::any model;
        std::shared_ptr<SavePanelControl> control = std::make_shared<SavePanelControl>();
    };

    struct SaveOptions {
        std::string title;
        // The first is added to a name typed without one. With an accessory the panel offers
        // them one at a time, the first until the accessory chooses another.
        std::vector<std::string> allowedTypes;
        std::string directory;
        std::string nameFieldStringValue; // the suggested file name
        std::optional<SaveAccessory> accessory;
    };

    virtual ~FileChooser() = default;

    // The chosen paths; empty when the user cancelled.
    virtual std::vector<std::string> runOpenPanel(const OpenOptions& options) = 0;
    // The chosen path; empty when the user cancelled.
    virtual std::optional<std::string> runSavePanel(const SaveOptions& options) = 0;

    // Installs the chooser (not owned); nullptr brings back the one that always cancels.
    static void setShared(FileChooser* chooser);
    static FileChooser& shared();
};
