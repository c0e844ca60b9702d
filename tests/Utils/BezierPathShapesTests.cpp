#include "Utils/BezierPathShapes.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using Type = BezierPath::ElementType;

void expectPoint(Point actual, Point expected, const char* what)
{
    EXPECT_NEAR(actual.x, expected.x, 1e-9) << what;
    EXPECT_NEAR(actual.y, expected.y, 1e-9) << what;
}

// The end point of an element: where the path stands after it.
Point endPoint(const BezierPath::Element& e)
{
    return e.type == Type::CurveTo ? e.points[2] : e.points[0];
}

bool passesThrough(const BezierPath& path, Point p)
{
    for (const auto& e : path.elements()) {
        if (e.type == Type::ClosePath) continue;
        const Point q = endPoint(e);
        if (std::abs(q.x - p.x) < 1e-9 && std::abs(q.y - p.y) < 1e-9) return true;
    }
    return false;
}

TEST(QuadCurve, ControlPointsAreTwoThirdsTowardTheQuadraticControl)
{
    BezierPath path;
    path.moveTo({0, 0});
    quadCurveTo(path, {6, 0}, {3, 3});
    ASSERT_EQ(path.elements().size(), 2u);
    const auto& curve = path.elements()[1];
    ASSERT_EQ(curve.type, Type::CurveTo);
    expectPoint(curve.points[0], {2, 2}, "control 1");
    expectPoint(curve.points[1], {4, 2}, "control 2");
    expectPoint(curve.points[2], {6, 0}, "end");
    expectPoint(path.currentPoint(), {6, 0}, "current point");
}

TEST(QuadCurve, StartsFromTheCurrentPoint)
{
    BezierPath path;
    path.moveTo({3, 9});
    path.lineTo({9, 3});
    quadCurveTo(path, {0, 0}, {9, 0});
    const auto& curve = path.elements().back();
    ASSERT_EQ(curve.type, Type::CurveTo);
    expectPoint(curve.points[0], {9.0 / 3 + 2 * 9.0 / 3, 3.0 / 3}, "control 1");
    expectPoint(curve.points[1], {2 * 9.0 / 3, 0}, "control 2");
}

TEST(QuadCurve, WithoutCurrentPointStartsAtTheEndPoint)
{
    BezierPath path;
    quadCurveTo(path, {5, 5}, {10, 0});
    ASSERT_FALSE(path.elements().empty());
    EXPECT_EQ(path.elements().front().type, Type::MoveTo);
    expectPoint(path.elements().front().points[0], {5, 5}, "start");
    expectPoint(path.currentPoint(), {5, 5}, "current point");
}

TEST(Diamond, ThroughTheMidpointsOfTheSides)
{
    BezierPath path;
    addDiamond(path, Rect(10, 20, 40, 30));
    const auto& e = path.elements();
    ASSERT_EQ(e.size(), 5u);
    EXPECT_EQ(e[0].type, Type::MoveTo);
    expectPoint(e[0].points[0], {10, 35}, "left");
    EXPECT_EQ(e[1].type, Type::LineTo);
    expectPoint(e[1].points[0], {30, 20}, "top");
    EXPECT_EQ(e[2].type, Type::LineTo);
    expectPoint(e[2].points[0], {50, 35}, "right");
    EXPECT_EQ(e[3].type, Type::LineTo);
    expectPoint(e[3].points[0], {30, 50}, "bottom");
    EXPECT_EQ(e[4].type, Type::ClosePath);
}

TEST(DropRoundRect, StartsWithTheSharpOriginCorner)
{
    BezierPath path;
    addDropRoundRect(path, Rect(0, 0, 100, 50), 10);
    const auto& e = path.elements();
    ASSERT_GE(e.size(), 3u);
    EXPECT_EQ(e[0].type, Type::MoveTo);
    expectPoint(e[0].points[0], {0, 40}, "start");
    EXPECT_EQ(e[1].type, Type::LineTo);
    expectPoint(e[1].points[0], {0, 0}, "sharp corner");
    EXPECT_EQ(e.back().type, Type::ClosePath);
}

TEST(DropRoundRect, OtherCornersAreRounded)
{
    BezierPath path;
    addDropRoundRect(path, Rect(0, 0, 100, 50), 10);
    for (Point p : {Point{90, 0}, Point{100, 10}, Point{100, 40}, Point{90, 50}, Point{10, 50}}) {
        EXPECT_TRUE(passesThrough(path, p)) << p.x << "," << p.y;
    }
    for (Point corner : {Point{100, 0}, Point{100, 50}, Point{0, 50}}) {
        EXPECT_FALSE(passesThrough(path, corner)) << corner.x << "," << corner.y;
    }
}

TEST(DropRoundRect, BoundsAreTheRectangle)
{
    BezierPath path;
    const Rect rect(5, 7, 60, 40);
    addDropRoundRect(path, rect, 8);
    const Rect bounds = path.controlPointBounds();
    EXPECT_NEAR(bounds.minX(), rect.minX(), 1e-9);
    EXPECT_NEAR(bounds.minY(), rect.minY(), 1e-9);
    EXPECT_NEAR(bounds.maxX(), rect.maxX(), 1e-9);
    EXPECT_NEAR(bounds.maxY(), rect.maxY(), 1e-9);
}

TEST(Cloud, AppendsAClosedOutline)
{
    BezierPath path;
    addCloud(path, Rect(0, 0, 120, 80));
    ASSERT_FALSE(path.isEmpty());
    EXPECT_EQ(path.elements().front().type, Type::MoveTo);
    EXPECT_EQ(path.elements().back().type, Type::ClosePath);
}

} // namespace
