#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

// The dates of topics in documents: "dd-MM-yyyy" in the local time zone, whatever the process
// locale. A date keeps only its day: reading gives the start of that day.
class NodeDateFormatter {
public:
    using Date = std::chrono::system_clock::time_point;

    // Day and month with two digits, the year with at least four.
    static std::string stringFromDate(const Date& date);
    // Day, month and year as digits between two "-" (no sign, nothing after the year); a day or
    // month out of range gives nothing, and so does a date the clock cannot hold (it reaches
    // about three centuries either side of 1970).
    static std::optional<Date> dateFromString(std::string_view text);
};
