#include "DropboxServiceDouble.h"

#include "Editor/DeviceLinkServices.h"
#include "Editor/FeedbackCenter.h"
#include "Utils/TerminationProcess.h"
#include "dropbox/DropboxInstallation.h"
#include "dropbox/DropboxService.h"
#include "dropbox/DropboxSynchronizer.h"
#include "platform/FileUtils.h"
#include "platform/Localizer.h"
#include "platform/MainLoop.h"
#include "platform/TokenStore.h"
#include "platform/UserDefaults.h"
#include "store/EditorInterface.h"
#include "store/ExternalProvider.h"
#include "store/MindMapStorage.h"
#include "support/FakeDropboxServer.h"
#include "support/LoopbackHttpServer.h"
#include "support/ManualScheduler.h"
#include "support/RecordedFeedback.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"
#include "support/WatchedSessionBus.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <mutex>
#include <sstream>

namespace fs = std::filesystem;

namespace {

struct OpenMapEditor : NullEditorInterface {
    std::shared_ptr<MindMapStorage> storage;
    MindMapProvider* provider = nullptr;
    bool modified = false;
    MindMapStorage* currentStorage() override { return storage.get(); }
    MindMapProvider* currentProvider() override { return storage ? provider : nullptr; }
    bool isEditorModified() override { return modified; }
};

struct Completions : DropboxFileSynchronizerDelegate {
    std::vector<std::pair<std::string, std::string>> done;
    void syncCompleted(const std::string& dbPath, const UserInfo&, const std::string& error) override
    {
        done.emplace_back(dbPath, error);
    }
};

// Record time of a file date given in whole seconds and nanoseconds since 1970.
void setFileDate(const std::string& path, time_t seconds, long nanoseconds)
{
    const timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

// A later date than any the file had, so that a rewrite always counts as a change.
void rewriteLater(const std::string& path, const std::string& contents)
{
    const double before = *fileModificationDate(path) + ReferenceDateOffsetFrom1970;
    writeTestFile(path, contents);
    setFileDate(path, static_cast<time_t>(before) + 7, 250000000);
}

struct DropboxSynchronizerTest : ::testing::Test {
    TempDir home;
    ScopedEnvironment data{"XDG_DATA_HOME", home.file("data")};
    ScopedEnvironment config{"XDG_CONFIG_HOME", home.file("config")};
    ScopedNetwork network{true};
    FakeDropboxServer fake;
    HttpEngine engine;
    FileTokenStore tokens{home.file("cloud-tokens.json")};
    FakeClock clock{5000};
    ManualScheduler scheduler{clock};
    RecordedFeedback notifications;
    Completions completions;
    std::vector<std::string> timeOutReports;
    ObservationToken timeOuts;
    std::unique_ptr<Dropbox> service;
    // Where uploads and downloads go; the stand-in when empty.
    std::string contentEndpoint;

    DropboxSynchronizerTest()
    {
        UserDefaults::standard().resetForTesting();
        fs::create_directories(home.file("data/Tarnwick"));
        fs::create_directories(home.file("support"));
        ExternalProvider::resetProvidersDirectoryCleanup();
        FeedbackCenter::feedbackCenter().clearFeedbackItems();
        timeOuts = NotificationCenter::defaultCenter().addObserver(
            DropboxFileSynchronizer::TimeOutNotification, nullptr, [this](const Notification& notification) {
                timeOutReports.push_back(notification.value<std::string>(DropboxFileSynchronizer::TimeOutStateKey));
            });
        fake.issueTokens("access-0", "refresh-0");
        tokens.write(Dropbox::TokenAccount, OAuthTokens{"access-0", "refresh-0", 0, "dbid:fake"}.toJson());
        make();
    }
    ~DropboxSynchronizerTest() override
    {
        SetEditorInterfaceInstance(nullptr);
        service.reset();
        UserDefaults::standard().resetForTesting();
    }

    void make()
    {
        service.reset();
        DropboxServiceSetup setup;
        setup.engine = &engine;
        setup.tokens = &tokens;
        setup.signIn.clientId = FakeDropboxServer::AppKey;
        setup.signIn.authorizeUrl = fake.baseUrl() + "/oauth2/authorize";
        setup.signIn.tokenUrl = fake.baseUrl() + "/oauth2/token";
        setup.signIn.redirectUri = FakeDropboxServer::redirectUri();
        setup.endpoints = {fake.baseUrl(), contentEndpoint.empty() ? fake.baseUrl() : contentEndpoint};
        setup.scheduler = &scheduler;
        setup.now = [this] { return clock.now(); };
        setup.random = [] { return 0u; };
        setup.supportDirectory = home.file("support");
        setup.makeSyncQueue = [](Dropbox& dropbox) { return std::make_unique<DropboxSynchronizer>(dropbox); };
        service = std::make_unique<Dropbox>(std::move(setup));
        service->initiateSession();
        ASSERT_TRUE(service->isActive());
    }

    DropboxSynchronizer& queue() { return static_cast<DropboxSynchronizer&>(*service->synchronizer()); }
    DropboxFileInfoCache& records() { return service->fileInfo(); }
    std::string cachePath(const std::string& dbPath) { return service->provider()->cacheFilePathForDbPath(dbPath); }

    std::string writeCache(const std::string& dbPath, const std::string& contents)
    {
        const std::string path = cachePath(dbPath);
        fs::create_directories(fs::path(path).parent_path());
        writeTestFile(path, contents);
        return path;
    }

    // Server, cache copy and record agree.
    void inStep(const std::string& dbPath, const std::string& contents)
    {
        const std::string rev = fake.putFile(dbPath, contents);
        const std::string path = writeCache(dbPath, contents);
        records().update(dbPath, fileModificationDate(path), rev);
    }

    void newLocalMap(const std::string& dbPath, const std::string& contents)
    {
        writeCache(dbPath, contents);
        records().update(dbPath, std::nullopt, DropboxFileInfoItem::makeNewFileRev());
    }

    std::shared_ptr<OpenMapEditor> openInEditor(const std::string& dbPath, bool modified)
    {
        auto editor = std::make_shared<OpenMapEditor>();
        editor->provider = service->provider().get();
        editor->storage = service->provider()->createStorage(dbPath);
        editor->modified = modified;
        SetEditorInterfaceInstance(editor);
        return editor;
    }

    // The error text of one run of a synchronizer of its own; "timeout" when none came.
    std::string runOnce(const std::string& dbPath, int mode)
    {
        DropboxFileSynchronizer synchronizer(*service, &completions);
        completions.done.clear();
        synchronizer.synchronizeDbPath(dbPath, mode);
        if (!MainLoop::runUntil([&] { return !completions.done.empty(); }, 10)) return "timeout";
        EXPECT_EQ(completions.done.front().first, dbPath);
        EXPECT_FALSE(synchronizer.busy());
        return completions.done.front().second;
    }

    bool runQueueDry()
    {
        return MainLoop::runUntil([&] { return !queue().isBusy() && queue().queue().empty(); }, 10);
    }

    size_t requestCount(const std::string& route) { return fake.requestsTo(route).size(); }
};

} // namespace

TEST(DropboxSynchronizerTextsTest, EveryKeyOfTheSynchronisationHasAText)
{
    for (const char* key :
         {"db_upload_progress", "db_synchronize_progress", "db_download_progress", "db_disconnected_state",
          "db_local_file_info_not_found", "no_network_available", "db_file_not_found", "db_unspecified_error",
          "dropbox_upload_failed", "db_synchronize_conflict_copy_created", "unable_to_copy_local_file_error",
          "dropbox_sync_timeout_title", "synchronizing_file_fmt", "dropbox_synchronization_error",
          "dropbox_synchronization_success_title", "db_file_kept_as_new"}) {
        EXPECT_FALSE(localized(key).empty()) << key;
    }
    const std::vector<std::pair<int, std::string>> names = {
        {0, "Idle"},        {1, "Uploading AsNewFile"},    {2, "Metadata"},
        {3, "Downloading"}, {4, "Uploading ConflictCopy"}, {5, "Uploading"},
    };
    for (const auto& [state, name] : names) EXPECT_EQ(DropboxFileSynchronizer::stateAsString(state), name);
}

// Modes 0 poll, 1 upload at quit, 2 both ways, 3 the user's open.
TEST_F(DropboxSynchronizerTest, TheDecisionTableAgainstTheServer)
{
    enum Outcome { Done, Upload, Download, Conflict };
    struct Row {
        const char* name;
        bool serverChanged;
        bool cacheChanged;
        bool editorModified;
        Outcome byMode[4];
    };
    const std::vector<Row> rows = {
        {"both unchanged", false, false, false, {Done, Done, Done, Done}},
        {"cache changed", false, true, false, {Done, Upload, Upload, Done}},
        {"server changed", true, false, false, {Download, Done, Download, Download}},
        {"both changed", true, true, false, {Conflict, Conflict, Conflict, Done}},
        {"server changed, editor modified", true, false, true, {Conflict, Conflict, Conflict, Done}},
    };
    int n = 0;
    for (const Row& row : rows) {
        for (int mode = 0; mode < 4; ++mode) {
            const std::string where = std::string(row.name) + ", mode " + std::to_string(mode);
            const std::string dbPath = "/Maps/Plan" + std::to_string(++n) + ".twkx";
            inStep(dbPath, "first");
            const std::string cache = cachePath(dbPath);
            if (row.serverChanged) fake.putFile(dbPath, "server");
            if (row.cacheChanged) rewriteLater(cache, "local");
            const std::string local = readTestFile(cache);
            auto editor = openInEditor(dbPath, row.editorModified);
            fake.clearLog();
            notifications.shown.clear();

            EXPECT_EQ(runOnce(dbPath, mode), "") << where;

            const std::string serverRev = *fake.revision(dbPath);
            const std::string conflictPath = "/Maps/Plan" + std::to_string(n) + " (1).twkx";
            switch (row.byMode[mode]) {
            case Done:
                EXPECT_EQ(requestCount("files/upload") + requestCount("files/download"), 0u) << where;
                EXPECT_EQ(readTestFile(cache), local) << where;
                break;
            case Upload:
                EXPECT_EQ(fake.fileContents(dbPath), "local") << where;
                EXPECT_EQ(records().get(dbPath)->rev(), serverRev) << where;
                EXPECT_TRUE(sameRecordDate(*records().get(dbPath)->localModified(), *fileModificationDate(cache)))
                    << where;
                break;
            case Download:
                EXPECT_EQ(readTestFile(cache), "server") << where;
                EXPECT_EQ(records().get(dbPath)->rev(), serverRev) << where;
                EXPECT_TRUE(sameRecordDate(*records().get(dbPath)->localModified(), *fileModificationDate(cache)))
                    << where;
                break;
            case Conflict:
                // The server keeps its version; the local one goes up beside it, and the cache
                // copy, its record and the open map follow the new name.
                EXPECT_EQ(fake.fileContents(dbPath), "server") << where;
                EXPECT_EQ(fake.fileContents(conflictPath), local) << where;
                EXPECT_FALSE(fs::exists(cache)) << where;
                EXPECT_EQ(records().get(dbPath), nullptr) << where;
                EXPECT_EQ(readTestFile(cachePath(conflictPath)), local) << where;
                ASSERT_NE(records().get(conflictPath), nullptr) << where;
                EXPECT_EQ(records().get(conflictPath)->rev(), *fake.revision(conflictPath)) << where;
                EXPECT_EQ(editor->storage->id(), conflictPath) << where;
                EXPECT_EQ(notifications.shown,
                          std::vector<std::string>{localized("db_synchronize_progress") + " | " +
                                                   localized("db_synchronize_conflict_copy_created") + " | 1"})
                    << where;
                break;
            }
            SetEditorInterfaceInstance(nullptr);
        }
    }
}

TEST_F(DropboxSynchronizerTest, ANewMapGoesUpAsNewInEveryModeButTheOpen)
{
    for (int mode = 0; mode < 4; ++mode) {
        const std::string dbPath = "/New" + std::to_string(mode) + ".twkx";
        newLocalMap(dbPath, "fresh");
        // A map of that name made elsewhere meanwhile is kept: the new one takes the next name.
        fake.putFile(dbPath, "made elsewhere");
        fake.clearLog();
        EXPECT_EQ(runOnce(dbPath, mode), "") << mode;
        EXPECT_EQ(requestCount("files/get_metadata"), 0u) << mode;
        const std::string renamed = "/New" + std::to_string(mode) + " (1).twkx";
        if (mode == DropboxSyncQueue::Open) {
            EXPECT_EQ(requestCount("files/upload"), 0u);
            EXPECT_TRUE(records().get(dbPath)->isNew());
            continue;
        }
        ASSERT_EQ(requestCount("files/upload"), 1u) << mode;
        EXPECT_NE(fake.requestsTo("files/upload")[0].argument.find("\"add\""), std::string::npos) << mode;
        EXPECT_EQ(fake.fileContents(dbPath), "made elsewhere") << mode;
        EXPECT_EQ(fake.fileContents(renamed), "fresh") << mode;
        ASSERT_NE(records().get(renamed), nullptr) << mode;
        EXPECT_FALSE(records().get(renamed)->isNew()) << mode;
        EXPECT_EQ(readTestFile(cachePath(renamed)), "fresh") << mode;
    }
}

TEST_F(DropboxSynchronizerTest, OfflineTheOpenUsesTheCachedCopyAndTheOtherModesSaySo)
{
    inStep("/Plan.twkx", "cached");
    network.set(false);
    NetworkController::networkAvailable();
    fake.clearLog();
    EXPECT_EQ(runOnce("/Plan.twkx", DropboxSyncQueue::Open), "");
    for (int mode : {0, 1, 2}) EXPECT_EQ(runOnce("/Plan.twkx", mode), localized("no_network_available")) << mode;
    EXPECT_EQ(requestCount("files/get_metadata") + requestCount("files/download"), 0u);
    EXPECT_EQ(readTestFile(cachePath("/Plan.twkx")), "cached");
}

TEST_F(DropboxSynchronizerTest, WithoutACachedCopyEveryModeDownloads)
{
    for (int mode = 0; mode < 4; ++mode) {
        const std::string dbPath = "/Folder " + std::to_string(mode) + "/Plan.twkx";
        const std::string rev = fake.putFile(dbPath, "on the server");
        EXPECT_EQ(runOnce(dbPath, mode), "") << mode;
        EXPECT_EQ(readTestFile(cachePath(dbPath)), "on the server") << mode;
        ASSERT_NE(records().get(dbPath), nullptr) << mode;
        EXPECT_EQ(records().get(dbPath)->rev(), rev) << mode;
        // Nothing but the map is left in its folder.
        EXPECT_EQ(
            std::distance(fs::directory_iterator(fs::path(cachePath(dbPath)).parent_path()), fs::directory_iterator()),
            1)
            << mode;
    }
    EXPECT_EQ(runOnce("/Missing.twkx", DropboxSyncQueue::Periodic), localized("db_file_not_found"));
}

TEST_F(DropboxSynchronizerTest, FailuresEndTheRunWithTheirText)
{
    inStep("/Plan.twkx", "same");
    struct Case {
        const char* name;
        std::string path;
        std::function<void()> arrange;
        std::string error;
    };
    const std::vector<Case> cases = {
        {"a folder", "/Maps/", [] {}, localized("db_unspecified_error")},
        {"the root", "/", [] {}, localized("db_unspecified_error")},
        {"a path out of the cache", "/../Plan.twkx", [] {}, localized("db_unspecified_error")},
        {"the server fails", "/Plan.twkx", [&] { fake.failNext("files/get_metadata", 500, 4); },
         formatText(localized("db_server_error_retried"), {"500", "4"})},
        {"the server fails in a way no retry mends", "/Plan.twkx", [&] { fake.failNext("files/get_metadata", 501); },
         formatText(localized("db_server_error"), {"501"})},
        {"the sign-in is gone", "/Plan.twkx",
         [&] {
             fake.expireAccessTokens();
             fake.revokeRefreshTokens();
         },
         localized("db_disconnected_state")},
        {"no account", "/Plan.twkx", [] {}, localized("db_disconnected_state")},
    };
    for (const Case& c : cases) {
        c.arrange();
        EXPECT_EQ(runOnce(c.path, DropboxSyncQueue::Periodic), c.error) << c.name;
    }
    EXPECT_TRUE(fs::is_directory(service->provider()->rootDirectory()));
    EXPECT_FALSE(service->isAuthorized());
}

TEST_F(DropboxSynchronizerTest, ABusySynchronizerTurnsASecondRequestAwayAndFinishesTheFirst)
{
    inStep("/Plan.twkx", "same");
    fake.setDelay(0.2);
    DropboxFileSynchronizer synchronizer(*service, &completions);
    synchronizer.synchronizeDbPath("/Plan.twkx", DropboxSyncQueue::Periodic);
    EXPECT_EQ(synchronizer.state(), DropboxFileSynchronizer::Metadata);
    EXPECT_TRUE(synchronizer.showsProgress());
    synchronizer.synchronizeDbPath("/Other.twkx", DropboxSyncQueue::Periodic);
    ASSERT_EQ(completions.done.size(), 1u);
    EXPECT_EQ(completions.done[0], std::make_pair(std::string("/Other.twkx"), localized("db_synchronize_progress")));
    ASSERT_TRUE(MainLoop::runUntil([&] { return completions.done.size() == 2; }, 10));
    EXPECT_EQ(completions.done[1], std::make_pair(std::string("/Plan.twkx"), std::string()));
    EXPECT_FALSE(synchronizer.showsProgress());
}

// A sign-in refused for good unlinks the account, which ends the queue's run and drops the
// downloader from within their own answers.
TEST_F(DropboxSynchronizerTest, ALostSignInEndsTheQueueAndTheDownloaderQuietly)
{
    for (bool throughDownloader : {false, true}) {
        fake.issueTokens("access-0", "refresh-0");
        tokens.write(Dropbox::TokenAccount, OAuthTokens{"access-0", "refresh-0", 0, "dbid:fake"}.toJson());
        make();
        inStep("/Plan.twkx", "p");
        fake.expireAccessTokens();
        fake.revokeRefreshTokens();
        FeedbackCenter::feedbackCenter().clearFeedbackItems();
        if (throughDownloader) {
            service->openMindMap("/Other.twkx", {});
            EXPECT_EQ(service->userTaskCount(), 1u);
        } else {
            queue().synchronizeFiles({"/Plan.twkx"}, DropboxSyncQueue::Periodic);
        }
        ASSERT_TRUE(MainLoop::runUntil([&] { return !service->isAuthorized(); }, 10)) << throughDownloader;
        MainLoop::runUntil([] { return false; }, 0.1);
        EXPECT_EQ(service->userTaskCount(), 0u);
        EXPECT_FALSE(queue().isBusy());
        for (const auto& item : FeedbackCenter::feedbackCenter().items()) {
            EXPECT_NE(item->title(), localized("dropbox_synchronization_error")) << item->message();
        }
        EXPECT_TRUE(fs::exists(cachePath("/Plan.twkx")));
    }
}

// ---- the queue

TEST_F(DropboxSynchronizerTest, TheQueueMergesPathsIgnoringCaseWidensModesAndPutsPollsFirst)
{
    fake.hang("files/get_metadata");
    inStep("/Running.twkx", "r");
    queue().synchronizeFiles({"/Running.twkx"}, DropboxSyncQueue::Poll);
    ASSERT_TRUE(queue().current().has_value());

    queue().synchronizeFiles({"/Maps/A.twkx", "/maps/a.TWKX", "/B.twkx"}, DropboxSyncQueue::Periodic);
    queue().synchronizeFiles({"/b.twkx", "/C.twkx"}, DropboxSyncQueue::Terminate);
    queue().synchronizeFiles({"/C.TWKX"}, DropboxSyncQueue::Terminate);
    // The running item in a mode that includes the request is not queued again.
    queue().synchronizeFiles({"/running.twkx"}, DropboxSyncQueue::Poll);
    auto listed = [&] {
        std::vector<std::string> items;
        for (const auto& item : queue().queue()) items.push_back(item.id + " " + std::to_string(item.mode));
        return items;
    };
    EXPECT_EQ(listed(), (std::vector<std::string>{"/Maps/A.twkx 2", "/B.twkx 2", "/C.twkx 1"}));

    queue().schedulePoll("/c.twkx");
    queue().schedulePoll("/D.twkx");
    EXPECT_EQ(listed(), (std::vector<std::string>{"/D.twkx 0", "/C.twkx 2", "/Maps/A.twkx 2", "/B.twkx 2"}));
}

TEST_F(DropboxSynchronizerTest, AfterCancellingTheQueueNewRequestsRun)
{
    fake.hang("files/get_metadata");
    inStep("/Stuck.twkx", "s");
    queue().synchronizeFiles({"/Stuck.twkx", "/Waiting.twkx"}, DropboxSyncQueue::Periodic);
    ASSERT_TRUE(queue().isBusy());
    queue().cancel();
    EXPECT_FALSE(queue().isBusy());
    EXPECT_TRUE(queue().queue().empty());

    // No cache copy: a download, which the server answers.
    fake.putFile("/Fresh.twkx", "fresh");
    queue().synchronizeFiles({"/Fresh.twkx"}, DropboxSyncQueue::Periodic);
    ASSERT_TRUE(runQueueDry());
    EXPECT_EQ(readTestFile(cachePath("/Fresh.twkx")), "fresh");
    ASSERT_FALSE(FeedbackCenter::feedbackCenter().items().empty());
    const auto& item = FeedbackCenter::feedbackCenter().items().front();
    EXPECT_EQ(item->title(), formatText(localized("dropbox_synchronization_success_title"), {"Fresh.twkx"}));
    EXPECT_EQ(item->message(), "/Fresh.twkx");
}

TEST_F(DropboxSynchronizerTest, EachFailureIsReportedOnceAndTheQueueGoesOn)
{
    inStep("/Gone.twkx", "g");
    fake.removeItem("/Gone.twkx");
    newLocalMap("/New.twkx", "n");
    notifications.shown.clear();
    queue().synchronizeFiles({"/Gone.twkx", "/New.twkx"}, DropboxSyncQueue::Periodic);
    ASSERT_TRUE(runQueueDry());
    EXPECT_EQ(fake.fileContents("/New.twkx"), "n");
    const std::string failure = localized("dropbox_synchronization_error") + " | " +
        formatText("%@\n%@", {localized("db_file_not_found"), "/Gone.twkx"}) + " | 2";
    EXPECT_EQ(notifications.shown, std::vector<std::string>{failure});
}

TEST_F(DropboxSynchronizerTest, TheUploadAtQuitCompletesItsProcessQuietly)
{
    for (int i = 0; i < 3; ++i) {
        const std::string dbPath = "/Quit" + std::to_string(i) + ".twkx";
        inStep(dbPath, "before");
        rewriteLater(cachePath(dbPath), "after " + std::to_string(i));
    }
    FeedbackCenter::feedbackCenter().clearFeedbackItems();
    auto process = service->startTerminationProcess();
    ASSERT_NE(process, nullptr);
    EXPECT_EQ(process->action(), formatText(localized("synchronizing_file_fmt"), {"/Quit0.twkx"}));
    // Polls stay out of the way of the quit.
    queue().schedulePoll("/Other.twkx");
    ASSERT_TRUE(MainLoop::runUntil([&] { return process->completed(); }, 10));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(fake.fileContents("/Quit" + std::to_string(i) + ".twkx"), "after " + std::to_string(i));
    }
    EXPECT_EQ(requestCount("files/download"), 0u);
    EXPECT_TRUE(FeedbackCenter::feedbackCenter().items().empty());
    // The records went to disk with the process: the next start has nothing to send.
    DropboxFileInfoCache onDisk(home.file("support") + "/" + Dropbox::RecordFileName, false);
    for (int i = 0; i < 3; ++i) {
        const std::string dbPath = "/Quit" + std::to_string(i) + ".twkx";
        ASSERT_NE(onDisk.get(dbPath), nullptr);
        EXPECT_EQ(onDisk.get(dbPath)->rev(), fake.revision(dbPath));
    }
    make();
    EXPECT_EQ(service->startTerminationProcess(), nullptr);
}

