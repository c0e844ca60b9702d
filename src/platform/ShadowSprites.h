#pragma once

#include "platform/CairoGuard.h"

#include <cstddef>
#include <list>
#include <string>
#include <unordered_map>
#include <vector>

// Blurred shadows of single shapes, kept by everything that decides their pixels. A window draws
// the same topics frame after frame; blurring each topic's shadow once and keeping it costs a
// copy per frame where a layer the size of the window would be blurred again every time.
//
// A key names the shape in device space up to whole pixels (its path, transform, pen and the
// fraction of a pixel it starts at) and the shadow's offset and blur, so a sprite is only ever
// found again for the very same pixels: a shape restyled, zoomed or drawn at another scale factor
// makes a key of its own. The least recently used sprites go first once the kept ones hold more
// than their budget.
class ShadowSprites {
public:
    struct Sprite {
        // The shadow's alpha (A8), to be painted in the shadow colour.
        CairoSurface mask;
        // Where the mask's first pixel lies, from the whole pixel the shape starts at.
        int left = 0;
        int top = 0;
        size_t bytes = 0;
        // Where the mask holds anything, in its own pixels: a line's mask is mostly clear, and
        // only these parts are painted.
        struct Box {
            int x, y, width, height;
        };
        std::vector<Box> inked;
    };

    static constexpr size_t DefaultBudget = size_t(32) << 20;

    explicit ShadowSprites(size_t budget = DefaultBudget) : _budget(budget) {}
    ShadowSprites(const ShadowSprites&) = delete;
    ShadowSprites& operator=(const ShadowSprites&) = delete;

    // The sprites of this thread's windows.
    static ShadowSprites& forThisThread();
    // The coverage of the dashed lines of this thread's windows: cairo steps through every dash
    // of a line each time it strokes it, a mask is copied in one go.
    static ShadowSprites& linesForThisThread();

    // The sprite kept for the key, now the most recently used; null when there is none.
    const Sprite* find(const std::string& key);
    // Keeps the sprite for the key, letting the least recently used ones go beyond the budget.
    const Sprite& keep(const std::string& key, Sprite sprite);
    void clear();

    size_t size() const { return _sprites.size(); }
    size_t bytes() const { return _bytes; }
    // How many sprites were kept in all, and how many times a kept one was found.
    size_t spritesKept() const { return _kept; }
    size_t hits() const { return _hits; }

private:
    using Order = std::list<std::string>;
    struct Entry {
        Sprite sprite;
        Order::iterator use;
    };
    size_t _budget;
    size_t _bytes = 0;
    size_t _kept = 0;
    size_t _hits = 0;
    Order _order; // most recently used first
    std::unordered_map<std::string, Entry> _sprites;
};
