#include "render/MindMapPainter.h"

#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapRelation.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/RelationPath.h"
#include "MindMaps/RelationStyle.h"
#include "render/LinePaintParams.h"

#include <algorithm>
#include <cmath>

// A thumbnail of a large map is a few pixels a thousand topics: drawn as they are, its topics and
// lines would each cover a sliver of a pixel and leave the thumbnail as blank as the background.
// Here each topic is the rectangle of its bounds and each line a line, neither less than a pixel
// across, so that the map's shape and colours show; texts, less than a pixel high, are left out,
// and so are free texts, pictures and markers. Most of a large map's topics and lines fall on
// pixels drawn already in the same colour: those are passed over, so that the pass costs little
// more than a walk over the map.

namespace {

// Curves are a pixel or two long here: a coarse flattening draws them as well.
constexpr double ReducedCurveFlatness = 2.0;

uint32_t packed(const Color& color)
{
    const auto channel = [](double c) { return uint32_t(std::lround(std::clamp(c, 0.0, 1.0) * 255)); };
    return channel(color.red()) << 24 | channel(color.green()) << 16 | channel(color.blue()) << 8 |
        channel(color.alpha());
}

// The whole pixels a device rectangle touches, at least one each way.
Rect wholePixels(const Rect& device)
{
    const double x0 = std::floor(device.minX()), y0 = std::floor(device.minY());
    const double x1 = std::max(std::ceil(device.maxX()), x0 + 1), y1 = std::max(std::ceil(device.maxY()), y0 + 1);
    return Rect(x0, y0, x1 - x0, y1 - y0);
}

bool isFinite(const Rect& r)
{
    return std::isfinite(r.minX()) && std::isfinite(r.minY()) && std::isfinite(r.width()) && std::isfinite(r.height());
}

} // namespace

size_t MindMapPainter::DrawnPixelsHash::operator()(const DrawnPixels& d) const
{
    size_t h = std::hash<int64_t>()(d.x0);
    for (uint64_t v : {uint64_t(d.y0), uint64_t(d.x1), uint64_t(d.y1), uint64_t(d.rgba) << 1 | d.line})
        h = h * 1000003 ^ std::hash<uint64_t>()(v);
    return h;
}

bool MindMapPainter::firstOnPixels(Point from, Point to, const Color& color, bool line)
{
    return _drawnPixels.insert({int64_t(from.x), int64_t(from.y), int64_t(to.x), int64_t(to.y), packed(color), line})
        .second;
}

void MindMapPainter::paintReducedNode(MindMapNode& node)
{
    if (!node.isVisible()) return;
    const Rect bounds = node.bounds();
    if (!isFinite(bounds)) return;
    // The colour that covers most of the topic: its fill, else its border, else its text.
    const Color fill = node.fillColor();
    const bool filled = !fill.isNormalizedClearColor() && fill.alpha() > 0 && fill != backgroundColor();
    const bool bordered = node.borderStyle() != NodeStyle::NoBorder && node.borderWidth() > 0;
    const bool dimmed = isDimmed(node.searchMatch(), node.isAutoFocused());
    const Color color = getDimmedColor(filled ? fill : bordered ? node.strokeColor() : node.textColor(), dimmed);

    const AffineTransform toDevice = _context.currentTransform();
    const Rect pixels = wholePixels(toDevice.apply(bounds));
    if (!firstOnPixels(pixels.origin, Point{pixels.maxX(), pixels.maxY()}, color, false)) return;
    BezierPath rect;
    rect.appendRect(toDevice.inverted().apply(pixels));
    _context.fillPath(rect, color);
}

void MindMapPainter::paintReducedRelation(MindMapRelation& relation, RelationPath& path, bool leadOut)
{
    const bool dimmed = _searching || (_autoFocus && !relation.isAutoFocused());
    LinePaintParams& params = *_linePaintParams;
    params.setStyle(*relation.style(), relation.targetNode(), dimmed, path.leadOutWidth());
    const Color color = params.strokeColor();

    // Lines between the same pixels in the same colour look alike at this size.
    const AffineTransform toDevice = _context.currentTransform();
    const auto pixel = [&](Point p) {
        const Point device = toDevice.apply(p);
        return Point{std::floor(device.x), std::floor(device.y)};
    };
    if (!firstOnPixels(pixel(path.p0), pixel(leadOut ? path.leadOutPoint() : path.p3), color, true)) return;

    BezierPath line;
    path.applyToPath(line, ReducedCurveFlatness);
    if (leadOut) line.lineTo(path.leadOutPoint());
    line.setLineWidth(std::max(params.lineWidth(), 1 / std::max(std::abs(toDevice.xx), 1e-12)));
    _context.strokePath(line, StrokeStyle::solid(color));
}
