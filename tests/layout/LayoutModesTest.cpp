#include "layout/LayoutModes.h"

#include "platform/Localizer.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace {

// Points the string table at a file of our own in which every layout key has its own text, so
// that a mixed-up key shows.
class LayoutModeNamesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const char* previous = std::getenv("TARNWICK_RESOURCES")) _previous = previous;
        std::filesystem::create_directories(_resources.file("strings"));
        writeTestFile(_resources.file("strings/en.strings"),
                      "layout_free_form_layout=Free\n"
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
        setenv("TARNWICK_RESOURCES", _resources.path().c_str(), 1);
        reloadStringTable();
    }

    void TearDown() override
    {
        if (_previous) setenv("TARNWICK_RESOURCES", _previous->c_str(), 1);
        else unsetenv("TARNWICK_RESOURCES");
        reloadStringTable();
    }

    TempDir _resources;
    std::optional<std::string> _previous;
};

} // namespace

TEST(LayoutModes, CodesAreTheStoredNumbers)
{
    EXPECT_EQ(0, LayoutModeFreeForm);
    EXPECT_EQ(1, LayoutModeStrictHorizontal);
    EXPECT_EQ(2, LayoutModeStrictVertical);
    EXPECT_EQ(3, LayoutModeList);
    EXPECT_EQ(4, LayoutModeTopDown);

    EXPECT_EQ(0, LayoutDirectionAutomatic);
    EXPECT_EQ(1, LayoutDirectionLeft);
    EXPECT_EQ(2, LayoutDirectionRight);
    EXPECT_EQ(3, LayoutDirectionTop);
    EXPECT_EQ(4, LayoutDirectionTopRightToLeft);
    EXPECT_EQ(5, LayoutDirectionBottom);
    EXPECT_EQ(6, LayoutDirectionBottomRightToLeft);
    EXPECT_EQ(7, LayoutDirectionManual);
}

TEST(LayoutModes, DefaultDirectionIsBottomForTopDownOnly)
{
    EXPECT_EQ(5, DefaultLayoutDirectionForMode(4));
    for (int32_t mode : {0, 1, 2, 3}) EXPECT_EQ(0, DefaultLayoutDirectionForMode(mode)) << mode;
}

TEST(LayoutModes, DefaultDirectionOfUnknownModesIsAutomatic)
{
    for (int32_t mode : {-1, 5, 9, INT32_MIN, INT32_MAX}) EXPECT_EQ(0, DefaultLayoutDirectionForMode(mode)) << mode;
}

TEST(LayoutModes, OnlyFourAndSixAreRightToLeft)
{
    // 2 is "right", but only the top-down chart's reversed orders read right to left.
    EXPECT_FALSE(IsRightToLeftDirection(2));
    for (int32_t direction = -1; direction <= 8; ++direction) {
        bool expected = direction == 4 || direction == 6;
        EXPECT_EQ(expected, IsRightToLeftDirection(direction)) << direction;
    }
}

TEST(LayoutModes, OnlyThreeAndFourGrowUpward)
{
    // The default top-down direction (5) and its reversed form (6) grow downward.
    EXPECT_FALSE(IsTopDirection(5));
    EXPECT_FALSE(IsTopDirection(6));
    for (int32_t direction = -1; direction <= 8; ++direction) {
        bool expected = direction == 3 || direction == 4;
        EXPECT_EQ(expected, IsTopDirection(direction)) << direction;
    }
}

TEST(LayoutModes, PredicatesOfExtremeCodes)
{
    for (int32_t direction : {INT32_MIN, INT32_MAX}) {
        EXPECT_FALSE(IsRightToLeftDirection(direction));
        EXPECT_FALSE(IsTopDirection(direction));
    }
}

TEST_F(LayoutModeNamesTest, ModesAreNamedByTheirKeys)
{
    EXPECT_EQ("Free", LayoutModeDisplayName(0));
    EXPECT_EQ("Horizontal", LayoutModeDisplayName(1));
    EXPECT_EQ("Vertical", LayoutModeDisplayName(2));
    EXPECT_EQ("List", LayoutModeDisplayName(3));
    EXPECT_EQ("Top-down", LayoutModeDisplayName(4));
}

TEST_F(LayoutModeNamesTest, DirectionsAreNamedByTheirKeys)
{
    EXPECT_EQ("Automatic", LayoutDirectionDisplayName(0));
    EXPECT_EQ("Left", LayoutDirectionDisplayName(1));
    EXPECT_EQ("Right", LayoutDirectionDisplayName(2));
    EXPECT_EQ("Top", LayoutDirectionDisplayName(3));
    EXPECT_EQ("Top, right to left", LayoutDirectionDisplayName(4));
    EXPECT_EQ("Bottom", LayoutDirectionDisplayName(5));
    EXPECT_EQ("Bottom, right to left", LayoutDirectionDisplayName(6));
    EXPECT_EQ("Manual", LayoutDirectionDisplayName(7));
}

TEST_F(LayoutModeNamesTest, UnknownCodesHaveTheEmptyName)
{
    EXPECT_EQ("", LayoutModeDisplayName(5));
    EXPECT_EQ("", LayoutDirectionDisplayName(8));
    for (int32_t code : {-1, INT32_MIN, INT32_MAX}) {
        EXPECT_EQ("", LayoutModeDisplayName(code)) << code;
        EXPECT_EQ("", LayoutDirectionDisplayName(code)) << code;
    }
}

TEST_F(LayoutModeNamesTest, KeysMissingFromTheTableGiveTheEmptyName)
{
    writeTestFile(_resources.file("strings/en.strings"), "layout_list_layout=List\n");
    reloadStringTable();
    EXPECT_EQ("List", LayoutModeDisplayName(3));
    EXPECT_EQ("", LayoutModeDisplayName(0));
    EXPECT_EQ("", LayoutDirectionDisplayName(0));
}
