#include "FuzzHome.h"

#include "formats/TwkxDataExtractor.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

namespace {

bool isKnownFormat(int32_t format)
{
    return format == 0 || format == 1 || format == 2 || format == 4 || format == 5;
}

} // namespace

// Scans arbitrary bytes (bare XML or a zip container) with every option set, with none and for the
// metadata alone.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> bytes(data, size);
    for (uint32_t options : {0u, 7u}) {
        TwkxDataExtractor extractor;
        const bool ok = extractor.readFromData(bytes, options);
        if (!isKnownFormat(extractor.format())) std::abort();
        if (ok != (extractor.format() != 0)) std::abort();
        if (options == 0 && (!extractor.fullText().empty() || !extractor.images().empty())) std::abort();
        // A GUID handed on must be usable as a file name in a store.
        if (extractor.loadedGuid().find_first_of("/\\") != std::string::npos) std::abort();
        for (const std::string& hash : extractor.images()) {
            if (hash.empty()) std::abort();
        }
        extractor.title();
    }
    // Reading the metadata alone tells what reading the whole document tells.
    TwkxDataExtractor whole;
    TwkxDataExtractor head;
    const bool readWhole = whole.readFromData(bytes, 0);
    const bool readHead = head.readFromData(bytes, TwkxDataExtractor::MetadataOnly);
    if (readWhole &&
        (!readHead || head.title() != whole.title() || head.loadedGuid() != whole.loadedGuid() ||
         head.loadedVersion() != whole.loadedVersion() || head.generator() != whole.generator() ||
         head.containsImages() != whole.containsImages() || head.format() != whole.format()))
        std::abort();
    return 0;
}
