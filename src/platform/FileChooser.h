#pragma once

#include <functional>
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

    struct SaveOptions {
        std::string title;
        std::vector<std::string> allowedTypes; // the first is added to a name typed without one
        std::string directory;
        std::string nameFieldStringValue; // the suggested file name
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
