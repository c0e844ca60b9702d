#include "editor-view/CanvasPicture.h"

#include "platform/CairoGraphicsContext.h"
#include "platform/CairoGuard.h"
#include "platform/GraphicsContext.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Beyond this many stale rectangles they are painted as the one rectangle round them all.
constexpr size_t MaxStaleAreas = 16;

// How far from a whole pixel a scroll may be and still move the picture: positions are sums of
// many steps, each off by a rounding error.
constexpr double WholePixelTolerance = 1e-6;

bool sameExceptPosition(const CanvasPicture::View& a, const CanvasPicture::View& b)
{
    return a.frameSize == b.frameSize && a.backingScale == b.backingScale && a.scale == b.scale &&
        a.content == b.content && a.flags == b.flags && a.background == b.background;
}

} // namespace

void CanvasPicture::invalidate()
{
    _stale.clear();
    if (_valid) _stale.push_back({0, 0, _image.pixelWidth(), _image.pixelHeight()});
}

void CanvasPicture::invalidateRect(const Rect& viewRect)
{
    if (!_valid) return;
    const double b = _view.backingScale;
    if (!(std::isfinite(viewRect.minX()) && std::isfinite(viewRect.minY()) && std::isfinite(viewRect.maxX()) &&
          std::isfinite(viewRect.maxY()))) {
        invalidate();
        return;
    }
    auto clampX = [&](double v) { return int(std::clamp(v, 0.0, double(_image.pixelWidth()))); };
    auto clampY = [&](double v) { return int(std::clamp(v, 0.0, double(_image.pixelHeight()))); };
    markStale({clampX(std::floor(viewRect.minX() * b)), clampY(std::floor(viewRect.minY() * b)),
               clampX(std::ceil(viewRect.maxX() * b)), clampY(std::ceil(viewRect.maxY() * b))});
}

void CanvasPicture::markStale(const Area& area)
{
    if (area.x1 <= area.x0 || area.y1 <= area.y0) return;
    _stale.push_back(area);
    if (_stale.size() <= MaxStaleAreas) return;
    Area all = _stale.front();
    for (const Area& a : _stale)
        all = {std::min(all.x0, a.x0), std::min(all.y0, a.y0), std::max(all.x1, a.x1), std::max(all.y1, a.y1)};
    _stale.assign(1, all);
}

void CanvasPicture::release()
{
    _image = Image();
    _valid = false;
    _stale.clear();
}

void CanvasPicture::scrollBy(int dx, int dy)
{
    // The pixel at (x, y) shows what (x + dx, y + dy) showed.
    const int width = _image.pixelWidth(), height = _image.pixelHeight();
    cairo_surface_t* surface = _image.surface();
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const int columns = width - std::abs(dx);
    const int from = std::max(0, dx), to = std::max(0, -dx);
    auto moveRow = [&](int y) {
        std::memmove(data + ptrdiff_t(y) * stride + to * 4, data + ptrdiff_t(y + dy) * stride + from * 4,
                     size_t(columns) * 4);
    };
    // Rows are moved in the order that reads each before it is overwritten.
    if (dy >= 0)
        for (int y = 0; y < height - dy; ++y) moveRow(y);
    else
        for (int y = height - 1; y >= -dy; --y) moveRow(y);
    cairo_surface_mark_dirty(surface);

    std::vector<Area> stale;
    stale.swap(_stale);
    for (const Area& a : stale)
        markStale(
            {std::max(0, a.x0 - dx), std::max(0, a.y0 - dy), std::min(width, a.x1 - dx), std::min(height, a.y1 - dy)});
    // What comes into view.
    if (dx > 0) markStale({width - dx, 0, width, height});
    if (dx < 0) markStale({0, 0, -dx, height});
    if (dy > 0) markStale({0, height - dy, width, height});
    if (dy < 0) markStale({0, 0, width, -dy});
}

void CanvasPicture::paintArea(const Area& area, const Painter& paint)
{
    const CairoContext cr(cairo_create(_image.surface()));
    // Whole pixels, so that what is painted next to the area meets it without a seam.
    cairo_rectangle(cr.get(), area.x0, area.y0, area.x1 - area.x0, area.y1 - area.y0);
    cairo_clip(cr.get());
    CairoGraphicsContext context(cr.get(), GraphicsSurfaceKind::Screen);
    const double b = _view.backingScale;
    context.scale(b, b);
    paint(context, Rect(area.x0 / b, area.y0 / b, (area.x1 - area.x0) / b, (area.y1 - area.y0) / b));
    ++_paints;
    _paintedPixels += double(area.x1 - area.x0) * (area.y1 - area.y0);
}

bool CanvasPicture::draw(GraphicsContext& context, const Rect& dirtyRect, const View& view, const Painter& paint)
{
    const double width = std::ceil(view.frameSize.width * view.backingScale);
    const double height = std::ceil(view.frameSize.height * view.backingScale);
    if (!(width >= 1 && height >= 1 && width <= Image::MaxSide && height <= Image::MaxSide &&
          width * height <= double(Image::MaxPixelCount) && view.backingScale > 0 && std::isfinite(view.scale) &&
          std::isfinite(view.position.x) && std::isfinite(view.position.y))) {
        release();
        return false;
    }
    if (_image.isNull() || _image.pixelWidth() != int(width) || _image.pixelHeight() != int(height)) {
        _image = Image(int(width), int(height));
        _valid = false;
        if (_image.isNull()) return false;
    }
    if (_valid && sameExceptPosition(_view, view) && !(_view.position == view.position)) {
        const double dx = (view.position.x - _view.position.x) * view.backingScale;
        const double dy = (view.position.y - _view.position.y) * view.backingScale;
        const bool whole =
            std::abs(dx - std::round(dx)) < WholePixelTolerance && std::abs(dy - std::round(dy)) < WholePixelTolerance;
        if (whole && std::abs(dx) < width && std::abs(dy) < height) scrollBy(int(std::round(dx)), int(std::round(dy)));
        else _valid = false;
    } else if (!_valid || !sameExceptPosition(_view, view)) {
        _valid = false;
    }
    _view = view;
    if (!_valid) {
        _valid = true;
        invalidate();
    }

    // Whatever is stale and shows in the dirty rectangle is painted, each stale part whole.
    const double b = view.backingScale;
    const Area dirty{int(std::floor(dirtyRect.minX() * b)), int(std::floor(dirtyRect.minY() * b)),
                     int(std::ceil(dirtyRect.maxX() * b)), int(std::ceil(dirtyRect.maxY() * b))};
    std::vector<Area> stale;
    stale.swap(_stale);
    for (const Area& a : stale) {
        if (a.x0 < dirty.x1 && dirty.x0 < a.x1 && a.y0 < dirty.y1 && dirty.y0 < a.y1) paintArea(a, paint);
        else _stale.push_back(a);
    }
    cairo_surface_flush(_image.surface());

    context.save();
    context.clipToRect(dirtyRect);
    context.drawImage(_image, Rect(0, 0, width / b, height / b), 1.0);
    context.restore();
    return true;
}
