#include "DropboxServiceDouble.h"

#include "Editor/DeviceLinkServices.h"
#include "Editor/FeedbackCenter.h"
#include "Utils/TerminationProcess.h"
#include "cloud/AuthorizationRedirects.h"
#include "dropbox/DropboxInstallation.h"
#include "dropbox/DropboxService.h"
#include "dropbox/DropboxSettings.h"
#include "platform/FileUtils.h"
#include "platform/Localizer.h"
#include "platform/MainLoop.h"
#include "platform/TokenStore.h"
#include "platform/UriLauncher.h"
#include "platform/UserDefaults.h"
#include "store/EditorInterface.h"
#include "store/ExternalProvider.h"
#include "store/HistoryList.h"
#include "store/MindMapProviders.h"
#include "support/FakeDropboxServer.h"
#include "support/HeldTokenStore.h"
#include "support/LockedTokenStore.h"
#include "support/ManualScheduler.h"
#include "support/RecordedFeedback.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"
#include "support/WatchedSessionBus.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

struct OpenedUris : UriLauncher {
    std::vector<std::string> opened;
    bool openURL(const std::string& uri, Error* = nullptr) override
    {
        opened.push_back(uri);
        return true;
    }
};

// The downloader answers only when the test says so.
struct HeldDownloader : DropboxDownloader {
    std::vector<std::string> asked;
    Completion pending;
    UserInfo pendingInfo;
    bool isBusy() const override { return static_cast<bool>(pending); }
    void cancel() override { pending = nullptr; }
    void getMostRecentVersion(const std::string& dbPath, const UserInfo& userInfo, Completion completion) override
    {
        asked.push_back(dbPath);
        pendingInfo = userInfo;
        pending = std::move(completion);
    }
    void finish(const std::string& error = {})
    {
        Completion completion = std::move(pending);
        pending = nullptr;
        completion(pendingInfo, error);
    }
};

struct RecordingQueue : DropboxSyncQueue {
    std::vector<std::string>& log;
    HeldDownloader*& downloader;
    RecordingQueue(std::vector<std::string>& log, HeldDownloader*& downloader) : log(log), downloader(downloader) {}
    void synchronizeFiles(const std::vector<std::string>& paths, Mode mode) override
    {
        std::string line = "sync " + std::to_string(mode);
        for (const auto& path : paths) line += " " + path;
        log.push_back(line);
    }
    void schedulePoll(const std::string& dbPath) override { log.push_back("poll " + dbPath); }
    void cancel() override { log.push_back("cancel"); }
    void terminateSynchronization(const std::vector<std::string>& paths, std::shared_ptr<TerminationProcess>) override
    {
        std::string line = "terminate";
        for (const auto& path : paths) line += " " + path;
        log.push_back(line);
    }
    std::unique_ptr<DropboxDownloader> makeDownloader() override
    {
        auto made = std::make_unique<HeldDownloader>();
        downloader = made.get();
        return made;
    }
};

struct DropboxServiceTest : ::testing::Test {
    TempDir home;
    ScopedEnvironment data{"XDG_DATA_HOME", home.file("data")};
    ScopedEnvironment config{"XDG_CONFIG_HOME", home.file("config")};
    ScopedNetwork network{true};
    FakeDropboxServer fake;
    HttpEngine engine;
    FileTokenStore tokens{home.file("cloud-tokens.json")};
    TokenStore* keyring = &tokens;
    FakeClock clock{5000};
    ManualScheduler scheduler{clock};
    RecordedFeedback notifications;
    OpenedUris uris;
    std::vector<std::string> queueLog;
    std::vector<std::string> opened;
    std::vector<std::string> posted;
    HeldDownloader* downloader = nullptr;
    uint32_t nextRandom = 0;
    std::vector<ObservationToken> observations;
    std::unique_ptr<Dropbox> service;

