#include "DocumentTestSupport.h"

#include "Editor/ErrorAlert.h"
#include "Editor/HistoryMenu.h"
#include "Editor/TwkDocumentController.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/ScriptedCommandPrompts.h"
#include "Utils/RecordingFeedbackSink.h"
#include "formats/ArchiveTestSupport.h"
#include "platform/Folders.h"
#include "platform/Localizer.h"
#include "platform/NotificationCenter.h"
#include "store/ExternalMindMapStorage.h"
#include "store/ExternalProvider.h"
#include "store/MindMapImporter.h"
#include "store/MindMapProvider.h"
#include "store/MindMapProviders.h"
#include "store/MindMapStorage.h"
#include "store/StoreImportTestSupport.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>

using namespace storetest;
namespace fs = std::filesystem;

namespace {

const std::string GuidA = "AAAAAAAAAAAAAAAAAAAAAAAA";
const std::string GuidB = "BBBBBBBBBBBBBBBBBBBBBBBB";
const std::string TopicGuid = "TTTTTTTTTTTTTTTTTTTTTTTT";

class RecordingHost : public DocumentControllerHost {
public:
    void presentError(const Error& error) override
    {
        log.push_back("error " + error.localizedDescription);
        errors.push_back(error);
    }
    void willReleaseSingletonDocument() override { ++releases; }
    void checkScheduledAds() override { log.push_back("ads"); }
    void closeAllWindows() override { log.push_back("close windows"); }
    void showTerminationWindow(const std::vector<TerminationProcess*>& processes) override
    {
        log.push_back("termination window " + std::to_string(processes.size()));
    }
    void terminate() override { log.push_back("terminate"); }
    std::vector<std::string> log;
    std::vector<Error> errors;
    int releases = 0;
};

class ScriptedProcess : public TerminationProcess {
public:
    ScriptedProcess(std::vector<std::string>* log, bool completesAtOnce)
        : TerminationProcess("upload", "icon"), _log(log), _completesAtOnce(completesAtOnce)
    {
    }
    void run() override
    {
        _log->push_back("run");
        if (_completesAtOnce) setCompleted();
    }

private:
    std::vector<std::string>* _log;
    bool _completesAtOnce;
};

class RecordingServices : public ApplicationTerminationServices {
public:
    explicit RecordingServices(std::vector<std::string>* log) : _log(log) {}
    std::unique_ptr<TerminationProcess> startDropboxTerminationProcess() override
    {
        if (!uploads) return nullptr;
        auto process = std::make_unique<ScriptedProcess>(_log, completesAtOnce);
        running = process.get();
        return process;
    }
    void terminateDropboxSession() override { _log->push_back("dropbox session"); }
    void terminateGoogleDriveSession() override { _log->push_back("drive session"); }
    void releaseDeviceLinkServices() override { _log->push_back("device link"); }

    bool uploads = false;
    bool completesAtOnce = false;
    TerminationProcess* running = nullptr;

private:
    std::vector<std::string>* _log;
};

class TwkDocumentControllerTest : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        placeFile(GuidA + ".twkx",
                  nativeDocument(GuidA, "Alpha", "<topic text=\"A\"/><topic text=\"A2\" guid=\"" + TopicGuid + "\"/>"));
        placeFile(GuidB + ".twkx", nativeDocument(GuidB, "Beta", "<topic text=\"B\"/>"));
        store = start();
        local = MindMapProviders::localProvider();
        controller = std::make_unique<TwkDocumentController>(scheduler, host, services);
        document = controller->makeSingletonDocument();
        document->setWindow(&window);
        changes.emplace(AfterChangingMindMapNotification);
    }
    void TearDown() override
    {
        changes.reset();
        controller.reset();
        StoreTest::TearDown();
    }

    std::string openId() const
    {
        MindMapStorage* storage = controller->currentStorage();
        return storage ? storage->id() : std::string();
    }
    // The file system refuses the map's file while a folder stands in its place; freeing space
    // puts the file back.
    void refuseMapFile()
    {
        fs::rename(mapPath(GuidA), mapPath(GuidA) + ".aside");
        fs::create_directory(mapPath(GuidA));
    }
    void freeSpace()
    {
        if (!fs::is_directory(mapPath(GuidA))) return;
        fs::remove(mapPath(GuidA));
        fs::rename(mapPath(GuidA) + ".aside", mapPath(GuidA));
    }
    // The question about the map whose edit could not be saved: named by its title, never by the
    // id its file is named with.
    static void expectCommitQuestion(const AlertPanel::Request& request, const std::string& title,
                                     const std::string& leave, const std::string& what)
    {
        EXPECT_EQ(request.messageText, "The map \u201C" + title + "\u201D could not be saved.") << what;
        EXPECT_EQ((request.messageText + request.informativeText).find(GuidA), std::string::npos) << what;
        std::vector<std::string> buttons;
        for (const AlertPanel::Button& button : request.buttons) buttons.push_back(button.title);
        EXPECT_EQ(buttons, (std::vector<std::string>{"Try Again", "Cancel", leave})) << what;
    }
    static std::vector<std::string> idsOf(const HistoryList& list)
    {
        std::vector<std::string> ids;
        for (const HistoryPoint& point : list.items()) ids.push_back(point.mindMap());
        return ids;
    }

    FakeDocumentScheduler scheduler;
    FakeDocumentWindow window;
    RecordingHost host;
    RecordingServices services{&host.log};
    RecordingFeedbackSink feedback;
    MindMapStore* store = nullptr;
    MindMapProvider* local = nullptr;
    std::unique_ptr<TwkDocumentController> controller;
    EditorDocument* document = nullptr;
    std::optional<NotificationRecorder> changes;
};

