#include "platform/Geometry.h"

#include <gtest/gtest.h>

#include <limits>

TEST(GeometryRect, EdgesCentreAndEmptiness)
{
    Rect r(10, 20, 30, 40);
    EXPECT_EQ(r.maxX(), 40);
    EXPECT_EQ(r.maxY(), 60);
    EXPECT_EQ(r.center(), (Point{25, 40}));
    EXPECT_TRUE(Rect().isEmpty());
    EXPECT_TRUE(Rect(5, 5, 0, 10).isEmpty());
    EXPECT_TRUE(Rect(5, 5, -1, 10).isEmpty());
    EXPECT_TRUE(Rect(0, 0, std::numeric_limits<double>::quiet_NaN(), 1).isEmpty());
    EXPECT_FALSE(Rect(-5, -5, 1, 1).isEmpty());
    EXPECT_FALSE(Rect(1, 0, 0, 0).isZero());
}

TEST(GeometryRect, UnionIgnoresEmptyRectangles)
{
    Rect a(0, 0, 10, 10), b(20, 5, 10, 10);
    EXPECT_EQ(UnionRect(a, b), Rect(0, 0, 30, 15));
    EXPECT_EQ(UnionRect(a, Rect(100, 100, 0, 0)), a);
    EXPECT_EQ(UnionRect(Rect(-100, -100, 0, 5), a), a);
    EXPECT_EQ(UnionRect(Rect(1, 1, 0, 0), Rect(2, 2, -1, 3)), Rect());
}

TEST(GeometryRect, IntersectionOfOverlappingTouchingAndApart)
{
    Rect a(0, 0, 10, 10);
    EXPECT_EQ(IntersectionRect(a, Rect(5, 5, 10, 10)), Rect(5, 5, 5, 5));
    EXPECT_EQ(IntersectionRect(a, Rect(10, 0, 5, 5)), Rect()); // touching edges
    EXPECT_EQ(IntersectionRect(a, Rect(20, 20, 5, 5)), Rect());
    EXPECT_TRUE(IntersectsRect(a, Rect(9, 9, 5, 5)));
    EXPECT_FALSE(IntersectsRect(a, Rect(10, 0, 5, 5)));
    EXPECT_FALSE(IntersectsRect(a, Rect(5, 5, 0, 0)));
}

TEST(GeometryRect, InsetOffsetAndIntegral)
{
    Rect r(10, 10, 20, 30);
    EXPECT_EQ(InsetRect(r, 2, 3), Rect(12, 13, 16, 24));
    EXPECT_EQ(InsetRect(r, -2, -3), Rect(8, 7, 24, 36));
    EXPECT_TRUE(InsetRect(r, 11, 0).isEmpty());
    EXPECT_EQ(OffsetRect(r, -5, 5), Rect(5, 15, 20, 30));
    EXPECT_EQ(IntegralRect(Rect(0.5, 1.2, 2.0, 3.9)), Rect(0, 1, 3, 5));
    EXPECT_EQ(IntegralRect(Rect(-0.5, -1.5, 1.0, 1.0)), Rect(-1, -2, 2, 2));
    EXPECT_EQ(IntegralRect(Rect(3.3, 4.4, 0, 6)), Rect());
}

TEST(GeometryRect, PointInRectIsHalfOpenAndContainsNeedsArea)
{
    Rect r(0, 0, 10, 10);
    EXPECT_TRUE(PointInRect({0, 0}, r));
    EXPECT_TRUE(PointInRect({9.999, 9.999}, r));
    EXPECT_FALSE(PointInRect({10, 5}, r));
    EXPECT_FALSE(PointInRect({5, 10}, r));
    EXPECT_FALSE(PointInRect({0, 0}, Rect(0, 0, 0, 0)));
    EXPECT_TRUE(ContainsRect(r, r));
    EXPECT_FALSE(ContainsRect(r, Rect(2, 2, 9, 8)));
    EXPECT_FALSE(ContainsRect(r, Rect(-1, 2, 3, 3)));
    EXPECT_FALSE(ContainsRect(r, Rect(5, 5, 0, 0)));
}
