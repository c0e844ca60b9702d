#include "dropbox/DropboxCacheManager.h"
#include "dropbox/DropboxFileInfoCache.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

namespace {

constexpr uint64_t MiB = 1024 * 1024;

struct CacheManagerTest : ::testing::Test {
    TempDir folder;
    std::string root = folder.file("storages/dropbox");
    DropboxFileInfoCache records{folder.file("records.xml")};
    DropboxCacheManager manager{records, root};

    CacheManagerTest()
    {
        std::filesystem::create_directories(root);
        manager.setVolumeSize(
            [](const std::string&) { return std::optional<uint64_t>(DropboxCacheManager::MaximumBudget * 15); });
    }

    // A cache file of that size (sparse, so no disk is used) whose date is the record time given,
    // with nanoseconds the record cannot hold.
    std::string cacheFile(const std::string& dbPath, uint64_t size, double date = 10.0)
    {
        std::string path = root + DropboxFileInfoCache::normalizeKey(dbPath);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
        EXPECT_EQ(::ftruncate(fd, off_t(size)), 0);
        ::close(fd);
        double unix = date + ReferenceDateOffsetFrom1970;
        timespec times[2];
        times[0].tv_sec = times[1].tv_sec = time_t(unix);
        times[0].tv_nsec = times[1].tv_nsec = long((unix - double(time_t(unix))) * 1e9) + 789;
        EXPECT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
        return path;
    }

    // A record in step with its file.
    DropboxFileInfoItem* unchanged(const std::string& dbPath, uint64_t size, double access)
    {
        std::string path = cacheFile(dbPath, size);
        return records.update(dbPath, *fileModificationDate(path), access, std::string("rev"));
    }
};

} // namespace

TEST(DropboxCacheBudgetTest, AFifteenthOfTheVolumeAtMostNinetySixMebibytes)
{
    const std::vector<std::pair<std::optional<uint64_t>, uint64_t>> cases = {
        {std::nullopt, 100663296},      {15000, 1000}, {0, 0}, {uint64_t(10) << 30, 100663296},
        {100663296ull * 15, 100663296},
    };
    for (const auto& [volume, budget] : cases) EXPECT_EQ(DropboxCacheManager::budget(volume), budget);
    EXPECT_EQ(DropboxCacheManager::dbKeyPathForCacheFilePath("/c/root/", "/c/root/maps/a.twkx"), "/maps/a.twkx");
    EXPECT_EQ(DropboxCacheManager::dbKeyPathForCacheFilePath("/c/root", "/c/root"), "/");
}

TEST_F(CacheManagerTest, DeletesUnchangedFilesOldestFirstUntilTheExcessIsGone)
{
    // 60 MiB that must stay: offline, new, locally changed and the open map.
    unchanged("/Keep/Offline.twkx", 20 * MiB, 1)->setOfflineAvailable(true);
    cacheFile("/Keep/New.twkx", 20 * MiB);
    records.update("/Keep/New.twkx", std::nullopt, DropboxFileInfoItem::makeNewFileRev());
    cacheFile("/Keep/Changed.twkx", 10 * MiB, 99.0);
    records.update("/Keep/Changed.twkx", 10.0, 1.0, std::string("rev"));
    unchanged("/Keep/Open.twkx", 10 * MiB, 1);
    // 50 MiB that may go; b and c were used at the same time.
    unchanged("/Old/b.twkx", 6 * MiB, 50);
    unchanged("/Old/c.twkx", 6 * MiB, 50);
    unchanged("/Old/a.twkx", 10 * MiB, 100);
    unchanged("/Old/d.twkx", 28 * MiB, 200);

    manager.cleanupCache("/KEEP/open.twkx");

    EXPECT_EQ(manager.modifiedFileSize(), 60 * MiB);
    EXPECT_EQ(manager.recentFileSize(), 50 * MiB);
    EXPECT_EQ(manager.deletedPaths(), (std::vector<std::string>{"/old/b.twkx", "/old/c.twkx", "/old/a.twkx"}));
    EXPECT_FALSE(records.get("/Old/a.twkx"));
    EXPECT_TRUE(records.get("/Old/d.twkx"));
    for (const std::string path :
         {"/keep/offline.twkx", "/keep/new.twkx", "/keep/changed.twkx", "/keep/open.twkx", "/old/d.twkx"}) {
        EXPECT_TRUE(std::filesystem::exists(root + path)) << path;
    }
    EXPECT_EQ(records.count(), 5u);
}

TEST_F(CacheManagerTest, NothingGoesWithinTheBudget)
{
    unchanged("/a.twkx", 1 * MiB, 5);
    manager.setVolumeSize([](const std::string&) { return std::optional<uint64_t>(15 * MiB); });
    manager.cleanupCache("");
    EXPECT_TRUE(manager.deletedPaths().empty());
    manager.setVolumeSize([](const std::string&) { return std::optional<uint64_t>(15 * MiB - 15); });
    manager.cleanupCache("");
    EXPECT_EQ(manager.deletedPaths(), (std::vector<std::string>{"/a.twkx"})) << "one byte over is over";
}

