#include "BenchMaps.h"
#include "FreemindMaps.h"

#include "MindMaps/MMColorScheme.h"
#include "MindMaps/MapLayouter.h"
#include "layout/LayoutInstallation.h"
#include "layout/StrictNodeLayouter.h"
#include "platform/CairoGraphicsContext.h"
#include "platform/CairoGuard.h"
#include "platform/Image.h"
#include "render/BranchBounds.h"
#include "render/MindMapPaintSelection.h"
#include "render/MindMapPainter.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

namespace {

// The rich 10,000-topic map; with shadows its scheme has a shadow colour, with hulls every main
// branch has one. Laid out, it is placed and its lines routed as the application does after an
// import; the layouter is installed only meanwhile, so that the other benchmarks of this binary
// keep measuring the stationary model.
std::unique_ptr<MindMap> richMap(bool shadows, bool hulls, bool laidOut = false)
{
    if (laidOut) installLayout();
    auto map = std::make_unique<MindMap>();
    BenchMaps::buildRichMap(*map);
    if (laidOut) StrictNodeLayouter::layoutMindMapStrictHorizontal(*map);
    auto scheme = std::make_shared<MMColorScheme>("bench", "bench");
    scheme->setBackgroundColor(Color::white());
    scheme->setShadowColor(shadows ? std::optional<Color>(Color(0, 0, 0, 0.4)) : std::nullopt);
    map->styleSheet()->setColorScheme(scheme);
    if (hulls)
        for (MindMapNode* theme : map->centralThemes())
            for (MindMapNode* branch : theme->children()) branch->assureHullStyle();
    map->validateElementStates();
    if (laidOut) MapLayouter::install(nullptr);
    return map;
}

// A picture (Bitmap) or a window's frame (Screen, as the canvas draws, keeping where the map's
// branches lie from one frame to the next).
void paintInto(cairo_surface_t* surface, const AffineTransform& transform, MindMap& map, uint32_t flags,
               const Rect& clip, benchmark::State& state, GraphicsSurfaceKind kind = GraphicsSurfaceKind::Bitmap)
{
    const auto selection = MindMapPaintSelection::mindMapPaintSelection(map, false);
    BranchBounds branchBounds;
    for (auto _ : state) {
        const CairoContext cr(cairo_create(surface));
        CairoGraphicsContext context(cr.get(), kind);
        context.concat(transform);
        BranchBounds* kept = kind == GraphicsSurfaceKind::Screen ? &branchBounds : nullptr;
        if (!MindMapPainter::paintMindMap(context, *selection, flags, clip, kept))
            state.SkipWithError("painting failed");
        cairo_surface_flush(surface);
    }
}

// The whole map at scale 1 into one picture, as an image export draws it.
void BM_PaintWholeMap(benchmark::State& state)
{
    const auto map = richMap(state.range(0), state.range(1));
    const Rect area = insetRect(map->getVisualArea(false), -30, -30);
    const CairoSurface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32,
                                                          int(std::min(area.width(), double(Image::MaxSide))),
                                                          int(std::min(area.height(), double(Image::MaxSide)))));
    paintInto(surface.get(), AffineTransform::translation(-area.minX(), -area.minY()), *map, 0, Rect(), state);
    state.counters["pixels"] =
        double(cairo_image_surface_get_width(surface.get())) * cairo_image_surface_get_height(surface.get());
}
BENCHMARK(BM_PaintWholeMap)
    ->ArgNames({"shadows", "hulls"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond);

// One canvas repaint as the editor asks for it: a 1920 x 1080 window centred on the first theme
// of the laid-out map, at zoom 1 (goal: within one frame, 16 ms) and 0.25, with the editor's flags
// for that zoom (zoomed that far out it draws fine dashes as plain lines).
void BM_PaintCanvasClip(benchmark::State& state)
{
    const double zoom = state.range(0) / 100.0;
    const auto map = richMap(state.range(1), true, true);
    const Point centre = map->centralThemes().front()->location();
    const Rect clip(centre.x - 960 / zoom, centre.y - 540 / zoom, 1920 / zoom, 1080 / zoom);
    size_t inClip = 0;
    for (const MindMapNode* node : map->nodes()) inClip += node->isVisible() && intersectsRect(node->bounds(), clip);
    state.counters["topicsInClip"] = double(inClip);
    const CairoSurface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1920, 1080));
    paintInto(
        surface.get(),
        AffineTransform::scaling(zoom, zoom).concatenating(AffineTransform::translation(-clip.minX(), -clip.minY())),
        *map, PaintFlagDesigning | (zoom <= 0.5 ? PaintFlagSimplifyFineDashes : 0u), clip, state,
        GraphicsSurfaceKind::Screen);
}
BENCHMARK(BM_PaintCanvasClip)
    ->ArgNames({"zoomPercent", "shadows"})
    ->Args({100, 1})
    ->Args({100, 0})
    ->Args({25, 1})
    ->Args({25, 0})
    ->Unit(benchmark::kMillisecond);

