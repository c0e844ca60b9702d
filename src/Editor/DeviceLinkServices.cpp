#include "Editor/DeviceLinkServices.h"

#include "platform/NotificationCenter.h"
#include "store/MindMapProvider.h"

namespace {

DeviceLinkServicesFactory& factory()
{
    static DeviceLinkServicesFactory installed;
    return installed;
}

CloudServicesFactory& dropboxFactory()
{
    static CloudServicesFactory installed;
    return installed;
}

CloudServicesFactory& googleDriveFactory()
{
    static CloudServicesFactory installed;
    return installed;
}

} // namespace

void setGoogleDriveServicesFactory(CloudServicesFactory make)
{
    googleDriveFactory() = std::move(make);
}

void setDropboxServicesFactory(CloudServicesFactory make)
{
    dropboxFactory() = std::move(make);
}

void InstalledApplicationServices::startCloudServices(Scheduler& scheduler, HistoryList* recentHistory,
                                                      std::function<void()> bringToFront)
{
    if (_cloudStarted) return;
    _cloudStarted = true;
    if (dropboxFactory()) _dropbox = dropboxFactory()(scheduler, recentHistory);
    if (googleDriveFactory()) _googleDrive = googleDriveFactory()(scheduler, recentHistory);
    for (CloudServices* service : {_dropbox.get(), _googleDrive.get()})
        if (service) service->setBringToFront(bringToFront);
    // An unlinked provider registers without a change of state, which would leave the cloud
    // set-up tab, made with the window, without it.
    if (_dropbox || _googleDrive)
        NotificationCenter::defaultCenter().post(MindMapProvider::ProvidersChangedNotification, nullptr);
}

std::unique_ptr<TerminationProcess> InstalledApplicationServices::startDropboxTerminationProcess()
{
    return _dropbox ? _dropbox->startTerminationProcess() : nullptr;
}

void InstalledApplicationServices::terminateDropboxSession()
{
    if (_dropbox) _dropbox->terminateSession();
}

std::unique_ptr<TerminationProcess> InstalledApplicationServices::startGoogleDriveTerminationProcess()
{
    return _googleDrive ? _googleDrive->startTerminationProcess() : nullptr;
}

void InstalledApplicationServices::terminateGoogleDriveSession()
{
    if (_googleDrive) _googleDrive->terminateSession();
}

void setDeviceLinkServicesFactory(DeviceLinkServicesFactory make)
{
    factory() = std::move(make);
}

InstalledApplicationServices::~InstalledApplicationServices()
{
    releaseDeviceLinkServices();
    _googleDrive.reset();
    _dropbox.reset();
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
