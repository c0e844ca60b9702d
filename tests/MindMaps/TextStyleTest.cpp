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

TEST(TextStyleCascade, ANewStyleIsReset)
{
    TextStyle style;
    EXPECT_EQ(style.customizedProps(), 0u);
    EXPECT_FALSE(style.fillColor().has_value());
    EXPECT_FALSE(style.textColor().has_value());
    EXPECT_EQ(style.alignment(), 0);
    EXPECT_EQ(style.callOut(), 0u);
    EXPECT_EQ(style.fontStyle(), 0u);
    EXPECT_DOUBLE_EQ(style.fontScale(), 1.0);
    EXPECT_DOUBLE_EQ(style.fontSize(), 14.0);
}

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
    EXPECT_EQ(child.alignment(), 2);
    EXPECT_EQ(child.fontStyle(), 3u);
    EXPECT_DOUBLE_EQ(child.fontScale(), 2.0);
    EXPECT_DOUBLE_EQ(child.fontSize(), 28.0);
    EXPECT_EQ(child.callOut(), 1u);

    child.setCustomizedProps(TextStyle::TextColorMask);
    EXPECT_EQ(child.textColor(), Blue);
    EXPECT_EQ(child.fillColor(), Green);
    child.setCustomizedProps(TextStyle::FillColorMask);
    EXPECT_EQ(child.textColor(), Red);
    EXPECT_EQ(child.fillColor(), Blue);
    child.setCustomizedProps(TextStyle::AlignmentMask);
    EXPECT_EQ(child.alignment(), 1);
    EXPECT_EQ(child.callOut(), 1u);
    child.setCustomizedProps(TextStyle::CallOutMask);
    EXPECT_EQ(child.callOut(), 2u);
    EXPECT_EQ(child.alignment(), 2);

    // Style and scale are one property.
    child.setCustomizedProps(TextStyle::FontMask);
    EXPECT_EQ(child.fontStyle(), 8u);
    EXPECT_DOUBLE_EQ(child.fontScale(), 0.5);
    EXPECT_DOUBLE_EQ(child.fontSize(), 7.0);
    EXPECT_EQ(child.alignment(), 2);
}

TEST(TextStyleCascade, ARootAnswersItsOwnValuesWithoutItsBits)
{
    TextStyle root;
    root.setTextColor(Red);
    root.setAlignment(2);
    root.setFontScale(3.0);
    EXPECT_EQ(root.customizedProps(), 0u);
    EXPECT_EQ(root.textColor(), Red);
    EXPECT_EQ(root.alignment(), 2);
    EXPECT_DOUBLE_EQ(root.fontSize(), 42.0);
}

TEST(TextStyleCascade, IsPropDefinedLooksUpTheChain)
{
    auto root = std::make_shared<TextStyle>();
    TextStyle child(root);
    EXPECT_FALSE(child.isPropDefined(TextStyle::FontMask));
    root->setPropCustomized(TextStyle::FontMask, true);
    EXPECT_TRUE(child.isPropDefined(TextStyle::FontMask));
    EXPECT_FALSE(root->isPropDefined(TextStyle::AlignmentMask));
}

