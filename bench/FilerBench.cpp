#include "BenchMaps.h"
#include "MindMaps/MindMap.h"
#include "formats/MindMapConverter.h"
#include "store/CustomImageStore.h"
#include "support/FakeTextMeasurer.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

std::shared_ptr<CustomImageStore> filerBenchStore()
{
    static auto store = std::make_shared<CustomImageStore>();
    return store;
}

using Exporter = MindMapData (*)(MindMap&);

MindMapData exportText(MindMap& map)
{
    return MindMapConverter::exportToText(map, false);
}

// Exporting the 10,000-topic map (notes on every fifth topic).
void exportBenchmark(benchmark::State& state, Exporter exporter)
{
    MindMap map(filerBenchStore());
    BenchMaps::buildRichMap(map);
    size_t bytes = 0;
    for (auto _ : state) {
        const MindMapData data = exporter(map);
        bytes = data.size();
        benchmark::DoNotOptimize(data.data());
    }
    state.counters["bytes"] = static_cast<double>(bytes);
    state.counters["topics"] = static_cast<double>(map.nodes().size());
}

// Opening the export as a map does: the importer and the map's loading bracket, which measures,
// wraps and lays out every topic. With the argument 1 texts are measured by the fake measurer,
// which leaves the font system's share out of the figure.
void importBenchmark(benchmark::State& state, Exporter exporter, MindMapReadFormat format)
{
    registerForeignFormats();
    FakeTextMeasurer fakeMeasurer;
    if (state.range(0) == 1) TextMeasurer::setShared(&fakeMeasurer);
    MindMap source(filerBenchStore());
    BenchMaps::buildRichMap(source);
    const MindMapData data = exporter(source);
    size_t topics = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto map = std::make_unique<MindMap>(filerBenchStore());
        state.ResumeTiming();
        const bool read = map->readFromData(data, "", static_cast<int32_t>(format));
        benchmark::DoNotOptimize(read);
        topics = map->nodes().size();
        state.PauseTiming();
        map.reset();
        state.ResumeTiming();
    }
    TextMeasurer::setShared(nullptr);
    state.counters["bytes"] = static_cast<double>(data.size());
    state.counters["topics"] = static_cast<double>(topics);
}

void BM_FilerExportOpml(benchmark::State& state)
{
    exportBenchmark(state, &MindMapConverter::exportToOpml);
}
BENCHMARK(BM_FilerExportOpml)->Unit(benchmark::kMillisecond);

void BM_FilerExportFreemind(benchmark::State& state)
{
    exportBenchmark(state, &MindMapConverter::exportToFreemind);
}
BENCHMARK(BM_FilerExportFreemind)->Unit(benchmark::kMillisecond);

void BM_FilerExportText(benchmark::State& state)
{
    exportBenchmark(state, &exportText);
}
BENCHMARK(BM_FilerExportText)->Unit(benchmark::kMillisecond);

void BM_FilerImportOpml(benchmark::State& state)
{
    importBenchmark(state, &MindMapConverter::exportToOpml, MindMapReadFormat::Opml);
}
BENCHMARK(BM_FilerImportOpml)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_FilerImportFreemind(benchmark::State& state)
{
    importBenchmark(state, &MindMapConverter::exportToFreemind, MindMapReadFormat::FreeMind);
}
BENCHMARK(BM_FilerImportFreemind)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_FilerImportText(benchmark::State& state)
{
    importBenchmark(state, &exportText, MindMapReadFormat::PlainText);
}
BENCHMARK(BM_FilerImportText)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
