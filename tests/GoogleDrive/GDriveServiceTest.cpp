#include "GoogleDrive/GDriveService.h"

#include "Editor/DeviceLinkServices.h"
#include "Editor/FeedbackCenter.h"
#include "GoogleDrive/GDriveAuthHelper.h"
#include "GoogleDrive/GDriveFileInfoCache.h"
#include "GoogleDrive/GDriveFolderCache.h"
#include "GoogleDrive/GDriveInstallation.h"
#include "GoogleDrive/GDriveSettings.h"
#include "GoogleDrive/GDriveSimpleTasks.h"
#include "MindMaps/ImageStore.h"
#include "Utils/TerminationProcess.h"
#include "platform/Localizer.h"
#include "platform/MainLoop.h"
#include "platform/TokenStore.h"
#include "platform/UserDefaults.h"
#include "store/EditorInterface.h"
#include "store/ExternalProvider.h"
#include "store/MindMapProviders.h"
#include "store/MindMapStorage.h"
#include "support/FakeGoogleDriveServer.h"
#include "support/HeldTokenStore.h"
#include "support/LockedTokenStore.h"
#include "support/ManualScheduler.h"
#include "support/RecordedFeedback.h"
#include "support/ScopedEnvironment.h"
#include "support/ScopedFileSizeLimit.h"
#include "support/ScopedNetwork.h"
#include "support/ScriptedAlertPanel.h"
#include "support/TempDir.h"
#include "support/WatchedSessionBus.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

struct OpenMapEditor : NullEditorInterface {
    std::shared_ptr<MindMapStorage> storage;
    std::vector<std::string> opened;
    bool written = true;
    int commits = 0;
    MindMapStorage* currentStorage() override { return storage.get(); }
    MindMapProvider* currentProvider() override { return storage ? storage->provider() : nullptr; }
    bool commitEditor() override
    {
        ++commits;
        return written;
    }
    void openStorage(MindMapProvider*, const std::string& storageId, const std::any&) override
    {
        opened.push_back(storageId);
    }
};

struct GDriveServiceTest : ::testing::Test {
    FakeGoogleDriveServer fake;
    TempDir home;
    ScopedEnvironment data{"XDG_DATA_HOME", home.file("data")};
    ScopedEnvironment config{"XDG_CONFIG_HOME", home.file("config")};
    ScopedNetwork network{true};
    HttpEngine engine;
    FileTokenStore store{home.file("cloud-tokens.json")};
    ScriptedAlertPanel alerts;
    FakeClock clock{5000};
    ManualScheduler scheduler{clock};
    uint32_t random = 0;
    std::unique_ptr<GDriveAuthHelper> auth;
    std::shared_ptr<OpenMapEditor> editor = std::make_shared<OpenMapEditor>();
    std::unique_ptr<GDrive> service;
    std::vector<std::string> posted;
    std::vector<ObservationToken> observations;

    GDriveServiceTest()
    {
        UserDefaults::standard().resetForTesting();
        fs::create_directories(home.file("data/Tarnwick"));
        fs::create_directories(home.file("support"));
        ExternalProvider::resetProvidersDirectoryCleanup();
        SetEditorInterfaceInstance(editor);
        fake.issueTokens("access-0", "refresh-0");
        const double expiry =
            std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count() + 3600;
        store.write(GDriveSettings::KeychainItemName, OAuthTokens{"access-0", "refresh-0", expiry, ""}.toJson());
        makeAuth(store);
        for (const char* name : {GDrive::AuthorizationChangeNotification, GDrive::LinkedChangeNotification,
                                 GDrive::ActiveChangeNotification, GDrive::FolderChangedNotification}) {
            observations.push_back(NotificationCenter::defaultCenter().addObserver(
                name, nullptr, [this, name](const Notification&) { posted.emplace_back(name); }));
        }
    }
    void makeAuth(TokenStore& tokens)
    {
        OAuthSettings signIn;
        signIn.clientId = FakeGoogleDriveServer::ClientId;
        signIn.clientSecret = FakeGoogleDriveServer::ClientSecret;
        signIn.authorizeUrl = fake.authorizeUrl();
        signIn.tokenUrl = fake.tokenUrl();
        auth =
            std::make_unique<GDriveAuthHelper>(engine, tokens, signIn, GDriveEndpoints{fake.baseUrl(), fake.baseUrl()},
                                               fake.baseUrl() + GDriveSettings::SuccessPath);
    }
    ~GDriveServiceTest() override
    {
        editor->storage.reset();
        service.reset();
        SetEditorInterfaceInstance(nullptr);
        UserDefaults::standard().resetForTesting();
    }