TEST_F(TwkDocumentControllerTest, SwitchingRecordsTheMapLeftAndNeverListsTheOpenOne)
{
    controller->openStorage(local, GuidA, {});
    EXPECT_EQ(openId(), GuidA);
    EXPECT_EQ(changes->count(), 1u);
    controller->openStorage(local, GuidB, {});
    EXPECT_EQ(openId(), GuidB);
    EXPECT_EQ(idsOf(controller->history()), std::vector<std::string>{GuidA});
    EXPECT_EQ(idsOf(controller->backwardStack()), std::vector<std::string>{GuidA});
    controller->openStorage(local, GuidA, {});
    EXPECT_EQ(idsOf(controller->history()), std::vector<std::string>{GuidB});

    // The same map, with an element to select: a place on the stack, no reload.
    changes->received.clear();
    controller->openStorage(local, GuidA, std::string(TopicGuid));
    EXPECT_EQ(changes->count(), 0u);
    EXPECT_EQ(controller->backwardStack().count(), 3u);
    EXPECT_EQ(document->mindMap()->selectedElementGuid(), TopicGuid);
    controller->openStorage(local, GuidA, std::string(TopicGuid));
    controller->openStorage(local, GuidA, {});
    EXPECT_EQ(controller->backwardStack().count(), 3u);

    // Going back does not push the place being left.
    controller->navigateBackward();
    EXPECT_EQ(openId(), GuidA);
    controller->navigateBackward();
    EXPECT_EQ(openId(), GuidB);
    EXPECT_EQ(idsOf(controller->backwardStack()), std::vector<std::string>{GuidA});
}

TEST_F(TwkDocumentControllerTest, ClosingRecordsTheMapAndGoingBackReopensTheNewestRecent)
{
    controller->closeDocument();
    EXPECT_EQ(changes->count(), 0u);
    controller->openStorage(local, GuidA, {});
    controller->closeDocument();
    EXPECT_EQ(openId(), "");
    EXPECT_EQ(idsOf(controller->history()), std::vector<std::string>{GuidA});
    while (controller->backwardStack().pop()) {}
    controller->navigateBackward();
    EXPECT_EQ(openId(), GuidA);
    EXPECT_EQ(controller->history().count(), 0u);
}

TEST_F(TwkDocumentControllerTest, AdsAreCheckedOneSecondAfterASwitch)
{
    controller->openStorage(local, GuidA, {});
    scheduler.advance(0.99);
    EXPECT_TRUE(host.log.empty());
    scheduler.advance(0.02);
    EXPECT_EQ(host.log, std::vector<std::string>{"ads"});
}

TEST_F(TwkDocumentControllerTest, ARememberedMapThatIsGoneLeavesTheEditorEmpty)
{
    const size_t maps = store->count();
    struct Case {
        const char* provider;
        const char* mindMap;
        size_t messages;
    } cases[] = {{"Local", "CCCCCCCCCCCCCCCCCCCCCCCC", 1}, {"Nowhere", "AAAAAAAAAAAAAAAAAAAAAAAA", 0}};
    for (const Case& c : cases) {
        feedback.notifications.clear();
        UserDefaults::standard().setString(TwkDocumentController::ReopenProviderIdKey, c.provider);
        UserDefaults::standard().setString(TwkDocumentController::ReopenMindMapIdKey, c.mindMap);
        EXPECT_TRUE(controller->reopenRememberedMindMap());
        EXPECT_EQ(openId(), "");
        ASSERT_EQ(feedback.notifications.size(), c.messages);
        if (c.messages) {
            EXPECT_EQ(feedback.notifications[0].message, localized("map_list_map_not_found"));
        }
        EXPECT_EQ(store->count(), maps);
    }
    UserDefaults::standard().removeObject(TwkDocumentController::ReopenMindMapIdKey);
    EXPECT_FALSE(controller->reopenRememberedMindMap());
}

