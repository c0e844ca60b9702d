#include "ExportReadBack.h"
#include "MindMaps/MMColorScheme.h"
#include "MindMaps/MindMapFormats.h"
#include "MindMaps/MindMapTestSupport.h"
#include "MindMaps/StyleSheet.h"
#include "render/MindMapRenderingView.h"
#include "render/RenderInstallation.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

using namespace maptest;

namespace {

// The straight colour of a pixel of an image, as a PNG stores it.
ReadBackPixel imagePixel(const Image& image, int x, int y)
{
    cairo_surface_t* surface = image.surface();
    cairo_surface_flush(surface);
    const auto* row = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(surface) +
                                                        size_t(y) * cairo_image_surface_get_stride(surface));
    const uint32_t pixel = row[x];
    const int a = int(pixel >> 24);
    if (a == 0) return {};
    const auto channel = [&](int shift) { return (int(pixel >> shift & 0xff) * 255 + a / 2) / a; };
    return {channel(16), channel(8), channel(0), a};
}

const ReadBackPixel Background{20, 40, 60, 255};

class RenderingViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        map.newMindMap("", false, std::nullopt);
        _sharedScheme = map.styleSheet()->colorScheme();
        useBackground(Color::rgb255(20, 40, 60));
    }
    // The map's style sheet is the process-wide default one: its scheme goes back for the next test.
    void TearDown() override { map.styleSheet()->setColorScheme(_sharedScheme); }
    void useBackground(const Color& color, std::optional<Color> shadow = std::nullopt)
    {
        auto scheme = std::make_shared<MMColorScheme>("test", "test");
        scheme->setBackgroundColor(color);
        scheme->setShadowColor(shadow);
        map.styleSheet()->setColorScheme(scheme);
    }
    Rect page() { return MindMapRenderingView::originalPageForVisualArea(map.getVisualArea(false)); }

    MindMap map;

private:
    std::shared_ptr<MMColorScheme> _sharedScheme;
};

} // namespace

TEST(RenderingViewGeometry, PageAndPixelSizes)
{
    const Rect page = MindMapRenderingView::originalPageForVisualArea(Rect(30, 30, 940, 440));
    EXPECT_NEAR(540, page.width(), 0.01);
    EXPECT_NEAR(270, page.height(), 0.01);
    struct Case {
        Size area;
        double scale;
        int64_t width, height, code; // a refused size has no width
    };
    const Case cases[] = {
        {{1000, 500}, 2, 2000, 1000, 0}, {{50000, 30000}, 1, 0, 0, 3}, {{50000, 30000}, 0.5, 25000, 15000, 0},
        {{60, 60}, 0, 0, 0, 4},          {{60, 60}, -1, 0, 0, 4},      {{60, 60}, NAN, 0, 0, 4},
        {{60, 60}, INFINITY, 0, 0, 4},   {{60, 60}, 0.008, 0, 0, 4},   {{60, 60}, 0.009, 1, 1, 0},
        {{1e300, 1e300}, 1e10, 0, 0, 3}, {{2'000'000, 1}, 1, 0, 0, 3}, {{40000, 20000}, 1, 40000, 20000, 0},
    };
    for (const Case& c : cases) {
        Error error;
        const auto size = MindMapRenderingView::imagePixelSize(Rect(Point(), c.area), c.scale, &error);
        EXPECT_EQ(c.width ? std::optional(std::pair(c.width, c.height)) : std::nullopt, size) << c.scale;
        EXPECT_EQ(c.code, error.code) << c.area.width << " at " << c.scale;
    }
}

// The empty map is its margin area. PNG holds straight colour, TIFF the premultiplied values
// marked as associated alpha: a translucent background reads back as one colour from both.
TEST_F(RenderingViewTest, EmptyMapInEveryFormat)
{
    useBackground(Color(20 / 255.0, 40 / 255.0, 60 / 255.0, 0.5));
    const auto pdf = readPdf(MindMapRenderingView::pdfDataWithMindMap(map, false));
    ASSERT_TRUE(pdf && pdf->size() == 1);
    EXPECT_NEAR(32.4, (*pdf)[0].width, 0.01);
    EXPECT_NEAR(32.4, (*pdf)[0].height, 0.01);
    const auto png = readPng(MindMapRenderingView::bitmapDataWithMindMap(map, BitmapFileTypePNG, 1, false));
    const auto tiff = readTiff(MindMapRenderingView::tiffDataWithMindMap(map, 2, false));
    ASSERT_TRUE(png && tiff);
    EXPECT_EQ(std::pair(60L, 60L), std::pair(png->width, png->height));
    EXPECT_EQ(std::pair(120L, 120L), std::pair(tiff->width, tiff->height));
    const ReadBackPixel straight = png->at(59, 0), premultiplied = tiff->at(119, 119);
    EXPECT_NEAR(128, straight.a, 1);
    EXPECT_NEAR(20, straight.r, 1);
    EXPECT_NEAR(60, straight.b, 1);
    EXPECT_TRUE(tiff->associatedAlpha);
    EXPECT_EQ(straight.a, premultiplied.a);
    EXPECT_NEAR(straight.r, premultiplied.r * 255.0 / premultiplied.a, 1);
    EXPECT_NEAR(straight.b, premultiplied.b * 255.0 / premultiplied.a, 1);
    EXPECT_EQ(30, MindMapRenderingView::createImageWithMindMap(map, 0.5, false).pixelWidth());
}

