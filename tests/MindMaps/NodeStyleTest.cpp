#include "ElementStyleTestSupport.h"

#include "MindMaps/NodeStyle.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

const Color Red(1, 0, 0);
const Color Green(0, 1, 0);
const Color Blue(0, 0, 1);

std::shared_ptr<NodeStyle> rootWithBorder(int32_t borderStyle)
{
    auto root = std::make_shared<NodeStyle>();
    root->setBorderStyle(borderStyle);
    return root;
}

} // namespace

TEST(NodeStyleCascade, ANewStyleHasTheDropRoundedBorderAndNoWidth)
{
    NodeStyle style;
    EXPECT_EQ(style.customizedProps(), 0u);
    EXPECT_EQ(style.borderStyle(), 2);
    EXPECT_DOUBLE_EQ(style.borderWidth(), 0.0);
    EXPECT_FALSE(style.strokeColor().has_value());
    EXPECT_DOUBLE_EQ(style.fontScale(), 1.0);
}

TEST(NodeStyleCascade, BorderAndTextFallBackToTheParentNodeStyle)
{
    auto parent = rootWithBorder(5);
    parent->setBorderWidth(2.0);
    parent->setStrokeColor(Red);
    parent->setFillColor(Green);
    NodeStyle child(parent);
    child.setBorderStyle(3);
    child.setBorderWidth(4.0);
    child.setStrokeColor(Blue);
    child.setFillColor(Blue);

    EXPECT_EQ(child.borderStyle(), 5);
    EXPECT_DOUBLE_EQ(child.borderWidth(), 2.0);
    EXPECT_EQ(child.strokeColor(), Red);
    EXPECT_EQ(child.fillColor(), Green);

    child.setCustomizedProps(NodeStyle::StrokeColorMask | NodeStyle::BorderStyleMask
                             | NodeStyle::BorderWidthMask | NodeStyle::FillColorMask);
    EXPECT_EQ(child.borderStyle(), 3);
    EXPECT_DOUBLE_EQ(child.borderWidth(), 4.0);
    EXPECT_EQ(child.strokeColor(), Blue);
    EXPECT_EQ(child.fillColor(), Blue);
}

TEST(NodeStyleCascade, IsPropDefinedLooksUpTheChain)
{
    auto root = std::make_shared<NodeStyle>();
    NodeStyle child(root);
    EXPECT_FALSE(child.isPropDefined(NodeStyle::BorderWidthMask));
    root->setPropCustomized(NodeStyle::BorderWidthMask, true);
    EXPECT_TRUE(child.isPropDefined(NodeStyle::BorderWidthMask));
}

TEST(NodeStyleColors, ClearColorCustomizationClearsTheStrokeColour)
{
    NodeStyle style;
    style.setCustomizedProps(1 | 2 | 4 | 32 | 64);
    style.clearColorCustomization();
    EXPECT_EQ(style.customizedProps(), 4u | 64u);
}

TEST(NodeStyleChangeBorder, TheParentsStyleOnACustomisedStyleOnlyClearsTheBit)
{
    auto parent = rootWithBorder(4);
    NodeStyle child(parent);
    RecordingStyleListener listener;
    child.setListener(&listener);

    child.changeBorderStyle(6);
    EXPECT_EQ(child.customizedProps(), NodeStyle::BorderStyleMask);
    EXPECT_EQ(child.borderStyle(), 6);
    EXPECT_EQ(listener.count(), 1u);

    child.changeBorderStyle(4);
    EXPECT_EQ(child.customizedProps(), 0u);
    EXPECT_EQ(listener.count(), 2u);

    child.changeBorderStyle(4);
    EXPECT_EQ(child.customizedProps(), NodeStyle::BorderStyleMask);
    EXPECT_EQ(child.borderStyle(), 4);
}

