#include "platform/NumberText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Skips leading white space and reads an optional sign; answers true for a minus.
bool skipSpaceAndSign(std::string_view& text)
{
    size_t i = 0;
    while (i < text.size() && isSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    text.remove_prefix(i);
    return negative;
}

// Whether a decimal number (digits, fraction, exponent) that does not fit a double overflows
// rather than underflows: true when its first non-zero digit stands at a positive power of ten.
bool decimalOverflows(std::string_view number)
{
    size_t i = 0;
    int64_t power = 0; // power of ten of the first non-zero digit, before the exponent
    bool found = false;
    size_t integerDigits = 0;
    while (i < number.size() && isDigit(number[i])) ++integerDigits, ++i;
    for (size_t k = 0; k < integerDigits; ++k) {
        if (number[k] != '0') {
            power = int64_t(integerDigits - k - 1);
            found = true;
            break;
        }
    }
    if (i < number.size() && number[i] == '.') {
        ++i;
        for (int64_t j = 1; i < number.size() && isDigit(number[i]); ++i, ++j) {
            if (!found && number[i] != '0') {
                power = -j;
                found = true;
            }
        }
    }
    if (!found) return false;
    int64_t exponent = 0;
    if (i < number.size() && (number[i] == 'e' || number[i] == 'E')) {
        ++i;
        bool negative = false;
        if (i < number.size() && (number[i] == '+' || number[i] == '-')) negative = number[i++] == '-';
        for (; i < number.size() && isDigit(number[i]); ++i)
            exponent = std::min<int64_t>(exponent * 10 + (number[i] - '0'), 1'000'000'000);
        if (negative) exponent = -exponent;
    }
    return power + exponent > 0;
}

// Numbers as documents write them ("%.2f": up to fifteen digits, at most two after the point,
// nothing that could continue the number behind them) are read without the general conversion:
// the digits as one integer divided by 1, 10 or 100. Both are exact in a double and the division
// is correctly rounded, so the result is the double nearest the decimal, as from_chars gives it.
// Answers false for anything else, which then takes the general way.
bool parseShortDecimal(std::string_view text, double& value)
{
    constexpr size_t MaxDigits = 15; // below 2^53
    constexpr double Divisors[] = {1.0, 10.0, 100.0};
    size_t i = 0;
    uint64_t digits = 0;
    while (i < text.size() && isDigit(text[i])) digits = digits * 10 + uint64_t(text[i++] - '0');
    size_t integerDigits = i;
    if (integerDigits == 0) return false;
    size_t fractionDigits = 0;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && isDigit(text[i]) && fractionDigits < 3) {
            digits = digits * 10 + uint64_t(text[i++] - '0');
            ++fractionDigits;
        }
    }
    if (fractionDigits > 2 || integerDigits + fractionDigits > MaxDigits) return false;
    if (i < text.size() && (isDigit(text[i]) || text[i] == '.' || text[i] == 'e' || text[i] == 'E')) return false;
    value = double(digits) / Divisors[fractionDigits];
    return true;
}

} // namespace

std::string formatInteger(int64_t value)
{
    char buffer[24];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string formatFixed(double value, int decimals)
{
    decimals = std::clamp(decimals, 0, 30);
    if (!std::isfinite(value)) value = 0;
    char buffer[400]; // the largest double has 309 integer digits
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    return std::string(buffer, result.ptr);
}

int64_t parseInteger(std::string_view text, int64_t fallback)
{
    bool negative = skipSpaceAndSign(text);
    if (text.empty() || !isDigit(text.front())) return fallback;
    uint64_t magnitude = 0;
    auto result = std::from_chars(text.data(), text.data() + text.size(), magnitude);
    constexpr uint64_t maxPositive = uint64_t(std::numeric_limits<int64_t>::max());
    if (result.ec == std::errc::result_out_of_range || magnitude > maxPositive + (negative ? 1 : 0)) {
        return negative ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
    }
    if (negative) return magnitude == maxPositive + 1 ? std::numeric_limits<int64_t>::min() : -int64_t(magnitude);
    return int64_t(magnitude);
}

double parseDouble(std::string_view text, double fallback)
{
    bool negative = skipSpaceAndSign(text);
    bool startsNumber = !text.empty() && (isDigit(text[0]) || (text[0] == '.' && text.size() > 1 && isDigit(text[1])));
    if (!startsNumber) return fallback;
    double value = 0;
    if (parseShortDecimal(text, value)) return negative ? -value : value;
    auto result = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        std::string_view number(text.data(), size_t(result.ptr - text.data()));
        value = decimalOverflows(number) ? std::numeric_limits<double>::max() : 0.0;
    } else if (result.ec != std::errc()) {
        return fallback;
    }
    return negative ? -value : value;
}

bool parseIntegerStrict(std::string_view text, int64_t& value)
{
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || !std::all_of(text.begin(), text.end(), isDigit)) return false;
    uint64_t magnitude = 0;
    auto result = std::from_chars(text.data(), text.data() + text.size(), magnitude);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return false;
    constexpr uint64_t maxPositive = uint64_t(std::numeric_limits<int64_t>::max());
    if (magnitude > maxPositive + (negative ? 1 : 0)) return false;
    if (negative) value = magnitude == maxPositive + 1 ? std::numeric_limits<int64_t>::min() : -int64_t(magnitude);
    else value = int64_t(magnitude);
    return true;
}
