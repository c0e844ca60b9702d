#include "platform/Color.h"

#include <gtest/gtest.h>

TEST(Color, ComponentsAndDefaults)
{
    Color c(0.1, 0.2, 0.3);
    EXPECT_EQ(c.red(), 0.1);
    EXPECT_EQ(c.green(), 0.2);
    EXPECT_EQ(c.blue(), 0.3);
    EXPECT_EQ(c.alpha(), 1.0);
    EXPECT_EQ(Color(), Color::black());
    EXPECT_EQ(Color::white(), Color(1, 1, 1, 1));
}

TEST(Color, From255Scale)
{
    Color c = Color::rgb255(255, 128, 0, 0.5);
    EXPECT_DOUBLE_EQ(c.red(), 1.0);
    EXPECT_DOUBLE_EQ(c.green(), 128 / 255.0);
    EXPECT_DOUBLE_EQ(c.blue(), 0.0);
    EXPECT_DOUBLE_EQ(c.alpha(), 0.5);
}

TEST(Color, TheSharedClearColourIsToldApartByItsTag)
{
    Color clear = Color::normalizedClearColor();
    Color transparentBlack(0, 0, 0, 0);
    EXPECT_TRUE(clear.isNormalizedClearColor());
    EXPECT_FALSE(transparentBlack.isNormalizedClearColor());
    EXPECT_EQ(clear.alpha(), 0.0);
    EXPECT_NE(clear, transparentBlack);
    EXPECT_EQ(clear, Color::normalizedClearColor());
}

TEST(Color, WithAlphaMakesAnOrdinaryColour)
{
    Color c = Color::normalizedClearColor().withAlpha(0);
    EXPECT_FALSE(c.isNormalizedClearColor());
    EXPECT_EQ(c, Color(0, 0, 0, 0));
    EXPECT_EQ(Color(0.2, 0.4, 0.6).withAlpha(0.25), Color(0.2, 0.4, 0.6, 0.25));
}

TEST(Color, OptionalClearColourHelper)
{
    EXPECT_FALSE(isNormalizedClearColor(std::nullopt));
    EXPECT_FALSE(isNormalizedClearColor(Color(0, 0, 0, 0)));
    EXPECT_TRUE(isNormalizedClearColor(Color::normalizedClearColor()));
}
