#include "MindMaps/LayoutModes.h"

#include "support/ScopedEnvironment.h"

#include <gtest/gtest.h>

#include <string>

TEST(LayoutModes, CodesAreTheStoredNumbers)
{
    const int modes[] = {LayoutModeFreeForm, LayoutModeStrictHorizontal, LayoutModeStrictVertical, LayoutModeList,
                         LayoutModeTopDown};
    const int directions[] = {LayoutDirectionAutomatic,
                              LayoutDirectionLeft,
                              LayoutDirectionRight,
                              LayoutDirectionTop,
                              LayoutDirectionTopRightToLeft,
                              LayoutDirectionBottom,
                              LayoutDirectionBottomRightToLeft,
                              LayoutDirectionManual};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(i, modes[i]);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(i, directions[i]);
}

TEST(LayoutModes, DefaultDirectionIsBottomForTopDownOnly)
{
    EXPECT_EQ(5, DefaultLayoutDirectionForMode(4));
    for (int32_t mode : {0, 3, -1, 5, INT32_MIN}) EXPECT_EQ(0, DefaultLayoutDirectionForMode(mode)) << mode;
}

// Every key gets its own text in the table, so that a mixed-up key shows.
TEST(LayoutModeNames, NamedByTheirKeysAndUnknownCodesAreEmpty)
{
    ScopedStringTable strings("layout_free_form_layout=Free\n"
                              "layout_horizontal_layout=Horizontal\n"
                              "layout_vertical_layout=Vertical\n"
                              "layout_list_layout=List\n"
                              "layout_top_down_layout=Top-down\n"
                              "layout_direction_automatic=Automatic\n"
                              "layout_direction_left=Left\n"
                              "layout_direction_right=Right\n"
                              "layout_direction_top=Top\n"
                              "layout_direction_top_rtl=Top, right to left\n"
                              "layout_direction_bottom=Bottom\n"
                              "layout_direction_bottom_rtl=Bottom, right to left\n"
                              "layout_direction_manual=Manual\n");
    const char* modes[] = {"Free", "Horizontal", "Vertical", "List", "Top-down"};
    for (int32_t i = 0; i < 5; ++i) EXPECT_EQ(modes[i], LayoutModeDisplayName(i));
    const char* directions[] = {
        "Automatic", "Left", "Right", "Top", "Top, right to left", "Bottom", "Bottom, right to left", "Manual"};
    for (int32_t i = 0; i < 8; ++i) EXPECT_EQ(directions[i], LayoutDirectionDisplayName(i));
    for (int32_t code : {-1, 5, INT32_MAX}) EXPECT_EQ("", LayoutModeDisplayName(code)) << code;
    for (int32_t code : {-1, 8, INT32_MAX}) EXPECT_EQ("", LayoutDirectionDisplayName(code)) << code;
}

// "Right" (2) is a side, not an order of siblings; the default top-down direction (5) grows down.
TEST(LayoutModes, OnlyTheTopDownDirectionsFlipOrderAndGrowth)
{
    struct Case {
        int32_t direction;
        bool rightToLeft;
        bool top;
    };
    const Case cases[] = {{0, false, false},  {1, false, false}, {2, false, false}, {3, false, true},
                          {4, true, true},    {5, false, false}, {6, true, false},  {7, false, false},
                          {-1, false, false}, {8, false, false}};
    for (const Case& c : cases) {
        EXPECT_EQ(c.rightToLeft, IsRightToLeftDirection(c.direction)) << c.direction;
        EXPECT_EQ(c.top, IsTopDirection(c.direction)) << c.direction;
    }
}
