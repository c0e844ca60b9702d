#include "platform/ShadowPixels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace {

// One box pass of radius k along x (or y), each pixel the rounded mean of its window, the picture
// clear beyond its edges: written as plainly as it reads.
std::vector<uint8_t> boxPass(const std::vector<uint8_t>& in, int width, int height, int k, bool alongX)
{
    std::vector<uint8_t> out(in.size());
    const int window = 2 * k + 1;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            int sum = 0;
            for (int d = -k; d <= k; ++d) {
                const int sx = alongX ? x + d : x, sy = alongX ? y : y + d;
                if (sx >= 0 && sx < width && sy >= 0 && sy < height) sum += in[size_t(sy * width + sx)];
            }
            out[size_t(y * width + x)] = uint8_t((sum + window / 2) / window);
        }
    return out;
}

std::vector<uint8_t> randomAlpha(size_t count, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> value(0, 255);
    std::vector<uint8_t> pixels(count);
    // Mostly clear with opaque and partial runs, as a shadow layer is.
    for (uint8_t& p : pixels) p = uint8_t(value(random) < 160 ? 0 : value(random));
    return pixels;
}

// What enlarging a picture by two, shifted by (origin, origin + 1) and read from (-2, -1), gives at
// the target's pixel (x, y): the bilinear mean of the four pixels around the pixel's centre, clear
// beyond the picture.
double expectedEnlarged(const std::vector<uint8_t>& small, int width, int height, double origin, int x, int y)
{
    auto at = [&](int px, int py) {
        return px < 0 || py < 0 || px >= width || py >= height ? 0.0 : double(small[size_t(py * width + px)]);
    };
    const double fx = (-2 + x + 0.5 - origin) / 2 - 0.5, fy = (-1 + y + 0.5 - origin - 1) / 2 - 0.5;
    const int ix = int(std::floor(fx)), iy = int(std::floor(fy));
    const double wx = fx - ix, wy = fy - iy;
    return (at(ix, iy) * (1 - wx) + at(ix + 1, iy) * wx) * (1 - wy) +
        (at(ix, iy + 1) * (1 - wx) + at(ix + 1, iy + 1) * wx) * wy;
}

} // namespace

TEST(ShadowPixels, BlurIsThreeRoundedBoxPassesEachWay)
{
    for (int k : {1, 2, 5, 50}) {
        const int width = 37, height = 23;
        std::vector<uint8_t> expected = randomAlpha(size_t(width * height), unsigned(k));
        std::vector<uint8_t> blurred = expected;
        std::memset(expected.data() + 5 * width, 0, size_t(width)); // a clear row is skipped: same result
        std::memset(blurred.data() + 5 * width, 0, size_t(width));
        for (int pass = 0; pass < 3; ++pass) {
            expected = boxPass(expected, width, height, k, true);
            expected = boxPass(expected, width, height, k, false);
        }
        ShadowPixels::blur(blurred.data(), width, height, width, k);
        EXPECT_EQ(expected, blurred) << k;
    }
    // All opaque stays opaque in the middle: the mean of 255s divides exactly.
    std::vector<uint8_t> full(size_t(41 * 41), 255);
    ShadowPixels::blur(full.data(), 41, 41, 41, 3);
    EXPECT_EQ(255, full[size_t(20 * 41 + 20)]);
}

// Shadow layers are mostly clear: bands of clear rows wider than the blur's window, at the top,
// inside and at the bottom, are skipped, and the rest blurs as if nothing were.
TEST(ShadowPixels, ClearBandsBlurAsEverythingElse)
{
    const int width = 29, height = 40;
    for (int k : {1, 2, 3}) {
        std::vector<uint8_t> expected = randomAlpha(size_t(width * height), unsigned(10 + k));
        for (int y : {0, 1, 2, 3, 4, 5, 6, 7, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 35, 36, 37, 38, 39})
            std::memset(expected.data() + y * width, 0, size_t(width));
        std::vector<uint8_t> blurred = expected;
        for (int pass = 0; pass < 3; ++pass) {
            expected = boxPass(expected, width, height, k, true);
            expected = boxPass(expected, width, height, k, false);
        }
        ShadowPixels::blur(blurred.data(), width, height, width, k);
        EXPECT_EQ(expected, blurred) << k;
    }
}

