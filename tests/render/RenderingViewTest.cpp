#include "ExportReadBack.h"
#include "MindMaps/DiagramLink.h"
#include "MindMaps/MMColorScheme.h"
#include "MindMaps/MindMapFormats.h"
#include "MindMaps/MindMapTestSupport.h"
#include "MindMaps/StyleSheet.h"
#include "render/MindMapRenderingView.h"
#include "render/RenderInstallation.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

using namespace maptest;

namespace {

const ReadBackPixel Background{20, 40, 60, 255};

class RenderingViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        map.newMindMap("Exported", false, std::nullopt);
        auto scheme = std::make_shared<MMColorScheme>("test", "test");
        scheme->setBackgroundColor(Color::rgb255(20, 40, 60));
        map.styleSheet()->setColorScheme(scheme);
    }

    MindMap map;
};

} // namespace

TEST(RenderingViewGeometry, PageAndPixelSizes)
{
    const Rect page = MindMapRenderingView::originalPageForVisualArea(Rect(30, 30, 940, 440));
    EXPECT_NEAR(540, page.width(), 0.01);
    EXPECT_NEAR(270, page.height(), 0.01);
    EXPECT_LT(page.width(), 540.0);
    EXPECT_NEAR(32.4, MindMapRenderingView::originalPageForVisualArea(Rect()).width(), 1e-9);

    struct Case {
        Size area;
        double scale;
        int64_t width, height; // 0: refused with the code
        int64_t code;
    };
    const Case cases[] = {
        {{1000, 500}, 2, 2000, 1000, 0},
        {{50000, 30000}, 1, 0, 0, 3},
        {{50000, 30000}, 0.5, 25000, 15000, 0},
        {{60, 60}, 0, 0, 0, 4},
        {{60, 60}, -1, 0, 0, 4},
        {{60, 60}, NAN, 0, 0, 4},
        {{60, 60}, INFINITY, 0, 0, 4},
        {{60, 60}, 0.008, 0, 0, 4}, // rounds to no pixel
        {{60, 60}, 0.009, 1, 1, 0},
        {{1e300, 1e300}, 1e10, 0, 0, 3},
        {{2'000'000, 1}, 1, 0, 0, 3}, // no reader takes a side that long
        {{40000, 20000}, 1, 40000, 20000, 0},
    };
    for (const Case& c : cases) {
        Error error;
        const auto size = MindMapRenderingView::imagePixelSize(Rect(Point(), c.area), c.scale, &error);
        if (c.width) {
            ASSERT_TRUE(size) << c.area.width << " at " << c.scale;
            EXPECT_EQ(std::pair(c.width, c.height), *size);
        } else {
            EXPECT_FALSE(size) << c.area.width << " at " << c.scale;
            EXPECT_EQ(c.code, error.code) << c.area.width << " at " << c.scale;
        }
    }
}

TEST_F(RenderingViewTest, EmptyMapIsTheMarginAreaInEveryFormat)
{
    const auto pdf = readPdf(MindMapRenderingView::pdfDataWithMindMap(map, false));
    ASSERT_TRUE(pdf);
    ASSERT_EQ(1u, pdf->size());
    EXPECT_NEAR(32.4, (*pdf)[0].width, 0.01);
    EXPECT_NEAR(32.4, (*pdf)[0].height, 0.01);
    const auto rendered = renderPdfPage(MindMapRenderingView::pdfDataWithMindMap(map, false), 0);
    ASSERT_TRUE(rendered);
    EXPECT_EQ(Background, rendered->at(16, 16));

    bool associated = false;
    const auto tiff = readTiff(MindMapRenderingView::tiffDataWithMindMap(map, 2, false), &associated);
    ASSERT_TRUE(tiff);
    EXPECT_EQ(120, tiff->width);
    EXPECT_EQ(120, tiff->height);
    EXPECT_TRUE(associated);
    EXPECT_EQ(Background, tiff->at(119, 119));
    const auto png = readPng(MindMapRenderingView::bitmapDataWithMindMap(map, BitmapFileTypePNG, 1, false));
    ASSERT_TRUE(png);
    EXPECT_EQ(60, png->width);
    EXPECT_EQ(Background, png->at(0, 59));
    const Image image = MindMapRenderingView::createImageWithMindMap(map, 0.5, false);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(30, image.pixelWidth());
}

