#include "render/CloudShape.h"

#include "platform/Error.h"
#include "platform/FileUtils.h"
#include "platform/Folders.h"
#include "platform/Utf8.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <climits>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

// The drawing the raw coordinates come from.
constexpr double RawWidth = 366;
constexpr double RawHeight = 208;
constexpr double RawCenterX = 222;
constexpr double RawCenterY = 163;

// The raw point every entry that the resource does not fill takes.
constexpr double DefaultRawX = 79;
constexpr double DefaultRawY = 224;

// The shipped outline is a few hundred bytes; anything near this size is not an outline.
constexpr size_t MaxResourceSize = 64 * 1024;

struct RawPoint {
    int x;
    int y;
};

// The outline that ships as the resource, used when the resource cannot be read.
constexpr std::array<RawPoint, CloudShapePointCount> BuiltInOutline = {{
    {176, 83},  {159, 46},  {321, 55},  {291, 90},  {324, 59},  {410, 111}, {353, 128},
    {415, 113}, {426, 197}, {361, 188}, {422, 200}, {344, 261}, {305, 232}, {342, 265},
    {175, 284}, {187, 245}, {170, 280}, {67, 246},  {112, 221}, {60, 246},  {4, 164},
    {72, 162},  {8, 160},   {48, 93},   {101, 113}, {52, 90},   {154, 49},  {176, 83},
}};

using PointTable = std::array<Point, CloudShapePointCount>;

PointTable cloudPoints;
bool cloudPointsLoaded = false;

Point normalized(double x, double y)
{
    return Point{(x - RawCenterX) / RawWidth, (RawCenterY - y) / RawHeight};
}

void fillBuiltIn(PointTable& table)
{
    for (size_t i = 0; i < CloudShapePointCount; ++i) table[i] = normalized(BuiltInOutline[i].x, BuiltInOutline[i].y);
}

bool isLineBreak(char32_t c)
{
    return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

// The lines of the text, empty ones left out; "\r\n" ends one line, as does every other
// line-break character.
std::vector<std::string_view> nonEmptyLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    size_t start = 0;
    for (size_t pos = 0; pos < text.size();) {
        size_t at = pos;
        if (isLineBreak(Utf8::decodeNext(text, pos))) {
            if (at > start) lines.push_back(text.substr(start, at - start));
            start = pos;
        }
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

// The whole number at the start of the text after leading white space, with an optional sign;
// reading stops at the first character that is not part of it, so a fraction is cut off and a part
// without any digit reads as 0. Values beyond the 32-bit range stay at its ends.
int leadingInteger(std::string_view text)
{
    size_t pos = 0;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
    long long value = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        value = std::min<long long>(value * 10 + (text[pos] - '0'), static_cast<long long>(INT_MAX) + 1);
    }
    if (negative) value = -value;
    return int(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

// A line holds a point when it has exactly two parts separated by a comma.
std::optional<RawPoint> parseLine(std::string_view line)
{
    const size_t comma = line.find(',');
    if (comma == std::string_view::npos || line.find(',', comma + 1) != std::string_view::npos) return std::nullopt;
    return RawPoint{leadingInteger(line.substr(0, comma)), leadingInteger(line.substr(comma + 1))};
}

std::optional<std::string> readResource(std::string* reason)
{
    const std::string path = Folders::resourcePath(CloudShapeResource);
    Error error;
    std::optional<std::vector<uint8_t>> data = readFileData(path, MaxResourceSize, &error);
    if (!data) {
        *reason = error.failureReason.empty() ? path : error.failureReason;
        return std::nullopt;
    }
    std::string text(data->begin(), data->end());
    if (!Utf8::isValid(text)) {
        *reason = path + " is not UTF-8 text";
        return std::nullopt;
    }
    if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
    return text;
}

// A line as it can go to the log: at most 200 bytes, never cut inside a character, with control
// characters shown as "?" so that a damaged file cannot send escape sequences to a terminal.
std::string loggable(std::string_view line)
{
    constexpr size_t MaxBytes = 200;
    std::string shown;
    for (size_t pos = 0; pos < line.size();) {
        const size_t start = pos;
        const char32_t c = Utf8::decodeNext(line, pos);
        if (pos > MaxBytes) break;
        if (c < 0x20 || c == 0x7F) {
            shown += '?';
        } else {
            shown.append(line, start, pos - start);
        }
    }
    return shown;
}

void ensureLoaded()
{
    if (!cloudPointsLoaded) LoadCloudShapePoints();
}

} // namespace

void LoadCloudShapePoints()
{
    cloudPointsLoaded = true;
    std::string reason;
    std::optional<std::string> text = readResource(&reason);
    if (!text) {
        std::fprintf(stderr, "Tarnwick: cannot read the cloud shape (%s); the built-in outline is used\n",
                     reason.c_str());
        fillBuiltIn(cloudPoints);
        return;
    }

    size_t count = 0;
    for (std::string_view line : nonEmptyLines(*text)) {
        if (count == CloudShapePointCount) break;
        std::optional<RawPoint> raw = parseLine(line);
        if (!raw) {
            std::fprintf(stderr, "Tarnwick: Invalid line: %s\n", loggable(line).c_str());
            continue;
        }
        cloudPoints[count++] = normalized(raw->x, raw->y);
    }
    if (count == 0) {
        std::fprintf(stderr, "Tarnwick: the cloud shape holds no point; the built-in outline is used\n");
        fillBuiltIn(cloudPoints);
        return;
    }
    std::fill(cloudPoints.begin() + count, cloudPoints.end(), normalized(DefaultRawX, DefaultRawY));
}

void AppendCloudShape(BezierPath& path, const Rect& rect)
{
    ensureLoaded();
    const double centerX = rect.origin.x + rect.size.width * 0.5;
    const double centerY = rect.origin.y + rect.size.height * 0.5;
    const auto place = [&](size_t i) {
        return Point{centerX + cloudPoints[i].x * rect.size.width, centerY + cloudPoints[i].y * rect.size.height};
    };
    path.moveTo(place(0));
    for (size_t j = 0; j < CloudShapeSegmentCount; ++j) {
        path.curveTo(place(3 * j + 3), place(3 * j + 1), place(3 * j + 2));
    }
    path.closePath();
    path.setLineJoinStyle(LineJoinStyle::Round);
}

double CloudTextInsetX(const Rect& rect)
{
    return rect.midX() + rect.size.width * 0.3633879781420765;
}
