#include "FuzzHome.h"

#include "FilerFuzzSupport.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

// Opens arbitrary bytes as a plain text outline (any encoding the import recognises). Whatever
// opens must export to an outline that opens again; the HTML outline of it must be made too.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    auto map = filerfuzz::read(MindMapData(data, data + size), MindMapReadFormat::PlainText);
    if (!map) return 0;
    const MindMapData text = MindMapConverter::exportToText(*map, false);
    if (!map->isEmpty() && !filerfuzz::read(text, MindMapReadFormat::PlainText)) std::abort();
    if (MindMapConverter::exportToHtmlOutline(*map, false).empty()) std::abort();
    return 0;
}