TEST(NodeStyleChangeBorder, AWidthOnATopicWithoutBorderGivesItTheRoundedBorder)
{
    auto parent = rootWithBorder(NodeStyle::NoBorder);
    NodeStyle child(parent);
    RecordingStyleListener listener;
    child.setListener(&listener);

    child.changeBorderWidth(2.0);
    EXPECT_EQ(listener.count(), 1u);
    EXPECT_EQ(child.customizedProps(), NodeStyle::BorderWidthMask | NodeStyle::BorderStyleMask);
    EXPECT_EQ(child.borderStyle(), 0);
    EXPECT_DOUBLE_EQ(child.borderWidth(), 2.0);
}

TEST(NodeStyleChangeBorder, AWidthKeepsAnyOtherBorder)
{
    auto parent = rootWithBorder(3);
    NodeStyle child(parent);
    child.changeBorderWidth(2.0);
    EXPECT_EQ(child.customizedProps(), NodeStyle::BorderWidthMask);
    EXPECT_EQ(child.borderStyle(), 3);
}

TEST(NodeStyleChangeBorder, AWidthOfZeroKeepsTheTopicWithoutBorder)
{
    auto parent = rootWithBorder(NodeStyle::NoBorder);
    parent->setBorderWidth(3.0);
    NodeStyle child(parent);
    child.changeBorderWidth(0.0);
    EXPECT_EQ(child.customizedProps(), NodeStyle::BorderWidthMask);
    EXPECT_EQ(child.borderStyle(), NodeStyle::NoBorder);
    EXPECT_DOUBLE_EQ(child.borderWidth(), 0.0);
}

TEST(NodeStyleChangeBorder, TheWidthBitIsNeverClearedByAChange)
{
    auto parent = std::make_shared<NodeStyle>();
    parent->setBorderWidth(1.5);
    NodeStyle child(parent);
    child.changeBorderWidth(3.0);
    RecordingStyleListener listener;
    child.setListener(&listener);

    child.changeBorderWidth(1.5);
    EXPECT_EQ(child.customizedProps(), NodeStyle::BorderWidthMask);
    EXPECT_DOUBLE_EQ(child.borderWidth(), 1.5);
    EXPECT_EQ(listener.count(), 1u);

    child.changeBorderWidth(1.5);
    EXPECT_EQ(listener.count(), 1u);

    child.changeBorderWidth(std::nan(""));
    EXPECT_DOUBLE_EQ(child.borderWidth(), 1.5);
}

TEST(NodeStyleEquals, RequiresTheTextPartAndTheBorder)
{
    NodeStyle a;
    NodeStyle b;
    EXPECT_TRUE(a.equals(&b));
    EXPECT_FALSE(a.equals(nullptr));

    const uint64_t all = 1 | 2 | 4 | 8 | 16 | 32 | 64 | 128;
    a.setCustomizedProps(all);
    b.setCustomizedProps(all);
    EXPECT_TRUE(a.equals(&b));

    b.setTextColor(Red);
    EXPECT_FALSE(a.equals(&b)) << "the text part differs";
    b.setTextColor(std::nullopt);
    b.setStrokeColor(Red);
    EXPECT_FALSE(a.equals(&b));
    b.setStrokeColor(std::nullopt);
    b.setBorderStyle(6);
    EXPECT_FALSE(a.equals(&b));
    b.setBorderStyle(2);
    b.setBorderWidth(0.5);
    EXPECT_FALSE(a.equals(&b));
    b.setBorderWidth(0.0);
    EXPECT_TRUE(a.equals(&b));

    a.setCustomizedProps(NodeStyle::FillColorMask);
    b.setCustomizedProps(NodeStyle::FillColorMask);
    b.setBorderStyle(6);
    b.setStrokeColor(Red);
    EXPECT_TRUE(a.equals(&b)) << "uncustomised border values do not count";
}