TEST_F(DropboxSynchronizerTest, LosingTheNetworkAtQuitStillCompletesTheProcess)
{
    inStep("/Quit.twkx", "before");
    rewriteLater(cachePath("/Quit.twkx"), "after");
    fake.hang("files/get_metadata");
    auto process = service->startTerminationProcess();
    ASSERT_NE(process, nullptr);
    network.set(false);
    NetworkController::networkAvailable();
    EXPECT_TRUE(process->completed());
    EXPECT_FALSE(queue().isBusy());
}

// ---- the watchdog

TEST_F(DropboxSynchronizerTest, ARunWithoutAnAnswerFor900SecondsIsReported)
{
    fake.hang("files/get_metadata");
    fake.hang("files/download");
    inStep("/Recorded.twkx", "r");
    fake.putFile("/Unrecorded.twkx", "u");
    struct Case {
        std::string path;
        size_t lines;
        std::string state;
        std::string route;
    };
    for (const Case& c : {Case{"/Recorded.twkx", 11, "State: Metadata", "files/get_metadata"},
                          Case{"/Unrecorded.twkx", 10, "State: Downloading", "files/download"}}) {
        timeOutReports.clear();
        completions.done.clear();
        DropboxFileSynchronizer synchronizer(*service, &completions);
        synchronizer.synchronizeDbPath(c.path, DropboxSyncQueue::Periodic);
        ASSERT_TRUE(MainLoop::runUntil([&] { return requestCount(c.route) > 0; }, 5));
        scheduler.advance(899);
        EXPECT_TRUE(completions.done.empty()) << c.path;
        scheduler.advance(1);
        ASSERT_EQ(completions.done.size(), 1u) << c.path;
        EXPECT_EQ(completions.done[0].second, localized("dropbox_sync_timeout_title"));
        EXPECT_FALSE(synchronizer.busy());
        ASSERT_EQ(timeOutReports.size(), 1u) << c.path;
        std::vector<std::string> lines;
        std::string line;
        for (std::istringstream in(timeOutReports[0]); std::getline(in, line);) lines.push_back(line);
        ASSERT_EQ(lines.size(), c.lines) << timeOutReports[0];
        EXPECT_EQ(lines[0].rfind("DateTime: 2001-01-01 0", 0), 0u) << lines[0];
        EXPECT_EQ(lines[1], c.state);
        EXPECT_EQ(lines[2], "Path: " + c.path);
        EXPECT_EQ(lines[3], "OriginalPath: " + c.path);
        EXPECT_EQ(lines[4], "SourceFile: " + cachePath(c.path));
        EXPECT_EQ(lines[5], "FileOpenInEditor: 0");
        EXPECT_EQ(lines[6], "EditorModified: 0");
        EXPECT_EQ(lines[7].rfind("LastModified: ", 0), 0u);
        if (c.lines == 11) {
            EXPECT_EQ(lines[8].rfind("FileInfo.LocalModified: 20", 0), 0u) << lines[8];
            EXPECT_EQ(lines[9], "FileInfo.Rev: " + *fake.revision(c.path));
        } else {
            EXPECT_EQ(lines[7], "LastModified: nil");
            EXPECT_EQ(lines[8], "FileInfo: nil");
        }
        EXPECT_EQ(lines.back(), "Metadata: nil");
    }
}

