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

TEST(ElementStyleMask, SetCustomizedPropsReportsOnlyADifferentMask)
{
    ElementStyle style;
    RecordingStyleListener listener;
    style.setListener(&listener);

    style.setCustomizedProps(0);
    EXPECT_EQ(listener.count(), 0u);

    style.setCustomizedProps(0x30);
    EXPECT_EQ(style.customizedProps(), 0x30u);
    ASSERT_EQ(listener.count(), 1u);
    EXPECT_EQ(listener.senders[0], &style);

    style.setCustomizedProps(0x30);
    EXPECT_EQ(listener.count(), 1u);
}

TEST(ElementStyleMask, IsPropCustomizedAnswersForAnyOfTheBits)
{
    ElementStyle style;
    style.setCustomizedProps(4);
    EXPECT_TRUE(style.isPropCustomized(4));
    EXPECT_TRUE(style.isPropCustomized(4 | 8));
    EXPECT_FALSE(style.isPropCustomized(8 | 1));
    EXPECT_FALSE(style.isPropCustomized(0));
    // The base answers only for itself.
    EXPECT_TRUE(style.isPropDefined(4));
    EXPECT_FALSE(style.isPropDefined(1));
}

TEST(ElementStyleMask, SetPropCustomizedSetsAndClearsOnlyTheGivenBits)
{
    ElementStyle style;
    style.setCustomizedProps(1 | 64);
    style.setPropCustomized(8 | 16, true);
    EXPECT_EQ(style.customizedProps(), 1u | 8u | 16u | 64u);
    style.setPropCustomized(1 | 16, false);
    EXPECT_EQ(style.customizedProps(), 8u | 64u);
}

TEST(ElementStyleMask, OnlyACustomisedStyleIsStored)
{
    ElementStyle style;
    EXPECT_FALSE(style.isStored());
    style.setPropCustomized(uint64_t(1) << 63, true);
    EXPECT_TRUE(style.isStored());
    style.setPropCustomized(uint64_t(1) << 63, false);
    EXPECT_FALSE(style.isStored());
}

TEST(ElementStyleBatch, AChangeOutsideABatchIsReportedAtOnce)
{
    RelationStyle style;
    RecordingStyleListener listener;
    style.setListener(&listener);
    style.setLineStyle(3);
    EXPECT_EQ(listener.count(), 1u);
    style.setRelationPathStyle(1);
    EXPECT_EQ(listener.count(), 2u);
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

TEST(ElementStyleBatch, ABatchWithoutChangeReportsNothing)
{
    RelationStyle style;
    RecordingStyleListener listener;
    style.setListener(&listener);

    style.beginUpdate();
    style.setLineStyle(0);
    style.setColor(std::nullopt);
    style.setCustomizedProps(0);
    style.endUpdate();
    EXPECT_EQ(listener.count(), 0u);
}

TEST(ElementStyleBatch, APendingReportDoesNotLeakIntoTheNextBatch)
{
    RelationStyle style;
    RecordingStyleListener listener;
    style.setListener(&listener);

    style.beginUpdate();
    style.setLineStyle(5);
    style.endUpdate();
    style.beginUpdate();
    style.endUpdate();
    EXPECT_EQ(listener.count(), 1u);
}

TEST(ElementStyleBatch, TheGuardClosesItsBatch)
{
    RelationStyle style;
    RecordingStyleListener listener;
    style.setListener(&listener);
    {
        ElementStyle::UpdateGuard batch(style);
        style.setLineStyle(1);
        style.setLineStyle(2);
        EXPECT_EQ(listener.count(), 0u);
    }
    EXPECT_EQ(listener.count(), 1u);
}

TEST(ElementStyleBatch, AnUnmatchedEndUpdateIsIgnored)
{
    RelationStyle style;
    RecordingStyleListener listener;
    style.setListener(&listener);

    style.endUpdate();
    style.endUpdate();
    style.setLineStyle(4);
    EXPECT_EQ(listener.count(), 1u);

    style.beginUpdate();
    style.setLineStyle(5);
    style.endUpdate();
    EXPECT_EQ(listener.count(), 2u);
}

TEST(ElementStyleBatch, WithoutListenerChangesAreKeptQuietly)
{
    RelationStyle style;
    style.beginUpdate();
    style.setLineStyle(4);
    style.endUpdate();
    style.setLineStyle(6);
    EXPECT_EQ(style.lineStyle(), 6);

    RecordingStyleListener listener;
    style.setListener(&listener);
    EXPECT_EQ(style.listener(), &listener);
    style.setListener(nullptr);
    style.setLineStyle(7);
    EXPECT_EQ(listener.count(), 0u);
}
