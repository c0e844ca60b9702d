#include "platform/ShadowPixels.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <vector>

namespace {

// The rounded mean of a window of pixels, by a multiplication: exact for every sum of a window up
// to 255 pixels wide, and far cheaper than a division per pixel.
struct WindowMean {
    explicit WindowMean(int window) : half(uint32_t(window / 2)), reciprocal((uint32_t(1) << 24) / uint32_t(window) + 1)
    {
    }
    uint8_t operator()(uint32_t sum) const { return uint8_t(((sum + half) * reciprocal) >> 24); }
    uint32_t half;
    uint32_t reciprocal;
};

// Whether any of the bytes is not naught, eight at a time: shadow layers are mostly clear, and
// are looked over many times a frame.
bool anyNonZero(const uint8_t* bytes, size_t count)
{
    size_t i = 0;
    for (; i + 32 <= count; i += 32) {
        uint64_t words[4];
        std::memcpy(words, bytes + i, 32);
        if ((words[0] | words[1] | words[2] | words[3]) != 0) return true;
    }
    uint64_t any = 0;
    for (; i + 8 <= count; i += 8) {
        uint64_t word;
        std::memcpy(&word, bytes + i, 8);
        any |= word;
    }
    for (; i < count; ++i) any |= bytes[i];
    return any != 0;
}

// A box blur of radius k along each row, in place: each pixel the mean of the row's running sums
// k + 1 after and k before it, the row being clear beyond its ends.
void blurRows(uint8_t* data, int width, int height, int stride, int k, std::vector<uint32_t>& prefix)
{
    const WindowMean mean(2 * k + 1);
    prefix.assign(size_t(width + 2 * k + 1), 0);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = data + ptrdiff_t(y) * stride;
        // Most rows of a map's shadow layer are empty.
        if (!anyNonZero(row, size_t(width))) continue;
        // prefix[k + 1 + x] holds the sum of the row up to and with pixel x.
        uint32_t sum = 0;
        for (int x = 0; x < width; ++x) prefix[size_t(k + 1 + x)] = sum += row[x];
        std::fill(prefix.begin() + k + 1 + width, prefix.end(), sum);
        const uint32_t* after = prefix.data() + 2 * k + 1;
        const uint32_t* before = prefix.data();
        for (int x = 0; x < width; ++x) row[x] = mean(after[x] - before[x]);
    }
}

// A box blur of radius k along each column, in place, worked row by row with a running sum per
// column so that memory is read in order.
void blurColumns(uint8_t* data, int width, int height, int stride, int k, std::vector<uint8_t>& ring,
                 std::vector<uint32_t>& sums, std::vector<int>& inkedAbove)
{
    const int window = 2 * k + 1;
    const WindowMean mean(window);
    ring.resize(size_t(width) * size_t(window)); // the last `window` source rows that hold anything
    sums.assign(size_t(width), 0);
    uint32_t* sum = sums.data();
    auto source = [&](int y) { return data + ptrdiff_t(y) * stride; };
    // inkedAbove[y]: how many source rows before y hold anything. A clear row adds nothing to the
    // sums, and a row whose whole window is clear stays clear.
    inkedAbove.assign(size_t(height) + 1, 0);
    for (int y = 0; y < height; ++y)
        inkedAbove[size_t(y + 1)] = inkedAbove[size_t(y)] + anyNonZero(source(y), size_t(width));
    auto inked = [&](int y) { return inkedAbove[size_t(y + 1)] != inkedAbove[size_t(y)]; };
    for (int y = 0; y <= k && y < height; ++y) {
        if (!inked(y)) continue;
        const uint8_t* row = source(y);
        for (int x = 0; x < width; ++x) sum[x] += row[x];
    }
    for (int y = 0; y < height; ++y) {
        // Row y is overwritten below, so it is kept in the ring while the window still needs it.
        uint8_t* out = source(y);
        if (inked(y)) std::memcpy(ring.data() + size_t(y % window) * size_t(width), out, size_t(width));
        const int first = std::max(0, y - k), end = std::min(height, y + k + 1);
        if (inkedAbove[size_t(end)] != inkedAbove[size_t(first)])
            for (int x = 0; x < width; ++x) out[x] = mean(sum[x]);
        if (y - k >= 0 && inked(y - k)) {
            const uint8_t* leaving = ring.data() + size_t((y - k) % window) * size_t(width);
            for (int x = 0; x < width; ++x) sum[x] -= leaving[x];
        }
        if (y + k + 1 < height && inked(y + k + 1)) {
            const uint8_t* entering = source(y + k + 1);
            for (int x = 0; x < width; ++x) sum[x] += entering[x];
        }
    }
}

