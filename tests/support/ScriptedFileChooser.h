#pragma once

#include "platform/FileChooser.h"

#include <vector>

// Answers the open and save panels from what the test sets, and keeps the options asked with.
// Installs itself while it lives.
class ScriptedFileChooser : public FileChooser {
public:
    ScriptedFileChooser() { FileChooser::setShared(this); }
    ~ScriptedFileChooser() override { FileChooser::setShared(nullptr); }

    std::vector<std::string> runOpenPanel(const OpenOptions& options) override
    {
        openRequests.push_back(options);
        return openAnswer;
    }
    std::optional<std::string> runSavePanel(const SaveOptions& options) override
    {
        saveRequests.push_back(options);
        return saveAnswer;
    }

    std::vector<std::string> openAnswer;
    std::optional<std::string> saveAnswer;
    std::vector<OpenOptions> openRequests;
    std::vector<SaveOptions> saveRequests;
};