// A request given up after the time-out must not answer into the run that follows it.
TEST_F(DropboxSynchronizerTest, ALateAnswerAfterTheTimeOutNeverReachesTheNextRun)
{
    int n = 0;
    for (bool another : {true, false}) {
        const std::string first = "/First" + std::to_string(++n) + ".twkx";
        const std::string second = "/Second" + std::to_string(n) + ".twkx";
        inStep(first, "1");
        fake.putFile(first, "changed on the server");
        inStep(second, "2");
        fake.clearLog();
        FeedbackCenter::feedbackCenter().clearFeedbackItems();
        timeOutReports.clear();
        fake.setDelay(0.4);
        std::vector<std::string> paths = {first};
        if (another) paths.push_back(second);
        queue().synchronizeFiles(paths, DropboxSyncQueue::Periodic);
        ASSERT_EQ(queue().current()->id, first);
        scheduler.advance(900);
        EXPECT_EQ(queue().current().has_value(), another);
        ASSERT_TRUE(runQueueDry());
        // Time for the first answer to arrive, had it not been cancelled.
        MainLoop::runUntil([] { return false; }, 0.6);
        fake.setDelay(0);
        EXPECT_EQ(requestCount("files/download"), 0u) << another;
        EXPECT_EQ(readTestFile(cachePath(second)), "2") << another;
        EXPECT_EQ(readTestFile(cachePath(first)), "1") << another;
        EXPECT_EQ(timeOutReports.size(), 1u) << another;
        // The time-out is the one failure reported.
        std::vector<std::string> failures;
        for (const auto& item : FeedbackCenter::feedbackCenter().items()) {
            if (item->title() == localized("dropbox_synchronization_error")) failures.push_back(item->message());
        }
        EXPECT_EQ(failures, std::vector<std::string>{localized("dropbox_sync_timeout_title") + "\n" + first})
            << another;
    }
}

