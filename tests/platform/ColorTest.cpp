#include "platform/Color.h"

#include <gtest/gtest.h>

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
