#include "FuzzHome.h"

#include "FilerFuzzSupport.h"
#include "store/ForeignMapConversion.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

// A file in another format as it comes from a cloud or an import: the first byte picks the format
// (OPML, FreeMind, text, PDF), the rest is the file. Whatever converts must make a native file that
// opens again.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    static const int32_t formats[] = {4, 5, 6, 7};
    const int32_t format = formats[data[0] % 4];
    filerfuzz::read(MindMapData(), MindMapReadFormat::Native);
    std::string readerError;
    const MindMapData document = ForeignMapConversion::nativeDocumentData(MindMapData(data + 1, data + size), format,
                                                                          "/fuzz/file", true, readerError);
    if (document.empty()) return 0;
    const std::optional<MindMapData> archive = ForeignMapConversion::nativeArchive(document);
    if (!archive) std::abort();
    if (!filerfuzz::read(*archive, MindMapReadFormat::Native)) std::abort();
    return 0;
}
