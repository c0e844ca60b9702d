// The preferences window's stored place comes from the user's settings file, which anything may
// have written: reading it never fails harder than answering nothing, and what it reads writes
// back to the same point.
#include "preferences/PointString.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const std::optional<Point> point = pointFromString(text)) {
        if (!std::isfinite(point->x) || !std::isfinite(point->y)) std::abort();
        const std::optional<Point> again = pointFromString(stringFromPoint(*point));
        if (!again || again->x != point->x || again->y != point->y) std::abort();
    }
    return 0;
}
