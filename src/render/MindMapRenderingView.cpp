#include "render/MindMapRenderingView.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/StyleSheet.h"
#include "Utils/AppErrors.h"
#include "platform/CairoGraphicsContext.h"
#include "platform/CairoGuard.h"
#include "render/BitmapRowWriters.h"
#include "render/BranchBounds.h"
#include "render/MindMapPaintSelection.h"
#include "render/MindMapPainter.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <new>

namespace {

// A picture of at most this many bytes is painted whole. A larger one is painted in bands of at
// most MaxBandBytes however wide it is: a band's surface and its shadow layer are the most memory
// an export takes besides its file. Shadows and dashed lines are worked out a little differently
// where a band ends, so pictures that were always painted in one piece still are.
constexpr int64_t WholePictureBytes = 64 << 20;
constexpr int64_t MaxBandBytes = 8 << 20;
// Bands start on rows that are multiples of this (the shadow layer's tile side).
constexpr int64_t BandAlignment = 32;

void fillRect(GraphicsContext& context, const Rect& rect, const Color& color)
{
    BezierPath path;
    path.appendRect(rect);
    context.fillPath(path, color);
}

std::unique_ptr<MindMapPaintSelection> measuredSelection(MindMap& mindMap, bool selectionOnly)
{
    // The area comes from the topics' sizes, which a freshly read map has yet to measure.
    mindMap.validateElementStates();
    return MindMapPaintSelection::mindMapPaintSelection(mindMap, selectionOnly);
}

Rect grownArea(const MindMapPaintSelection& selection)
{
    return insetRect(selection.visualArea(), -MindMapRenderingView::ImageMargin, -MindMapRenderingView::ImageMargin);
}

Error renderingError(const std::string& reason)
{
    Error error = MakeAppError(AppErrors::ExportRenderingFailed);
    if (!reason.empty()) error.failureReason = reason;
    return error;
}

// Paints the part of the picture whose top left pixel is (left, top) into an image surface of its
// own size: the picture is the area at the scale on the background colour.
bool paintImagePart(cairo_surface_t* surface, const MindMapPaintSelection& selection, const Rect& area, double scale,
                    int64_t left, int64_t top, const Color& background, Error* error,
                    BranchBounds* branchBounds = nullptr)
{
    const int width = cairo_image_surface_get_width(surface), height = cairo_image_surface_get_height(surface);
    const CairoContext cr(cairo_create(surface));
    CairoGraphicsContext context(cr.get(), GraphicsSurfaceKind::Bitmap);
    fillRect(context, Rect(0, 0, width, height), background);
    context.translate(double(-left) - area.origin.x * scale, double(-top) - area.origin.y * scale);
    context.scale(scale, scale);
    // Only what meets this part is painted: a streamed picture paints the map once per band.
    const Rect part(area.origin.x + double(left) / scale, area.origin.y + double(top) / scale, width / scale,
                    height / scale);
    const bool painted = MindMapPainter::paintMindMap(context, selection, 0, part, branchBounds);
    cairo_surface_flush(surface);
    if (!painted || context.hasFailed()) return setError(error, renderingError(context.failureReason()));
    return true;
}

// Pixels a band is painted beyond its own rows and columns where the picture goes on: what lies
// there casts shadows into the band, and painted without it a band would show them cut off at
// its edge. A multiple of the shadow layer's tiles, so that each band's layer lies on the same
// grid as the whole picture's.
int64_t bandOverlap(double scale)
{
    const double reach = std::ceil(MindMapPainter::ShadowReach * scale) + 2;
    return std::min<int64_t>((int64_t(reach) + BandAlignment - 1) / BandAlignment * BandAlignment,
                             Image::MaxSide / 4 / BandAlignment * BandAlignment);
}

using WriterMaker = std::function<std::unique_ptr<BitmapRowWriter>(int64_t width, int64_t height, bool opaque)>;

// The picture handed row by row to the writer, painted in bands of whole rows, each band in parts
// no wider than an image surface may be.
std::vector<uint8_t> streamImage(MindMap& mindMap, double scale, bool selectionOnly, const WriterMaker& makeWriter,
                                 Error* error)
{
    const auto selection = measuredSelection(mindMap, selectionOnly);
    const Rect area = grownArea(*selection);
    const auto size = MindMapRenderingView::imagePixelSize(area, scale, error);
    if (!size) return {};
    const auto [width, height] = *size;
    const Color background = MindMapRenderingView::backgroundColor(mindMap);
    const bool whole = width <= Image::MaxSide && height <= Image::MaxSide && 4 * width * height <= WholePictureBytes;
    const int64_t overlap = whole ? 0 : bandOverlap(scale);
    const int64_t partWidth = std::min<int64_t>(width, Image::MaxSide - 2 * overlap);
    int64_t bandHeight = std::clamp<int64_t>(MaxBandBytes / (4 * width), 1, Image::MaxSide - 2 * overlap);
    if (bandHeight >= BandAlignment) bandHeight = bandHeight / BandAlignment * BandAlignment;
    if (whole) bandHeight = height;
    const bool parts = partWidth < width;

    std::unique_ptr<BitmapRowWriter> writer = makeWriter(width, height, background.alpha() >= 1.0);
    // A picture wider than a surface is put together from its parts before its rows go out.
    std::vector<uint32_t> band;
    try {
        if (parts) band.resize(size_t(width * std::min(bandHeight, height)));
    } catch (const std::bad_alloc&) {
        setError(error, MakeAppError(AppErrors::ExportImageTooLarge));
        return {};
    }
    // Every band paints the same map: where its branches lie is measured once, and the shadow
    // layer is made once.
    BranchBounds branchBounds;
    const CairoGraphicsContext::ShadowLayerKeeper keeper;
    CairoSurface surface;
    for (int64_t top = 0; top < height; top += bandHeight) {
        const int64_t rows = std::min(bandHeight, height - top);
        const int64_t above = std::min(overlap, top), below = std::min(overlap, height - top - rows);
        for (int64_t left = 0; left < width; left += partWidth) {
            const int64_t columns = std::min(partWidth, width - left);
            const int64_t before = std::min(overlap, left), after = std::min(overlap, width - left - columns);
            const int surfaceWidth = int(before + columns + after), surfaceHeight = int(above + rows + below);
            if (!surface || cairo_image_surface_get_width(surface.get()) != surfaceWidth ||
                cairo_image_surface_get_height(surface.get()) != surfaceHeight)
                surface.reset(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, surfaceWidth, surfaceHeight));
            if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
                setError(error, MakeAppError(AppErrors::ExportImageTooLarge));
                return {};
            }
            if (!paintImagePart(surface.get(), *selection, area, scale, left - before, top - above, background, error,
                                &branchBounds))
                return {};
            const unsigned char* pixels = cairo_image_surface_get_data(surface.get());
            const int stride = cairo_image_surface_get_stride(surface.get());
            for (int64_t y = 0; y < rows; ++y) {
                const auto* row = reinterpret_cast<const uint32_t*>(pixels + (above + y) * stride) + before;
                if (parts) std::memcpy(band.data() + y * width + left, row, size_t(columns) * 4);
                else if (!writer->writeRow(row)) return writer->finish(error);
            }
        }
        if (parts)
            for (int64_t y = 0; y < rows; ++y)
                if (!writer->writeRow(band.data() + y * width)) return writer->finish(error);
    }
    return writer->finish(error);
}

