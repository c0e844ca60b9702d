#include "render/CalloutStyleImage.h"

#include <gtest/gtest.h>

TEST(CalloutStyleImage, NamesOfTheThreeStyles)
{
    EXPECT_EQ("callout_none_16", CalloutStyleImage(0));
    EXPECT_EQ("callout_tapered_16", CalloutStyleImage(1));
    EXPECT_EQ("callout_line_16", CalloutStyleImage(2));
    EXPECT_EQ("", CalloutStyleImage(3));
    EXPECT_EQ("", CalloutStyleImage(UINT64_MAX));
}
