#include "store/MindMapImporter.h"

#include "MindMaps/CommandPrompts.h"
#include "MindMaps/MindMap.h"
#include "Utils/ModalAlert.h"
#include "Utils/StandardButtons.h"
#include "Utils/StringUtils.h"
#include "formats/DocumentLimits.h"
#include "formats/MindMapConverter.h"
#include "formats/MindMapFile.h"
#include "formats/PdfConverter.h"
#include "formats/PdfDocumentReader.h"
#include "formats/PlainTextImporter.h"
#include "formats/TwkxDataExtractor.h"
#include "platform/FileUtils.h"
#include "platform/Localizer.h"
#include "store/CustomImageStore.h"
#include "store/MindMapInfoItem.h"
#include "store/MindMapStore.h"
#include "store/MindMapStoreFolder.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <new>
#include <optional>
#include <stdexcept>

namespace {

constexpr char BinaryPropertyListMagic[] = "bplist00";

bool isBinaryPropertyList(const MindMapData& data)
{
    const size_t length = std::strlen(BinaryPropertyListMagic);
    return data.size() >= length && std::equal(BinaryPropertyListMagic, BinaryPropertyListMagic + length, data.begin());
}

constexpr int64_t ImportErrorCode = 42;

bool importFailed(Error* error, const std::string& reasonKey)
{
    return setError(error, MakeAppError(ImportErrorCode, localized("map_import_error"), localized(reasonKey)));
}

// The binary form of the older document has no root element to be recognised by: it is read
// here and handed on as a native document.
MindMapData nativeFromBinaryPropertyList(const MindMapData& data, Error* error)
{
    MindMap mindMap(CustomImageStore::localImageStore());
    Error failure;
    if (!mindMap.readFromData(data, std::string(), int32_t(MindMapReadFormat::PropertyList), &failure)) {
        if (failure.isEmpty()) importFailed(error, "map_import_unreadable_reason");
        else setError(error, failure);
        return {};
    }
    return mindMap.dataOfType(int32_t(MindMapReadFormat::Native), error);
}

struct ImportDocument {
    MindMapData data;
    // The native document's own GUID; empty for every other kind.
    std::string guid;
};

bool isTextFileName(const std::string& fileName)
{
    const std::string extension = lowercased(std::filesystem::path(fileName).extension().string());
    return extension == ".txt" || extension == ".text";
}

std::optional<ImportDocument> importDocument(const MindMapData& data, const std::string& fileName, Error* error)
{
    const std::string extension = lowercased(std::filesystem::path(fileName).extension().string());
    if (extension == ".pdf") {
        MindMapData native = PdfConverter::twkxDataFromPdf(data, fileName, false);
        if (native.empty()) {
            // A missing PDF module is no fault of the file: the user is told what is missing.
            const std::string unavailable = PdfDocumentReader::unavailableReason();
            if (!unavailable.empty())
                setError(error,
                         MakeAppError(ImportErrorCode, localized("map_import_error"),
                                      localizedFormat("map_import_pdf_support_missing_reason", {unavailable})));
            else importFailed(error, "map_import_unreadable_pdf_reason");
            return std::nullopt;
        }
        return ImportDocument{std::move(native), {}};
    }
    if (isTextFileName(fileName)) {
        if (!PlainTextImporter::acceptsTextSize(data.size(), error)) return std::nullopt;
        MindMapData native = MindMapConverter::twkxDataFromUTF8Data(data, error);
        if (native.empty()) return std::nullopt;
        return ImportDocument{std::move(native), {}};
    }
    if (isBinaryPropertyList(data)) {
        MindMapData native = nativeFromBinaryPropertyList(data, error);
        if (native.empty()) return std::nullopt;
        return ImportDocument{std::move(native), {}};
    }
    // A container past the archive limits, or topics nested too deeply, are refused with the
    // limit they pass rather than as a format that cannot be imported.
    if (!DocumentLimits::acceptsData(data, error)) return std::nullopt;
    TwkxDataExtractor extractor;
    if (!extractor.readFromData(data, TwkxDataExtractor::RecognizeForeignFormats)) {
        importFailed(error, "map_import_unknown_format_reason");
        return std::nullopt;
    }
    switch (extractor.format()) {
    case 1: // the older property-list document
    case 4: // OPML
    case 5: // FreeMind
        return ImportDocument{data, {}};
    case 2: {
        std::string guid = extractor.loadedGuid();
        // A GUID that could not name a map file is no identity to keep.
        if (!MindMapStore::isValidMindMapGuid(guid)) guid.clear();
        return ImportDocument{data, std::move(guid)};
    }
    default:
        importFailed(error, "map_import_unknown_format_reason");
        return std::nullopt;
    }
}

// Several files may be asked about one after the other, a file handed over long after it was
// given: the question names the file, and its folder, as two files of one name may be asked about.
int askImportResolution(const std::string& fileName)
{
    const std::filesystem::path file(fileName);
    ModalAlert alert;
    alert.setAlertStyle(AlertStyle::Warning);
    alert.setMessageText(localized("import_resolution_dialog_title"));
    alert.setInformativeText(file.has_parent_path()
                                 ? localizedFormat("import_resolution_dialog_message_in_folder",
                                                   {file.filename().string(), file.parent_path().string()})
                                 : localizedFormat("import_resolution_dialog_message", {file.filename().string()}));
    alert.addButtonWithTitle(localized("import_resolution_dialog_overwrite"));
    alert.addButtonWithTitle(localized("import_resolution_dialog_importnew"));
    addCancelButton(alert);
    return commandPromptsInstance().runAlert(alert);
}

} // namespace

