#include "render/GrahamScan.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

int64_t roundedCoordinate(double v)
{
    if (std::isnan(v)) return 0;
    const double limit = double(GrahamPoint::MaxCoordinate);
    return int64_t(std::round(std::clamp(v, -limit, limit)));
}

// A monotonic stand-in for the polar angle of (dx, dy), 0 .. 360, without trigonometry.
double pseudoAngle(int64_t dx, int64_t dy)
{
    if (dx == 0 && dy == 0) return 0;
    const double t = double(dy) / double(std::llabs(dx) + std::llabs(dy));
    if (dx >= 0) return 90 * (dy >= 0 ? t : 4 + t);
    return 90 * (2 - t);
}

// Positive when a → b → c turns counter-clockwise (in a y-up reading).
int64_t turn(const GrahamPoint& a, const GrahamPoint& b, const GrahamPoint& c)
{
    return (b.x() - a.x()) * (c.y() - a.y()) - (b.y() - a.y()) * (c.x() - a.x());
}

// Drops the points strictly inside the quadrilateral of the leftmost, topmost, rightmost and
// bottommost points: they lie strictly inside the hull, so the hull stays the same, and the sort
// that follows has far fewer points. A branch's rectangles are mostly such points.
void dropInnerPoints(std::vector<GrahamPoint>& points)
{
    const GrahamPoint* extremes[4] = {&points[0], &points[0], &points[0], &points[0]};
    for (const GrahamPoint& p : points) {
        if (p.x() < extremes[0]->x()) extremes[0] = &p;
        if (p.y() < extremes[1]->y()) extremes[1] = &p;
        if (p.x() > extremes[2]->x()) extremes[2] = &p;
        if (p.y() > extremes[3]->y()) extremes[3] = &p;
    }
    const GrahamPoint corners[4] = {*extremes[0], *extremes[1], *extremes[2], *extremes[3]};
    __int128 area = 0;
    for (int i = 0; i < 4; ++i) {
        const GrahamPoint& a = corners[i];
        const GrahamPoint& b = corners[(i + 1) % 4];
        area += __int128(a.x()) * b.y() - __int128(b.x()) * a.y();
    }
    if (area == 0) return;
    auto inside = [&](const GrahamPoint& p) {
        for (int i = 0; i < 4; ++i) {
            const GrahamPoint& a = corners[i];
            const GrahamPoint& b = corners[(i + 1) % 4];
            if (a == b) continue;
            const int64_t side = turn(a, b, p);
            if (side == 0 || (side > 0) != (area > 0)) return false;
        }
        return true;
    };
    points.erase(std::remove_if(points.begin(), points.end(), inside), points.end());
}

} // namespace

GrahamPoint::GrahamPoint(double x, double y) : _x(roundedCoordinate(x)), _y(roundedCoordinate(y))
{
}

int GrahamPoint::thetaCompareP1(const GrahamPoint& p1, const GrahamPoint& p2) const
{
    if (p1 == p2) return 0;
    const double a1 = pseudoAngle(p1._x - _x, p1._y - _y);
    const double a2 = pseudoAngle(p2._x - _x, p2._y - _y);
    if (a1 != a2) return a1 < a2 ? -1 : 1;
    auto distance = [this](const GrahamPoint& p) {
        const int64_t dx = p._x - _x;
        const int64_t dy = p._y - _y;
        return dx * dx + dy * dy;
    };
    const int64_t d1 = distance(p1);
    const int64_t d2 = distance(p2);
    return d1 == d2 ? 0 : d1 < d2 ? -1 : 1;
}

void GrahamScan::addInputRect(const Rect& rect)
{
    const Rect grown = insetRect(rect, -InputMargin, -InputMargin);
    _input.emplace_back(grown.minX(), grown.minY());
    _input.emplace_back(grown.maxX(), grown.minY());
    _input.emplace_back(grown.minX(), grown.maxY());
    _input.emplace_back(grown.maxX(), grown.maxY());
}

void GrahamScan::addInputX(double x, double y)
{
    _input.emplace_back(x - InputMargin, y - InputMargin);
    _input.emplace_back(x - InputMargin, y + InputMargin);
    _input.emplace_back(x + InputMargin, y - InputMargin);
    _input.emplace_back(x + InputMargin, y + InputMargin);
}

std::optional<GrahamPoint> GrahamScan::popHullPoint()
{
    if (_hull.empty()) return std::nullopt;
    GrahamPoint top = _hull.back();
    _hull.pop_back();
    return top;
}

std::optional<GrahamPoint> GrahamScan::peekHullPoint() const
{
    if (_hull.empty()) return std::nullopt;
    return _hull.back();
}

const std::vector<GrahamPoint>& GrahamScan::calcHull()
{
    _hull.clear();
    if (_input.size() < 3) return _hull;
    dropInnerPoints(_input);
    const size_t count = _input.size();

    size_t pivotIndex = 0;
    for (size_t i = 1; i < count; ++i) {
        const GrahamPoint& p = _input[i];
        const GrahamPoint& best = _input[pivotIndex];
        if (p.y() < best.y() || (p.y() == best.y() && p.x() < best.x())) pivotIndex = i;
    }
    std::swap(_input[0], _input[pivotIndex]);
    const GrahamPoint pivot = _input[0];
    // The order of thetaCompareP1, with each point's angle and distance worked out once rather
    // than in every comparison: hulls round large branches sort thousands of points per paint.
    struct Keyed {
        double angle;
        int64_t distance;
        GrahamPoint point;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(count - 1);
    for (size_t i = 1; i < count; ++i) {
        const int64_t dx = _input[i].x() - pivot.x();
        const int64_t dy = _input[i].y() - pivot.y();
        keyed.push_back({pseudoAngle(dx, dy), dx * dx + dy * dy, _input[i]});
    }
    std::sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        return a.angle != b.angle ? a.angle < b.angle : a.distance < b.distance;
    });
    for (size_t i = 1; i < count; ++i) _input[i] = keyed[i - 1].point;

    pushHullPoint(pivot);
    size_t k = 1;
    while (k < count && _input[k] == pivot) ++k;
    if (k == count) {
        _hull.clear();
        return _hull;
    }
    size_t m = k + 1;
    while (m < count && turn(pivot, _input[k], _input[m]) == 0) ++m;
    if (m == count) {
        pushHullPoint(_input[count - 1]);
        return _hull;
    }
    pushHullPoint(_input[m - 1]);

    for (size_t i = m; i < count; ++i) {
        GrahamPoint top = *popHullPoint();
        for (;;) {
            std::optional<GrahamPoint> peek = peekHullPoint();
            if (!peek) {
                _hull.clear();
                return _hull;
            }
            if (turn(*peek, top, _input[i]) > 0) break;
            top = *popHullPoint();
        }
        pushHullPoint(top);
        pushHullPoint(_input[i]);
    }
    return _hull;
}