// ---- faults mended

// An edit saved while its upload ran still counts as a change afterwards.
TEST_F(DropboxSynchronizerTest, TheRecordKeepsTheDateOfTheBytesThatWentUp)
{
    newLocalMap("/Plan.twkx", "sent");
    const std::string cache = cachePath("/Plan.twkx");
    const std::optional<double> sentDate = fileModificationDate(cache);
    fake.setDelay(0.2);
    DropboxFileSynchronizer synchronizer(*service, &completions);
    synchronizer.synchronizeDbPath("/Plan.twkx", DropboxSyncQueue::Periodic);
    rewriteLater(cache, "saved during the upload");
    ASSERT_TRUE(MainLoop::runUntil([&] { return !completions.done.empty(); }, 10));
    EXPECT_EQ(completions.done[0].second, "");
    EXPECT_EQ(fake.fileContents("/Plan.twkx"), "sent");
    EXPECT_TRUE(sameRecordDate(*records().get("/Plan.twkx")->localModified(), *sentDate));

    fake.setDelay(0);
    EXPECT_EQ(service->synchronize(), 1u);
    ASSERT_TRUE(runQueueDry());
    EXPECT_EQ(fake.fileContents("/Plan.twkx"), "saved during the upload");
}

// The map is saved, or edited in the window, while a newer version downloads: both are kept.
TEST_F(DropboxSynchronizerTest, ADownloadNeverReplacesAMapChangedWhileItRan)
{
    struct Case {
        const char* name;
        bool saved;
        bool editorModified;
    };
    int n = 0;
    for (const Case& c : {Case{"saved", true, false}, Case{"edited", false, true}, Case{"untouched", false, false}}) {
        const std::string dbPath = "/Plan" + std::to_string(++n) + ".twkx";
        inStep(dbPath, "old");
        fake.putFile(dbPath, "server");
        auto editor = openInEditor(dbPath, false);
        fake.setDelay(0.2);
        DropboxFileSynchronizer synchronizer(*service, &completions);
        completions.done.clear();
        synchronizer.synchronizeDbPath(dbPath, DropboxSyncQueue::Periodic);
        ASSERT_TRUE(
            MainLoop::runUntil([&] { return synchronizer.state() == DropboxFileSynchronizer::Downloading; }, 10))
            << c.name;
        if (c.saved) rewriteLater(cachePath(dbPath), "mine");
        editor->modified = c.editorModified;
        ASSERT_TRUE(MainLoop::runUntil([&] { return !completions.done.empty(); }, 10)) << c.name;
        fake.setDelay(0);
        EXPECT_EQ(completions.done[0].second, "") << c.name;
        EXPECT_EQ(fake.fileContents(dbPath), "server") << c.name;
        const std::string copy = "/Plan" + std::to_string(n) + " (1).twkx";
        if (c.saved || c.editorModified) {
            const std::string local = c.saved ? "mine" : "old";
            EXPECT_EQ(fake.fileContents(copy), local) << c.name;
            EXPECT_EQ(readTestFile(cachePath(copy)), local) << c.name;
            EXPECT_EQ(editor->storage->id(), copy) << c.name;
        } else {
            EXPECT_EQ(fake.fileContents(copy), std::nullopt) << c.name;
            EXPECT_EQ(readTestFile(cachePath(dbPath)), "server") << c.name;
        }
        SetEditorInterfaceInstance(nullptr);
    }
}

