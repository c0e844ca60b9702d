#include "FuzzHome.h"

#include "formats/TwkxMindMapReader.h"
#include "store/MindMapInfoItem.h"
#include "store/MindMapStore.h"
#include "store/MindMapStoreFolder.h"
#include "store/StoreArchiveImporter.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

fs::path prepareHome()
{
    registerNativeFormat();
    const fs::path home = fuzzhome::folder() / "data";
    fs::create_directories(home);
    return home;
}

// True when nothing but the store's own folders lies outside the store root.
bool onlyTheStoreIn(const fs::path& home)
{
    for (const auto& entry : fs::directory_iterator(home)) {
        const std::string name = entry.path().filename();
        if (name != "Tarnwick" && name != "archive.twkstore") return false;
    }
    return true;
}

} // namespace

// Imports arbitrary bytes as a store archive into a fresh store: nothing may be written outside
// the store, and every map must end up in the tree once.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const fs::path home = prepareHome();
    std::error_code ignored;
    fs::remove_all(home / "Tarnwick", ignored);
    const fs::path archive = home / "archive.twkstore";
    std::ofstream(archive, std::ios::binary).write(reinterpret_cast<const char*>(data), std::streamsize(size));

    MindMapStore* store = MindMapStore::mindMapStoreInstance();
    store->importFromArchive(archive.string());
    std::vector<MindMapInfoItem*> maps;
    store->rootFolder()->getContainedMaps(maps);
    if (maps.size() != store->count()) std::abort();
    MindMapStore::releaseMindMapStoreInstance();
    if (!onlyTheStoreIn(home)) std::abort();
    return 0;
}
