#include "platform/TextLayoutCache.h"

#include "platform/PangoTextMeasurer.h"

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
}

void TextLayoutCache::clear()
{
    for (Entry& entry : _entries) g_object_unref(entry.layout);
    _entries.clear();
    _index.clear();
}

PangoLayout* TextLayoutCache::layoutFor(const AttributedString& text, double wrapWidth, bool keep)
{
    if (!_context) {
        // The measurer's context on the same font map, never brought to the transform a text is
        // drawn at: glyph advances at a scaled size are rounded apart from those in map units,
        // so a text wrapped at its measured width would break its lines otherwise at some zooms.
        // Cairo scales the outlines.
        _context = pango_font_map_create_context(pango_cairo_font_map_get_default());
        PangoTextMeasurer::prepareContext(_context);
    }
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
