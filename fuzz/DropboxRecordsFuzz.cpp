#include "FuzzHome.h"

#include "dropbox/DropboxFileInfoCache.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

// The record file of the cached cloud files: whatever it holds, reading must not crash, and what
// was read must come back the same through writing and reading again.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The cache reads its file at start; this one never exists and is never written.
    static const std::string records = (fuzzhome::folder() / "none" / "records.xml").string();
    DropboxFileInfoCache cache(records);
    DropboxFileInfoCacheFiler filer(cache);
    if (!filer.loadCacheFromData(std::string(reinterpret_cast<const char*>(data), size))) return 0;
    for (DropboxFileInfoItem* item : cache.itemsList()) {
        if (!item->isValid()) std::abort();
    }
    const std::string written = filer.buildDataFromCache();
    DropboxFileInfoCache again(records);
    DropboxFileInfoCacheFiler reader(again);
    if (!reader.loadCacheFromData(written) || again.count() != cache.count()) std::abort();
    DropboxFileInfoCacheFiler::parseDate(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
