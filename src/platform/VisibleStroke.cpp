#include "platform/VisibleStroke.h"

#include <algorithm>
#include <cmath>

namespace {

using Element = BezierPath::Element;
using ElementType = BezierPath::ElementType;

// cairo keeps device coordinates in 24.8 fixed point, rounded to the nearest step.
double toDeviceGrid(double v)
{
    return std::nearbyint(v * 256.0) / 256.0;
}

// Closed on every side: a line along an edge of the area still meets it.
bool meets(const Rect& a, const Rect& b)
{
    return a.minX() <= b.maxX() && b.minX() <= a.maxX() && a.minY() <= b.maxY() && b.minY() <= a.maxY();
}

bool inside(const Rect& inner, const Rect& outer)
{
    return inner.minX() >= outer.minX() && inner.maxX() <= outer.maxX() && inner.minY() >= outer.minY() &&
        inner.maxY() <= outer.maxY();
}

// The part of the line from a to b inside the area, as parameters 0 <= t0 <= t1 <= 1 along it
// (Liang and Barsky); false when the line misses the area.
bool clipLine(Point a, Point b, const Rect& area, double& t0, double& t1)
{
    t0 = 0, t1 = 1;
    const double d[2] = {b.x - a.x, b.y - a.y};
    const double from[2] = {a.x, a.y};
    const double low[2] = {area.minX(), area.minY()};
    const double high[2] = {area.maxX(), area.maxY()};
    for (int axis = 0; axis < 2; ++axis) {
        if (d[axis] == 0) {
            if (from[axis] < low[axis] || from[axis] > high[axis]) return false;
            continue;
        }
        double enter = (low[axis] - from[axis]) / d[axis];
        double leave = (high[axis] - from[axis]) / d[axis];
        if (enter > leave) std::swap(enter, leave);
        t0 = std::max(t0, enter);
        t1 = std::min(t1, leave);
        if (t0 > t1) return false;
    }
    return true;
}

Point along(Point a, Point b, double t)
{
    return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
}

// Collects the runs of one cut path, each starting its dashes where the whole path has them there;
// runs of the same phase (and subpaths kept whole, of phase 0) share a piece.
class PieceCollector {
public:
    explicit PieceCollector(std::vector<StrokePiece>& pieces) : _pieces(pieces) {}

    BezierPath& startRun(Point at, double phase)
    {
        BezierPath& path = pieceFor(phase).path;
        path.moveTo(at);
        return path;
    }
    void appendWhole(const std::vector<Element>& elements, size_t begin, size_t end)
    {
        BezierPath& path = pieceFor(0).path;
        for (size_t i = begin; i < end; ++i) {
            const Element& e = elements[i];
            switch (e.type) {
            case ElementType::MoveTo:
                path.moveTo(e.points[0]);
                break;
            case ElementType::LineTo:
                path.lineTo(e.points[0]);
                break;
            case ElementType::CurveTo:
                path.curveTo(e.points[2], e.points[0], e.points[1]);
                break;
            case ElementType::ClosePath:
                path.closePath();
                break;
            }
        }
    }

private:
    StrokePiece& pieceFor(double phase)
    {
        for (StrokePiece& piece : _pieces)
            if (piece.dashPhase == phase) return piece;
        _pieces.push_back(StrokePiece{BezierPath(), phase});
        return _pieces.back();
    }

    std::vector<StrokePiece>& _pieces;
};

} // namespace

double dashedLineLength(Point a, Point b, const AffineTransform& t)
{
    const Point da = t.apply(a), db = t.apply(b);
    const double dx = toDeviceGrid(db.x) - toDeviceGrid(da.x);
    const double dy = toDeviceGrid(db.y) - toDeviceGrid(da.y);
    // Back to user space through the inverse of the transform's linear part.
    const double det = t.xx * t.yy - t.xy * t.yx;
    if (!(det != 0) || !std::isfinite(det)) return std::hypot(b.x - a.x, b.y - a.y);
    const double ux = (t.yy * dx - t.xy * dy) / det;
    const double uy = (-t.yx * dx + t.xx * dy) / det;
    return std::hypot(ux, uy);
}

bool cutDashedStrokeToArea(const BezierPath& path, const Rect& area, const AffineTransform& userToDevice,
                           std::vector<StrokePiece>& pieces)
{
    pieces.clear();
    if (path.isEmpty() || inside(path.controlPointBounds(), area)) return false;

    const std::vector<Element>& elements = path.elements();
    PieceCollector collector(pieces);
    bool cut = false;
    size_t begin = 0;
    while (begin < elements.size()) {
        // One subpath: a move, its segments and perhaps a close. BezierPath starts every subpath
        // with a move, also the one that follows a close.
        size_t end = begin + 1;
        while (end < elements.size() && elements[end].type != ElementType::MoveTo) ++end;
        bool closed = false, curved = false;
        Point low = elements[begin].points[0], high = low;
        for (size_t i = begin + 1; i < end; ++i) {
            const Element& e = elements[i];
            if (e.type == ElementType::ClosePath) {
                closed = true;
                continue;
            }
            curved |= e.type == ElementType::CurveTo;
            for (int k = 0; k < (e.type == ElementType::CurveTo ? 3 : 1); ++k) {
                low = {std::min(low.x, e.points[k].x), std::min(low.y, e.points[k].y)};
                high = {std::max(high.x, e.points[k].x), std::max(high.y, e.points[k].y)};
            }
        }
        const Rect bounds(low.x, low.y, high.x - low.x, high.y - low.y);
        if (!meets(bounds, area)) {
            cut = true;
        } else if (inside(bounds, area) || closed || curved) {
            collector.appendWhole(elements, begin, end);
        } else {
            cut = true;
            Point current = elements[begin].points[0];
            double length = 0; // of the subpath so far, as the dasher measures it
            BezierPath* run = nullptr;
            for (size_t i = begin + 1; i < end; ++i) {
                const Element& e = elements[i];
                const Point next = e.points[0];
                const double segment = dashedLineLength(current, next, userToDevice);
                double t0, t1;
                if (!clipLine(current, next, area, t0, t1)) {
                    run = nullptr;
                } else {
                    if (t0 > 0) run = &collector.startRun(along(current, next, t0), length + t0 * segment);
                    else if (!run) run = &collector.startRun(current, length);
                    run->lineTo(t1 < 1 ? along(current, next, t1) : next);
                    if (t1 < 1) run = nullptr;
                }
                length += segment;
                current = next;
            }
        }
        begin = end;
    }
    if (!cut) pieces.clear();
    return cut;
}
