#include "GoogleDrive/GDriveProvider.h"
#include "Editor/FeedbackCenter.h"
#include "GoogleDrive/GDriveFileInfoCache.h"
#include "GoogleDrive/GDriveFolderCache.h"
#include "GoogleDrive/GDriveIdentifierPool.h"
#include "GoogleDrive/GDriveStorage.h"
#include "GoogleDrive/GDriveUniqueNames.h"
#include "MindMaps/MindMap.h"
#include "explorers/FileListItem.h"
#include "formats/TwkxMindMapReader.h"
#include "platform/Localizer.h"
#include "store/MindMapSearchCache.h"
#include "store/MindMapSearchInfo.h"
#include "support/RecordedFeedback.h"
#include "support/ScopedEnvironment.h"
#include "support/ScopedNetwork.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

// The service's side of the provider, on real caches in the test's folder, keeping what it is told.
struct DriveServiceDouble : GDriveProviderService {
    explicit DriveServiceDouble(const TempDir& home)
        : records(home.file("gdrive-file-info-cache.xml")),
          folders(home.file("gdrive-folder-cache.xml")),
          pool(home.file("gdrive-identifier-pool.xml"))
    {
        pool.setOnline([] { return false; });
        for (const char* gdriveId : {"new1", "new2", "new3", "new4", "new5", "new6", "new7"})
            pool.identifierLoaded(gdriveId);
    }

    GDriveFileInfoCache records;
    GDriveFolderCache folders;
    GDriveIdentifierPool pool;
    bool linked = true;
    bool active = true;
    std::vector<std::string> log;

    bool isLinked() const override { return linked; }
    bool isActive() const override { return active; }
    void openMindMap(const std::string& gdriveId, const std::any&) override { log.push_back("open " + gdriveId); }
    void openCloudLink(const std::string& link) override { log.push_back("link " + link); }
    void getImageFromLink(const std::string&, const MindMapProvider::ImageAvailableCallback&) override {}
    void duplicateFile(const std::string& gdriveId) override { log.push_back("duplicate " + gdriveId); }
    void authorize(const std::any&) override { log.push_back("authorize"); }
    void deauthorize() override { log.push_back("deauthorize"); }
    void manualSynchronize() override { log.push_back("synchronize"); }
    void highPrioritySynchronizeFile(const std::string& gdriveId) override { log.push_back("sync " + gdriveId); }
    void dispatchFolderChanged(const std::string& folderId) override { log.push_back("changed " + folderId); }
    std::string uniqueFileName(const std::string& name, const std::string& parentFolderId) override
    {
        return GDriveUniqueFileName(folders, records, name, parentFolderId);
    }
    GDriveFileInfoCache& fileInfo() override { return records; }
    GDriveFolderCache& folderCache() override { return folders; }
    GDriveIdentifierPool& identifierPool() override { return pool; }
    void removeThumbnail(const std::string& hash) override { log.push_back("thumbnail " + hash); }
};

GDriveMetadata folderEntry(const std::string& gdriveId, const std::string& name)
{
    GDriveMetadata entry = GDriveMetadata::folder(gdriveId);
    entry.name = name;
    return entry;
}

struct GDriveProviderTest : ::testing::Test {
    TempDir home;
    ScopedEnvironment data{"XDG_DATA_HOME", home.file("data")};
    ScopedNetwork network{true};
    DriveServiceDouble service{home};
    RecordedFeedback notifications;
    std::unique_ptr<GDriveProvider> provider;
    std::string root;

    GDriveProviderTest()
    {
        registerNativeFormat();
        fs::create_directories(home.file("data/Tarnwick"));
        ExternalProvider::resetProvidersDirectoryCleanup();
        provider = std::make_unique<GDriveProvider>(service);
        root = provider->rootDirectory();
        // My Drive (R) holds A with B inside, and Tarnwick with Images.
        service.folders.setRealGDriveRootFolderId("R");
        service.folders.updateFolder(service.folders.rootFolder(),
                                     {folderEntry("A", "A"), folderEntry("T", "Tarnwick")}, false);
        service.folders.updateFolder(service.folders.get("A"), {folderEntry("B", "B")}, false);
        service.folders.updateFolder(service.folders.get("T"), {folderEntry("I", "Images")}, false);
    }

