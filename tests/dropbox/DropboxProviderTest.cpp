#include "DropboxServiceDouble.h"

#include "Editor/FeedbackCenter.h"
#include "MindMaps/MindMap.h"
#include "dropbox/DropboxFileInfoCache.h"
#include "dropbox/DropboxStorage.h"
#include "formats/TwkxMindMapReader.h"
#include "platform/FileUtils.h"
#include "platform/Localizer.h"
#include "store/MindMapSearchCache.h"
#include "store/MindMapSearchInfo.h"
#include "support/RecordedFeedback.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

struct DropboxProviderTest : ::testing::Test {
    TempDir home;
    ScopedEnvironment data{"XDG_DATA_HOME", home.file("data")};
    ScopedNetwork network{true};
    DropboxServiceDouble service{home.file("records.xml")};
    RecordedFeedback notifications;
    std::unique_ptr<DropboxProvider> provider;
    std::string root;

    DropboxProviderTest()
    {
        registerNativeFormat();
        fs::create_directories(home.file("data/Tarnwick"));
        ExternalProvider::resetProvidersDirectoryCleanup();
        provider = std::make_unique<DropboxProvider>(service);
        root = provider->rootDirectory();
        // The log holds a bounded number of items: counting new ones needs room for them.
        FeedbackCenter::feedbackCenter().clearFeedbackItems();
    }

    bool isNew(const std::string& dbPath)
    {
        const DropboxFileInfoItem* record = service.records.get(dbPath);
        return record && record->isNew();
    }

    std::shared_ptr<DropboxStorage> storageFor(const std::string& dbPath)
    {
        const std::string cacheFile = provider->cacheFilePathForDbPath(dbPath);
        fs::create_directories(fs::path(cacheFile).parent_path());
        writeTestFile(cacheFile, "map");
        return std::dynamic_pointer_cast<DropboxStorage>(provider->createStorage(dbPath));
    }
};

} // namespace

TEST_F(DropboxProviderTest, CachePathsMirrorTheDropboxTreeInLowerCaseAndStayInsideTheRoot)
{
    EXPECT_EQ(root, home.file("data/Tarnwick/dropbox-cache") + "/");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"/", root},
        {"", root},
        {"\\A\\B.twkx", root + "a/b.twkx"},
        {"/Projects/Plan.TWKX", root + "projects/plan.twkx"},
        {"/Maps/", root + "maps"},
        {"/\xc3\x84rger.twkx", root + "a\xcc\x88rger.twkx"},
        {"/../outside.twkx", ""},
        {"/Maps/../../outside.twkx", ""},
        {"/Maps/./x.twkx", ""},
        {"/Maps//x.twkx", ""},
    };
    for (const auto& [dbPath, cachePath] : cases) {
        EXPECT_EQ(provider->cacheFilePathForDbPath(dbPath), cachePath) << dbPath;
        EXPECT_EQ(provider->cacheFilePathForFileId(dbPath), cachePath) << dbPath;
    }
}

TEST_F(DropboxProviderTest, MapIdsAreDropboxPathsOfNativeMapsWhileLinked)
{
    const std::vector<std::pair<std::string, bool>> cases = {
        {"/a.twkx", true}, {"/Work/Plan.twkx", true}, {"a.twkx", false}, {"/a.TWKX", false},
        {"", false},       {"/folder", false},
    };
    for (const auto& [id, valid] : cases) EXPECT_EQ(provider->isValidMapId(id), valid) << id;
    service.authorized = false;
    EXPECT_FALSE(provider->isValidMapId("/a.twkx"));
    EXPECT_EQ(provider->id(), DropboxProvider::ProviderId);
}

