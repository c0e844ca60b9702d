#include "MindMaps/RelationPath.h"

#include "Utils/BezierPathShapes.h"
#include "Utils/GeometryHelpers.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <utility>

namespace {

// Every relation hit test allows this much distance from the line.
constexpr double HitTolerance = 4.0;
constexpr double HitToleranceSquared = HitTolerance * HitTolerance;

// Orthogonal routes keep this margin from the rectangles they connect.
constexpr double OrthoMargin = 8.0;
constexpr double MaxCornerRadius = 4.5;

// The taper's control points are pulled in by these fractions of the wide end's half-width: the
// single-precision 0.66 and 0.33, widened.
constexpr double TaperNearFactor = static_cast<double>(0.66f);
constexpr double TaperFarFactor = static_cast<double>(0.33f);

constexpr int ArrowSearchRounds = 13;

// Enough halvings to flatten any curve a map can hold to within one unit. Deeper subdivision only
// happens for absurd coordinates (a crafted file), where halving until the test is met would never
// end in practice: at most 2^16 lines come out of one curve.
constexpr int MaxFlattenDepth = 16;

constexpr int MaxSubdivisionHitDepth = 5;

// The control polygon of one cubic curve.
struct Cubic {
    Point c0, c1, c2, c3;
};

// The two halves of a cubic at t = 0.5.
void splitCubic(const Cubic& c, Cubic& left, Cubic& right)
{
    Point mid{(c.c0.x + 3 * c.c1.x + 3 * c.c2.x + c.c3.x) / 8, (c.c0.y + 3 * c.c1.y + 3 * c.c2.y + c.c3.y) / 8};
    left.c0 = c.c0;
    left.c1 = {(c.c0.x + c.c1.x) / 2, (c.c0.y + c.c1.y) / 2};
    left.c2 = {(c.c0.x + 2 * c.c1.x + c.c2.x) / 4, (c.c0.y + 2 * c.c1.y + c.c2.y) / 4};
    left.c3 = mid;
    right.c0 = mid;
    right.c1 = {(c.c1.x + 2 * c.c2.x + c.c3.x) / 4, (c.c1.y + 2 * c.c2.y + c.c3.y) / 4};
    right.c2 = {(c.c2.x + c.c3.x) / 2, (c.c2.y + c.c3.y) / 2};
    right.c3 = c.c3;
}

bool isFinite(Point p)
{
    return std::isfinite(p.x) && std::isfinite(p.y);
}

// The closed square of ±4 around a point, edges included.
bool inToleranceSquare(Point pt, Point center)
{
    return pt.x >= center.x - HitTolerance && pt.x <= center.x + HitTolerance && pt.y >= center.y - HitTolerance &&
        pt.y <= center.y + HitTolerance;
}

// The rectangle spanned by two points, grown by the tolerance; half-open like every rectangle.
bool inGrownSpan(Point pt, Point a, Point b)
{
    return pointInRect(pt, insetRect(RectFromPoints(a, b), -HitTolerance, -HitTolerance));
}

double dot(Point a, Point b)
{
    return a.x * b.x + a.y * b.y;
}

double cross(Point a, Point b)
{
    return a.x * b.y - a.y * b.x;
}

bool segmentHitTest(Point pt, Point a, Point b)
{
    if (!inGrownSpan(pt, a, b) || a == b) return false;
    Point ab = pointSubtract(b, a);
    double t = dot(pointSubtract(pt, a), ab) / dot(ab, ab);
    if (t < 0 || t > 1) return false;
    Point projection{a.x + t * ab.x, a.y + t * ab.y};
    return PointDistanceSquared(pt, projection) <= HitToleranceSquared;
}

// The squared distance of pt from the segment a → m, or a large number when pt does not project
// onto it.
double segmentDistanceSquared(Point a, Point m, Point pt)
{
    constexpr double Far = 1e6;
    if (a == m) return Far;
    Point am = pointSubtract(m, a);
    double t = dot(pointSubtract(pt, a), am) / dot(am, am);
    if (!(t >= 0 && t <= 1)) return Far;
    Point projection{a.x + t * am.x, a.y + t * am.y};
    return PointDistanceSquared(pt, projection);
}

// The smallest rectangle holding the four control points, grown by the tolerance.
Rect bezierControlBounds(const Cubic& c)
{
    double minX = std::min({c.c0.x, c.c1.x, c.c2.x, c.c3.x});
    double minY = std::min({c.c0.y, c.c1.y, c.c2.y, c.c3.y});
    double maxX = std::max({c.c0.x, c.c1.x, c.c2.x, c.c3.x});
    double maxY = std::max({c.c0.y, c.c1.y, c.c2.y, c.c3.y});
    return insetRect(Rect(minX, minY, maxX - minX, maxY - minY), -HitTolerance, -HitTolerance);
}

bool bezierSubdivisionHitTest(Point pt, const Cubic& c, int depth)
{
    if (inToleranceSquare(pt, c.c0) || inToleranceSquare(pt, c.c3)) return true;
    if (!pointInRect(pt, bezierControlBounds(c))) return false;
    if (depth >= MaxSubdivisionHitDepth || PointDistanceSquared(c.c0, c.c3) < HitToleranceSquared) {
        return segmentHitTest(pt, c.c0, c.c3);
    }
    Cubic left, right;
    splitCubic(c, left, right);
    return bezierSubdivisionHitTest(pt, left, depth + 1) || bezierSubdivisionHitTest(pt, right, depth + 1);
}

// Appends the curve as straight lines, each within about one unit of the curve.
void flattenCubicToPath(BezierPath& path, const Cubic& c, int depth)
{
    Point d = pointSubtract(c.c3, c.c0);
    double lengthSquared = dot(d, d);
    if (lengthSquared < 0.001) {
        path.lineTo(c.c3);
        return;
    }
    Point first = pointSubtract(c.c1, c.c0);
    Point last = pointSubtract(c.c3, c.c2);
    double crossFirst = cross(first, d);
    double crossLast = cross(last, d);
    double dotFirst = dot(first, d);
    double dotLast = dot(last, d);
    bool tooCurved = crossFirst * crossFirst > lengthSquared || crossLast * crossLast > lengthSquared ||
        (dotFirst < 0 && dotFirst * dotFirst > lengthSquared) || (dotLast < 0 && dotLast * dotLast > lengthSquared) ||
        2 * dotLast > lengthSquared || 2 * dotFirst > lengthSquared;
    if (!tooCurved || depth >= MaxFlattenDepth) {
        path.lineTo(c.c3);
        return;
    }
    Cubic left, right;
    splitCubic(c, left, right);
    flattenCubicToPath(path, left, depth + 1);
    flattenCubicToPath(path, right, depth + 1);
}

// Bisects the parameter interval between an outside point a and an inside point b until the two
// are close or the rounds are spent; answers the last outside point and its parameter.
template <class PointAt>
std::pair<Point, double> searchRectEdge(const Rect& rect, Point a, double ta, Point b, double tb, PointAt pointAt)
{
    for (int round = 0; round < ArrowSearchRounds; ++round) {
        if (PointDistanceSquared(a, b) <= 2) break;
        double t = (ta + tb) / 2;
        Point m = pointAt(t);
        if (pointInRect(m, rect)) {
            b = m;
            tb = t;
        } else {
            a = m;
            ta = t;
        }
    }
    return {a, ta};
}

Point negated(Point v)
{
    return {-v.x, -v.y};
}

bool inClosedRange(double v, double low, double high)
{
    return v >= low && v <= high;
}

} // namespace

