#include "Utils/GregorianCalendar.h"
#include "editor-view/ImagePreviewWindowController.h"
#include "editor-view/MindMapEditor.h"

#include "support/ScopedEnvironment.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

// The day the user clicks in the date picker is the day stored, whatever the zone's clocks do on
// it; the time of day is the one the topic had where that time exists on the day.
TEST(PickedDayTest, KeepsTheClickedDayAcrossClockChangesAndNearMidnight)
{
    struct Case {
        const char* zone;
        DateComponents initial;
        int year, month, day;
        // The expected local date; a negative hour only pins the day.
        DateComponents expected;
        const char* what;
    };
    // Summer time starting at midnight on the first Sunday of November (2026-11-01): 00:00 to
    // 00:59 do not exist that day. Ending at midnight on the third Sunday of February.
    const char* midnightChange = "BRT3BRST,M11.1.0/0,M2.3.0/0";
    // Central Europe: 02:00 to 02:59 do not exist on 2026-03-29, 02:00 to 02:59 come twice on
    // 2026-10-25.
    const char* europe = "CET-1CEST,M3.5.0,M10.5.0/3";
    // Summer time starting at 23:00 on the last Sunday of March (2026-03-29): the day ends at
    // 22:59, and 23:30 of it is found only on the next day.
    const char* lateChange = "XST-2XDT,M3.5.0/23,M10.5.0/3";
    const Case cases[] = {
        {"UTC0", {2026, 5, 10, 23, 59, 59}, 2026, 5, 11, {2026, 5, 11, 23, 59, 59}, "just before midnight"},
        {"UTC0", {2026, 5, 10, 0, 0, 0}, 2026, 1, 31, {2026, 1, 31, 0, 0, 0}, "midnight"},
        {"EST5", {2026, 5, 10, 23, 30, 0}, 2026, 6, 1, {2026, 6, 1, 23, 30, 0}, "late, west of UTC"},
        {"JST-9", {2026, 5, 10, 0, 15, 0}, 2026, 6, 1, {2026, 6, 1, 0, 15, 0}, "early, east of UTC"},
        {midnightChange, {2026, 10, 20, 0, 30, 0}, 2026, 11, 1, {2026, 11, 1, -1, 0, 0}, "skipped half past 12"},
        {midnightChange, {2026, 10, 20, 0, 0, 0}, 2026, 11, 1, {2026, 11, 1, -1, 0, 0}, "skipped midnight"},
        {midnightChange, {2026, 10, 20, 0, 30, 0}, 2026, 10, 31, {2026, 10, 31, 0, 30, 0}, "the day before"},
        {midnightChange, {2026, 10, 20, 1, 30, 0}, 2026, 11, 1, {2026, 11, 1, 1, 30, 0}, "after the skip"},
        {midnightChange, {2026, 12, 1, 23, 30, 0}, 2027, 2, 20, {2027, 2, 20, 23, 30, 0}, "the hour that repeats"},
        {lateChange, {2026, 3, 1, 23, 30, 0}, 2026, 3, 29, {2026, 3, 29, -1, 0, 0}, "skipped end of the day"},
        {lateChange, {2026, 3, 1, 22, 30, 0}, 2026, 3, 29, {2026, 3, 29, 22, 30, 0}, "before the skip"},
        {lateChange, {2026, 3, 1, 23, 30, 0}, 2026, 3, 30, {2026, 3, 30, 23, 30, 0}, "the day after"},
        {europe, {2026, 3, 1, 2, 30, 0}, 2026, 3, 29, {2026, 3, 29, -1, 0, 0}, "skipped 02:30"},
        {europe, {2026, 3, 1, 23, 45, 0}, 2026, 3, 29, {2026, 3, 29, 23, 45, 0}, "late on the short day"},
        {europe, {2026, 10, 1, 2, 30, 0}, 2026, 10, 25, {2026, 10, 25, 2, 30, 0}, "repeated 02:30"},
        {europe, {2026, 10, 1, 0, 0, 0}, 2026, 10, 25, {2026, 10, 25, 0, 0, 0}, "midnight of the long day"},
    };
    for (const Case& c : cases) {
        ScopedTimeZone zone(c.zone);
        const GregorianCalendar calendar;
        const std::optional<MindMapEditor::Date> initial = calendar.dateFromComponents(c.initial);
        ASSERT_TRUE(initial) << c.what;
        const MindMapEditor::Date picked = MindMapEditor::dateForPickedDay(*initial, c.year, c.month, c.day);
        const DateComponents got = calendar.components(picked);
        EXPECT_EQ(c.expected.year, got.year) << c.what;
        EXPECT_EQ(c.expected.month, got.month) << c.what;
        EXPECT_EQ(c.expected.day, got.day) << c.what;
        if (c.expected.hour >= 0) {
            EXPECT_EQ(c.expected, got) << c.what;
        } else {
            EXPECT_NE(*initial, picked) << c.what;
        }
    }
}

TEST(PickedDayTest, ADayTheMonthDoesNotHaveKeepsTheInitialDate)
{
    ScopedTimeZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
    const GregorianCalendar calendar;
    const MindMapEditor::Date initial = *calendar.dateFromComponents({2026, 5, 10, 9, 0, 0});
    for (const auto& [year, month, day] : {std::tuple{2026, 2, 29}, {2026, 4, 31}, {2026, 13, 1}, {2026, 2, 0}})
        EXPECT_EQ(initial, MindMapEditor::dateForPickedDay(initial, year, month, day)) << month << "/" << day;
    EXPECT_NE(initial, MindMapEditor::dateForPickedDay(initial, 2028, 2, 29)) << "a leap day";
}

TEST(ImagePreviewSizeTest, FitsThePictureBetweenTheMinimumAndThreeQuartersOfTheWorkArea)
{
    struct Case {
        Size image, workArea, expected;
    };
    const Case cases[] = {
        {{40, 30}, {1920, 1050}, {150, 150}},       {{640, 480}, {1920, 1050}, {640, 480}},
        {{10000, 8000}, {1920, 1050}, {1440, 787}}, {{100, 5000}, {1920, 1050}, {150, 787}},
        {{400, 300}, {160, 120}, {120, 90}},        {{400, 300}, {0, 0}, {400, 300}},
        {{NAN, 30}, {1920, 1050}, {150, 150}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, ImagePreviewWindowController::contentSize(c.image, c.workArea))
            << c.image.width << " x " << c.image.height;
}
