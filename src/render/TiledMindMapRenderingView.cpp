#include "render/TiledMindMapRenderingView.h"

#include "MindMaps/MindMap.h"
#include "platform/BezierPath.h"
#include "platform/GraphicsContext.h"
#include "render/MindMapPaintSelection.h"
#include "render/MindMapPainter.h"
#include "render/MindMapRenderingView.h"

#include <algorithm>

TiledMindMapRenderingView::TiledMindMapRenderingView(MindMap& mindMap, bool selectionOnly, uint32_t printMode,
                                                     double tileScale, Size pageSize, uint32_t options)
    : _tileScale(tileScale),
      _printMode(printMode),
      _options(options),
      _pageSize(pageSize),
      _jobTitle(mindMap.singleLineTitle())
{
    // The area comes from the topics' sizes, which a freshly read map has yet to measure.
    mindMap.validateElementStates();
    _selection = MindMapPaintSelection::mindMapPaintSelection(mindMap, selectionOnly);
    if (printMode == PrintModeTiledFit || printMode == PrintModeTiledScaled) {
        const Rect area = printedArea();
        _printMatrix = PrintUtils::calcPrintMatrix(
            Size{area.width() * PrintOutputScale, area.height() * PrintOutputScale},
            Size{pageSize.width - 2 * PrintSheetMargin, pageSize.height - 2 * PrintSheetMargin}, tileScale);
    } else {
        _printMatrix = PrintMatrix(_selection->visualArea().size);
    }
    if (!_printMatrix.isPortrait()) std::swap(_pageSize.width, _pageSize.height);
}

TiledMindMapRenderingView::~TiledMindMapRenderingView() = default;

std::vector<uint8_t> TiledMindMapRenderingView::pdfDataWithMindMapTiled(MindMap& mindMap, bool selectionOnly,
                                                                        int64_t pageFormat, Error* error)
{
    return TiledMindMapRenderingView(mindMap, selectionOnly, PrintModeFitToPage, 1.0, PaperSizeForFormat(pageFormat), 0)
        .pdfData(error);
}

Rect TiledMindMapRenderingView::printedArea() const
{
    return PrintRectWithMargin(_selection->visualArea());
}

bool TiledMindMapRenderingView::isCurrent() const
{
    return _selection->isCurrent();
}

std::pair<int64_t, int64_t> TiledMindMapRenderingView::pageCell(int64_t pageIndex) const
{
    return {pageIndex % _printMatrix.columns(), pageIndex / _printMatrix.columns()};
}

Rect TiledMindMapRenderingView::rectForPage(int64_t page) const
{
    const auto [column, row] = pageCell(page - 1);
    return {double(column) * _pageSize.width, double(row) * _pageSize.height, _pageSize.width, _pageSize.height};
}

double TiledMindMapRenderingView::printScale() const
{
    const Rect area = printedArea();
    const double totalWidth = double(_printMatrix.columns()) * (_pageSize.width - 2 * PrintSheetMargin);
    const double totalHeight = double(_printMatrix.rows()) * (_pageSize.height - 2 * PrintSheetMargin);
    double scale = std::min(totalWidth / area.width(), totalHeight / area.height());
    if (_printMode == PrintModeShrinkToPage) scale = std::min(scale, PrintOutputScale);
    if (_printMode == PrintModeTiledScaled) scale = std::min(scale, _tileScale * 1.2 * 72 / 160);
    return scale;
}

bool TiledMindMapRenderingView::drawRect(GraphicsContext& context, int64_t pageIndex) const
{
    const Rect area = printedArea();
    const auto [column, row] = pageCell(pageIndex);
    const double pw = _pageSize.width - 2 * PrintSheetMargin, ph = _pageSize.height - 2 * PrintSheetMargin;
    const double totalWidth = double(_printMatrix.columns()) * pw, totalHeight = double(_printMatrix.rows()) * ph;
    const double scale = printScale();
    if (!(scale > 0)) return !context.hasFailed();
    const double ox = (totalWidth / scale - area.width()) * 0.5, oy = (totalHeight / scale - area.height()) * 0.5;
    const Rect printable(double(column) * _pageSize.width + PrintSheetMargin,
                         double(row) * _pageSize.height + PrintSheetMargin, pw, ph);

    context.save();
    drawPageBounds(context, printable);
    context.clipToRect(printable);
    // Paper is white: the light texts of a dark style show only on the style's background.
    BezierPath background;
    background.appendRect(printable);
    context.fillPath(background, MindMapRenderingView::backgroundColor(*_selection->mindMap()));
    context.scale(scale, scale);
    context.translate(ox - area.minX() + printable.minX() / scale - pw * double(column) / scale,
                      oy - area.minY() + printable.minY() / scale - ph * double(row) / scale);
    const bool painted = MindMapPainter::paintMindMap(context, *_selection, 0, Rect());
    context.restore();
    return painted && !context.hasFailed();
}

bool TiledMindMapRenderingView::drawPage(GraphicsContext& context, int64_t pageIndex) const
{
    const Rect page = rectForPage(pageIndex + 1);
    context.save();
    context.translate(-page.minX(), -page.minY());
    const bool drawn = drawRect(context, pageIndex);
    context.restore();
    return drawn;
}

void TiledMindMapRenderingView::drawPageBounds(GraphicsContext& context, const Rect& printableRect) const
{
    const Rect b = insetRect(printableRect, -PageBorderOutset, -PageBorderOutset);
    BezierPath path;
    if (_options & PageBorderRectangle) {
        path.appendRect(b);
    } else if (_options & PageBorderCornerMarkers) {
        const double arm = CornerMarkerLength;
        const auto corner = [&](Point from, Point at, Point to) {
            path.moveTo(from);
            path.lineTo(at);
            path.lineTo(to);
        };
        corner({b.minX(), b.minY() + arm}, {b.minX(), b.minY()}, {b.minX() + arm, b.minY()});
        corner({b.maxX(), b.minY() + arm}, {b.maxX(), b.minY()}, {b.maxX() - arm, b.minY()});
        corner({b.minX(), b.maxY() - arm}, {b.minX(), b.maxY()}, {b.minX() + arm, b.maxY()});
        corner({b.maxX(), b.maxY() - arm}, {b.maxX(), b.maxY()}, {b.maxX() - arm, b.maxY()});
    } else {
        return;
    }
    path.setLineWidth(PageBorderLineWidth);
    context.strokePath(path, StrokeStyle::solid(PageBorderColor));
}