    void make()
    {
        GDriveServiceSetup setup;
        setup.auth = auth.get();
        setup.scheduler = &scheduler;
        setup.now = [this] { return clock.now(); };
        setup.random = [this] { return random; };
        setup.supportDirectory = home.file("support");
        service = std::make_unique<GDrive>(std::move(setup));
    }
    // Signed in, set up on the fake and active.
    void start()
    {
        make();
        service->initiateSession();
        ASSERT_TRUE(settle([&] { return service->isLinked(); }));
        ASSERT_TRUE(service->isActive());
    }
    std::string cachedMap(const std::string& gdriveId, const std::string& contents, const std::string& recorded)
    {
        GDriveMetadata metadata(gdriveId, "twkx");
        metadata.name = gdriveId + ".twkx";
        metadata.parentIdentifier = service->folderCache().rootFolderId();
        if (!recorded.empty()) metadata.md5Checksum = recorded;
        service->fileInfo().update(metadata);
        writeTestFile(service->provider()->cacheFilePathForFileId(gdriveId), contents);
        return gdriveId;
    }
    // Lets the service's timers and the network run until the condition holds, or for the steps.
    bool settle(const std::function<bool()>& done, int steps = 2000)
    {
        for (int step = 0; step < steps && !done(); ++step) {
            scheduler.advance(0.01);
            MainLoop::runUntil(done, 0.01);
        }
        return done();
    }
    std::vector<std::string> queued()
    {
        std::vector<std::string> ids;
        if (service->synchronizer().current()) ids.push_back(service->synchronizer().current()->id);
        for (const auto& item : service->synchronizer().queue()) ids.push_back(item.id);
        return ids;
    }
};

} // namespace

TEST_F(GDriveServiceTest, SpreadsItsTimersByTheJitterFactor)
{
    EXPECT_DOUBLE_EQ(GDrive::jitterFactor(0), 0.95);
    EXPECT_DOUBLE_EQ(GDrive::jitterFactor(999), 0.95 + 999.0 / 10000);
    EXPECT_DOUBLE_EQ(GDrive::jitterFactor(1000), 0.95);
    random = 500;
    make();
    EXPECT_DOUBLE_EQ(service->nextPollTime(), 5000 + 480 * 1.0);
    EXPECT_DOUBLE_EQ(service->nextSyncTime(), 5000 + 1800 * 1.0);
    EXPECT_DOUBLE_EQ(UserDefaults::standard().doubleForKey("gdrive.cacheclean.due"), 5000 + 172800 * 1.0);
    service.reset();
    UserDefaults::standard().setDouble("gdrive.cacheclean.due", 42);
    make();
    EXPECT_DOUBLE_EQ(service->nextCacheCleanTime(), 42) << "kept across runs";
}

TEST_F(GDriveServiceTest, SignedInItSetsUpTheAccountAndBecomesActive)
{
    start();
    EXPECT_FALSE(fake.idsNamed("Tarnwick").empty());
    const std::vector<std::string> expected = {GDrive::AuthorizationChangeNotification,
                                               GDrive::LinkedChangeNotification, GDrive::ActiveChangeNotification};
    std::vector<std::string> states;
    for (const std::string& name : posted)
        if (name != GDrive::FolderChangedNotification) states.push_back(name);
    EXPECT_EQ(states, expected);
    EXPECT_TRUE(service->hasPendingCheck());
    EXPECT_EQ(std::string(GDrive::UserTaskChangeNotification), "tarnwick.gdrive.userTaskChangeNotification");
    EXPECT_EQ(std::string(GDrive::NonNativeMindMapOpenedNotification),
              "tarnwick.gdrive.nonNativeMindMapOpenedNotification");
    EXPECT_EQ(std::string(GDrive::FolderChangedNotification), "tarnwick.gdrive.FolderChangedNotification");
}

TEST_F(GDriveServiceTest, TheFirstTickAfterBecomingActivePollsTheOpenMap)
{
    make();
    fake.addFile("Open.twkx", "v1", "", "OPEN");
    service->initiateSession();
    cachedMap("OPEN", "v1", fake.file("OPEN")->md5);
    editor->storage = service->provider()->createStorage("OPEN");
    network.set(false);
    service->onlineStateChanged(false);
    network.set(true);
    settle([&] { return service->isLinked(); });
    ASSERT_TRUE(service->isActive());
    MainLoop::runUntil([this] { return !service->synchronizer().isBusy(); }, 10);
    bool polled = false;
    for (const auto& request : fake.requestsTo("files.get"))
        polled = polled || request.path.find("OPEN") != std::string::npos;
    EXPECT_TRUE(polled);
}