void BM_ThumbnailOfLargeMap(benchmark::State& state)
{
    const auto map = richMap(false, true);
    for (auto _ : state) benchmark::DoNotOptimize(MindMapPainter::createThumbnailImage(*map));
}
BENCHMARK(BM_ThumbnailOfLargeMap)->Unit(benchmark::kMillisecond);

// The side bar's thumbnail of a FreeMind map as the application opens it, tall and laid out in
// columns, painted on the main thread from the open map (goal: within a frame, 16 ms, at 10,000
// topics; never longer than 50 ms at 50,000).
void BM_ThumbnailOfOpenedFreemindMap(benchmark::State& state)
{
    const std::unique_ptr<MindMap> map = FreemindMaps::open(size_t(state.range(0)));
    if (!map) return state.SkipWithError("the map did not read");
    for (auto _ : state) benchmark::DoNotOptimize(MindMapPainter::createThumbnailImage(*map));
}
BENCHMARK(BM_ThumbnailOfOpenedFreemindMap)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond);

// The store's thumbnail cache filling: 200 small maps of 30 topics, one after the other.
void BM_ThumbnailsOfSmallMaps(benchmark::State& state)
{
    std::vector<std::unique_ptr<MindMap>> maps;
    std::mt19937 random(7);
    for (int m = 0; m < 200; ++m) {
        auto map = std::make_unique<MindMap>();
        map->newMindMap("", false, std::nullopt);
        MindMapNode* theme = map->internalAddCentralTheme(BenchMaps::randomText(random));
        for (int i = 0; i < 29; ++i) {
            MindMapNode* child = map->addMindMapNodeAsChild(theme, Point{200.0 + i % 3 * 150, i * 30.0 - 400});
            child->setText(BenchMaps::randomText(random));
        }
        map->validateElementStates();
        maps.push_back(std::move(map));
    }
    for (auto _ : state)
        for (const auto& map : maps) benchmark::DoNotOptimize(MindMapPainter::createThumbnailImage(*map));
}
BENCHMARK(BM_ThumbnailsOfSmallMaps)->Unit(benchmark::kMillisecond);

// A selection-only paint selection of all themes of a map with 1,000 cross links.
void BM_PaintSelectionWithCrossLinks(benchmark::State& state)
{
    MindMap map;
    std::mt19937 random(11);
    BenchMaps::buildTopics(map, random);
    const std::vector<MindMapNode*>& nodes = map.nodes();
    std::uniform_int_distribution<size_t> pick(0, nodes.size() - 1);
    for (int links = 0; links < 1000;) {
        MindMapNode* source = nodes[pick(random)];
        MindMapNode* target = nodes[pick(random)];
        if (!map.canCreateCrossLinkFromSource(source, target)) continue;
        map.internalAddCrossLinkFromSource(source, target);
        ++links;
    }
    map.validateElementStates();
    map.setSelectedElement(map.centralThemes().front());
    for (MindMapNode* theme : map.centralThemes()) map.toggleSelection(theme, false);
    for (auto _ : state) {
        const auto selection = MindMapPaintSelection::mindMapPaintSelection(map, true);
        benchmark::DoNotOptimize(selection->crossLinks().size());
    }
}
BENCHMARK(BM_PaintSelectionWithCrossLinks)->Unit(benchmark::kMillisecond);

} // namespace