    DropboxServiceTest()
    {
        UserDefaults::standard().resetForTesting();
        fs::create_directories(home.file("data/Tarnwick"));
        ExternalProvider::resetProvidersDirectoryCleanup();
        UriLauncher::setShared(&uris);
        for (const char* name : {Dropbox::StateChangeNotification, Dropbox::UserTaskChangeNotification,
                                 Dropbox::DirectoryChangedNotification}) {
            observations.push_back(
                NotificationCenter::defaultCenter().addObserver(name, nullptr, [this](const Notification& n) {
                    posted.push_back(n.name.substr(n.name.rfind('.') + 1) + " " + n.value<std::string>("path"));
                }));
        }
    }
    ~DropboxServiceTest() override
    {
        service.reset();
        UriLauncher::setShared(nullptr);
        UserDefaults::standard().resetForTesting();
    }

    void linkAccount()
    {
        fake.issueTokens("access-0", "refresh-0");
        tokens.write(Dropbox::TokenAccount, OAuthTokens{"access-0", "refresh-0", 0, "dbid:fake"}.toJson());
    }

    void make()
    {
        DropboxServiceSetup setup;
        setup.engine = &engine;
        setup.tokens = keyring;
        setup.signIn = {FakeDropboxServer::AppKey,
                        fake.baseUrl() + "/oauth2/authorize",
                        fake.baseUrl() + "/oauth2/token",
                        FakeDropboxServer::redirectUri(),
                        {{"token_access_type", "offline"}}};
        setup.endpoints = {fake.baseUrl(), fake.baseUrl()};
        setup.scheduler = &scheduler;
        setup.now = [this] { return clock.now(); };
        setup.random = [this] { return nextRandom; };
        setup.supportDirectory = home.file("support");
        setup.makeSyncQueue = [this](Dropbox&) { return std::make_unique<RecordingQueue>(queueLog, downloader); };
        setup.openDocument = [this](const std::string& path, const std::string& parameters) {
            opened.push_back(fs::path(path).filename().string() + (parameters.empty() ? "" : " " + parameters));
            return true;
        };
        fs::create_directories(home.file("support"));
        // The new service reads the records before the old one is gone.
        if (service) service->fileInfo().flush();
        service = std::make_unique<Dropbox>(std::move(setup));
        service->initiateSession();
    }

    std::string cacheFile(const std::string& dbPath, const std::string& contents = "map")
    {
        const std::string path = service->provider()->cacheFilePathForDbPath(dbPath);
        fs::create_directories(fs::path(path).parent_path());
        writeTestFile(path, contents);
        return path;
    }

    // A record that matches its cache file: nothing to upload.
    void syncedFile(const std::string& dbPath)
    {
        const std::string path = cacheFile(dbPath);
        service->fileInfo().update(dbPath, fileModificationDate(path), std::string("rev1"));
    }
};

std::string shown(const std::string& titleKey, const std::string& message, unsigned state)
{
    return localized(titleKey) + " | " + message + " | " + std::to_string(state);
}

} // namespace

TEST(DropboxServiceTextsTest, EveryMessageOfTheServiceHasAText)
{
    for (const char* key :
         {"db_disconnected_state", "dropbox_reauthentication_required", "db_disconnect", "db_disconnect_condensed",
          "db_warning_unlinking_consequences", "dropbox_uploading_local_changes", "dropbox_synchronization_error",
          "no_network_available", "db_synchronize", "gdrive_synchronizing_nnn_files", "gdrive_nothing_to_synchronize",
          "error_title_error_opening_document", "db_file_not_found", "db_duplicate_error",
          "gdrive_mindmap_duplicated"}) {
        EXPECT_FALSE(localized(key).empty()) << key;
    }
}

TEST(DropboxJitterTest, SpreadsIntervalsByAtMostFivePercent)
{
    const std::vector<std::pair<uint32_t, double>> cases = {
        {0, 1.0}, {1, 1.0001}, {499, 1.0499}, {500, 1.0}, {12345, 1.0345}, {4294967295u, 1.0295},
    };
    for (const auto& [r, factor] : cases) EXPECT_DOUBLE_EQ(Dropbox::jitterFactor(r), factor) << r;
}

