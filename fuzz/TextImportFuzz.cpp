#include "FuzzHome.h"

#include "FilerFuzzSupport.h"
#include "formats/PlainTextImporter.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// Whether the import's limits let the text in. A map read at the limits may export to an outline
// a little beyond them: a central theme gathers a flat list, and tabs mark the levels.
bool withinLimits(const MindMapData& text)
{
    const auto lines = static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
    return PlainTextImporter::acceptsTextSize(text.size()) && lines <= PlainTextImporter::MaximumLineCount;
}

} // namespace

// Opens arbitrary bytes as a plain text outline (any encoding the import recognises). Whatever
// opens must export to an outline that opens again, when that is within the import's limits; the
// HTML outline of it must be made too.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    auto map = filerfuzz::read(MindMapData(data, data + size), MindMapReadFormat::PlainText);
    if (!map) return 0;
    const MindMapData text = MindMapConverter::exportToText(*map, false);
    if (!map->isEmpty() && !filerfuzz::read(text, MindMapReadFormat::PlainText) && withinLimits(text)) std::abort();
    if (MindMapConverter::exportToHtmlOutline(*map, false).empty()) std::abort();
    return 0;
}
