#include "dropbox/DropboxCacheMigration.h"
#include "dropbox/DropboxFileInfoCache.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>

namespace {

struct MigrationTest : ::testing::Test {
    TempDir store;
    std::string oldFolder = store.file("dropbox");
    std::string oldRecords = store.file("AppSupport/dropbox-file-info-cache.xml");
    std::string root = store.file("providers/storages/dropbox");
    DropboxFileInfoCache current{store.file("AppSupport/dropbox-file-info-cache-apfs.xml")};

    MigrationTest() { std::filesystem::create_directories(store.file("AppSupport")); }

    // The current cache's place for a path: lower case under the root.
    std::function<std::string(const std::string&)> cachePath = [this](const std::string& path) {
        return root + DropboxFileInfoCache::normalizeKey(path);
    };

    std::string oldFile(const std::string& relative, const std::string& contents, time_t date)
    {
        std::string path = oldFolder + relative;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        writeTestFile(path, contents);
        timespec times[2] = {{date, 123456789}, {date, 123456789}};
        utimensat(AT_FDCWD, path.c_str(), times, 0);
        return path;
    }
};

} // namespace

TEST_F(MigrationTest, NothingOrAnOrphanedFolder)
{
    EXPECT_EQ(convertCaseSensitiveCache(current, oldFolder, oldRecords, cachePath),
              DropboxMigrationOutcome::NothingToDo);
    oldFile("/Maps/Plan.twkx", "p", 1600000000);
    EXPECT_EQ(convertCaseSensitiveCache(current, oldFolder, oldRecords, cachePath), DropboxMigrationOutcome::Migrated);
    EXPECT_FALSE(std::filesystem::exists(oldFolder));
}

TEST_F(MigrationTest, TakesOverFilesWithTheirDatesAndRecords)
{
    std::string plan = oldFile("/Maps/Plan.twkx", "plan", 1600000000);
    oldFile("/Maps/Cafe\xcc\x81.twkx", "accents", 1600000100);
    oldFile("/Kept.twkx", "old copy", 1600000200);
    {
        DropboxFileInfoCache old(oldRecords);
        old.update("/Maps/Plan.twkx", fileModificationDate(plan), 5.0, std::string("r1"))->setOfflineAvailable(true);
        old.update("/Maps/Café.twkx", std::nullopt, DropboxFileInfoItem::makeNewFileRev());
        old.update("/Kept.twkx", 1.0, std::string("old"));
        old.update("/Missing.twkx", 1.0, std::string("gone"));
        old.update("/../../escape.twkx", 1.0, std::string("bad"));
    }
    current.update("/kept.twkx", 2.0, std::string("current"));

    EXPECT_EQ(convertCaseSensitiveCache(current, oldFolder, oldRecords, cachePath), DropboxMigrationOutcome::Migrated);

    EXPECT_EQ(readTestFile(root + "/maps/plan.twkx"), "plan");
    EXPECT_EQ(readTestFile(root + DropboxFileInfoCache::normalizeKey("/maps/café.twkx")), "accents");
    DropboxFileInfoItem* record = current.get("/Maps/Plan.twkx");
    ASSERT_TRUE(record);
    EXPECT_EQ(record->path(), "/Maps/Plan.twkx");
    EXPECT_EQ(record->rev(), "r1");
    EXPECT_EQ(record->lastAccessed(), 5.0);
    EXPECT_FALSE(record->offlineAvailable()) << "the offline flag is not carried over";
    EXPECT_TRUE(sameRecordDate(*record->localModified(), *fileModificationDate(root + "/maps/plan.twkx")))
        << "a migrated file must not look changed";
    ASSERT_TRUE(current.get("/Maps/Café.twkx"));
    EXPECT_TRUE(current.get("/Maps/Café.twkx")->isNew());
    EXPECT_EQ(current.get("/Kept.twkx")->rev(), "current") << "the current record wins";
    EXPECT_FALSE(current.get("/Missing.twkx"));
    EXPECT_FALSE(current.get("/../../escape.twkx"));
    EXPECT_FALSE(std::filesystem::exists(store.file("escape.twkx")));
    EXPECT_FALSE(std::filesystem::exists(oldFolder));
    EXPECT_FALSE(std::filesystem::exists(oldRecords));
}

TEST_F(MigrationTest, KeepsTheOldCacheWhenAnythingCouldNotBeTakenOver)
{
    oldFile("/Only here.twkx", "never uploaded", 1600000000);
    writeTestFile(oldRecords, "<file-cache><file path=");
    EXPECT_EQ(convertCaseSensitiveCache(current, oldFolder, oldRecords, cachePath),
              DropboxMigrationOutcome::KeptOldCache);
    EXPECT_TRUE(std::filesystem::exists(oldFolder + "/Only here.twkx"));
    EXPECT_EQ(readTestFile(oldRecords), "<file-cache><file path=") << "left as it was for the next start";

    {
        DropboxFileInfoCache old(oldRecords);
        old.update("/Only here.twkx", std::nullopt, DropboxFileInfoItem::makeNewFileRev());
    }
    writeTestFile(store.file("blocker"), "a file where the cache folder should be");
    auto blocked = [this](const std::string& path) { return store.file("blocker") + path; };
    EXPECT_EQ(convertCaseSensitiveCache(current, oldFolder, oldRecords, blocked),
              DropboxMigrationOutcome::KeptOldCache);
    EXPECT_TRUE(std::filesystem::exists(oldFolder + "/Only here.twkx"));
    EXPECT_TRUE(std::filesystem::exists(oldRecords));
    EXPECT_FALSE(current.get("/Only here.twkx"));
}
