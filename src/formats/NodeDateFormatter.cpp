#include "formats/NodeDateFormatter.h"

#include "platform/NumberText.h"

#include <ctime>
#include <limits>

namespace {

std::string twoDigits(int value)
{
    std::string text = formatInteger(value);
    return text.size() < 2 ? "0" + text : text;
}

// A run of one to maxDigits digits at pos; false when there is none or it is longer.
bool readNumber(std::string_view text, size_t& pos, size_t maxDigits, int& value)
{
    const size_t start = pos;
    value = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        if (pos - start == maxDigits) return false;
        value = value * 10 + (text[pos] - '0');
        ++pos;
    }
    return pos > start;
}

// The clock counts in units far finer than seconds: only about three centuries either side of
// 1970 fit into it.
bool fitsTheClock(std::time_t seconds)
{
    using Duration = NodeDateFormatter::Date::duration;
    constexpr auto limit = std::chrono::duration_cast<std::chrono::seconds>(Duration::max()).count() - 1;
    return seconds > -limit && seconds < limit;
}

} // namespace

std::string NodeDateFormatter::stringFromDate(const Date& date)
{
    const std::time_t seconds = std::chrono::system_clock::to_time_t(date);
    std::tm local{};
    if (!localtime_r(&seconds, &local)) return std::string();
    std::string year = formatInteger(static_cast<int64_t>(local.tm_year) + 1900);
    while (year.size() < 4) year.insert(year.begin(), '0');
    return twoDigits(local.tm_mday) + "-" + twoDigits(local.tm_mon + 1) + "-" + year;
}

std::optional<NodeDateFormatter::Date> NodeDateFormatter::dateFromString(std::string_view text)
{
    size_t pos = 0;
    int day = 0;
    int month = 0;
    int year = 0;
    if (!readNumber(text, pos, 2, day) || pos >= text.size() || text[pos++] != '-') return std::nullopt;
    if (!readNumber(text, pos, 2, month) || pos >= text.size() || text[pos++] != '-') return std::nullopt;
    if (!readNumber(text, pos, 4, year) || pos != text.size()) return std::nullopt;
    if (day < 1 || day > 31 || month < 1 || month > 12 || year < 1) return std::nullopt;

    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_isdst = -1;
    // mktime answers -1 both on failure and for the last second of 1969; only a failure leaves
    // the weekday untouched.
    local.tm_wday = -1;
    const std::time_t seconds = std::mktime(&local);
    if (local.tm_wday < 0 || !fitsTheClock(seconds)) return std::nullopt;
    // 31-02-2024 is no date, not the second of March.
    if (local.tm_mday != day || local.tm_mon != month - 1) return std::nullopt;
    return std::chrono::system_clock::from_time_t(seconds);
}
