#pragma once

#include "Editor/TwkDocumentController.h"

class HistoryList;
class Scheduler;

#include <functional>
#include <memory>

// The device link as the application holds it: made once the editor document is shown, released
// at quit. The link's own library sits above the shell and installs the factory at start-up;
// without it the application simply runs without a link.
class DeviceLinkServices {
public:
    virtual ~DeviceLinkServices() = default;
};

using DeviceLinkServicesFactory = std::function<std::unique_ptr<DeviceLinkServices>()>;
void setDeviceLinkServicesFactory(DeviceLinkServicesFactory factory);

// A cloud service as the application holds it: made once the window's scheduler runs, asked for
// its upload at quit. Its library sits above the shell and installs the factory at start-up; the
// factory answers nothing when the service cannot be offered (no app key in this build). The
// recent maps (which outlive the service) tell it which cloud folders the user works in.
class CloudServices {
public:
    virtual ~CloudServices() = default;
    virtual std::unique_ptr<TerminationProcess> startTerminationProcess() { return nullptr; }
    virtual void terminateSession() {}
    // How the service brings the program's window to the front when a sign-in in the browser
    // hands back to the running program.
    virtual void setBringToFront(std::function<void()> /*bringToFront*/) {}
};

using CloudServicesFactory =
    std::function<std::unique_ptr<CloudServices>(Scheduler& scheduler, HistoryList* recentHistory)>;
void setDropboxServicesFactory(CloudServicesFactory factory);
void setGoogleDriveServicesFactory(CloudServicesFactory factory);

// The application's services at quit, with the device link made by the installed factory.
class InstalledApplicationServices : public ApplicationTerminationServices {
public:
    ~InstalledApplicationServices() override;
    // Once: later calls, and calls after the release, change nothing.
    void startDeviceLinkServices() override;
    void releaseDeviceLinkServices() override;
    bool hasDeviceLinkServices() const { return _deviceLink != nullptr; }
    // Once, with the scheduler the cloud timers run on. The window's panes are made by then:
    // a provider that joins tells them.
    void startCloudServices(Scheduler& scheduler, HistoryList* recentHistory = nullptr,
                            std::function<void()> bringToFront = {});
    bool hasDropboxServices() const { return _dropbox != nullptr; }
    std::unique_ptr<TerminationProcess> startDropboxTerminationProcess() override;
    void terminateDropboxSession() override;
    bool hasGoogleDriveServices() const { return _googleDrive != nullptr; }
    std::unique_ptr<TerminationProcess> startGoogleDriveTerminationProcess() override;
    void terminateGoogleDriveSession() override;

private:
    std::unique_ptr<DeviceLinkServices> _deviceLink;
    bool _started = false;
    std::unique_ptr<CloudServices> _dropbox;
    std::unique_ptr<CloudServices> _googleDrive;
    bool _cloudStarted = false;
};
