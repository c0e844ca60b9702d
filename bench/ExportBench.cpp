#include "BenchMaps.h"

#include "MindMaps/MMColorScheme.h"
#include "render/MindMapRenderingView.h"
#include "render/OutlineRenderingView.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

MindMap& exportMap()
{
    static const std::unique_ptr<MindMap> map = [] {
        auto made = std::make_unique<MindMap>();
        BenchMaps::buildRichMap(*made);
        auto scheme = std::make_shared<MMColorScheme>("bench", "bench");
        scheme->setBackgroundColor(Color::white());
        made->styleSheet()->setColorScheme(scheme);
        made->validateElementStates();
        return made;
    }();
    return *map;
}

void reportPicture(benchmark::State& state, double scale)
{
    const Rect area = insetRect(exportMap().getVisualArea(false), -MindMapRenderingView::ImageMargin,
                                -MindMapRenderingView::ImageMargin);
    if (const auto size = MindMapRenderingView::imagePixelSize(area, scale)) {
        state.counters["width"] = double(size->first);
        state.counters["height"] = double(size->second);
    }
}

void reportBytes(benchmark::State& state, size_t bytes)
{
    state.counters["bytes"] = double(bytes);
    if (bytes == 0) state.SkipWithError("the export gave no data");
}

void BM_ExportPdf(benchmark::State& state)
{
    size_t bytes = 0;
    for (auto _ : state) bytes = MindMapRenderingView::pdfDataWithMindMap(exportMap(), false).size();
    reportBytes(state, bytes);
}
BENCHMARK(BM_ExportPdf)->Unit(benchmark::kMillisecond);

void BM_ExportPng(benchmark::State& state)
{
    const double scale = double(state.range(0));
    size_t bytes = 0;
    for (auto _ : state)
        bytes = MindMapRenderingView::bitmapDataWithMindMap(exportMap(), BitmapFileTypePNG, scale, false).size();
    reportPicture(state, scale);
    reportBytes(state, bytes);
}
BENCHMARK(BM_ExportPng)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_ExportTiff(benchmark::State& state)
{
    size_t bytes = 0;
    for (auto _ : state) bytes = MindMapRenderingView::tiffDataWithMindMap(exportMap(), 1, false).size();
    reportPicture(state, 1);
    reportBytes(state, bytes);
}
BENCHMARK(BM_ExportTiff)->Unit(benchmark::kMillisecond);

void BM_ExportOutlinePdf(benchmark::State& state)
{
    size_t bytes = 0;
    for (auto _ : state) bytes = OutlineRenderingView::pdfDataWithMindMap(exportMap(), false, 1 | 2 | 4 | 8, 3).size();
    reportBytes(state, bytes);
}
BENCHMARK(BM_ExportOutlinePdf)->Unit(benchmark::kMillisecond);

} // namespace