TEST_F(DropboxServiceTest, AnUnlinkedStartStillPostsTheStateOnceAndRunsNoTimer)
{
    make();
    EXPECT_FALSE(service->isAuthorized());
    EXPECT_FALSE(service->isActive());
    EXPECT_FALSE(service->provider()->enabled());
    EXPECT_EQ(posted, std::vector<std::string>{"stateChangeNotification "});
    EXPECT_FALSE(service->isTickPending());
    EXPECT_EQ(MindMapProviders::instance().getProviderById(DropboxProvider::ProviderId), service->provider().get());
    EXPECT_EQ(service->startTerminationProcess(), nullptr);
}

TEST_F(DropboxServiceTest, WhetherTheUserIsSignedInIsToldOnlyOnceTheKeyringAnswers)
{
    fake.issueTokens("access-0", "refresh-0");
    for (const bool linked : {true, false}) {
        HeldTokenStore held;
        if (linked) held.secrets[Dropbox::TokenAccount] = OAuthTokens{"access-0", "refresh-0", 0, "dbid:x"}.toJson();
        keyring = &held;
        posted.clear();
        make();
        std::vector<bool> told;
        auto tell = [&] { told.push_back(service->isAuthorized()); };
        service->provider()->whenSignInKnown(tell);
        EXPECT_TRUE(told.empty()) << linked;
        EXPECT_TRUE(posted.empty()) << "no state is shown before the keyring answers";
        held.answer();
        EXPECT_EQ(told, std::vector<bool>{linked});
        EXPECT_EQ(service->provider()->enabled(), linked);
        EXPECT_FALSE(posted.empty());
        service->provider()->whenSignInKnown(tell);
        EXPECT_EQ(told, (std::vector<bool>{linked, linked})) << "once known, told at once";
        service.reset();
    }

    HeldTokenStore held;
    keyring = &held;
    make();
    int told = 0;
    service->provider()->whenSignInKnown([&] { ++told; });
    service.reset();
    held.answer();
    EXPECT_EQ(told, 0) << "a service that went first tells nobody";
}

TEST_F(DropboxServiceTest, DueTimesUseTheIntervalsWithJitterAndKeepTheCleanUpDateAcrossRuns)
{
    nextRandom = 250; // factor 1.025
    make();
    EXPECT_DOUBLE_EQ(service->nextPollTime(), 5000 + 480 * 1.025);
    EXPECT_DOUBLE_EQ(service->nextSyncTime(), 5000 + 1800 * 1.025);
    EXPECT_DOUBLE_EQ(service->nextCacheCleanTime(), 5000 + 172800 * 1.025);
    EXPECT_DOUBLE_EQ(UserDefaults::standard().doubleForKey("dropbox.cacheclean.duedate"), 5000 + 172800 * 1.025);

    service.reset();
    clock.advance(1000);
    make();
    EXPECT_DOUBLE_EQ(service->nextCacheCleanTime(), 5000 + 172800 * 1.025);
}

TEST_F(DropboxServiceTest, ALinkedAccountBecomesActivePollsAtOnceAndTicksEveryMinute)
{
    linkAccount();
    make();
    EXPECT_TRUE(service->isAuthorized());
    EXPECT_TRUE(service->isInitialized());
    EXPECT_TRUE(service->isActive());
    EXPECT_TRUE(service->provider()->enabled());
    // The poll fell due at once; without a Dropbox map open nothing is polled, and it is due again
    // 480 s on.
    EXPECT_DOUBLE_EQ(service->nextPollTime(), 5000 + 480);
    EXPECT_TRUE(service->isTickPending());
    EXPECT_EQ(scheduler.requestedWake(), std::optional<double>(5060));

    // The preloader ran once, listing the root.
    ASSERT_TRUE(MainLoop::runUntil([&] { return !fake.requestsTo("files/list_folder").empty(); }, 10));

    // A changed record goes up with the periodic synchronisation at 1800 s.
    service->fileInfo().update("/Maps/New.twkx", std::nullopt, DropboxFileInfoItem::makeNewFileRev());
    cacheFile("/Maps/New.twkx");
    syncedFile("/Maps/Same.twkx");
    scheduler.advance(1799);
    EXPECT_TRUE(queueLog.empty());
    scheduler.advance(60);
    EXPECT_EQ(queueLog, std::vector<std::string>{"sync 2 /Maps/New.twkx"});
}