// Where the pixels of an enlarged picture sample the picture: the indices of the two source
// pixels around each sample in the picture padded by one clear pixel on either side, and the
// weight (of 256) of the second.
struct Tap {
    size_t before;
    size_t after;
    uint32_t weight;
};

std::vector<Tap> bilinearTaps(int first, int count, double origin, int factor, int size)
{
    std::vector<Tap> taps(size_t(std::max(count, 0)));
    for (int i = 0; i < count; ++i) {
        const double f = (first + i + 0.5 - origin) / factor - 0.5;
        const double index = std::floor(f);
        const int before = int(std::clamp(index + 1, 0.0, double(size + 1)));
        const int after = int(std::clamp(index + 2, 0.0, double(size + 1)));
        taps[size_t(i)] = {size_t(before), size_t(after), uint32_t(std::lround((f - index) * 256))};
    }
    return taps;
}

} // namespace

namespace ShadowPixels {

void blur(uint8_t* data, int width, int height, int stride, int k)
{
    if (width <= 0 || height <= 0 || k < 1) return;
    std::vector<uint32_t> prefix, sums;
    std::vector<uint8_t> ring;
    std::vector<int> inkedAbove;
    for (int pass = 0; pass < 3; ++pass) {
        blurRows(data, width, height, stride, k, prefix);
        blurColumns(data, width, height, stride, k, ring, sums, inkedAbove);
    }
}

namespace {

// The reduction of either picture: Pixel is uint32_t for ARGB32, whose alpha is its top byte, and
// uint8_t for A8.
template <class Pixel>
void reduce(const uint8_t* picture, int pictureWidth, int pictureHeight, int pictureStride, int x0, int y0, int factor,
            uint8_t* out, int width, int height, int outStride)
{
    constexpr int shift = sizeof(Pixel) == 4 ? 24 : 0;
    if (outStride <= 0) outStride = width;
    // The columns all of whose pixels lie on the picture; those before and after are read pixel
    // by pixel.
    auto floorDiv = [](int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); };
    const int fullFirst = std::clamp(-floorDiv(x0, factor), 0, width);
    const int fullEnd = std::clamp(floorDiv(pictureWidth - x0, factor), fullFirst, width);
    std::vector<uint32_t> sums(static_cast<size_t>(width));
    const uint32_t area = uint32_t(factor * factor);
    for (int j = 0; j < height; ++j) {
        std::fill(sums.begin(), sums.end(), 0u);
        for (int dy = 0; dy < factor; ++dy) {
            const int y = y0 + j * factor + dy;
            if (y < 0 || y >= pictureHeight) continue;
            const Pixel* row = reinterpret_cast<const Pixel*>(picture + ptrdiff_t(y) * pictureStride);
            auto addChecked = [&](int i) {
                for (int dx = 0, x = x0 + i * factor; dx < factor; ++dx)
                    if (x + dx >= 0 && x + dx < pictureWidth) sums[size_t(i)] += row[x + dx] >> shift;
            };
            for (int i = 0; i < fullFirst; ++i) addChecked(i);
            for (int i = fullEnd; i < width; ++i) addChecked(i);
            const Pixel* pixels = row + x0;
            uint32_t* sum = sums.data();
            if (factor == 1) {
                for (int i = fullFirst; i < fullEnd; ++i) sum[i] += pixels[i] >> shift;
            } else if (factor == 2) {
                for (int i = fullFirst; i < fullEnd; ++i)
                    sum[i] += (pixels[2 * i] >> shift) + (pixels[2 * i + 1] >> shift);
            } else {
                for (int i = fullFirst; i < fullEnd; ++i)
                    for (int dx = 0; dx < factor; ++dx) sum[i] += pixels[i * factor + dx] >> shift;
            }
        }
        uint8_t* target = out + size_t(j) * size_t(outStride);
        if (area == 1) {
            for (int i = 0; i < width; ++i) target[i] = uint8_t(sums[size_t(i)]);
        } else if (area == 4) {
            for (int i = 0; i < width; ++i) target[i] = uint8_t((sums[size_t(i)] + 2) >> 2);
        } else {
            for (int i = 0; i < width; ++i) target[i] = uint8_t((sums[size_t(i)] + area / 2) / area);
        }
    }
}

} // namespace

