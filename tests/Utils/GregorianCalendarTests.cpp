#include "support/ScopedEnvironment.h"

#include "Utils/GregorianCalendar.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

class GregorianCalendarTest : public ::testing::Test {
protected:
    ScopedTimeZone _zone{"UTC"};
    GregorianCalendar calendar;
};

TEST_F(GregorianCalendarTest, SplitsAndJoinsDatesInTheLocalZone)
{
    const auto date = std::chrono::system_clock::from_time_t(1623053350); // 2021-06-07 08:09:10 UTC
    EXPECT_EQ(calendar.components(date), (DateComponents{2021, 6, 7, 8, 9, 10}));
    EXPECT_EQ(calendar.dateFromComponents({2021, 6, 7, 8, 9, 10}), date);
}

TEST_F(GregorianCalendarTest, LastSecondOf1969IsADate)
{
    const auto date = calendar.dateFromComponents({1969, 12, 31, 23, 59, 59});
    ASSERT_TRUE(date);
    EXPECT_EQ(std::chrono::system_clock::to_time_t(*date), -1);
}

TEST_F(GregorianCalendarTest, DatesTheClockCannotHoldAreRefused)
{
    EXPECT_FALSE(calendar.dateFromComponents({1600, 1, 1, 0, 0, 0}));
    EXPECT_FALSE(calendar.dateFromComponents({3000, 1, 1, 0, 0, 0}));
    EXPECT_FALSE(calendar.dateFromComponents({std::numeric_limits<int>::min(), 1, 1, 0, 0, 0}));
    EXPECT_FALSE(calendar.dateFromComponents({2261, 1, 1000000, 0, 0, 0}));
    EXPECT_TRUE(calendar.dateFromComponents({1980, 1, 1, 0, 0, 0}));
    EXPECT_TRUE(calendar.dateFromComponents({2107, 12, 31, 23, 59, 59}));
}

// Five hours east of Greenwich, without daylight saving time.
class ZonedCalendarTest : public ::testing::Test {
protected:
    ScopedTimeZone _zone{"XYZ-5"};
    GregorianCalendar calendar;
};

TEST_F(ZonedCalendarTest, LocalFieldsFollowTheZone)
{
    const auto date = std::chrono::system_clock::from_time_t(1623053350); // 08:09:10 UTC
    EXPECT_EQ(calendar.components(date), (DateComponents{2021, 6, 7, 13, 9, 10}));
    EXPECT_EQ(calendar.dateFromComponents({2021, 6, 7, 13, 9, 10}), date);
}

} // namespace
