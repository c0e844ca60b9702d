#pragma once

#include "Editor/MailOptionsViewController.h"
#include "platform/Geometry.h"
#include "platform/MailComposer.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

class EditorDocument;
class MindMap;
class MindMapStorage;
class MindMapStore;

// The "mail map" dialog: the mail options inside a question with OK and Cancel. Without an
// installed one every request is cancelled.
class MailOptionsPrompt {
public:
    virtual ~MailOptionsPrompt() = default;
    // True when the user chose OK; the options hold the choice.
    virtual bool runMailOptions(MailOptionsViewController& options) = 0;

    static void setShared(MailOptionsPrompt* prompt);
    static MailOptionsPrompt& shared();
};

// Sends the open map by mail: asks for formats, density and range, writes each chosen export into
// the store's "Scratch" folder and hands subject and files to the user's mail program. A format
// that fails to export leaves the others attached and is reported.
class MailMapAction {
public:
    static constexpr const char* SubjectFormat = "Tarnwick Mind Map - %@";
    // File extensions by export code.
    static constexpr std::array<const char*, 9> Extensions{"twkx", "pdf", "png",  "tiff", "eps",
                                                           "html", "txt", "opml", "mm"};
    // The export's margin round the selection, on every side.
    static constexpr double ExportMargin = 30;

    // What the action reaches of the window it runs in.
    struct Window {
        std::function<MindMapStorage*()> currentStorage;
        std::function<MindMap*()> mindMap;
        // Writes the open map to its storage; false when that failed.
        std::function<bool()> commitEditor;
        MindMapStore* store = nullptr;
    };

    explicit MailMapAction(Window window) : _window(std::move(window)) {}
    // The action on the editor document's map and storage, with the running store's scratch folder.
    static MailMapAction forDocument(EditorDocument& document);

    void sendEmailMessage();

    // The selection's export size with its margins; zero when no subtree is selected.
    static Size selectionExportSize(MindMap& mindMap);
    // A file name made from an untrusted title: no folder separator, no leading "-" or ".", never
    // empty.
    static std::string attachmentName(const std::string& exportName, const std::string& extension);
    // Tells the user what became of the message: the no-mail alert names the folder with the
    // files and offers to show them; a program that could not start is an error.
    static void reportResult(MailComposer::Result result, const std::string& scratchDirectory,
                             const std::vector<std::string>& attachments);

private:
    Window _window;
};
