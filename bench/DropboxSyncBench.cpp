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
#include <glib.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
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

// A linked service on the stand-in with maps in step with it, in a home of its own.
class SyncBench {
public:
    explicit SyncBench(int maps)
    {
        fake.issueTokens("access-0", "refresh-0");
        tokens.write(Dropbox::TokenAccount, OAuthTokens{"access-0", "refresh-0", 0, ""}.toJson());
        service = makeService();
        for (int i = 0; i < maps && service->isActive(); ++i) {
            const std::string dbPath = "/Maps/Map " + std::to_string(i) + ".twkx";
            const std::string cache = service->provider()->cacheFilePathForDbPath(dbPath);
            fs::create_directories(fs::path(cache).parent_path());
            const std::string rev = fake.putFile(dbPath, std::string(20000, 'a'));
            writeFile(cache, std::string(20000, 'a'), 1700000000);
            service->fileInfo().update(dbPath, fileModificationDate(cache), rev);
            dbPaths.push_back(dbPath);
            cacheFiles.push_back(cache);
        }
    }
    ~SyncBench() { service.reset(); }

    std::unique_ptr<Dropbox> makeService()
    {
        DropboxServiceSetup setup;
        setup.engine = &engine;
        setup.tokens = &tokens;
        setup.signIn.clientId = FakeDropboxServer::AppKey;
        setup.signIn.tokenUrl = fake.baseUrl() + "/oauth2/token";
        setup.endpoints = {fake.baseUrl(), fake.baseUrl()};
        setup.scheduler = &scheduler;
        setup.supportDirectory = home.root + "/support";
        setup.makeSyncQueue = [](Dropbox& dropbox) { return std::make_unique<DropboxSynchronizer>(dropbox); };
        auto made = std::make_unique<Dropbox>(std::move(setup));
        made->initiateSession();
        return made;
    }

    // Every map changed here, with contents of the round.
    std::string changeAll(int round)
    {
        const std::string contents(20000, char('b' + round % 24));
        for (const std::string& cache : cacheFiles) writeFile(cache, contents, 1700000000 + round);
        return contents;
    }

    bool arrived(const std::string& contents)
    {
        for (size_t i = 0; i < dbPaths.size(); i += 17) {
            if (fake.fileContents(dbPaths[i]) != contents) return false;
        }
        return true;
    }

    PrivateHome home;
    FakeDropboxServer fake;
    HttpEngine engine;
    FileTokenStore tokens{home.root + "/tokens.json"};
    FakeClock clock{5000};
    ManualScheduler scheduler{clock};
    std::unique_ptr<Dropbox> service;
    std::vector<std::string> dbPaths;
    std::vector<std::string> cacheFiles;
};

// The longest pause of the main loop while it runs until done, seen by a 1 ms beat that stands for
// the window's drawing.
double longestLoopGap(const std::function<bool()>& done, bool& finished, double timeout = 60)
{
    double longest = 0;
    gint64 last = g_get_monotonic_time();
    auto beat = Timer::scheduledTimer(0.001, true, [&] {
        const gint64 now = g_get_monotonic_time();
        longest = std::max(longest, double(now - last) / 1000.0);
        last = now;
    });
    finished = MainLoop::runUntil(done, timeout);
    return longest;
}

// Quitting with 200 maps changed since their last upload: from the quit's request for the upload
// until its termination process completes, one map after the other through the queue, against the
// service's stand-in on loopback. Each map is looked up, then sent as an update of 20 KB.
void BM_DropboxQuitUploadsTwoHundredChangedMaps(benchmark::State& state)
{
    SyncBench bench(200);
    if (!bench.service->isActive()) {
        state.SkipWithError("the service did not become active");
        return;
    }
    double longestGap = 0;
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ++round;
        // A service keeps its one upload at quit: each round quits a service of its own.
        if (round > 1) bench.service = bench.makeService();
        const std::string contents = bench.changeAll(round);
        state.ResumeTiming();

        std::shared_ptr<TerminationProcess> quit = bench.service->startTerminationProcess();
        bool finished = false;
        if (quit) longestGap = std::max(longestGap, longestLoopGap([&] { return quit->completed(); }, finished));
        if (!finished) {
            state.SkipWithError("the upload at quit did not complete");
            break;
        }
        state.PauseTiming();
        if (!bench.arrived(contents)) state.SkipWithError("a map did not arrive");
        state.ResumeTiming();
    }
    state.counters["longest_loop_gap_ms"] = longestGap;
}
BENCHMARK(BM_DropboxQuitUploadsTwoHundredChangedMaps)->Unit(benchmark::kMillisecond)->Iterations(3);

// The periodic synchronisation of 50 changed maps while the window goes on: each map is looked up
// and sent, and its record written, with the stand-in answering at once or after the argument's
// milliseconds (a slow network: the window must go on while each answer is awaited).
void BM_DropboxPeriodicSyncOfFiftyMapsKeepsTheLoopFree(benchmark::State& state)
{
    SyncBench bench(50);
    const double delay = double(state.range(0)) / 1000.0;
    if (!bench.service->isActive()) {
        state.SkipWithError("the service did not become active");
        return;
    }
    auto* queue = static_cast<DropboxSynchronizer*>(bench.service->synchronizer());
    double longestGap = 0;
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::string contents = bench.changeAll(++round);
        state.ResumeTiming();
        bool finished = false;
        if (bench.service->synchronize() != 50) {
            state.SkipWithError("not every map was queued");
            break;
        }
        bench.fake.setDelay(delay);
        longestGap = std::max(longestGap, longestLoopGap([&] { return !queue->isBusy(); }, finished, 60 + 200 * delay));
        bench.fake.setDelay(0);
        state.PauseTiming();
        if (!finished || !bench.arrived(contents)) state.SkipWithError("a map did not arrive");
        state.ResumeTiming();
    }
    state.counters["longest_loop_gap_ms"] = longestGap;
}
BENCHMARK(BM_DropboxPeriodicSyncOfFiftyMapsKeepsTheLoopFree)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_DropboxPeriodicSyncOfFiftyMapsKeepsTheLoopFree)->Arg(500)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