// The preloader keeps itself alive while it lists; a service that goes meanwhile ends it, so no
// answer reaches the service afterwards and its progress leaves the activity pane.
TEST_F(DropboxServiceTest, AServiceThatGoesWhileThePreloaderListsEndsIt)
{
    const size_t shownBefore = FeedbackCenter::feedbackCenter().progressStack().size();
    fake.hang("files/list_folder");
    linkAccount();
    make();
    ASSERT_TRUE(MainLoop::runUntil([&] { return !fake.requestsTo("files/list_folder").empty(); }, 10));
    EXPECT_EQ(FeedbackCenter::feedbackCenter().progressStack().size(), shownBefore + 1);
    service.reset();
    EXPECT_EQ(FeedbackCenter::feedbackCenter().progressStack().size(), shownBefore);
}

TEST_F(DropboxServiceTest, LosingTheNetworkCancelsTheQueueAndItsReturnPollsAtOnce)
{
    linkAccount();
    make();
    network.set(false);
    NetworkController::networkAvailable();
    EXPECT_FALSE(service->isActive());
    EXPECT_FALSE(service->isTickPending());
    EXPECT_EQ(queueLog, std::vector<std::string>{"cancel"});

    clock.advance(100);
    network.set(true);
    NetworkController::networkAvailable();
    EXPECT_TRUE(service->isActive());
    EXPECT_DOUBLE_EQ(service->nextPollTime(), 5100 + 480);
}

TEST_F(DropboxServiceTest, QuitUploadsOnlyNewAndChangedFilesAndStopsTheTimer)
{
    linkAccount();
    make();
    syncedFile("/Same.twkx");
    EXPECT_EQ(service->startTerminationProcess(), nullptr) << "nothing changed";

    const std::string changed = cacheFile("/Changed.twkx");
    service->fileInfo().update("/Changed.twkx", *fileModificationDate(changed) - 10, std::string("rev1"));
    auto process = service->startTerminationProcess();
    ASSERT_NE(process, nullptr);
    EXPECT_EQ(process->title(), localized("dropbox_uploading_local_changes"));
    EXPECT_EQ(queueLog.back(), "terminate /Changed.twkx");
    EXPECT_EQ(service->startTerminationProcess(), nullptr) << "one process per quit";

    queueLog.clear();
    scheduler.advance(7200);
    EXPECT_FALSE(service->isTickPending());
    EXPECT_TRUE(queueLog.empty());
    EXPECT_EQ(service->synchronize(), 0u);
}

TEST_F(DropboxServiceTest, DuplicatingPicksTheFirstFreeCopyName)
{
    linkAccount();
    make();
    syncedFile("/Maps/Plan.twkx");
    cacheFile("/Maps/Plan Copy.twkx");
    service->duplicateFile("/Maps/Plan.twkx");
    ASSERT_NE(downloader, nullptr);
    EXPECT_EQ(service->userTaskCount(), 1u);
    downloader->finish();
    EXPECT_EQ(service->userTaskCount(), 0u);
    const DropboxFileInfoItem* copy = service->fileInfo().get("/Maps/Plan Copy (1).twkx");
    ASSERT_NE(copy, nullptr);
    EXPECT_TRUE(copy->isNew());
    EXPECT_EQ(copy->path(), "/Maps/Plan Copy (1).twkx");
}

