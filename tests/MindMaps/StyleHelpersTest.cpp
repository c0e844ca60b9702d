#include "MindMaps/StyleHelpers.h"

#include <gtest/gtest.h>

TEST(StyleHelpersAlignment, StyleCodesMapToTextAlignments)
{
    EXPECT_EQ(TextAlignmentForStyleAlignment(0), TextAlignment::Center);
    EXPECT_EQ(TextAlignmentForStyleAlignment(1), TextAlignment::Left);
    EXPECT_EQ(TextAlignmentForStyleAlignment(2), TextAlignment::Right);
    EXPECT_EQ(TextAlignmentForStyleAlignment(3), TextAlignment::Center);
    EXPECT_EQ(TextAlignmentForStyleAlignment(-1), TextAlignment::Center);
    EXPECT_EQ(TextAlignmentForStyleAlignment(INT64_MAX), TextAlignment::Center);
}

TEST(StyleHelpersBits, SwapBoldItalicBitsExchangesTheTwoLowBitsOnly)
{
    EXPECT_EQ(SwapBoldItalicBits(0), 0u);
    EXPECT_EQ(SwapBoldItalicBits(1), 2u);
    EXPECT_EQ(SwapBoldItalicBits(2), 1u);
    EXPECT_EQ(SwapBoldItalicBits(4 | 8), 0u);
    EXPECT_EQ(SwapBoldItalicBits(~uint64_t(0)), 3u);
    EXPECT_EQ(SwapBoldItalicBits(BoldFontMask), 1u) << "bold trait becomes the bold style bit";
    EXPECT_EQ(SwapBoldItalicBits(ItalicFontMask), 2u);
    for (uint64_t bits = 0; bits < 4; ++bits) EXPECT_EQ(SwapBoldItalicBits(SwapBoldItalicBits(bits)), bits);
}

TEST(StyleHelpersFont, AnInstalledFamilyGetsTheStyleTraitsAtRegularWeight)
{
    const std::string family = Font::fallbackFamily();
    ASSERT_TRUE(Font::familyExists(family));
    const Font base(family, 10.0, true, true, 9);

    auto plain = FontWithStyleTraits(base, 0, 18.0);
    ASSERT_TRUE(plain.has_value());
    EXPECT_DOUBLE_EQ(plain->pointSize(), 18.0);
    EXPECT_FALSE(plain->isBold());
    EXPECT_FALSE(plain->isItalic());
    EXPECT_EQ(plain->weight(), 5);

    auto bold = FontWithStyleTraits(base, 1 | 4 | 8, 12.0);
    ASSERT_TRUE(bold.has_value());
    EXPECT_TRUE(bold->isBold());
    EXPECT_FALSE(bold->isItalic());
}
