#include "GoogleDrive/GDriveInstallation.h"

#include "Editor/DeviceLinkServices.h"
#include "Editor/FeedbackCenter.h"
#include "GoogleDrive/GDriveAuthHelper.h"
#include "GoogleDrive/GDriveService.h"
#include "GoogleDrive/GDriveSettings.h"
#include "Utils/TerminationProcess.h"
#include "platform/Localizer.h"

namespace {

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
        return std::make_unique<ForwardingTerminationProcess>(std::move(process));
    }
    void terminateSession() override { _service->terminateSession(); }
    void setBringToFront(std::function<void()> bringToFront) override
    {
        GDriveAuthHelper::sharedHelper().setBringToFront(std::move(bringToFront));
    }

private:
    std::unique_ptr<GDrive> _service;
};

} // namespace

void installGoogleDrive()
{
    setGoogleDriveServicesFactory([](Scheduler& scheduler, HistoryList*) -> std::unique_ptr<CloudServices> {
        if (!GDriveSettings::isOffered()) {
            // A build or a set-up that names a malformed client would otherwise lose Drive silently.
            const std::string reason = GDriveSettings::notOfferedReason();
            if (!reason.empty()) {
                FeedbackCenter::feedbackCenter().addItemWithTitle(localized("gdrive_not_offered"), reason,
                                                                  FeedbackStateError, FeedbackCenter::gdriveImage());
            }
            return nullptr;
        }
        return std::make_unique<GDriveServices>(scheduler);
    });
}