MindMapInfoItem* MindMapImporter::importMindMapFromData(const MindMapData& data, const std::string& fileName,
                                                        MindMapStoreFolder* folder, Error* error,
                                                        MindMapStore::ImportTarget* target)
{
    if (data.empty()) {
        importFailed(error, "map_import_unknown_format_reason");
        return nullptr;
    }
    // Reading a file builds a whole map in memory: running out of it refuses the import and
    // leaves the store as it was.
    try {
        return importConvertedData(data, fileName, folder, error, target);
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    importFailed(error, "map_import_out_of_memory_reason");
    return nullptr;
}

MindMapInfoItem* MindMapImporter::importMindMapFromFile(const std::string& path, MindMapStoreFolder* folder,
                                                        Error* error, MindMapStore::ImportTarget* target)
{
    std::optional<MindMapData> data;
    try {
        data = readImportedFile(path, isTextFileName(path), error);
    } catch (const std::bad_alloc&) {
        importFailed(error, "map_import_out_of_memory_reason");
    }
    if (!data) return nullptr;
    return importMindMapFromData(*data, path, folder, error, target);
}

std::optional<MindMapData> MindMapImporter::readImportedFile(const std::string& path, bool asText, Error* error)
{
    if (!asText) return readMindMapFile(path, error);
    Error readError;
    std::optional<MindMapData> data = readFileData(path, PlainTextImporter::MaximumTextSize, &readError);
    if (data || !isTooLargeToRead(readError)) {
        if (!data) setError(error, std::move(readError));
        return data;
    }
    // Told with the size the file has; one that grew past the limit while it was read has passed it.
    std::error_code ec;
    const uintmax_t size = std::filesystem::file_size(path, ec);
    PlainTextImporter::acceptsTextSize(std::max<uint64_t>(ec ? 0 : size, PlainTextImporter::MaximumTextSize + 1),
                                       error);
    return std::nullopt;
}

MindMapInfoItem* MindMapImporter::importConvertedData(const MindMapData& data, const std::string& fileName,
                                                      MindMapStoreFolder* folder, Error* error,
                                                      MindMapStore::ImportTarget* target)
{
    MindMapStore* store = MindMapStore::mindMapStoreInstance();
    // Asked again for the same GUID, the import finds the map it made the first time.
    if (target && MindMapStore::isValidMindMapGuid(target->guid))
        if (MindMapInfoItem* made = store->mindMapByGuid(target->guid)) return made;
    std::optional<ImportDocument> document = importDocument(data, fileName, error);
    if (!document) return nullptr;
    if (!document->guid.empty()) {
        if (MindMapInfoItem* existing = store->mindMapByGuid(document->guid)) {
            const int answer = askImportResolution(fileName);
            // The question ran a loop of its own, in which the map lent for the import may have
            // been given a map to show: the import is read back from its file instead.
            if (target) target->mindMap = nullptr;
            switch (answer) {
            case OverwriteAnswer: {
                MindMapStore::UpdateBracket bracket(store);
                // The item writes the whole file anew or leaves the old one as it was.
                return existing->commitExternalData(document->data, error) ? existing : nullptr;
            }
            case ImportAsNewAnswer:
                document->guid.clear();
                break;
            default:
                return nullptr;
            }
        }
    }
    MindMapStore::UpdateBracket bracket(store);
    MindMapInfoItem* item = document->guid.empty() ? store->importMindMap(document->data, error, nullptr, target)
                                                   : store->importMindMap(document->data, document->guid, error);
    if (item && folder) item->setParent(folder);
    return item;
}
