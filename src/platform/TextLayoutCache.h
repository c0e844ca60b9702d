#pragma once

#include "platform/AttributedString.h"

#include <cstddef>
#include <list>
#include <unordered_map>

typedef struct _PangoContext PangoContext;
typedef struct _PangoLayout PangoLayout;

// Laid-out texts kept from one paint job to the next. The canvas repaints the same topics at
// every frame, and laying a text out (finding its fonts, shaping it) costs more than drawing it.
//
// All layouts share one Pango context, set up as the text measurer's and laid out in map units
// whatever the transform they are drawn at: a text keeps the lines it was measured with at every
// zoom, and a layout kept serves every zoom. Painting runs on one thread; each thread has a cache
// of its own.
class TextLayoutCache {
public:
    // The most layouts kept; the least recently drawn go first.
    static constexpr size_t Capacity = 1024;
    // How many new texts one paint job keeps at most.
    static constexpr size_t KeptPerJob = Capacity / 2;

    static TextLayoutCache& forThisThread();

    TextLayoutCache() = default;
    ~TextLayoutCache();
    TextLayoutCache(const TextLayoutCache&) = delete;
    TextLayoutCache& operator=(const TextLayoutCache&) = delete;

    // The text laid out as the measurer lays it out, wrapped at the width (none when not
    // positive). The layout stays the cache's: it is good until the next call.
    //
    // A text not kept yet is kept only when `keep` is set; otherwise it is laid out on a layout of
    // its own that the next such text reuses. A paint job that draws more texts than the cache
    // holds (a picture of a whole large map) would only push out every layout kept, at a cost:
    // it keeps its first texts and no more.
    PangoLayout* layoutFor(const AttributedString& text, double wrapWidth, bool keep = true);

    size_t size() const { return _entries.size(); }
    // How many texts were laid out to be kept, since the cache began.
    size_t layoutsMade() const { return _layoutsMade; }
    void clear();

private:
    struct Entry {
        AttributedString text;
        double wrapWidth;
        PangoLayout* layout;
    };
    using Entries = std::list<Entry>; // the most recently drawn first

    PangoContext* _context = nullptr;
    PangoLayout* _unkept = nullptr; // for texts not kept
    Entries _entries;
    std::unordered_multimap<size_t, Entries::iterator> _index; // by the hash of text and width
    size_t _layoutsMade = 0;
};
