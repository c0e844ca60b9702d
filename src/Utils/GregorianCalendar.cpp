#include "Utils/GregorianCalendar.h"

#include <ctime>

DateComponents GregorianCalendar::components(Date date) const
{
    const std::time_t seconds = std::chrono::system_clock::to_time_t(date);
    std::tm local{};
    if (!localtime_r(&seconds, &local)) return {};
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

std::optional<GregorianCalendar::Date> GregorianCalendar::dateFromComponents(const DateComponents& components) const
{
    // The clock counts nanoseconds in 64 bits: about the years 1678 to 2262. Years far outside
    // would also overflow the field arithmetic below.
    if (components.year < 1678 || components.year > 2261) return std::nullopt;
    std::tm local{};
    local.tm_year = components.year - 1900;
    local.tm_mon = components.month - 1;
    local.tm_mday = components.day;
    local.tm_hour = components.hour;
    local.tm_min = components.minute;
    local.tm_sec = components.second;
    local.tm_isdst = -1;
    // mktime answers -1 both on failure and for the last second of 1969; only a failure leaves
    // the weekday untouched.
    local.tm_wday = -1;
    const std::time_t seconds = std::mktime(&local);
    if (local.tm_wday < 0) return std::nullopt;
    // Months and days far out of range carry the date past what the clock can hold.
    using Limits = std::chrono::system_clock::duration;
    const auto reach = std::chrono::duration_cast<std::chrono::seconds>(Limits::max()).count();
    if (seconds > reach || seconds < -reach) return std::nullopt;
    return std::chrono::system_clock::from_time_t(seconds);
}
