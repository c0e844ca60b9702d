#include "BenchMaps.h"
#include "FreemindMaps.h"
#include "MindMaps/CrossLink.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapImage.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/StyleSheet.h"
#include "formats/TwkxMindMapReader.h"
#include "formats/TwkxMindMapWriter.h"
#include "store/CustomImageStore.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

void buildMap(MindMap& map)
{
    BenchMaps::buildRichMap(map);
}

std::shared_ptr<CustomImageStore> folderlessStore()
{
    static auto store = std::make_shared<CustomImageStore>();
    return store;
}

// The snapshot the undo manager takes before every change.
void BM_TwkxWriteSnapshot(benchmark::State& state)
{
    MindMap map(folderlessStore());
    buildMap(map);
    size_t bytes = 0;
    for (auto _ : state) {
        const std::string snapshot = TwkxMindMapWriter::captureUndoState(map);
        bytes = snapshot.size();
        benchmark::DoNotOptimize(snapshot.data());
    }
    state.counters["bytes"] = static_cast<double>(bytes);
    state.counters["topics"] = static_cast<double>(map.nodes().size());
}
BENCHMARK(BM_TwkxWriteSnapshot)->Unit(benchmark::kMillisecond);

// The same on the imported 10,000-topic map the editing keys are measured on: its snapshot is taken
// before every structural key.
void BM_TwkxWriteSnapshotImportedMap(benchmark::State& state)
{
    static const std::unique_ptr<MindMap> map = FreemindMaps::open(10000);
    if (!map) {
        state.SkipWithError("the map did not open");
        return;
    }
    size_t bytes = 0;
    for (auto _ : state) {
        const std::string snapshot = TwkxMindMapWriter::captureUndoState(*map);
        bytes = snapshot.size();
        benchmark::DoNotOptimize(snapshot.data());
    }
    state.counters["bytes"] = static_cast<double>(bytes);
    state.counters["topics"] = static_cast<double>(map->nodes().size());
}
BENCHMARK(BM_TwkxWriteSnapshotImportedMap)->Unit(benchmark::kMicrosecond);

// Reading a snapshot back, as undo does: the reader alone, inside a loading bracket that is not
// timed (the bracket restyles, validates and lays out, which is the map's work, not the reader's).
void BM_TwkxReadSnapshot(benchmark::State& state)
{
    MindMap source(folderlessStore());
    buildMap(source);
    const std::string snapshot = TwkxMindMapWriter::captureUndoState(source);
    for (auto _ : state) {
        state.PauseTiming();
        auto map = std::make_unique<MindMap>(folderlessStore());
        map->beginLoading();
        state.ResumeTiming();
        const bool read = TwkxMindMapReader::loadMindMap(*map, snapshot);
        benchmark::DoNotOptimize(read);
        state.PauseTiming();
        map->loadingCompleted();
        map.reset();
        state.ResumeTiming();
    }
    state.counters["bytes"] = static_cast<double>(snapshot.size());
}
BENCHMARK(BM_TwkxReadSnapshot)->Unit(benchmark::kMillisecond);

// Opening the document as a whole: the reader and the map's loading bracket.
void BM_TwkxOpenDocument(benchmark::State& state)
{
    registerNativeFormat();
    MindMap source(folderlessStore());
    buildMap(source);
    const MindMapData document = TwkxMindMapWriter::writeMindMap(source);
    for (auto _ : state) {
        state.PauseTiming();
        auto map = std::make_unique<MindMap>(folderlessStore());
        state.ResumeTiming();
        const bool read = map->readFromData(document, "", static_cast<int32_t>(MindMapReadFormat::Native));
        benchmark::DoNotOptimize(read);
        state.PauseTiming();
        map.reset();
        state.ResumeTiming();
    }
    state.counters["bytes"] = static_cast<double>(document.size());
}
BENCHMARK(BM_TwkxOpenDocument)->Unit(benchmark::kMillisecond);

} // namespace
