#include "FuzzHome.h"

#include "formats/UnzipArchive.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

// Extracts arbitrary bytes as a zip into a folder of its own, with the overwrite mode the first
// byte picks, twice (the second run meets the files of the first). Nothing may be written
// outside the folder, nor more than the limits allow.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const fs::path base = fuzzhome::folder() / "unzip";
    static const fs::path target = base / "out";
    constexpr uint64_t Limit = 1 << 20;
    std::error_code ignored;
    fs::remove_all(base, ignored);
    fs::create_directories(base);

    const int32_t mode = size > 0 ? data[0] % 4 : 0;
    for (int run = 0; run < 2; ++run) {
        UnzipArchive unzip;
        unzip.setExtractionLimit(Limit);
        unzip.setTotalExtractionLimit(4 * Limit);
        if (!unzip.UnzipOpenData(std::vector<uint8_t>(data, data + size))) return 0;
        unzip.UnzipFileTo(target.string(), mode, true);
    }

    uint64_t total = 0;
    for (const auto& entry : fs::directory_iterator(base)) {
        if (entry.path() != target) std::abort();
    }
    if (fs::exists(target)) {
        for (const auto& entry : fs::recursive_directory_iterator(target)) {
            if (entry.is_symlink()) std::abort();
            if (entry.is_regular_file()) total += entry.file_size();
        }
    }
    if (total > 4 * Limit) std::abort();
    return 0;
}
