#include "render/MindMapPainter.h"

#include "platform/CairoGuard.h"
#include "platform/Image.h"
#include "render/LinePaintParams.h"
#include "render/MindMapPaintSelection.h"

namespace {

// The frame of every thumbnail: half a point inside the image so that the one-point line covers
// whole pixels.
constexpr double ThumbnailFrameInset = 0.5;
constexpr double ThumbnailFrameWidth = 1.0;
constexpr double ThumbnailFrameRed = 0.0;
constexpr double ThumbnailFrameGreen = 122.0 / 255.0;
constexpr double ThumbnailFrameBlue = 1.0;

void strokeThumbnailFrame(cairo_t* cr, Size size)
{
    Rect frame = insetRect(Rect(Point(), size), ThumbnailFrameInset, ThumbnailFrameInset);
    cairo_rectangle(cr, frame.minX(), frame.minY(), frame.width(), frame.height());
    cairo_set_source_rgba(cr, ThumbnailFrameRed, ThumbnailFrameGreen, ThumbnailFrameBlue, 1.0);
    cairo_set_line_width(cr, ThumbnailFrameWidth);
    cairo_stroke(cr);
}

std::vector<uint8_t> makeEmptyThumbnail()
{
    const Size size = MindMapPainter::DefaultThumbnailSize;
    Image image(static_cast<int>(size.width), static_cast<int>(size.height));
    if (image.isNull()) return {};
    {
        const CairoContext context(cairo_create(image.surface()));
        cairo_t* cr = context.get();
        cairo_rectangle(cr, 0, 0, size.width, size.height);
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_fill(cr);
        strokeThumbnailFrame(cr, size);
    }
    cairo_surface_flush(image.surface());
    return image.pngData().value_or(std::vector<uint8_t>());
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

void MindMapPainter::paintMindMap(GraphicsContext& context, const MindMapPaintSelection& selection, uint32_t flags,
                                  const Rect& clipRect)
{
    MindMapPainter painter(context, selection, flags, clipRect);
    painter.paintStructure();
}

MindMapPainter::MindMapPainter(GraphicsContext& context, const MindMapPaintSelection& selection, uint32_t,
                               const Rect& clipRect)
    : _context(context),
      _selection(selection),
      _mindMap(selection.mindMap()),
      _clipRect(clipRect),
      _linePaintParams(std::make_unique<LinePaintParams>(*this))
{
    _useClipRect = !(clipRect == Rect());
}

MindMapPainter::~MindMapPainter() = default;

void MindMapPainter::paintStructure()
{
    // The passes come with the painter's set-up.
}
