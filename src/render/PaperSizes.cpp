#include "render/PaperSizes.h"

#include <array>
#include <cmath>

namespace {

constexpr double PointsPerInch = 72.0;
constexpr double MillimetresPerInch = 25.4;

struct PaperFormat {
    const char* name;
    double width;  // points
    double height; // points
};

constexpr double mm(double millimetres)
{
    return millimetres * PointsPerInch / MillimetresPerInch;
}

constexpr double inches(double value)
{
    return value * PointsPerInch;
}

constexpr std::array<PaperFormat, 12> Formats = {{
    {"A1", mm(594), mm(841)},
    {"A2", mm(420), mm(594)},
    {"A3", mm(297), mm(420)},
    {"A4", mm(210), mm(297)},
    {"A5", mm(148), mm(210)},
    {"B4", mm(250), mm(353)},
    {"B5", mm(176), mm(250)},
    {"US Letter", inches(8.5), inches(11)},
    {"US Legal", inches(8.5), inches(14)},
    {"US Tabloid", inches(11), inches(17)},
    {"JIS-B4", mm(257), mm(364)},
    {"JIS-B5", mm(182), mm(257)},
}};

const PaperFormat& formatAt(int64_t format)
{
    if (format < 1 || format >= static_cast<int64_t>(Formats.size())) return Formats[0];
    return Formats[static_cast<size_t>(format)];
}

} // namespace

Size PaperSizeForFormat(int64_t format)
{
    const PaperFormat& f = formatAt(format);
    return {std::ceil(f.width), std::ceil(f.height)};
}

std::string PaperFormatName(int64_t format)
{
    return formatAt(format).name;
}

int64_t PaperFormatCount()
{
    return static_cast<int64_t>(Formats.size());
}