// However its file was damaged, a map opens to an alert naming it by its title and saying in
// plain words what is wrong with its file, the parser's finding at most as the last line; its
// record, its file and its place in the folder index all stay, also across starts.
TEST_F(TwkDocumentControllerTest, ADamagedMapIsNamedWhenItDoesNotOpenAndKeepsItsRecord)
{
    const std::string path = mapPath(GuidA);
    const std::string intact = readTestFile(path);
    const auto contents = [&] {
        return fs::is_symlink(path) ? "link" : fs::is_directory(path) ? "folder" : readTestFile(path);
    };
    std::string unclosed = intact;
    unclosed.replace(unclosed.find("text=\"A\""), 8, "text=\"A");
    const std::string picture = documents() + "/../photo.png";
    writeTestFile(picture, std::string("\x89PNG\r\n\x1a\n") + std::string(900, '\x01'));
    const struct {
        const char* what;
        std::function<void()> damage;
        std::string says;
    } cases[] = {
        {"cut in half", [&] { writeTestFile(path, intact.substr(0, intact.size() / 2)); },
         "The map document breaks off before its end: it was cut short."},
        {"garbage", [&] { writeTestFile(path, std::string(600, '\x9f')); },
         "It holds no map document at all: it is a file of another kind, or damaged beyond reading."},
        {"malformed XML", [&] { writeTestFile(path, unclosed); },
         "The map document is damaged: from some point on, it is not written the way a map is."},
        {"empty", [&] { writeTestFile(path, ""); }, "Its file is empty."},
        {"a container whose document is malformed",
         [&] { ArchiveTest::writeBytes(path, containerOf(bytesOf("<tarnwick-mindmaps><mindmap><meta"))); },
         "The map document breaks off before its end: it was cut short."},
        {"a folder", [&] { fs::create_directory(path); }, "A folder stands where its file should be."},
        {"a link to itself", [&] { fs::create_symlink(path, path); }, "Its file is a link that leads back to itself."},
        {"a link to a picture", [&] { fs::create_symlink(picture, path); },
         "Its file is a link to \u201C" + fs::canonical(picture).string() + "\u201D, which holds no map."},
    };
    const std::string detail = "\n\n" + localizedFormat(ErrorAlert::DetailKey, {""});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        controller->closeDocument();
        fs::remove_all(path);
        writeTestFile(path, intact);
        store = restart(); // leaves the intact map's title in the index and the cache
        fs::remove(path);
        c.damage();
        const std::string damaged = contents();
        store = restart();
        ASSERT_NE(store->mindMapByGuid(GuidA), nullptr);
        controller->asyncOpenMindMap("Local", GuidB, {});
        ASSERT_EQ(openId(), GuidB);
        host.errors.clear();
        controller->asyncOpenMindMap("Local", GuidA, {});
        ASSERT_EQ(host.errors.size(), 1u);
        const Error& said = host.errors[0];
        EXPECT_EQ(said.localizedDescription, "The map \u201CAlpha\u201D could not be opened.");
        EXPECT_EQ(said.failureReason.substr(0, said.failureReason.find("\n\n")), c.says);
        const std::string plain = said.failureReason.substr(0, said.failureReason.find(detail));
        EXPECT_EQ(plain, c.says + "\n\n" + localized("map_open_error_kept")) << "the technical detail comes last";
        EXPECT_EQ(plain.find("offset"), std::string::npos) << said.failureReason;
        EXPECT_EQ((said.localizedDescription + said.failureReason).find(GuidA), std::string::npos);
        EXPECT_EQ(contents(), damaged);
        store = restart();
        EXPECT_TRUE(store->mindMapByGuid(GuidA)->isDamaged());
        EXPECT_NE(readTestFile(documents() + "/folder-index.xml").find("name=\"Alpha\" id=\"" + GuidA + "\""),
                  std::string::npos);
    }
}

// Settings back at their defaults, and maps out of their folders, are told once in the window,
// with where the unreadable file went.
TEST_F(TwkDocumentControllerTest, DamagedSettingsOrFolderIndexAreSaidInTheWindow)
{
    const std::string settings = Folders::configFolder() + "/defaults.plist";
    const std::string index = documents() + "/folder-index.xml";
    // The store writes its index as it lets go: the damage comes after.
    const struct {
        std::string file;
        std::function<void()> letGo, reread;
        std::string says;
    } cases[] = {
        {settings, [] {}, [] { UserDefaults::standard().resetForTesting(); }, "Your settings could not be read."},
        {index, [] { MindMapStore::releaseMindMapStoreInstance(); }, [&] { store = start(); },
         "The folders of your maps could not be read."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.says);
        host.errors.clear();
        c.letGo();
        fs::create_directories(fs::path(c.file).parent_path());
        writeTestFile(c.file, "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>autoSa");
        c.reread();
        for (int start = 0; start < 2; ++start) {
            TwkDocumentController starting(scheduler, host, services);
            starting.makeSingletonDocument();
            scheduler.advance(0);
        }
        ASSERT_EQ(host.errors.size(), 1u);
        EXPECT_EQ(host.errors[0].localizedDescription, c.says);
        // The path stands whole on a line of its own, so that a copy of it is a path that works.
        const std::string reason = host.errors[0].failureReason + "\n";
        EXPECT_NE(reason.find("\n" + c.file + ".corrupt\n"), std::string::npos) << reason;
    }
}

namespace {

// A cloud provider whose keyring has not answered yet: it says whether the user is signed in only
// when the test lets it.
class UnansweredCloud : public MindMapProvider {
public:
    UnansweredCloud() : MindMapProvider(MindMapProviderDropbox) {}
    void whenSignInKnown(std::function<void()> then) override { waiting.push_back(std::move(then)); }
    void asyncOpenStorage(const std::string& mindMapId, const std::any&) override { opened.push_back(mindMapId); }
    void answer()
    {
        std::vector<std::function<void()>> now = std::move(waiting);
        waiting.clear();
        for (const std::function<void()>& then : now) then();
    }
    std::vector<std::function<void()>> waiting;
    std::vector<std::string> opened;
};

} // namespace

