#include "MindMaps/CrossLink.h"
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
#include <unordered_set>
#include <vector>

namespace {

// Whatever the paste did, the map's tree and its lists agree with each other.
void checkMap(MindMap& map)
{
    std::unordered_set<const MindMapNode*> nodes(map.nodes().begin(), map.nodes().end());
    if (nodes.size() != map.nodes().size()) std::abort();
    size_t themes = 0;
    for (MindMapNode* node : map.nodes()) {
        if (!node->parent()) ++themes;
        else if (!nodes.count(node->parent())) std::abort();
        size_t steps = 0;
        for (const MindMapNode* up = node; up; up = up->parent()) {
            if (++steps > map.nodes().size()) std::abort(); // a circle
        }
    }
    if (themes != map.centralThemes().size()) std::abort();
    for (CrossLink* link : map.crossLinks()) {
        if (!nodes.count(link->sourceNode()) || !nodes.count(link->targetNode())) std::abort();
        if (link->sourceNode() == link->targetNode()) std::abort();
    }
}

} // namespace

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
    checkMap(map);
    // A paste that reports an error has left the map alone.
    if (!pasted && !error.isEmpty() && TwkxMindMapWriter::captureUndoState(map) != before) std::abort();
    if (pasted) {
        // What was pasted can be copied again and pasted once more.
        MindMapClipboard::copySelectionToClipboard(map, pasteboard, nullptr);
        MindMapClipboard::pasteFromClipboard(map, true, pasteboard, nullptr, nullptr);
        checkMap(map);
    }
    return 0;
}
