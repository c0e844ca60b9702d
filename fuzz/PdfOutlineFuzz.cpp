#include "FuzzHome.h"

#include "FilerFuzzSupport.h"
#include "MapConsistency.h"
#include "formats/PdfConverter.h"
#include "formats/PdfDocumentReader.h"
#include "formats/TwkxMindMapReader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

// Reads arbitrary bytes taken for a PDF and walks their bookmark outline. Whatever converts must open as
// a native document with one central theme and no more bookmarks than the walk allows.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool registered = (registerNativeFormat(), true);
    (void)registered;
    // What the windows ask of a document: its pages' sizes and an outline whose items each
    // follow their parent.
    if (const auto reader = PdfDocumentReader::openData(MindMapData(data, data + size))) {
        const int pages = reader->pageCount();
        for (int page = 0; page <= pages + 1 && page < 64; ++page) {
            const auto pageSize = reader->pageSize(page);
            if (pageSize && (page < 1 || page > pages || !(pageSize->width > 0) || !(pageSize->height > 0)))
                std::abort();
        }
        const auto outline = reader->outline();
        if (outline.size() > PdfDocumentReader::MaximumOutlineItems) std::abort();
        for (size_t i = 0; i < outline.size(); ++i) {
            const auto& item = outline[i];
            if (item.parent != PdfDocumentReader::NoParent && item.parent >= i) std::abort();
            if (item.depth > PdfDocumentReader::MaximumOutlineDepth) std::abort();
            if (item.page && (*item.page < 1 || *item.page > pages)) std::abort();
        }
        if (!outline.empty() != reader->hasOutline()) std::abort();
    }
    const MindMapData native = PdfConverter::twkxDataFromPdf(MindMapData(data, data + size), "/fuzz/Input.pdf", false);
    if (native.empty()) return 0;
    auto map = filerfuzz::read(native, MindMapReadFormat::Native);
    if (!map) std::abort();
    mapconsistency::check(*map);
    if (map->centralThemes().size() != 1) std::abort();
    if (map->nodes().size() > PdfConverter::MaximumOutlineItems + 1) std::abort();
    return 0;
}