TEST_F(TwkDocumentControllerTest, ARememberedCloudMapWaitsForItsProviderToKnowWhetherTheUserIsSignedIn)
{
    struct Case {
        const char* what;
        std::function<void()> meanwhile;
        std::vector<std::string> opened;
        std::string openAfter;
    };
    const std::string cloudMap = "/Tarnwick/Plan.twkx";
    const Case cases[] = {
        {"an answer soon", [] {}, {cloudMap}, ""},
        {"an answer just within the wait",
         [&] { scheduler.advance(TwkDocumentController::ReopenSignInWait - 0.5); },
         {cloudMap},
         ""},
        {"an answer after the wait", [&] { scheduler.advance(TwkDocumentController::ReopenSignInWait + 1); }, {}, ""},
        {"a map the user opened meanwhile", [&] { controller->openStorage(local, GuidA, {}); }, {}, GuidA},
    };
    UserDefaults::standard().setString(TwkDocumentController::ReopenProviderIdKey, "Dropbox");
    UserDefaults::standard().setString(TwkDocumentController::ReopenMindMapIdKey, cloudMap);
    for (const Case& c : cases) {
        auto cloud = std::make_shared<UnansweredCloud>();
        MindMapProviders::instance().registerProvider(cloud);
        controller->closeDocument();
        EXPECT_TRUE(controller->reopenRememberedMindMap()) << c.what;
        EXPECT_TRUE(cloud->opened.empty()) << c.what << ": nothing opens before the answer";
        c.meanwhile();
        cloud->answer();
        EXPECT_EQ(cloud->opened, c.opened) << c.what;
        EXPECT_EQ(openId(), c.openAfter) << c.what;
        cloud->answer();
        scheduler.advance(TwkDocumentController::ReopenSignInWait * 2);
        EXPECT_EQ(cloud->opened, c.opened) << c.what << ": the map opens once at most";
        MindMapProviders::instance().unregisterProvider(cloud.get());
    }

    // The controller goes with the window before the keyring answers.
    auto cloud = std::make_shared<UnansweredCloud>();
    MindMapProviders::instance().registerProvider(cloud);
    EXPECT_TRUE(controller->reopenRememberedMindMap());
    controller.reset();
    cloud->answer();
    EXPECT_TRUE(cloud->opened.empty());
    MindMapProviders::instance().unregisterProvider(cloud.get());
}

TEST_F(TwkDocumentControllerTest, FilesFromTheStoreFolderOpenByGuidAndOthersAreImported)
{
    const std::string outside = dataHome() + "/outside";
    fs::create_directories(outside);
    writeTestFile(outside + "/" + GuidB + ".twkx", nativeDocument(GuidB, "Copy", "<topic text=\"copy\"/>"));
    // The store's folder reached through a link is still the store's folder.
    fs::create_directory_symlink(documents(), dataHome() + "/linked");

    const size_t maps = store->count();
    ASSERT_TRUE(controller->openDocumentWithContentsOfFile(dataHome() + "/linked/" + GuidA + ".twkx"));
    EXPECT_EQ(openId(), GuidA);
    EXPECT_EQ(store->count(), maps);
    // The store has a map of that GUID: the user is asked, and imports it as a new one.
    maptest::ScriptedCommandPrompts prompts;
    prompts.alertAnswers = {MindMapImporter::ImportAsNewAnswer};
    maptest::ScopedCommandPrompts installed(prompts);
    ASSERT_TRUE(controller->openDocumentWithContentsOfFile(outside + "/" + GuidB + ".twkx"));
    EXPECT_EQ(store->count(), maps + 1);
    EXPECT_EQ(prompts.alerts.size(), 1u);

    const std::pair<std::string, bool> importable[] = {
        {documents() + "/" + GuidA + ".twkx", false},
        {dataHome() + "/linked/" + GuidA + ".twkx", false},
        {outside + "/" + GuidB + ".twkx", true},
    };
    for (const auto& [path, enabled] : importable)
        EXPECT_EQ(TwkDocumentController::shouldEnableFileForImport(path), enabled) << path;

    using Types = std::vector<std::string>;
    EXPECT_EQ(TwkDocumentController::importPanelTypes({"opml", "html", "public.html", "pdf"}),
              (Types{"opml", "pdf", "twkx"}));
    TwkDocumentController::rememberImportDirectory({outside + "/" + GuidB + ".twkx"});
    EXPECT_EQ(TwkDocumentController::currentDirectory(), outside);
    fs::remove_all(outside);
    EXPECT_NE(TwkDocumentController::currentDirectory(), outside);

    Error error;
    writeTestFile(documents() + "/" + "CCCCCCCCCCCCCCCCCCCCCCCC.twkx", "not a map");
    EXPECT_FALSE(controller->openDocumentWithContentsOfFile(documents() + "/CCCCCCCCCCCCCCCCCCCCCCCC.twkx", &error));
    EXPECT_EQ(error.code, 1);
}

namespace {

// Local copies of cloud maps, opened through cache folders as the services open theirs.
class CopiesCloud : public ExternalProvider {
public:
    explicit CopiesCloud(const std::string& root) : ExternalProvider(MindMapProviderDropbox, root) {}
    std::shared_ptr<MindMapStorage> createStorage(const std::string& id) override
    {
        const std::string cache = claimCacheDirectory();
        if (cache.empty() || !fs::create_directories(cache)) return nullptr;
        return MindMapStorage::create<ExternalMindMapStorage>(this, id, cacheFilePathForFileId(id), cache);
    }
};

} // namespace