// The file system keeps nanoseconds and the record microseconds: after a restart an unchanged map
// is still unchanged.
TEST_F(DropboxSynchronizerTest, DatesAgreeToTheMicrosecondAcrossARestart)
{
    for (long nanoseconds : {0L, 999L, 123456789L, 999999999L}) {
        const std::string dbPath = "/Plan" + std::to_string(nanoseconds) + ".twkx";
        const std::string rev = fake.putFile(dbPath, "same");
        const std::string cache = writeCache(dbPath, "same");
        setFileDate(cache, 1700000000, nanoseconds);
        records().update(dbPath, fileModificationDate(cache), rev);
    }
    ASSERT_TRUE(records().save());
    make();
    EXPECT_EQ(service->synchronize(), 0u);
    fake.clearLog();
    for (long nanoseconds : {0L, 999L, 123456789L, 999999999L}) {
        EXPECT_EQ(runOnce("/Plan" + std::to_string(nanoseconds) + ".twkx", DropboxSyncQueue::Terminate), "");
    }
    EXPECT_EQ(requestCount("files/upload"), 0u);
}

// With the record file unreadable, a cache copy without a record may be a map never uploaded.
TEST_F(DropboxSynchronizerTest, AnUnreadableRecordFileLosesNoCachedMap)
{
    for (bool unreadable : {true, false}) {
        service.reset();
        const std::string recordFile = home.file("support") + "/" + Dropbox::RecordFileName;
        if (unreadable) {
            writeTestFile(recordFile, "<file-cache><file path=");
        } else {
            // The user has recovered what the set-aside file held.
            fs::remove(recordFile);
            fs::remove(recordFile + ".corrupt");
        }
        make();
        const std::string cache = writeCache("/Only Here.twkx", "never uploaded");
        // Whole records that lack the copy's: it goes up as new instead.
        EXPECT_EQ(runOnce("/Only Here.twkx", DropboxSyncQueue::Poll),
                  unreadable ? localized("db_local_file_info_not_found") : std::string());
        EXPECT_TRUE(fs::exists(cache));
        EXPECT_EQ(fake.fileContents("/Only Here.twkx").has_value(), !unreadable);
        if (unreadable) {
            EXPECT_TRUE(fs::exists(recordFile + ".corrupt"));
        }
    }
}

