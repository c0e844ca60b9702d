#include "Editor/NotificationView.h"

#include <gtest/gtest.h>

TEST(NotificationViewTest, LevelsAndTheirColours)
{
    struct Case {
        unsigned level;
        unsigned readBack;
        int red, green, blue;
    };
    const Case cases[] = {
        {0, 0, 65, 137, 255}, {1, 1, 255, 204, 102}, {2, 2, 255, 32, 32}, {3, 2, 255, 32, 32}, {7, 2, 255, 32, 32},
    };
    for (const Case& c : cases) {
        NotificationView view;
        // A box starts at level 1; go through another level so that every case changes it.
        view.setNotifyLevel(c.level == 0 ? 2 : 0);
        view.setNotifyLevel(c.level);
        EXPECT_EQ(view.notifyLevel(), c.readBack) << c.level;
        const Color expected = Color::rgb255(c.red, c.green, c.blue, 0.8);
        EXPECT_NEAR(view.backgroundColor().red(), expected.red(), 1e-9) << c.level;
        EXPECT_NEAR(view.backgroundColor().green(), expected.green(), 1e-9) << c.level;
        EXPECT_NEAR(view.backgroundColor().blue(), expected.blue(), 1e-9) << c.level;
        EXPECT_EQ(view.backgroundColor().alpha(), 0.8) << c.level;
    }
}

TEST(NotificationViewTest, StartsAtLevelOneAndTheSameLevelKeepsAColourSetSince)
{
    NotificationView view;
    EXPECT_EQ(view.notifyLevel(), 1u);
    EXPECT_EQ(view.backgroundColor(), NotificationView::colorOfLevel(1));
    const Color custom(0.1, 0.2, 0.3, 1.0);
    view.setBackgroundColor(custom);
    view.setNeedsDisplay(false);
    view.setNotifyLevel(1);
    EXPECT_EQ(view.backgroundColor(), custom);
    EXPECT_FALSE(view.needsDisplay());
    view.setNotifyLevel(2);
    EXPECT_TRUE(view.needsDisplay());
}

TEST(NotificationViewTest, TheBoxsFixedGeometry)
{
    EXPECT_EQ(NotificationView::Width, 320.0);
    EXPECT_EQ(NotificationView::Height, 94.0);
    EXPECT_EQ(NotificationView::CornerRadius, 7.0);
    EXPECT_EQ(NotificationView::ShowDuration, 0.3);
}