// A cloud copy that does not open is said with the reason its reader gave, as a file of the store
// is, instead of as a copy that is not there.
TEST_F(TwkDocumentControllerTest, ACloudCopyThatDoesNotOpenSaysWhy)
{
    const std::string root = dataHome() + "/cloud";
    fs::create_directories(root);
    auto cloud = std::make_shared<CopiesCloud>(root);
    MindMapProviders::instance().registerProvider(cloud);
    ArchiveTest::Bytes pastTheLimits = containerOf(bytesOf(nativeDocument(GuidB, "Big")));
    ArchiveTest::setDirectorySizes(pastTheLimits, 600u << 20);
    const struct {
        const char* what;
        ArchiveTest::Bytes copy;
        std::string reason;
    } cases[] = {
        {"a container past the archive limits", pastTheLimits,
         "An entry of the archive would unpack to 600.0 MB; entries of at most 512.0 MB can be read."},
        {"a container of topics nested past the depth limit",
         containerOf(bytesOf(nativeDocument(GuidB, "Deep", topicChain(2001)))),
         "Its topics are nested 2001 levels deep"},
    };
    for (const auto& c : cases) {
        ArchiveTest::writeBytes(root + "/Big.twkx", c.copy);
        host.errors.clear();
        controller->openStorage(cloud.get(), "Big.twkx", {});
        ASSERT_EQ(host.errors.size(), 1u) << c.what;
        EXPECT_NE(host.errors[0].failureReason.find(c.reason), std::string::npos)
            << c.what << ": " << host.errors[0].failureReason;
        EXPECT_EQ(ArchiveTest::readBytes(root + "/Big.twkx"), c.copy) << c.what;
    }
    MindMapProviders::instance().unregisterProvider(cloud.get());
}

TEST_F(TwkDocumentControllerTest, BytesJustWrittenAreReadInsteadOfTheFileForThatOpenOnly)
{
    // Bytes that differ from the file show which was read.
    const std::string handed = nativeDocument(GuidA, "Alpha", "<topic text=\"handed\"/>");
    const struct {
        const char* what;
        std::string guid;
        MindMapData written;
        std::string firstTopic;
    } opens[] = {
        {"handed bytes", GuidA, bytesOf(handed), "handed"},
        {"another map", GuidB, {}, "B"},
        {"the same map again", GuidA, {}, "A"},
        {"bytes for a map the store lacks", "CCCCCCCCCCCCCCCCCCCCCCCC", bytesOf(handed), "A"},
        {"no bytes", GuidB, {}, "B"},
        {"then the map they were for", GuidA, {}, "A"},
    };
    for (const auto& open : opens) {
        controller->openLocalMindMapOnGuid(open.guid, open.written);
        ASSERT_FALSE(document->mindMap()->nodes().empty()) << open.what;
        EXPECT_EQ(document->mindMap()->nodes().front()->text(), open.firstTopic) << open.what;
    }
}

TEST_F(TwkDocumentControllerTest, ClosingTheWindowCommitsBeforeDetachingAndRemembersTheMap)
{
    controller->openStorage(local, GuidA, {});
    document->mindMap()->setCustomTitle("Edited before closing");
    document->updateChangeCount(MindMapDocumentOwner::ChangeKind::Done);
    controller->mindMapEditorWillClose();
    controller->mindMapEditorWillClose();
    EXPECT_NE(fileText(mapPath(GuidA)).find("Edited before closing"), std::string::npos);
    EXPECT_EQ(UserDefaults::standard().stringForKey(TwkDocumentController::ReopenProviderIdKey), "Local");
    EXPECT_EQ(UserDefaults::standard().stringForKey(TwkDocumentController::ReopenMindMapIdKey), GuidA);
    EXPECT_EQ(controller->singletonDocument(), nullptr);

    // Quitting with the editor empty forgets the map.
    auto again = std::make_unique<TwkDocumentController>(scheduler, host, services);
    again->makeSingletonDocument();
    EXPECT_EQ(again->applicationShouldTerminate(), TwkDocumentController::TerminateReply::Now);
    EXPECT_FALSE(UserDefaults::standard().hasUserValue(TwkDocumentController::ReopenProviderIdKey));
    EXPECT_FALSE(UserDefaults::standard().hasUserValue(TwkDocumentController::ReopenMindMapIdKey));
}

TEST_F(TwkDocumentControllerTest, LocalImagesAreCleanedUpOnEveryTenthQuit)
{
    UserDefaults& defaults = UserDefaults::standard();
    defaults.setInteger(TwkDocumentController::NextLocalImagesCleanupKey, 4);
    EXPECT_EQ(controller->createCleanupLocalImagesProcess(), nullptr);
    EXPECT_EQ(defaults.integerForKey(TwkDocumentController::NextLocalImagesCleanupKey), 4);

    defaults.setBool(TwkDocumentController::CleanupLocalImagesKey, true);
    defaults.setInteger(TwkDocumentController::NextLocalImagesCleanupKey, 0);
    int made = 0;
    controller->setCleanupProcessFactory([&] {
        ++made;
        return std::make_unique<ScriptedProcess>(&host.log, true);
    });
    for (int quit = 1; quit <= 9; ++quit) {
        EXPECT_EQ(controller->createCleanupLocalImagesProcess(), nullptr);
        EXPECT_EQ(defaults.integerForKey(TwkDocumentController::NextLocalImagesCleanupKey), quit);
    }
    EXPECT_NE(controller->createCleanupLocalImagesProcess(), nullptr);
    EXPECT_EQ(made, 1);
    EXPECT_EQ(defaults.integerForKey(TwkDocumentController::NextLocalImagesCleanupKey), 0);
}

