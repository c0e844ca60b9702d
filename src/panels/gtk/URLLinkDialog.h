#pragma once

#include "Editor/TopicLinkActions.h"
#include "panels/URLLinkPanelController.h"

#include <gtkmm.h>

#include <functional>

// The hyperlink dialog: the link field with its file, web and PDF page buttons, Test, the upload choice for
// a cloud map, Remove link, Cancel and OK.
class URLLinkDialog : public Gtk::Dialog {
public:
    explicit URLLinkDialog(URLLinkPanelController& controller);

    Gtk::Entry& field() { return _field; }
    Gtk::Button& okButton() { return *_ok; }
    Gtk::Button& testButton() { return _test; }
    Gtk::Button& removeButton() { return *_remove; }
    Gtk::Button& fileButton() { return _file; }
    Gtk::Button& webButton() { return _web; }
    Gtk::Button& pdfButton() { return _pdf; }
    Gtk::CheckButton& uploadCheck() { return _upload; }

    // Runs one dialog and answers as the link actions expect; nothing when closed otherwise.
    static std::optional<URLLinkPrompt::Answer> run(const std::string& link, bool offerUpload,
                                                    const std::string& providerTitle, bool hasLink);
    // Called with each dialog once it shows, before its session runs; for tests.
    static void setShownObserver(std::function<void(URLLinkDialog& dialog)> observer);

private:
    void updateStatus();
    void chooseFile();
    void choosePdfPage();

    URLLinkPanelController& _controller;
    Gtk::Grid _grid;
    Gtk::Label _message;
    Gtk::Entry _field;
    Gtk::Box _buttons{Gtk::ORIENTATION_HORIZONTAL, 6};
    Gtk::Button _file, _web, _pdf, _test;
    Gtk::Label _uploadLabel;
    Gtk::CheckButton _upload;
    Gtk::Button* _remove = nullptr;
    Gtk::Button* _ok = nullptr;
    bool _updating = false;
};

// Makes the window's "link to document or web page" command open this dialog. Called once at
// start-up, after the window's own link dialogs.
void installURLLinkDialog();
