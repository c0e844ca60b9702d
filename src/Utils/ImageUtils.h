#pragma once

#include "platform/Geometry.h"

#include <cstdint>
#include <vector>

// At 4 bytes a pixel, an image may take at most this many bytes in memory.
inline constexpr int64_t ImageMemoryLimitBytes = 4'000'000'000;

// True when width x height pixels at 4 bytes each fit the limit; negative sizes never fit.
bool ImageSizeWithinMemoryLimit(int64_t width, int64_t height);

// The pixel size of the widest representation, or the nominal size when none is wider.
Size getRepresentationSize(Size nominal, const std::vector<Size>& representationPixelSizes);