// A copy whose record was lost may hold the only version of an edit: it stays, as a new file.
TEST_F(CacheManagerTest, KeepsUnrecordedCopiesAsNewAndDropsEmptyFoldersAndRecordsWithoutFiles)
{
    cacheFile("/Stray/unrecorded.twkx", 10);
    std::filesystem::create_directories(root + "/empty/inner");
    records.update("/empty/gone.twkx", 1.0, std::string("rev"));
    records.update("/Nowhere.twkx", 1.0, std::string("rev"));
    cacheFile("/.hidden", 10);

    manager.cleanupCache("");

    EXPECT_TRUE(std::filesystem::exists(root + "/stray/unrecorded.twkx"));
    EXPECT_FALSE(std::filesystem::exists(root + "/empty"));
    EXPECT_TRUE(std::filesystem::exists(root)) << "the root stays, even empty of maps";
    EXPECT_TRUE(std::filesystem::exists(root + "/.hidden"));
    EXPECT_EQ(records.count(), 1u);
    ASSERT_NE(records.get("/Stray/Unrecorded.twkx"), nullptr);
    EXPECT_TRUE(records.get("/Stray/Unrecorded.twkx")->isNew());
    EXPECT_TRUE(manager.deletedPaths().empty());
}

// Downloads under way are left alone; those a stopped program left behind go after an hour.
TEST_F(CacheManagerTest, AbandonedDownloadsGoAndRunningOnesStay)
{
    const double now = double(::time(nullptr)) - ReferenceDateOffsetFrom1970;
    struct Case {
        std::string name;
        double age;
        bool kept;
    };
    const std::vector<Case> cases = {
        {"/maps/.1f2e.download", 7200, false}, {"/maps/.1f2e.download.download.partab12cd", 7200, false},
        {"/maps/.77aa.download", 60, true},    {"/maps/.77aa.download.download.partxy34zw", 60, true},
        {"/maps/.hidden-notes", 7200, true},   {"/.download-folder-note", 7200, true},
    };
    for (const Case& c : cases) cacheFile(c.name, 10, now - c.age);
    std::filesystem::create_directories(root + "/maps/.7aa.download");

    manager.cleanupCache("");

    for (const Case& c : cases) EXPECT_EQ(std::filesystem::exists(root + c.name), c.kept) << c.name;
    EXPECT_TRUE(std::filesystem::is_directory(root + "/maps/.7aa.download"));
    EXPECT_TRUE(manager.deletedPaths().empty());
}

TEST_F(CacheManagerTest, WithUnreadableRecordsNoUnrecordedMapIsDeleted)
{
    writeTestFile(folder.file("damaged.xml"), "<file-cache><file path=");
    DropboxFileInfoCache damaged(folder.file("damaged.xml"));
    ASSERT_TRUE(damaged.recordsWereUnreadable());
    DropboxCacheManager careful(damaged, root);
    careful.setVolumeSize([](const std::string&) { return std::optional<uint64_t>(0); });
    std::string neverUploaded = cacheFile("/Maps/Only here.twkx", 100);

    careful.cleanupCache("");

    EXPECT_TRUE(std::filesystem::exists(neverUploaded));
    EXPECT_TRUE(careful.deletedPaths().empty());
}

// A later start reads whole records again, but they may lack maps that were only in the set-aside
// file: until the user has dealt with it, no clean-up deletes a copy for lacking a record.
TEST_F(CacheManagerTest, ARecordFileSetAsideEarlierStillKeepsUnrecordedCopies)
{
    std::string neverUploaded = cacheFile("/Maps/Only here.twkx", 100);
    unchanged("/Maps/Plan.twkx", 100, 1.0);
    ASSERT_TRUE(records.flush());
    writeTestFile(folder.file("records.xml.corrupt"), "<file-cache><file path=");
    DropboxFileInfoCache restarted(folder.file("records.xml"));
    ASSERT_EQ(restarted.count(), 1u);
    DropboxCacheManager later(restarted, root);
    later.setVolumeSize([](const std::string&) { return std::optional<uint64_t>(0); });

    later.cleanupCache("");
    EXPECT_TRUE(std::filesystem::exists(neverUploaded));

    std::filesystem::remove(folder.file("records.xml.corrupt"));
    later.cleanupCache("");
    EXPECT_TRUE(std::filesystem::exists(neverUploaded)) << "once recovered, a stray copy stays as a new map";
    ASSERT_NE(restarted.get("/Maps/Only here.twkx"), nullptr);
    EXPECT_TRUE(restarted.get("/Maps/Only here.twkx")->isNew());
}

// A map made a moment ago may have its record only in the writer's hands: whatever the clean-up
// does, the record is on disk by then, so a crash cannot leave the map unrecorded for the next one.
TEST_F(CacheManagerTest, TheCleanUpStartsWithTheRecordsOnDisk)
{
    std::string made = cacheFile("/Maps/Just made.twkx", 100);
    records.update("/Maps/Just made.twkx", std::nullopt, DropboxFileInfoItem::makeNewFileRev());
    manager.setVolumeSize([](const std::string&) { return std::optional<uint64_t>(0); });

    manager.cleanupCache("");

    EXPECT_TRUE(std::filesystem::exists(made));
    DropboxFileInfoCache onDisk(folder.file("records.xml"), false);
    ASSERT_NE(onDisk.get("/maps/just made.twkx"), nullptr);
    EXPECT_TRUE(onDisk.get("/maps/just made.twkx")->isNew());
}

TEST_F(CacheManagerTest, ARestartDoesNotMakeAFileLookChanged)
{
    // The file's date has nanoseconds; the record, read back from its file, microseconds.
    std::string path = cacheFile("/Maps/Plan.twkx", 5 * MiB, 700000000.123456);
    records.update("/Maps/Plan.twkx", *fileModificationDate(path), 1.0, std::string("rev"));
    ASSERT_TRUE(records.flush());
    DropboxFileInfoCache restarted(folder.file("records.xml"));
    DropboxCacheManager later(restarted, root);
    later.cleanupCache("");
    EXPECT_EQ(later.recentFileSize(), 5 * MiB);
    EXPECT_EQ(later.modifiedFileSize(), 0u);
}
