#include "FuzzHome.h"
#include "MapConsistency.h"

#include "MindMaps/MindMap.h"
#include "formats/MindMapConverter.h"
#include "formats/TwkxMindMapReader.h"
#include "formats/TwkxMindMapWriter.h"
#include "platform/Pasteboard.h"
#include "store/CustomImageStore.h"
#include "support/FakeTextMeasurer.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

// Pastes arbitrary text as a list under the central theme of a small map. The map stays whole,
// and what the paste made writes a document that reads back and writes the same document.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool ready = [] {
        // Pasted topics are measured for wrapping; real fonts would make the fuzzer slow.
        static FakeTextMeasurer measurer;
        TextMeasurer::setShared(&measurer);
        registerNativeFormat();
        return true;
    }();
    (void)ready;
    static const auto store = std::make_shared<CustomImageStore>();
    const std::string guid = "0123456789ABCDEF01234567";

    MindMap map(store);
    map.newMindMap(guid, true, std::string("theme"));
    MemoryPasteboard pasteboard;
    pasteboard.declareTypes({Pasteboard::StringType});
    pasteboard.setString(std::string(reinterpret_cast<const char*>(data), size), Pasteboard::StringType);
    MindMapConverter::pasteTextAsList(map, pasteboard);
    mapconsistency::check(map);

    // Reading gives new topics their styles' settings, so the document written after one reading
    // is the one that must come back unchanged.
    constexpr int32_t native = static_cast<int32_t>(MindMapReadFormat::Native);
    MindMap read(store);
    if (!read.readFromData(TwkxMindMapWriter::writeMindMap(map), guid, native)) std::abort();
    const MindMapData written = TwkxMindMapWriter::writeMindMap(read);
    MindMap again(store);
    if (!again.readFromData(written, guid, native)) std::abort();
    if (TwkxMindMapWriter::writeMindMap(again) != written) std::abort();
    return 0;
}