// A sign-in found lapsed in the background writes the open map before its storage goes, and keeps
// a map that cannot be written open rather than drop its edits.
TEST_F(GDriveServiceTest, ALapsedSignInWritesTheOpenMapOrKeepsItOpen)
{
    for (const bool written : {true, false}) {
        SCOPED_TRACE(written ? "written" : "cannot be written");
        // Signed in again: the lapse before took the tokens.
        store.write(GDriveSettings::KeychainItemName, OAuthTokens{"access-0", "refresh-0", 4e9, ""}.toJson());
        makeAuth(store);
        start();
        editor->written = written;
        editor->commits = 0;
        editor->storage = service->provider()->createStorage(cachedMap("OPEN", "v1", ""));
        const std::shared_ptr<MindMapStorage> other = service->provider()->createStorage(cachedMap("Other", "o", ""));
        service->reauthorize();
        EXPECT_EQ(editor->commits, 1);
        const auto& left = service->provider()->storages();
        EXPECT_EQ(std::find(left.begin(), left.end(), editor->storage) != left.end(), !written);
        EXPECT_EQ(std::find(left.begin(), left.end(), other), left.end());
        editor->storage.reset();
        service.reset();
    }
}

TEST_F(GDriveServiceTest, SynchronizePicksOpenOfflineNewAndChangedMaps)
{
    start();
    MainLoop::runUntil([this] { return !service->synchronizer().isBusy(); }, 10);
    network.set(false);
    NetworkController::networkAvailable();
    cachedMap("SAME", "same", "51037a4a37730f52c8732586d3aaa316");
    cachedMap("OPEN", "x", "00");
    cachedMap("OFFLINE", "y", "00");
    service->fileInfo().setOfflineAvailable("OFFLINE", true);
    cachedMap("NEW", "z", "");
    cachedMap("EDITED", "edited", "51037a4a37730f52c8732586d3aaa316");
    EXPECT_EQ(service->synchronize(), 0u) << "offline nothing is queued";
    network.set(true);
    NetworkController::networkAvailable();
    editor->storage = service->provider()->createStorage("OPEN");
    const double before = service->nextSyncTime();
    clock.advance(10);
    EXPECT_EQ(service->synchronize(), 4u);
    auto ids = queued();
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids, (std::vector<std::string>{"EDITED", "NEW", "OFFLINE", "OPEN"}));
    EXPECT_GT(service->nextSyncTime(), before);
}

TEST_F(GDriveServiceTest, NothingToSynchronizeStillRearmsTheDueDate)
{
    start();
    clock.advance(100);
    EXPECT_EQ(service->synchronize(), 0u);
    EXPECT_DOUBLE_EQ(service->nextSyncTime(), clock.now() + 1800 * 0.95);
}

TEST_F(GDriveServiceTest, UploadsLocalChangesAtQuitAndStopsTheTimer)
{
    start();
    MainLoop::runUntil([this] { return !service->synchronizer().isBusy(); }, 10);
    EXPECT_EQ(service->startTerminationProcess(), nullptr) << "nothing to upload";
    fake.addFile("Plan.twkx", "v1", "", "PLAN");
    cachedMap("PLAN", "edited here", fake.file("PLAN")->md5);
    std::shared_ptr<TerminationProcess> process = service->startTerminationProcess();
    ASSERT_TRUE(process);
    EXPECT_EQ(process->iconImage(), FeedbackCenter::gdriveImage());
    EXPECT_FALSE(service->hasPendingCheck());
    ASSERT_TRUE(MainLoop::runUntil([&] { return process->completed(); }, 20));
    EXPECT_EQ(fake.file("PLAN")->contents, "edited here");
    EXPECT_EQ(service->startTerminationProcess(), nullptr) << "one process per run";
    service->checkPendingEvents();
    EXPECT_FALSE(service->hasPendingCheck()) << "nothing re-arms once quitting";
    EXPECT_EQ(service->synchronize(), 0u);
}

