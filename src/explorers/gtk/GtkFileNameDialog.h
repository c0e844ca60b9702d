#pragma once

#include "explorers/FileNameDialog.h"

#include <gtkmm.h>

// Makes an entry refuse what a file name may not hold while the user types or pastes: a refused
// insertion is replaced by the whole text without the invalid characters, cut to the sane length,
// and the entry beeps. The formatter must outlive the entry.
sigc::connection attachFileNameFilter(Gtk::Entry& entry, const FileNameFormatter& formatter);

// The file-name dialog: a message, the name field and the rules a name follows, with OK and
// Cancel. OK is enabled only while the name as it would be taken is not empty.
class GtkFileNameDialog : public Gtk::Dialog {
public:
    GtkFileNameDialog(int32_t mode, const std::string& initialName);

    Gtk::Entry& fileNameEdit() { return _fileNameEdit; }
    Gtk::Button& okButton() { return *_okButton; }
    Gtk::Label& messageLabel() { return _messageLabel; }
    Gtk::Label& hintLabel() { return _hintLabel; }

    // Runs the dialog modally over the active window: the name, or nothing when cancelled or
    // closed. The window that was active is presented again.
    std::optional<std::string> runForName();

private:
    void updateOkButton();

    FileNameDialog _model;
    Gtk::Label _messageLabel;
    Gtk::Entry _fileNameEdit;
    Gtk::Label _hintLabel;
    Gtk::Button* _okButton = nullptr;
};

class GtkFileNamePrompt : public FileNamePrompt {
public:
    std::optional<std::string> selectNewFileName(int32_t mode, const std::string& initialName) override;
};