std::unique_ptr<BitmapRowWriter> tiffWriter(int64_t width, int64_t height, bool)
{
    return BitmapRowWriter::tiff(width, height);
}

} // namespace

MindMapRenderingView::MindMapRenderingView(MindMap& mindMap, bool selectionOnly)
    : _mindMap(mindMap), _paintSelection(measuredSelection(mindMap, selectionOnly))
{
    _originalPage = originalPageForVisualArea(_paintSelection->visualArea());
    _page = Rect(Point(), _originalPage.size);
    _jobTitle = mindMap.singleLineTitle();
}

MindMapRenderingView::~MindMapRenderingView() = default;

bool MindMapRenderingView::isCurrent() const
{
    return _paintSelection->isCurrent();
}

Color MindMapRenderingView::backgroundColor(const MindMap& mindMap)
{
    const StyleSheet* styleSheet = mindMap.styleSheet();
    return styleSheet ? styleSheet->backgroundColor() : Color::white();
}

Rect MindMapRenderingView::originalPageForVisualArea(const Rect& visualArea)
{
    const Rect area = insetRect(visualArea, -ImageMargin, -ImageMargin);
    return Rect(area.origin.x * PdfScale, area.origin.y * PdfScale, area.width() * PdfScale, area.height() * PdfScale);
}

