#pragma once

#include "platform/Geometry.h"

#include <cstdint>
#include <optional>
#include <vector>

// A point of a convex hull, on whole map units.
class GrahamPoint {
public:
    // Coordinates beyond this are taken as this: the scan's cross products of differences must
    // stay exact in 64 bits, and no map reaches that far.
    static constexpr int64_t MaxCoordinate = int64_t(1) << 30;

    GrahamPoint() = default;
    // Rounds each coordinate to the nearest whole number, halves away from zero; a coordinate that
    // is not a number becomes 0.
    GrahamPoint(double x, double y);
    static GrahamPoint pointX(double x, double y) { return GrahamPoint(x, y); }

    int64_t x() const { return _x; }
    int64_t y() const { return _y; }
    Point point() const { return {double(_x), double(_y)}; }
    bool isEqualToPoint(const GrahamPoint& other) const { return _x == other._x && _y == other._y; }
    // The order of p1 and p2 around this point as pivot: by angle, the nearer first at equal
    // angles; -1, 0 or 1.
    int thetaCompareP1(const GrahamPoint& p1, const GrahamPoint& p2) const;

    friend bool operator==(const GrahamPoint&, const GrahamPoint&) = default;

private:
    int64_t _x = 0;
    int64_t _y = 0;
};

// The convex hull of points, by Graham's scan. Rectangles and points go in as the corners of a
// margin of 4 round them, so the hull keeps that distance from everything it encloses.
class GrahamScan {
public:
    static constexpr double InputMargin = 4.0;

    void addInputRect(const Rect& rect);
    void addInputX(double x, double y);
    void addInputPoint(Point p) { addInputX(p.x, p.y); }
    // The points scanned; calcHull reorders them and drops points that lie inside the hull.
    std::vector<GrahamPoint>& input() { return _input; }

    // The pivot (the topmost, then leftmost point) first, then the outline in order of increasing
    // angle. Empty for fewer than 3 points; two points when all lie on one line.
    const std::vector<GrahamPoint>& calcHull();
    const std::vector<GrahamPoint>& hull() const { return _hull; }

    void pushHullPoint(const GrahamPoint& point) { _hull.push_back(point); }
    std::optional<GrahamPoint> popHullPoint();
    std::optional<GrahamPoint> peekHullPoint() const;

private:
    std::vector<GrahamPoint> _input;
    std::vector<GrahamPoint> _hull;
};
