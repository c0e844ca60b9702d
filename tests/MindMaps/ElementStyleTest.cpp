#include "ElementStyleTestSupport.h"

#include "MindMaps/ElementStyle.h"
#include "MindMaps/MindMapStyle.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/RelationStyle.h"
#include "MindMaps/TextStyle.h"

#include <gtest/gtest.h>

// The mask bits are written to documents: they must never drift.
TEST(ElementStyleMasks, BitsArePinned)
{
    EXPECT_EQ(RelationStyle::LineStyleMask, 1u);
    EXPECT_EQ(RelationStyle::PathStyleMask, 2u);
    EXPECT_EQ(RelationStyle::SourceArrowMask, 4u);
    EXPECT_EQ(RelationStyle::TargetArrowMask, 8u);
    EXPECT_EQ(RelationStyle::ColorMask, 16u);
    EXPECT_EQ(RelationStyle::LineWidthMask, 32u);

    EXPECT_EQ(TextStyle::TextColorMask, 1u);
    EXPECT_EQ(TextStyle::FillColorMask, 2u);
    EXPECT_EQ(TextStyle::AlignmentMask, 4u);
    EXPECT_EQ(TextStyle::FontMask, 8u);
    EXPECT_EQ(TextStyle::CallOutMask, 16u);

    EXPECT_EQ(NodeStyle::StrokeColorMask, 32u);
    EXPECT_EQ(NodeStyle::BorderStyleMask, 64u);
    EXPECT_EQ(NodeStyle::BorderWidthMask, 128u);
    EXPECT_EQ(NodeStyle::NoBorder, 7);

    EXPECT_EQ(MindMapStyle::ConnectionStyleMask, 1u);
    EXPECT_EQ(MindMapStyle::BackgroundColorMask, 2u);
    EXPECT_EQ(MindMapStyle::CheckboxColorMask, 4u);
}

TEST(ElementStyleBatch, NestedBatchReportsOnceAtTheOutermostEnd)
{
    RelationStyle style;
    RecordingStyleListener listener;
    style.setListener(&listener);

    style.beginUpdate();
    style.beginUpdate();
    style.setLineStyle(3);
    style.setColor(Color(0.1, 0.2, 0.3));
    style.setPropCustomized(RelationStyle::LineStyleMask, true);
    style.endUpdate();
    EXPECT_EQ(listener.count(), 0u);
    style.setLineWidth(2.5);
    style.endUpdate();
    ASSERT_EQ(listener.count(), 1u);
    EXPECT_EQ(listener.senders[0], &style);
}
