#include "MindMaps/MMColorScheme.h"
#include "MindMaps/MindMapTestSupport.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/StyleManager.h"
#include "MindMaps/StylePreviewCache.h"
#include "MindMaps/StyleSheet.h"
#include "platform/Image.h"
#include "render/MindMapPainter.h"
#include "render/RenderInstallation.h"
#include "support/PixelProbe.h"

#include <gtest/gtest.h>

#include <set>
#include <tuple>

using namespace maptest;

namespace {

const Rgb FrameBlue{0, 122, 255};

// The one-point frame lies half a point inside the edge, so it covers the outermost pixels
// exactly and nothing else.
void expectFrame(cairo_surface_t* surface, const Rgb& inside)
{
    const int w = cairo_image_surface_get_width(surface), h = cairo_image_surface_get_height(surface);
    for (auto [x, y] : {std::pair{0, 0},
                        {w - 1, 0},
                        {0, h - 1},
                        {w - 1, h - 1},
                        {w / 2, 0},
                        {w / 2, h - 1},
                        {0, h / 2},
                        {w - 1, h / 2}})
        EXPECT_EQ(FrameBlue, pixelAt(surface, x, y)) << x << "," << y;
    for (auto [x, y] : {std::pair{1, 1}, {w - 2, h - 2}, {w / 2, h / 2}, {1, h / 2}, {w / 2, 1}})
        EXPECT_EQ(inside, pixelAt(surface, x, y)) << x << "," << y;
}

} // namespace

TEST(Thumbnails, PlaceholderIsOneWhiteFramedPicture)
{
    const std::vector<uint8_t>& placeholder = MindMapPainter::emptyMindMapThumbnail();
    EXPECT_EQ(&placeholder, &MindMapPainter::emptyMindMapThumbnail());
    const Image image = Image::fromData(placeholder);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ((Size{108, 72}), MindMapPainter::DefaultThumbnailSize);
    EXPECT_EQ(108, cairo_image_surface_get_width(image.surface()));
    EXPECT_EQ(72, cairo_image_surface_get_height(image.surface()));
    expectFrame(image.surface(), Rgb{255, 255, 255});
}

TEST(Thumbnails, EmptyMapShowsItsBackgroundInTheFrame)
{
    MindMap map;
    map.newMindMap("", false, std::nullopt);
    auto scheme = std::make_shared<MMColorScheme>("test", "test");
    scheme->setBackgroundColor(Color::rgb255(20, 40, 60));
    // The map's style sheet is the process-wide default one: its scheme goes back for the next test.
    std::shared_ptr<MMColorScheme> sharedScheme = map.styleSheet()->colorScheme();
    map.styleSheet()->setColorScheme(scheme);
    std::shared_ptr<void> restore(nullptr, [&](void*) { map.styleSheet()->setColorScheme(sharedScheme); });
    for (bool highResolution : {false, true}) {
        const Image image = Image::fromData(MindMapPainter::createThumbnailImage(map, Size{120, 90}, highResolution));
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(120, cairo_image_surface_get_width(image.surface()));
        expectFrame(image.surface(), Rgb{20, 40, 60});
    }
    EXPECT_TRUE(MindMapPainter::createThumbnailImage(map, (Size{0, 72}), false).empty());
    EXPECT_TRUE(MindMapPainter::createThumbnailImage(map, (Size{NAN, 72}), false).empty());
    const Image standard = Image::fromData(MindMapPainter::createThumbnailImage(map));
    EXPECT_EQ(108, cairo_image_surface_get_width(standard.surface()));
    EXPECT_EQ(72, cairo_image_surface_get_height(standard.surface()));
}

// A wide map fills the width and is centred vertically; a tall one fills the height and is
// centred horizontally.
TEST(Thumbnails, MapIsScaledToFitAndCentred)
{
    const Size size = MindMapPainter::DefaultThumbnailSize;
    struct Case {
        Rect area;
        Rect placed; // where the area lands in the thumbnail
    };
    const Case cases[] = {
        {Rect(-100, 50, 1080, 360), Rect(0, 18, 108, 36)}, // wide: scale 0.1
        {Rect(10, -20, 360, 720), Rect(36, 0, 36, 72)},    // tall: scale 0.1
        {Rect(0, 0, 216, 144), Rect(0, 0, 108, 72)},       // the same shape: no room either way
        {Rect(0, 0, 215.6, 144.4), Rect(0, 0, 108, 72)},   // sizes rounded to whole points first
    };
    for (const Case& c : cases) {
        const std::optional<AffineTransform> t = MindMapPainter::thumbnailTransform(c.area, size);
        ASSERT_TRUE(t);
        const Rect rounded(c.area.origin, Size{std::round(c.area.width()), std::round(c.area.height())});
        const Rect placed = t->apply(rounded);
        EXPECT_NEAR(c.placed.minX(), placed.minX(), 1e-9) << c.area.width();
        EXPECT_NEAR(c.placed.minY(), placed.minY(), 1e-9) << c.area.width();
        EXPECT_NEAR(c.placed.width(), placed.width(), 1e-9) << c.area.width();
        EXPECT_NEAR(c.placed.height(), placed.height(), 1e-9) << c.area.width();
    }
    EXPECT_FALSE(MindMapPainter::thumbnailTransform(Rect(0, 0, 0, 10), size));
    EXPECT_FALSE(MindMapPainter::thumbnailTransform(Rect(0, 0, NAN, 10), size));
}

// The style menu's pictures come from the painter once rendering is installed.
TEST(Thumbnails, StylePreviewsArePaintedThumbnails)
{
    installRendering();
    StylePreviewCache cache;
    const std::shared_ptr<StyleSheet> sheet =
        StyleManager::styleManager().getStyleOnKey("system.bright-palette", false);
    ASSERT_TRUE(sheet);
    const Image preview = Image::fromData(cache.stylePreviewImage(sheet));
    ASSERT_FALSE(preview.isNull());
    EXPECT_EQ(192, cairo_image_surface_get_width(preview.surface()));
    EXPECT_EQ(108, cairo_image_surface_get_height(preview.surface()));
    EXPECT_EQ(FrameBlue, pixelAt(preview.surface(), 0, 0));
    StyleManager::releaseStyleManagerInstance();
}

// A map of thousands of topics is a few pixels in a thumbnail, its topics and lines each a
// sliver of one: still its shape shows, in its colours, where the fit puts it (a tall map a
// column down the middle, a wide one a row across), and nothing shows beside it.
TEST(Thumbnails, LargeMapsShowTheirShape)
{
    enum class Shape { TallColumn, WideRow, PlainBranch };
    for (Shape shape : {Shape::TallColumn, Shape::WideRow, Shape::PlainBranch}) {
        SCOPED_TRACE(int(shape));
        MindMap map;
        map.newMindMap("", false, std::nullopt);
        MindMapNode* theme = addTopic(map, nullptr, Point{0, 0}, "theme");
        for (int i = 0; i < 3000; ++i) {
            if (shape == Shape::WideRow) {
                addTopic(map, nullptr, Point{(i + 1) * 150.0, 0}, "topic")
                    ->setCustomFillColor(Color::rgb255(40, 160, 60), std::nullopt, std::nullopt);
                continue;
            }
            MindMapNode* topic = addTopic(map, theme, Point{200, i * 30.0 - 45000}, "topic");
            if (shape == Shape::TallColumn) {
                topic->setCustomFillColor(Color::rgb255(220, 60, 40), std::nullopt, std::nullopt);
                continue;
            }
            // Only their lines are drawn.
            NodeStyle* style = topic->style();
            ElementStyle::UpdateGuard batch(*style);
            style->setBorderStyle(NodeStyle::NoBorder);
            style->setPropCustomized(NodeStyle::BorderStyleMask, true);
        }
        map.validateElementStates();
        const Image image = Image::fromData(MindMapPainter::createThumbnailImage(map));
        ASSERT_FALSE(image.isNull());
        cairo_surface_t* surface = image.surface();
        const int w = cairo_image_surface_get_width(surface), h = cairo_image_surface_get_height(surface);
        const Rgb background = pixelAt(surface, 1, 1);
        std::set<std::tuple<int, int, int>> colours;
        std::set<int> across, down;
        for (int y = 1; y < h - 1; ++y)
            for (int x = 1; x < w - 1; ++x) {
                const Rgb c = pixelAt(surface, x, y);
                colours.insert({c.r, c.g, c.b});
                if (c == background) continue;
                across.insert(x);
                down.insert(y);
            }
        ASSERT_GT(colours.size(), 1u);
        if (shape == Shape::WideRow) {
            EXPECT_GE(across.size(), size_t(w - 4));
            EXPECT_LE(*down.rbegin() - *down.begin(), 4);
            EXPECT_NEAR(h / 2.0, (*down.rbegin() + *down.begin()) / 2.0, 2);
        } else {
            EXPECT_GE(down.size(), size_t(h - 4));
            EXPECT_LE(*across.rbegin() - *across.begin(), 4);
            EXPECT_NEAR(w / 2.0, (*across.rbegin() + *across.begin()) / 2.0, 2);
        }
    }
}
