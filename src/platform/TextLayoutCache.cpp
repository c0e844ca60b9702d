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
    if (_unkept) g_object_unref(_unkept);
    if (_context) g_object_unref(_context);
    if (_surfaceOptions) cairo_font_options_destroy(_surfaceOptions);
    if (_readOptions) cairo_font_options_destroy(_readOptions);
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
    // Read into options kept for it: this runs for every text drawn.
    if (!_surfaceOptions) _surfaceOptions = cairo_font_options_create();
    if (!_readOptions) _readOptions = cairo_font_options_create();
    cairo_surface_get_font_options(cairo_get_target(cr), _readOptions);
    if (!_context) {
        _context = pango_cairo_create_context(cr);
        PangoTextMeasurer::prepareContext(_context);
    } else if (std::equal(linear, linear + 4, _linear) && cairo_font_options_equal(_readOptions, _surfaceOptions)) {
        return false;
    } else {
        // Fonts are hinted and cached for the transform they are drawn at.
        pango_cairo_update_context(cr, _context);
    }
    std::copy(linear, linear + 4, _linear);
    std::swap(_surfaceOptions, _readOptions);
    return true;
}

PangoLayout* TextLayoutCache::layoutFor(cairo_t* cr, const AttributedString& text, double wrapWidth, bool keep)
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
    if (!keep) {
        if (!_unkept) _unkept = pango_layout_new(_context);
        PangoTextMeasurer::setUpLayout(_unkept, text, wrapWidth);
        return _unkept;
    }
    if (_entries.size() >= Capacity) {
        // The least recently drawn text gives its place, and its layout object, to this one: a
        // picture of a large map draws thousands of texts once each.
        const Entries::iterator oldest = std::prev(_entries.end());
        for (auto [at, end] = _index.equal_range(keyHash(oldest->text.string(), oldest->wrapWidth)); at != end; ++at)
            if (at->second == oldest) {
                _index.erase(at);
                break;
            }
        _entries.splice(_entries.begin(), _entries, oldest);
        _entries.front().text = text;
        _entries.front().wrapWidth = wrapWidth;
    } else {
        _entries.push_front(Entry{text, wrapWidth, pango_layout_new(_context)});
    }
    PangoLayout* layout = _entries.front().layout;
    PangoTextMeasurer::setUpLayout(layout, text, wrapWidth);
    _index.emplace(hash, _entries.begin());
    ++_layoutsMade;
    return layout;
}