TEST_F(DropboxProviderTest, NewMapsAreNamedFromTheirTitleMadeUniqueRecordedAndUploaded)
{
    const std::string hundred(100, 'x');
    const std::vector<std::tuple<std::string, std::string, std::string>> cases = {
        {"/", hundred, "/" + std::string(70, 'x') + ".twkx"},
        {"", "<>:\"/\\|?*", "/" + localized("mindmap_default_mind_map_name") + ".twkx"},
        {"/Work/", "  Trip:  to\tParis? ", "/Work/Trip to Paris.twkx"},
        {"/Work", "Trip to Paris", "/Work/Trip to Paris (1).twkx"},
        {"/Work", "trip to paris", "/Work/trip to paris (3).twkx"},
    };
    // The name the folder's listing holds is taken even without a cache file.
    DropboxMetadata taken;
    taken.name = "TRIP TO PARIS (2).twkx";
    service.listings.put("/work", {taken});
    for (const auto& [folder, title, expected] : cases) {
        service.log.clear();
        EXPECT_EQ(provider->createNewMindMapInDbDirectory(folder, title), expected) << title;
        EXPECT_TRUE(fs::is_regular_file(provider->cacheFilePathForDbPath(expected))) << title;
        EXPECT_TRUE(isNew(expected));
        // The record holds the file's own date, or the map would look changed at every start.
        EXPECT_EQ(service.records.get(expected)->localModified(),
                  fileModificationDate(provider->cacheFilePathForDbPath(expected)));
        const std::string parent = fs::path(expected).parent_path().string();
        EXPECT_EQ(service.log, (std::vector<std::string>{"changed " + parent, "sync " + expected}));
    }
    EXPECT_TRUE(notifications.shown.empty());

    const auto logged = FeedbackCenter::feedbackCenter().count();
    EXPECT_EQ(provider->performCopyToCloud("/Work", "Copied", {1, 2}), "/Work/Copied.twkx");
    ASSERT_EQ(FeedbackCenter::feedbackCenter().count(), logged + 1);
    EXPECT_EQ(FeedbackCenter::feedbackCenter().items().front()->message(), "/Work/Copied.twkx");
}

TEST_F(DropboxProviderTest, NewFilesOfflineWaitAndWriteFailuresAreReported)
{
    network.set(false);
    EXPECT_EQ(provider->createNewFile("Plan.twkx", "/", std::vector<uint8_t>{1}), "/Plan.twkx");
    EXPECT_TRUE(isNew("/Plan.twkx"));
    EXPECT_EQ(service.log, (std::vector<std::string>{"changed /"}));
    ASSERT_EQ(notifications.shown.size(), 1u);
    EXPECT_EQ(notifications.shown[0],
              localizedFormat("title_file_has_been_created_fmt", {"Plan.twkx"}) + " | " +
                  localized("message_file_will_be_uploaded") + " | 0");

    // A file where the folder should be, no data, a name that is a path: nothing is recorded.
    writeTestFile(root + "blocked", "a file");
    const std::vector<std::tuple<std::string, std::string, std::optional<std::vector<uint8_t>>>> failures = {
        {"x.twkx", "/Blocked", std::vector<uint8_t>{1}},
        {"y.twkx", "/", std::nullopt},
        {"../y.twkx", "/", std::vector<uint8_t>{1}},
    };
    for (const auto& [name, folder, bytes] : failures) {
        notifications.shown.clear();
        EXPECT_EQ(provider->createNewFile(name, folder, bytes), "") << name;
        EXPECT_EQ(notifications.shown,
                  (std::vector<std::string>{localized("gdrive_file_save_error") + " | " + name + " | 2"}));
    }
    EXPECT_EQ(service.records.count(), 1u);
    EXPECT_FALSE(fs::exists(home.file("data/Tarnwick/y.twkx")));
}

TEST_F(DropboxProviderTest, MediaGoBesideTheReferenceMapOrIntoTheAppFolders)
{
    writeTestFile(home.file("picture.png"), "png");
    const std::vector<std::pair<uint32_t, std::string>> cases = {
        {0, "/Tarnwick/Images"},    {1, "/Tarnwick/Movies"}, {2, "/Tarnwick/Audio"},
        {3, "/Tarnwick/Documents"}, {4, "/Tarnwick/Export"}, {9, "/Tarnwick/Export"},
    };
    for (const auto& [kind, folder] : cases) {
        EXPECT_EQ(fs::path(provider->uploadMedia(kind, home.file("picture.png"), "picture.png", nullptr)).parent_path(),
                  folder);
    }
    auto reference = storageFor("/Work/Plan.twkx");
    EXPECT_EQ(provider->uploadMedia(0, home.file("picture.png"), "picture.png", reference.get()), "/Work/picture.png");
    EXPECT_EQ(provider->uploadMedia(0, home.file("picture.png"), "picture.png", reference.get()),
              "/Work/picture (1).png");
    EXPECT_EQ(provider->uploadMedia(0, home.file("missing.png"), "missing.png", nullptr), "");
    EXPECT_EQ(notifications.shown.size(), 1u);
    service.initialized = false;
    EXPECT_EQ(provider->uploadMedia(0, home.file("picture.png"), "picture.png", nullptr), "");
}

