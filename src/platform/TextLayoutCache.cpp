#include "platform/TextLayoutCache.h"

#include "platform/PangoTextMeasurer.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <cmath>
#include <functional>
#include <string>

namespace {

size_t keyHash(const std::string& text, double wrapWidth)
{
    return std::hash<std::string>()(text) ^ (std::hash<double>()(wrapWidth) * 31);
}

// Widths that wrap nothing are one key.
double usableWrapWidth(double wrapWidth)
{
    return std::isfinite(wrapWidth) && wrapWidth > 0 ? wrapWidth : 0;
}

} // namespace

TextLayoutCache& TextLayoutCache::forThisThread()
{
    thread_local TextLayoutCache cache;
    return cache;
}

TextLayoutCache::~TextLayoutCache()
{
    clear();
    if (_context) g_object_unref(_context);
    if (_surfaceOptions) cairo_font_options_destroy(_surfaceOptions);
}

void TextLayoutCache::clear()
{
    for (Entry& entry : _entries) g_object_unref(entry.layout);
    _entries.clear();
    _index.clear();
}

bool TextLayoutCache::updateContext(cairo_t* cr)
{
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    const double linear[4] = {m.xx, m.yx, m.xy, m.yy};
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_surface_get_font_options(cairo_get_target(cr), options);
    if (!_context) {
        _context = pango_cairo_create_context(cr);
        PangoTextMeasurer::prepareContext(_context);
    } else if (std::equal(linear, linear + 4, _linear) && cairo_font_options_equal(options, _surfaceOptions)) {
        cairo_font_options_destroy(options);
        return false;
    } else {
        // Fonts are hinted and cached for the transform they are drawn at.
        pango_cairo_update_context(cr, _context);
    }
    std::copy(linear, linear + 4, _linear);
    if (_surfaceOptions) cairo_font_options_destroy(_surfaceOptions);
    _surfaceOptions = options;
    return true;
}

PangoLayout* TextLayoutCache::layoutFor(cairo_t* cr, const AttributedString& text, double wrapWidth)
{
    if (updateContext(cr)) clear();
    wrapWidth = usableWrapWidth(wrapWidth);
    const size_t hash = keyHash(text.string(), wrapWidth);
    for (auto [at, end] = _index.equal_range(hash); at != end; ++at) {
        const Entries::iterator entry = at->second;
        if (entry->wrapWidth != wrapWidth || !(entry->text == text)) continue;
        _entries.splice(_entries.begin(), _entries, entry);
        return entry->layout;
    }
    if (_entries.size() >= Capacity) {
        const Entries::iterator oldest = std::prev(_entries.end());
        for (auto [at, end] = _index.equal_range(keyHash(oldest->text.string(), oldest->wrapWidth)); at != end; ++at)
            if (at->second == oldest) {
                _index.erase(at);
                break;
            }
        g_object_unref(oldest->layout);
        _entries.erase(oldest);
    }
    PangoLayout* layout = pango_layout_new(_context);
    PangoTextMeasurer::setUpLayout(layout, text, wrapWidth);
    _entries.push_front(Entry{text, wrapWidth, layout});
    _index.emplace(hash, _entries.begin());
    ++_layoutsMade;
    return layout;
}