bool RelationPath::isNull() const
{
    return p0 == Point() && p3 == Point();
}

Rect RelationPath::bounds() const
{
    return RectFromPoints(p0, p3);
}

RelationPath::RelationPath(const RelationPath& other)
{
    takeValues(other);
    if (other._extraIsFull) _extra = new Full(other.full());
    else if (other._extra) _extra = new Leads(*other._extra);
}

RelationPath::RelationPath(RelationPath&& other) noexcept
{
    *this = std::move(other);
}

RelationPath& RelationPath::operator=(const RelationPath& other)
{
    if (this != &other) *this = RelationPath(other);
    return *this;
}

RelationPath& RelationPath::operator=(RelationPath&& other) noexcept
{
    if (this == &other) return *this;
    freeExtra();
    takeValues(other);
    _extra = std::exchange(other._extra, nullptr);
    // The path left behind answers the widths it holds itself, as a new path would.
    other._extraIsFull = false;
    other._taperApart = false;
    other._leadOutWidthApart = false;
    other._taperWidth = 0;
    other._leadOutWidth = 0;
    return *this;
}

RelationPath::~RelationPath()
{
    freeExtra();
}

void RelationPath::takeValues(const RelationPath& other)
{
    p0 = other.p0;
    p1 = other.p1;
    p2 = other.p2;
    p3 = other.p3;
    autoStraighten = other.autoStraighten;
    hasLeadIn = other.hasLeadIn;
    hasLeadOut = other.hasLeadOut;
    customRouted = other.customRouted;
    _fillPath = other._fillPath;
    _bezierStyle = other._bezierStyle;
    _orthoSegments = other._orthoSegments;
    _extraIsFull = other._extraIsFull;
    _taperApart = other._taperApart;
    _leadOutWidthApart = other._leadOutWidthApart;
    _taperWidth = other._taperWidth;
    _leadOutWidth = other._leadOutWidth;
}

