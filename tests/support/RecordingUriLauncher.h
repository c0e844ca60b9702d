#pragma once

#include "platform/UriLauncher.h"

#include <vector>

// Keeps every URI it is asked to open. Installs itself while it lives.
class RecordingUriLauncher : public UriLauncher {
public:
    RecordingUriLauncher() { UriLauncher::setShared(this); }
    ~RecordingUriLauncher() override { UriLauncher::setShared(nullptr); }

    bool openURL(const std::string& uri) override
    {
        opened.push_back(uri);
        return succeeds;
    }

    bool succeeds = true;
    std::vector<std::string> opened;
};
