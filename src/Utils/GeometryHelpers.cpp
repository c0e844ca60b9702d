#include "Utils/GeometryHelpers.h"

#include <cmath>
#include <numbers>

namespace {

// The square root of a double-precision sum taken in single precision.
double singlePrecisionRoot(double squared)
{
    return static_cast<double>(std::sqrt(static_cast<float>(squared)));
}

} // namespace

Rect RectWithSize(double width, double height)
{
    return Rect(0, 0, width, height);
}

double PointDistance(Point a, Point b)
{
    return singlePrecisionRoot(PointDistanceSquared(a, b));
}

double vectorLength(Point v)
{
    return singlePrecisionRoot(v.x * v.x + v.y * v.y);
}

int vectorQuadrant(Point v)
{
    if (v.x < 0) return v.y < 0 ? 2 : 1;
    return v.y < 0 ? 3 : 0;
}

double LineAngle(Point from, Point to)
{
    double dx = to.x - from.x;
    double dy = to.y - from.y;
    if (dx == 0) return dy > 0 ? std::numbers::pi / 2 : -std::numbers::pi / 2;
    float quotient = static_cast<float>(dy / dx);
    double angle = static_cast<double>(std::atan(quotient));
    if (dx < 0) angle += std::numbers::pi;
    return angle;
}

Point PointAtAngle(Point center, double angle, double distance)
{
    float a = static_cast<float>(angle);
    double c = static_cast<double>(std::cos(a));
    double s = static_cast<double>(std::sin(a));
    return {center.x + c * distance, center.y + s * distance};
}
