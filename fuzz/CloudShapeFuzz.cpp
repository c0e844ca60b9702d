#include "FuzzHome.h"

// The cloud outline read from whatever the resource file holds: loading must not crash, and the
// outline fitted to a rectangle must be one closed chain of nine curves of finite points.
#include "render/CloudShape.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::filesystem::path resources = [] {
        const std::filesystem::path folder = fuzzhome::folder() / "resources";
        std::filesystem::create_directories(folder / "shapes");
        setenv("TARNWICK_RESOURCES", folder.c_str(), 1);
        return folder;
    }();
    {
        FILE* file = std::fopen((resources / CloudShapeResource).c_str(), "wb");
        if (!file) std::abort();
        if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
        std::fclose(file);
    }
    LoadCloudShapePoints();

    BezierPath path;
    AppendCloudShape(path, Rect(-30, 12, 200, 90));
    if (path.elements().size() != 2 + CloudShapeSegmentCount) std::abort();
    for (const BezierPath::Element& element : path.elements())
        for (const Point& p : element.points)
            if (!std::isfinite(p.x) || !std::isfinite(p.y)) std::abort();
    return 0;
}