TEST(TextStyleSetters, SettersReportOnlyADifferentValue)
{
    TextStyle style;
    RecordingStyleListener listener;
    style.setListener(&listener);
    style.setFillColor(std::nullopt);
    style.setTextColor(std::nullopt);
    style.setAlignment(0);
    style.setCallOut(0);
    style.setFontStyle(0);
    style.setFontScale(1.0);
    style.setFontSize(14.0);
    EXPECT_EQ(listener.count(), 0u);

    style.setTextColor(Red);
    style.setTextColor(Color(1, 0, 0));
    style.setFillColor(Color::normalizedClearColor());
    style.setFillColor(Color::normalizedClearColor());
    EXPECT_EQ(listener.count(), 2u);
    EXPECT_TRUE(isNormalizedClearColor(style.fillColor()));
    EXPECT_EQ(style.customizedProps(), 0u);
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

TEST(TextStyleEquals, OnlyTheCustomisedOwnValuesCount)
{
    TextStyle a;
    TextStyle b;
    EXPECT_FALSE(a.equals(nullptr));
    a.setTextColor(Red);
    a.setFontScale(2.0);
    EXPECT_TRUE(a.equals(&b));

    const uint64_t all = 1 | 2 | 4 | 8 | 16;
    a.setCustomizedProps(all);
    EXPECT_FALSE(a.equals(&b));
    b.setCustomizedProps(all);
    EXPECT_FALSE(a.equals(&b));
    b.setTextColor(Red);
    b.setFontScale(2.0);
    EXPECT_TRUE(a.equals(&b));

    b.setFillColor(Green);
    EXPECT_FALSE(a.equals(&b));
    b.setFillColor(std::nullopt);
    b.setAlignment(1);
    EXPECT_FALSE(a.equals(&b));
    b.setAlignment(0);
    b.setCallOut(2);
    EXPECT_FALSE(a.equals(&b));
    b.setCallOut(0);
    b.setFontStyle(1);
    EXPECT_FALSE(a.equals(&b)) << "bit 8 compares the font style";
    b.setFontStyle(0);
    b.setFontScale(2.5);
    EXPECT_FALSE(a.equals(&b)) << "bit 8 compares the scale";
    b.setFontScale(2.0);
    EXPECT_TRUE(a.equals(&b));

    a.setCustomizedProps(TextStyle::AlignmentMask);
    b.setCustomizedProps(TextStyle::AlignmentMask);
    b.setFontScale(9.0);
    b.setTextColor(Blue);
    EXPECT_TRUE(a.equals(&b));
}

TEST(TextStyleAssign, TakesTheMaskAndTheEffectiveValuesInOneReport)
{
    auto otherParent = std::make_shared<TextStyle>();
    otherParent->setFillColor(Green);
    otherParent->setAlignment(2);
    otherParent->setFontStyle(2);
    otherParent->setFontScale(1.25);
    TextStyle other(otherParent);
    other.setCustomizedProps(TextStyle::CallOutMask | TextStyle::TextColorMask);
    other.setCallOut(2);
    other.setTextColor(Red);

    TextStyle style;
    style.setCustomizedProps(TextStyle::FontMask);
    style.setFontScale(3.0);
    RecordingStyleListener listener;
    style.setListener(&listener);

    style.assign(&other);
    EXPECT_EQ(listener.count(), 1u);
    EXPECT_EQ(style.customizedProps(), TextStyle::CallOutMask | TextStyle::TextColorMask);
    EXPECT_EQ(style.fillColor(), Green);
    EXPECT_EQ(style.textColor(), Red);
    EXPECT_EQ(style.alignment(), 2);
    EXPECT_EQ(style.callOut(), 2u);
    EXPECT_EQ(style.fontStyle(), 2u);
    EXPECT_DOUBLE_EQ(style.fontScale(), 1.25);
    EXPECT_TRUE(style.equals(&other));

    style.assign(nullptr);
    style.merge(nullptr);
    EXPECT_EQ(listener.count(), 1u);
    EXPECT_EQ(style.callOut(), 2u);
}

TEST(TextStyleMerge, AddsOnlyTheOthersCustomisedProperties)
{
    TextStyle other;
    other.setCustomizedProps(TextStyle::FillColorMask | TextStyle::FontMask);
    other.setFillColor(Blue);
    other.setFontStyle(1);
    other.setFontScale(2.0);
    other.setTextColor(Green);  // not customised
    other.setAlignment(2);      // not customised

    TextStyle style;
    style.setCustomizedProps(TextStyle::TextColorMask | TextStyle::CallOutMask);
    style.setTextColor(Red);
    style.setCallOut(1);
    RecordingStyleListener listener;
    style.setListener(&listener);

    style.merge(&other);
    EXPECT_EQ(listener.count(), 1u);
    EXPECT_EQ(style.customizedProps(), 1u | 2u | 8u | 16u);
    EXPECT_EQ(style.textColor(), Red);
    EXPECT_EQ(style.fillColor(), Blue);
    EXPECT_EQ(style.alignment(), 0);
    EXPECT_EQ(style.callOut(), 1u);
    EXPECT_EQ(style.fontStyle(), 1u);
    EXPECT_DOUBLE_EQ(style.fontScale(), 2.0);
}

TEST(TextStyleMerge, EveryCustomisedPropertyTravels)
{
    TextStyle other;
    other.setCustomizedProps(1 | 2 | 4 | 8 | 16);
    other.setTextColor(Red);
    other.setFillColor(Green);
    other.setAlignment(1);
    other.setCallOut(2);
    other.setFontStyle(12);
    other.setFontScale(0.75);
    TextStyle style;
    style.merge(&other);
    EXPECT_TRUE(style.equals(&other));
}

TEST(TextStyleReset, ResetsThroughTheSettersInOneReport)
{
    TextStyle style;
    style.setCustomizedProps(31);
    style.setTextColor(Red);
    style.setFillColor(Green);
    style.setAlignment(2);
    style.setCallOut(1);
    style.setFontStyle(3);
    style.setFontScale(2.0);
    RecordingStyleListener listener;
    style.setListener(&listener);

    style.reset();
    EXPECT_EQ(listener.count(), 1u);
    EXPECT_TRUE(style.equals(std::make_shared<TextStyle>().get()));
    style.setCustomizedProps(31);
    EXPECT_FALSE(style.textColor().has_value());
    EXPECT_FALSE(style.fillColor().has_value());
    EXPECT_EQ(style.alignment(), 0);
    EXPECT_EQ(style.callOut(), 0u);
    EXPECT_EQ(style.fontStyle(), 0u);
    EXPECT_DOUBLE_EQ(style.fontScale(), 1.0);

    listener.clear();
    style.reset();
    style.reset();
    EXPECT_EQ(listener.count(), 1u) << "only the mask changed the first time; nothing the second";
}

TEST(TextStyleColors, ClearColorCustomizationClearsTextFillAndStrokeBits)
{
    TextStyle style;
    style.setCustomizedProps(0xFF);
    RecordingStyleListener listener;
    style.setListener(&listener);
    style.clearColorCustomization();
    EXPECT_EQ(style.customizedProps(), 0xFFu & ~uint64_t(1 | 2 | 32));
    EXPECT_EQ(listener.count(), 1u);
    style.clearColorCustomization();
    EXPECT_EQ(listener.count(), 1u);
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

TEST(TextStyleChangeFont, TheAspectStartsFromTheDefaultStyleWhenNotCustomised)
{
    TextStyle style;
    style.setFontStyle(8); // an own value without its bit is not the start
    style.changeFontStyleAspect(2, true, 1, 12.0);
    EXPECT_EQ(style.fontStyle(), 3u);
    EXPECT_DOUBLE_EQ(style.fontSize(), 12.0);

    // Customised: the own style is the start and the size is kept.
    style.changeFontStyleAspect(4, true, 1, 20.0);
    EXPECT_EQ(style.fontStyle(), 7u);
    EXPECT_DOUBLE_EQ(style.fontSize(), 12.0);

    style.changeFontStyleAspect(2 | 4, false, 1, 20.0);
    EXPECT_EQ(style.fontStyle(), 1u);
    EXPECT_TRUE(style.isPropCustomized(TextStyle::FontMask)) << "the size still differs";
}

TEST(TextStyleChangeFont, ACustomisedScaleOfZeroTakesTheDefaultSize)
{
    TextStyle style;
    style.setCustomizedProps(TextStyle::FontMask);
    style.setFontScale(0.0);
    style.changeFontStyleAspect(8, true, 0, 18.0);
    EXPECT_DOUBLE_EQ(style.fontSize(), 18.0);
    EXPECT_EQ(style.fontStyle(), 8u);
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

TEST(TextStyleChangeFont, ChangeFontSizeWithAnotherStyleThanTheDefaultStaysCustomised)
{
    TextStyle style;
    style.changeFontStyleAspect(1, true, 0, 14.0);
    style.changeFontSize(14.0, 0, 14.0);
    EXPECT_EQ(style.customizedProps(), TextStyle::FontMask);
    EXPECT_EQ(style.fontStyle(), 1u);
}

TEST(TextStyleDerivedFont, WithoutBit8TheBaseIsUnchanged)
{
    auto parent = std::make_shared<TextStyle>();
    parent->setPropCustomized(TextStyle::FontMask, true);
    parent->setFontStyle(3);
    parent->setFontScale(3.0);
    TextStyle style(parent);
    const Font base("Tarnwick Test Family", 11.0, true, false);
    EXPECT_EQ(style.derivedFont(base), base);
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
    EXPECT_EQ(font.familyName(), family);
    EXPECT_DOUBLE_EQ(font.pointSize(), 21.0);
    EXPECT_FALSE(font.isBold());
    EXPECT_TRUE(font.isItalic());
    EXPECT_EQ(font.weight(), 5);
}

TEST(TextStyleDerivedFont, ABaseWithoutFamilyIsKept)
{
    TextStyle style;
    style.setCustomizedProps(TextStyle::FontMask);
    style.setFontScale(2.0);
    const Font base("", 11.0);
    EXPECT_EQ(style.derivedFont(base), base);
}