TEST_F(RenderingViewTest, RefusedPicturesAreErrorsNotEmptySuccess)
{
    installRendering();
    for (double scale : {0.0, -2.0, double(NAN), 1e7}) {
        Error tiffError, pngError;
        EXPECT_TRUE(MindMapRenderingView::tiffDataWithMindMap(map, scale, false, &tiffError).empty());
        EXPECT_TRUE(
            MindMapRenderingView::bitmapDataWithMindMap(map, BitmapFileTypePNG, scale, false, &pngError).empty());
        EXPECT_FALSE(tiffError.isEmpty()) << scale;
        EXPECT_EQ(tiffError.code, pngError.code) << scale;
    }
    // The map's export command hands the pictures on.
    EXPECT_TRUE(readPng(map.exportDataOfFormat(int32_t(MindMapExportFormat::Png), 2, false)));
    EXPECT_TRUE(readTiff(map.exportDataOfFormat(int32_t(MindMapExportFormat::Tiff), 1, false)));
}

// A PNG export is the map's picture painted in one image, read back pixel for pixel: three
// channels where the background is opaque, straight colour with alpha where it is not.
TEST_F(RenderingViewTest, PngExportsAreTheirPictureWithAlphaOnlyWhenItShows)
{
    MindMapNode* theme = addTopic(map, nullptr, Point{0, 0}, "Theme");
    for (int i = 0; i < 5; ++i) {
        MindMapNode* topic = addTopic(map, theme, Point{220, i * 45.0 - 90}, "topic " + std::to_string(i));
        if (i % 2) topic->setCustomFillColor(Color::rgb255(200, 30 * i, 30), std::nullopt, std::nullopt);
    }
    const struct {
        Color background;
        bool alpha;
    } cases[] = {{Color::rgb255(20, 40, 60), false}, {Color(0.1, 0.2, 0.3, 0.5), true}};
    for (const auto& c : cases) {
        useBackground(c.background, Color(0, 0, 0, 0.5));
        map.validateElementStates();
        const auto png = readPng(MindMapRenderingView::bitmapDataWithMindMap(map, BitmapFileTypePNG, 1.5, false));
        const Image image = MindMapRenderingView::createImageWithMindMap(map, 1.5, false);
        ASSERT_TRUE(png && !image.isNull());
        EXPECT_EQ(c.alpha, png->storesAlpha);
        ASSERT_EQ(std::pair(int64_t(image.pixelWidth()), int64_t(image.pixelHeight())),
                  std::pair(png->width, png->height));
        int64_t wrong = 0;
        for (int y = 0; y < image.pixelHeight(); ++y)
            for (int x = 0; x < image.pixelWidth(); ++x) wrong += png->at(x, y) != imagePixel(image, x, y);
        EXPECT_EQ(0, wrong) << (c.alpha ? "translucent" : "opaque");
    }
}

// A picture too large to paint in one piece is painted in bands, and comes out as the picture
// painted whole: the shadows of topics lying across the edge between two bands show on both sides
// of it. (At half size a shadow is blurred at full resolution, where a band paints each pixel as
// the whole picture does.)
TEST_F(RenderingViewTest, PicturesPaintedInBandsAreThePicturePaintedWhole)
{
    installRendering();
    useBackground(Color::white(), Color(0, 0, 0, 0.6));
    // A column of topics whose shadows fall across every few rows, and one far to the right.
    for (int i = 0; i < 220; ++i)
        addTopic(map, nullptr, Point{0, i * 60.0}, "same")
            ->setCustomFillColor(Color::rgb255(230, 200, 40), std::nullopt, std::nullopt);
    addTopic(map, nullptr, Point{8000, 0}, "far");
    map.validateElementStates();
    const auto picture = readPng(MindMapRenderingView::bitmapDataWithMindMap(map, BitmapFileTypePNG, 0.5, false));
    const Image image = MindMapRenderingView::createImageWithMindMap(map, 0.5, false);
    ASSERT_TRUE(picture && !image.isNull());
    // Pictures of 64 MB or less are painted whole.
    ASSERT_GT(4 * picture->width * picture->height, 64 << 20);
    std::set<int64_t> rows;
    for (int y = 0; y < image.pixelHeight(); ++y)
        for (int x = 0; x < image.pixelWidth(); ++x)
            if (picture->at(x, y) != imagePixel(image, x, y)) rows.insert(y);
    EXPECT_TRUE(rows.empty()) << rows.size() << " rows differ, the first " << *rows.begin();
}

