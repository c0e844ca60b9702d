#include "BenchMaps.h"
#include "ScreenSurface.h"

#include "MindMaps/MapLayouter.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapFormats.h"
#include "editor-view/MindMapEditor.h"
#include "formats/TwkxMindMapReader.h"
#include "layout/LayoutInstallation.h"
#include "layout/StrictNodeLayouter.h"
#include "platform/CairoGraphicsContext.h"
#include "platform/CairoGuard.h"
#include "platform/FileUtils.h"
#include "platform/Folders.h"
#include "platform/Image.h"
#include "platform/ShadowSprites.h"
#include "platform/TextLayoutCache.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr Size CanvasSize{1920, 1080};

// The rich 10,000-topic map, built once for every canvas benchmark: as built, its topics piled
// where they were added, or laid out as the application lays out a map it imports. The layouter is
// installed only meanwhile, so that the other benchmarks of this binary keep measuring the
// stationary model.
std::shared_ptr<MindMap> richMap(bool laidOut)
{
    auto build = [](bool layout) {
        if (layout) installLayout();
        auto made = std::make_shared<MindMap>();
        BenchMaps::buildRichMap(*made);
        if (layout) StrictNodeLayouter::layoutMindMapStrictHorizontal(*made);
        made->validateElementStates();
        if (layout) MapLayouter::install(nullptr);
        return made;
    };
    if (laidOut) {
        static const std::shared_ptr<MindMap> laid = build(true);
        return laid;
    }
    static const std::shared_ptr<MindMap> piled = build(false);
    return piled;
}

// A full-screen canvas on the map, centred on the first central theme's branch.
struct Canvas {
    explicit Canvas(double zoom, bool laidOut = false) : surface(CanvasSize)
    {
        view.setFrameSize(CanvasSize);
        const std::shared_ptr<MindMap> map = richMap(laidOut);
        view.setMindMap(map);
        view.setUserScaleFactor(zoom);
        view.scrollMapPointToCenter(laidOut ? map->centralThemes().front()->location() : Point{600, 400});
    }
    ~Canvas() { view.setMindMap(nullptr); }

    void repaint() { surface.paint(view); }

    MindMapEditor view;
    ScreenSurface surface;
};

// One frame of the canvas at the zoom (percent), on the map as built or laid out, nothing having
// changed since the last one (the window uncovered): it comes from the canvas picture.
void BM_CanvasRepaint(benchmark::State& state)
{
    Canvas canvas(state.range(0) / 100.0, state.range(1) != 0);
    // The first frame paints everything; only those after it are measured.
    canvas.repaint();
    for (auto _ : state) canvas.repaint();
    state.SetLabel("10,000 topics, 1920x1080");
}
BENCHMARK(BM_CanvasRepaint)
    ->ArgNames({"zoomPercent", "laidOut"})
    ->Args({100, 0})
    ->Args({25, 0})
    ->Args({100, 1})
    ->Args({25, 1})
    ->Unit(benchmark::kMillisecond);

// One frame after a change of the map that the whole window shows: everything is painted again.
void BM_CanvasRepaintAfterChange(benchmark::State& state)
{
    Canvas canvas(state.range(0) / 100.0, state.range(1) != 0);
    for (auto _ : state) {
        canvas.view.mindMapChanged();
        canvas.repaint();
    }
    state.SetLabel("10,000 topics, 1920x1080");
}
BENCHMARK(BM_CanvasRepaintAfterChange)
    ->ArgNames({"zoomPercent", "laidOut"})
    ->Args({100, 0})
    ->Args({100, 1})
    ->Args({25, 1})
    ->Unit(benchmark::kMillisecond);

// One frame of a wheel scroll: the position moves by a notch, then the canvas repaints.
void BM_CanvasScrollFrame(benchmark::State& state)
{
    Canvas canvas(state.range(0) / 100.0, state.range(1) != 0);
    canvas.repaint();
    double step = 30;
    int frame = 0;
    for (auto _ : state) {
        if (++frame % 40 == 0) step = -step;
        canvas.view.scrollBy(0, step);
        canvas.repaint();
    }
    state.SetLabel("10,000 topics, 1920x1080");
}
BENCHMARK(BM_CanvasScrollFrame)
    ->ArgNames({"zoomPercent", "laidOut"})
    ->Args({100, 0})
    ->Args({25, 0})
    ->Args({100, 1})
    ->Args({25, 1})
    ->Unit(benchmark::kMillisecond);

// The frame a first start shows: the getting-started map, read anew and centred in a canvas of
// the size the window at its default size gives it, painted once with nothing kept from an earlier
// paint (no shadow or line coverage, no text layouts). Only the paint is measured.
void BM_FirstPaintOfGettingStartedMap(benchmark::State& state)
{
    registerNativeFormat();
    installLayout();
    const std::optional<std::vector<uint8_t>> data =
        readFileData(Folders::resourcePath("maps/getting_started_mind_map.twkx"), MaximumMindMapFileSize);
    if (!data) {
        state.SkipWithError("no getting-started map among the resources");
        MapLayouter::install(nullptr);
        return;
    }
    const Size frame{699, 596};
    Image image(int(frame.width), int(frame.height));
    for (auto _ : state) {
        state.PauseTiming();
        ShadowSprites::forThisThread().clear();
        ShadowSprites::linesForThisThread().clear();
        TextLayoutCache::forThisThread().clear();
        auto map = std::make_shared<MindMap>();
        if (!map->readFromData(*data, "", int32_t(MindMapReadFormat::Native))) {
            state.SkipWithError("the getting-started map cannot be read");
            break;
        }
        auto view = std::make_unique<MindMapEditor>();
        view->setFrameSize(frame);
        view->setMindMap(map);
        view->mindMapLoaded(MindMapLoadedDocument);
        const CairoContext cairo(cairo_create(image.surface()));
        CairoGraphicsContext context(cairo.get(), GraphicsSurfaceKind::Screen);
        state.ResumeTiming();
        view->draw(context, {0, 0, frame.width, frame.height});
        state.PauseTiming();
        view.reset();
        map.reset();
        state.ResumeTiming();
    }
    MapLayouter::install(nullptr);
}
BENCHMARK(BM_FirstPaintOfGettingStartedMap)->Unit(benchmark::kMillisecond);

} // namespace
