#include "dropbox/DropboxInstallation.h"

#include "Editor/DeviceLinkServices.h"
#include "Utils/TerminationProcess.h"
#include "dropbox/DropboxService.h"
#include "dropbox/DropboxSettings.h"
#include "dropbox/DropboxSynchronizer.h"
#include "platform/HttpEngine.h"
#include "platform/TokenStore.h"

namespace {

// The quit sequence owns the process it is given, while the service keeps its own to know that
// the upload has started: this one stands for it and completes with it.
class DropboxQuitProcess : public TerminationProcess, public TerminationProcessDelegate {
public:
    explicit DropboxQuitProcess(std::shared_ptr<TerminationProcess> inner)
        : TerminationProcess(inner->title(), inner->iconImage()), _inner(std::move(inner))
    {
        _inner->setDelegate(this);
    }
    ~DropboxQuitProcess() override { _inner->setDelegate(nullptr); }
    void run() override
    {
        if (_inner->completed()) setCompleted();
    }
    void terminationProcessCompleted(TerminationProcess*) override { setCompleted(); }
    void terminationProcessActionChanged(TerminationProcess*) override { setAction(_inner->action()); }

private:
    std::shared_ptr<TerminationProcess> _inner;
};

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
        return std::make_unique<DropboxQuitProcess>(std::move(process));
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