TEST_F(GDriveServiceTest, OpensAnUncachedMapOnceDownloaded)
{
    start();
    fake.addFile("Remote.twkx", "remote", "", "REMOTE");
    // The pane keeps its selection when the thumbnails change, which asks for the selected map
    // again while the download puts its file in place.
    observations.push_back(NotificationCenter::defaultCenter().addObserver(
        ImageStore::CustomImagesChangedNotification, nullptr,
        [this](const Notification&) { service->openMindMap("REMOTE", {}); }));
    service->openMindMap("REMOTE", {});
    ASSERT_TRUE(MainLoop::runUntil([&] { return !editor->opened.empty(); }, 20));
    EXPECT_EQ(editor->opened, std::vector<std::string>{"REMOTE"}) << "opened once";
    EXPECT_EQ(readTestFile(service->provider()->cacheFilePathForFileId("REMOTE")), "remote");
}

// The map reopened at start-up is asked for while the account's folders are still being found.
TEST_F(GDriveServiceTest, AMapAskedForWhileTheAccountIsSetUpOpensOnceItIs)
{
    make();
    fake.addFile("Remote.twkx", "remote", "", "REMOTE");
    service->initiateSession();
    ASSERT_TRUE(service->isInitializing());
    service->openMindMap("REMOTE", {});
    EXPECT_TRUE(editor->opened.empty());
    ASSERT_TRUE(settle([&] { return service->isLinked(); }));
    ASSERT_TRUE(MainLoop::runUntil([&] { return !editor->opened.empty(); }, 20));
    EXPECT_EQ(editor->opened, std::vector<std::string>{"REMOTE"});
}

// The map of the last session is reopened at the start while the account is set up; the disk
// fills up during its download. The window shows no map, and says why.
TEST_F(GDriveServiceTest, AReopenedMapWhoseDownloadCannotBeWrittenIsSaidAndKeptInTheActivityPane)
{
    RecordedFeedback told;
    FeedbackCenter::feedbackCenter().clearFeedbackItems();
    make();
    fake.addFile("Remote.twkx", std::string(256 * 1024, 'm'), "", "REMOTE");
    service->initiateSession();
    ASSERT_TRUE(service->isInitializing());
    service->openMindMap("REMOTE", {});
    {
        ScopedFileSizeLimit full(64 * 1024);
        ASSERT_TRUE(settle([&] { return service->isLinked(); }));
        ASSERT_TRUE(MainLoop::runUntil([&] { return !told.shown.empty() || !editor->opened.empty(); }, 20));
    }
    EXPECT_TRUE(editor->opened.empty());
    const std::string title = localized("error_title_error_opening_document");
    ASSERT_EQ(told.shown.size(), 1u);
    EXPECT_EQ(told.shown[0].rfind(title + " | ", 0), 0u) << told.shown[0];
    // By the map's name and the cause, not by the hidden file the download went into.
    EXPECT_NE(told.shown[0].find("“Remote.twkx”"), std::string::npos) << told.shown[0];
    EXPECT_NE(told.shown[0].find(localized("file_write_too_large")), std::string::npos) << told.shown[0];
    const auto& items = FeedbackCenter::feedbackCenter().items();
    ASSERT_FALSE(items.empty());
    EXPECT_EQ(items.front()->title(), title);
    EXPECT_EQ(items.front()->state(), unsigned(FeedbackStateError));
    EXPECT_FALSE(items.front()->message().empty());
    EXPECT_FALSE(fs::exists(service->provider()->cacheFilePathForFileId("REMOTE")));
}

// Without the network at the first start nothing of Drive can work: the user is told, and the
// set-up runs again once the network is back instead of at the next start.
TEST_F(GDriveServiceTest, ASetUpThatFailedIsToldAndRunsAgainWhenTheNetworkIsBack)
{
    RecordedFeedback told;
    network.set(false);
    make();
    service->initiateSession();
    settle([] { return false; }, 20);
    EXPECT_FALSE(service->isLinked());
    EXPECT_FALSE(service->isInitializing());
    EXPECT_EQ(told.shown,
              std::vector<std::string>{localized("error_authorizing_with_gdrive") + " | " +
                                       localized("gdrive_setup_failed") + " | " + std::to_string(FeedbackStateError)});
    EXPECT_TRUE(fake.requests().empty());

    network.set(true);
    service->onlineStateChanged(true);
    EXPECT_TRUE(settle([&] { return service->isLinked(); }));
    EXPECT_TRUE(service->isActive());
    EXPECT_FALSE(fake.idsNamed("Tarnwick").empty());
    EXPECT_EQ(told.shown.size(), 1u);
}

