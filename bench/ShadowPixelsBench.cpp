#include "platform/ShadowPixels.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

// The blurred shadow of one line between two topics, at half the window's resolution: a band a few
// pixels wide running corner to corner, clear elsewhere, enlarged back to the window's pixels as
// each line's shadow is made on a map's first frame.
void BM_EnlargeLineShadow(benchmark::State& state)
{
    const int width = 160, height = 100, band = 4;
    std::vector<uint8_t> reduced(size_t(width * height), 0);
    for (int y = 0; y < height; ++y) {
        const int centre = y * width / height;
        for (int x = std::max(0, centre - band); x < std::min(width, centre + band); ++x)
            reduced[size_t(y * width + x)] = uint8_t(40 + 20 * (band - std::abs(x - centre)));
    }
    const int targetWidth = width * 2 + 3, targetHeight = height * 2 + 3, stride = (targetWidth + 3) & ~3;
    std::vector<uint8_t> target(size_t(stride * targetHeight));
    for (auto _ : state) {
        ShadowPixels::enlarge(reduced.data(), width, height, 2, 1.5, 1.5, 0, 0, target.data(), targetWidth,
                              targetHeight, stride);
        benchmark::DoNotOptimize(target.data());
    }
}
BENCHMARK(BM_EnlargeLineShadow);

} // namespace
