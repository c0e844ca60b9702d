#include "GoogleDrive/GDriveFileTasks.h"

#include "Editor/FeedbackCenter.h"
#include "GoogleDrive/GDriveAuthHelper.h"
#include "GoogleDrive/GDriveFileInfoCache.h"
#include "GoogleDrive/GDriveFolderCache.h"
#include "GoogleDrive/GDriveIdentifierPool.h"
#include "GoogleDrive/GDriveService.h"
#include "GoogleDrive/GDriveSettings.h"
#include "GoogleDrive/GDriveSimpleTasks.h"
#include "Utils/URLUtils.h"
#include "editor-view/PdfPreviewManager.h"
#include "formats/MindMapConverter.h"
#include "formats/TwkxMindMapReader.h"
#include "platform/Image.h"
#include "platform/Localizer.h"
#include "platform/MainLoop.h"
#include "platform/TokenStore.h"
#include "platform/UserDefaults.h"
#include "store/CustomImageStore.h"
#include "store/EditorInterface.h"
#include "store/ExternalProvider.h"
#include "store/ForeignMapConversion.h"
#include "store/MindMapProviders.h"
#include "support/FakeGoogleDriveServer.h"
#include "support/ManualScheduler.h"
#include "support/RecordedFeedback.h"
#include "support/RecordingUriLauncher.h"
#include "support/ScopedEnvironment.h"
#include "support/ScopedNetwork.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

const char* const Opml =
    "<opml version=\"2.0\"><body><outline text=\"Plan\"><outline text=\"Step\"/></outline></body></opml>";

struct OpeningEditor : NullEditorInterface {
    std::vector<std::string> opened;
    std::vector<std::any> infos;
    void openStorage(MindMapProvider*, const std::string& storageId, const std::any& info) override
    {
        opened.push_back(storageId);
        infos.push_back(info);
    }
};

struct PageViewer : PdfPreviewManager::Viewer {
    std::vector<std::pair<std::string, int64_t>> opened;
    bool openPdfFile(const std::string& path, int64_t page) override
    {
        opened.emplace_back(path, page);
        return true;
    }
};

// A cloud that takes copies.
struct TargetProvider : MindMapProvider {
    TargetProvider() : MindMapProvider(MindMapProviderOneDrive) {}
    std::vector<std::tuple<std::string, std::string, std::vector<uint8_t>>> copies;
    std::string performCopyToCloud(const std::string& folderId, const std::string& title,
                                   const std::vector<uint8_t>& data) override
    {
        copies.emplace_back(folderId, title, data);
        return "copied";
    }
};

