#pragma once

#include "platform/Geometry.h"

#include <cstdint>
#include <string>

// Paper formats by index, as the print options and the outline PDF carry them: 1 A2, 2 A3, 3 A4,
// 4 A5, 5 B4, 6 B5, 7 US Letter, 8 US Legal, 9 US Tabloid, 10 JIS-B4, 11 JIS-B5; every other
// index (0 included) is A1.

// Points per map unit of PDF, EPS and printed output.
inline constexpr double PrintOutputScale = 0.5399999999999999;
// The margin printed sheets keep on every side: 20 mm in points.
inline constexpr double PrintSheetMargin = 56.69291338582678;

// The portrait size in points, each side rounded up to the next whole point.
Size PaperSizeForFormat(int64_t format);

std::string PaperFormatName(int64_t format);

// The number of formats after A1: the format lists offer indices 0 to PaperFormatCount()
// inclusive.
int64_t PaperFormatCount();

// The printed map area around a visual area: the rectangle grown by 18 points on every side.
Rect PrintRectWithMargin(const Rect& rect);

// Either side below 0.01: nothing worth printing (an empty selection).
bool PrintSizeTooSmall(double width, double height);

// A map laid out over columns x rows sheets of one orientation. Columns and rows set through the
// setters are at least 1, and pages is always columns x rows.
class PrintMatrix {
public:
    // One page, portrait.
    PrintMatrix() = default;
    // One page, portrait when the size is at least as high as wide.
    explicit PrintMatrix(Size size) : _isPortrait(size.height >= size.width) {}
    static PrintMatrix printMatrix() { return PrintMatrix(); }

    void assign(const PrintMatrix* other);
    // Raises columns and rows below 1 to 1 and recomputes the pages.
    void validate();

    int64_t columns() const { return _columns; }
    void setColumns(int64_t columns);
    int64_t rows() const { return _rows; }
    void setRows(int64_t rows);
    int64_t pages() const { return _pages; }
    bool isPortrait() const { return _isPortrait; }
    void setIsPortrait(bool portrait) { _isPortrait = portrait; }

private:
    void updatePages();

    int64_t _columns = 1;
    int64_t _rows = 1;
    int64_t _pages = 1;
    bool _isPortrait = true;
};

class PrintUtils {
public:
    PrintUtils() = delete;

    // The matrix to print a map of that size with: on the portrait page as given or on its
    // landscape turn, whichever needs fewer sheets; with as many, the one whose orientation
    // matches the map's.
    static PrintMatrix calcPrintMatrix(Size mapSize, Size pageSize, double tileScale);
    // The matrix for one page size, in the orientation that size has.
    static PrintMatrix doCalcMatrix(Size mapSize, Size pageSize, double tileScale);
};
