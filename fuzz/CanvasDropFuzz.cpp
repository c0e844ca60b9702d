#include "FuzzHome.h"
#include "MapConsistency.h"

// A drop onto the canvas from arbitrary data: the first byte chooses the kinds the drag offers and
// where it lands, the rest is a row of chunks (type index, 16-bit length, bytes), each read as the
// data of one type. Reading, the rules and the drop itself must hold up, and what the rules accept
// must have read.
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "editor-view/CustomImageHandler.h"
#include "editor-view/DraggingInfo.h"
#include "editor-view/MindMapEditor.h"
#include "platform/TextMeasurer.h"
#include "store/CustomImageStore.h"
#include "support/FakeTextMeasurer.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

const char* const Types[] = {
    "application/x-color", "text/uri-list", "_NETSCAPE_URL", "text/x-moz-url", "com.orrinworks.tarnwickpro.cloudimage",
    "image/png",           "image/jpeg",    "UTF8_STRING",   "STRING",         "text/plain",
};

void checkRule(const DraggingInfo& info, bool target)
{
    using Rule = DraggingInfo::DropRule;
    switch (info.ruleFor(target, true)) {
    case Rule::Color:
        if (!target || !info.color) std::abort();
        break;
    case Rule::ImageFile:
        if (!info.fileNames || info.fileNames->empty() || !info.firstFileImage()) std::abort();
        break;
    case Rule::LinkFile:
        if (!target || !info.fileNames || info.fileNames->empty()) std::abort();
        break;
    case Rule::PasteboardImage: {
        const auto image = info.image();
        if (!image || image->isNull()) std::abort();
        const int limit = CustomImageHandler::decodingSizeLimit();
        if (limit > 0 && std::max(image->pixelWidth(), image->pixelHeight()) > limit) std::abort();
        break;
    }
    case Rule::LinkURL:
        if (!target || !info.url) std::abort();
        break;
    case Rule::CloudImage:
        if (!target || !info.cloudImagePath || info.cloudImagePath->front() != '/') std::abort();
        break;
    case Rule::Text:
        if (!info.string) std::abort();
        break;
    case Rule::None:
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static FakeTextMeasurer measurer;
    TextMeasurer::setShared(&measurer);
    static auto store = [] {
        const std::filesystem::path folder = fuzzhome::folder() / "images";
        std::filesystem::create_directories(folder);
        return std::make_shared<CustomImageStore>(folder.string());
    }();
    if (size == 0) return 0;

    DraggingInfo info;
    info.kinds = data[0] & 0x3F;
    const bool onTheme = (data[0] & 0x40) != 0;
    size_t pos = 1;
    while (pos + 3 <= size) {
        const char* type = Types[data[pos] % std::size(Types)];
        const size_t length = std::min<size_t>(size_t(data[pos + 1]) << 8 | data[pos + 2], size - pos - 3);
        info.readData(type, std::vector<uint8_t>(data + pos + 3, data + pos + 3 + length));
        pos += 3 + length;
    }
    checkRule(info, false);
    checkRule(info, true);

    auto map = std::make_shared<MindMap>(store);
    map->newMindMap("", true, std::string("theme"));
    map->validateElementStates();
    MindMapEditor editor;
    editor.setFrameSize({800, 600});
    editor.setMindMap(map);
    info.location = onTheme ? editor.mapToViewSpace(map->mainCentralTheme()->location()) : Point(5, 5);
    editor.draggingUpdated(info);
    const bool accepted = editor.canPerformDragOperation(info);
    if (editor.performDragOperation(info) != accepted) std::abort();
    mapconsistency::check(*map);
    editor.setMindMap(nullptr);
    store->deleteAllImages();
    store->dropUnusedImages();
    return 0;
}
