#include "platform/BezierPath.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

using Type = BezierPath::ElementType;

std::vector<Type> types(const BezierPath& path)
{
    std::vector<Type> result;
    for (const auto& e : path.elements()) result.push_back(e.type);
    return result;
}

Point endPoint(const BezierPath::Element& e)
{
    return e.type == Type::CurveTo ? e.points[2] : e.points[0];
}

Point cubicAt(Point p0, const BezierPath::Element& e, double t)
{
    double u = 1 - t;
    auto f = [&](double a, double b, double c, double d) {
        return u * u * u * a + 3 * u * u * t * b + 3 * u * t * t * c + t * t * t * d;
    };
    return {f(p0.x, e.points[0].x, e.points[1].x, e.points[2].x), f(p0.y, e.points[0].y, e.points[1].y, e.points[2].y)};
}

// Checks that every curve of the path stays on the circle within the approximation's error.
void expectOnCircle(const BezierPath& path, Point center, double radius)
{
    Point previous;
    for (const auto& e : path.elements()) {
        if (e.type == Type::CurveTo) {
            for (double t = 0; t <= 1.0; t += 0.125) {
                Point p = cubicAt(previous, e, t);
                EXPECT_NEAR(std::hypot(p.x - center.x, p.y - center.y), radius, radius * 0.0003);
            }
        }
        if (e.type != Type::ClosePath) previous = endPoint(e);
    }
}

} // namespace

TEST(BezierPath, SegmentsWithoutACurrentPointBeginASubpath)
{
    BezierPath line;
    line.lineTo({3, 4});
    EXPECT_EQ(types(line), (std::vector<Type>{Type::MoveTo}));

    BezierPath curve;
    curve.curveTo({9, 9}, {1, 1}, {5, 5});
    EXPECT_EQ(types(curve), (std::vector<Type>{Type::MoveTo, Type::CurveTo}));
    EXPECT_EQ(curve.elements()[0].points[0], (Point{1, 1}));

    BezierPath path;
    path.moveTo({0, 0});
    path.lineTo({10, 0});
    path.closePath();
    path.closePath(); // a second close adds nothing
    path.lineTo({0, 10});
    EXPECT_EQ(types(path),
              (std::vector<Type>{Type::MoveTo, Type::LineTo, Type::ClosePath, Type::MoveTo, Type::LineTo}));
    EXPECT_EQ(path.elements()[3].points[0], (Point{0, 0}));
}

TEST(BezierPath, RectangleOvalAndControlPointBounds)
{
    BezierPath rect;
    EXPECT_EQ(rect.controlPointBounds(), Rect());
    rect.appendRect(Rect(1, 2, 10, 20));
    EXPECT_EQ(types(rect),
              (std::vector<Type>{Type::MoveTo, Type::LineTo, Type::LineTo, Type::LineTo, Type::ClosePath}));
    EXPECT_EQ(rect.elements()[2].points[0], (Point{11, 22}));
    EXPECT_EQ(rect.controlPointBounds(), Rect(1, 2, 10, 20));

    BezierPath oval;
    oval.appendOval(Rect(0, 0, 40, 40));
    EXPECT_EQ(
        types(oval),
        (std::vector<Type>{Type::MoveTo, Type::CurveTo, Type::CurveTo, Type::CurveTo, Type::CurveTo, Type::ClosePath}));
    expectOnCircle(oval, {20, 20}, 20);
    EXPECT_EQ(oval.controlPointBounds(), Rect(0, 0, 40, 40));

    BezierPath curve;
    curve.moveTo({0, 0});
    curve.curveTo({10, 0}, {0, -20}, {10, 30});
    EXPECT_EQ(curve.controlPointBounds(), Rect(0, -20, 10, 50));
}

TEST(BezierPath, ArcsAreSplitIntoSegmentsOfAtMostNinetyDegrees)
{
    struct Case {
        double start, end;
        bool clockwise;
        size_t curves;
    };
    const Case cases[] = {
        {0, 90, false, 1},  {0, 91, false, 2},  {0, 720, false, 4}, // at most one turn
        {0, -90, false, 3},                                         // counter-clockwise the long way round
        {0, -90, true, 1},  {30, 30, false, 0},
    };
    for (const Case& c : cases) {
        BezierPath path;
        path.appendArc({5, 5}, 3, c.start, c.end, c.clockwise);
        size_t n = 0;
        for (const auto& e : path.elements()) n += e.type == Type::CurveTo;
        EXPECT_EQ(n, c.curves) << c.start << " to " << c.end << (c.clockwise ? " clockwise" : "");
    }
}

TEST(BezierPath, ArcWithNoNumbersIsIgnored)
{
    BezierPath path;
    double nan = std::numeric_limits<double>::quiet_NaN();
    path.appendArc({0, 0}, nan, 0, 90);
    path.appendArc({0, 0}, 10, 0, std::numeric_limits<double>::infinity());
    path.appendArc({nan, 0}, 10, 0, 90);
    EXPECT_TRUE(path.isEmpty());
}

TEST(BezierPath, ReplaysIntoCairo)
{
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 100, 100);
    cairo_t* cr = cairo_create(surface);
    BezierPath path;
    path.moveTo({10, 10});
    path.lineTo({50, 10});
    path.curveTo({50, 50}, {60, 20}, {60, 40});
    path.closePath();
    path.setLineJoinStyle(LineJoinStyle::Round);
    path.setLineWidth(3.5);
    path.addToCairo(cr);

    EXPECT_EQ(cairo_get_line_join(cr), CAIRO_LINE_JOIN_ROUND);
    EXPECT_EQ(cairo_get_line_width(cr), 3.5);
    cairo_path_t* copy = cairo_copy_path(cr);
    ASSERT_EQ(copy->status, CAIRO_STATUS_SUCCESS);
    std::vector<cairo_path_data_type_t> kinds;
    for (int i = 0; i < copy->num_data; i += copy->data[i].header.length) kinds.push_back(copy->data[i].header.type);
    // cairo adds a move to the start after a close.
    EXPECT_EQ(kinds,
              (std::vector<cairo_path_data_type_t>{CAIRO_PATH_MOVE_TO, CAIRO_PATH_LINE_TO, CAIRO_PATH_CURVE_TO,
                                                   CAIRO_PATH_CLOSE_PATH, CAIRO_PATH_MOVE_TO}));
    EXPECT_EQ(copy->data[5].point.x, 60);
    EXPECT_EQ(copy->data[7].point.y, 50);

    cairo_path_destroy(copy);

    cairo_destroy(cr);
    cairo_surface_destroy(surface);
}
