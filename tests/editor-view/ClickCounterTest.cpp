#include "editor-view/ClickCounter.h"

#include <gtest/gtest.h>

TEST(ClickCounter, PressesCloseInTimeAndPlaceOfOneButtonCountUp)
{
    struct Press {
        int button;
        Point point;
        double time;
        int count;
    };
    ClickCounter counter(0.4, 5);
    const Press presses[] = {
        {1, {10, 10}, 1.0, 1}, {1, {12, 13}, 1.3, 2}, {1, {15, 15}, 1.7, 3}, // within 0.4 s and 5 points
        {1, {15, 15}, 2.2, 1},                                               // too late
        {1, {21, 15}, 2.3, 1},                                               // too far
        {3, {21, 15}, 2.4, 1},                                               // another button
        {3, {21, 15}, 2.4, 2}, {1, {21, 15}, 0.1, 1},                        // time ran backwards
    };
    for (const Press& p : presses) EXPECT_EQ(p.count, counter.press(p.button, p.point, p.time)) << p.time;
}
