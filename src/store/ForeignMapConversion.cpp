#include "store/ForeignMapConversion.h"

#include "MindMaps/MindMap.h"
#include "Utils/GuidCreation.h"
#include "formats/ExportFormats.h"
#include "formats/PdfConverter.h"
#include "formats/PdfDocumentReader.h"
#include "formats/TwkxArchiveWriter.h"
#include "platform/Error.h"
#include "platform/FileUtils.h"
#include "platform/Localizer.h"
#include "store/CustomImageStore.h"
#include "store/MindMapStore.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include <stdlib.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace ForeignMapConversion {

int32_t readFormatOfFileName(const std::string& fileName)
{
    const std::string name = fs::path(fileName).filename().string();
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) return 0;
    return ImportFormatFromExtension(std::string_view(name).substr(dot + 1));
}

std::optional<MindMapData> readFile(const std::string& path, std::string& error)
{
    Error readError;
    std::optional<MindMapData> bytes = readFileData(path, MaximumFileSize, &readError);
    if (!bytes) {
        error = isTooLargeToRead(readError)
            ? localizedFormat("conversion_file_too_large_error", {std::to_string(MaximumFileSize >> 20)})
            : localized("filer_read_error");
    }
    return bytes;
}

MindMapData nativeDocumentData(const MindMapData& data, int32_t readFormat, const std::string& path, bool isCloud,
                               std::string& readerError)
{
    if (readFormat == ImportFormatPdfBookmarks) {
        MindMapData document = PdfConverter::twkxDataFromPdf(data, path, isCloud);
        if (document.empty()) {
            const std::string unavailable = PdfDocumentReader::unavailableReason();
            if (!unavailable.empty())
                readerError = localizedFormat("map_import_pdf_support_missing_reason", {unavailable});
        }
        return document;
    }
    if (readFormat != ImportFormatOpml && readFormat != ImportFormatFreeMind && readFormat != ImportFormatPlainText)
        return {};
    MindMap mindMap(CustomImageStore::localImageStore());
    Error error;
    if (!mindMap.readFromData(data, createGUIDString(), readFormat, &error)) {
        readerError = error.localizedDescription;
        return {};
    }
    MindMapData document = mindMap.dataOfType(int32_t(MindMapReadFormat::Native), &error);
    if (document.empty()) readerError = error.localizedDescription;
    return document;
}

std::string scratchDirectory()
{
    if (MindMapStore* store = MindMapStore::existingInstance()) {
        std::error_code error;
        if (!store->scratchDirectory().empty() && fs::is_directory(store->scratchDirectory(), error))
            return store->scratchDirectory();
    }
    std::error_code error;
    const fs::path temporary = fs::temp_directory_path(error);
    return error ? std::string("/tmp") : temporary.string();
}

std::string temporaryFilePath()
{
    return (fs::path(scratchDirectory()) / createGUIDString()).string();
}

std::optional<MindMapData> nativeArchive(const MindMapData& documentData)
{
    if (documentData.empty()) return std::nullopt;
    // The file is made here, under a name nobody else holds, before the writer fills it: the
    // scratch folder may be the system's, where another user could lay a link in the way.
    std::string path = (fs::path(scratchDirectory()) / "twkx-XXXXXX").string();
    const int fd = mkstemp(path.data());
    if (fd < 0) return std::nullopt;
    close(fd);
    std::optional<std::vector<uint8_t>> archive;
    {
        // A temporary writer removes its file when it goes.
        TwkxArchiveWriter writer(path, true);
        writer.addMindMapDocumentData(documentData);
        archive = writer.getArchiveData();
    }
    if (!archive || archive->empty()) return std::nullopt;
    return archive;
}

} // namespace ForeignMapConversion
