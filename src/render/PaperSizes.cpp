#include "render/PaperSizes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace {

constexpr double PointsPerInch = 72.0;
constexpr double PrintMargin = 18.0;
constexpr double MinimumPrintSide = 0.01;
constexpr double MaximumSheetsPerSide = 1.0e9;
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
    return static_cast<int64_t>(Formats.size()) - 1;
}

Rect PrintRectWithMargin(const Rect& rect)
{
    return insetRect(rect, -PrintMargin, -PrintMargin);
}

bool PrintSizeTooSmall(double width, double height)
{
    // Written so that a NaN side counts as too small as well.
    return !(width >= MinimumPrintSide) || !(height >= MinimumPrintSide);
}

void PrintMatrix::assign(const PrintMatrix* other)
{
    if (!other) return;
    _columns = other->_columns;
    _rows = other->_rows;
    _pages = other->_pages;
    _isPortrait = other->_isPortrait;
}

void PrintMatrix::validate()
{
    _columns = std::max<int64_t>(_columns, 1);
    _rows = std::max<int64_t>(_rows, 1);
    updatePages();
}

void PrintMatrix::setColumns(int64_t columns)
{
    _columns = std::max<int64_t>(columns, 1);
    updatePages();
}

void PrintMatrix::setRows(int64_t rows)
{
    _rows = std::max<int64_t>(rows, 1);
    updatePages();
}

void PrintMatrix::updatePages()
{
    // Saturates: a hostile size must not wrap into a small or negative page count.
    if (_columns > std::numeric_limits<int64_t>::max() / _rows) _pages = std::numeric_limits<int64_t>::max();
    else _pages = _columns * _rows;
}

namespace {

// Sheets needed along one side: whole sheets, plus one for any rest.
int64_t sheetsAlong(double length, double sheet)
{
    if (!(sheet > 0) || !(length > 0)) return 1;
    const double whole = std::floor(length / sheet);
    // Far beyond any printer; keeps the conversion defined.
    if (!(whole < MaximumSheetsPerSide)) return static_cast<int64_t>(MaximumSheetsPerSide);
    int64_t count = std::max<int64_t>(static_cast<int64_t>(whole), 1);
    if (length - static_cast<double>(count) * sheet > 0) ++count;
    return count;
}

} // namespace

PrintMatrix PrintUtils::doCalcMatrix(Size mapSize, Size pageSize, double tileScale)
{
    const Size scaled{mapSize.width * tileScale, mapSize.height * tileScale};
    PrintMatrix matrix(scaled);
    matrix.setColumns(sheetsAlong(scaled.width, pageSize.width));
    matrix.setRows(sheetsAlong(scaled.height, pageSize.height));
    matrix.setIsPortrait(pageSize.height >= pageSize.width);
    return matrix;
}

PrintMatrix PrintUtils::calcPrintMatrix(Size mapSize, Size pageSize, double tileScale)
{
    PrintMatrix asGiven = doCalcMatrix(mapSize, pageSize, tileScale);
    PrintMatrix turned = doCalcMatrix(mapSize, Size{pageSize.height, pageSize.width}, tileScale);
    if (asGiven.pages() != turned.pages()) return asGiven.pages() < turned.pages() ? asGiven : turned;
    return asGiven.isPortrait() == (mapSize.height >= mapSize.width) ? asGiven : turned;
}
