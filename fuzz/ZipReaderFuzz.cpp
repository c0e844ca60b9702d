#include "FuzzHome.h"

#include "formats/MinizipLibrary.h"
#include "formats/TwkxArchiveReader.h"
#include "formats/UnzipArchive.h"
#include "formats/ZipDetection.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

// Walks the entries as the store importer does, reading encrypted ones with a password, through
// the minizip the program loads.
class EntryWalker : public UnzipArchive {
public:
    void readAll(uint64_t limit, size_t maxEntries)
    {
        const MinizipLibrary* minizip = MinizipLibrary::get();
        if (!minizip) std::abort();
        if (!_unzFile || minizip->unzGoToFirstFile(_unzFile) != UNZ_OK) return;
        for (size_t i = 0; i < maxEntries; ++i) {
            EntryInfo info;
            if (!currentEntryInfo(info)) return;
            if (const auto entry = readCurrentEntry(info, true)) {
                if (entry->size() > limit || entry->size() != info.declaredSize) std::abort();
            }
            if (minizip->unzGoToNextFile(_unzFile) != UNZ_OK) return;
        }
    }
};

} // namespace

// Reads arbitrary bytes as a zip: lists the entries and extracts each, within a small limit.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<uint8_t> bytes(data, data + size);
    constexpr uint64_t Limit = 1 << 20;
    constexpr size_t MaxEntries = 64;

    UnzipArchive unzip;
    unzip.setExtractionLimit(Limit);
    if (unzip.UnzipOpenData(bytes)) {
        std::vector<std::string> files;
        unzip.readContainedFiles(files);
        for (size_t i = 0; i < files.size() && i < MaxEntries; ++i) {
            if (const auto entry = unzip.extractFileData(files[i])) {
                if (entry->size() > Limit) std::abort();
            }
        }
        unzip.extractFileData("document/mindmap.xml");
    }

    EntryWalker walker;
    walker.setExtractionLimit(Limit);
    if (walker.UnzipOpenData(bytes, "pw")) walker.readAll(Limit, MaxEntries);

    TwkxArchiveReader reader(bytes);
    reader.extractMindMapDocument();

    if (const auto decoded = decodeEncodedArchive(bytes)) {
        if (isEncodedArchive(bytes) && !decoded->empty() && hasPKZIPSignature(*decoded)) {
            UnzipArchive inner;
            inner.setExtractionLimit(Limit);
            if (inner.UnzipOpenData(*decoded)) inner.extractFileData("document/mindmap.xml");
        }
    }
    return 0;
}
