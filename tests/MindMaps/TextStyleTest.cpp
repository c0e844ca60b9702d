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
