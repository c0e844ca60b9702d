#include "GoogleDrive/GDriveCacheManager.h"
#include "GoogleDrive/GDriveFileInfoCache.h"
#include "GoogleDrive/GDriveFolderCache.h"
#include "Utils/CryptoDigest.h"
#include "cloud/FileDigestCache.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

namespace {

constexpr uint64_t MiB = 1024 * 1024;

struct DriveCacheManagerTest : ::testing::Test {
    TempDir folder;
    std::string root = folder.file("googledrive");
    GDriveFileInfoCache records{folder.file("gdrive-file-info-cache.xml")};
    GDriveFolderCache folders{folder.file("gdrive-folder-cache.xml")};
    GDriveCacheManager manager{records, folders, root};

    DriveCacheManagerTest()
    {
        std::filesystem::create_directories(root);
        manager.setVolumeSize([](const std::string&) { return std::optional<uint64_t>(uint64_t(1) << 40); });
    }

    // A sparse cache file of that size (no disk used) whose modification date is the record time.
    std::string cacheFile(const std::string& name, uint64_t size, double date = 10.0)
    {
        const std::string path = root + "/" + name;
        int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
        EXPECT_EQ(::ftruncate(fd, off_t(size)), 0);
        ::close(fd);
        const double unix = date + ReferenceDateOffsetFrom1970;
        timespec times[2];
        times[0].tv_sec = times[1].tv_sec = time_t(unix);
        times[0].tv_nsec = times[1].tv_nsec = 0;
        EXPECT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
        return path;
    }

    // A record and a copy in step with Drive.
    GDriveFileInfoItem* unchanged(const std::string& gdriveId, uint64_t size, double access, double date = 10.0)
    {
        GDriveMetadata metadata(gdriveId, "twkx");
        metadata.name = gdriveId + ".twkx";
        const std::string path = cacheFile(GDriveCacheFileName(gdriveId, "twkx"), size, date);
        metadata.md5Checksum = *FileMD5HexString(path);
        // Drive may send the checksum in either case.
        for (char& c : *metadata.md5Checksum) c = char(toupper(c));
        GDriveFileInfoItem* item = records.update(metadata);
        item->setLastAccessed(access);
        return item;
    }

    bool copyExists(const std::string& gdriveId) const
    {
        return std::filesystem::exists(root + "/" + GDriveCacheFileName(gdriveId, "twkx"));
    }
};

} // namespace

TEST(CacheBudgetTest, AFifteenthOfTheVolumeAtMostNinetySixMebibytes)
{
    const std::vector<std::pair<std::optional<uint64_t>, uint64_t>> cases = {
        {uint64_t(1) << 40, 96 * MiB}, {600 * MiB, 40 * MiB}, {std::nullopt, 96 * MiB}, {0, 0}, {15, 1},
    };
    for (const auto& [volume, budget] : cases) EXPECT_EQ(CacheBudget::budget(volume), budget);
}

TEST_F(DriveCacheManagerTest, TrimsUnchangedCopiesOldestFirstTiesByIdAndKeepsWhatMustStay)
{
    // 80 MiB that must stay: open, new, offline and locally changed.
    unchanged("Open", 20 * MiB, 1);
    unchanged("Offline", 20 * MiB, 1)->setOfflineAvailable(true);
    unchanged("New", 20 * MiB, 1)->setMd5Checksum("");
    unchanged("Changed", 20 * MiB, 1)->setMd5Checksum("0123456789abcdef0123456789abcdef");
    // 30 MiB that may go: 14 MiB over the budget. b and c were used at the same time; a file's
    // own date counts when it is later than the record's access.
    unchanged("c", 6 * MiB, 50);
    unchanged("b", 6 * MiB, 50);
    unchanged("a", 6 * MiB, 40, 60);
    unchanged("d", 12 * MiB, 70);
    manager.cleanupCache("Open");
    EXPECT_EQ(manager.modifiedFileSize(), 80 * MiB);
    EXPECT_EQ(manager.recentFileSize(), 30 * MiB);
    for (const char* gone : {"b", "c", "a"}) {
        EXPECT_FALSE(copyExists(gone)) << gone;
        EXPECT_FALSE(records.get(gone)) << gone;
    }
    for (const char* kept : {"d", "Open", "Offline", "New", "Changed"}) {
        EXPECT_TRUE(copyExists(kept)) << kept;
        EXPECT_TRUE(records.get(kept)) << kept;
    }
    EXPECT_EQ(manager.deletedFiles().front(), root + "/" + GDriveCacheFileName("b", "twkx"));
}

TEST_F(DriveCacheManagerTest, KeptFilesStayEvenAloneAboveTheBudget)
{
    unchanged("Open", 60 * MiB, 1);
    unchanged("New", 60 * MiB, 1)->setMd5Checksum("");
    unchanged("Offline", 60 * MiB, 1)->setOfflineAvailable(true);
    manager.cleanupCache("Open");
    EXPECT_TRUE(manager.deletedFiles().empty());
    EXPECT_EQ(records.count(), 3u);
}

TEST_F(DriveCacheManagerTest, ACopyWhoseNameWasShortenedIsFoundByItsRecord)
{
    const std::string longId(200, 'L');
    const std::string otherLongId = std::string(199, 'L') + "M";
    unchanged(longId, 1, 1)->setMd5Checksum("");
    unchanged(otherLongId, 1, 1);
    manager.cleanupCache("");
    EXPECT_TRUE(manager.deletedFiles().empty());
    EXPECT_TRUE(copyExists(longId));
    EXPECT_TRUE(copyExists(otherLongId));
    EXPECT_EQ(records.count(), 2u);
}

