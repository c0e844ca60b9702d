#include "formats/ExportFormats.h"

#include <gtest/gtest.h>

namespace {

TEST(ExportFormatTable, ExtensionsByCode)
{
    const char* expected[] = {"twkx", "pdf", "png", "tiff", "eps", "html", "txt", "opml", "mm"};
    for (int32_t code = 0; code < 9; ++code) {
        EXPECT_EQ(ExportFormatExtension(code), expected[code]) << code;
        EXPECT_EQ(ExportFormatFromExtension(expected[code]), code) << code;
    }
    for (int32_t code : {9, -1, 1000}) EXPECT_EQ(ExportFormatExtension(code), "") << code;
    EXPECT_EQ(ExportFormatFromExtension("TwKx"), 0);
    for (const char* unknown : {"", ".pdf", "tif", "htm"}) EXPECT_FALSE(ExportFormatFromExtension(unknown)) << unknown;
}

TEST(ImportFormatTable, ImportCodesByExtension)
{
    EXPECT_EQ(ImportFormatFromExtension("mm"), 5);
    EXPECT_EQ(ImportFormatFromExtension("opml"), 4);
    EXPECT_EQ(ImportFormatFromExtension("PDF"), 7);
    EXPECT_EQ(ImportFormatFromExtension("Txt"), 6);
    EXPECT_EQ(ImportFormatFromExtension("html"), 0);
    EXPECT_EQ(ImportFormatFromExtension(""), 0);
    EXPECT_EQ(ImportFormatPdfBookmarks, 7);
}

TEST(ExportFormatSets, BitPerCodeAndCodesOutsideTheSetChangeNothing)
{
    const ExportFormatSet set = AddExportFormatToSet(AddExportFormatToSet(0, 1), 8);
    EXPECT_EQ(set, (1u << 1) | (1u << 8));
    EXPECT_TRUE(IsExportFormatInSet(set, 8));
    EXPECT_FALSE(IsExportFormatInSet(set, 0));
    for (int32_t code : {-1, 32, 1000}) {
        EXPECT_EQ(AddExportFormatToSet(5, code), 5u) << code;
        EXPECT_FALSE(IsExportFormatInSet(0xFFFFFFFFu, code)) << code;
    }
}

TEST(ExportFormatKinds, BitmapsArePngAndTiffAndSelectionsPdfThroughPlainText)
{
    for (int32_t code = -1; code < 10; ++code) {
        EXPECT_EQ(IsBitmapExportFormat(code), code == 2 || code == 3) << code;
        EXPECT_EQ(ExportFormatSupportsSelection(code), code >= 1 && code <= 6) << code;
    }
}

TEST(ExportImageMargin, GrowsByThirtyPointsOnEverySide)
{
    EXPECT_EQ(ExportImageMarginRect(Rect{0, 0, 100, 50}), (Rect{-30, -30, 160, 110}));
    EXPECT_EQ(ExportImageMarginRect(Rect{10.5, -20, 0, 0}), (Rect{-19.5, -50, 60, 60}));
}

} // namespace