    // A Drive map in step with its record.
    std::string cachedMap(const std::string& gdriveId, const std::string& name, const std::string& parent)
    {
        GDriveMetadata metadata(gdriveId, name.substr(name.find_last_of('.') + 1));
        metadata.name = name;
        metadata.parentIdentifier = parent;
        metadata.md5Checksum = "0123";
        service.records.update(metadata);
        writeTestFile(provider->cacheFilePathForFileId(gdriveId), "map");
        return gdriveId;
    }
};

} // namespace

TEST_F(GDriveProviderTest, IsTheDriveProviderWithAFlatCacheNamedByIds)
{
    EXPECT_EQ(provider->id(), "GoogleDrive");
    EXPECT_EQ(provider->type(), 2);
    EXPECT_EQ(root, home.file("data/Tarnwick/googledrive") + "/");
    EXPECT_TRUE(provider->hasCaseSensitiveIds());
    EXPECT_TRUE(provider->isValidMapId("x"));
    EXPECT_FALSE(provider->isValidMapId(""));
    cachedMap("1AbC", "Plan.twkx", "A");
    EXPECT_EQ(provider->cacheFilePathForFileId("1AbC"), root + "31416243.twkx");
    EXPECT_EQ(provider->cacheFilePathForFileId("1abc"), "") << "no record";
    EXPECT_EQ(provider->cacheFilePathForFileId(""), "");
}

TEST_F(GDriveProviderTest, NewMapsAreNamedFromTheirTitleMadeUniqueRecordedAsNewAndUploaded)
{
    cachedMap("taken", "Plan.twkx", "A");
    const std::string hundred(100, 'x');
    const std::vector<std::tuple<std::string, std::string, std::string, std::string>> cases = {
        {"A", "Plan", "Plan (1).twkx", "A"},
        {"", "<>:\"/\\|?*", localized("mindmap_default_mind_map_name") + ".twkx", "R"},
        {"B", hundred, std::string(70, 'x') + ".twkx", "B"},
    };
    for (const auto& [folder, title, name, parent] : cases) {
        service.log.clear();
        const std::string gdriveId = provider->createNewMindMapInFolder(folder, title);
        ASSERT_FALSE(gdriveId.empty()) << title;
        const GDriveFileInfoItem* item = service.records.get(gdriveId);
        ASSERT_TRUE(item) << title;
        EXPECT_EQ(item->name(), name);
        EXPECT_EQ(item->parentId(), parent);
        EXPECT_TRUE(item->isNew());
        EXPECT_TRUE(fs::is_regular_file(provider->cacheFilePathForFileId(gdriveId)));
        EXPECT_EQ(service.log, (std::vector<std::string>{"changed " + parent, "sync " + gdriveId}));
    }
    EXPECT_EQ(GDriveIdentifierPool(service.pool.fileName()).identifiers(),
              (std::vector<std::string>{"new4", "new5", "new6", "new7"}))
        << "the ids handed out are gone from the saved pool";
}

TEST_F(GDriveProviderTest, FailuresTellTheUserAndLeaveNoFileOrRecord)
{
    // The cache file's place is taken by a folder: the copy cannot be written.
    fs::create_directories(root + GDriveCacheFileName("new1", "twkx"));
    EXPECT_EQ(provider->createNewMindMapInFolder("A", "Plan"), "");
    EXPECT_FALSE(service.records.get("new1")) << "record withdrawn";
    EXPECT_EQ(notifications.shown.back(), localized("gdrive_file_save_error") + " | Plan.twkx | 2");

    EXPECT_EQ(provider->createNewFile("README", "A", std::vector<uint8_t>{1}), "") << "no extension, no cache name";
    EXPECT_EQ(notifications.shown.back(), localized("gdrive_file_save_error") + " | README | 2");

    while (!service.pool.extractIdentifierFromPool().empty()) {}
    const size_t files = std::distance(fs::directory_iterator(root), fs::directory_iterator());
    EXPECT_EQ(provider->createNewMindMapInFolder("A", "Plan"), "");
    EXPECT_EQ(notifications.shown.back(),
              localized("title_error_saving_data") + " | " + localized("gdrive_identifier_pool_error") + " | 2");
    EXPECT_EQ(std::distance(fs::directory_iterator(root), fs::directory_iterator()), files);
    EXPECT_EQ(provider->createNewFile("x.twkx", "A", std::nullopt), "");
}