TEST_F(DropboxServiceTest, CloudLinksToPdfPagesOpenTheFileWithTheirParameters)
{
    linkAccount();
    make();
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"/Docs/doc.PDF#page=3", "doc.pdf page=3"},
        {"/Docs/doc.pdf", "doc.pdf"},
        {"/Docs/a.Pdf?page=2&zoom=1", "a.pdf page=2&zoom=1"},
        {"/Docs/notes.txt", "notes.txt"},
    };
    for (const auto& [link, expected] : cases) {
        opened.clear();
        service->openCloudLink(link);
        ASSERT_NE(downloader, nullptr);
        downloader->finish();
        EXPECT_EQ(opened, std::vector<std::string>{expected}) << link;
    }
    EXPECT_EQ(Dropbox::splitCloudLink("/x/Ünï.pdf#page=3"),
              std::make_pair(std::string("/x/Ünï.pdf"), std::string("page=3")));
    service->openCloudLink("");
    EXPECT_FALSE(downloader->isBusy());
}

TEST_F(DropboxServiceTest, ASecondUserOperationWhileOneRunsIsIgnored)
{
    linkAccount();
    make();
    posted.clear();
    service->openCloudLink("/a.pdf");
    service->openCloudLink("/b.pdf");
    service->makeOffLineAvailable("/c.twkx");
    EXPECT_EQ(downloader->asked, std::vector<std::string>{"/a.pdf"});
    bool answered = false;
    service->getImageFromLink(
        "/i.png", [&](const std::string& file, const std::string& link) { answered = file.empty() && link.empty(); });
    EXPECT_TRUE(answered) << "an image asked for meanwhile is answered with nothing";

    downloader->finish("db_file_not_found");
    EXPECT_EQ(notifications.shown.back(), shown("error_title_error_opening_document", "db_file_not_found", 2));
    EXPECT_EQ(posted, (std::vector<std::string>{"userTaskChangeNotification ", "userTaskChangeNotification "}));
    syncedFile("/Maps/c.twkx");
    service->makeOffLineAvailable("/Maps/c.twkx");
    downloader->finish();
    EXPECT_TRUE(service->fileInfo().isOfflineAvailable("/Maps/c.twkx"));
    EXPECT_EQ(posted.back(), "userTaskChangeNotification ");
    EXPECT_NE(std::find(posted.begin(), posted.end(), "directoryChangedNotification /Maps/"), posted.end());
}

TEST_F(DropboxServiceTest, FolderChangesArePostedWithATrailingSlash)
{
    make();
    posted.clear();
    for (const char* folder : {"/Maps", "/Maps/", "/", ""}) service->dispatchDirectoryChanged(folder);
    EXPECT_EQ(posted,
              (std::vector<std::string>{"directoryChangedNotification /Maps/", "directoryChangedNotification /Maps/",
                                        "directoryChangedNotification /", "directoryChangedNotification /"}));
}

TEST_F(DropboxServiceTest, SigningInInTheBrowserLinksTheAccountThroughTheRedirect)
{
    make();
    ASSERT_FALSE(service->isAuthorized());
    service->authorize({});
    ASSERT_EQ(uris.opened.size(), 1u);
    EXPECT_FALSE(AuthorizationRedirects::handleAuthorizationURL(FakeDropboxServer::redirectUri() + "?code=x&state=y"))
        << "a redirect of no pending sign-in is ignored";

    HttpRequest open;
    open.url = uris.opened[0];
    std::optional<HttpResponse> page;
    HttpRequestHandle browsing = engine.start(open, [&](HttpResponse response) { page = std::move(response); });
    ASSERT_TRUE(MainLoop::runUntil([&] { return page.has_value(); }, 10));
    ASSERT_EQ(page->status, 302) << page->body;
    posted.clear();
    EXPECT_TRUE(AuthorizationRedirects::handleAuthorizationURL(page->header("Location")));
    ASSERT_TRUE(MainLoop::runUntil([&] { return service->isAuthorized(); }, 10));
    EXPECT_TRUE(service->isActive());
    EXPECT_NE(std::find(posted.begin(), posted.end(), "stateChangeNotification "), posted.end());
    EXPECT_TRUE(tokens.read(Dropbox::TokenAccount).has_value());
}

