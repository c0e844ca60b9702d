#include "GoogleDrive/GDriveInstallation.h"

#include "Editor/DeviceLinkServices.h"
#include "GoogleDrive/GDriveService.h"
#include "GoogleDrive/GDriveSettings.h"
#include "Utils/TerminationProcess.h"

namespace {

// The quit sequence owns the process it is given, while the service keeps its own to know that
// the upload has started: this one stands for it and completes with it.
class GDriveQuitProcess : public TerminationProcess, public TerminationProcessDelegate {
public:
    explicit GDriveQuitProcess(std::shared_ptr<TerminationProcess> inner)
        : TerminationProcess(inner->title(), inner->iconImage()), _inner(std::move(inner))
    {
        _inner->setDelegate(this);
    }
    ~GDriveQuitProcess() override { _inner->setDelegate(nullptr); }
    void run() override
    {
        if (_inner->completed()) setCompleted();
    }
    void terminationProcessCompleted(TerminationProcess*) override { setCompleted(); }
    void terminationProcessActionChanged(TerminationProcess*) override { setAction(_inner->action()); }

private:
    std::shared_ptr<TerminationProcess> _inner;
};

class GDriveServices : public CloudServices {
public:
    explicit GDriveServices(Scheduler& scheduler)
    {
        GDriveServiceSetup setup;
        setup.scheduler = &scheduler;
        _service = std::make_unique<GDrive>(std::move(setup));
        _service->initiateSession();
    }

    std::unique_ptr<TerminationProcess> startTerminationProcess() override
    {
        std::shared_ptr<TerminationProcess> process = _service->startTerminationProcess();
        if (!process) return nullptr;
        return std::make_unique<GDriveQuitProcess>(std::move(process));
    }
    void terminateSession() override { _service->terminateSession(); }

private:
    std::unique_ptr<GDrive> _service;
};

} // namespace

void installGoogleDrive()
{
    setGoogleDriveServicesFactory([](Scheduler& scheduler, HistoryList*) -> std::unique_ptr<CloudServices> {
        if (!GDriveSettings::isAvailable()) return nullptr;
        return std::make_unique<GDriveServices>(scheduler);
    });
}
