#include "preferences/PointString.h"

#include <charconv>
#include <cmath>

namespace {

std::string number(double value)
{
    char buffer[32];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return error == std::errc() ? std::string(buffer, end) : std::string("0");
}

void skipSpaces(std::string_view& text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
}

std::optional<double> readNumber(std::string_view& text)
{
    skipSpaces(text);
    // from_chars takes no leading '+', which a hand-edited file may hold.
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || !std::isfinite(value)) return std::nullopt;
    text.remove_prefix(static_cast<size_t>(end - text.data()));
    skipSpaces(text);
    return value;
}

bool take(std::string_view& text, char expected)
{
    skipSpaces(text);
    if (text.empty() || text.front() != expected) return false;
    text.remove_prefix(1);
    return true;
}

} // namespace

std::string stringFromPoint(Point point)
{
    return "{" + number(point.x) + ", " + number(point.y) + "}";
}

std::optional<Point> pointFromString(std::string_view text)
{
    if (!take(text, '{')) return std::nullopt;
    std::optional<double> x = readNumber(text);
    if (!x || !take(text, ',')) return std::nullopt;
    std::optional<double> y = readNumber(text);
    if (!y || !take(text, '}')) return std::nullopt;
    skipSpaces(text);
    if (!text.empty()) return std::nullopt;
    return Point{*x, *y};
}