TEST_F(GDriveServiceTest, AMapAskedForOnceTheKeyringAnswersOpensWhenTheAccountIsSetUp)
{
    HeldTokenStore held;
    held.secrets[GDriveSettings::KeychainItemName] = store.read(GDriveSettings::KeychainItemName).value();
    makeAuth(held);
    make();
    fake.addFile("Remote.twkx", "remote", "", "REMOTE");
    service->initiateSession();
    int told = 0;
    service->provider()->whenSignInKnown([&] {
        ++told;
        EXPECT_TRUE(service->isInitializing()) << "the account's set-up has begun";
        service->provider()->asyncOpenStorage("REMOTE", {});
    });
    EXPECT_EQ(told, 0) << "nothing is known before the keyring answers";
    EXPECT_TRUE(posted.empty());
    held.answer();
    EXPECT_EQ(told, 1);
    // The account's set-up runs on the service's timers.
    settle([&] { return !editor->opened.empty(); });
    EXPECT_EQ(editor->opened, std::vector<std::string>{"REMOTE"});

    service->provider()->whenSignInKnown([&] { ++told; });
    EXPECT_EQ(told, 2) << "once known, at once";
    editor->storage.reset();
    service.reset();
    auth.reset();
}

TEST_F(GDriveServiceTest, ASignInInAKeyringLeftLockedComesBackWithTheMapOnceItIsUnlockedElsewhere)
{
    fake.addFile("Remote.twkx", "remote", "", "REMOTE");
    for (const bool anotherMapMeanwhile : {false, true}) {
        SCOPED_TRACE(anotherMapMeanwhile ? "another map opened meanwhile" : "the map follows");
        LockedTokenStore keyring;
        keyring.secrets[GDriveSettings::KeychainItemName] = store.read(GDriveSettings::KeychainItemName).value();
        makeAuth(keyring);
        make();
        service->initiateSession();
        // The start's reopening of the last map, once the sign-in is known.
        service->provider()->whenSignInKnown([&] { service->provider()->asyncOpenStorage("REMOTE", {}); });
        EXPECT_FALSE(service->isAuthorized());
        if (anotherMapMeanwhile) editor->storage = service->provider()->createStorage(cachedMap("Other", "o", ""));
        posted.clear();
        editor->opened.clear();

        keyring.unlockElsewhere();
        EXPECT_TRUE(service->isAuthorized());
        EXPECT_EQ(posted.empty() ? "" : posted.front(), GDrive::AuthorizationChangeNotification) << "the Drive tab";
        settle([&] {
            return service->isLinked() && !GDrive::userTaskBusy() && (anotherMapMeanwhile || !editor->opened.empty());
        });
        EXPECT_TRUE(service->isLinked());
        EXPECT_EQ(editor->opened,
                  anotherMapMeanwhile ? std::vector<std::string>{} : std::vector<std::string>{"REMOTE"});
        editor->storage.reset();
        service.reset();
        auth.reset();
    }
}

TEST_F(GDriveServiceTest, DisconnectingAsksFirstAndDoesNothingSignedOut)
{
    start();
    alerts.answers = {{AlertPanel::FirstButtonReturn + 1, {}}};
    service->deauthorize();
    ASSERT_EQ(alerts.requests.size(), 1u);
    EXPECT_TRUE(service->isLinked());
    alerts.answers = {{AlertPanel::FirstButtonReturn, {}}};
    cachedMap("GONE", "x", "00");
    service->deauthorize();
    EXPECT_FALSE(service->isAuthorized());
    EXPECT_FALSE(service->isLinked());
    EXPECT_EQ(service->fileInfo().count(), 0u);
    service->deauthorize();
    EXPECT_EQ(alerts.requests.size(), 2u) << "signed out nothing is asked";
}

