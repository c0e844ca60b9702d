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