TEST_F(DropboxServiceTest, ARefusedSignInUnlinksAndTellsTheUser)
{
    linkAccount();
    make();
    DropboxNetworkError plain{503, HttpTransportError::None, false, "busy"};
    EXPECT_FALSE(service->checkAuthorizationError(plain));
    EXPECT_TRUE(service->isAuthorized());

    DropboxNetworkError refused{401, HttpTransportError::None, true, "invalid_grant"};
    EXPECT_TRUE(service->checkAuthorizationError(refused));
    EXPECT_FALSE(service->isAuthorized());
    EXPECT_FALSE(service->provider()->enabled());
    EXPECT_EQ(notifications.shown.back(),
              shown("db_disconnected_state", localized("dropbox_reauthentication_required"), 2));
    // A tick already pending runs once more and does not come back.
    scheduler.advance(61);
    EXPECT_FALSE(service->isTickPending());
    EXPECT_FALSE(tokens.read(Dropbox::TokenAccount).has_value());
}

TEST_F(DropboxServiceTest, DisconnectingRemovesTokensRecordsAndTheCache)
{
    linkAccount();
    make();
    syncedFile("/Maps/Plan.twkx");
    const std::string root = service->provider()->rootDirectory();
    service->performDeauthorize();
    EXPECT_FALSE(service->isAuthorized());
    EXPECT_EQ(service->fileInfo().count(), 0u);
    EXPECT_FALSE(fs::exists(root + "maps/plan.twkx"));
    EXPECT_FALSE(tokens.read(Dropbox::TokenAccount).has_value());
}

namespace {

// The editor with one Dropbox map open.
struct OneMapEditor : NullEditorInterface {
    std::shared_ptr<MindMapStorage> storage;
    MindMapProvider* provider = nullptr;
    bool modified = false;
    std::vector<std::string> deleted;
    MindMapStorage* currentStorage() override { return storage.get(); }
    MindMapProvider* currentProvider() override { return storage ? provider : nullptr; }
    bool isEditorModified() override { return modified; }
    void mindMapDeleted(MindMapProvider*, const std::string& id) override { deleted.push_back(id); }
};

DropboxMetadata fileEntry(const std::string& path)
{
    DropboxMetadata entry;
    entry.pathDisplay = path;
    entry.pathLower = path;
    entry.name = std::filesystem::path(path).filename().string();
    return entry;
}

} // namespace

TEST_F(DropboxServiceTest, AnOpenMapMissingFromItsFolderGoesUnlessItWasChangedHereOrListedBeforeItWentUp)
{
    linkAccount();
    make();
    struct Case {
        const char* name;
        bool editedFile;
        bool editorModified;
        bool listedBeforeUpload;
        bool kept;
        bool keptAsNew;
    };
    const std::vector<Case> cases = {
        {"unchanged", false, false, false, false, false},
        {"file saved since the last upload", true, false, false, true, true},
        {"edits not yet saved", false, true, false, true, true},
        // The listing left before the upload finished and came back after it.
        {"listing asked for before the upload", false, false, true, true, false},
    };
    for (const Case& c : cases) {
        const uint64_t beforeUpload = service->fileInfo().revisions();
        syncedFile("/Maps/Plan.twkx");
        const uint64_t asked = c.listedBeforeUpload ? beforeUpload : service->fileInfo().revisions();
        const std::string file = service->provider()->cacheFilePathForDbPath("/Maps/Plan.twkx");
        if (c.editedFile) service->fileInfo().get("/Maps/Plan.twkx")->setLocalModified(*fileModificationDate(file) - 5);
        auto editor = std::make_shared<OneMapEditor>();
        editor->provider = service->provider().get();
        editor->storage = service->provider()->createStorage("/Maps/Plan.twkx");
        editor->modified = c.editorModified;
        SetEditorInterfaceInstance(editor);
        notifications.shown.clear();

        // Another folder's listing and a listing that has the map change nothing.
        service->folderContentsLoaded({}, "/Other", asked);
        service->folderContentsLoaded({fileEntry("/Maps/plan.TWKX")}, "/maps/", asked);
        EXPECT_TRUE(notifications.shown.empty()) << c.name;

        service->folderContentsLoaded({fileEntry("/Maps/Other.twkx")}, "/Maps/", asked);
        EXPECT_EQ(fs::exists(file), c.kept) << c.name;
        const DropboxFileInfoItem* record = service->fileInfo().get("/Maps/Plan.twkx");
        if (c.kept) {
            ASSERT_NE(record, nullptr) << c.name;
            EXPECT_EQ(record->isNew(), c.keptAsNew) << c.name;
            EXPECT_TRUE(editor->deleted.empty()) << c.name;
            if (!c.keptAsNew) {
                EXPECT_TRUE(notifications.shown.empty()) << c.name;
            }
        } else {
            EXPECT_EQ(record, nullptr) << c.name;
            EXPECT_EQ(editor->deleted, std::vector<std::string>{"/Maps/Plan.twkx"}) << c.name;
            EXPECT_EQ(notifications.shown.back(), shown("db_file_not_found", "/Maps/Plan.twkx", 2)) << c.name;
        }
        EXPECT_EQ(service->browsingCache().get("/MAPS")->size(), 1u);
        editor->storage.reset();
        SetEditorInterfaceInstance(nullptr);
        service->fileInfo().remove("/Maps/Plan.twkx");
    }
}