void reduceAlpha(const uint8_t* argb, int argbWidth, int argbHeight, int argbStride, int x0, int y0, int factor,
                 uint8_t* out, int width, int height, int outStride)
{
    reduce<uint32_t>(argb, argbWidth, argbHeight, argbStride, x0, y0, factor, out, width, height, outStride);
}

void reduceCoverage(const uint8_t* a8, int a8Width, int a8Height, int a8Stride, int x0, int y0, int factor,
                    uint8_t* out, int width, int height, int outStride)
{
    reduce<uint8_t>(a8, a8Width, a8Height, a8Stride, x0, y0, factor, out, width, height, outStride);
}

void enlarge(const uint8_t* alpha, int width, int height, int factor, double originX, double originY, int firstX,
             int firstY, uint8_t* target, int targetWidth, int targetHeight, int targetStride)
{
    if (targetWidth <= 0 || targetHeight <= 0) return;
    // Taps index the picture as if it had a clear border of one pixel; only the rows and columns
    // the target samples are read, so that a small target of a large picture costs little.
    const std::vector<Tap> columns = bilinearTaps(firstX, targetWidth, originX, factor, width);
    const std::vector<Tap> rows = bilinearTaps(firstY, targetHeight, originY, factor, height);
    const size_t firstRow = rows.front().before, lastRow = rows.back().after;
    const size_t firstColumn = columns.front().before, lastColumn = columns.back().after;
    std::vector<uint8_t> padded(lastColumn - firstColumn + 1);
    const size_t count = columns.size();
    std::vector<uint16_t> wide((lastRow - firstRow + 1) * count);
    // A shadow's picture is clear but for a band round its shape, and a target pixel whose taps
    // are all clear is clear: each row is worked only between the first and the last column whose
    // taps reach ink, and cleared beyond. [inkFirst, inkEnd) of each row of `wide`; empty: clear.
    std::vector<size_t> inkFirst(lastRow - firstRow + 1, 0), inkEnd(lastRow - firstRow + 1, 0);
    for (size_t r = firstRow; r <= lastRow; ++r) {
        std::fill(padded.begin(), padded.end(), uint8_t(0));
        if (r >= 1 && r <= size_t(height)) {
            // Padded columns 1..width are the picture's 0..width-1.
            const size_t from = std::max<size_t>(firstColumn, 1), to = std::min<size_t>(lastColumn, size_t(width));
            if (from <= to)
                std::memcpy(padded.data() + (from - firstColumn), alpha + (r - 1) * size_t(width) + (from - 1),
                            to - from + 1);
        }
        uint16_t* out = wide.data() + (r - firstRow) * count;
        const auto inked = [](uint8_t value) { return value != 0; };
        const auto firstInk = std::find_if(padded.begin(), padded.end(), inked);
        if (firstInk == padded.end()) {
            std::fill(out, out + count, uint16_t(0));
            continue;
        }
        const size_t inkFrom = firstColumn + size_t(firstInk - padded.begin());
        const size_t inkTo =
            firstColumn + size_t(std::find_if(padded.rbegin(), padded.rend(), inked).base() - padded.begin()) - 1;
        // Taps only move right from column to column.
        const size_t begin = size_t(
            std::partition_point(columns.begin(), columns.end(), [&](const Tap& tap) { return tap.after < inkFrom; }) -
            columns.begin());
        const size_t end = size_t(
            std::partition_point(columns.begin(), columns.end(), [&](const Tap& tap) { return tap.before <= inkTo; }) -
            columns.begin());
        const uint8_t* source = padded.data() - firstColumn;
        std::fill(out, out + begin, uint16_t(0));
        for (size_t c = begin; c < end; ++c) {
            const Tap& tap = columns[c];
            out[c] = uint16_t(source[tap.before] * (256 - tap.weight) + source[tap.after] * tap.weight);
        }
        std::fill(out + std::max(begin, end), out + count, uint16_t(0));
        inkFirst[r - firstRow] = begin;
        inkEnd[r - firstRow] = end;
    }
    for (size_t y = 0; y < rows.size(); ++y) {
        const size_t a = rows[y].before - firstRow, b = rows[y].after - firstRow;
        const uint16_t* above = wide.data() + a * count;
        const uint16_t* below = wide.data() + b * count;
        const uint32_t wb = rows[y].weight, wa = 256 - wb;
        uint8_t* out = target + ptrdiff_t(y) * targetStride;
        size_t begin = count, end = 0;
        for (size_t row : {a, b})
            if (inkFirst[row] < inkEnd[row]) {
                begin = std::min(begin, inkFirst[row]);
                end = std::max(end, inkEnd[row]);
            }
        if (begin >= end) {
            std::memset(out, 0, count);
            continue;
        }
        std::memset(out, 0, begin);
        for (size_t c = begin; c < end; ++c) out[c] = uint8_t((above[c] * wa + below[c] * wb + 32768) >> 16);
        std::memset(out + end, 0, count - end);
    }
}

