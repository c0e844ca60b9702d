#include "GoogleDrive/GDriveFileInfoCache.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace {

// Drive reports the extension of the name.
GDriveMetadata metadata(const std::string& gdriveId, const std::string& name, const std::string& md5 = "",
                        const std::string& parent = "P")
{
    const size_t dot = name.find_last_of('.');
    GDriveMetadata made(gdriveId, dot == std::string::npos ? std::nullopt : std::optional(name.substr(dot + 1)));
    made.name = name;
    if (!md5.empty()) made.md5Checksum = md5;
    made.parentIdentifier = parent;
    return made;
}

struct FileInfoTest : ::testing::Test {
    TempDir folder;
    std::string file = folder.file("gdrive-file-info-cache.xml");

    std::unique_ptr<GDriveFileInfoCache> open()
    {
        auto cache = std::make_unique<GDriveFileInfoCache>(file);
        cache->setClock([] { return 800000000.25; });
        return cache;
    }
};

} // namespace

TEST(GDriveCacheNamesTest, HexNamesStandForCaseSensitiveIds)
{
    EXPECT_EQ(GDriveCacheFileName("1AbC", "twkx"), "31416243.twkx");
    EXPECT_EQ(GDriveCacheFileName("", "twkx"), "");
    EXPECT_EQ(GDriveHexEncodedId(""), "");
    EXPECT_EQ(GDriveFileInfoCache::thumbnailHashForGDriveId("1abc"), "31616263");
    const std::vector<std::pair<std::string, std::optional<std::string>>> names = {
        {"31416243", "1AbC"},   {"3141624", "1Ab"},   {"", ""},       {"31zz", std::nullopt}, {"zz", std::nullopt},
        {"3 41", std::nullopt}, {"+1", std::nullopt}, {"4A4a", "JJ"},
    };
    for (const auto& [name, gdriveId] : names) EXPECT_EQ(GDriveIdFromHexName(name), gdriveId) << name;
    // What no answer or record may make a cache name of: a climb out of the folder, a folder inside
    // it, or a NUL cutting the name.
    const std::vector<std::pair<std::string, std::string>> refused = {
        {"1AbC", "../../../../tmp/x"},    {"1AbC", "/tmp/x"}, {"1AbC", "a/b"},  {"1AbC", ".."},
        {"1AbC", std::string("x\0y", 3)}, {"a/b", "twkx"},    {"../x", "twkx"}, {"1AbC", ""},
        {"1AbC", std::string(65, 'x')},
    };
    for (const auto& [gdriveId, extension] : refused)
        EXPECT_EQ(GDriveCacheFileName(gdriveId, extension), "") << gdriveId << " " << extension;
    // A long id's name fits the file system's 255 bytes, keeps its extension, and is its own.
    const std::string longName = GDriveCacheFileName(std::string(200, 'A'), "twkx");
    EXPECT_LE(longName.size(), 255u);
    EXPECT_TRUE(longName.ends_with(".twkx")) << longName;
    EXPECT_EQ(longName, GDriveCacheFileName(std::string(200, 'A'), "twkx"));
    EXPECT_NE(longName, GDriveCacheFileName(std::string(199, 'A') + "B", "twkx"));
    EXPECT_EQ(GDriveCacheFileName(std::string(125, 'A'), "twkx"), GDriveHexEncodedId(std::string(125, 'A')) + ".twkx");
}

