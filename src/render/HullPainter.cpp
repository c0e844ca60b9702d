#include "render/HullPainter.h"

#include "Utils/BezierPathShapes.h"
#include "Utils/GeometryHelpers.h"
#include "render/MapHullBuilder.h"
#include "render/MindMapPainter.h"

#include <cmath>

namespace {

constexpr double CornerRadius = 5.0;
// A segment up to twice the radius long is all corner.
constexpr double LongSegmentSquared = 4 * CornerRadius * CornerRadius;

struct SegmentEnds {
    Point start; // where the rounded corner ends and the straight stretch begins
    Point end;
    bool isLong = false;
};

SegmentEnds segmentEnds(Point a, Point b)
{
    const Point d = pointSubtract(b, a);
    const double lengthSquared = d.x * d.x + d.y * d.y;
    if (lengthSquared <= LongSegmentSquared) {
        const Point mid = pointMidpoint(a, b);
        return {mid, mid, false};
    }
    const double length = std::sqrt(lengthSquared);
    return {pointAdd(a, pointScale(d, CornerRadius / length)),
            pointAdd(a, pointScale(d, (length - CornerRadius) / length)), true};
}

} // namespace

HullPainter::HullPainter(MindMapPainter& painter)
    : _painter(painter), _searching(painter.isSearching() || painter.isAutoFocusing())
{
}

bool HullPainter::meetsClip(const MapHull& hull) const
{
    return _painter.meetsClip(insetRect(hull.bounds(), -hull.strokeWidth(), -hull.strokeWidth()));
}

void HullPainter::paintSegmentFrom(Point a, Point b)
{
    const SegmentEnds ends = segmentEnds(a, b);
    quadCurveTo(_path, ends.start, a);
    if (ends.isLong) _path.lineTo(ends.end);
}

void HullPainter::paintHull(const MapHull& hull)
{
    const auto& points = hull.points();
    if (points.size() < 3 || !meetsClip(hull)) return;
    const Point first = points.front().point();
    const Point last = points.back().point();
    _path = BezierPath();
    _path.moveTo(segmentEnds(last, first).end);
    for (size_t i = 1; i < points.size(); ++i) paintSegmentFrom(points[i - 1].point(), points[i].point());
    paintSegmentFrom(last, first);
    _path.closePath();
    _path.setLineWidth(hull.strokeWidth());

    GraphicsContext& context = _painter.context();
    if (hull.fillColor()) context.fillPath(_path, _painter.getDimmedColor(*hull.fillColor(), _searching));
    if (hull.strokeColor())
        context.strokePath(_path, StrokeStyle::solid(_painter.getDimmedColor(*hull.strokeColor(), _searching)));
    _path = BezierPath();
}

void HullPainter::paintHullSimplified(const MapHull& hull)
{
    const auto& points = hull.points();
    if (points.size() < 3 || !meetsClip(hull)) return;
    _path = BezierPath();
    _path.moveTo(points.front().point());
    for (size_t i = 1; i < points.size(); ++i) _path.lineTo(points[i].point());
    _path.closePath();

    GraphicsContext& context = _painter.context();
    if (hull.fillColor()) {
        _path.setLineWidth(0);
        context.fillPath(_path, _painter.getDimmedColor(*hull.fillColor(), _searching));
    } else if (hull.strokeColor()) {
        _path.setLineWidth(hull.strokeWidth());
        context.strokePath(_path, StrokeStyle::solid(_painter.getDimmedColor(*hull.strokeColor(), _searching)));
    }
    _path = BezierPath();
}