std::vector<uint8_t> occupiedTiles(const uint8_t* pixels, int width, int height, int stride, int bytesPerPixel,
                                   int tile, int grow, int& tilesAcross)
{
    tilesAcross = width > 0 && tile > 0 ? (width + tile - 1) / tile : 0;
    const int tilesDown = height > 0 && tile > 0 ? (height + tile - 1) / tile : 0;
    std::vector<uint8_t> tiles(size_t(tilesAcross) * size_t(tilesDown), 0);
    if (tiles.empty()) return tiles;
    // A premultiplied pixel is clear exactly when all its bytes are naught, so whole rows of bytes
    // are tested at once. First which tiles (grown along the row) each row has anything in, then
    // those rows gathered down each grown tile.
    std::vector<uint8_t> rowFlags(size_t(tilesAcross) * size_t(height), 0);
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = pixels + ptrdiff_t(y) * stride;
        uint8_t* flags = rowFlags.data() + size_t(y) * size_t(tilesAcross);
        for (int t = 0; t < tilesAcross; ++t) {
            const size_t begin = size_t(std::max(0, t * tile - grow)) * size_t(bytesPerPixel);
            const size_t end = size_t(std::min(width, (t + 1) * tile + grow)) * size_t(bytesPerPixel);
            flags[t] = anyNonZero(row + begin, end - begin);
        }
    }
    for (int t = 0; t < tilesDown; ++t) {
        const int first = std::max(0, t * tile - grow), end = std::min(height, (t + 1) * tile + grow);
        uint8_t* flags = tiles.data() + size_t(t) * size_t(tilesAcross);
        for (int y = first; y < end; ++y) {
            const uint8_t* row = rowFlags.data() + size_t(y) * size_t(tilesAcross);
            for (int c = 0; c < tilesAcross; ++c) flags[c] |= row[c];
        }
    }
    return tiles;
}

} // namespace ShadowPixels
