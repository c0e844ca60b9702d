#include "Utils/BezierPathShapes.h"

#include <algorithm>

void quadCurveTo(BezierPath& path, Point p, Point controlPoint)
{
    if (!path.hasCurrentPoint()) path.moveTo(p);
    const Point p0 = path.currentPoint();
    const Point c = controlPoint;
    const Point control1{p0.x / 3 + 2 * c.x / 3, p0.y / 3 + 2 * c.y / 3};
    const Point control2{p.x / 3 + 2 * c.x / 3, p.y / 3 + 2 * c.y / 3};
    path.curveTo(p, control1, control2);
}

void addDropRoundRect(BezierPath& path, const Rect& rect, double radius)
{
    const double x = rect.minX();
    const double y = rect.minY();
    const double w = rect.width();
    const double h = rect.height();
    const double r = radius;
    path.moveTo({x, y + h - r});
    path.lineTo({x, y});
    path.appendArc({x + w - r, y + r}, r, -90, 0);
    path.appendArc({x + w - r, y + h - r}, r, 0, 90);
    path.appendArc({x + r, y + h - r}, r, 90, 180);
    path.closePath();
}

void addRoundedRect(BezierPath& path, const Rect& rect, double radius)
{
    const double x = rect.minX();
    const double y = rect.minY();
    const double w = rect.width();
    const double h = rect.height();
    const double r = std::clamp(radius, 0.0, std::max(0.0, std::min(w, h) / 2));
    if (!(r > 0)) {
        path.appendRect(rect);
        return;
    }
    path.moveTo({x + r, y});
    path.appendArc({x + w - r, y + r}, r, -90, 0);
    path.appendArc({x + w - r, y + h - r}, r, 0, 90);
    path.appendArc({x + r, y + h - r}, r, 90, 180);
    path.appendArc({x + r, y + r}, r, 180, 270);
    path.closePath();
}

void addDiamond(BezierPath& path, const Rect& rect)
{
    const double x = rect.minX();
    const double y = rect.minY();
    const double w = rect.width();
    const double h = rect.height();
    path.moveTo({x, y + h / 2});
    path.lineTo({x + w / 2, y});
    path.lineTo({x + w, y + h / 2});
    path.lineTo({x + w / 2, y + h});
    path.closePath();
}
