#include "FuzzHome.h"

#include "FilerFuzzSupport.h"
#include "MapConsistency.h"
#include "formats/PdfConverter.h"
#include "formats/TwkxMindMapReader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

// Walks the bookmark outline of arbitrary bytes taken for a PDF. Whatever converts must open as
// a native document with one central theme and no more bookmarks than the walk allows.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool registered = (registerNativeFormat(), true);
    (void)registered;
    const MindMapData native = PdfConverter::twkxDataFromPdf(MindMapData(data, data + size), "/fuzz/Input.pdf", false);
    if (native.empty()) return 0;
    auto map = filerfuzz::read(native, MindMapReadFormat::Native);
    if (!map) std::abort();
    mapconsistency::check(*map);
    if (map->centralThemes().size() != 1) std::abort();
    if (map->nodes().size() > PdfConverter::MaximumOutlineItems + 1) std::abort();
    return 0;
}
