#include "ElementStyleTestSupport.h"

#include "MindMaps/TextStyle.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

const Color Red(1, 0, 0);
const Color Green(0, 1, 0);
const Color Blue(0, 0, 1);

} // namespace

TEST(TextStyleCascade, FontSizeIsTheScaleOf14Points)
{
    TextStyle style;
    style.setFontSize(21.0);
    EXPECT_DOUBLE_EQ(style.fontScale(), 1.5);
    style.setFontScale(2.0);
    EXPECT_DOUBLE_EQ(style.fontSize(), 28.0);
}

TEST(TextStyleCascade, EachPropertyFallsBackToTheParentWithoutItsBit)
{
    auto parent = std::make_shared<TextStyle>();
    parent->setTextColor(Red);
    parent->setFillColor(Green);
    parent->setAlignment(2);
    parent->setFontStyle(3);
    parent->setFontScale(2.0);
    parent->setCallOut(1);

    TextStyle child(parent);
    child.setTextColor(Blue);
    child.setFillColor(Blue);
    child.setAlignment(1);
    child.setFontStyle(8);
    child.setFontScale(0.5);
    child.setCallOut(2);

    EXPECT_EQ(child.textColor(), Red);
    EXPECT_EQ(child.fillColor(), Green);

    child.setCustomizedProps(TextStyle::TextColorMask);
    EXPECT_EQ(child.textColor(), Blue);
    EXPECT_EQ(child.fillColor(), Green);

    // Style and scale are one property.
    child.setCustomizedProps(TextStyle::FontMask);
    EXPECT_EQ(child.fontStyle(), 8u);
    EXPECT_DOUBLE_EQ(child.fontScale(), 0.5);
    EXPECT_DOUBLE_EQ(child.fontSize(), 7.0);
    EXPECT_EQ(child.alignment(), 2);
}

TEST(TextStyleSetters, AScaleThatIsNotANumberIsIgnored)
{
    TextStyle style;
    style.setFontScale(std::nan(""));
    style.setFontSize(INFINITY);
    EXPECT_DOUBLE_EQ(style.fontScale(), 1.0);
    style.changeFontSize(std::nan(""), 0, 14.0);
    EXPECT_EQ(style.customizedProps(), 0u);
}

TEST(TextStyleChangeAlignment, TheParentsValueOnACustomisedStyleOnlyClearsTheBit)
{
    auto parent = std::make_shared<TextStyle>();
    parent->setAlignment(1);
    TextStyle child(parent);
    RecordingStyleListener listener;
    child.setListener(&listener);

    child.changeAlignment(2);
    EXPECT_EQ(child.customizedProps(), TextStyle::AlignmentMask);
    EXPECT_EQ(child.alignment(), 2);
    EXPECT_EQ(listener.count(), 1u);

    child.changeAlignment(1);
    EXPECT_EQ(child.customizedProps(), 0u);
    EXPECT_EQ(child.alignment(), 1);
    EXPECT_EQ(listener.count(), 2u);

    child.changeAlignment(1);
    EXPECT_EQ(child.customizedProps(), TextStyle::AlignmentMask);
    EXPECT_EQ(child.alignment(), 1);
}

TEST(TextStyleChangeFont, EnablingBoldOnAnUncustomisedStyleTakesTheDefaultSize)
{
    TextStyle style;
    RecordingStyleListener listener;
    style.setListener(&listener);

    style.changeFontStyleAspect(1, true, 0, 16.0);
    EXPECT_EQ(listener.count(), 1u);
    EXPECT_EQ(style.customizedProps(), TextStyle::FontMask);
    EXPECT_EQ(style.fontStyle(), 1u);
    EXPECT_DOUBLE_EQ(style.fontScale(), 16.0 / 14.0);

    style.changeFontStyleAspect(1, false, 0, 16.0);
    EXPECT_EQ(style.customizedProps(), 0u);
    EXPECT_EQ(listener.count(), 2u);
    EXPECT_EQ(style.fontStyle(), 1u) << "the own value is left as it was";
}

TEST(TextStyleChangeFont, SizesAreComparedRoundedAsSinglePrecision)
{
    TextStyle style;
    style.setCustomizedProps(TextStyle::FontMask);
    style.setFontStyle(1);
    style.setFontSize(16.4);
    style.changeFontStyleAspect(2, false, 1, 16.0);
    EXPECT_EQ(style.customizedProps(), 0u) << "16.4 rounds to 16";

    style.setCustomizedProps(TextStyle::FontMask);
    style.setFontSize(16.5);
    style.changeFontStyleAspect(2, false, 1, 16.0);
    EXPECT_EQ(style.customizedProps(), TextStyle::FontMask) << "16.5 rounds away from zero to 17";
}

TEST(TextStyleChangeFont, ChangeFontSizeOnAnUncustomisedStyleTakesTheDefaultStyle)
{
    auto parent = std::make_shared<TextStyle>();
    parent->setFontStyle(2);
    TextStyle style(parent);
    RecordingStyleListener listener;
    style.setListener(&listener);

    style.changeFontSize(20.0, 1, 14.0);
    EXPECT_EQ(listener.count(), 1u);
    EXPECT_EQ(style.customizedProps(), TextStyle::FontMask);
    EXPECT_EQ(style.fontStyle(), 1u);
    EXPECT_DOUBLE_EQ(style.fontSize(), 20.0);

    // Customised: the own style is kept whatever the default.
    style.changeFontSize(24.0, 4, 14.0);
    EXPECT_EQ(style.fontStyle(), 1u);
    EXPECT_DOUBLE_EQ(style.fontSize(), 24.0);

    // Back to the default style and size: the style hands the font back.
    style.changeFontSize(14.2, 1, 14.0);
    EXPECT_EQ(style.customizedProps(), 0u);
    EXPECT_EQ(style.fontStyle(), 2u);
    EXPECT_DOUBLE_EQ(style.fontSize(), 14.0);
}

TEST(TextStyleDerivedFont, WithBit8TheStylesSizeAndTraitsApply)
{
    const std::string family = Font::fallbackFamily();
    ASSERT_TRUE(Font::familyExists(family));
    TextStyle style;
    style.setCustomizedProps(TextStyle::FontMask);
    style.setFontStyle(2);
    style.setFontSize(21.0);
    const Font font = style.derivedFont(Font(family, 11.0, true, false));
    EXPECT_DOUBLE_EQ(font.pointSize(), 21.0);
    EXPECT_FALSE(font.isBold());
    EXPECT_TRUE(font.isItalic());
    EXPECT_EQ(font.weight(), 5);
}