TEST_F(GDriveServiceTest, TheApplicationOffersGoogleDriveOnlyWithAClientId)
{
    WatchedSessionBus bus;
    ASSERT_TRUE(bus.listening());
    ScopedEnvironment server{"TARNWICK_GDRIVE_SERVER", fake.baseUrl()};
    installGoogleDrive();
    // Without the secret Drive is still offered: connecting then says what is missing.
    // A malformed id hides Drive too, but the activity log says why.
    const struct {
        std::string clientId, clientSecret;
        bool offered, told;
    } cases[] = {{"", FakeGoogleDriveServer::ClientSecret, false, false},
                 {"not-a-client-id", FakeGoogleDriveServer::ClientSecret, false, true},
                 {"123456789012-ABCDEFGHIJKLMNOPQRSTUVWXYZ012345.apps.googleusercontent.com", "", false, true},
                 {FakeGoogleDriveServer::ClientId, FakeGoogleDriveServer::ClientSecret, true, false},
                 {FakeGoogleDriveServer::ClientId, "", true, false}};
    bool offeredOnce = false;
    bool toldOnce = false;
    for (const auto& [clientId, clientSecret, offered, told] : cases) {
        ScopedEnvironment id{"TARNWICK_GDRIVE_CLIENT_ID", clientId};
        ScopedEnvironment secret{"TARNWICK_GDRIVE_CLIENT_SECRET", clientSecret};
        if (GDriveSettings::isOffered() != offered) continue; // the build carries an id of its own
        if (!told && !offered && !GDriveSettings::notOfferedReason().empty()) continue; // a malformed one
        offeredOnce = offeredOnce || offered;
        toldOnce = toldOnce || told;
        FeedbackCenter::feedbackCenter().clearFeedbackItems();
        auto services = std::make_unique<InstalledApplicationServices>();
        services->startCloudServices(scheduler);
        std::vector<std::shared_ptr<FeedbackItem>> notices;
        for (const auto& item : FeedbackCenter::feedbackCenter().items())
            if (item->title() == localized("gdrive_not_offered")) notices.push_back(item);
        ASSERT_EQ(notices.size(), told ? 1u : 0u) << clientId;
        if (told) {
            EXPECT_EQ(notices[0]->message(), localized("gdrive_client_id_malformed"));
            EXPECT_EQ(notices[0]->state(), FeedbackStateError);
        }
        EXPECT_EQ(services->hasGoogleDriveServices(), offered) << clientId;
        EXPECT_EQ(MindMapProviders::instance().getProviderById(GDriveProvider::ProviderId) != nullptr, offered)
            << clientId;
        EXPECT_EQ(services->startGoogleDriveTerminationProcess(), nullptr) << "signed out nothing goes up";
        services->terminateGoogleDriveSession();
    }
    setGoogleDriveServicesFactory(nullptr);
    EXPECT_TRUE(offeredOnce);
    EXPECT_TRUE(toldOnce);
    EXPECT_TRUE(fake.requests().empty()) << "no request was made";
    // The process's own Drive client keeps its sign-in where the test process chose, never in the
    // keyring behind the bus the tests were started on.
    EXPECT_EQ(GDriveAuthHelper::sharedHelper().tokenStore().name(), "file");
    EXPECT_EQ(bus.connections(), 0) << "the session bus was asked for a keyring";
}

TEST_F(GDriveServiceTest, RunsThePanesTasksOneAtATimeUnderUniqueFolderNames)
{
    start();
    MainLoop::runUntil([this] { return !service->synchronizer().isBusy(); }, 10);
    const std::string root = service->folderCache().rootFolderId();
    GDriveMetadata docs = GDriveMetadata::folder("DocsId");
    docs.name = "Docs";
    docs.parentIdentifier = root;
    service->folderCache().folderUpdated(docs);
    GDriveTaskService& tasks = *service;
    const struct {
        std::string name, parent, expected;
    } names[] = {
        {"Docs", "", "Docs"}, {"Docs", root, "Docs (1)"}, {"docs", root, "docs (1)"}, {"Plans", root, "Plans"}};
    for (const auto& each : names)
        EXPECT_EQ(tasks.uniqueFolderName(each.name, each.parent), each.expected) << each.name;

    int changes = 0;
    ObservationToken watch = NotificationCenter::defaultCenter().addObserver(
        GDrive::UserTaskChangeNotification, nullptr, [&](const Notification&) { ++changes; });
    fake.setDelay(0.05);
    GDriveSimpleTasks* add = service->userTasks().startSimpleTask(*service);
    ASSERT_NE(add, nullptr);
    add->addFolder("Docs", root);
    EXPECT_TRUE(GDrive::userTaskBusy());
    EXPECT_EQ(service->userTasks().startSimpleTask(*service), nullptr) << "a second waits for none";
    ASSERT_TRUE(MainLoop::runUntil([] { return !GDrive::userTaskBusy(); }, 10));
    EXPECT_EQ(changes, 2);
    EXPECT_FALSE(fake.idsNamed("Docs (1)").empty());
}
