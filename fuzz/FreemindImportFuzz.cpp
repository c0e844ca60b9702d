#include "FuzzHome.h"

#include "FilerFuzzSupport.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

// Opens arbitrary bytes as a FreeMind map. Whatever opens must export to a FreeMind map that
// opens again with the same topics and texts, compared word by word (opening wraps long texts
// again; notes lose the blanks around their lines, which HTML paragraphs do not keep). The format
// has one root: several central themes come back as the children of a root named after the map.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    auto map = filerfuzz::read(MindMapData(data, data + size), MindMapReadFormat::FreeMind);
    if (!map) return 0;
    auto again = filerfuzz::read(MindMapConverter::exportToFreemind(*map), MindMapReadFormat::FreeMind);
    if (!again) std::abort();
    const std::string expected = map->centralThemes().size() > 1
        ? "0:" + filerfuzz::words(map->singleLineTitle()) + "\n" + filerfuzz::tree(*map, false, 1)
        : filerfuzz::tree(*map, false);
    if (filerfuzz::tree(*again, false) != expected) std::abort();
    return 0;
}
