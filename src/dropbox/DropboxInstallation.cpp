#include "dropbox/DropboxInstallation.h"

#include "Editor/DeviceLinkServices.h"
#include "Utils/TerminationProcess.h"
#include "dropbox/DropboxService.h"
#include "dropbox/DropboxSettings.h"
#include "dropbox/DropboxSynchronizer.h"
#include "platform/HttpEngine.h"
#include "platform/TokenStore.h"

namespace {

class DropboxServices : public CloudServices {
public:
    DropboxServices(Scheduler& scheduler, HistoryList* recentHistory, const std::string& appKey)
        : _tokens(makeTokenStore())
    {
        DropboxServiceSetup setup;
        setup.engine = &HttpEngine::shared();
        setup.tokens = _tokens.get();
        setup.signIn = DropboxSettings::signInSettings(appKey);
        setup.endpoints = DropboxSettings::endpoints();
        setup.scheduler = &scheduler;
        setup.makeSyncQueue = [](Dropbox& service) { return std::make_unique<DropboxSynchronizer>(service); };
        _service = std::make_unique<Dropbox>(std::move(setup));
        _service->setRecentHistory(recentHistory);
        _service->initiateSession();
    }

    std::unique_ptr<TerminationProcess> startTerminationProcess() override
    {
        std::shared_ptr<TerminationProcess> process = _service->startTerminationProcess();
        if (!process) return nullptr;
        return std::make_unique<ForwardingTerminationProcess>(std::move(process));
    }
    void terminateSession() override { _service->terminateSession(); }

private:
    std::unique_ptr<TokenStore> _tokens;
    std::unique_ptr<Dropbox> _service;
};

} // namespace

void installDropbox()
{
    setDropboxServicesFactory([](Scheduler& scheduler, HistoryList* recentHistory) -> std::unique_ptr<CloudServices> {
        const std::string appKey = DropboxSettings::appKey();
        if (appKey.empty()) return nullptr;
        return std::make_unique<DropboxServices>(scheduler, recentHistory, appKey);
    });
}