// Pictures wider or higher than one image surface are painted in parts and bands and streamed.
TEST_F(RenderingViewTest, PicturesBeyondOneSurfaceAreStreamedWhole)
{
    addTopic(map, nullptr, Point{0, 0}, "near");
    MindMapNode* far = addTopic(map, nullptr, Point{0, 0}, "far");
    far->setCustomFillColor(Color::rgb255(200, 30, 30), std::nullopt, std::nullopt);
    for (auto [at, type] : {std::pair{Point{17000, 0}, BitmapFileTypePNG}, {Point{0, 17000}, BitmapFileTypeTIFF}}) {
        far->setLocation(at);
        map.validateElementStates();
        const Rect area = insetRect(map.getVisualArea(false), -30, -30);
        const auto data = MindMapRenderingView::bitmapDataWithMindMap(map, type, 2, false);
        const auto picture = type == BitmapFileTypePNG ? readPng(data) : readTiff(data);
        ASSERT_TRUE(picture);
        EXPECT_EQ(std::llround(area.width() * 2), picture->width);
        EXPECT_EQ(std::llround(area.height() * 2), picture->height);
        ASSERT_GT(std::max(picture->width, picture->height), Image::MaxSide);
        EXPECT_EQ(Background, picture->at(picture->width - 1, picture->height - 1));
        // The far topic lies in the last part or band: its fill beside its text.
        const Rect text = far->textBounds();
        EXPECT_EQ((ReadBackPixel{200, 30, 30, 255}),
                  picture->at(std::llround((text.minX() - 2 - area.minX()) * 2),
                              std::llround((text.midY() - area.minY()) * 2)));
        EXPECT_TRUE(MindMapRenderingView::createImageWithMindMap(map, 2, false).isNull());
    }
}

TEST_F(RenderingViewTest, PdfKeepsTopicWebLinks)
{
    addTopic(map, nullptr, Point{0, 0}, "Linked")->linkToURL("https://example.org/a?q=1&r=2");
    // A quote or backslash must not leave the PDF unreadable, linked or not.
    addTopic(map, nullptr, Point{0, 200}, "Odd")->linkToURL("https://example.org/\"x\"\\y");
    map.validateElementStates();
    const auto pdf = readPdf(MindMapRenderingView::pdfDataWithMindMap(map, false));
    ASSERT_TRUE(pdf && pdf->size() == 1 && !(*pdf)[0].uris.empty());
    EXPECT_NEAR(page().width(), (*pdf)[0].width, 0.01);
    EXPECT_EQ("https://example.org/a?q=1&r=2", (*pdf)[0].uris.back());
}

TEST_F(RenderingViewTest, PdfOfATopicMadeItalicEmbedsASlantedFace)
{
    map.setSelectedElement(addTopic(map, nullptr, Point{0, 0}, "Methods"));
    map.toggleFontStyleBits(2);
    const auto pdf = readPdf(MindMapRenderingView::pdfDataWithMindMap(map, false));
    ASSERT_TRUE(pdf && !pdf->empty());
    const std::string& fonts = (*pdf)[0].fonts;
    EXPECT_TRUE(fonts.find("Oblique") != std::string::npos || fonts.find("Italic") != std::string::npos) << fonts;
}

TEST_F(RenderingViewTest, GhostscriptRendersTheEpsToItsBoundingBox)
{
    if (std::system("gs --version > /dev/null 2>&1") != 0) GTEST_SKIP() << "ghostscript is not installed";
    addTopic(map, nullptr, Point{0, 0}, "Printed");
    map.validateElementStates();
    const std::vector<uint8_t> eps = MindMapRenderingView::epsDataWithMindMap(map, false);
    const std::string text(eps.begin(), eps.end());
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    const size_t box = text.find("%%BoundingBox:");
    ASSERT_EQ(0u, text.rfind("%!PS-Adobe-3.0 EPSF-3.0", 0));
    ASSERT_EQ(4, std::sscanf(text.c_str() + box, "%%%%BoundingBox: %d %d %d %d", &x0, &y0, &x1, &y1));
    EXPECT_EQ(std::ceil(page().width()), x1 - x0);
    EXPECT_EQ(std::ceil(page().height()), y1 - y0);

    TempDir dir;
    writeTestFile(dir.file("map.eps"), text);
    const std::string command =
        "gs -q -dSAFER -dBATCH -dNOPAUSE -dEPSCrop -r72 -sDEVICE=png16m -sOutputFile=" + dir.file("map.png") + " " +
        dir.file("map.eps") + " > /dev/null 2>&1";
    ASSERT_EQ(0, std::system(command.c_str()));
    const std::string png = readTestFile(dir.file("map.png"));
    const auto picture = readPng(std::vector<uint8_t>(png.begin(), png.end()));
    ASSERT_TRUE(picture);
    EXPECT_EQ(std::pair(int64_t(x1 - x0), int64_t(y1 - y0)), std::pair(picture->width, picture->height));
    EXPECT_EQ(Background, picture->at(1, 1));
}
