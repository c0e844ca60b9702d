#include "render/PaperSizes.h"

#include <gtest/gtest.h>

namespace {

struct Expected {
    int64_t format;
    const char* name;
    double width;
    double height;
};

// Millimetres x 72 / 25.4 (inches x 72), each side rounded up: 210 mm is 595.28 points.
const Expected Formats[] = {
    {0, "A1", 1684, 2384},      {1, "A2", 1191, 1684},        {2, "A3", 842, 1191},      {3, "A4", 596, 842},
    {4, "A5", 420, 596},        {5, "B4", 709, 1001},         {6, "B5", 499, 709},       {7, "US Letter", 612, 792},
    {8, "US Legal", 612, 1008}, {9, "US Tabloid", 792, 1224}, {10, "JIS-B4", 729, 1032}, {11, "JIS-B5", 516, 729},
};

} // namespace

TEST(PaperSizes, EveryFormatInPoints)
{
    for (const Expected& e : Formats) {
        EXPECT_EQ(Size({e.width, e.height}), PaperSizeForFormat(e.format)) << e.name;
        EXPECT_EQ(e.name, PaperFormatName(e.format));
    }
    // The formats after A1: the lists offer indices 0 to the count inclusive.
    EXPECT_EQ(11, PaperFormatCount());
    EXPECT_EQ("JIS-B5", PaperFormatName(PaperFormatCount()));
}

TEST(PaperSizes, UnknownIndexesMeanA1)
{
    for (int64_t format : {int64_t(-1), int64_t(12), int64_t(100), INT64_MIN, INT64_MAX}) {
        EXPECT_EQ(Size({1684, 2384}), PaperSizeForFormat(format)) << format;
        EXPECT_EQ("A1", PaperFormatName(format)) << format;
    }
}

TEST(PrintMatrix, ChoosesTheOrientationThatNeedsFewerSheets)
{
    struct Case {
        Size map;
        int64_t columns, rows;
        bool portrait;
    };
    const Case cases[] = {
        {{1000, 800}, 2, 1, true},                      // portrait 2 x 1 beats landscape 2 x 2
        {{100, 50}, 1, 1, false},                       // one sheet either way: the wide map goes landscape
        {{596, 1684}, 1, 2, true},                      // exactly one page wide: one column, not two
        {{1e300, 1e300}, 1000000000, 1000000000, true}, // no overflow
    };
    for (const Case& c : cases) {
        const PrintMatrix matrix = PrintUtils::calcPrintMatrix(c.map, PaperSizeForFormat(3), 1);
        EXPECT_EQ(matrix.columns(), c.columns) << c.map.width;
        EXPECT_EQ(matrix.rows(), c.rows) << c.map.width;
        EXPECT_EQ(matrix.isPortrait(), c.portrait) << c.map.width;
    }
    PrintMatrix matrix;
    matrix.setColumns(0);
    matrix.setRows(3);
    EXPECT_EQ(matrix.columns(), 1);
    EXPECT_EQ(matrix.pages(), 3);
}
