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
    EXPECT_EQ(child.fillColor(), Green);

    child.setCustomizedProps(NodeStyle::StrokeColorMask | NodeStyle::BorderStyleMask
                             | NodeStyle::BorderWidthMask | NodeStyle::FillColorMask);
    EXPECT_EQ(child.borderStyle(), 3);
    EXPECT_EQ(child.fillColor(), Blue);
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
    EXPECT_EQ(style.borderStyle(), 2);
    EXPECT_DOUBLE_EQ(style.borderWidth(), 2.0);
}