TEST_F(FileInfoTest, UpdateRecordsTheDriveVersionAndRefusesAnotherExtension)
{
    auto cache = open();
    GDriveFileInfoItem* item = cache->update(metadata("1AbC", "Plan.twkx", "ABC", "F1"));
    ASSERT_TRUE(item);
    EXPECT_EQ(item->cacheFileName(), "31416243.twkx");
    EXPECT_FALSE(item->isNew());
    EXPECT_EQ(item->name(), "Plan.twkx");
    EXPECT_EQ(item->parentId(), "F1");

    EXPECT_EQ(cache->update(metadata("1AbC", "Plan.TWKX", "DEF", "F2")), item) << "extension case does not matter";
    EXPECT_EQ(item->md5Checksum(), "DEF");
    EXPECT_EQ(cache->update(metadata("1AbC", "Plan.png", "XYZ")), nullptr);
    EXPECT_EQ(item->md5Checksum(), "DEF") << "left alone";
    EXPECT_TRUE(cache->update(metadata("1AbC", "Plan.twkx"))->isNew()) << "no checksum: never uploaded";

    const std::vector<GDriveMetadata> refused = {
        metadata("", "a.twkx"),
        metadata("NoExt", "README"),
        metadata("bad/id", "a.twkx"),
        metadata("Dots", "a.."),
        metadata(std::string(257, 'a'), "a.twkx"),
        // Would come back from the record file otherwise than written, and be lost.
        metadata("Bytes", "a.\xcc\xcc"),
        metadata("Tab", "a.t\tx"),
    };
    for (const GDriveMetadata& entry : refused) EXPECT_FALSE(cache->update(entry)) << entry.gdriveId();
    EXPECT_EQ(cache->count(), 1u);
    EXPECT_TRUE(cache->get("1AbC"));
    EXPECT_FALSE(cache->get("1abc")) << "ids are case-sensitive";
}

TEST_F(FileInfoTest, RecordFileRoundTripInAttributeOrder)
{
    {
        auto cache = open();
        cache->beginUpdate();
        cache->update(metadata("A1", "Plan.twkx", "0a1b", "Folder"));
        cache->updateLastAccessed("A1");
        cache->setOfflineAvailable("A1", true);
        cache->update(metadata("B2", "New & <odd> \"name\".twkx", "", ""));
        cache->endUpdate();
    }
    EXPECT_EQ(readTestFile(file),
              "<file-cache><file id=\"A1\" ext=\"twkx\" md5=\"0a1b\" access=\"800000000.250000\" offline=\"true\" "
              "title=\"Plan.twkx\" parent=\"Folder\"/><file id=\"B2\" ext=\"twkx\" "
              "title=\"New &amp; &lt;odd> &quot;name&quot;.twkx\"/></file-cache>");
    auto again = open();
    ASSERT_EQ(again->count(), 2u);
    GDriveFileInfoItem* plan = again->get("A1");
    EXPECT_EQ(plan->md5Checksum(), "0a1b");
    EXPECT_EQ(plan->lastAccessed(), 800000000.25);
    EXPECT_TRUE(plan->offlineAvailable());
    EXPECT_EQ(plan->parentId(), "Folder");
    GDriveFileInfoItem* fresh = again->get("B2");
    EXPECT_TRUE(fresh->isNew());
    EXPECT_FALSE(fresh->lastAccessed());
    EXPECT_FALSE(fresh->offlineAvailable());
    EXPECT_EQ(fresh->name(), "New & <odd> \"name\".twkx");
}

TEST_F(FileInfoTest, ReaderSkipsIncompleteRecordsAndRefusesForeignData)
{
    struct Case {
        std::string data;
        bool loads;
        std::vector<std::string> ids;
    };
    const std::vector<Case> cases = {
        {"<FILE-CACHE><file id=\"a\" ext=\"twkx\" offline=\"TRUE\" access=\"junk\"/><file id=\"\" ext=\"twkx\"/>"
         "<file ext=\"twkx\"/><file id=\"b\"/><file id=\"c\" ext=\"\"/></FILE-CACHE>",
         true,
         {"a"}},
        {"<file-cache><file id=\"../../x\" ext=\"twkx\"/><file id=\"y\" ext=\"/../../z\"/></file-cache>", true, {}},
        {"", false, {}},
        {"<?xml version=\"1.0\"?>", false, {}},
        {"<folder-cache/>", false, {}},
        {"<file-cache><file id=\"a\" ext=\"twkx\">", false, {}},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(file);
        auto cache = open();
        GDriveFileInfoCacheFiler filer(*cache);
        EXPECT_EQ(filer.loadCacheFromData(c.data), c.loads) << c.data;
        std::vector<std::string> ids;
        for (GDriveFileInfoItem* item : cache->itemsList()) ids.push_back(item->gdriveId());
        EXPECT_EQ(ids, c.ids) << c.data;
        if (GDriveFileInfoItem* a = cache->get("a")) {
            EXPECT_FALSE(a->offlineAvailable()) << "only \"true\" is offline";
            EXPECT_FALSE(a->lastAccessed());
        }
    }
}