TEST_F(GDriveProviderTest, OfflineTheNewMapWaitsAndTheUserIsTold)
{
    network.set(false);
    const std::string gdriveId = provider->createNewMindMapInFolder("A", "Plan");
    ASSERT_FALSE(gdriveId.empty());
    EXPECT_EQ(service.log, (std::vector<std::string>{"changed A"}));
    EXPECT_EQ(notifications.shown.back(),
              localizedFormat("title_file_has_been_created_fmt", {"Plan.twkx"}) + " | " +
                  localized("message_file_will_be_uploaded") + " | 0");
    EXPECT_TRUE(service.records.get(gdriveId)->isNew());
}

TEST_F(GDriveProviderTest, NewMapsAndMediaGoBesideTheReferenceElseToTheirApplicationFolder)
{
    auto storage = provider->createStorage(cachedMap("map", "Plan.twkx", "B"));
    ASSERT_TRUE(storage);
    EXPECT_EQ(service.records.get(provider->createNewMindMapWithReference(storage.get(), "Beside"))->parentId(), "B");
    EXPECT_EQ(service.records.get(provider->createNewMindMapWithReference(nullptr, "Local"))->parentId(), "R");

    const std::string picture = home.file("picture.png");
    writeTestFile(picture, "png");
    struct Case {
        uint32_t kind;
        MindMapStorage* reference;
        std::string parent;
    };
    // Images exists; Export does not, so the deepest folder on its way takes the file.
    const std::vector<Case> cases = {
        {MindMapProvider::MediaImage, nullptr, "I"},
        {7, nullptr, "T"},
        {MindMapProvider::MediaImage, storage.get(), "B"},
    };
    for (const Case& c : cases) {
        const std::string gdriveId = provider->uploadMedia(c.kind, picture, "picture.png", c.reference);
        ASSERT_FALSE(gdriveId.empty()) << c.kind;
        EXPECT_EQ(service.records.get(gdriveId)->parentId(), c.parent) << c.kind;
    }
    service.folders.folderDeleted("T");
    const std::string inRoot = provider->uploadMedia(7, picture, "picture.png", nullptr);
    ASSERT_FALSE(inRoot.empty());
    EXPECT_EQ(service.records.get(inRoot)->parentId(), "R");

    service.linked = false;
    EXPECT_EQ(provider->uploadMedia(MindMapProvider::MediaImage, picture, "picture.png", nullptr), "");
    EXPECT_EQ(provider->uploadMindMapExportData({1}, "pdf", "map"), "");
}

TEST_F(GDriveProviderTest, ExportDataGoesBesideTheMapUnderItsName)
{
    cachedMap("map", "Plan.twkx", "B");
    const std::string gdriveId = provider->uploadMindMapExportData({'%', 'P'}, "pdf", "map");
    ASSERT_FALSE(gdriveId.empty());
    EXPECT_EQ(service.records.get(gdriveId)->name(), "Plan.pdf");
    EXPECT_EQ(service.records.get(gdriveId)->parentId(), "B");
    EXPECT_EQ(provider->uploadMindMapExportData({1}, "pdf", "unknown"), "");
    cachedMap("loose", "Loose.twkx", "");
    const std::string besideLoose = provider->uploadMindMapExportData({1}, "png", "loose");
    ASSERT_FALSE(besideLoose.empty());
    EXPECT_EQ(service.records.get(besideLoose)->parentId(), "R") << "a map of no known folder: My Drive";
}

