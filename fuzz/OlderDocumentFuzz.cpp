#include "FuzzHome.h"

#include "FilerFuzzSupport.h"
#include "MapConsistency.h"
#include "formats/TwkxMindMapReader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

// Opens arbitrary bytes as an older property-list document (XML or binary). Whatever opens must
// be a consistent map (no parent circles, no dangling cross links) that saves as a native
// document that opens again with the same topics.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool registered = (registerNativeFormat(), true);
    (void)registered;
    auto map = filerfuzz::read(MindMapData(data, data + size), MindMapReadFormat::PropertyList);
    if (!map) return 0;
    mapconsistency::check(*map);
    auto again = filerfuzz::read(map->dataOfType(int32_t(MindMapReadFormat::Native)), MindMapReadFormat::Native);
    if (!again) std::abort();
    if (again->nodes().size() != map->nodes().size()) std::abort();
    return 0;
}
