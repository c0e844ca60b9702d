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

bool passesThrough(const BezierPath& path, Point p)
{
    for (const auto& e : path.elements()) {
        if (e.type == Type::ClosePath) continue;
        const Point q = e.type == Type::CurveTo ? e.points[2] : e.points[0];
        if (std::abs(q.x - p.x) < 1e-9 && std::abs(q.y - p.y) < 1e-9) return true;
    }
    return false;
}

TEST(QuadCurve, ControlPointsAreTwoThirdsTowardTheQuadraticControlFromTheCurrentPoint)
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
}

TEST(DropRoundRect, OnlyTheOriginCornerIsSharp)
{
    BezierPath path;
    addDropRoundRect(path, Rect(0, 0, 100, 50), 10);
    const auto& e = path.elements();
    ASSERT_GE(e.size(), 3u);
    expectPoint(e[1].points[0], {0, 0}, "sharp corner");

    for (Point p : {Point{90, 0}, Point{100, 10}, Point{100, 40}, Point{90, 50}, Point{10, 50}}) {
        EXPECT_TRUE(passesThrough(path, p)) << p.x << "," << p.y;
    }
    for (Point corner : {Point{100, 0}, Point{100, 50}, Point{0, 50}}) {
        EXPECT_FALSE(passesThrough(path, corner)) << corner.x << "," << corner.y;
    }
    EXPECT_EQ(path.controlPointBounds(), Rect(0, 0, 100, 50));
}

} // namespace
