#include "CloudBenchSupport.h"
#include "GoogleDrive/GDriveCacheManager.h"
#include "GoogleDrive/GDriveFileInfoCache.h"
#include "GoogleDrive/GDriveFolderCache.h"
#include "cloud/FileDigestCache.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

std::string driveId(int i)
{
    return "1xQ" + std::to_string(1000000 + i) + "AbCdEfGhIjKlMnOpQrStUvW";
}

// The records of a large Drive cache: 10,000 maps in 100 folders.
void fillDriveRecords(GDriveFileInfoCache& cache)
{
    cache.beginUpdate();
    for (int i = 0; i < 10000; ++i) {
        GDriveMetadata metadata(driveId(i), "twkx");
        metadata.name = "Map " + std::to_string(i) + ".twkx";
        metadata.parentIdentifier = "folder" + std::to_string(i % 100);
        if (i % 10 != 0) metadata.md5Checksum = "d41d8cd98f00b204e9800998ecf8427e";
        GDriveFileInfoItem* item = cache.update(metadata);
        item->setLastAccessed(700000100.0 + i);
        item->setOfflineAvailable(i % 7 == 0);
    }
    cache.endUpdate();
}

void BM_GDriveRecordsSaveTenThousand(benchmark::State& state)
{
    saveRecords<GDriveFileInfoCache>(state, fillDriveRecords);
}
BENCHMARK(BM_GDriveRecordsSaveTenThousand)->Unit(benchmark::kMillisecond);

void BM_GDriveRecordsLoadTenThousand(benchmark::State& state)
{
    loadRecords<GDriveFileInfoCache>(state, fillDriveRecords);
}
BENCHMARK(BM_GDriveRecordsLoadTenThousand)->Unit(benchmark::kMillisecond);

// The clean-up over 10,000 cached maps in step with Drive (each hashed) and a tree of 1,000
// folders, on a volume large enough that nothing is deleted.
void BM_GDriveCacheCleanupWalksTenThousandFiles(benchmark::State& state)
{
    ScratchFolder folder("tarnwick-gdrive");
    const std::string root = folder.file("googledrive");
    std::filesystem::create_directories(root);
    GDriveFileInfoCache records(folder.file("gdrive-file-info-cache.xml"));
    GDriveFolderCache folders(folder.file("gdrive-folder-cache.xml"));
    folders.beginUpdate();
    for (int i = 0; i < 1000; ++i) {
        GDriveMetadata entry = GDriveMetadata::folder("folder" + std::to_string(i));
        entry.name = "Folder " + std::to_string(i);
        entry.parentIdentifier = i < 10 ? folders.rootFolderId() : "folder" + std::to_string(i / 10);
        folders.folderUpdated(entry);
    }
    folders.endUpdate();
    records.beginUpdate();
    for (int i = 0; i < 10000; ++i) {
        GDriveMetadata metadata(driveId(i), "twkx");
        metadata.name = "Map " + std::to_string(i) + ".twkx";
        metadata.md5Checksum = "7e3a2b1e2ee4a4fd5a1e8a0ef7a0b2e7";
        std::ofstream(root + "/" + GDriveCacheFileName(metadata.gdriveId(), "twkx")) << "map";
        records.update(metadata);
    }
    records.endUpdate();
    GDriveCacheManager manager(records, folders, root);
    manager.setVolumeSize([](const std::string&) { return std::optional<uint64_t>(uint64_t(1) << 40); });
    for (auto _ : state) {
        manager.cleanupCache("");
        benchmark::DoNotOptimize(manager.recentFileSize());
    }
}
BENCHMARK(BM_GDriveCacheCleanupWalksTenThousandFiles)->Unit(benchmark::kMillisecond);

// What the synchronisation asks of 1,000 cached maps of 200 KB each (200 MB) when none changed:
// their digests, from a stat each. The goal is 20 ms for the whole pass.
void BM_GDriveDigestsOfThousandUnchangedMaps(benchmark::State& state)
{
    ScratchFolder folder("tarnwick-gdrive");
    std::vector<std::string> paths;
    for (int i = 0; i < 1000; ++i) {
        paths.push_back(folder.file(GDriveCacheFileName(driveId(i), "twkx")));
        // Sparse: the content is read once, but takes no disk.
        const int fd = ::open(paths.back().c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
        if (fd < 0 || ::ftruncate(fd, 200 * 1024) != 0) state.SkipWithError("cannot make the maps");
        ::close(fd);
    }
    FileDigestCache digests;
    for (const std::string& path : paths) digests.md5HexString(path);
    for (auto _ : state) {
        for (const std::string& path : paths) benchmark::DoNotOptimize(digests.md5HexString(path));
    }
    if (digests.filesRead() != paths.size()) state.SkipWithError("an unchanged map was read again");
}
BENCHMARK(BM_GDriveDigestsOfThousandUnchangedMaps)->Unit(benchmark::kMillisecond);

} // namespace