size_t filesIn(const std::string& folder)
{
    std::error_code error;
    if (!fs::is_directory(folder, error)) return 0;
    return static_cast<size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

// The service signed in on the fake Drive, with a private home, an editor that records what it
// opens and a desktop that records what it is handed.
struct GDriveFileTasksTest : ::testing::Test {
    FakeGoogleDriveServer fake;
    TempDir home;
    ScopedEnvironment data{"XDG_DATA_HOME", home.file("data")};
    ScopedEnvironment config{"XDG_CONFIG_HOME", home.file("config")};
    ScopedEnvironment cache{"XDG_CACHE_HOME", home.file("cache")};
    ScopedEnvironment tmp{"TMPDIR", home.file("tmp")};
    ScopedNetwork network{true};
    HttpEngine engine;
    FileTokenStore store{home.file("cloud-tokens.json")};
    FakeClock clock{5000};
    ManualScheduler scheduler{clock};
    std::unique_ptr<GDriveAuthHelper> auth;
    std::shared_ptr<OpeningEditor> editor = std::make_shared<OpeningEditor>();
    RecordedFeedback told;
    RecordingUriLauncher desktop;
    PageViewer pdfViewer;
    std::unique_ptr<GDrive> service;

    GDriveFileTasksTest()
    {
        UserDefaults::standard().resetForTesting();
        fs::create_directories(home.file("data/Tarnwick"));
        fs::create_directories(home.file("support"));
        fs::create_directories(home.file("tmp"));
        ExternalProvider::resetProvidersDirectoryCleanup();
        SetEditorInterfaceInstance(editor);
        PdfPreviewManager::setViewer(&pdfViewer);
        registerNativeFormat();
        registerForeignFormats();
        fake.issueTokens("access-0", "refresh-0");
        const double expiry =
            std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count() + 3600;
        store.write(GDriveSettings::KeychainItemName, OAuthTokens{"access-0", "refresh-0", expiry, ""}.toJson());
        OAuthSettings signIn;
        signIn.clientId = FakeGoogleDriveServer::ClientId;
        signIn.clientSecret = FakeGoogleDriveServer::ClientSecret;
        signIn.authorizeUrl = fake.authorizeUrl();
        signIn.tokenUrl = fake.tokenUrl();
        auth =
            std::make_unique<GDriveAuthHelper>(engine, store, signIn, GDriveEndpoints{fake.baseUrl(), fake.baseUrl()},
                                               fake.baseUrl() + GDriveSettings::SuccessPath);
    }
    ~GDriveFileTasksTest() override
    {
        service.reset();
        PdfPreviewManager::setViewer(nullptr);
        SetEditorInterfaceInstance(nullptr);
        UserDefaults::standard().resetForTesting();
    }

    void start()
    {
        GDriveServiceSetup setup;
        setup.auth = auth.get();
        setup.scheduler = &scheduler;
        setup.now = [this] { return clock.now(); };
        setup.random = [] { return 0u; };
        setup.supportDirectory = home.file("support");
        service = std::make_unique<GDrive>(std::move(setup));
        service->initiateSession();
        for (int step = 0; step < 200 && !service->isLinked(); ++step) {
            scheduler.advance(0.01);
            MainLoop::runUntil([] { return false; }, 0.01);
        }
        ASSERT_TRUE(service->isLinked());
        MainLoop::runUntil([this] { return !service->synchronizer().isBusy(); }, 10);
        // New files take ids fetched ahead.
        ASSERT_TRUE(MainLoop::runUntil([this] { return !service->identifierPool().identifiers().empty(); }, 10));
        fake.clearLog();
    }
    bool idle()
    {
        return MainLoop::runUntil([] { return !GDrive::userTaskBusy(); }, 10);
    }
    std::string root() { return service->folderCache().rootFolderId(); }
    // A file on the fake that the caches know, with its copy downloaded.
    std::string downloaded(const std::string& name, const std::string& contents, const std::string& parent)
    {
        const std::string id = fake.addFile(name, contents, parent);
        service->setOffLineAvailable(id, true);
        EXPECT_TRUE(idle());
        return id;
    }
};

} // namespace

TEST(GDriveFileTasks, CopiesAreNamedBesideTheirSource)
{
    const std::pair<const char*, const char*> cases[] = {{"Plan.twkx", "Plan Copy.twkx"},
                                                         {"Notes", "Notes Copy"},
                                                         {"a.b.opml", "a.b Copy.opml"},
                                                         {".twkx", ".twkx Copy"}};
    for (const auto& [name, copy] : cases) EXPECT_EQ(GDriveFileTasks::copyName(name), copy) << name;
    EXPECT_EQ(GDriveFileTasks::titleOfName("Plan.twkx"), "Plan");
}

TEST(GDriveFileTasks, ConversionRefusesWhatItCannotReadAndLeavesNoScratchFile)
{
    registerNativeFormat();
    registerForeignFormats();
    TempDir home;
    ScopedEnvironment tmp{"TMPDIR", home.file("tmp")};
    fs::create_directories(home.file("tmp"));
    const MindMapData opml(Opml, Opml + std::strlen(Opml));
    const std::string garbage = "not a map at all";
    const struct {
        const char* name;
        MindMapData bytes;
        const char* link;
        std::string error;
    } cases[] = {
        {"notes.doc", opml, "/x", "Unsupported mind map format"},
        {"notes", opml, "/x", "Unsupported mind map format"},
        {"Guide.pdf", MindMapData(garbage.begin(), garbage.end()), "",
         localized("error_unable_to_convert_to_native_mind_map")},
        {"Guide.pdf", MindMapData(garbage.begin(), garbage.end()), "/Guide.pdf",
         localized("error_unable_to_convert_to_native_mind_map")},
        {"Plan.mm", MindMapData(garbage.begin(), garbage.end()), "/x", ""},
    };
    for (const auto& each : cases) {
        const GDriveFileTasks::Conversion converted =
            GDriveFileTasks::convertToNative(each.bytes, each.name, each.link);
        EXPECT_FALSE(converted.archive) << each.name;
        EXPECT_FALSE(converted.error.empty()) << each.name;
        if (!each.error.empty()) {
            EXPECT_EQ(converted.error, each.error) << each.name;
        }
    }
    const size_t scratch = filesIn(ForeignMapConversion::scratchDirectory());
    const GDriveFileTasks::Conversion converted = GDriveFileTasks::convertToNative(opml, "Plan.OPML", "/Plan.OPML");
    ASSERT_TRUE(converted.archive) << converted.error;
    EXPECT_TRUE(converted.error.empty());
    EXPECT_EQ(filesIn(ForeignMapConversion::scratchDirectory()), scratch) << "the archive's file is gone";
}

