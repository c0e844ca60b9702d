#pragma once

#include <string>

// What the commands of a cloud pane ask of the service alike; a path is the service's id of a file.
class CloudPaneService {
public:
    virtual ~CloudPaneService() = default;
    // Files other than maps, in the desktop's application for them.
    virtual void openCloudLink(const std::string& path) = 0;
    // Opens the new map on success.
    virtual void convertNonNativeMindMap(const std::string& path) = 0;
    virtual void duplicateFile(const std::string& path) = 0;
    virtual void manualSynchronize() = 0;
};