void RelationPath::freeExtra()
{
    // Deleted as what it was made as: the short block has no virtual destructor.
    if (_extraIsFull) delete static_cast<Full*>(_extra);
    else delete _extra;
    _extra = nullptr;
    _extraIsFull = false;
}

RelationPath::Leads& RelationPath::leads()
{
    if (!_extra) _extra = new Leads();
    return *_extra;
}

RelationPath::Full& RelationPath::full()
{
    if (!_extraIsFull) {
        auto* block = new Full();
        if (_extra) {
            static_cast<Leads&>(*block) = *_extra;
            delete _extra;
        }
        _extra = block;
        _extraIsFull = true;
    }
    return *static_cast<Full*>(_extra);
}

void RelationPath::setTaperWidth(int64_t width)
{
    if (width >= INT16_MIN && width <= INT16_MAX) {
        _taperWidth = static_cast<int16_t>(width);
        _taperApart = false;
    } else {
        full().taperWidth = width;
        _taperApart = true;
    }
}

void RelationPath::setLeadOutWidth(double width)
{
    // Line widths are whole or simple fractions, which a float holds exactly; any other value
    // (a NaN or a huge one from a crafted file among them) keeps its every bit in the full block.
    if (std::fabs(width) <= FLT_MAX && static_cast<double>(static_cast<float>(width)) == width) {
        _leadOutWidth = static_cast<float>(width);
        _leadOutWidthApart = false;
    } else {
        full().leadOutWidth = width;
        _leadOutWidthApart = true;
    }
}

void RelationPath::setCustomOffset(Point offset)
{
    // A NaN or infinite handle would make every later route through it NaN as well.
    if (!isFinite(offset)) return;
    if (!_extraIsFull && offset == Point()) return;
    full().customOffset = offset;
}

Point RelationPath::value(double t) const
{
    if (_bezierStyle == 2) return {p0.x + t * (p3.x - p0.x), p0.y + t * (p3.y - p0.y)};
    double mt = 1 - t;
    double a = mt * mt * mt;
    double b = 3 * mt * mt * t;
    double c = 3 * mt * t * t;
    double d = t * t * t;
    return {a * p0.x + b * p1.x + c * p2.x + d * p3.x, a * p0.y + b * p1.y + c * p2.y + d * p3.y};
}

Point RelationPath::derivative(double t) const
{
    if (_bezierStyle == 2) return pointSubtract(p3, p0);
    double mt = 1 - t;
    double a = 3 * mt * mt;
    double b = 6 * t * mt;
    double c = 3 * t * t;
    return {a * (p1.x - p0.x) + b * (p2.x - p1.x) + c * (p3.x - p2.x),
            a * (p1.y - p0.y) + b * (p2.y - p1.y) + c * (p3.y - p2.y)};
}

Point RelationPath::getLocationPoint() const
{
    if (!isOrthogonal()) return value(0.5);
    switch (_orthoSegments) {
    case 4:
        return p12();
    case 2:
        return p1;
    case 1:
        return pointMidpoint(p0, p3);
    default:
        return pointMidpoint(p1, p2);
    }
}

Rect RelationPath::unionCustomRelationPath(const Rect& rect) const
{
    double side;
    if (_bezierStyle == 3) side = 40;
    else if (_bezierStyle == 1) side = 2;
    else return rect;
    Point handle = pointAdd(pointMidpoint(p0, p3), customOffset());
    return unionRect(rect, Rect(handle.x - side / 2, handle.y - side / 2, side, side));
}