// A map removed on the server whose copy here has edits not yet sent is kept and goes up again.
TEST_F(DropboxSynchronizerTest, AMapGoneFromTheServerIsKeptWhenChangedHere)
{
    struct Case {
        const char* name;
        bool changedHere;
        int mode;
    };
    int n = 0;
    for (const Case& c : {Case{"unchanged", false, 2}, Case{"changed, poll", true, 0},
                          Case{"changed, both ways", true, 2}, Case{"changed, open", true, 3}}) {
        const std::string dbPath = "/Plan" + std::to_string(++n) + ".twkx";
        inStep(dbPath, "old");
        if (c.changedHere) rewriteLater(cachePath(dbPath), "edited here");
        fake.removeItem(dbPath);
        notifications.shown.clear();
        const std::string error = runOnce(dbPath, c.mode);
        if (!c.changedHere) {
            EXPECT_EQ(error, localized("db_file_not_found")) << c.name;
            EXPECT_FALSE(fs::exists(cachePath(dbPath))) << c.name;
            EXPECT_EQ(records().get(dbPath), nullptr) << c.name;
            continue;
        }
        EXPECT_EQ(error, "") << c.name;
        EXPECT_EQ(readTestFile(cachePath(dbPath)), "edited here") << c.name;
        ASSERT_EQ(notifications.shown.size(), 1u) << c.name;
        EXPECT_EQ(notifications.shown[0],
                  localized("db_file_not_found") + " | " + formatText(localized("db_file_kept_as_new"), {dbPath}) +
                      " | 1")
            << c.name;
        if (c.mode == DropboxSyncQueue::Open) {
            EXPECT_TRUE(records().get(dbPath)->isNew()) << c.name;
            EXPECT_EQ(fake.fileContents(dbPath), std::nullopt) << c.name;
        } else {
            EXPECT_FALSE(records().get(dbPath)->isNew()) << c.name;
            EXPECT_EQ(fake.fileContents(dbPath), "edited here") << c.name;
        }
    }
}