TEST_F(DropboxProviderTest, StoragesNeedTheirCacheCopyAndKeepTheDisplayCase)
{
    EXPECT_FALSE(provider->createStorage("/Work/Missing.twkx"));
    EXPECT_FALSE(provider->createStorage("/Work"));
    auto storage = storageFor("/Work/Plan.twkx");
    ASSERT_TRUE(storage);
    EXPECT_EQ(storage->title(), "Plan");
    EXPECT_EQ(storage->fileName(), root + "work/plan.twkx");
    // Opening counts for the cache trimming; work on a map the user does not open does not.
    service.records.update("/Work/Plan.twkx", 1.0, 1.0, std::string("rev"));
    EXPECT_TRUE(provider->createTempStorage("/work/plan.twkx"));
    EXPECT_EQ(service.records.get("/Work/Plan.twkx")->lastAccessed(), 1.0);
    EXPECT_TRUE(provider->createStorage("/work/plan.twkx"));
    EXPECT_GT(service.records.get("/Work/Plan.twkx")->lastAccessed(), 1.0);
}

TEST_F(DropboxProviderTest, OpenStoragesFollowRenamesOfTheirFileOrFolder)
{
    auto moved = storageFor("/a/x.twkx");
    auto prefixOnly = storageFor("/AB/x.twkx");
    auto deep = storageFor("/A/Sub/y.twkx");
    provider->directoryRenamedFrom("/A", "/B");
    EXPECT_EQ(moved->id(), "/B/x.twkx");
    EXPECT_EQ(moved->fileName(), root + "b/x.twkx");
    EXPECT_EQ(deep->id(), "/B/Sub/y.twkx");
    EXPECT_EQ(prefixOnly->id(), "/AB/x.twkx");

    provider->directoryRenamedFrom("/b/sub/", "/");
    EXPECT_EQ(deep->id(), "/y.twkx");
    provider->fileRenamedFrom("/B/X.TWKX", "/C/Renamed.twkx");
    EXPECT_EQ(moved->id(), "/C/Renamed.twkx");
    EXPECT_EQ(moved->fileName(), root + "c/renamed.twkx");
    EXPECT_EQ(moved->title(), "Renamed");
}

TEST_F(DropboxProviderTest, CommittingUploadsANewMapAtOnceAndAlwaysDropsTheThumbnail)
{
    const std::string created = provider->createNewMindMapInDbDirectory("/Work", "Plan");
    service.records.update("/Work/Old.twkx", std::nullopt, std::string("rev"));
    auto uploaded = storageFor("/Work/Old.twkx");
    auto fresh = std::dynamic_pointer_cast<DropboxStorage>(provider->createStorage(created));
    ASSERT_TRUE(fresh && uploaded);
    for (auto& storage : {fresh, uploaded}) {
        storage->open();
        MindMap map;
        map.setEnabled(true);
        service.log.clear();
        Error error;
        ASSERT_TRUE(storage->commitMindMap(&map, &error)) << error.failureReason;
        if (storage == fresh) {
            EXPECT_EQ(service.log, (std::vector<std::string>{"sync " + created, "thumbnail " + created}));
        } else {
            EXPECT_EQ(service.log, (std::vector<std::string>{"thumbnail /Work/Old.twkx"}));
        }
    }
    service.active = false;
    service.log.clear();
    MindMap again;
    again.setEnabled(true);
    ASSERT_TRUE(fresh->commitMindMap(&again));
    EXPECT_EQ(service.log, (std::vector<std::string>{"thumbnail " + created}));
}

TEST_F(DropboxProviderTest, TheSearchCacheFollowsTheRecordsAndKeepsUnchangedEntries)
{
    storageFor("/Work/Plan.twkx")->dispose();
    service.records.update("/Work/Plan.twkx", std::nullopt, std::string("rev"));
    service.records.update("/Gone.twkx", std::nullopt, std::string("rev"));
    auto cache = provider->buildSearchCache();
    ASSERT_EQ(cache->items().size(), 2u);
    auto plan = cache->get("/work/plan.twkx");
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->title(), "Plan.twkx");
    EXPECT_TRUE(plan->timestamp().has_value());
    EXPECT_FALSE(cache->get("/Gone.twkx")->timestamp().has_value());

    service.records.remove("/Gone.twkx");
    EXPECT_EQ(provider->buildSearchCache(), cache);
    EXPECT_EQ(cache->items().size(), 1u);
    EXPECT_EQ(cache->get("/Work/Plan.twkx"), plan);
    provider->dropSearchCache();
    EXPECT_NE(provider->buildSearchCache(), cache);
}