TEST_F(DropboxServiceTest, ASignInInAKeyringLeftLockedComesBackWithTheMapOnceItIsUnlockedElsewhere)
{
    linkAccount();
    for (const bool anotherMapMeanwhile : {false, true}) {
        SCOPED_TRACE(anotherMapMeanwhile ? "another map opened meanwhile" : "the map follows");
        LockedTokenStore locked;
        locked.secrets[Dropbox::TokenAccount] = tokens.read(Dropbox::TokenAccount).value();
        keyring = &locked;
        make();
        // The start's reopening of the last map, once the sign-in is known.
        service->provider()->whenSignInKnown([&] { service->provider()->asyncOpenStorage("/Maps/Plan.twkx", {}); });
        EXPECT_FALSE(service->isAuthorized());
        auto editor = std::make_shared<OneMapEditor>();
        SetEditorInterfaceInstance(editor);
        if (anotherMapMeanwhile) {
            cacheFile("/Other.twkx");
            editor->storage = service->provider()->createStorage("/Other.twkx");
            ASSERT_TRUE(editor->storage);
        }
        posted.clear();

        locked.unlockElsewhere();
        EXPECT_TRUE(service->isAuthorized());
        EXPECT_EQ(posted.empty() ? "" : posted.front(), "stateChangeNotification ") << "the Dropbox tab";
        EXPECT_EQ(downloader ? downloader->asked : std::vector<std::string>{},
                  anotherMapMeanwhile ? std::vector<std::string>{} : std::vector<std::string>{"/Maps/Plan.twkx"});
        editor->storage.reset();
        SetEditorInterfaceInstance(nullptr);
        service.reset();
        downloader = nullptr;
    }
}

