#include "Editor/DeviceLinkServices.h"

namespace {

DeviceLinkServicesFactory& factory()
{
    static DeviceLinkServicesFactory installed;
    return installed;
}

} // namespace

void setDeviceLinkServicesFactory(DeviceLinkServicesFactory make)
{
    factory() = std::move(make);
}

InstalledApplicationServices::~InstalledApplicationServices()
{
    releaseDeviceLinkServices();
}

void InstalledApplicationServices::startDeviceLinkServices()
{
    if (_started) return;
    _started = true;
    if (factory()) _deviceLink = factory()();
}

void InstalledApplicationServices::releaseDeviceLinkServices()
{
    // The link's thread is stopped and joined inside; what it was waiting for has been answered.
    _deviceLink.reset();
}
