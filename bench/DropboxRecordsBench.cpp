#include "CloudBenchSupport.h"
#include "dropbox/DropboxCacheManager.h"
#include "dropbox/DropboxFileInfoCache.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

// The records of a large cloud cache: 10,000 maps in 100 folders.
void fillRecords(DropboxFileInfoCache& cache)
{
    cache.beginUpdate();
    for (int i = 0; i < 10000; ++i) {
        std::string path = "/Projects " + std::to_string(i % 100) + "/Map " + std::to_string(i) + ".twkx";
        DropboxFileInfoItem* item =
            cache.update(path, 700000000.0 + i * 0.25, 700000100.0 + i,
                         i % 10 == 0 ? DropboxFileInfoItem::makeNewFileRev() : "015a" + std::to_string(100000 + i));
        item->setOfflineAvailable(i % 7 == 0);
    }
    cache.endUpdate();
}

void BM_DropboxRecordsSaveTenThousand(benchmark::State& state)
{
    saveRecords<DropboxFileInfoCache>(state, fillRecords);
}
BENCHMARK(BM_DropboxRecordsSaveTenThousand)->Unit(benchmark::kMillisecond);

void BM_DropboxRecordsLoadTenThousand(benchmark::State& state)
{
    loadRecords<DropboxFileInfoCache>(state, fillRecords);
}
BENCHMARK(BM_DropboxRecordsLoadTenThousand)->Unit(benchmark::kMillisecond);

// The clean-up's walk over a cache folder of 10,000 maps in step with their records, on a volume
// large enough that nothing is deleted: the walk, the record look-ups and the dates are measured.
void BM_DropboxCacheCleanupWalksTenThousandFiles(benchmark::State& state)
{
    ScratchFolder folder("tarnwick-records");
    const std::string root = folder.file("cache");
    DropboxFileInfoCache records(folder.file("records.xml"));
    records.beginUpdate();
    for (int i = 0; i < 10000; ++i) {
        const std::string dbPath = "/projects " + std::to_string(i % 100) + "/map " + std::to_string(i) + ".twkx";
        std::filesystem::create_directories(root + "/projects " + std::to_string(i % 100));
        std::ofstream(root + dbPath) << "map";
        records.update(dbPath, fileModificationDate(root + dbPath), 700000000.0 + i, std::string("015a1"));
    }
    records.endUpdate();
    DropboxCacheManager manager(records, root);
    manager.setVolumeSize([](const std::string&) { return std::optional<uint64_t>(uint64_t(1) << 40); });
    for (auto _ : state) {
        manager.cleanupCache("");
        benchmark::DoNotOptimize(manager.recentFileSize());
    }
}
BENCHMARK(BM_DropboxCacheCleanupWalksTenThousandFiles)->Unit(benchmark::kMillisecond);

} // namespace
