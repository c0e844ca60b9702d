#include "layout/GeometryHelpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

// The expected values are the single-precision results widened to double; EXPECT_EQ on purpose.

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

} // namespace

TEST(GeometryHelpers, RectFromPointsTakesTheSmallerCorner)
{
    EXPECT_EQ(Rect(1, 2, 9, 18), RectFromPoints({10, 2}, {1, 20}));
    EXPECT_EQ(Rect(1, 2, 9, 18), RectFromPoints({1, 20}, {10, 2}));
    EXPECT_EQ(Rect(-5, -7, 5, 7), RectFromPoints({0, 0}, {-5, -7}));
}

TEST(GeometryHelpers, RectFromEqualPointsIsEmptyAtThatPoint)
{
    Rect r = RectFromPoints({3, 4}, {3, 4});
    EXPECT_EQ(Rect(3, 4, 0, 0), r);
    EXPECT_TRUE(r.isEmpty());
}

TEST(GeometryHelpers, RectFromPointsOfALineHasNoArea)
{
    EXPECT_EQ(Rect(0, 5, 100, 0), RectFromPoints({100, 5}, {0, 5}));
}

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

TEST(GeometryHelpers, PointDistanceSquaredStaysInDoublePrecision)
{
    EXPECT_EQ(2.0, PointDistanceSquared({0, 0}, {1, 1}));
    EXPECT_EQ(29.25, PointDistanceSquared({1, 2}, {4, 6.5}));
    EXPECT_EQ(0.1 * 0.1 + 0.2 * 0.2, PointDistanceSquared({0.1, 0.2}, {0, 0}));
}

TEST(GeometryHelpers, VectorLengthIsTakenInSinglePrecision)
{
    EXPECT_EQ(5.0, VectorLength({3, 4}));
    EXPECT_EQ(5.0, VectorLength({-3, -4}));
    EXPECT_EQ(0.0, VectorLength({0, 0}));
    EXPECT_EQ(1.4142135381698608, VectorLength({1, 1}));
    EXPECT_EQ(PointDistance({1, 2}, {4, 6.5}), VectorLength({3, 4.5}));
}

TEST(GeometryHelpers, PointArithmetic)
{
    EXPECT_EQ(Point({-2, 5}), PointSubtract({1, 8}, {3, 3}));
    EXPECT_EQ(Point({4, 11}), PointAdd({1, 8}, {3, 3}));
    EXPECT_EQ(Point({2, 5.5}), PointMidpoint({1, 8}, {3, 3}));
    EXPECT_EQ(Point({-1.5, 12}), PointScale({1, -8}, -1.5));
}

TEST(GeometryHelpers, RectCenterIsTheMiddleOfTheRectangle)
{
    EXPECT_EQ(Point({15, 30}), RectCenter(Rect(10, 20, 10, 20)));
    EXPECT_EQ(Point({-20, -10}), RectCenter(Rect(-20, -10, 0, 0)));
}

TEST(GeometryHelpers, VectorQuadrantsAreNumberedFromTheNonNegativeOne)
{
    EXPECT_EQ(0, VectorQuadrant({0, 0}));
    EXPECT_EQ(0, VectorQuadrant({5, 5}));
    EXPECT_EQ(1, VectorQuadrant({-1, 0}));
    EXPECT_EQ(1, VectorQuadrant({-5, 5}));
    EXPECT_EQ(2, VectorQuadrant({-5, -5}));
    EXPECT_EQ(3, VectorQuadrant({0, -1}));
    EXPECT_EQ(3, VectorQuadrant({5, -5}));
}

TEST(GeometryHelpers, NegativeZeroCountsAsNonNegative)
{
    EXPECT_EQ(0, VectorQuadrant({-0.0, -0.0}));
    EXPECT_EQ(1.0, SignOf(-0.0));
}

TEST(GeometryHelpers, SignOfZeroIsPositive)
{
    EXPECT_EQ(1.0, SignOf(0));
    EXPECT_EQ(1.0, SignOf(7));
    EXPECT_EQ(-1.0, SignOf(-7));
    EXPECT_EQ(-1.0, SignOf(-1e-300));
}

TEST(GeometryHelpers, NotANumberGivesDefinedAnswers)
{
    // A NaN component is neither negative nor compared as anything else: no quadrant or sign is
    // made up, and the single-precision functions pass NaN through instead of failing.
    EXPECT_EQ(0, VectorQuadrant({NaN, NaN}));
    EXPECT_EQ(1, VectorQuadrant({-1, NaN}));
    EXPECT_EQ(1.0, SignOf(NaN));
    EXPECT_TRUE(std::isnan(PointDistance({NaN, 0}, {0, 0})));
    EXPECT_TRUE(std::isnan(VectorLength({0, NaN})));
    EXPECT_TRUE(std::isnan(LineAngle({0, 0}, {NaN, 1})));
    EXPECT_TRUE(std::isnan(PointAtAngle({0, 0}, NaN, 1).x));
    EXPECT_TRUE(RectFromPoints({NaN, 0}, {1, 1}).isEmpty());
}

TEST(GeometryHelpers, LineAngleWhenOnlyYDiffersIsNotMisreadAsZeroDx)
{
    // A tiny but non-zero dx takes the arc tangent path and lands next to ±pi/2, not on it.
    double angle = LineAngle({0, 0}, {1e-12, 1});
    EXPECT_NEAR(std::numbers::pi / 2, angle, 1e-6);
    EXPECT_NE(std::numbers::pi / 2, angle);
    EXPECT_EQ(std::numbers::pi / 2, LineAngle({0, 0}, {-0.0, 1}));
}
