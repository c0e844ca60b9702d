#include "FuzzHome.h"

#include "formats/TwkxMindMapReader.h"
#include "store/MindMapInfoItem.h"
#include "store/MindMapStore.h"
#include "store/MindMapStoreFolder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const char* const Guids[] = {"AAAAAAAAAAAAAAAAAAAAAAAA", "BBBBBBBBBBBBBBBBBBBBBBBB", "CCCCCCCCCCCCCCCCCCCCCCCC"};

void writeFile(const fs::path& path, const std::string& contents)
{
    std::ofstream(path, std::ios::binary) << contents;
}

// A store root of its own in a temporary folder, with three maps the index may name.
fs::path prepareStore()
{
    registerNativeFormat();
    const fs::path documents = fuzzhome::folder() / "data" / "Tarnwick" / "Mind Maps";
    fs::create_directories(documents);
    for (const char* guid : Guids) {
        writeFile(documents / (std::string(guid) + ".twkx"),
                  std::string("<tarnwick-mindmaps doc-version=\"3\"><mindmap><meta><guid guid=\"") + guid +
                      "\"/></meta><topics/></mindmap></tarnwick-mindmaps>");
    }
    return documents;
}

} // namespace

// Starts the store over an arbitrary "folder-index.xml": every map must stay in the tree exactly
// once, and the tree must write back.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const fs::path documents = prepareStore();
    writeFile(documents / "folder-index.xml", std::string(reinterpret_cast<const char*>(data), size));

    MindMapStore* store = MindMapStore::mindMapStoreInstance();
    std::vector<MindMapInfoItem*> maps;
    store->rootFolder()->getContainedMaps(maps);
    if (maps.size() != store->count() || store->count() != 3) std::abort();
    if (!store->getFolderIndexData(true)) std::abort();
    MindMapStore::releaseMindMapStoreInstance();
    // An index that does not read is kept aside at every start.
    for (const auto& entry : fs::directory_iterator(documents)) {
        if (entry.path().filename().string().starts_with("folder-index.xml.corrupt")) fs::remove(entry.path());
    }
    return 0;
}