TEST(ShadowPixels, ReducedAlphaIsTheMeanOfFourAndClearBeyondThePicture)
{
    // A 5 x 3 ARGB picture whose alphas are 10 x column + row, colours that must not count.
    const int width = 5, height = 3, stride = width * 4;
    std::vector<uint32_t> argb(size_t(width * height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) argb[size_t(y * width + x)] = uint32_t(10 * x + y) << 24 | 0x00ffffff;
    const auto* bytes = reinterpret_cast<const uint8_t*>(argb.data());

    // From (-1, -1): the first pixel stands for one picture pixel and three beyond it.
    std::vector<uint8_t> reduced(4 * 3);
    ShadowPixels::reduceAlpha(bytes, width, height, stride, -1, -1, 2, reduced.data(), 4, 3);
    auto alpha = [&](int x, int y) { return x < 0 || y < 0 || x >= width || y >= height ? 0 : 10 * x + y; };
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 4; ++i) {
            const int sum =
                alpha(2 * i - 1, 2 * j - 1) + alpha(2 * i, 2 * j - 1) + alpha(2 * i - 1, 2 * j) + alpha(2 * i, 2 * j);
            EXPECT_EQ((sum + 2) / 4, reduced[size_t(j * 4 + i)]) << i << ", " << j;
        }
    // At full size it is a copy of the alpha.
    std::vector<uint8_t> copy(size_t(width * height));
    ShadowPixels::reduceAlpha(bytes, width, height, stride, 0, 0, 1, copy.data(), width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) EXPECT_EQ(alpha(x, y), copy[size_t(y * width + x)]);
}

// A shape's coverage drawn into A8, its rows padded, reduces as the alpha of the same shape in
// ARGB32 does, from anywhere on or off the picture.
TEST(ShadowPixels, CoverageReducesAsTheAlphaOfAnArgbPicture)
{
    const int width = 19, height = 13, a8Stride = 24;
    const std::vector<uint8_t> alphas = randomAlpha(size_t(width * height), 9);
    std::vector<uint32_t> argb(alphas.size());
    std::vector<uint8_t> a8(size_t(a8Stride * height), 0xee); // the padding must not count
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint8_t alpha = alphas[size_t(y * width + x)];
            argb[size_t(y * width + x)] = uint32_t(alpha) << 24 | uint32_t(alpha) << 8;
            a8[size_t(y * a8Stride + x)] = alpha;
        }
    const struct {
        int x0, y0, factor;
    } cases[] = {{0, 0, 1}, {0, 0, 2}, {-3, -2, 2}, {5, 4, 2}, {-1, 2, 3}, {7, -5, 1}};
    for (const auto& c : cases) {
        const int reducedWidth = 12, reducedHeight = 9;
        std::vector<uint8_t> fromArgb(size_t(reducedWidth * reducedHeight)), fromA8(fromArgb.size());
        ShadowPixels::reduceAlpha(reinterpret_cast<const uint8_t*>(argb.data()), width, height, width * 4, c.x0, c.y0,
                                  c.factor, fromArgb.data(), reducedWidth, reducedHeight);
        ShadowPixels::reduceCoverage(a8.data(), width, height, a8Stride, c.x0, c.y0, c.factor, fromA8.data(),
                                     reducedWidth, reducedHeight);
        EXPECT_EQ(fromArgb, fromA8) << c.x0 << ", " << c.y0 << " by " << c.factor;
    }
}

TEST(ShadowPixels, EnlargingSamplesBilinearlyAtPixelCentres)
{
    const int width = 9, height = 7;
    const std::vector<uint8_t> small = randomAlpha(size_t(width * height), 3);
    // Whole and fractional offsets, and a target starting before the picture and ending after it.
    for (double origin : {0.0, 3.0, 0.75, -2.25}) {
        const int targetWidth = 24, targetHeight = 20, stride = 32;
        std::vector<uint8_t> target(size_t(stride * targetHeight), 7);
        ShadowPixels::enlarge(small.data(), width, height, 2, origin, origin + 1, -2, -1, target.data(), targetWidth,
                              targetHeight, stride);
        for (int y = 0; y < targetHeight; ++y)
            for (int x = 0; x < targetWidth; ++x) {
                const double expected = expectedEnlarged(small, width, height, origin, x, y);
                EXPECT_NEAR(expected, target[size_t(y * stride + x)], 1.0) << origin << ": " << x << ", " << y;
            }
        // Beyond the target's width its rows are left alone.
        EXPECT_EQ(7, target[size_t(stride - 1)]);
    }
}

// A shadow's picture is mostly clear: the clear parts of every row are written too, and none of
// what reaches the ink is left out.
TEST(ShadowPixels, EnlargingAMostlyClearPictureWritesEveryPixel)
{
    const int width = 12, height = 9;
    const struct {
        const char* name;
        std::vector<std::pair<int, int>> ink;
    } cases[] = {
        {"clear", {}},
        {"one pixel inside", {{5, 4}}},
        {"first corner", {{0, 0}}},
        {"last corner", {{width - 1, height - 1}}},
        {"a diagonal", {{1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 6}, {7, 7}}},
        {"the last column", {{width - 1, 0}, {width - 1, 3}, {width - 1, 8}}},
        {"two far apart in a row", {{0, 4}, {width - 1, 4}}},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> small(size_t(width * height), 0);
        for (auto [x, y] : c.ink) small[size_t(y * width + x)] = 200;
        for (double origin : {0.0, 0.75, -2.25}) {
            const int targetWidth = 30, targetHeight = 24, stride = 32;
            std::vector<uint8_t> target(size_t(stride * targetHeight), 0xab);
            ShadowPixels::enlarge(small.data(), width, height, 2, origin, origin + 1, -2, -1, target.data(),
                                  targetWidth, targetHeight, stride);
            for (int y = 0; y < targetHeight; ++y)
                for (int x = 0; x < targetWidth; ++x) {
                    const double expected = expectedEnlarged(small, width, height, origin, x, y);
                    const int got = target[size_t(y * stride + x)];
                    if (expected == 0) EXPECT_EQ(0, got) << c.name << " " << origin << ": " << x << ", " << y;
                    else EXPECT_NEAR(expected, got, 1.0) << c.name << " " << origin << ": " << x << ", " << y;
                }
            EXPECT_EQ(0xab, target[size_t(stride - 1)]) << c.name;
        }
    }
}

