#pragma once

#include "platform/UriLauncher.h"

#include <vector>

// Keeps every URI it is asked to open and every file it is asked to show. Installs itself while it lives.
class RecordingUriLauncher : public UriLauncher {
public:
    RecordingUriLauncher() { UriLauncher::setShared(this); }
    ~RecordingUriLauncher() override { UriLauncher::setShared(nullptr); }

    bool openURL(const std::string& uri) override
    {
        opened.push_back(uri);
        return succeeds;
    }

    bool showInFileManager(const std::string& path) override
    {
        shownInFileManager.push_back(path);
        return succeeds;
    }

    bool succeeds = true;
    std::vector<std::string> opened;
    std::vector<std::string> shownInFileManager;
};