TEST_F(GDriveProviderTest, LinksAndListInformationFollowTheFolderTree)
{
    cachedMap("inB", "Deep.twkx", "B");
    cachedMap("inRoot", "Top.twkx", "R");
    EXPECT_EQ(provider->buildPathBasedLink("inB"), "/A/B/Deep.twkx");
    EXPECT_EQ(provider->buildPathBasedLink("inRoot"), "/Top.twkx");
    EXPECT_EQ(provider->buildPathBasedLink("unknown"), "");
    GDriveMetadata browsed("remote", "twkx");
    browsed.name = "Remote.twkx";
    browsed.parentIdentifier = "A";
    service.records.assureNavigationInfo(browsed);
    EXPECT_EQ(provider->buildPathBasedLink("remote"), "/A/Remote.twkx");

    auto deep = provider->getMindMapListInfo("inB");
    ASSERT_TRUE(deep);
    EXPECT_EQ(deep->title(), "Deep.twkx");
    EXPECT_EQ(deep->folderInfo(), "A/B");
    auto top = provider->getMindMapListInfo("inRoot");
    auto base = provider->ExternalProvider::getMindMapListInfo("inRoot");
    ASSERT_TRUE(top && base);
    EXPECT_EQ(top->folderInfo(), base->folderInfo()) << "My Drive has no path";
}

TEST_F(GDriveProviderTest, StoragesOpenCachedCopiesOnlyAndFollowAConflictCopy)
{
    EXPECT_FALSE(provider->createStorage("unknown"));
    GDriveMetadata uncached("uncached", "twkx");
    uncached.name = "Far.twkx";
    service.records.update(uncached);
    EXPECT_FALSE(provider->createStorage("uncached")) << "downloaded first";
    EXPECT_FALSE(service.records.get("uncached")->lastAccessed());

    auto storage =
        std::dynamic_pointer_cast<GDriveStorage>(provider->createStorage(cachedMap("map", "Plan.twkx", "A")));
    ASSERT_TRUE(storage);
    EXPECT_EQ(storage->title(), "Plan");
    EXPECT_TRUE(service.records.get("map")->lastAccessed());
    EXPECT_FALSE(provider->createTempStorage(cachedMap("temp", "T.twkx", "A")) == nullptr);
    EXPECT_FALSE(service.records.get("temp")->lastAccessed());

    cachedMap("copy", "Plan (conflict).twkx", "A");
    provider->changeFileId("other", "copy");
    EXPECT_EQ(storage->id(), "map");
    provider->changeFileId("map", "copy");
    EXPECT_EQ(storage->id(), "copy");
    EXPECT_EQ(storage->fileName(), provider->cacheFilePathForFileId("copy"));
    EXPECT_EQ(storage->title(), "Plan (conflict)");

    service.log.clear();
    provider->duplicateMindMap(storage.get());
    provider->duplicateMindMap(nullptr);
    EXPECT_EQ(service.log, (std::vector<std::string>{"duplicate copy"}));
}

TEST_F(GDriveProviderTest, CommittingUploadsANewMapAtOnceAndAlwaysDropsTheThumbnail)
{
    const std::string created = provider->createNewMindMapInFolder("A", "Plan");
    auto fresh = provider->createStorage(created);
    auto uploaded = provider->createStorage(cachedMap("old", "Old.twkx", "A"));
    ASSERT_TRUE(fresh && uploaded);
    const std::string freshHash = GDriveFileInfoCache::thumbnailHashForGDriveId(created);
    for (auto& storage : {fresh, uploaded}) {
        storage->open();
        MindMap map;
        map.setEnabled(true);
        service.log.clear();
        Error error;
        ASSERT_TRUE(storage->commitMindMap(&map, &error)) << error.failureReason;
        if (storage == fresh) {
            EXPECT_EQ(service.log, (std::vector<std::string>{"sync " + created, "thumbnail " + freshHash}));
        } else {
            EXPECT_EQ(service.log, (std::vector<std::string>{"thumbnail 6f6c64"}));
        }
    }
    service.active = false;
    service.log.clear();
    MindMap again;
    again.setEnabled(true);
    ASSERT_TRUE(fresh->commitMindMap(&again));
    EXPECT_EQ(service.log, (std::vector<std::string>{"thumbnail " + freshHash}));
}

