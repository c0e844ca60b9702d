// Writes the native reader's fuzz target documents of our own writer to start from: a map that
// uses every element and attribute, a small one and an empty one. scripts/fuzz.sh runs it before
// the targets, so that the seeds follow the writer as it changes. The empty map's title comes from
// the string table: TARNWICK_RESOURCES names the resources folder when none is beside the program.
//   twkx_fuzz_seeds <folder>
#include "formats/TwkxTestSupport.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

// Laying out the full map loads the system's fonts once, and the font library keeps its
// configuration for the life of the process.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

namespace {

bool writeSeed(const std::filesystem::path& path, MindMap& map)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << twkxtest::writeDocument(map);
    file.close();
    if (file) return true;
    std::fprintf(stderr, "twkx_fuzz_seeds: %s could not be written\n", path.c_str());
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        std::fprintf(stderr, "twkx_fuzz_seeds: %s: %s\n", folder.c_str(), error.message().c_str());
        return 1;
    }
    MindMap full;
    twkxtest::buildFullMap(full);
    MindMap small;
    small.newMindMap("", true, std::string("Theme"));
    MindMap empty;
    empty.newMindMap("", false, std::nullopt);
    const bool written = writeSeed(folder / "full-map.xml", full) && writeSeed(folder / "small-map.xml", small) &&
        writeSeed(folder / "empty-map.xml", empty);
    return written ? 0 : 1;
}