TEST_F(TwkDocumentControllerTest, QuittingWaitsForRunningProcessesBehindOneWindow)
{
    services.uploads = true;
    controller->openStorage(local, GuidA, {});
    host.log.clear();
    using Reply = TwkDocumentController::TerminateReply;
    EXPECT_EQ(controller->applicationShouldTerminate(), Reply::Cancel);
    EXPECT_EQ(controller->applicationShouldTerminate(), Reply::Cancel);
    EXPECT_EQ(host.log, (std::vector<std::string>{"run", "close windows", "termination window 1"}));
    services.running->setCompleted();
    EXPECT_EQ(host.log.back(), "terminate");
    EXPECT_EQ(controller->applicationShouldTerminate(), Reply::Now);

    host.log.clear();
    controller->applicationWillTerminate();
    EXPECT_EQ(host.log, (std::vector<std::string>{"dropbox session", "drive session", "device link"}));
    EXPECT_EQ(MindMapStore::existingInstance(), nullptr);
}

TEST_F(TwkDocumentControllerTest, ProcessesThatFinishAtOnceStillQuitThroughASecondRequest)
{
    services.uploads = true;
    services.completesAtOnce = true;
    using Reply = TwkDocumentController::TerminateReply;
    EXPECT_EQ(controller->applicationShouldTerminate(), Reply::Cancel);
    EXPECT_EQ(host.log, (std::vector<std::string>{"run", "terminate"}));
    EXPECT_EQ(controller->applicationShouldTerminate(), Reply::Now);
}

// Back is there while a place or a recent map is; the history menu lists the recent maps by title
// and opens the one chosen; nothing is offered once the application quits.
TEST_F(TwkDocumentControllerTest, BackAndTheHistoryMenuFollowTheListsAndOpenTheMapChosen)
{
    const MenuItem back("Back", "navigateBackward:");
    const MenuItem close("Close", "closeDocument:");
    auto enabled = [&](const MenuItem& item) { return controller->validateUserInterfaceItem(item).enabled; };
    EXPECT_FALSE(enabled(back));
    EXPECT_FALSE(enabled(close));

    HistoryMenu menu;
    // The controller is the test's; the menu only borrows it.
    const std::shared_ptr<TwkDocumentController> borrowed(controller.get(), [](TwkDocumentController*) {});
    menu.setController(borrowed);
    controller->openStorage(local, GuidA, {});
    EXPECT_TRUE(enabled(close));
    EXPECT_FALSE(enabled(back));
    menu.menuNeedsUpdate();
    EXPECT_TRUE(menu.items().empty()) << "the open map is not a recent one";

    controller->openStorage(local, GuidB, {});
    EXPECT_TRUE(enabled(back));
    menu.menuNeedsUpdate();
    ASSERT_EQ(menu.items().size(), 1u);
    const MenuItem& alpha = *menu.items()[0];
    EXPECT_EQ(alpha.title(), "Alpha");
    EXPECT_TRUE(enabled(alpha));
    EXPECT_FALSE(enabled(MenuItem("Stray", HistoryMenu::ItemAction))) << "an item without a place";
    EXPECT_TRUE(controller->performAction(alpha.action(), &alpha));
    EXPECT_EQ(openId(), GuidA);

    // Only the recent list left: Back still opens its newest map.
    while (controller->backwardStack().pop()) {}
    EXPECT_TRUE(enabled(back));
    EXPECT_TRUE(controller->performAction("navigateBackward:", &back));
    EXPECT_EQ(openId(), GuidB);
    EXPECT_TRUE(controller->performAction("closeDocument:", &close));
    EXPECT_EQ(openId(), "");

    EXPECT_EQ(controller->applicationShouldTerminate(), TwkDocumentController::TerminateReply::Now);
    EXPECT_FALSE(enabled(back)) << "quitting";
}

using QuitChoice = TwkDocumentController::QuitChoice;
using SwitchChoice = TwkDocumentController::SwitchChoice;

// The user before the question about a map that cannot be saved: each question gets the next
// step's choice (none: the alert is closed without one), after the user may have freed some
// space meanwhile. Once the steps run out the alert is closed.
template <class Choice> class CommitQuestions : public AlertPanel {
public:
    struct Step {
        std::optional<Choice> choice;
        bool freesSpace = false;
    };
    CommitQuestions(std::vector<Step> script, std::function<void()> freeSpace)
        : steps(script.begin(), script.end()), _freeSpace(std::move(freeSpace))
    {
        AlertPanel::setShared(this);
    }
    ~CommitQuestions() override { AlertPanel::setShared(nullptr); }
    Answer runModal(const Request& request) override
    {
        requests.push_back(request);
        if (steps.empty()) return {};
        const Step step = steps.front();
        steps.pop_front();
        if (step.freesSpace) _freeSpace();
        return {step.choice ? int(*step.choice) : Dismissed, {}};
    }
    std::deque<Step> steps;
    std::vector<Request> requests;

private:
    std::function<void()> _freeSpace;
};
using QuitQuestions = CommitQuestions<QuitChoice>;

