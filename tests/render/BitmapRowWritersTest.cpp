#include "render/BitmapRowWriters.h"
#include "ExportReadBack.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>

namespace {

// Premultiplied pixels as cairo holds them: clear, opaque and translucent ones in runs and
// alone, so that every filter meets repeats and changes.
std::vector<uint32_t> somePixels(int64_t width, int64_t height, bool opaque, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<uint32_t> pixels(size_t(width * height));
    uint32_t run = opaque ? 0xff000000 : 0;
    for (uint32_t& pixel : pixels) {
        if (random() % 4 != 0) {
            pixel = run;
            continue;
        }
        const uint32_t kind = random() % 3;
        const uint32_t a = opaque || kind == 0 ? 255 : kind == 1 ? 0 : 1 + random() % 254;
        const auto channel = [&] { return a ? random() % (a + 1) : 0; };
        pixel = run = a << 24 | channel() << 16 | channel() << 8 | channel();
    }
    return pixels;
}

ReadBackPixel straight(uint32_t pixel)
{
    const int a = int(pixel >> 24);
    if (a == 0) return {0, 0, 0, 0};
    const auto channel = [&](int shift) { return (int(pixel >> shift & 0xff) * 255 + a / 2) / a; };
    return {channel(16), channel(8), channel(0), a};
}

} // namespace

// Every choice of compression writes a file libpng reads back to the pixels handed over, however
// the rows fall into the pieces compressed apart (a piece is a megabyte of pixels: 873 rows of 300).
TEST(PngRowWriter, FilesReadBackToTheirPixels)
{
    struct Case {
        int64_t width, height;
        bool opaque;
        PngEncoding encoding;
    };
    const Case cases[] = {
        {1, 1, true, {}},
        {1, 1, false, {}},
        {7, 3, false, {1, Z_DEFAULT_STRATEGY, 4}},
        {300, 873, true, {}},
        {300, 874, false, {}},
        {300, 2000, true, {6, Z_DEFAULT_STRATEGY, 1}},
        {300, 2000, false, {6, Z_DEFAULT_STRATEGY, 2}},
        {300, 2000, true, {3, Z_FILTERED, 3}},
        {300, 2000, false, {1, Z_RLE, 4}},
        {300, 1800, true, {9, Z_DEFAULT_STRATEGY, 4}},
        // A row larger than a piece: every piece is one row.
        {300000, 3, false, {1, Z_DEFAULT_STRATEGY, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << (c.opaque ? " opaque" : "") << " level "
                                        << c.encoding.level << " filter " << c.encoding.filter);
        const std::vector<uint32_t> pixels = somePixels(c.width, c.height, c.opaque, unsigned(c.width + c.height));
        auto writer = BitmapRowWriter::png(c.width, c.height, c.opaque, c.encoding);
        for (int64_t y = 0; y < c.height; ++y) ASSERT_TRUE(writer->writeRow(pixels.data() + y * c.width));
        Error error;
        const std::optional<ReadBackPicture> picture = readPng(writer->finish(&error));
        ASSERT_TRUE(picture) << error.failureReason;
        EXPECT_EQ(!c.opaque, picture->storesAlpha);
        ASSERT_EQ(std::pair(c.width, c.height), std::pair(picture->width, picture->height));
        int64_t wrong = 0;
        for (int64_t y = 0; y < c.height; ++y)
            for (int64_t x = 0; x < c.width; ++x)
                wrong += picture->at(x, y) != straight(pixels[size_t(y * c.width + x)]);
        EXPECT_EQ(0, wrong);
    }
}

// A picture handed over short or long is an error, whether its rows were compressed yet or not.
TEST(PngRowWriter, WrongRowCountsAreErrors)
{
    for (int64_t given : {0, 1, 872, 1746}) {
        const std::vector<uint32_t> row(300, 0xff000000);
        auto writer = BitmapRowWriter::png(300, 1745, true);
        bool accepted = true;
        for (int64_t y = 0; y < given; ++y) accepted = writer->writeRow(row.data());
        if (given > 1745) {
            EXPECT_FALSE(accepted);
        }
        Error error;
        EXPECT_TRUE(writer->finish(&error).empty()) << given;
        EXPECT_FALSE(error.isEmpty()) << given;
    }
}