TEST_F(GDriveFileTasksTest, OpensMapsAndFilesByIdPathAndLink)
{
    start();
    const std::string docs = fake.addFolder("Docs", "", "DocsId");
    const std::string plan = fake.addFile("Plan.twkx", "map", docs, "PlanId");
    const std::string guide = fake.addFile("Guide.pdf", "%PDF-1.4", docs, "GuideId", "application/pdf");
    fake.addFile("photo.png", "png", docs, "PhotoId", "image/png");

    service->openMindMap("/docs/PLAN.twkx", {});
    ASSERT_TRUE(idle());
    EXPECT_EQ(editor->opened, std::vector<std::string>{plan});

    // A cached map opens without waiting for Drive.
    fake.setDelay(0.2);
    service->openMindMap(plan, {});
    EXPECT_EQ(editor->opened.size(), 2u);
    fake.setDelay(0);
    ASSERT_TRUE(idle());

    service->openCloudLink("/Docs/Guide.PDF#page=3");
    ASSERT_TRUE(idle());
    ASSERT_EQ(pdfViewer.opened.size(), 1u);
    EXPECT_EQ(pdfViewer.opened[0].first, service->provider()->cacheFilePathForFileId(guide));
    EXPECT_EQ(pdfViewer.opened[0].second, 3);

    service->openCloudLink("PhotoId");
    ASSERT_TRUE(idle());
    EXPECT_EQ(desktop.opened,
              std::vector<std::string>{fileURLWithPath(service->provider()->cacheFilePathForFileId("PhotoId"))});

    fake.clearLog();
    service->openCloudLink("/Docs/Nowhere/Guide.pdf#page=1");
    ASSERT_TRUE(idle());
    EXPECT_EQ(
        told.shown,
        std::vector<std::string>{formatText(localized("cloud_path_resolution_error"), {"/Docs/Nowhere/Guide.pdf"}) +
                                 " | /Docs/Nowhere/Guide.pdf | 2"});
    EXPECT_EQ(fake.requestsTo("files.list").size(), 1u) << "one folders-only listing at the missing level";
    EXPECT_EQ(editor->opened.size(), 2u);
}

TEST_F(GDriveFileTasksTest, NothingStartsOrIsSaidWhileAUserTaskRuns)
{
    start();
    const std::string plan = downloaded("Plan.twkx", "map", "");
    fake.addFile("Outline.opml", Opml, "", "OutlineId");
    fake.setDelay(0.2);
    service->addFolder("Busy", root());
    ASSERT_TRUE(GDrive::userTaskBusy());
    int completions = 0;
    std::string imagePath = "unset";
    service->duplicateFile(plan);
    service->convertNonNativeMindMap("OutlineId");
    service->openCloudLink("/Outline.opml");
    service->openMindMap("/Plan.twkx", {});
    service->setOffLineAvailable("OutlineId", true);
    service->getImageFromLink("OutlineId", [&](const std::string& path, const std::string&) {
        ++completions;
        imagePath = path;
    });
    service->renameFile(plan, false, "Other.twkx", root());
    EXPECT_EQ(completions, 1) << "a linked image always hears back";
    EXPECT_EQ(imagePath, "");
    ASSERT_TRUE(idle());
    EXPECT_TRUE(told.shown.empty());
    EXPECT_TRUE(editor->opened.empty());
    EXPECT_FALSE(service->isOffLineAvailable("OutlineId"));
    EXPECT_EQ(fake.idsNamed("Plan Copy.twkx").size(), 0u);
    EXPECT_EQ(fake.idsNamed("Other.twkx").size(), 0u);
    EXPECT_EQ(fake.idsNamed("Busy").size(), 1u);
}

