#pragma once

#include "platform/UriLauncher.h"

// Opens URIs with the desktop's default handler for their scheme or file type.
class GtkUriLauncher : public UriLauncher {
public:
    bool openURL(const std::string& uri, Error* error = nullptr) override;
    // Asks the file manager over D-Bus (org.freedesktop.FileManager1 ShowItems); where none
    // answers, the file's folder is opened instead, and where that fails too the failure goes to
    // the outcome.
    bool showInFileManager(const std::string& path, Error* error = nullptr, Outcome outcome = {}) override;
};
