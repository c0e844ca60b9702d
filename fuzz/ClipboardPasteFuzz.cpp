#include "FuzzHome.h"
#include "MapConsistency.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "formats/MindMapClipboard.h"
#include "formats/TwkxMindMapReader.h"
#include "formats/TwkxMindMapWriter.h"
#include "platform/Pasteboard.h"
#include "store/CustomImageStore.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

// Pastes arbitrary clipboard data onto a topic of a small map; the low bit of the first byte
// pastes as central theme instead.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool registered = [] {
        registerNativeFormat();
        return true;
    }();
    (void)registered;
    static auto store = std::make_shared<CustomImageStore>();

    MindMap map(store);
    map.newMindMap("", true, std::string("theme"));
    MemoryPasteboard pasteboard;
    pasteboard.declareTypes({MindMapClipboard::PasteboardType});
    pasteboard.setData(std::vector<uint8_t>(data, data + size), MindMapClipboard::PasteboardType);
    const bool asCentralTheme = size > 0 && (data[0] & 1) != 0;
    const std::string before = TwkxMindMapWriter::captureUndoState(map);
    Error error;
    const bool pasted = MindMapClipboard::pasteFromClipboard(map, asCentralTheme, pasteboard, nullptr, &error);
    mapconsistency::check(map);
    // A paste that reports an error has left the map alone.
    if (!pasted && !error.isEmpty() && TwkxMindMapWriter::captureUndoState(map) != before) std::abort();
    if (pasted) {
        // What was pasted can be copied again and pasted once more.
        MindMapClipboard::copySelectionToClipboard(map, pasteboard, nullptr);
        MindMapClipboard::pasteFromClipboard(map, true, pasteboard, nullptr, nullptr);
        mapconsistency::check(map);
    }
    return 0;
}
