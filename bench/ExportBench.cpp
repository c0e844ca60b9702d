#include "BenchMaps.h"
#include "FreemindMaps.h"

#include "MindMaps/MMColorScheme.h"
#include "platform/CairoGraphicsContext.h"
#include "platform/CairoGuard.h"
#include "render/BitmapRowWriters.h"
#include "render/MindMapPaintSelection.h"
#include "render/MindMapPainter.h"
#include "render/MindMapRenderingView.h"
#include "render/OutlineRenderingView.h"

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <zlib.h>

#include <cmath>
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

// The 10,000-topic FreeMind map as the application opens it: laid out in columns, a picture of
// some 2,700 x 245,000 pixels with shadows, exported whole (goal: within 10 s; the process's
// peak memory within 200 MiB, measured apart with /usr/bin/time on this benchmark alone).
void BM_ExportPngOfOpenedFreemindMap(benchmark::State& state)
{
    const std::unique_ptr<MindMap> map = FreemindMaps::open(10000);
    size_t bytes = 0;
    for (auto _ : state) bytes = MindMapRenderingView::bitmapDataWithMindMap(*map, BitmapFileTypePNG, 1, false).size();
    reportBytes(state, bytes);
}
BENCHMARK(BM_ExportPngOfOpenedFreemindMap)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

double processorSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
        double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// 30,000 rows from the middle of that picture, painted once, then encoded with a choice of zlib
// level, strategy and row filter: the file's size and the processor time of all threads, which
// is what the encoder costs a machine that is busy anyway. Arguments: level, strategy, filter,
// channels.
void BM_PngEncodingChoices(benchmark::State& state)
{
    static const std::unique_ptr<MindMap> map = FreemindMaps::open(10000);
    const auto selection = MindMapPaintSelection::mindMapPaintSelection(*map, false);
    const Rect area =
        insetRect(selection->visualArea(), -MindMapRenderingView::ImageMargin, -MindMapRenderingView::ImageMargin);
    const int width = int(std::lround(area.width())), rows = 30000, top = 100000;
    static CairoSurface slice;
    if (!slice) {
        slice.reset(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, rows));
        const CairoContext cr(cairo_create(slice.get()));
        CairoGraphicsContext context(cr.get(), GraphicsSurfaceKind::Bitmap);
        BezierPath all;
        all.appendRect(Rect(0, 0, width, rows));
        static_cast<GraphicsContext&>(context).fillPath(all, Color::white());
        context.translate(-area.minX(), -area.minY() - top);
        MindMapPainter::paintMindMap(context, *selection, 0, Rect(area.minX(), area.minY() + top, width, rows));
        cairo_surface_flush(slice.get());
    }
    const PngEncoding encoding{int(state.range(0)), int(state.range(1)), int(state.range(2))};
    const bool opaque = state.range(3) == 3;
    const unsigned char* pixels = cairo_image_surface_get_data(slice.get());
    const int stride = cairo_image_surface_get_stride(slice.get());
    size_t bytes = 0;
    double processor = 0;
    for (auto _ : state) {
        const double before = processorSeconds();
        auto writer = BitmapRowWriter::png(width, rows, opaque, encoding);
        for (int y = 0; y < rows; ++y) writer->writeRow(reinterpret_cast<const uint32_t*>(pixels + size_t(y) * stride));
        bytes = writer->finish(nullptr).size();
        processor += processorSeconds() - before;
    }
    state.counters["processorMs"] = benchmark::Counter(processor * 1000, benchmark::Counter::kAvgIterations);
    reportBytes(state, bytes);
}
BENCHMARK(BM_PngEncodingChoices)
    ->ArgNames({"level", "strategy", "filter", "channels"})
    ->Args({6, Z_DEFAULT_STRATEGY, 0, 4})
    ->Args({6, Z_DEFAULT_STRATEGY, 0, 3})
    ->Args({6, Z_DEFAULT_STRATEGY, 2, 3})
    ->Args({6, Z_DEFAULT_STRATEGY, 4, 3})
    ->Args({6, Z_FILTERED, 4, 3})
    ->Args({6, Z_RLE, 2, 3})
    ->Args({1, Z_DEFAULT_STRATEGY, 0, 3})
    ->Args({1, Z_DEFAULT_STRATEGY, 2, 3})
    ->Args({1, Z_DEFAULT_STRATEGY, 4, 3})
    ->Args({1, Z_RLE, 0, 3})
    ->Args({1, Z_RLE, 2, 3})
    ->Args({1, Z_RLE, 4, 3})
    ->Args({3, Z_DEFAULT_STRATEGY, 0, 3})
    ->Args({3, Z_DEFAULT_STRATEGY, 2, 3})
    ->Args({4, Z_DEFAULT_STRATEGY, 0, 3})
    ->Args({5, Z_DEFAULT_STRATEGY, 0, 3})
    ->Args({7, Z_DEFAULT_STRATEGY, 0, 3})
    ->Args({9, Z_DEFAULT_STRATEGY, 0, 3})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

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
