#include "render/MindMapPainter.h"

#include <cairo.h>

namespace {

// The frame of every thumbnail: half a point inside the image so that the one-point line covers
// whole pixels.
constexpr double ThumbnailFrameInset = 0.5;
constexpr double ThumbnailFrameWidth = 1.0;
constexpr double ThumbnailFrameRed = 0.0;
constexpr double ThumbnailFrameGreen = 122.0 / 255.0;
constexpr double ThumbnailFrameBlue = 1.0;

cairo_status_t appendToVector(void* closure, const unsigned char* data, unsigned int length)
{
    auto* out = static_cast<std::vector<uint8_t>*>(closure);
    out->insert(out->end(), data, data + length);
    return CAIRO_STATUS_SUCCESS;
}

std::vector<uint8_t> pngData(cairo_surface_t* surface)
{
    std::vector<uint8_t> data;
    if (cairo_surface_write_to_png_stream(surface, appendToVector, &data) != CAIRO_STATUS_SUCCESS) data.clear();
    return data;
}

void strokeThumbnailFrame(cairo_t* cr, Size size)
{
    Rect frame = InsetRect(Rect(Point(), size), ThumbnailFrameInset, ThumbnailFrameInset);
    cairo_rectangle(cr, frame.minX(), frame.minY(), frame.width(), frame.height());
    cairo_set_source_rgba(cr, ThumbnailFrameRed, ThumbnailFrameGreen, ThumbnailFrameBlue, 1.0);
    cairo_set_line_width(cr, ThumbnailFrameWidth);
    cairo_stroke(cr);
}

std::vector<uint8_t> makeEmptyThumbnail()
{
    Size size = MindMapPainter::DefaultThumbnailSize;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(size.width),
                                                          static_cast<int>(size.height));
    cairo_t* cr = cairo_create(surface);
    cairo_rectangle(cr, 0, 0, size.width, size.height);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_fill(cr);
    strokeThumbnailFrame(cr, size);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    std::vector<uint8_t> data = pngData(surface);
    cairo_surface_destroy(surface);
    return data;
}

} // namespace

std::vector<uint8_t> MindMapPainter::createThumbnailImage(MindMap& mindMap)
{
    return createThumbnailImage(mindMap, DefaultThumbnailSize, false);
}

std::vector<uint8_t> MindMapPainter::createThumbnailImage(MindMap& /*mindMap*/, Size /*thumbnailSize*/,
                                                          bool /*highResolution*/)
{
    // Maps are not painted yet: no image, so callers fall back to the placeholder.
    return {};
}

const std::vector<uint8_t>& MindMapPainter::emptyMindMapThumbnail()
{
    static const std::vector<uint8_t> thumbnail = makeEmptyThumbnail();
    return thumbnail;
}