TEST(NodeStyleAssign, DropsTheCallOutBitAndTakesTheEffectiveBorder)
{
    auto otherParent = rootWithBorder(6);
    otherParent->setBorderWidth(2.5);
    otherParent->setStrokeColor(Green);
    otherParent->setTextColor(Blue);
    NodeStyle other(otherParent);
    other.setCustomizedProps(NodeStyle::CallOutMask | NodeStyle::AlignmentMask | NodeStyle::BorderWidthMask);
    other.setCallOut(2);
    other.setAlignment(1);
    other.setBorderWidth(1.0);

    NodeStyle style;
    RecordingStyleListener listener;
    style.setListener(&listener);
    style.assign(&other);

    EXPECT_EQ(listener.count(), 1u);
    EXPECT_EQ(style.customizedProps(), NodeStyle::AlignmentMask | NodeStyle::BorderWidthMask);
    EXPECT_EQ(style.alignment(), 1);
    EXPECT_EQ(style.callOut(), 2u) << "a root answers the own value it was given";
    EXPECT_EQ(style.textColor(), Blue);
    EXPECT_EQ(style.strokeColor(), Green);
    EXPECT_EQ(style.borderStyle(), 6);
    EXPECT_DOUBLE_EQ(style.borderWidth(), 1.0);

    style.assign(nullptr);
    style.merge(nullptr);
    EXPECT_EQ(listener.count(), 1u);
    EXPECT_EQ(style.borderStyle(), 6);
}

TEST(NodeStyleMerge, DropsTheCallOutBitAndAddsOnlyTheOthersBorderProperties)
{
    NodeStyle other;
    other.setCustomizedProps(NodeStyle::CallOutMask | NodeStyle::StrokeColorMask | NodeStyle::FontMask);
    other.setCallOut(1);
    other.setStrokeColor(Red);
    other.setFontStyle(1);
    other.setFontScale(1.5);
    other.setBorderStyle(5); // not customised
    other.setBorderWidth(9.0);

    NodeStyle style;
    style.setCustomizedProps(NodeStyle::BorderWidthMask | NodeStyle::CallOutMask);
    style.setBorderWidth(2.0);
    RecordingStyleListener listener;
    style.setListener(&listener);

    style.merge(&other);
    EXPECT_EQ(listener.count(), 1u);
    EXPECT_EQ(style.customizedProps(), NodeStyle::BorderWidthMask | NodeStyle::StrokeColorMask | NodeStyle::FontMask);
    EXPECT_EQ(style.strokeColor(), Red);
    EXPECT_EQ(style.fontStyle(), 1u);
    EXPECT_DOUBLE_EQ(style.fontScale(), 1.5);
    EXPECT_EQ(style.borderStyle(), 2);
    EXPECT_DOUBLE_EQ(style.borderWidth(), 2.0);
}

TEST(NodeStyleMerge, EveryBorderPropertyTravels)
{
    NodeStyle other;
    other.setCustomizedProps(NodeStyle::StrokeColorMask | NodeStyle::BorderStyleMask | NodeStyle::BorderWidthMask);
    other.setStrokeColor(Blue);
    other.setBorderStyle(1);
    other.setBorderWidth(3.5);
    NodeStyle style;
    style.merge(&other);
    EXPECT_TRUE(style.equals(&other));
}

TEST(NodeStyleReset, ResetsTextAndBorderInOneReport)
{
    NodeStyle style;
    style.setCustomizedProps(0xFF);
    style.setAlignment(2);
    style.setFontScale(2.0);
    style.setBorderStyle(6);
    style.setBorderWidth(3.0);
    style.setStrokeColor(Red);
    RecordingStyleListener listener;
    style.setListener(&listener);

    style.reset();
    EXPECT_EQ(listener.count(), 1u);
    EXPECT_EQ(style.customizedProps(), 0u);
    EXPECT_EQ(style.alignment(), 0);
    EXPECT_DOUBLE_EQ(style.fontScale(), 1.0);
    EXPECT_EQ(style.borderStyle(), 2);
    EXPECT_DOUBLE_EQ(style.borderWidth(), 0.0);
    EXPECT_FALSE(style.strokeColor().has_value());
}
