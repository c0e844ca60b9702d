#pragma once

#include <algorithm>
#include <cmath>

// Points, sizes and rectangles in the editor's coordinates (flipped: y grows down).
// Both have constructors so that Point(x, y) means the same to every compiler: clang before 16
// does not build aggregates from parentheses.
struct Point {
    double x = 0;
    double y = 0;
    constexpr Point() = default;
    constexpr Point(double x_, double y_) : x(x_), y(y_) {}
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    double width = 0;
    double height = 0;
    constexpr Size() = default;
    constexpr Size(double w, double h) : width(w), height(h) {}
    friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
    Point origin;
    Size size;

    Rect() = default;
    Rect(Point o, Size s) : origin(o), size(s) {}
    Rect(double x, double y, double w, double h) : origin{x, y}, size{w, h} {}

    double minX() const { return origin.x; }
    double minY() const { return origin.y; }
    double maxX() const { return origin.x + size.width; }
    double maxY() const { return origin.y + size.height; }
    double midX() const { return origin.x + size.width / 2; }
    double midY() const { return origin.y + size.height / 2; }
    double width() const { return size.width; }
    double height() const { return size.height; }
    Point center() const { return {midX(), midY()}; }

    // A rectangle without area is empty, whatever its origin.
    bool isEmpty() const { return !(size.width > 0) || !(size.height > 0); }

    friend bool operator==(const Rect&, const Rect&) = default;
};

inline Point operator+(Point a, Point b)
{
    return {a.x + b.x, a.y + b.y};
}
inline Point operator-(Point a, Point b)
{
    return {a.x - b.x, a.y - b.y};
}

// The union ignores empty rectangles: the union with an empty one is the other one.
inline Rect unionRect(const Rect& a, const Rect& b)
{
    if (a.isEmpty()) return b.isEmpty() ? Rect() : b;
    if (b.isEmpty()) return a;
    double x0 = std::min(a.minX(), b.minX());
    double y0 = std::min(a.minY(), b.minY());
    double x1 = std::max(a.maxX(), b.maxX());
    double y1 = std::max(a.maxY(), b.maxY());
    return {x0, y0, x1 - x0, y1 - y0};
}

// Rectangles that do not overlap (touching edges included) intersect in the zero rectangle.
inline Rect intersectionRect(const Rect& a, const Rect& b)
{
    double x0 = std::max(a.minX(), b.minX());
    double y0 = std::max(a.minY(), b.minY());
    double x1 = std::min(a.maxX(), b.maxX());
    double y1 = std::min(a.maxY(), b.maxY());
    if (x1 <= x0 || y1 <= y0) return Rect();
    return {x0, y0, x1 - x0, y1 - y0};
}

inline bool intersectsRect(const Rect& a, const Rect& b)
{
    return !intersectionRect(a, b).isEmpty();
}

// Positive insets shrink the rectangle on every side, negative ones grow it.
inline Rect insetRect(const Rect& r, double dx, double dy)
{
    return {r.minX() + dx, r.minY() + dy, r.width() - 2 * dx, r.height() - 2 * dy};
}

// Half-open: the minimum edges belong to the rectangle, the maximum edges do not.
inline bool pointInRect(Point p, const Rect& r)
{
    return p.x >= r.minX() && p.x < r.maxX() && p.y >= r.minY() && p.y < r.maxY();
}

inline bool containsRect(const Rect& outer, const Rect& inner)
{
    return !inner.isEmpty() && inner.minX() >= outer.minX() && inner.minY() >= outer.minY() &&
        inner.maxX() <= outer.maxX() && inner.maxY() <= outer.maxY();
}