TEST_F(GDriveFileTasksTest, DuplicatesBesideTheSourceUnderAFreeName)
{
    start();
    const std::string docs = fake.addFolder("Docs", "", "DocsId");
    const std::string plan = downloaded("Plan.twkx", "map bytes", docs);
    service->duplicateFile(plan);
    ASSERT_TRUE(idle());
    GDriveFileInfoItem* copy = service->fileInfo().findFileName("Plan Copy.twkx", docs);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(editor->opened, std::vector<std::string>{copy->gdriveId()});
    EXPECT_EQ(readTestFile(service->provider()->cacheFilePathForFileId(copy->gdriveId())), "map bytes");
    const auto& items = FeedbackCenter::feedbackCenter().items();
    const auto said = std::find_if(items.begin(), items.end(),
                                   [](const auto& item) { return item->title() == "Made a copy: Plan Copy.twkx"; });
    ASSERT_NE(said, items.end());
    EXPECT_EQ((*said)->message(), service->provider()->buildPathBasedLink(copy->gdriveId()));
    EXPECT_EQ((*said)->state(), static_cast<unsigned>(FeedbackStateInformation));

    service->duplicateFile(plan);
    ASSERT_TRUE(idle());
    EXPECT_NE(service->fileInfo().findFileName("Plan Copy (1).twkx", docs), nullptr);
}

TEST_F(GDriveFileTasksTest, ConvertsForeignMapsIntoANativeMapBesideThem)
{
    start();
    const std::string docs = fake.addFolder("Docs", "", "DocsId");
    fake.addFile("Outline.opml", Opml, docs, "OutlineId", "text/x-opml");
    fake.addFile("Letter.doc", "doc", docs, "LetterId", "application/msword");
    fake.addFile("Broken.mm", "<map><node", docs, "BrokenId", "application/xml");
    int opened = 0;
    ObservationToken watch = NotificationCenter::defaultCenter().addObserver(
        GDrive::NonNativeMindMapOpenedNotification, nullptr, [&](const Notification&) { ++opened; });
    const size_t scratch = filesIn(ForeignMapConversion::scratchDirectory());

    const struct {
        const char* id;
        std::string message;
    } failures[] = {
        {"LetterId", "Unsupported mind map format"},
        {"BrokenId", ""},
    };
    for (const auto& each : failures) {
        told.shown.clear();
        service->convertNonNativeMindMap(each.id);
        ASSERT_TRUE(idle()) << each.id;
        ASSERT_EQ(told.shown.size(), 1u) << each.id;
        const std::string title = localized("error_unable_to_convert_to_native_mind_map") + " | ";
        EXPECT_EQ(told.shown[0].rfind(title, 0), 0u) << told.shown[0];
        if (!each.message.empty()) {
            EXPECT_EQ(told.shown[0], title + each.message + " | 2");
        }
    }
    EXPECT_TRUE(editor->opened.empty());
    told.shown.clear();
    service->convertNonNativeMindMap("OutlineId");
    ASSERT_TRUE(idle());
    EXPECT_EQ(told.shown, std::vector<std::string>{});
    GDriveFileInfoItem* made = service->fileInfo().findFileName("Outline.twkx", docs);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(editor->opened, std::vector<std::string>{made->gdriveId()});
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(filesIn(ForeignMapConversion::scratchDirectory()), scratch);
}

TEST_F(GDriveFileTasksTest, CopiesToAnotherCloudAndMarksFilesOffline)
{
    start();
    auto target = std::make_shared<TargetProvider>();
    MindMapProviders::instance().registerProvider(target);
    const std::string plan = fake.addFile("Plan.twkx", "plan bytes", "", "PlanId");
    service->copyToCloud(plan, target.get(), "/Maps");
    ASSERT_TRUE(idle());
    ASSERT_EQ(target->copies.size(), 1u);
    EXPECT_EQ(std::get<0>(target->copies[0]), "/Maps");
    EXPECT_EQ(std::get<1>(target->copies[0]), "Plan");
    EXPECT_EQ(std::string(std::get<2>(target->copies[0]).begin(), std::get<2>(target->copies[0]).end()), "plan bytes");
    service->copyToCloud(plan, service->provider(), "/Maps");
    ASSERT_TRUE(idle());
    EXPECT_EQ(target->copies.size(), 1u) << "never to Drive itself";
    MindMapProviders::instance().unregisterProvider(target.get());

    EXPECT_FALSE(service->isOffLineAvailable(plan)) << "a downloaded copy is not yet kept";
    service->setOffLineAvailable(plan, false);
    EXPECT_FALSE(service->isOffLineAvailable(plan));
    service->setOffLineAvailable(plan, true);
    ASSERT_TRUE(idle());
    EXPECT_TRUE(service->isOffLineAvailable(plan));
}

