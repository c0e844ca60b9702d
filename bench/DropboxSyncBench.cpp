#include "Utils/TerminationProcess.h"
#include "cloud/OAuthClient.h"
#include "dropbox/DropboxService.h"
#include "dropbox/DropboxSynchronizer.h"
#include "platform/FileUtils.h"
#include "platform/HttpEngine.h"
#include "platform/MainLoop.h"
#include "platform/NetworkController.h"
#include "platform/TokenStore.h"
#include "platform/UserDefaults.h"
#include "store/ExternalProvider.h"
#include "support/FakeDropboxServer.h"
#include "support/ManualScheduler.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

namespace fs = std::filesystem;

namespace {

struct AlwaysReachable : Reachability {
    bool isReachable() override { return true; }
    bool startNotifier(std::function<void()>) override { return false; }
    void stopNotifier() override {}
};

// Settings, store and cache of their own for the length of the benchmark; whoever ran before gets
// theirs back.
class PrivateHome {
public:
    PrivateHome()
    {
        for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME"})
            if (const char* value = std::getenv(name)) _saved[name] = value;
        char pattern[] = "/tmp/tarnwick-sync-bench-XXXXXX";
        root = mkdtemp(pattern);
        setenv("XDG_DATA_HOME", (root + "/data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
        fs::create_directories(root + "/data/Tarnwick");
        fs::create_directories(root + "/support");
        UserDefaults::standard().resetForTesting();
        ExternalProvider::resetProvidersDirectoryCleanup();
        NetworkController::instance().setReachability(std::make_unique<AlwaysReachable>());
        NetworkController::networkAvailable();
    }
    ~PrivateHome()
    {
        NetworkController::instance().setReachability(nullptr);
        NetworkController::networkAvailable();
        std::error_code error;
        fs::remove_all(root, error);
        for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME"}) {
            auto saved = _saved.find(name);
            if (saved != _saved.end()) setenv(name, saved->second.c_str(), 1);
            else unsetenv(name);
        }
        UserDefaults::standard().resetForTesting();
    }

    std::string root;

private:
    std::map<std::string, std::string> _saved;
};

void writeFile(const std::string& path, const std::string& contents, time_t seconds)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << contents;
    const timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

// Quitting with 200 maps changed since their last upload: from the quit's request for the upload
// until its termination process completes, one map after the other through the queue, against the
// service's stand-in on loopback. Each map is looked up, then sent as an update of 20 KB.
void BM_DropboxQuitUploadsTwoHundredChangedMaps(benchmark::State& state)
{
    PrivateHome home;
    FakeDropboxServer fake;
    fake.issueTokens("access-0", "refresh-0");
    HttpEngine engine;
    FileTokenStore tokens(home.root + "/tokens.json");
    tokens.write(Dropbox::TokenAccount, OAuthTokens{"access-0", "refresh-0", 0, ""}.toJson());
    FakeClock clock(5000);
    ManualScheduler scheduler(clock);
    auto makeService = [&] {
        DropboxServiceSetup setup;
        setup.engine = &engine;
        setup.tokens = &tokens;
        setup.signIn = {FakeDropboxServer::AppKey, "", fake.baseUrl() + "/oauth2/token", "", {}};
        setup.endpoints = {fake.baseUrl(), fake.baseUrl()};
        setup.scheduler = &scheduler;
        setup.supportDirectory = home.root + "/support";
        setup.makeSyncQueue = [](Dropbox& service) { return std::make_unique<DropboxSynchronizer>(service); };
        auto service = std::make_unique<Dropbox>(std::move(setup));
        service->initiateSession();
        return service;
    };
    std::unique_ptr<Dropbox> service = makeService();
    if (!service->isActive()) {
        state.SkipWithError("the service did not become active");
        return;
    }

    std::vector<std::string> paths;
    for (int i = 0; i < 200; ++i) {
        const std::string dbPath = "/Maps/Map " + std::to_string(i) + ".twkx";
        const std::string cache = service->provider()->cacheFilePathForDbPath(dbPath);
        fs::create_directories(fs::path(cache).parent_path());
        const std::string rev = fake.putFile(dbPath, std::string(20000, 'a'));
        writeFile(cache, std::string(20000, 'a'), 1700000000);
        service->fileInfo().update(dbPath, fileModificationDate(cache), rev);
        paths.push_back(cache);
    }

    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ++round;
        // A service keeps its one upload at quit: each round quits a service of its own.
        if (round > 1) service = makeService();
        for (const std::string& cache : paths) {
            writeFile(cache, std::string(20000, char('b' + round % 24)), 1700000000 + round);
        }
        state.ResumeTiming();

        std::shared_ptr<TerminationProcess> quit = service->startTerminationProcess();
        if (!quit || !MainLoop::runUntil([&] { return quit->completed(); }, 60)) {
            state.SkipWithError("the upload at quit did not complete");
            break;
        }
        state.PauseTiming();
        for (int i = 0; i < 200; i += 67) {
            const std::string dbPath = "/Maps/Map " + std::to_string(i) + ".twkx";
            if (fake.fileContents(dbPath) != std::string(20000, char('b' + round % 24))) {
                state.SkipWithError("a map did not arrive");
            }
        }
        state.ResumeTiming();
    }
    service.reset();
}
BENCHMARK(BM_DropboxQuitUploadsTwoHundredChangedMaps)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
