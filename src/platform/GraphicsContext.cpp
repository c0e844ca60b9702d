#include "platform/GraphicsContext.h"

Rect AffineTransform::apply(const Rect& r) const
{
    Point corners[4] = {apply(r.origin), apply(Point{r.maxX(), r.minY()}), apply(Point{r.maxX(), r.maxY()}),
                        apply(Point{r.minX(), r.maxY()})};
    double x0 = corners[0].x, x1 = corners[0].x, y0 = corners[0].y, y1 = corners[0].y;
    for (const Point& p : corners) {
        x0 = std::min(x0, p.x);
        x1 = std::max(x1, p.x);
        y0 = std::min(y0, p.y);
        y1 = std::max(y1, p.y);
    }
    return {x0, y0, x1 - x0, y1 - y0};
}

AffineTransform AffineTransform::concatenating(const AffineTransform& o) const
{
    return {xx * o.xx + xy * o.yx, yx * o.xx + yy * o.yx,      xx * o.xy + xy * o.yy,
            yx * o.xy + yy * o.yy, xx * o.x0 + xy * o.y0 + x0, yx * o.x0 + yy * o.y0 + y0};
}

AffineTransform AffineTransform::inverted() const
{
    double det = xx * yy - xy * yx;
    if (det == 0 || !std::isfinite(det)) return {};
    AffineTransform inv{yy / det, -yx / det, -xy / det, xx / det, 0, 0};
    inv.x0 = -(inv.xx * x0 + inv.xy * y0);
    inv.y0 = -(inv.yx * x0 + inv.yy * y0);
    return inv;
}
