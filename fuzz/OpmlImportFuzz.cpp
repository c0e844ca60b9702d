#include "FuzzHome.h"

#include "FilerFuzzSupport.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

// Opens arbitrary bytes as OPML. Whatever opens must export to OPML that opens again with the
// same topics, notes and texts (texts compared word by word: opening wraps long texts again).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    auto map = filerfuzz::read(MindMapData(data, data + size), MindMapReadFormat::Opml);
    if (!map) return 0;
    auto again = filerfuzz::read(MindMapConverter::exportToOpml(*map), MindMapReadFormat::Opml);
    if (!again) std::abort();
    if (filerfuzz::tree(*again, true) != filerfuzz::tree(*map, true)) std::abort();
    return 0;
}
