#include "BenchMaps.h"

#include "MindMaps/MapLayouter.h"
#include "editor-view/MindMapEditor.h"
#include "layout/LayoutInstallation.h"
#include "layout/StrictNodeLayouter.h"
#include "platform/CairoGraphicsContext.h"
#include "platform/CairoGuard.h"
#include "platform/Image.h"

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
    explicit Canvas(double zoom, bool laidOut = false)
        : image(int(CanvasSize.width), int(CanvasSize.height)),
          cairo(cairo_create(image.surface())),
          context(cairo.get(), GraphicsSurfaceKind::Screen)
    {
        view.setFrameSize(CanvasSize);
        const std::shared_ptr<MindMap> map = richMap(laidOut);
        view.setMindMap(map);
        view.setUserScaleFactor(zoom);
        view.scrollMapPointToCenter(laidOut ? map->centralThemes().front()->location() : Point{600, 400});
    }
    ~Canvas() { view.setMindMap(nullptr); }

    void repaint() { view.draw(context, {0, 0, CanvasSize.width, CanvasSize.height}); }

    MindMapEditor view;
    Image image;
    CairoContext cairo;
    CairoGraphicsContext context;
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

} // namespace
