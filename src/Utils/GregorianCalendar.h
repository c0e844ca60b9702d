#pragma once

#include <chrono>
#include <optional>

// A date split into the fields of the Gregorian calendar; month and day count from 1.
struct DateComponents {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;

    bool operator==(const DateComponents&) const = default;
};

// Converts between absolute times and Gregorian dates in the local time zone, the zone in which
// zip entries record their times.
class GregorianCalendar {
public:
    using Date = std::chrono::system_clock::time_point;

    DateComponents components(Date date) const;

    // Fields out of their usual range carry over into the next larger field (month 13 is January
    // of the next year, day 0 the last day of the month before). Empty when the date cannot be
    // represented.
    std::optional<Date> dateFromComponents(const DateComponents& components) const;
};
