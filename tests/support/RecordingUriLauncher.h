#pragma once

#include "platform/UriLauncher.h"

#include <filesystem>
#include <vector>

// Keeps every URI it is asked to open and every file it is asked to show. Installs itself while it lives.
class RecordingUriLauncher : public UriLauncher {
public:
    RecordingUriLauncher() { UriLauncher::setShared(this); }
    ~RecordingUriLauncher() override { UriLauncher::setShared(nullptr); }

    bool openURL(const std::string& uri, Error* error = nullptr) override
    {
        opened.push_back(uri);
        return succeeds || setError(error, openError(uri, reason));
    }

    // As the desktop's launcher: with no file manager to select the file, its folder is opened,
    // and that fails.
    bool showInFileManager(const std::string& path, Error* error = nullptr, Outcome outcome = {}) override
    {
        shownInFileManager.push_back(path);
        const Error failure = showError(std::filesystem::path(path).parent_path().string(), reason);
        if (!succeeds) return setError(error, failure);
        if (outcome) outcome(fileManagerFails ? &failure : nullptr);
        else if (fileManagerFails) reportFailure(failure);
        return true;
    }

    bool succeeds = true;
    // The file manager takes the request, then shows nothing.
    bool fileManagerFails = false;
    // Why a launch fails when it does not succeed.
    std::string reason = "No application is registered as handling this file";
    std::vector<std::string> opened;
    std::vector<std::string> shownInFileManager;
};
