#include "platform/TextLayoutCache.h"

#include "platform/CairoGraphicsContext.h"
#include "platform/CairoGuard.h"
#include "platform/PangoTextMeasurer.h"

#include <gtest/gtest.h>
#include <pango/pangocairo.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

AttributedString coloured(const std::string& string, const Color& color)
{
    AttributedString text(string);
    text.setColor(TextRange{0, text.length()}, color);
    return text;
}

// What drawing the text at the transform leaves on a picture, through the context (and so the
// cache) or, for reference, on a layout of its own made for this one text.
std::vector<uint8_t> picture(const AttributedString& text, const AffineTransform& transform, bool cached)
{
    const CairoSurface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 120, 60));
    const CairoContext cr(cairo_create(surface.get()));
    cairo_matrix_t m;
    cairo_matrix_init(&m, transform.xx, transform.yx, transform.xy, transform.yy, transform.x0, transform.y0);
    cairo_transform(cr.get(), &m);
    if (cached) {
        CairoGraphicsContext context(cr.get(), GraphicsSurfaceKind::Screen);
        context.drawText(text, Point{3, 4}, 50);
    } else {
        PangoContext* pango = pango_font_map_create_context(pango_cairo_font_map_get_default());
        PangoTextMeasurer::prepareContext(pango);
        PangoLayout* layout = pango_layout_new(pango);
        PangoTextMeasurer::setUpLayout(layout, text, 50);
        cairo_move_to(cr.get(), 3, 4);
        pango_cairo_show_layout(cr.get(), layout);
        g_object_unref(layout);
        g_object_unref(pango);
    }
    cairo_surface_flush(surface.get());
    const uint8_t* data = cairo_image_surface_get_data(surface.get());
    return std::vector<uint8_t>(data, data + cairo_image_surface_get_stride(surface.get()) * 60);
}

} // namespace

// The canvas draws the same texts at every frame; they are laid out once and drawn as a layout
// made for them alone would draw them.
TEST(TextLayoutCache, KeepsLayoutsAcrossPaintJobsAndDrawsWhatAFreshLayoutDraws)
{
    TextLayoutCache& cache = TextLayoutCache::forThisThread();
    cache.clear();
    const AttributedString text = coloured("Quarterly plan review", Color(0.2, 0.3, 0.9));
    const AffineTransform zoom1 = AffineTransform::translation(0.3, 0.6);
    const AffineTransform zoom2{2, 0, 0, 2, -40, -9};

    EXPECT_EQ(picture(text, zoom1, false), picture(text, zoom1, true));
    const size_t made = cache.layoutsMade();
    // Another job, scrolled: found, not made, and drawn the same.
    EXPECT_EQ(picture(text, zoom1, false), picture(text, zoom1, true));
    EXPECT_EQ(made, cache.layoutsMade());
    // Another scale draws what was kept: texts are laid out in map units at every scale.
    EXPECT_EQ(picture(text, zoom2, false), picture(text, zoom2, true));
    EXPECT_EQ(made, cache.layoutsMade());
    EXPECT_EQ(1u, cache.size());

    // The same string in another colour (as a dimmed topic draws it) or wrapped at another width
    // is another layout.
    const AttributedString dimmed = coloured("Quarterly plan review", Color(0.7, 0.7, 0.7));
    EXPECT_EQ(picture(dimmed, zoom2, false), picture(dimmed, zoom2, true));
    EXPECT_EQ(made + 1, cache.layoutsMade());
    EXPECT_EQ(picture(text, zoom2, false), picture(text, zoom2, true));
    EXPECT_EQ(made + 1, cache.layoutsMade());
}

TEST(TextLayoutCache, KeepsAtMostItsCapacityDroppingTheLeastRecentlyDrawn)
{
    TextLayoutCache& cache = TextLayoutCache::forThisThread();
    cache.clear();
    auto text = [](size_t i) { return AttributedString("topic " + std::to_string(i)); };
    for (size_t i = 0; i <= TextLayoutCache::Capacity; ++i) {
        cache.layoutFor(text(i), 0);
        if (i == 10) cache.layoutFor(text(0), 0); // drawn again: now among the newest
    }
    EXPECT_EQ(TextLayoutCache::Capacity, cache.size());
    const size_t made = cache.layoutsMade();
    cache.layoutFor(text(0), 0);
    EXPECT_EQ(made, cache.layoutsMade());
    cache.layoutFor(text(1), 0); // the oldest, dropped
    EXPECT_EQ(made + 1, cache.layoutsMade());
    // Wrap widths that wrap nothing are one.
    cache.layoutFor(text(1), -3);
    EXPECT_EQ(made + 1, cache.layoutsMade());
    cache.clear();
    EXPECT_EQ(0u, cache.size());
}

// Only a window keeps texts, and a frame that draws thousands of them (a large map zoomed far out)
// keeps its first few hundred and lays the rest out on one spare layout: more would only push
// out what the next frame draws again.
TEST(TextLayoutCache, APaintJobKeepsAtMostItsShareOfNewTexts)
{
    TextLayoutCache& cache = TextLayoutCache::forThisThread();
    cache.clear();
    const CairoSurface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 10, 10));
    const CairoContext cr(cairo_create(surface.get()));
    auto drawTexts = [&](size_t first, size_t count, GraphicsSurfaceKind kind = GraphicsSurfaceKind::Screen) {
        CairoGraphicsContext context(cr.get(), kind);
        for (size_t i = first; i < first + count; ++i)
            context.drawText(AttributedString("topic " + std::to_string(i)), Point{1, 1}, 0);
    };
    // Pictures and pages draw each text once: they keep none.
    drawTexts(0, 40, GraphicsSurfaceKind::Bitmap);
    drawTexts(0, 40, GraphicsSurfaceKind::Pdf);
    EXPECT_EQ(0u, cache.size());
    drawTexts(0, TextLayoutCache::KeptPerJob + 40);
    EXPECT_EQ(TextLayoutCache::KeptPerJob, cache.size());
    // The next job keeps its own share.
    drawTexts(TextLayoutCache::KeptPerJob, 40);
    EXPECT_EQ(TextLayoutCache::KeptPerJob + 40, cache.size());
    // A text not kept still comes out laid out.
    PangoLayout* unkept = cache.layoutFor(AttributedString("not kept"), 0, false);
    EXPECT_STREQ("not kept", pango_layout_get_text(unkept));
    EXPECT_EQ(TextLayoutCache::KeptPerJob + 40, cache.size());
}