TEST_F(DropboxServiceTest, TheApplicationOffersDropboxOnlyWithAnAppKey)
{
    WatchedSessionBus bus;
    ASSERT_TRUE(bus.listening());
    ScopedEnvironment server{"TARNWICK_DROPBOX_SERVER", fake.baseUrl()};
    installDropbox();
    const std::vector<std::pair<std::string, bool>> cases = {
        {"", false}, {"short", false}, {"UPPERCASE123456", false}, {FakeDropboxServer::AppKey, true}};
    int providerChanges = 0;
    ObservationToken changes = NotificationCenter::defaultCenter().addObserver(
        MindMapProvider::ProvidersChangedNotification, nullptr, [&](const Notification&) { ++providerChanges; });
    for (const auto& [key, offered] : cases) {
        ScopedEnvironment appKey{"TARNWICK_DROPBOX_APP_KEY", key};
        if (!DropboxSettings::appKey().empty() && !offered) continue; // the build carries a key of its own
        auto services = std::make_unique<InstalledApplicationServices>();
        RecentHistoryList recentMaps;
        providerChanges = 0;
        services->startCloudServices(scheduler, &recentMaps);
        EXPECT_EQ(services->hasDropboxServices(), offered) << key;
        EXPECT_EQ(MindMapProviders::instance().getProviderById(DropboxProvider::ProviderId) != nullptr, offered) << key;
        // The set-up tab, made before, learns of the unlinked provider; the preloader starts from
        // the folders of the recent maps.
        EXPECT_EQ(providerChanges > 0, offered) << key;
        if (offered) {
            EXPECT_EQ(Dropbox::instance()->recentHistory(), &recentMaps);
        }
        // The sign-in is read once the main loop is idle: the store is chosen then.
        while (MainLoop::iterate(false)) {}
        EXPECT_EQ(services->startDropboxTerminationProcess(), nullptr) << "nothing to upload";
        services->terminateDropboxSession();
    }
    setDropboxServicesFactory(nullptr);
    EXPECT_EQ(bus.connections(), 0) << "the session bus was asked for a keyring";
}

TEST_F(DropboxServiceTest, ManualSynchronisationSaysWhyNothingHappensOrHowMuchGoesUp)
{
    struct Case {
        bool linked;
        bool online;
        bool changedFile;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {true, false, false, shown("dropbox_synchronization_error", localized("no_network_available"), 2)},
        {false, true, false, shown("dropbox_synchronization_error", localized("db_disconnected_state"), 2)},
        {true, true, false, shown("db_synchronize", localized("gdrive_nothing_to_synchronize"), 0)},
        {true, true, true, shown("db_synchronize", "One map is being synchronised.", 0)},
    };
    for (const Case& c : cases) {
        service.reset();
        tokens.remove(Dropbox::TokenAccount);
        if (c.linked) linkAccount();
        network.set(c.online);
        NetworkController::networkAvailable();
        make();
        if (c.changedFile) {
            service->fileInfo().update("/New.twkx", std::nullopt, DropboxFileInfoItem::makeNewFileRev());
            cacheFile("/New.twkx");
        }
        notifications.shown.clear();
        service->manualSynchronize();
        ASSERT_EQ(notifications.shown.size(), 1u) << c.expected;
        EXPECT_EQ(notifications.shown[0], c.expected);
        service->fileInfo().clear();
    }
}

TEST_F(DropboxServiceTest, ADeletedFolderLeavesTheCacheRecordsAndListingsAndIsAnnounced)
{
    linkAccount();
    make();
    syncedFile("/Work/Sub/Plan.twkx");
    syncedFile("/Work/Keep.twkx");
    syncedFile("/Work-old/Other.twkx");
    service->browsingCache().put("/Work/Sub", {fileEntry("/Work/Sub/Plan.twkx")});
    posted.clear();
    service->directoryDeleted("/work/sub");
    EXPECT_EQ(service->fileInfo().get("/Work/Sub/Plan.twkx"), nullptr);
    EXPECT_NE(service->fileInfo().get("/Work/Keep.twkx"), nullptr);
    EXPECT_FALSE(fs::exists(service->provider()->cacheFilePathForDbPath("/Work/Sub")));
    EXPECT_EQ(service->browsingCache().get("/Work/Sub"), nullptr);
    EXPECT_EQ(
        posted,
        (std::vector<std::string>{"directoryChangedNotification /work/", "directoryChangedNotification /work/sub/"}));

    // The root is the account itself: nothing it holds goes for an answer about it.
    for (const char* root : {"/", "", "//"}) {
        service->directoryDeleted(root);
        EXPECT_TRUE(fs::is_directory(service->provider()->rootDirectory()));
        EXPECT_NE(service->fileInfo().get("/Work-old/Other.twkx"), nullptr);
        EXPECT_TRUE(fs::exists(service->provider()->cacheFilePathForDbPath("/Work-old/Other.twkx")));
    }
}
