#include "platform/BezierPath.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr double Pi = 3.14159265358979323846;

// The distance of the control points from the ends of a cubic that best follows a unit circle
// arc of one quarter.
constexpr double QuarterKappa = 0.55228474983079339840;

Point pointOnCircle(Point center, double radius, double radians)
{
    return {center.x + radius * std::cos(radians), center.y + radius * std::sin(radians)};
}

} // namespace

void BezierPath::moveTo(Point p)
{
    _elements.push_back({ElementType::MoveTo, {p, {}, {}}});
    _currentPoint = p;
    _subpathStart = p;
    _hasCurrentPoint = true;
}

// A segment needs a subpath to extend: without a current point the segment's first point begins
// one, and after a close a new subpath begins where the closed one started.
void BezierPath::lineTo(Point p)
{
    if (!_hasCurrentPoint) {
        moveTo(p);
        return;
    }
    if (_elements.back().type == ElementType::ClosePath) moveTo(_subpathStart);
    _elements.push_back({ElementType::LineTo, {p, {}, {}}});
    _currentPoint = p;
}

void BezierPath::curveTo(Point end, Point control1, Point control2)
{
    if (!_hasCurrentPoint) moveTo(control1);
    else if (_elements.back().type == ElementType::ClosePath) moveTo(_subpathStart);
    _elements.push_back({ElementType::CurveTo, {control1, control2, end}});
    _currentPoint = end;
}

void BezierPath::closePath()
{
    if (!_hasCurrentPoint || _elements.back().type == ElementType::ClosePath) return;
    _elements.push_back({ElementType::ClosePath, {}});
    _currentPoint = _subpathStart;
}

void BezierPath::appendArc(Point center, double radius, double startAngle, double endAngle, bool clockwise)
{
    if (!std::isfinite(center.x) || !std::isfinite(center.y) || !std::isfinite(radius) || !std::isfinite(startAngle) ||
        !std::isfinite(endAngle)) {
        return;
    }
    // The sweep runs from the start angle in the arc's direction to the end angle, at most one turn.
    double sweep = clockwise ? startAngle - endAngle : endAngle - startAngle;
    // Like cairo: an end before the start moves forward by whole turns until it is not.
    if (sweep < 0) {
        sweep = std::fmod(sweep, 360.0);
        if (sweep < 0) sweep += 360.0;
    }
    sweep = std::min(std::abs(sweep), 360.0);
    double direction = clockwise ? -1.0 : 1.0;

    double start = startAngle * Pi / 180.0;
    Point first = pointOnCircle(center, radius, start);
    if (_hasCurrentPoint) lineTo(first);
    else moveTo(first);
    if (sweep == 0) return;

    int segments = std::max(1, int(std::ceil(sweep / 90.0 - 1e-9)));
    double step = direction * sweep / segments * Pi / 180.0;
    double handle = 4.0 / 3.0 * std::tan(step / 4.0) * radius;
    for (int i = 0; i < segments; ++i) {
        double a0 = start + i * step;
        double a1 = (i + 1 == segments) ? start + direction * sweep * Pi / 180.0 : a0 + step;
        Point p0 = pointOnCircle(center, radius, a0);
        Point p1 = pointOnCircle(center, radius, a1);
        Point c1 = {p0.x - handle * std::sin(a0), p0.y + handle * std::cos(a0)};
        Point c2 = {p1.x + handle * std::sin(a1), p1.y - handle * std::cos(a1)};
        curveTo(p1, c1, c2);
    }
}

void BezierPath::appendRect(const Rect& r)
{
    moveTo({r.minX(), r.minY()});
    lineTo({r.maxX(), r.minY()});
    lineTo({r.maxX(), r.maxY()});
    lineTo({r.minX(), r.maxY()});
    closePath();
}

void BezierPath::appendOval(const Rect& r)
{
    double cx = r.midX(), cy = r.midY();
    double rx = r.width() / 2, ry = r.height() / 2;
    double kx = rx * QuarterKappa, ky = ry * QuarterKappa;
    moveTo({r.maxX(), cy});
    curveTo({cx, r.maxY()}, {r.maxX(), cy + ky}, {cx + kx, r.maxY()});
    curveTo({r.minX(), cy}, {cx - kx, r.maxY()}, {r.minX(), cy + ky});
    curveTo({cx, r.minY()}, {r.minX(), cy - ky}, {cx - kx, r.minY()});
    curveTo({r.maxX(), cy}, {cx + kx, r.minY()}, {r.maxX(), cy - ky});
    closePath();
}

Rect BezierPath::controlPointBounds() const
{
    bool any = false;
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    for (const Element& e : _elements) {
        int count = e.type == ElementType::CurveTo ? 3 : e.type == ElementType::ClosePath ? 0 : 1;
        for (int i = 0; i < count; ++i) {
            const Point& p = e.points[i];
            if (!any) {
                x0 = x1 = p.x;
                y0 = y1 = p.y;
                any = true;
            } else {
                x0 = std::min(x0, p.x);
                y0 = std::min(y0, p.y);
                x1 = std::max(x1, p.x);
                y1 = std::max(y1, p.y);
            }
        }
    }
    return any ? Rect(x0, y0, x1 - x0, y1 - y0) : Rect();
}

void BezierPath::addToCairo(cairo_t* cr) const
{
    static const cairo_line_join_t joins[] = {CAIRO_LINE_JOIN_MITER, CAIRO_LINE_JOIN_ROUND, CAIRO_LINE_JOIN_BEVEL};
    cairo_set_line_join(cr, joins[static_cast<int>(_lineJoin)]);
    cairo_set_line_width(cr, _lineWidth);
    for (const Element& e : _elements) {
        switch (e.type) {
        case ElementType::MoveTo:
            cairo_move_to(cr, e.points[0].x, e.points[0].y);
            break;
        case ElementType::LineTo:
            cairo_line_to(cr, e.points[0].x, e.points[0].y);
            break;
        case ElementType::CurveTo:
            cairo_curve_to(cr, e.points[0].x, e.points[0].y, e.points[1].x, e.points[1].y, e.points[2].x,
                           e.points[2].y);
            break;
        case ElementType::ClosePath:
            cairo_close_path(cr);
            break;
        }
    }
}
