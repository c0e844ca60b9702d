#include "render/MindMapPainter.h"

#include "platform/Image.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

struct Rgb {
    int r, g, b;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

Rgb pixelAt(cairo_surface_t* surface, int x, int y)
{
    const unsigned char* row = cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
    uint32_t pixel;
    std::memcpy(&pixel, row + 4 * x, 4);
    return {int(pixel >> 16 & 0xff), int(pixel >> 8 & 0xff), int(pixel & 0xff)};
}

} // namespace

TEST(MindMapPainter, EmptyThumbnailIsWhiteWithABlueFrame)
{
    const Image image = Image::fromData(MindMapPainter::emptyMindMapThumbnail());
    ASSERT_FALSE(image.isNull());
    cairo_surface_t* surface = image.surface();
    EXPECT_EQ(Size({108, 72}), MindMapPainter::DefaultThumbnailSize);
    EXPECT_EQ(108, cairo_image_surface_get_width(surface));
    EXPECT_EQ(72, cairo_image_surface_get_height(surface));

    const Rgb blue{0, 122, 255};
    const Rgb white{255, 255, 255};
    // The one-point frame lies half a point inside the edge, so it covers the outermost pixels
    // exactly and nothing else.
    for (auto [x, y] : {std::pair{0, 0}, {107, 0}, {0, 71}, {107, 71}, {54, 0}, {54, 71}, {0, 36}, {107, 36}})
        EXPECT_EQ(blue, pixelAt(surface, x, y)) << x << "," << y;
    for (auto [x, y] : {std::pair{1, 1}, {106, 70}, {54, 36}, {1, 36}, {54, 1}})
        EXPECT_EQ(white, pixelAt(surface, x, y)) << x << "," << y;
}