// A map the disk refuses at quit stops the quit and the window's close alike until the user
// chooses: trying again writes it once there is room, cancelling keeps the program with the edit
// open, and only quitting without saving lets the edit go. The question names the map by its
// title, never by the id its file is named with.
TEST_F(TwkDocumentControllerTest, AMapThatCannotBeSavedAtQuitWaitsForTheUsersChoice)
{
    const std::string stored = fileText(mapPath(GuidA));
    using Step = QuitQuestions::Step;
    struct Case {
        const char* what;
        bool refused;
        std::vector<Step> steps;
        bool quits;
        bool saved;
    };
    const Case cases[] = {
        {"saved at once", false, {}, true, true},
        {"tried again once there is room", true, {{QuitChoice::TryAgain, true}}, true, true},
        {"tried again too soon, then with room",
         true,
         {{QuitChoice::TryAgain, false}, {QuitChoice::TryAgain, true}},
         true,
         true},
        {"cancelled", true, {{QuitChoice::Stay, false}}, false, false},
        {"closed without a choice", true, {{std::nullopt, false}}, false, false},
        {"quit without saving", true, {{QuitChoice::QuitWithoutSaving, false}}, true, false},
    };
    const std::string edit = "Typed before quitting";
    for (const bool closingTheWindow : {false, true}) {
        auto quit = [&] {
            return closingTheWindow
                ? controller->mindMapEditorWillClose()
                : controller->applicationShouldTerminate() == TwkDocumentController::TerminateReply::Now;
        };
        for (const Case& c : cases) {
            const std::string what = std::string(c.what) + (closingTheWindow ? ", closing the window" : ", quitting");
            writeTestFile(mapPath(GuidA), stored);
            UserDefaults::standard().removeObject(TwkDocumentController::ReopenMindMapIdKey);
            controller = std::make_unique<TwkDocumentController>(scheduler, host, services);
            document = controller->makeSingletonDocument();
            document->setWindow(&window);
            controller->openStorage(local, GuidA, {});
            document->mindMap()->setCustomTitle(edit);
            document->updateChangeCount(MindMapDocumentOwner::ChangeKind::Done);
            if (c.refused) refuseMapFile();
            host.errors.clear();
            host.releases = 0;
            QuitQuestions questions(c.steps, [this] { freeSpace(); });

            EXPECT_EQ(quit(), c.quits) << what;
            freeSpace();
            EXPECT_EQ(questions.requests.size(), c.steps.size()) << what;
            for (const AlertPanel::Request& request : questions.requests)
                expectCommitQuestion(request, edit, "Quit Without Saving", what);
            EXPECT_EQ(fileText(mapPath(GuidA)).find(edit) != std::string::npos, c.saved) << what;
            EXPECT_TRUE(host.errors.empty()) << what << ": " << host.log.back();
            EXPECT_EQ(controller->isTerminated(), c.quits) << what;
            EXPECT_EQ(host.releases, c.quits ? 1 : 0) << what;
            if (c.quits) {
                EXPECT_EQ(UserDefaults::standard().stringForKey(TwkDocumentController::ReopenMindMapIdKey), GuidA)
                    << what;
                continue;
            }
            // The program stays with the edit open; the next road out, with room, saves it unasked.
            ASSERT_EQ(controller->singletonDocument(), document) << what;
            EXPECT_EQ(openId(), GuidA) << what;
            EXPECT_TRUE(document->isDocumentEdited()) << what;
            EXPECT_FALSE(controller->isQuitting()) << what;
            EXPECT_FALSE(UserDefaults::standard().hasUserValue(TwkDocumentController::ReopenMindMapIdKey)) << what;
            EXPECT_TRUE(quit()) << what;
            EXPECT_EQ(questions.requests.size(), c.steps.size()) << what;
            EXPECT_NE(fileText(mapPath(GuidA)).find(edit), std::string::npos) << what;
        }
    }
}

