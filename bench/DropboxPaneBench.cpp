#include "dropbox/DropboxExplorer.h"
#include "dropbox/DropboxService.h"
#include "formats/MindMapConverter.h"
#include "formats/TwkxMindMapReader.h"
#include "platform/MainLoop.h"
#include "platform/NetworkController.h"
#include "platform/TokenStore.h"
#include "store/EditorInterface.h"
#include "store/ExternalProvider.h"
#include "store/MindMapStore.h"
#include "support/FakeDropboxServer.h"

#include <benchmark/benchmark.h>
#include <glib.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

namespace {

struct Reachable : Reachability {
    bool isReachable() override { return true; }
    bool startNotifier(std::function<void()>) override { return false; }
    void stopNotifier() override {}
};

struct OpeningEditor : NullEditorInterface {
    std::string opened;
    void openStorage(MindMapProvider*, const std::string& storageId, const std::any&) override { opened = storageId; }
};

// A private home, a linked Dropbox service on the service's stand-in, and the network up.
struct DropboxBench {
    std::string home;
    FakeDropboxServer fake;
    HttpEngine engine;
    std::unique_ptr<FileTokenStore> tokens;
    std::unique_ptr<Dropbox> service;
    std::shared_ptr<OpeningEditor> editor = std::make_shared<OpeningEditor>();

    DropboxBench()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tarnwick-pane-XXXXXX").string();
        home = mkdtemp(pattern.data()) ? pattern : std::string("/tmp/tarnwick-pane");
        setenv("XDG_DATA_HOME", (home + "/data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
        std::filesystem::create_directories(home + "/data/Tarnwick");
        std::filesystem::create_directories(home + "/support");
        // The program opens its map store, and with it the image stores, before any cloud map
        // is converted.
        MindMapStore::mindMapStoreInstance();
        ExternalProvider::resetProvidersDirectoryCleanup();
        NetworkController::instance().setReachability(std::make_unique<Reachable>());
        NetworkController::networkAvailable();
        SetEditorInterfaceInstance(editor);
        fake.issueTokens("access-0", "refresh-0");
        tokens = std::make_unique<FileTokenStore>(home + "/tokens.json");
        tokens->write(Dropbox::TokenAccount, OAuthTokens{"access-0", "refresh-0", 0, "dbid:fake"}.toJson());
        DropboxServiceSetup setup;
        setup.engine = &engine;
        setup.tokens = tokens.get();
        setup.signIn = {FakeDropboxServer::AppKey, "", fake.baseUrl() + "/oauth2/token", "", {}};
        setup.endpoints = {fake.baseUrl(), fake.baseUrl()};
        setup.supportDirectory = home + "/support";
        service = std::make_unique<Dropbox>(std::move(setup));
        service->initiateSession();
    }
    ~DropboxBench()
    {
        service.reset();
        SetEditorInterfaceInstance(nullptr);
        NetworkController::instance().setReachability(nullptr);
        MindMapStore::releaseMindMapStoreInstance();
        std::filesystem::remove_all(home);
    }
};

// The longest pause of the main loop while it runs until done, seen by a 1 ms beat that stands for
// the window's drawing.
double longestPause(const std::function<bool()>& done)
{
    double longest = 0;
    gint64 last = g_get_monotonic_time();
    auto beat = Timer::scheduledTimer(0.001, true, [&] {
        const gint64 now = g_get_monotonic_time();
        longest = std::max(longest, double(now - last) / 1000.0);
        last = now;
    });
    MainLoop::runUntil(done, 60);
    return longest;
}

struct Shown : DropboxListerDelegate {
    FileListAdapter* adapter = nullptr;
    std::chrono::steady_clock::time_point at;
    int result = -1;
    void listerCompleted(const std::optional<FileListItems>& items, const std::optional<std::string>&,
                         int code) override
    {
        adapter->assignItems(items.value_or(FileListItems()));
        result = code;
        at = std::chrono::steady_clock::now();
    }
};

// A folder of 5,000 entries, paged by the server in 500s, listed and put in the pane's list. The
// counter "cachedFolderShown_ms" is the same folder shown from this run's listing: the rows made,
// sorted and in the list, which is also all the work left once the last page is in.
void BM_DropboxPaneListsFiveThousandEntries(benchmark::State& state)
{
    DropboxBench bench;
    for (int i = 0; i < 5000; ++i)
        bench.fake.putFile("/Big/Map " + std::to_string(i) + (i % 5 ? ".twkx" : ".opml"), "x");
    bench.fake.setPageSize(500);
    DropboxExplorer explorer(MainExplorerMode);
    Shown shown;
    shown.adapter = &explorer.adapter();
    double afterLastPage = 0;
    double longestGap = 0;
    for (auto _ : state) {
        bench.service->browsingCache().clear();
        DropboxLister lister(*bench.service, &shown);
        shown.result = -1;
        lister.loadContentsOfPath("/Big", FileListItemMask::AllButNavigateUp);
        longestGap = std::max(longestGap, longestPause([&] { return shown.result >= 0; }));
        if (shown.result != DropboxLister::Listed || explorer.adapter().numberOfRows() != 5001)
            state.SkipWithError("the folder was not listed");
        state.PauseTiming();
        const auto start = std::chrono::steady_clock::now();
        DropboxLister cached(*bench.service, &shown);
        cached.loadContentsOfPath("/Big", FileListItemMask::AllButNavigateUp);
        afterLastPage = std::chrono::duration<double, std::milli>(shown.at - start).count();
        cached.cancel();
        state.ResumeTiming();
    }
    state.counters["cachedFolderShown_ms"] = afterLastPage;
    state.counters["longest_loop_gap_ms"] = longestGap;
}
BENCHMARK(BM_DropboxPaneListsFiveThousandEntries)->Unit(benchmark::kMillisecond)->Iterations(3);

// A 10,000-topic OPML file on Dropbox converted into a native map beside it and opened.
void BM_DropboxConvertsTenThousandTopicOpml(benchmark::State& state)
{
    registerNativeFormat();
    registerForeignFormats();
    DropboxBench bench;
    std::string opml = "<opml version=\"2.0\"><body><outline text=\"Root\">";
    for (int i = 0; i < 100; ++i) {
        opml += "<outline text=\"Branch " + std::to_string(i) + "\">";
        for (int j = 0; j < 99; ++j) opml += "<outline text=\"Topic " + std::to_string(i * 100 + j) + "\"/>";
        opml += "</outline>";
    }
    opml += "</outline></body></opml>";
    bench.fake.putFile("/Notes/Big.opml", opml);
    for (auto _ : state) {
        bench.editor->opened.clear();
        bench.service->convertNonNativeMindMap("/Notes/Big.opml");
        MainLoop::runUntil([&] { return !Dropbox::userTaskBusy(); }, 60);
        if (bench.editor->opened.empty()) state.SkipWithError("nothing was opened");
    }
}
BENCHMARK(BM_DropboxConvertsTenThousandTopicOpml)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