void RelationPath::setBezierP0(Point start, Point control1, Point control2, Point end)
{
    _bezierStyle = 0;
    p0 = start;
    p1 = control1;
    p2 = control2;
    p3 = end;
}

void RelationPath::setStraightLine(Point start, Point end)
{
    _bezierStyle = 2;
    p0 = p1 = start;
    p2 = p3 = end;
}

void RelationPath::setCustomBezierEndPointsP0(Point start, Point end)
{
    _bezierStyle = 3;
    p0 = start;
    p3 = end;
    updateCustomQuadPath();
}

void RelationPath::updateCustomQuadPath()
{
    // The quadratic's control point lies twice as far out as the handle, so that the curve itself
    // passes through the handle.
    Point q = pointAdd(pointMidpoint(p0, p3), pointScale(customOffset(), 2));
    constexpr double Third = 0.3333333333333333;
    constexpr double TwoThirds = 0.6666666666666666;
    p1 = pointAdd(pointScale(p0, Third), pointScale(q, TwoThirds));
    p2 = pointAdd(pointScale(p3, Third), pointScale(q, TwoThirds));
}

void RelationPath::setOrthogonalPoints(Point start, Point corner1, Point corner2, Point end)
{
    _bezierStyle = 1;
    _orthoSegments = 3;
    p0 = start;
    p1 = corner1;
    p2 = corner2;
    p3 = end;
}

void RelationPath::setOrthogonalEndPoints(const Rect& r0, const Rect& r3)
{
    _bezierStyle = 1;
    p0 = rectCenter(r0);
    p3 = rectCenter(r3);
    updateOrthogonalPath(r0, r3);
}

void RelationPath::setCustomOrthogonalEndPoints(const Rect& r0, const Rect& r3)
{
    _bezierStyle = 1;
    p0 = rectCenter(r0);
    p3 = rectCenter(r3);
    updateCustomOrthogonalPath(r0, r3);
}

void RelationPath::updateOrthogonalPath(const Rect& r0, const Rect& r3)
{
    Point d = pointSubtract(p3, p0);
    if (std::abs(d.x) <= 1.0 || std::abs(d.y) <= 1.0) {
        _orthoSegments = 1;
        return;
    }
    // The free gaps between the rectangles, less the margin on both sides.
    double gx = std::abs(d.x) - ((r0.width() + r3.width()) * 0.5 + 2 * OrthoMargin);
    double gy = std::abs(d.y) - ((r0.height() + r3.height()) * 0.5 + 2 * OrthoMargin);
    if (gx >= 0 || gy >= 0) {
        // The middle segment runs halfway across the wider gap.
        _orthoSegments = 3;
        if (gx >= gy) {
            double x = p3.x > p0.x ? r0.maxX() + gx * 0.5 + OrthoMargin : r0.minX() - (gx * 0.5 + OrthoMargin);
            p1 = {x, p0.y};
            p2 = {x, p3.y};
        } else {
            double y = p3.y > p0.y ? r0.maxY() + gy * 0.5 + OrthoMargin : r0.minY() - (gy * 0.5 + OrthoMargin);
            p1 = {p0.x, y};
            p2 = {p3.x, y};
        }
        return;
    }
    // The rectangles overlap in both directions within the margins: turn once where there is room.
    if (p3.y <= r0.minY() - OrthoMargin || p3.y >= r0.maxY() + OrthoMargin) {
        _orthoSegments = 2;
        p1 = {p0.x, p3.y};
    } else if (p3.x <= r0.minX() - OrthoMargin || p3.x >= r0.maxX() + OrthoMargin) {
        _orthoSegments = 2;
        p1 = {p3.x, p0.y};
    } else {
        _orthoSegments = 1;
    }
}

void RelationPath::updateCustomOrthogonalPath(const Rect& r0, const Rect& r3)
{
    _orthoSegments = 3;
    Rect g0 = insetRect(r0, -OrthoMargin, -OrthoMargin);
    Rect g3 = insetRect(r3, -OrthoMargin, -OrthoMargin);
    Point c = pointAdd(pointMidpoint(p0, p3), customOffset());
    double minX = std::min(g0.minX(), g3.minX());
    double maxX = std::max(g0.maxX(), g3.maxX());
    double minY = std::min(g0.minY(), g3.minY());
    double maxY = std::max(g0.maxY(), g3.maxY());

    // ox ≥ 0: the handle lies left or right of both rectangles; oy ≥ 0: above or below them.
    double ox = minX - c.x;
    if (!(ox >= 0)) ox = c.x - maxX;
    double oy = minY - c.y;
    if (!(oy >= 0)) oy = c.y - maxY;

    if (ox < 0 && oy < 0) {
        // The handle is among the rectangles: which side of the two diagonals of the end points'
        // box it lies on decides whether the middle segment through it is vertical or horizontal.
        double s1 = (p3.x - p0.x) * (c.y - p0.y) - (p3.y - p0.y) * (c.x - p0.x);
        double s2 = (p3.x - p0.x) * (c.y - p3.y) - (p0.y - p3.y) * (c.x - p0.x);
        if ((s1 >= 0) == (s2 >= 0)) {
            p1 = {c.x, p0.y};
            p2 = {c.x, p3.y};
            // A middle segment that would cut through a rectangle becomes a single turn.
            if (inClosedRange(c.x, g0.minX() - OrthoMargin, g0.maxX() + OrthoMargin)) {
                _orthoSegments = 2;
                p1 = {p0.x, p3.y};
            } else if (inClosedRange(c.x, g3.minX() - OrthoMargin, g3.maxX() + OrthoMargin)) {
                _orthoSegments = 2;
                p1 = {p3.x, p0.y};
            }
        } else {
            p1 = {p0.x, c.y};
            p2 = {p3.x, c.y};
            if (inClosedRange(c.y, g0.minY() - OrthoMargin, g0.maxY() + OrthoMargin)) {
                _orthoSegments = 2;
                p1 = {p3.x, p0.y};
            } else if (inClosedRange(c.y, g3.minY() - OrthoMargin, g3.maxY() + OrthoMargin)) {
                _orthoSegments = 2;
                p1 = {p0.x, p3.y};
            }
        }
        return;
    }

    if (!(ox >= 0 && oy >= 0)) {
        // Beside the rectangles in one direction only: one middle segment through the handle.
        if (ox > oy) {
            p1 = {c.x, p0.y};
            p2 = {c.x, p3.y};
        } else {
            p1 = {p0.x, c.y};
            p2 = {p3.x, c.y};
        }
        return;
    }

    // Beyond a corner of the rectangles: four segments with the handle as their middle corner.
    _orthoSegments = 4;
    full().p12 = c;
    int q0 = vectorQuadrant(pointSubtract(p3, p0));
    int q1 = vectorQuadrant(pointSubtract(c, pointMidpoint(p0, p3)));
    int diff = ((q1 - q0) % 4 + 4) % 4;
    bool q0Odd = q0 % 2 == 1;
    bool flag;
    if (diff == 1 || diff == 3) flag = diff == 3;
    else if (!q0Odd) flag = (diff == 0) != (ox >= oy);
    else flag = (diff == 0) != (oy >= ox);
    if (flag == q0Odd) {
        // Leave p0 horizontally.
        p1 = {c.x, p0.y};
        p2 = {p3.x, c.y};
    } else {
        // Leave p0 vertically.
        p1 = {p0.x, c.y};
        p2 = {c.x, p3.y};
    }
}

void RelationPath::moveCustomPoint(Point c)
{
    setCustomOffset(pointSubtract(c, pointMidpoint(p0, p3)));
}

void RelationPath::applyToPath(BezierPath& path, double flatness)
{
    _fillPath = false;
    if (hasLeadIn) {
        path.moveTo(leadInPoint());
        path.lineTo(p0);
    } else {
        path.moveTo(p0);
    }
    switch (_bezierStyle) {
    case 0:
        if (autoStraighten && (std::abs(p3.x - p0.x) <= 2.0 || std::abs(p3.y - p0.y) <= 2.0)) {
            appendStraightLine(path);
        } else {
            appendCurve(path, flatness);
        }
        break;
    case 3:
        appendCurve(path, flatness);
        break;
    case 2:
        appendStraightLine(path);
        break;
    case 1:
        appendOrthogonal(path);
        break;
    default:
        break;
    }
}

bool RelationPath::taperOffset(Point& offset) const
{
    const int64_t taper = taperWidth();
    Point d = derivative(taper > 0 ? 0 : 1);
    double length = vectorLength(d);
    if (length == 0) return false;
    double width = static_cast<double>(taper);
    Point n{d.x * width / length, d.y * width / length};
    offset = {-n.y, n.x};
    return true;
}

void RelationPath::appendCurve(BezierPath& path, double flatness)
{
    if (flatness > 1.0 && PointDistanceSquared(p0, p3) > 10000) {
        flattenCubicToPath(path, {p0, p1, p2, p3}, 0);
        return;
    }
    Point e;
    if (taperWidth() == 0 || !taperOffset(e)) {
        path.curveTo(p3, p1, p2);
        return;
    }
    Point near = pointScale(e, TaperNearFactor);
    Point far = pointScale(e, TaperFarFactor);
    if (taperWidth() > 0) {
        path.moveTo(pointAdd(p0, e));
        path.curveTo(p3, pointAdd(p1, near), pointAdd(p2, far));
        path.curveTo(pointSubtract(p0, e), pointSubtract(p2, far), pointSubtract(p1, near));
    } else {
        path.moveTo(pointAdd(p3, e));
        path.curveTo(p0, pointAdd(p2, near), pointAdd(p1, far));
        path.curveTo(pointSubtract(p3, e), pointSubtract(p1, far), pointSubtract(p2, near));
    }
    path.closePath();
    path.moveTo(p3);
    _fillPath = true;
}

void RelationPath::appendStraightLine(BezierPath& path)
{
    Point e;
    if (taperWidth() == 0 || !taperOffset(e)) {
        path.lineTo(p3);
        return;
    }
    if (taperWidth() > 0) {
        path.moveTo(pointAdd(p0, e));
        path.lineTo(p3);
        path.lineTo(pointSubtract(p0, e));
    } else {
        path.moveTo(pointAdd(p3, e));
        path.lineTo(p0);
        path.lineTo(pointSubtract(p3, e));
    }
    path.closePath();
    path.moveTo(p3);
    _fillPath = true;
}

void RelationPath::appendOrthogonal(BezierPath& path) const
{
    switch (_orthoSegments) {
    case 1:
        break;
    case 2:
        addOrthoSegment(path, p0, p1, p3);
        break;
    case 4: {
        const Point corner = p12();
        addOrthoSegment(path, p0, p1, corner);
        addOrthoSegment(path, p1, corner, p2);
        addOrthoSegment(path, corner, p2, p3);
        break;
    }
    default:
        addOrthoSegment(path, p0, p1, p2);
        addOrthoSegment(path, p1, p2, p3);
        break;
    }
    path.lineTo(p3);
}

void RelationPath::addOrthoSegment(BezierPath& path, Point anchor, Point p, Point next)
{
    // The radius never exceeds half of either segment, so that two corners of a short segment
    // do not overlap.
    if (std::abs(p.x - anchor.x) > std::abs(p.y - anchor.y)) {
        double r = std::min({MaxCornerRadius, std::abs(p.x - anchor.x) / 2, std::abs(next.y - p.y) / 2});
        path.lineTo({p.x - SignOf(p.x - anchor.x) * r, p.y});
        quadCurveTo(path, {p.x, p.y + SignOf(next.y - p.y) * r}, p);
    } else {
        double r = std::min({MaxCornerRadius, std::abs(p.y - anchor.y) / 2, std::abs(next.x - p.x) / 2});
        path.lineTo({p.x, p.y - SignOf(p.y - anchor.y) * r});
        quadCurveTo(path, {p.x + SignOf(next.x - p.x) * r, p.y}, p);
    }
}

bool RelationPath::hitTest(Point pt) const
{
    if (hasLeadIn && segmentHitTest(pt, leadInPoint(), p0)) return true;
    switch (_bezierStyle) {
    case 0:
        return cubicHitTest(pt);
    case 3:
        return customBezierHitTest(pt);
    case 2:
        return segmentHitTest(pt, p0, p3);
    case 1:
        switch (_orthoSegments) {
        case 1:
            return segmentHitTest(pt, p0, p3);
        case 2:
            return segmentHitTest(pt, p0, p1) || segmentHitTest(pt, p1, p3);
        case 4:
            return segmentHitTest(pt, p0, p1) || segmentHitTest(pt, p1, p12()) || segmentHitTest(pt, p12(), p2) ||
                segmentHitTest(pt, p2, p3);
        default:
            return segmentHitTest(pt, p0, p1) || segmentHitTest(pt, p1, p2) || segmentHitTest(pt, p2, p3);
        }
    default:
        return false;
    }
}

bool RelationPath::cubicHitTest(Point pt) const
{
    if (inToleranceSquare(pt, p0) || inToleranceSquare(pt, p3)) return true;
    if (inGrownSpan(pt, p0, p3) && bisectionHitTest(pt)) return true;
    // The bisection only follows halves whose end points' span holds the point, so it misses
    // the parts of a curve that bulge out of such a span (an S-bend, control points beyond the
    // end points). Subdivision finds those.
    return pointInRect(pt, bezierControlBounds({p0, p1, p2, p3})) && customBezierHitTest(pt);
}

bool RelationPath::bisectionHitTest(Point pt) const
{
    Point a = p0;
    Point b = p3;
    double ta = 0;
    double tb = 1;
    while (PointDistanceSquared(a, b) >= 8) {
        double t = (ta + tb) / 2;
        // The parameter interval cannot be halved any further (only with coordinates so large
        // that neighbouring parameters lie far apart): nothing closer will turn up.
        if (t == ta || t == tb) return false;
        Point m = value(t);
        if (inToleranceSquare(pt, m)) return true;
        bool inFirst = inGrownSpan(pt, a, m);
        bool inSecond = inGrownSpan(pt, m, b);
        bool keepFirst;
        if (inFirst && inSecond) keepFirst = segmentDistanceSquared(b, m, pt) >= segmentDistanceSquared(a, m, pt);
        else if (inFirst || inSecond) keepFirst = inFirst;
        else return false;
        if (keepFirst) {
            b = m;
            tb = t;
        } else {
            a = m;
            ta = t;
        }
    }
    return false;
}

bool RelationPath::customBezierHitTest(Point pt) const
{
    return bezierSubdivisionHitTest(pt, {p0, p1, p2, p3}, 0);
}

ArrowPosition RelationPath::calcTargetArrowPosition(const Rect& rect) const
{
    if (isOrthogonal()) return calcOrthoTargetArrowPosition(rect);
    if (hasLeadOut) return {p3, derivative(0.95)};
    if (pointInRect(p0, rect)) return {p0, derivative(0)};
    auto [tip, t] = searchRectEdge(rect, p0, 0, p3, 1, [this](double t) { return value(t); });
    return {tip, derivative(t)};
}

ArrowPosition RelationPath::calcSourceArrowPosition(const Rect& rect) const
{
    if (isOrthogonal()) return calcOrthoSourceArrowPosition(rect);
    if (hasLeadIn) return {p0, negated(derivative(0.05))};
    if (pointInRect(p3, rect)) return {p3, negated(derivative(1))};
    auto [tip, t] = searchRectEdge(rect, p3, 1, p0, 0, [this](double t) { return value(t); });
    return {tip, negated(derivative(t))};
}

ArrowPosition RelationPath::calcOrthoTargetArrowPosition(const Rect& rect) const
{
    Point s = _orthoSegments == 1 ? p0 : _orthoSegments == 2 ? p1 : p2;
    Point direction = pointSubtract(p3, s);
    if (pointInRect(s, rect)) return {s, direction};
    auto pointAt = [s, direction](double t) { return Point{s.x + t * direction.x, s.y + t * direction.y}; };
    return {searchRectEdge(rect, s, 0, p3, 1, pointAt).first, direction};
}

ArrowPosition RelationPath::calcOrthoSourceArrowPosition(const Rect& rect) const
{
    Point e = _orthoSegments == 1 ? p3 : p1;
    Point direction = pointSubtract(p0, e);
    if (pointInRect(e, rect)) return {e, direction};
    Point start = p0;
    auto pointAt = [start, e](double t) { return Point{start.x + t * (e.x - start.x), start.y + t * (e.y - start.y)}; };
    return {searchRectEdge(rect, e, 1, p0, 0, pointAt).first, direction};
}
