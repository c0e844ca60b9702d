#include "platform/CairoGuard.h"
#include "render/CustomStylePreview.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

// One repaint of the custom style editor's preview with fifty palette entries round the root,
// every shape and line casting its shadow: colour changes in the editor repaint it live. Arg 0 is
// the relation line style; arg 1 what happens between repaints: 0 a fill colour changes and
// nothing is kept, 1 a fill colour changes and the preview keeps its cache (the editor's case), 2
// the text colour of every entry changes with the cache kept.
void BM_CustomStylePreviewRepaint(benchmark::State& state)
{
    constexpr double W = 600;
    constexpr double H = 500;
    std::vector<MindMapPreviewShape> shapes;
    shapes.reserve(50);
    for (int i = 0; i < 50; ++i) {
        const double angle = -30.0 - 360.0 * (i - 1) / 49.0;
        const double radius = i == 0 ? 0 : (W - 100) / 2;
        MindMapPreviewShape shape(
            {W / 2 - 30 + radius * std::cos(angle * M_PI / 180), H / 2 - 20 - radius * std::sin(angle * M_PI / 180)});
        shape.setIndex(i);
        shape.setBorderStyle(i % 8);
        shape.setFillColor(Color(i / 50.0, 0.5, 1 - i / 50.0));
        shape.setShadowColor(Color(0, 0, 0, 0.3));
        shape.setIsSelected(i == 3);
        shapes.push_back(shape);
    }
    std::vector<const MindMapPreviewShape*> entries;
    for (const auto& s : shapes) entries.push_back(&s);
    CustomStylePreviewBackground background;
    background.lineStyle = int32_t(state.range(0));
    background.shadowColor = Color(0, 0, 0, 0.3);

    const int64_t mode = state.range(1);
    const bool cached = mode != 0;
    CustomStylePreviewCache cache;
    const CairoSurface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, int(W), int(H)));
    int step = 0;
    for (auto _ : state) {
        const double shade = (step++ % 10) / 10.0;
        if (mode == 2) {
            for (auto& shape : shapes) shape.setTextColor(Color(shade, 0, 0));
        } else {
            shapes[3].setFillColor(Color(shade, 0.4, 0.6));
        }
        const CairoContext cr(cairo_create(surface.get()));
        CustomStylePreview::paint(cr.get(), {W, H}, background, entries, entries.front(), cached ? &cache : nullptr);
        cairo_surface_flush(surface.get());
    }
}
// A solid line and the dashed double line, the costliest; each without and with the cache.
BENCHMARK(BM_CustomStylePreviewRepaint)
    ->Args({1, 0})
    ->Args({5, 0})
    ->Args({1, 1})
    ->Args({5, 1})
    ->Args({5, 2})
    ->Unit(benchmark::kMillisecond);

} // namespace
