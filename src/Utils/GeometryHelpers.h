#pragma once

#include "platform/Geometry.h"

#include <algorithm>
#include <cmath>

// Small geometry on points, vectors and rectangles shared by layout, painting and the editor's
// tools. None of it has state or can fail.
//
// PointDistance, vectorLength, LineAngle and PointAtAngle compute in single precision on purpose:
// their results are the single-precision values widened to double, so that layouts and hit tests
// come out the same as in documents that were laid out before.

// The rectangle spanned by two corners, in either order: the smaller corner as origin, the
// absolute differences as size. Two equal points give an empty rectangle at that point.
inline Rect RectFromPoints(Point a, Point b)
{
    return Rect(std::min(a.x, b.x), std::min(a.y, b.y), std::abs(b.x - a.x), std::abs(b.y - a.y));
}

// The rectangle at (0, 0) with that size.
// Waits for its caller in the editor.
Rect RectWithSize(double width, double height);

// The squared distance is summed in double, then square-rooted in single precision.
double PointDistance(Point a, Point b);

// In double precision throughout.
inline double PointDistanceSquared(Point a, Point b)
{
    double dx = a.x - b.x;
    double dy = a.y - b.y;
    return dx * dx + dy * dy;
}

// Like PointDistance: x² + y² in double, the square root in single precision.
double vectorLength(Point v);

inline Point pointSubtract(Point a, Point b)
{
    return {a.x - b.x, a.y - b.y};
}

inline Point pointAdd(Point a, Point b)
{
    return {a.x + b.x, a.y + b.y};
}

inline Point pointMidpoint(Point a, Point b)
{
    return {(a.x + b.x) * 0.5, (a.y + b.y) * 0.5};
}

inline Point pointScale(Point p, double factor)
{
    return {p.x * factor, p.y * factor};
}

inline Point rectCenter(const Rect& r)
{
    return {r.origin.x + r.size.width * 0.5, r.origin.y + r.size.height * 0.5};
}

// The quadrants are numbered in turn from the one where both components are non-negative:
// 0 (x ≥ 0, y ≥ 0), 1 (x < 0, y ≥ 0), 2 (x < 0, y < 0), 3 (x ≥ 0, y < 0). Only differences of two
// quadrant numbers modulo 4 mean anything to callers.
int vectorQuadrant(Point v);

// -1.0 for negative values, +1.0 for everything else, zero and negative zero included.
inline double SignOf(double v)
{
    return v < 0 ? -1.0 : 1.0;
}

// Radians of the line from `from` to `to`, in (-pi/2, 3pi/2]. A vertical line gives +pi/2 when it
// points down (dy > 0) and -pi/2 otherwise, including a line of no length.
double LineAngle(Point from, Point to);

// The point at that distance from the centre in that direction (radians); sine and cosine of the
// angle are taken in single precision.
Point PointAtAngle(Point center, double angle, double distance);
