#include "formats/TwkxArchiveReader.h"
#include "formats/ZipArchive.h"
#include "store/CustomImageStore.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace {

// A container of a small document and n empty "images/<40 hex>.png" entries, as a hostile upload
// from the device link was: each picture is passed over, so the time is the reading alone.
const std::vector<uint8_t>& containerOfEmptyImages(size_t count)
{
    static std::map<size_t, std::vector<uint8_t>> made;
    auto found = made.find(count);
    if (found != made.end()) return found->second;
    ZipArchive zip;
    zip.CreateZipData();
    const std::string document = "<?xml version=\"1.0\"?><tarnwick-mindmaps><mindmap/></tarnwick-mindmaps>";
    zip.addDataToZip(std::vector<uint8_t>(document.begin(), document.end()), std::nullopt, "document/mindmap.xml");
    char hash[41];
    for (size_t i = 0; i < count; ++i) {
        std::snprintf(hash, sizeof hash, "%040zx", i);
        zip.addDataToZip({}, std::nullopt, std::string("images/") + hash + ".png");
    }
    zip.CloseZipFile2();
    return made.emplace(count, zip.zipData()).first->second;
}

// Opening the container, taking its document and importing its pictures into a store: what every
// import of a native container does.
void BM_ReadContainerOfEmptyImages(benchmark::State& state)
{
    const std::vector<uint8_t>& archive = containerOfEmptyImages(size_t(state.range(0)));
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "tarnwick-archive-bench";
    std::filesystem::create_directories(folder);
    CustomImageStore images(folder.string());
    for (auto _ : state) {
        TwkxArchiveReader reader(archive);
        benchmark::DoNotOptimize(reader.extractMindMapDocument());
        benchmark::DoNotOptimize(reader.importCustomImages(images));
    }
    std::filesystem::remove_all(folder);
    state.SetItemsProcessed(int64_t(state.iterations()) * state.range(0));
    state.counters["archiveMB"] = double(archive.size()) / (1 << 20);
}
BENCHMARK(BM_ReadContainerOfEmptyImages)->Arg(2000)->Arg(8000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace
