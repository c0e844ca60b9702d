#include "Editor/StylePictures.h"
#include "platform/CairoGraphicsContext.h"
#include "platform/CairoGuard.h"
#include "platform/Image.h"
#include "support/RecordingGraphicsContext.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

namespace {

// The picture drawn at that many pixels a point.
std::shared_ptr<Image> pictureOf(const std::string& name, int scale)
{
    auto image = std::make_shared<Image>(16 * scale, 16 * scale);
    CairoContext cr(cairo_create(image->surface()));
    CairoGraphicsContext context(cr.get(), GraphicsSurfaceKind::Bitmap);
    context.scale(scale, scale);
    EXPECT_TRUE(StylePictures::draw(name, context)) << name;
    EXPECT_FALSE(context.hasFailed()) << name;
    return image;
}

int alphaAt(const Image& image, int x, int y)
{
    cairo_surface_flush(image.surface());
    const unsigned char* row =
        cairo_image_surface_get_data(image.surface()) + y * cairo_image_surface_get_stride(image.surface());
    uint32_t pixel;
    std::memcpy(&pixel, row + 4 * x, 4);
    return int(pixel >> 24);
}

// How much is drawn in the columns [from, to) of the picture.
int inkIn(const Image& image, int from, int to)
{
    int ink = 0;
    for (int y = 0; y < image.pixelHeight(); ++y)
        for (int x = from; x < to; ++x) ink += alphaAt(image, x, y);
    return ink;
}

// A clean checksum of the picture's pixels, to tell pictures apart.
std::vector<uint8_t> pixelsOf(const Image& image)
{
    cairo_surface_flush(image.surface());
    const unsigned char* data = cairo_image_surface_get_data(image.surface());
    const int stride = cairo_image_surface_get_stride(image.surface());
    return {data, data + stride * image.pixelHeight()};
}

} // namespace

TEST(StylePicturesTest, PicturesAreDistinct)
{
    std::set<std::vector<uint8_t>> seen;
    for (const std::string& name : StylePictures::names()) {
        const auto picture = pictureOf(name, 2);
        EXPECT_GT(inkIn(*picture, 0, 32), 0) << name;
        EXPECT_TRUE(seen.insert(pixelsOf(*picture)).second) << name << " looks like another picture";
    }
}

TEST(StylePicturesTest, ReversedArrowsPointTheOtherWay)
{
    struct Case {
        const char* rightward;
        const char* leftward;
    } cases[] = {
        {"arrow_single16", "arrow_single_rev16"},
        {"arrow_filled16", "arrow_filled_rev16"},
        {"arrow_open16", "arrow_open_rev16"},
        {"arrow_inhibit_16", "arrow_inhibit_rev_16"},
    };
    for (const Case& c : cases) {
        const auto right = pictureOf(c.rightward, 1);
        const auto left = pictureOf(c.leftward, 1);
        EXPECT_GT(inkIn(*right, 10, 16), inkIn(*right, 0, 6)) << c.rightward;
        EXPECT_GT(inkIn(*left, 0, 6), inkIn(*left, 10, 16)) << c.leftward;
    }
}

TEST(StylePicturesTest, AnUnknownNameDrawsNothing)
{
    RecordingGraphicsContext context;
    EXPECT_FALSE(StylePictures::isDrawn("save"));
    EXPECT_FALSE(StylePictures::draw("no_such_picture", context));
    EXPECT_TRUE(context.entries().empty());
}

// On a dark theme the ink is light: a picture of a shape that kept a white paper or a dark stroke
// anywhere would show a blob or vanish. Only the colour aspects show other colours, and the two
// cable lines their white core, as the map does on any background.
TEST(StylePicturesTest, APictureOfAShapeIsDrawnInItsInkAlone)
{
    const std::set<std::string> colourAspects = {"palette-color", "fill_color", "border_color",
                                                 "font_color",    "line_3_16",  "line_6_16"};
    const Color ink = Color::rgb255(238, 238, 236);
    for (const std::string& name : StylePictures::names()) {
        if (colourAspects.contains(name)) continue;
        SCOPED_TRACE(name);
        Image image(32, 32);
        CairoContext cr(cairo_create(image.surface()));
        CairoGraphicsContext context(cr.get(), GraphicsSurfaceKind::Bitmap);
        context.scale(2, 2);
        ASSERT_TRUE(StylePictures::draw(name, context, ink));
        cairo_surface_flush(image.surface());
        const unsigned char* data = cairo_image_surface_get_data(image.surface());
        const int stride = cairo_image_surface_get_stride(image.surface());
        int foreign = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                uint32_t pixel;
                std::memcpy(&pixel, data + y * stride + 4 * x, 4);
                const int alpha = int(pixel >> 24);
                if (alpha < 16) continue;
                // Unpremultiplied, each component is the ink's, give or take the rounding of a
                // faint pixel.
                const int tolerance = 2 + 255 / alpha;
                const int components[] = {int(pixel >> 16 & 0xff), int(pixel >> 8 & 0xff), int(pixel & 0xff)};
                const int wanted[] = {238, 238, 236};
                for (int i = 0; i < 3; ++i)
                    if (std::abs(components[i] * 255 / alpha - wanted[i]) > tolerance) {
                        ++foreign;
                        break;
                    }
            }
        EXPECT_EQ(0, foreign) << "pixels in another colour than the ink";
        EXPECT_GT(alphaAt(image, 16, 16) + inkIn(image, 0, 32), 0);
    }
}
