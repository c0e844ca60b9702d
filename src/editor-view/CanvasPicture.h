#pragma once

#include "platform/Color.h"
#include "platform/Geometry.h"
#include "platform/Image.h"

#include <cstdint>
#include <functional>
#include <vector>

class GraphicsContext;

// The canvas as it was last drawn, kept at the window's pixels. A window is drawn again far more
// often than what it shows changes: when it is uncovered, when a small part of it changes, and
// above all while it scrolls, when all but a strip of it shows what it showed before, moved. Those
// frames are copied from the picture; only what changed is painted into it.
//
// Only the canvas keeps one. Exports, prints and thumbnails paint the map themselves.
class CanvasPicture {
public:
    // What the picture shows: a picture of one view stands for no other.
    struct View {
        Size frameSize;
        // Pixels per view point.
        double backingScale = 1;
        // Map units to view points, and where the view's origin lies in scaled map space.
        double scale = 1;
        Point position;
        // Whatever else decides every pixel at once: the map, the painter's flags, the background.
        const void* content = nullptr;
        uint32_t flags = 0;
        Color background;
    };
    // Paints the view rectangle (view points) into a context whose user space is the view's.
    using Painter = std::function<void(GraphicsContext&, const Rect&)>;

    // Everything is painted again at the next draw.
    void invalidate();
    // The view rectangle (view points) is painted again at the next draw that shows it.
    void invalidateRect(const Rect& viewRect);

    // Draws the dirty rectangle (view points) into the context from the picture, having painted
    // into the picture what of it is stale. Scrolled by whole pixels, the picture moves and only
    // what comes into view is painted. False when no picture could be kept for the view: the
    // caller paints the view itself then.
    bool draw(GraphicsContext& context, const Rect& dirtyRect, const View& view, const Painter& paint);

    // Lets the picture's memory go; the next draw paints everything.
    void release();

    // How many times pixels were painted into the picture, and their number in all.
    int paints() const { return _paints; }
    double paintedPixels() const { return _paintedPixels; }

private:
    // A rectangle of pixels.
    struct Area {
        int x0, y0, x1, y1;
    };
    void markStale(const Area& area);
    void scrollBy(int dx, int dy);
    void paintArea(const Area& area, const Painter& paint);

    Image _image;
    View _view;
    bool _valid = false;
    // What must be painted before it is shown, in pixels.
    std::vector<Area> _stale;
    int _paints = 0;
    double _paintedPixels = 0;
};