// PNG holds straight colour, TIFF the premultiplied values marked as associated alpha: a
// translucent background reads back as the same colour from both.
TEST_F(RenderingViewTest, TranslucentPixelsReadBackAsTheirColour)
{
    auto scheme = std::make_shared<MMColorScheme>("test", "test");
    scheme->setBackgroundColor(Color(20 / 255.0, 40 / 255.0, 60 / 255.0, 0.5));
    map.styleSheet()->setColorScheme(scheme);
    const auto png = readPng(MindMapRenderingView::bitmapDataWithMindMap(map, BitmapFileTypePNG, 1, false));
    ASSERT_TRUE(png);
    const ReadBackPixel straight = png->at(30, 30);
    EXPECT_NEAR(128, straight.a, 1);
    EXPECT_NEAR(20, straight.r, 1);
    EXPECT_NEAR(60, straight.b, 1);
    bool associated = false;
    const auto tiff = readTiff(MindMapRenderingView::tiffDataWithMindMap(map, 1, false), &associated);
    ASSERT_TRUE(tiff);
    EXPECT_TRUE(associated);
    const ReadBackPixel premultiplied = tiff->at(30, 30);
    EXPECT_EQ(straight.a, premultiplied.a);
    EXPECT_NEAR(straight.r, premultiplied.r * 255.0 / premultiplied.a, 1);
    EXPECT_NEAR(straight.b, premultiplied.b * 255.0 / premultiplied.a, 1);
}

TEST_F(RenderingViewTest, RefusedPicturesAreErrorsNotEmptySuccess)
{
    installRendering();
    for (double scale : {0.0, -2.0, double(NAN), 1e7}) {
        Error error;
        EXPECT_TRUE(MindMapRenderingView::tiffDataWithMindMap(map, scale, false, &error).empty());
        EXPECT_FALSE(error.isEmpty()) << scale;
        Error pngError;
        EXPECT_TRUE(
            MindMapRenderingView::bitmapDataWithMindMap(map, BitmapFileTypePNG, scale, false, &pngError).empty());
        EXPECT_EQ(error.code, pngError.code) << scale;
        EXPECT_TRUE(MindMapRenderingView::createImageWithMindMap(map, scale, false).isNull());
    }
    Error error;
    EXPECT_TRUE(MindMapRenderingView::bitmapDataWithMindMap(map, 99, 1, false, &error).empty());
    EXPECT_FALSE(error.isEmpty());
    // The map's export command hands the pictures on.
    EXPECT_TRUE(readPng(map.exportDataOfFormat(int32_t(MindMapExportFormat::Png), 2, false)));
    EXPECT_TRUE(readTiff(map.exportDataOfFormat(int32_t(MindMapExportFormat::Tiff), 1, false)));
    EXPECT_TRUE(readPdf(map.exportDataOfFormat(int32_t(MindMapExportFormat::Pdf), 1, false)));
}

// Pictures wider or higher than one image surface are painted in parts and bands and streamed.
TEST_F(RenderingViewTest, PicturesBeyondOneSurfaceAreStreamedWhole)
{
    struct Case {
        Point far;
        double scale;
        int32_t type;
    };
    for (const Case& c : {Case{{17000, 0}, 2.0, BitmapFileTypePNG}, Case{{0, 17000}, 2.0, BitmapFileTypeTIFF}}) {
        MindMap wide;
        wide.newMindMap("", false, std::nullopt);
        wide.styleSheet()->setColorScheme(map.styleSheet()->colorScheme());
        addTopic(wide, nullptr, Point(0, 0), "near");
        MindMapNode* far = addTopic(wide, nullptr, c.far, "far");
        far->setCustomFillColor(Color::rgb255(200, 30, 30), std::nullopt, std::nullopt);
        wide.validateElementStates();
        const Rect area = insetRect(wide.getVisualArea(false), -30, -30);
        const int64_t width = std::llround(area.width() * c.scale), height = std::llround(area.height() * c.scale);
        ASSERT_GT(std::max(width, height), Image::MaxSide);
        EXPECT_TRUE(MindMapRenderingView::createImageWithMindMap(wide, c.scale, false).isNull());
        const std::vector<uint8_t> data = MindMapRenderingView::bitmapDataWithMindMap(wide, c.type, c.scale, false);
        const auto picture = c.type == BitmapFileTypePNG ? readPng(data) : readTiff(data);
        ASSERT_TRUE(picture);
        EXPECT_EQ(width, picture->width);
        EXPECT_EQ(height, picture->height);
        EXPECT_EQ(Background, picture->at(picture->width - 1, picture->height - 1));
        // The far topic lies in the last part or band: its fill beside its text.
        const Rect text = far->textBounds();
        const ReadBackPixel fill{200, 30, 30, 255};
        EXPECT_EQ(fill,
                  picture->at(std::llround((text.minX() - 2 - area.minX()) * c.scale),
                              std::llround((text.midY() - area.minY()) * c.scale)));
        EXPECT_EQ(
            Background,
            picture->at(std::min<int64_t>(Image::MaxSide, width - 1), std::min<int64_t>(Image::MaxSide, height - 1)));
    }
}

