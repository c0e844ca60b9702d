#include "MindMaps/MindMapEditorScrollState.h"

#include <gtest/gtest.h>

TEST(MindMapEditorScrollState, StartsUnzoomedWithoutOffset)
{
    auto state = MindMapEditorScrollState::scrollState();
    ASSERT_TRUE(state);
    EXPECT_EQ(100, state->zoomPercentage());
    EXPECT_FALSE(state->offsetValid());
    EXPECT_FALSE(state->centerSelection());
}

TEST(MindMapEditorScrollState, ZoomPercentageRoundsHalvesUp)
{
    MindMapEditorScrollState state;
    // 1.255 x 100 is just below 125.5 in double; the percentage is taken in single precision.
    state.setZoomScale(1.255);
    EXPECT_EQ(126, state.zoomPercentage());
    state.setZoomScale(0.125);
    EXPECT_EQ(13, state.zoomPercentage());
    state.setZoomScale(0.994);
    EXPECT_EQ(99, state.zoomPercentage());
    state.setZoomScale(2.0);
    EXPECT_EQ(200, state.zoomPercentage());
}

TEST(MindMapEditorScrollState, PercentageSurvivesARoundTripThroughTheScale)
{
    MindMapEditorScrollState state;
    state.setZoomPercentage(80);
    EXPECT_EQ(0.8, state.zoomScale());
    for (int64_t percent = 1; percent <= 1000; ++percent) {
        state.setZoomPercentage(percent);
        EXPECT_EQ(percent, state.zoomPercentage()) << percent;
    }
}

TEST(MindMapEditorScrollState, CopyTakesAllFourFieldsEvenAnInvalidOffset)
{
    MindMapEditorScrollState source;
    source.setZoomScale(1.5);
    source.setOffset({12.5, -40});
    source.setOffsetValid(false);
    source.setCenterSelection(true);

    MindMapEditorScrollState copy;
    copy.setOffsetValid(true);
    copy.setScrollState(source);
    EXPECT_EQ(1.5, copy.zoomScale());
    EXPECT_EQ(Point({12.5, -40}), copy.offset());
    EXPECT_FALSE(copy.offsetValid());
    EXPECT_TRUE(copy.centerSelection());
}