// Every road that puts another map, or none, in the place of one whose edit cannot be saved
// waits for the user's choice, asked as the quit asks: trying again saves the edit once there is
// room, cancelling keeps the map open with it and leaves the lists and the store as they were,
// and only discarding the changes lets the edit go.
TEST_F(TwkDocumentControllerTest, AMapThatCannotBeSavedStaysOpenUntilTheUserChoosesToLeaveIt)
{
    const std::string handedOver = dataHome() + "/outside/Gamma.twkx";
    fs::create_directories(dataHome() + "/outside");
    writeTestFile(handedOver, nativeDocument("CCCCCCCCCCCCCCCCCCCCCCCC", "Gamma", "<topic text=\"G\"/>"));
    const std::string aNewMap = "a map new to the store";
    const struct {
        const char* name;
        std::function<void()> take;
        std::string opens;
    } roads[] = {
        {"a click in a list", [&] { controller->openStorage(local, GuidB, {}); }, GuidB},
        {"a link or the history menu", [&] { controller->asyncOpenMindMap("Local", GuidB, {}); }, GuidB},
        {"Back", [&] { controller->navigateBackward(); }, GuidB},
        {"New", [&] { controller->newDocument(); }, aNewMap},
        {"Duplicate", [&] { controller->duplicateDocument(); }, aNewMap},
        {"Import", [&] { controller->importDocumentWithContentsOfFile(handedOver); }, aNewMap},
        {"a file of the store handed over", [&] { controller->openDocumentWithContentsOfFile(mapPath(GuidB)); }, GuidB},
        {"Close", [&] { controller->closeDocument(); }, ""},
    };
    const struct {
        const char* name;
        SwitchChoice choice;
        bool leaves;
        bool saved;
    } choices[] = {
        {"cancelled", SwitchChoice::Stay, false, false},
        {"tried again with room", SwitchChoice::TryAgain, true, true},
        {"changes discarded", SwitchChoice::DiscardChanges, true, false},
    };
    const std::string stored = fileText(mapPath(GuidA));
    const std::string edit = "Typed before leaving";
    for (const auto& road : roads) {
        for (const auto& choice : choices) {
            const std::string what = std::string(road.name) + ", " + choice.name;
            controller = std::make_unique<TwkDocumentController>(scheduler, host, services);
            SetEditorInterfaceInstance({controller.get(), [](TwkDocumentController*) {}});
            document = controller->makeSingletonDocument();
            writeTestFile(mapPath(GuidA), stored);
            for (const auto& map : std::vector(store->mindMaps()))
                if (map->guid() != GuidA && map->guid() != GuidB) store->deleteMindMap(map.get());
            controller->openStorage(local, GuidB, {});
            controller->openStorage(local, GuidA, {});
            document->mindMap()->setCustomTitle(edit);
            document->updateChangeCount(MindMapDocumentOwner::ChangeKind::Done);
            refuseMapFile();
            const size_t maps = store->count();
            const std::vector<std::string> back = idsOf(controller->backwardStack());
            host.errors.clear();
            // The user frees some space before answering: only trying again saves the edit.
            CommitQuestions<SwitchChoice> questions({{choice.choice, true}}, [this] { freeSpace(); });
            int keptOpen = 0;
            ObservationToken kept = NotificationCenter::defaultCenter().addObserver(
                TwkDocumentController::KeptOpenMapNotification, nullptr, [&](const Notification&) { ++keptOpen; });

            road.take();
            freeSpace();
            ASSERT_EQ(questions.requests.size(), 1u) << what;
            expectCommitQuestion(questions.requests[0], edit, "Discard Changes", what);
            EXPECT_TRUE(host.errors.empty()) << what << ": no alert besides the question";
            EXPECT_EQ(fileText(mapPath(GuidA)).find(edit) != std::string::npos, choice.saved) << what;
            // The lists that selected another map hear that the open one stays.
            EXPECT_EQ(keptOpen, choice.leaves ? 0 : 1) << what;
            if (!choice.leaves) {
                EXPECT_EQ(openId(), GuidA) << what;
                EXPECT_TRUE(document->isDocumentEdited()) << what;
                EXPECT_EQ(store->count(), maps) << what;
                EXPECT_EQ(idsOf(controller->backwardStack()), back) << what;
            } else if (road.opens == aNewMap) {
                EXPECT_EQ(store->count(), maps + 1) << what;
                EXPECT_NE(openId(), GuidA) << what;
                EXPECT_NE(openId(), "") << what;
            } else {
                EXPECT_EQ(openId(), road.opens) << what;
            }
            SetEditorInterfaceInstance(nullptr);
        }
    }
}

// Every write of the quit that fails is said, in one alert at the end: the navigation history
// and the settings, which hold the map to reopen. The files saved before stay as they were.
TEST_F(TwkDocumentControllerTest, EveryWriteTheQuitCannotMakeIsSaidInOneAlert)
{
    struct Case {
        const char* what;
        bool historyFails;
        bool settingsFail;
        std::vector<std::string> lines;
    };
    const std::string history = "The list of recently opened maps: Is a directory.";
    const std::string settings = "The settings, with the map to open at the next start: Not a directory.";
    const Case cases[] = {
        {"every write made", false, false, {}},
        {"the history refused", true, false, {history}},
        {"the settings refused", false, true, {settings}},
        {"both refused", true, true, {history, settings}},
    };
    for (const Case& c : cases) {
        store = start();
        local = MindMapProviders::localProvider();
        controller = std::make_unique<TwkDocumentController>(scheduler, host, services);
        document = controller->makeSingletonDocument();
        controller->openStorage(local, GuidA, {});
        // A folder where the history's file goes, a file where the settings' folder goes.
        const std::string historyFile = MindMapStore::appSupportDirectory() + "/" + RecentHistoryList::HistoryFileName;
        const std::string settingsFolder = Folders::configFolder();
        if (c.historyFails) {
            fs::remove(historyFile);
            fs::create_directories(historyFile);
        }
        if (c.settingsFail) {
            fs::remove_all(settingsFolder);
            writeTestFile(settingsFolder, "");
        }
        host.errors.clear();

        EXPECT_EQ(controller->applicationShouldTerminate(), TwkDocumentController::TerminateReply::Now) << c.what;
        controller->applicationWillTerminate();
        if (c.lines.empty()) {
            EXPECT_TRUE(host.errors.empty()) << c.what;
        } else {
            ASSERT_EQ(host.errors.size(), 1u) << c.what;
            std::string reason;
            for (const std::string& line : c.lines) reason += line + "\n";
            EXPECT_EQ(host.errors[0].localizedDescription, "Tarnwick could not save everything before quitting.")
                << c.what;
            EXPECT_EQ(host.errors[0].failureReason, reason + "\nThe next start finds them as they were saved before.")
                << c.what;
        }
        fs::remove_all(historyFile);
        fs::remove_all(settingsFolder);
    }
}

} // namespace
