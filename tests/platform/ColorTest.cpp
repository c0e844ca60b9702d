#include "platform/Color.h"

#include <gtest/gtest.h>

TEST(Color, DefaultsAnd255Scale)
{
    EXPECT_EQ(Color(0.1, 0.2, 0.3).alpha(), 1.0);
    EXPECT_EQ(Color(), Color::black());
    Color c = Color::rgb255(255, 128, 0, 0.5);
    EXPECT_DOUBLE_EQ(c.red(), 1.0);
    EXPECT_DOUBLE_EQ(c.green(), 128 / 255.0);
    EXPECT_DOUBLE_EQ(c.alpha(), 0.5);
}

TEST(Color, TheSharedClearColourIsToldApartFromTransparentBlack)
{
    Color clear = Color::normalizedClearColor();
    EXPECT_TRUE(clear.isNormalizedClearColor());
    EXPECT_EQ(clear.alpha(), 0.0);
    EXPECT_NE(clear, Color(0, 0, 0, 0));
    EXPECT_FALSE(Color(0, 0, 0, 0).isNormalizedClearColor());
    EXPECT_EQ(clear.withAlpha(0), Color(0, 0, 0, 0)) << "withAlpha makes an ordinary colour";
    EXPECT_FALSE(isNormalizedClearColor(std::nullopt));
    EXPECT_TRUE(isNormalizedClearColor(clear));
}