// What the server answers is outside data: a path that would lead out of the cache or onto a
// folder is not followed, a malformed answer is an error, and no cached map is lost either way.
TEST_F(DropboxSynchronizerTest, HostileAnswersToAnUploadLoseNothing)
{
    std::mutex mutex;
    std::string answer;
    LoopbackHttpServer hostile([&](const LoopbackRequest&) {
        std::lock_guard lock(mutex);
        return LoopbackReply::json(200, answer);
    });
    contentEndpoint = hostile.baseUrl();
    make();
    const std::string neighbour = writeCache("/Maps/Neighbour.twkx", "keep me");
    auto file = [](const std::string& path) {
        return R"({".tag":"file","name":"x","path_display":")" + path +
            R"(","id":"id:1","rev":"015a","server_modified":"2020-01-01T00:00:00Z","size":1})";
    };
    struct Case {
        std::string answer;
        std::string errorStart;
    };
    const std::vector<Case> cases = {
        {file("/"), localized("unable_to_copy_local_file_error")},
        {file("/../../Outside.twkx"), localized("unable_to_copy_local_file_error")},
        {file("/Maps/a/../../../Outside.twkx"), localized("unable_to_copy_local_file_error")},
        {file("/Maps"), localized("unable_to_copy_local_file_error")},
        {R"({".tag":"folder","name":"x","path_display":"/Maps/New.twkx"})", localized("dropbox_upload_failed") + "\n"},
        {R"({".tag":"file","path_display":7})", localized("dropbox_upload_failed") + "\n"},
        {"[1,2", localized("dropbox_upload_failed") + "\n"},
        {"", localized("dropbox_upload_failed") + "\n"},
    };
    for (const Case& c : cases) {
        {
            std::lock_guard lock(mutex);
            answer = c.answer;
        }
        newLocalMap("/Maps/New.twkx", "only here");
        const std::string error = runOnce("/Maps/New.twkx", DropboxSyncQueue::Periodic);
        EXPECT_EQ(error.rfind(c.errorStart, 0), 0u) << c.answer << " -> " << error;
        EXPECT_EQ(readTestFile(cachePath("/Maps/New.twkx")), "only here") << c.answer;
        ASSERT_NE(records().get("/Maps/New.twkx"), nullptr) << c.answer;
        EXPECT_TRUE(records().get("/Maps/New.twkx")->isNew()) << c.answer;
        EXPECT_EQ(readTestFile(neighbour), "keep me") << c.answer;
    }
    EXPECT_TRUE(fs::is_directory(service->provider()->rootDirectory()));
}

