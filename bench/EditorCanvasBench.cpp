#include "BenchMaps.h"

#include "editor-view/MindMapEditor.h"
#include "platform/CairoGraphicsContext.h"
#include "platform/CairoGuard.h"
#include "platform/Image.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr Size CanvasSize{1920, 1080};

// The rich 10,000-topic map, built once for every canvas benchmark.
std::shared_ptr<MindMap> richMap()
{
    static std::shared_ptr<MindMap> map = [] {
        auto made = std::make_shared<MindMap>();
        BenchMaps::buildRichMap(*made);
        made->validateElementStates();
        return made;
    }();
    return map;
}

// A full-screen canvas on the map, centred on the first central theme's branch.
struct Canvas {
    explicit Canvas(double zoom)
        : image(int(CanvasSize.width), int(CanvasSize.height)),
          cairo(cairo_create(image.surface())),
          context(cairo.get(), GraphicsSurfaceKind::Screen)
    {
        view.setFrameSize(CanvasSize);
        view.setMindMap(richMap());
        view.setUserScaleFactor(zoom);
        view.scrollMapPointToCenter({600, 400});
    }
    ~Canvas() { view.setMindMap(nullptr); }

    void repaint() { view.draw(context, {0, 0, CanvasSize.width, CanvasSize.height}); }

    MindMapEditor view;
    Image image;
    CairoContext cairo;
    CairoGraphicsContext context;
};

// One frame of the canvas at the zoom (percent).
void BM_CanvasRepaint(benchmark::State& state)
{
    Canvas canvas(state.range(0) / 100.0);
    for (auto _ : state) canvas.repaint();
    state.SetLabel("10,000 topics, 1920x1080");
}
BENCHMARK(BM_CanvasRepaint)->Arg(100)->Arg(25)->Unit(benchmark::kMillisecond);

// One frame of a wheel scroll: the position moves by a notch, then the canvas repaints.
void BM_CanvasScrollFrame(benchmark::State& state)
{
    Canvas canvas(state.range(0) / 100.0);
    double step = 30;
    int frame = 0;
    for (auto _ : state) {
        if (++frame % 40 == 0) step = -step;
        canvas.view.scrollBy(0, step);
        canvas.repaint();
    }
    state.SetLabel("10,000 topics, 1920x1080");
}
BENCHMARK(BM_CanvasScrollFrame)->Arg(100)->Arg(25)->Unit(benchmark::kMillisecond);

} // namespace
