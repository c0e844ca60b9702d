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

    child.setCustomizedProps(NodeStyle::StrokeColorMask | NodeStyle::BorderStyleMask | NodeStyle::BorderWidthMask |
                             NodeStyle::FillColorMask);
    EXPECT_EQ(child.borderStyle(), 3);
    EXPECT_EQ(child.fillColor(), Blue);
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
