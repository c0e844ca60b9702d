#include "Utils/GeometryHelpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

// The expected values are the single-precision results widened to double; EXPECT_EQ on purpose.

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Pi = std::numbers::pi;

} // namespace

TEST(GeometryHelpers, DistancesAndLengthsAreTakenInSinglePrecision)
{
    EXPECT_EQ(1.4142135381698608, PointDistance({0, 0}, {1, 1}));
    EXPECT_EQ(5.4083271026611328, vectorLength({3, 4.5}));
    // The squared distance stays in double precision.
    EXPECT_EQ(0.1 * 0.1 + 0.2 * 0.2, PointDistanceSquared({0.1, 0.2}, {0, 0}));
}

TEST(GeometryHelpers, LineAngle)
{
    const std::tuple<Point, Point, double> cases[] = {
        {{1, 5}, {1, 0}, -Pi / 2},
        {{3, 3}, {3, 3}, -Pi / 2}, // a line of no length points up
        {{0, 0}, {-10, 0}, Pi},
        {{0, 0}, {3, 1}, 0.32175055146217346},  // single precision
        {{0, 0}, {-1, -1}, 3.9269908388429364}, // leftward adds pi
    };
    for (const auto& [from, to, angle] : cases) EXPECT_EQ(angle, LineAngle(from, to)) << to.x << "," << to.y;
}

TEST(GeometryHelpers, PointAtAngleUsesSinglePrecisionSineAndCosine)
{
    EXPECT_EQ(Point({9.9999995628861171, 30}), PointAtAngle({10, 20}, Pi / 2, 10));
    EXPECT_EQ(Point({55.030227661132812, 86.147095680236816}), PointAtAngle({1, 2}, 1.0, 100));
}

// A NaN component is neither negative nor anything else: no quadrant or sign is made up, and the
// single-precision functions pass NaN through instead of failing.
TEST(GeometryHelpers, NotANumberGivesDefinedAnswers)
{
    EXPECT_EQ(0, vectorQuadrant({NaN, NaN}));
    EXPECT_EQ(1, vectorQuadrant({-1, NaN}));
    EXPECT_EQ(1.0, SignOf(NaN));
    EXPECT_TRUE(std::isnan(PointDistance({NaN, 0}, {0, 0})));
    EXPECT_TRUE(std::isnan(vectorLength({0, NaN})));
    EXPECT_TRUE(std::isnan(LineAngle({0, 0}, {NaN, 1})));
    EXPECT_TRUE(std::isnan(PointAtAngle({0, 0}, NaN, 1).x));
    EXPECT_TRUE(RectFromPoints({NaN, 0}, {1, 1}).isEmpty());
}
