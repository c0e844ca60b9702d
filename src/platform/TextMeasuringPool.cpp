#include "platform/TextMeasuringPool.h"

#include "platform/PangoTextMeasurer.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <unordered_map>

namespace {

// Enough texts per hand-out that taking them costs little, few enough that the threads finish
// together.
constexpr size_t ChunkSize = 16;

// Each worker loads its fonts anew in a font map of its own, and Pango starts a thread of its own
// for each font the map first matches: a few milliseconds of processor that a batch of a small
// map (a first start's map has some 40 texts) never wins back. A smaller batch is laid out on the
// calling thread until a batch this large has started the workers.
constexpr size_t StartingBatch = 512;

// Font maps of different threads still share cairo's scaled fonts and its process-wide cache of
// glyph pages, which this cairo does not guard against use from two threads at once (a worker
// evicting another's page crashes the other). Pango reaches those caches only when it asks a
// font for glyph extents or metrics: those two calls take turns, everything else (itemizing,
// shaping, breaking lines) runs side by side.
std::recursive_mutex glyphCacheMutex;
void (*originalGlyphExtents)(PangoFont*, PangoGlyph, PangoRectangle*, PangoRectangle*) = nullptr;
PangoFontMetrics* (*originalMetrics)(PangoFont*, PangoLanguage*) = nullptr;

// Every glyph of every text asks for its extents: were each call to take turns, the threads
// would mostly wait for each other. A font belongs to the font map of one thread, so the extents
// it has once given are kept on the font itself, where only that thread looks.
struct GlyphExtents {
    PangoRectangle ink;
    PangoRectangle logical;
};
using GlyphExtentsTable = std::unordered_map<PangoGlyph, GlyphExtents>;

void guardedGlyphExtents(PangoFont* font, PangoGlyph glyph, PangoRectangle* ink, PangoRectangle* logical)
{
    static const GQuark tableKey = g_quark_from_static_string("tarnwick-glyph-extents");
    auto* table = static_cast<GlyphExtentsTable*>(g_object_get_qdata(G_OBJECT(font), tableKey));
    if (!table) {
        table = new GlyphExtentsTable;
        g_object_set_qdata_full(G_OBJECT(font), tableKey, table,
                                [](gpointer data) { delete static_cast<GlyphExtentsTable*>(data); });
    }
    auto found = table->find(glyph);
    if (found == table->end()) {
        GlyphExtents extents{};
        {
            std::lock_guard lock(glyphCacheMutex);
            originalGlyphExtents(font, glyph, &extents.ink, &extents.logical);
        }
        found = table->emplace(glyph, extents).first;
    }
    if (ink) *ink = found->second.ink;
    if (logical) *logical = found->second.logical;
}

PangoFontMetrics* guardedMetrics(PangoFont* font, PangoLanguage* language)
{
    // Metrics lay a sample text out, which asks for glyph extents again: the lock is recursive.
    std::lock_guard lock(glyphCacheMutex);
    return originalMetrics(font, language);
}

// Wraps the two calls of the font class that every measurer's fonts belong to; once, before the
// first worker starts.
void guardGlyphExtents()
{
    if (originalGlyphExtents) return;
    PangoFontMap* fontMap = pango_cairo_font_map_new();
    PangoContext* context = pango_font_map_create_context(fontMap);
    PangoFontDescription* description = Font().newPangoDescription();
    PangoFont* font = pango_font_map_load_font(fontMap, context, description);
    if (font) {
        PangoFontClass* fontClass = PANGO_FONT_GET_CLASS(font);
        originalGlyphExtents = fontClass->get_glyph_extents;
        originalMetrics = fontClass->get_metrics;
        fontClass->get_glyph_extents = guardedGlyphExtents;
        fontClass->get_metrics = guardedMetrics;
        g_object_unref(font);
    }
    pango_font_description_free(description);
    g_object_unref(context);
    g_object_unref(fontMap);
}

} // namespace

TextMeasuringPool& TextMeasuringPool::shared()
{
    static TextMeasuringPool pool;
    return pool;
}

TextMeasuringPool::~TextMeasuringPool()
{
    {
        std::lock_guard lock(_mutex);
        _stopping = true;
    }
    _wake.notify_all();
    for (std::thread& worker : _workers) worker.join();
}

size_t TextMeasuringPool::workerCount() const
{
    std::lock_guard lock(_mutex);
    return _workers.size();
}

void TextMeasuringPool::start()
{
    // The calling thread measures too; more threads than cores would only take turns.
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const unsigned workers = std::min(cores, 8u) - 1;
    guardGlyphExtents();
    for (unsigned i = 0; i < workers; ++i) _workers.emplace_back([this] { work(); });
}

void TextMeasuringPool::forEach(size_t count, PangoLayoutMeasurer& callerMeasurer,
                                const std::function<void(PangoLayoutMeasurer&, size_t)>& measure)
{
    // Waking the workers would cost more than they could save.
    const bool alone = count <= ChunkSize || (_workers.empty() && count < StartingBatch);
    if (alone) {
        for (size_t i = 0; i < count; ++i) measure(callerMeasurer, i);
        return;
    }
    {
        std::lock_guard lock(_mutex);
        if (_workers.empty()) start();
        _measure = &measure;
        _count = count;
        _next = 0;
        ++_generation;
    }
    _wake.notify_all();
    while (measureChunk(callerMeasurer)) {}
    std::unique_lock lock(_mutex);
    _done.wait(lock, [this] { return _busy == 0; });
    _measure = nullptr;
    _count = 0;
}

bool TextMeasuringPool::measureChunk(PangoLayoutMeasurer& measurer)
{
    size_t begin, end;
    const std::function<void(PangoLayoutMeasurer&, size_t)>* measure;
    {
        std::lock_guard lock(_mutex);
        if (_next >= _count) return false;
        begin = _next;
        end = std::min(_count, begin + ChunkSize);
        _next = end;
        measure = _measure;
    }
    for (size_t i = begin; i < end; ++i) (*measure)(measurer, i);
    return true;
}

void TextMeasuringPool::work()
{
    // Made and released on this thread: its Pango objects never leave it.
    PangoLayoutMeasurer measurer;
    unsigned seen = 0;
    for (;;) {
        {
            std::unique_lock lock(_mutex);
            _wake.wait(lock, [&] { return _stopping || (_generation != seen && _next < _count); });
            if (_stopping) return;
            seen = _generation;
            ++_busy;
        }
        while (measureChunk(measurer)) {}
        {
            std::lock_guard lock(_mutex);
            --_busy;
        }
        _done.notify_all();
    }
}