TEST_F(GDriveProviderTest, TheSearchCacheKeepsFullTextOnlyWhileTheCopyIsUnchanged)
{
    MindMapSearchInfo::setFullTextScanner(
        [](const std::vector<uint8_t>&) { return std::optional<std::vector<std::string>>({"word"}); });
    cachedMap("map", "Plan.twkx", "A");
    cachedMap("other", "Other.twkx", "A");
    GDriveMetadata picture("picture", "png");
    picture.name = "p.png";
    service.records.update(picture);
    auto cache = provider->buildSearchCache();
    ASSERT_EQ(cache->items().size(), 2u) << "maps only";
    for (const char* gdriveId : {"map", "other"}) {
        ASSERT_TRUE(cache->get(gdriveId)->isSearchMatch("word", true));
        ASSERT_TRUE(cache->get(gdriveId)->fullText());
    }
    EXPECT_EQ(cache->get("map")->title(), "Plan.twkx");
    EXPECT_EQ(provider->buildSearchCache(), cache);
    EXPECT_TRUE(cache->get("map")->fullText()) << "unchanged: kept";

    const std::string copy = provider->cacheFilePathForFileId("map");
    struct timespec times[2] = {{1000, 0}, {1000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, copy.c_str(), times, 0), 0);
    service.records.remove("other");
    provider->buildSearchCache();
    EXPECT_FALSE(cache->get("map")->fullText()) << "touched: read again";
    EXPECT_FALSE(cache->get("other"));
    MindMapSearchInfo::setFullTextScanner(nullptr);
}

TEST_F(GDriveProviderTest, TakenNamesGetTheFirstFreeNumberBeforeTheExtension)
{
    cachedMap("plan", "Plan.twkx", "A");
    cachedMap("plan1", "plan (1).TWKX", "A");
    // Names only a broken or hostile server sends: each is taken only by itself.
    cachedMap("nul", std::string("x\0y.twkx", 8), "A");
    cachedMap("latin1", "caf\xe9.twkx", "A");
    // A listed entry counts as much as a cached record.
    GDriveMetadata listed("notes", "txt");
    listed.name = "Notes";
    listed.parentIdentifier = "A";
    service.folders.updateFileMetadata(listed);
    struct Case {
        std::string name;
        std::string folder;
        std::string unique;
    };
    const std::vector<Case> cases = {
        {"Plan.twkx", "A", "Plan (2).twkx"},
        {"PLAN.twkx", "A", "PLAN (2).twkx"},
        {"Plan.twkx", "B", "Plan.twkx"},
        {"notes", "A", "notes (1)"},
        {"Other.twkx", "A", "Other.twkx"},
        {std::string("x\0z.twkx", 8), "A", std::string("x\0z.twkx", 8)},
        {std::string("x\0y.twkx", 8), "A", std::string("x\0y (1).twkx", 12)},
        {"x.twkx", "A", "x.twkx"},
        {"caf\xe9.twkx", "A", "caf\xe9 (1).twkx"},
        {"CAF\xe9.twkx", "A", "CAF\xe9.twkx"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GDriveUniqueFileName(service.folders, service.records, c.name, c.folder), c.unique) << c.name;
    }
    EXPECT_EQ(GDriveUniqueFolderName(service.folders, "b", "A"), "b (1)");
    EXPECT_EQ(GDriveUniqueFolderName(service.folders, "C", "A"), "C");
    EXPECT_EQ(GDriveUniqueFolderName(service.folders, "B", ""), "B") << "no parent, nothing to compare with";
    EXPECT_EQ(service.records.get("plan")->itemType(), FileListItem::extensionToItemType("twkx"));
}
