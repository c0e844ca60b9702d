#include "FuzzHome.h"

#include "MindMaps/MindMap.h"
#include "formats/TwkxMindMapReader.h"
#include "formats/TwkxMindMapWriter.h"
#include "store/CustomImageStore.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

// Opening a map measures its texts, which loads the system's fonts once: the font library keeps
// its configuration for the life of the process, which the leak checker would report at exit.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

// Opens arbitrary bytes as a native document. Whatever opens must write a document that opens
// again and then writes the very same bytes: the writer never produces text its reader refuses,
// and reading and writing agree.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool registered = (registerNativeFormat(), true);
    (void)registered;
    // A store without a folder: nothing the document names can reach the file system.
    static const auto store = std::make_shared<CustomImageStore>();
    constexpr int32_t native = static_cast<int32_t>(MindMapReadFormat::Native);
    // Opened as a stored map is, under its store GUID: a document without a usable GUID of its
    // own would otherwise be given a new one on every read.
    const std::string guid = "0123456789ABCDEF01234567";

    MindMap map(store);
    if (!map.readFromData(MindMapData(data, data + size), guid, native)) return 0;
    const MindMapData first = TwkxMindMapWriter::writeMindMap(map);

    MindMap again(store);
    if (!again.readFromData(first, guid, native)) std::abort();
    if (TwkxMindMapWriter::writeMindMap(again) != first) std::abort();
    return 0;
}
