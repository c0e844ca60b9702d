#include "FuzzHome.h"

#include "Utils/CryptoDigest.h"
#include "Utils/HexEncoding.h"
#include "Utils/StringUtils.h"
#include "formats/MindMapConverter.h"
#include "formats/TwkxMindMapReader.h"
#include "platform/FileUtils.h"
#include "store/CustomImageStore.h"
#include "store/MindMapInfoItem.h"
#include "store/MindMapStore.h"
#include "store/MindMapStoreFolder.h"
#include "support/FakeTextMeasurer.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Every image the store holds is named by the SHA-1 of its bytes.
void checkImages(const fs::path& folder)
{
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (it->path().extension() != ".png") continue;
        const auto bytes = readFileData(it->path().string(), MaximumMindMapFileSize);
        if (!bytes || !caseInsensitiveEqual(stringByHexEncoding(SHA1(*bytes)), it->path().stem().string()))
            std::abort();
    }
}

} // namespace

// Brings arbitrary bytes into a fresh store the ways maps come from outside: imported (native,
// a container with images, another format) and committed as a device's map under a GUID. A
// refused import says why; the tree holds every map once; images are what their names say; and
// nothing lands outside the store.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const fs::path home = [] {
        // Imported maps are measured when they are read; real fonts would make the fuzzer slow.
        static FakeTextMeasurer measurer;
        TextMeasurer::setShared(&measurer);
        registerNativeFormat();
        registerForeignFormats();
        return fuzzhome::folder() / "data";
    }();
    // One store for the run, emptied after each input: starting a store costs more than an import.
    MindMapStore* store = MindMapStore::mindMapStoreInstance();
    const MindMapData bytes(data, data + size);

    Error error;
    std::vector<std::string> skipped;
    if (!store->importMindMap(bytes, &error, &skipped) && error.isEmpty()) std::abort();
    store->addMindMapWithExternalTwkxData(bytes, "AAAAAAAAAAAAAAAAAAAAAAAA", nullptr, nullptr, &skipped);
    std::vector<MindMapInfoItem*> maps;
    store->rootFolder()->getContainedMaps(maps);
    if (maps.size() != store->count()) std::abort();
    checkImages(fs::path(store->documentsDirectory()) / "Images");

    for (MindMapInfoItem* map : maps) store->deleteMindMap(map);
    if (const auto images = CustomImageStore::localImageStore()) images->deleteUnusedImages({});
    for (const auto& entry : fs::directory_iterator(home)) {
        if (entry.path().filename() != "Tarnwick") std::abort();
    }
    return 0;
}