TEST_F(RenderingViewTest, PdfKeepsTopicWebLinks)
{
    addTopic(map, nullptr, Point(0, 0), "Linked")->linkToURL("https://example.org/a?q=1&r=2");
    // A quote or backslash must not leave the PDF unreadable, linked or not.
    addTopic(map, nullptr, Point(0, 200), "Odd")->linkToURL("https://example.org/\"x\"\\y");
    map.validateElementStates();
    const auto pdf = readPdf(MindMapRenderingView::pdfDataWithMindMap(map, false));
    ASSERT_TRUE(pdf);
    ASSERT_EQ(1u, pdf->size());
    const Rect page = MindMapRenderingView::originalPageForVisualArea(map.getVisualArea(false));
    EXPECT_NEAR(page.width(), (*pdf)[0].width, 0.01);
    EXPECT_NEAR(page.height(), (*pdf)[0].height, 0.01);
    ASSERT_FALSE((*pdf)[0].uris.empty());
    EXPECT_EQ("https://example.org/a?q=1&r=2", (*pdf)[0].uris.back());
}

TEST_F(RenderingViewTest, GhostscriptRendersTheEpsToItsBoundingBox)
{
    if (std::system("gs --version > /dev/null 2>&1") != 0) GTEST_SKIP() << "ghostscript is not installed";
    addTopic(map, nullptr, Point(0, 0), "Printed");
    map.validateElementStates();
    const std::vector<uint8_t> eps = MindMapRenderingView::epsDataWithMindMap(map, false);
    const std::string text(eps.begin(), eps.end());
    ASSERT_EQ(0u, text.rfind("%!PS-Adobe-3.0 EPSF-3.0", 0));
    const size_t box = text.find("%%BoundingBox:");
    ASSERT_NE(std::string::npos, box);
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    ASSERT_EQ(4, std::sscanf(text.c_str() + box, "%%%%BoundingBox: %d %d %d %d", &x0, &y0, &x1, &y1));
    const Rect page = MindMapRenderingView::originalPageForVisualArea(map.getVisualArea(false));
    EXPECT_EQ(int(std::ceil(page.width())), x1 - x0);
    EXPECT_EQ(int(std::ceil(page.height())), y1 - y0);

    TempDir dir;
    std::ofstream(dir.file("map.eps"), std::ios::binary).write(text.data(), std::streamsize(text.size()));
    const std::string command =
        "gs -q -dSAFER -dBATCH -dNOPAUSE -dEPSCrop -r72 -sDEVICE=png16m -sOutputFile=" + dir.file("map.png") + " " +
        dir.file("map.eps") + " > /dev/null 2>&1";
    ASSERT_EQ(0, std::system(command.c_str()));
    const std::string png = readTestFile(dir.file("map.png"));
    const auto picture = readPng(std::vector<uint8_t>(png.begin(), png.end()));
    ASSERT_TRUE(picture);
    EXPECT_EQ(x1 - x0, picture->width);
    EXPECT_EQ(y1 - y0, picture->height);
    EXPECT_EQ(Background, picture->at(1, 1));
}
