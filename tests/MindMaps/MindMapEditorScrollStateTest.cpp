#include "MindMaps/MindMapEditorScrollState.h"

#include <gtest/gtest.h>

TEST(MindMapEditorScrollState, ZoomPercentageRoundsHalvesUp)
{
    const auto fresh = MindMapEditorScrollState::scrollState();
    EXPECT_EQ(100, fresh->zoomPercentage());
    EXPECT_FALSE(fresh->offsetValid());
    // 1.255 x 100 is just below 125.5 in double; the percentage is taken in single precision.
    const std::pair<double, int64_t> cases[] = {{1.255, 126}, {0.125, 13}, {0.994, 99}, {2.0, 200}};
    MindMapEditorScrollState state;
    for (auto [scale, percent] : cases) {
        state.setZoomScale(scale);
        EXPECT_EQ(percent, state.zoomPercentage()) << scale;
    }
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