TEST_F(DriveCacheManagerTest, StrangersGoAndRecordsWithoutACopyGo)
{
    unchanged("Kept", 1, 1);
    cacheFile("zz.twkx", 10);
    cacheFile(GDriveCacheFileName("NoRecord", "twkx"), 10);
    cacheFile(GDriveHexEncodedId("bad/id") + ".twkx", 10);
    cacheFile(".partial-download", 10);
    std::filesystem::create_directories(root + "/" + GDriveHexEncodedId("Sub"));
    GDriveMetadata lost("Lost", "twkx");
    lost.name = "Lost.twkx";
    lost.md5Checksum = "x";
    records.update(lost);
    // Folders cut off from My Drive go with the records.
    folders.folderUpdated([] {
        GDriveMetadata orphan = GDriveMetadata::folder("Orphan");
        orphan.parentIdentifier = "gone";
        return orphan;
    }());

    manager.cleanupCache("");
    EXPECT_FALSE(std::filesystem::exists(root + "/zz.twkx"));
    EXPECT_FALSE(std::filesystem::exists(root + "/" + GDriveCacheFileName("NoRecord", "twkx")));
    EXPECT_FALSE(std::filesystem::exists(root + "/" + GDriveHexEncodedId("bad/id") + ".twkx"));
    EXPECT_TRUE(std::filesystem::exists(root + "/.partial-download")) << "a write in progress";
    EXPECT_TRUE(std::filesystem::is_directory(root + "/" + GDriveHexEncodedId("Sub")));
    EXPECT_TRUE(copyExists("Kept"));
    EXPECT_FALSE(records.get("Lost"));
    EXPECT_TRUE(records.get("Kept"));
    EXPECT_FALSE(folders.get("Orphan"));
    ASSERT_TRUE(records.flush());
    EXPECT_EQ(GDriveFileInfoCache(records.fileName()).count(), 1u) << "saved";
}

TEST_F(DriveCacheManagerTest, UnreadableRecordsDeleteNothing)
{
    const std::string neverUploaded = cacheFile(GDriveCacheFileName("New", "twkx"), 10);
    writeTestFile(records.fileName(), "<file-cache><file id=");
    GDriveFileInfoCache broken(records.fileName());
    GDriveCacheManager careful(broken, folders, root);
    careful.cleanupCache("");
    EXPECT_TRUE(std::filesystem::exists(neverUploaded));
    EXPECT_TRUE(careful.deletedFiles().empty());
    EXPECT_TRUE(std::filesystem::exists(records.fileName() + ".corrupt"));
}

// A later start reads whole records again, but they may lack maps that were only in the set-aside
// file: until the user has dealt with it, no clean-up deletes a copy for lacking a record.
TEST_F(DriveCacheManagerTest, ARecordFileSetAsideEarlierStillKeepsUnrecordedCopies)
{
    const std::string neverUploaded = cacheFile(GDriveCacheFileName("New", "twkx"), 10);
    unchanged("Kept", 10, 1);
    ASSERT_TRUE(records.flush());
    writeTestFile(records.fileName() + ".corrupt-2", "<file-cache><file id=");
    GDriveFileInfoCache restarted(records.fileName());
    ASSERT_EQ(restarted.count(), 1u);
    GDriveCacheManager later(restarted, folders, root);
    later.cleanupCache("");
    EXPECT_TRUE(std::filesystem::exists(neverUploaded));
    EXPECT_TRUE(later.deletedFiles().empty());

    std::filesystem::remove(records.fileName() + ".corrupt-2");
    later.cleanupCache("");
    EXPECT_FALSE(std::filesystem::exists(neverUploaded)) << "once recovered, a stray copy goes again";
}

// A map made a moment ago may have its record only in the writer's hands: whatever the clean-up
// does, the record is on disk by then, so a crash cannot leave the map unrecorded for the next one.
TEST_F(DriveCacheManagerTest, TheCleanUpStartsWithTheRecordsOnDisk)
{
    const std::string made = cacheFile(GDriveCacheFileName("JustMade", "twkx"), 10);
    GDriveMetadata metadata("JustMade", "twkx");
    metadata.name = "Just made.twkx";
    records.update(metadata);
    manager.cleanupCache("");
    EXPECT_TRUE(std::filesystem::exists(made));
    GDriveFileInfoCache onDisk(records.fileName());
    ASSERT_NE(onDisk.get("JustMade"), nullptr);
    EXPECT_TRUE(onDisk.get("JustMade")->isNew());
}

TEST_F(DriveCacheManagerTest, WithDigestsOnlyChangedCopiesAreReadAndAnEditInTheSameSecondIsKept)
{
    FileDigestCache digests;
    manager.setDigestCache(&digests);
    unchanged("a", 10, 1, 10.0);
    unchanged("b", 10, 1, 5.0);
    manager.cleanupCache("");
    manager.cleanupCache("");
    EXPECT_EQ(digests.filesRead(), 2u) << "the second run reads nothing";

    // b is edited here: same size, and its times put back to what they were.
    const std::string edited = root + "/" + GDriveCacheFileName("b", "twkx");
    writeTestFile(edited, "9876543210");
    const double date = 5.0 + ReferenceDateOffsetFrom1970;
    timespec times[2] = {{time_t(date), 0}, {time_t(date), 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, edited.c_str(), times, 0), 0);
    // Room for one of them: the older b would go first, were its edit not seen.
    manager.setVolumeSize([](const std::string&) { return std::optional<uint64_t>(150); });
    manager.cleanupCache("");
    EXPECT_TRUE(copyExists("b"));
    EXPECT_FALSE(copyExists("a"));
    EXPECT_EQ(digests.filesRead(), 3u);
}