TEST(ShadowPixels, OccupiedTilesAreThoseWithAnyInkNearThem)
{
    // A 10 x 6 A8 picture in tiles of 4: three tiles across, two down.
    struct Case {
        int x, y, grow;
        std::vector<uint8_t> expected;
    };
    const Case cases[] = {
        {-1, -1, 0, {0, 0, 0, 0, 0, 0}},                                // nothing drawn
        {0, 0, 0, {1, 0, 0, 0, 0, 0}},   {9, 5, 0, {0, 0, 0, 0, 0, 1}}, // the last, partial tile
        {3, 3, 0, {1, 0, 0, 0, 0, 0}},                                  // a tile's last pixel
        {4, 4, 1, {1, 1, 0, 1, 1, 0}}, // grown by one: the tiles next to the corner too
        {5, 1, 1, {0, 1, 0, 0, 0, 0}}, // grown, yet two pixels from the next tile
        {8, 2, 0, {0, 0, 1, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> pixels(size_t(12 * 6), 0); // rows 12 bytes apart
        if (c.x >= 0) pixels[size_t(c.y * 12 + c.x)] = 1;
        pixels[10] = 9; // beyond the width: never looked at
        int across = 0;
        EXPECT_EQ(c.expected, ShadowPixels::occupiedTiles(pixels.data(), 10, 6, 12, 1, 4, c.grow, across))
            << c.x << ", " << c.y;
        EXPECT_EQ(3, across);
    }
    // ARGB: any byte of a pixel counts, a premultiplied pixel being clear only when all are naught.
    std::vector<uint32_t> argb(size_t(8 * 2), 0);
    argb[5] = 0x01000001;
    int across = 0;
    EXPECT_EQ((std::vector<uint8_t>{0, 1}),
              ShadowPixels::occupiedTiles(reinterpret_cast<const uint8_t*>(argb.data()), 8, 2, 32, 4, 4, 0, across));
}

// A shadow layer is reduced only where it holds anything, part by part into the one reduced
// picture: each part comes out as the same part of the whole.
TEST(ShadowPixels, ReducedPartsMatchTheWholeReduced)
{
    const int width = 23, height = 17, stride = width * 4;
    std::vector<uint32_t> argb(size_t(width * height));
    const std::vector<uint8_t> alphas = randomAlpha(argb.size(), 5);
    for (size_t i = 0; i < argb.size(); ++i) argb[i] = uint32_t(alphas[i]) << 24;
    const auto* bytes = reinterpret_cast<const uint8_t*>(argb.data());
    for (int factor : {1, 2, 3}) {
        const int x0 = -2, y0 = -1; // the reduced picture starts before the layer
        const int reducedWidth = (width - x0) / factor + 1, reducedHeight = (height - y0) / factor + 1;
        std::vector<uint8_t> whole(size_t(reducedWidth * reducedHeight));
        ShadowPixels::reduceAlpha(bytes, width, height, stride, x0, y0, factor, whole.data(), reducedWidth,
                                  reducedHeight);
        const struct {
            int i0, j0, i1, j1;
        } parts[] = {{0, 0, 3, 2}, {2, 1, reducedWidth, 4}, {1, 3, 5, reducedHeight}};
        std::vector<uint8_t> pieced(whole.size(), 0);
        for (const auto& p : parts)
            ShadowPixels::reduceAlpha(bytes, width, height, stride, x0 + p.i0 * factor, y0 + p.j0 * factor, factor,
                                      pieced.data() + p.j0 * reducedWidth + p.i0, p.i1 - p.i0, p.j1 - p.j0,
                                      reducedWidth);
        for (int j = 0; j < reducedHeight; ++j)
            for (int i = 0; i < reducedWidth; ++i) {
                const bool inPart = std::any_of(std::begin(parts), std::end(parts), [&](const auto& p) {
                    return i >= p.i0 && i < p.i1 && j >= p.j0 && j < p.j1;
                });
                EXPECT_EQ(inPart ? whole[size_t(j * reducedWidth + i)] : 0, pieced[size_t(j * reducedWidth + i)])
                    << factor << ": " << i << ", " << j;
            }
    }
}
