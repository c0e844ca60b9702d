#pragma once

#include "explorers/FileNameFormatter.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The small modal dialog that asks for the name of a new map or folder, or a new name for an
// existing one. This half decides what it shows and when OK may act; the desktop half (a GTK
// dialog) shows it.
class FileNameDialog {
public:
    enum Mode : int32_t { NewMap = 0, RenameFile = 1, NewFolder = 2, RenameFolder = 3 };

    FileNameDialog(int32_t mode, std::string initialName);

    int32_t mode() const { return _mode; }
    const std::string& initialName() const { return _initialName; }
    const FileNameFormatter& formatter() const { return _formatter; }

    // Window title, placeholder and message of the mode; nothing for a mode outside 0 to 3, whose
    // dialog keeps its plain texts.
    struct Texts {
        std::string title;
        std::string placeholder;
        std::string message;
    };
    std::optional<Texts> textsForMode() const;
    // The rules a name follows, shown under the field.
    static std::string hintText();
    static std::string okButtonTitle();
    static std::string cancelButtonTitle();

    // OK acts exactly when the name being edited, as it would be taken, is not empty.
    bool isOkEnabled(std::string_view editingText) const;
    // The name OK takes from the field: nothing when it would be empty (the dialog then beeps and
    // stays open).
    std::optional<std::string> okButtonClicked(std::string_view fieldText) const;

private:
    int32_t _mode;
    std::string _initialName;
    FileNameFormatter _formatter;
};

// Asks the user for a file or folder name in a modal dialog over the key window; the key window
// is key again afterwards. The name, or nothing when the user cancelled.
class FileNamePrompt {
public:
    virtual ~FileNamePrompt() = default;
    virtual std::optional<std::string> selectNewFileName(int32_t mode, const std::string& initialName) = 0;

    // The desktop's dialog, installed at start-up; nullptr until then (nothing is asked).
    static FileNamePrompt* shared();
    static void setShared(FileNamePrompt* prompt);
};