TEST_F(FileInfoTest, AnUnreadableFileIsMovedAsideNotOverwritten)
{
    writeTestFile(file, "<file-cache><file id=\"a\" ext=\"twkx\"");
    auto cache = open();
    EXPECT_TRUE(cache->recordsWereUnreadable());
    EXPECT_EQ(cache->count(), 0u);
    EXPECT_EQ(readTestFile(file + ".corrupt"), "<file-cache><file id=\"a\" ext=\"twkx\"");
    cache->update(metadata("b", "b.twkx", "1"));
    ASSERT_TRUE(cache->flush());
    EXPECT_EQ(readTestFile(file + ".corrupt"), "<file-cache><file id=\"a\" ext=\"twkx\"");
    // The next start reads whole records, which may still lack a map never uploaded.
    EXPECT_EQ(open()->count(), 1u);
    EXPECT_TRUE(open()->recordsWereUnreadable()) << "while the set-aside file is there";
    std::filesystem::remove(file + ".corrupt");
    EXPECT_FALSE(open()->recordsWereUnreadable());
}

TEST_F(FileInfoTest, BracketsWriteOnceAtTheEnd)
{
    auto cache = open();
    cache->beginUpdate();
    cache->beginUpdate();
    cache->update(metadata("a", "a.twkx", "1"));
    cache->endUpdate();
    ASSERT_TRUE(cache->flush());
    EXPECT_FALSE(std::filesystem::exists(file)) << "an inner bracket does not write";
    cache->endUpdate();
    ASSERT_TRUE(cache->flush());
    EXPECT_TRUE(std::filesystem::exists(file));
    std::filesystem::remove(file);
    cache->beginUpdate();
    cache->setOfflineAvailable("a", false);
    cache->remove("missing");
    cache->endUpdate();
    ASSERT_TRUE(cache->flush());
    EXPECT_FALSE(std::filesystem::exists(file)) << "nothing changed, nothing written";
}

TEST_F(FileInfoTest, FolderQueriesBrowsingInfoAndNavigation)
{
    auto cache = open();
    cache->update(metadata("a", "Plan.twkx", "1", "F"));
    cache->update(metadata("b", "New.twkx", "", "F"));
    cache->update(metadata("c", "Other.twkx", "", "G"));

    auto ids = [](const std::vector<GDriveFileInfoItem*>& items) {
        std::vector<std::string> found;
        for (GDriveFileInfoItem* item : items) found.push_back(item->gdriveId());
        std::sort(found.begin(), found.end());
        return found;
    };
    EXPECT_EQ(ids(cache->getFilesInFolder("F", false)), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(ids(cache->getFilesInFolder("F", true)), (std::vector<std::string>{"b"}));
    EXPECT_EQ(cache->findFileName("PLAN.twkx", "F"), cache->get("a"));
    EXPECT_FALSE(cache->fileNameExists("Plan.twkx", "G"));

    GDriveMetadata renamed = metadata("a", "Renamed.twkx", "1", "G");
    GDriveMetadata trashed = metadata("b", "Gone.twkx", "", "G");
    trashed.trashed = true;
    cache->updateBrowsingInfoWithMetadata({renamed, trashed, metadata("unknown", "x.twkx")});
    EXPECT_EQ(cache->get("a")->name(), "Renamed.twkx");
    EXPECT_EQ(cache->get("a")->parentId(), "G");
    EXPECT_EQ(cache->get("b")->name(), "New.twkx") << "trashed entries are left alone";
    EXPECT_FALSE(cache->get("unknown"));

    cache->assureNavigationInfo(metadata("browsed", "Remote.twkx", "9", "H"));
    EXPECT_FALSE(cache->get("browsed")) << "never stored";
    ASSERT_TRUE(cache->getNavigationInfo("browsed"));
    EXPECT_EQ(cache->getNavigationInfo("browsed")->parentId(), "H");
    EXPECT_EQ(cache->getNavigationInfo("a"), cache->get("a"));
    EXPECT_FALSE(cache->getNavigationInfo(""));
    cache->assureNavigationInfo(metadata("a", "Renamed.twkx", "1", "G"));
    EXPECT_FALSE(cache->getNavigationInfo("browsed")) << "one passing record at a time";

    EXPECT_EQ(cache->getUsedThumbnailHashes().size(), 3u);
    cache->clear();
    EXPECT_EQ(open()->count(), 0u);
}
