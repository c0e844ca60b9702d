#include "layout/GeometryHelpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

// The expected values are the single-precision results widened to double; EXPECT_EQ on purpose.

TEST(GeometryHelpers, RectWithSizeStartsAtOrigin)
{
    EXPECT_EQ(Rect(0, 0, 30, 20), RectWithSize(30, 20));
    EXPECT_EQ(Rect(0, 0, 0, 0), RectWithSize(0, 0));
}

TEST(GeometryHelpers, PointDistanceOfWholeNumbersIsExact)
{
    EXPECT_EQ(5.0, PointDistance({0, 0}, {3, 4}));
    EXPECT_EQ(5.0, PointDistance({3, 4}, {0, 0}));
    EXPECT_EQ(0.0, PointDistance({7, -2}, {7, -2}));
}

TEST(GeometryHelpers, PointDistanceIsTakenInSinglePrecision)
{
    EXPECT_EQ(1.4142135381698608, PointDistance({0, 0}, {1, 1}));
    EXPECT_NE(std::sqrt(2.0), PointDistance({0, 0}, {1, 1}));
    EXPECT_EQ(5.4083271026611328, PointDistance({1, 2}, {4, 6.5}));
}

TEST(GeometryHelpers, LineAngleOfVerticalLines)
{
    EXPECT_EQ(std::numbers::pi / 2, LineAngle({1, 0}, {1, 5}));
    EXPECT_EQ(-std::numbers::pi / 2, LineAngle({1, 5}, {1, 0}));
    // A line of no length points up.
    EXPECT_EQ(-std::numbers::pi / 2, LineAngle({3, 3}, {3, 3}));
}

TEST(GeometryHelpers, LineAngleOfHorizontalLines)
{
    EXPECT_EQ(0.0, LineAngle({0, 0}, {10, 0}));
    EXPECT_EQ(std::numbers::pi, LineAngle({0, 0}, {-10, 0}));
}

TEST(GeometryHelpers, LineAngleIsTakenInSinglePrecision)
{
    EXPECT_EQ(0.32175055146217346, LineAngle({0, 0}, {3, 1}));
    EXPECT_NE(std::atan(1.0 / 3.0), LineAngle({0, 0}, {3, 1}));
}

TEST(GeometryHelpers, LineAngleLeftwardAddsPi)
{
    EXPECT_EQ(3.9269908388429364, LineAngle({0, 0}, {-1, -1}));
    EXPECT_EQ(2.034443887072154, LineAngle({0, 0}, {-1, 2}));
}

TEST(GeometryHelpers, PointAtAngleAlongTheAxes)
{
    EXPECT_EQ(Point({15, 20}), PointAtAngle({10, 20}, 0, 5));
    // cos and sin of pi/2 and pi in single precision are not exactly 0.
    EXPECT_EQ(Point({9.9999995628861171, 30}), PointAtAngle({10, 20}, std::numbers::pi / 2, 10));
    EXPECT_EQ(Point({0, 19.999999125772234}), PointAtAngle({10, 20}, std::numbers::pi, 10));
}

TEST(GeometryHelpers, PointAtAngleUsesSinglePrecisionSineAndCosine)
{
    Point p = PointAtAngle({1, 2}, 1.0, 100);
    EXPECT_EQ(55.030227661132812, p.x);
    EXPECT_EQ(86.147095680236816, p.y);
}

TEST(GeometryHelpers, PointAtAngleAndLineAngleAgree)
{
    Point center{40, -12};
    Point p = PointAtAngle(center, LineAngle(center, {-25, 60}), 50);
    EXPECT_NEAR(50.0, PointDistance(center, p), 1e-4);
    EXPECT_LT(p.x, center.x);
    EXPECT_GT(p.y, center.y);
}
