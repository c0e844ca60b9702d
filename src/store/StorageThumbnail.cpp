#include "store/StorageThumbnail.h"

#include "MindMaps/MindMap.h"
#include "Utils/URLUtils.h"
#include "formats/MindMapFile.h"
#include "render/MindMapPainter.h"
#include "store/CustomImageStore.h"
#include "store/MindMapStorage.h"

std::vector<uint8_t> paintStorageThumbnail(MindMapStorage& storage)
{
    const bool wasOpen = storage.isOpen();
    if (!wasOpen) storage.open();
    std::vector<uint8_t> png;
    const std::string path = pathWithFileURL(storage.mindMapFileUrl());
    if (std::optional<std::vector<uint8_t>> data = path.empty() ? std::nullopt : readMindMapFile(path)) {
        MindMap mindMap(storage.imageStore());
        if (mindMap.readFromData(*data, storage.guid(), int32_t(MindMapReadFormat::Native)))
            png = MindMapPainter::createThumbnailImage(mindMap);
    }
    if (!wasOpen) storage.close();
    return png;
}