TEST_F(DropboxSynchronizerTest, TheApplicationSynchronisesThroughTheQueue)
{
    WatchedSessionBus bus;
    ASSERT_TRUE(bus.listening());
    ScopedEnvironment server{"TARNWICK_DROPBOX_SERVER", fake.baseUrl()};
    ScopedEnvironment appKey{"TARNWICK_DROPBOX_APP_KEY", FakeDropboxServer::AppKey};
    service.reset();
    installDropbox();
    auto services = std::make_unique<InstalledApplicationServices>();
    services->startCloudServices(scheduler);
    ASSERT_NE(Dropbox::instance(), nullptr);
    EXPECT_NE(dynamic_cast<DropboxSynchronizer*>(Dropbox::instance()->synchronizer()), nullptr);
    // The sign-in is read once the main loop is idle: the store is chosen then.
    while (MainLoop::iterate(false)) {}
    EXPECT_EQ(bus.connections(), 0) << "the session bus was asked for a keyring";
    services->terminateDropboxSession();
    services.reset();
    setDropboxServicesFactory(nullptr);
}

// The quit's commit can land while a poll's conflict copy is going up: the copy then holds an edit
// its upload did not carry, and goes up before the quit ends.
TEST_F(DropboxSynchronizerTest, AConflictCopyMadeWhileQuittingGoesUpInTheSameQuit)
{
    inStep("/Maps/Plan.twkx", "before");
    fake.putFile("/Maps/Plan.twkx", "changed there");
    rewriteLater(cachePath("/Maps/Plan.twkx"), "changed here");
    fake.setDelay(0.2);
    queue().schedulePoll("/Maps/Plan.twkx");
    {
        // The server's log changes on its own thread: a beat wakes the loop to look at it.
        auto beat = Timer::scheduledTimer(0.005, true, [] {});
        ASSERT_TRUE(MainLoop::runUntil([&] { return requestCount("files/upload") == 1; }, 10));
    }
    ASSERT_EQ(queue().fileSynchronizer().state(), DropboxFileSynchronizer::UploadingConflictCopy);

    // The editor's last commit, then the quit.
    rewriteLater(cachePath("/Maps/Plan.twkx"), "committed at quit");
    auto process = service->startTerminationProcess();
    ASSERT_NE(process, nullptr);
    ASSERT_TRUE(MainLoop::runUntil([&] { return process->completed(); }, 10));

    EXPECT_EQ(fake.fileContents("/Maps/Plan.twkx"), "changed there");
    EXPECT_EQ(fake.fileContents("/Maps/Plan (1).twkx"), "committed at quit");
    make();
    EXPECT_EQ(service->startTerminationProcess(), nullptr) << "nothing left for the next quit";
}

// What the log says of a run is true: a map whose edits a poll leaves here is not in step.
TEST_F(DropboxSynchronizerTest, TheLogSaysAMapIsInStepOnlyWhenNoEditOfItWaitsHere)
{
    struct Case {
        const char* name;
        DropboxSyncQueue::Mode mode;
        bool savedHere;
        bool editorModified;
        bool inStep;
    };
    const std::vector<Case> cases = {
        {"poll, nothing changed", DropboxSyncQueue::Poll, false, false, true},
        {"poll, saved here", DropboxSyncQueue::Poll, true, false, false},
        {"poll, edited in the window", DropboxSyncQueue::Poll, false, true, false},
        {"both ways, saved here", DropboxSyncQueue::Periodic, true, false, true},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string name = "Plan" + std::to_string(++n) + ".twkx";
        const std::string dbPath = "/Maps/" + name;
        inStep(dbPath, "before");
        if (c.savedHere) rewriteLater(cachePath(dbPath), "saved here");
        auto editor = openInEditor(dbPath, c.editorModified);
        FeedbackCenter::feedbackCenter().clearFeedbackItems();
        queue().synchronizeFiles({dbPath}, c.mode);
        ASSERT_TRUE(runQueueDry());
        const auto items = FeedbackCenter::feedbackCenter().items();
        ASSERT_EQ(items.size(), 1u);
        const std::string key =
            c.inStep ? "dropbox_synchronization_success_title" : "dropbox_synchronization_unsent_title";
        EXPECT_EQ(items[0]->title(), formatText(localized(key), {name}));
        EXPECT_EQ(items[0]->message(), dbPath);
        SetEditorInterfaceInstance(nullptr);
    }
}