bool MindMapRenderingView::drawRect(GraphicsContext& context, const Rect& dirtyRect) const
{
    fillRect(context, dirtyRect, MindMapRenderingView::backgroundColor(_mindMap));
    context.save();
    context.translate(-_originalPage.origin.x, -_originalPage.origin.y);
    context.scale(PdfScale, PdfScale);
    const bool painted = MindMapPainter::paintMindMap(context, *_paintSelection, PaintFlagPdfLinks, Rect());
    context.restore();
    return painted && !context.hasFailed();
}

std::optional<std::pair<int64_t, int64_t>> MindMapRenderingView::imagePixelSize(const Rect& area, double scaleFactor,
                                                                                Error* error)
{
    if (!(scaleFactor > 0 && std::isfinite(scaleFactor))) {
        setError(error, MakeAppError(AppErrors::ExportImageInvalidSize));
        return std::nullopt;
    }
    const double width = std::round(area.width() * scaleFactor), height = std::round(area.height() * scaleFactor);
    if (!(width >= 1 && height >= 1)) {
        setError(error, MakeAppError(AppErrors::ExportImageInvalidSize));
        return std::nullopt;
    }
    // Compared in doubles first: the sides may be beyond any integer before the limits are known.
    if (!(width <= double(MaxImageSide) && height <= double(MaxImageSide)) ||
        4 * int64_t(width) * int64_t(height) > int64_t(MaxImageBytes)) {
        setError(error, MakeAppError(AppErrors::ExportImageTooLarge));
        return std::nullopt;
    }
    return std::pair{int64_t(width), int64_t(height)};
}

std::vector<uint8_t> MindMapRenderingView::pdfDataWithMindMap(MindMap& mindMap, bool selectionOnly, Error* error)
{
    return MindMapRenderingView(mindMap, selectionOnly).pdfData(error);
}

std::vector<uint8_t> MindMapRenderingView::epsDataWithMindMap(MindMap& mindMap, bool selectionOnly, Error* error)
{
    return MindMapRenderingView(mindMap, selectionOnly).epsData(error);
}

Image MindMapRenderingView::createImageWithMindMap(MindMap& mindMap, double scaleFactor, bool selectionOnly,
                                                   Error* error)
{
    const auto selection = measuredSelection(mindMap, selectionOnly);
    const Rect area = grownArea(*selection);
    const auto size = imagePixelSize(area, scaleFactor, error);
    if (!size) return {};
    if (size->first > Image::MaxSide || size->second > Image::MaxSide ||
        size->first * size->second > Image::MaxPixelCount) {
        setError(error, MakeAppError(AppErrors::ExportImageTooLarge));
        return {};
    }
    Image image(int(size->first), int(size->second));
    if (image.isNull()) {
        setError(error, MakeAppError(AppErrors::ExportImageTooLarge));
        return {};
    }
    if (!paintImagePart(image.surface(), *selection, area, scaleFactor, 0, 0,
                        MindMapRenderingView::backgroundColor(mindMap), error))
        return {};
    return image;
}

std::vector<uint8_t> MindMapRenderingView::tiffDataWithMindMap(MindMap& mindMap, double scaleFactor, bool selectionOnly,
                                                               Error* error)
{
    return streamImage(mindMap, scaleFactor, selectionOnly, tiffWriter, error);
}

std::vector<uint8_t> MindMapRenderingView::bitmapDataWithMindMap(MindMap& mindMap, int32_t representation,
                                                                 double scaleFactor, bool selectionOnly, Error* error)
{
    switch (representation) {
    case BitmapFileTypeTIFF:
        return streamImage(mindMap, scaleFactor, selectionOnly, tiffWriter, error);
    case BitmapFileTypePNG:
        return streamImage(
            mindMap, scaleFactor, selectionOnly,
            [](int64_t width, int64_t height, bool opaque) { return BitmapRowWriter::png(width, height, opaque); },
            error);
    default:
        setError(error, MakeAppError(AppErrors::MindMapUnsupportedFormat));
        return {};
    }
}