TEST_F(GDriveFileTasksTest, OperationCodesOutsideOneToSixDoNothing)
{
    start();
    const std::string plan = downloaded("Plan.twkx", "map", "");
    int changes = 0;
    ObservationToken watch = NotificationCenter::defaultCenter().addObserver(
        GDrive::UserTaskChangeNotification, nullptr, [&](const Notification&) { ++changes; });
    for (int code : {0, 7, 42}) {
        service->syncCompleted(plan, {{GDrive::OperationKey, code}}, "");
    }
    service->syncCompleted(plan, {}, "");
    EXPECT_TRUE(editor->opened.empty());
    EXPECT_TRUE(told.shown.empty());
    EXPECT_EQ(changes, 4) << "each ends the user task";
    service->syncCompleted(plan, {{GDrive::OperationKey, 1}}, "gone");
    EXPECT_EQ(told.shown, std::vector<std::string>{localized("error_title_error_opening_document") + " | gone | 2"});
}

TEST_F(GDriveFileTasksTest, LinkedImagesAndThumbnails)
{
    start();
    const std::string picture = fake.addFile("photo.png", "png", "", "PhotoId", "image/png");
    std::vector<std::pair<std::string, std::string>> answers;
    service->getImageFromLink(
        picture, [&](const std::string& path, const std::string& link) { answers.emplace_back(path, link); });
    ASSERT_TRUE(MainLoop::runUntil([&] { return !answers.empty(); }, 10));
    EXPECT_EQ(answers[0].first, service->provider()->cacheFilePathForFileId(picture));
    EXPECT_EQ(answers[0].second, service->provider()->buildPathBasedLink(picture));
    ASSERT_TRUE(idle());

    const std::string made = service->createNewMindMap(root(), "Plan");
    ASSERT_FALSE(made.empty());
    EXPECT_EQ(editor->opened, std::vector<std::string>{made});
    const std::string stored = service->thumbnailImages()->customImageFilePath(
        GDrive::thumbnailStoreKey(GDriveFileInfoCache::thumbnailHashForGDriveId(made)));
    EXPECT_FALSE(fs::exists(stored));
    std::shared_ptr<const Image> painted = service->getThumbnailForFileId(made);
    ASSERT_TRUE(painted && !painted->isNull());
    EXPECT_DOUBLE_EQ(painted->size().width, 108);
    EXPECT_DOUBLE_EQ(painted->size().height, 72);
    EXPECT_TRUE(fs::exists(stored)) << "kept under the id's hex hash";
    EXPECT_FALSE(service->getThumbnailForFileId("UnknownId"));
    // Maps as Drive keeps them are archives; a converted one is too.
    const MindMapData opml(Opml, Opml + std::strlen(Opml));
    const std::string zipped = service->provider()->createNewFile(
        "Zipped.twkx", root(), GDriveFileTasks::convertToNative(opml, "Zipped.opml", "/Zipped.opml").archive);
    ASSERT_FALSE(zipped.empty());
    EXPECT_TRUE(service->getThumbnailForFileId(zipped));
    writeTestFile(service->provider()->cacheFilePathForFileId(zipped), "PK\x03\x04 not a zip");
    service->removeThumbnail(GDriveFileInfoCache::thumbnailHashForGDriveId(zipped));
    EXPECT_FALSE(service->getThumbnailForFileId(zipped)) << "a copy that does not read has none";
    service->cleanupThumbnails();
    EXPECT_TRUE(fs::exists(stored)) << "a file's thumbnail stays while the file is known";
    service->fileExternallyChanged(made);
    EXPECT_FALSE(fs::exists(stored)) << "a new version is painted anew";
    ASSERT_TRUE(service->getThumbnailForFileId(made));
    service->fileInfo().remove(made);
    service->cleanupThumbnails();
    EXPECT_FALSE(fs::exists(stored)) << "a forgotten file's thumbnail goes";
    ASSERT_TRUE(service->fileInfo().get(made) == nullptr);
    service->fileInfo().update([&] {
        GDriveMetadata metadata(made, std::string("twkx"));
        metadata.name = "Plan.twkx";
        metadata.parentIdentifier = root();
        return metadata;
    }());

    fs::remove(stored);
    NotificationCenter::defaultCenter().post(WillTerminateNotification, nullptr);
    EXPECT_FALSE(service->createThumbnail(*service->fileInfo().get(made))) << "none while quitting";
}
