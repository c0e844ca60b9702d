#pragma once

#include "Editor/TwkDocumentController.h"

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

// The application's services at quit, with the device link made by the installed factory.
class InstalledApplicationServices : public ApplicationTerminationServices {
public:
    ~InstalledApplicationServices() override;
    // Once: later calls, and calls after the release, change nothing.
    void startDeviceLinkServices() override;
    void releaseDeviceLinkServices() override;
    bool hasDeviceLinkServices() const { return _deviceLink != nullptr; }

private:
    std::unique_ptr<DeviceLinkServices> _deviceLink;
    bool _started = false;
};
