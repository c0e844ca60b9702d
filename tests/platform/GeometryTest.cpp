#include "platform/Geometry.h"

#include <gtest/gtest.h>

#include <limits>

TEST(GeometryRect, UnionIgnoresEmptyRectangles)
{
    Rect a(0, 0, 10, 10), b(20, 5, 10, 10);
    EXPECT_EQ(unionRect(a, b), Rect(0, 0, 30, 15));
    EXPECT_EQ(unionRect(a, Rect(100, 100, 0, 0)), a);
    EXPECT_EQ(unionRect(Rect(-100, -100, 0, 5), a), a);
    EXPECT_EQ(unionRect(Rect(1, 1, 0, 0), Rect(2, 2, -1, 3)), Rect());
}

TEST(GeometryRect, IntersectionOfOverlappingTouchingAndApart)
{
    Rect a(0, 0, 10, 10);
    EXPECT_EQ(intersectionRect(a, Rect(5, 5, 10, 10)), Rect(5, 5, 5, 5));
    EXPECT_EQ(intersectionRect(a, Rect(10, 0, 5, 5)), Rect()); // touching edges
    EXPECT_EQ(intersectionRect(a, Rect(20, 20, 5, 5)), Rect());
    EXPECT_TRUE(intersectsRect(a, Rect(9, 9, 5, 5)));
    EXPECT_FALSE(intersectsRect(a, Rect(10, 0, 5, 5)));
    EXPECT_FALSE(intersectsRect(a, Rect(5, 5, 0, 0)));
}

TEST(GeometryRect, PointInRectIsHalfOpenAndContainsNeedsArea)
{
    Rect r(0, 0, 10, 10);
    EXPECT_TRUE(pointInRect({0, 0}, r));
    EXPECT_TRUE(pointInRect({9.999, 9.999}, r));
    EXPECT_FALSE(pointInRect({10, 5}, r));
    EXPECT_FALSE(pointInRect({5, 10}, r));
    EXPECT_FALSE(pointInRect({0, 0}, Rect(0, 0, 0, 0)));
    EXPECT_TRUE(containsRect(r, r));
    EXPECT_FALSE(containsRect(r, Rect(2, 2, 9, 8)));
    EXPECT_FALSE(containsRect(r, Rect(-1, 2, 3, 3)));
    EXPECT_FALSE(containsRect(r, Rect(5, 5, 0, 0)));
}
