#include "store/MindMapImporter.h"

#include "MindMaps/CommandPrompts.h"
#include "MindMaps/MindMap.h"
#include "Utils/ModalAlert.h"
#include "Utils/StandardButtons.h"
#include "Utils/StringUtils.h"
#include "formats/MindMapConverter.h"
#include "formats/PdfConverter.h"
#include "formats/TwkxDataExtractor.h"
#include "platform/Localizer.h"
#include "store/CustomImageStore.h"
#include "store/MindMapInfoItem.h"
#include "store/MindMapStore.h"
#include "store/MindMapStoreFolder.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <optional>

namespace {

constexpr char BinaryPropertyListMagic[] = "bplist00";

bool isBinaryPropertyList(const MindMapData& data)
{
    const size_t length = std::strlen(BinaryPropertyListMagic);
    return data.size() >= length && std::equal(BinaryPropertyListMagic, BinaryPropertyListMagic + length, data.begin());
}

// The binary form of the older document has no root element to be recognised by: it is read
// here and handed on as a native document.
MindMapData nativeFromBinaryPropertyList(const MindMapData& data)
{
    MindMap mindMap(CustomImageStore::localImageStore());
    if (!mindMap.readFromData(data, std::string(), int32_t(MindMapReadFormat::PropertyList))) return {};
    return mindMap.dataOfType(int32_t(MindMapReadFormat::Native));
}

struct ImportDocument {
    MindMapData data;
    // The native document's own GUID; empty for every other kind.
    std::string guid;
};

std::optional<ImportDocument> importDocument(const MindMapData& data, const std::string& fileName)
{
    const std::string extension = lowercased(std::filesystem::path(fileName).extension().string());
    if (extension == ".pdf") {
        MindMapData native = PdfConverter::twkxDataFromPdf(data, fileName, false);
        if (native.empty()) return std::nullopt;
        return ImportDocument{std::move(native), {}};
    }
    if (extension == ".txt" || extension == ".text") {
        MindMapData native = MindMapConverter::twkxDataFromUTF8Data(data);
        if (native.empty()) return std::nullopt;
        return ImportDocument{std::move(native), {}};
    }
    if (isBinaryPropertyList(data)) {
        MindMapData native = nativeFromBinaryPropertyList(data);
        if (native.empty()) return std::nullopt;
        return ImportDocument{std::move(native), {}};
    }
    TwkxDataExtractor extractor;
    if (!extractor.readFromData(data, TwkxDataExtractor::RecognizeForeignFormats)) return std::nullopt;
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
        return std::nullopt;
    }
}

int askImportResolution()
{
    ModalAlert alert;
    alert.setAlertStyle(AlertStyle::Warning);
    alert.setMessageText(localized("import_resolution_dialog_title"));
    alert.setInformativeText(localized("import_resolution_dialog_message"));
    alert.addButtonWithTitle(localized("import_resolution_dialog_overwrite"));
    alert.addButtonWithTitle(localized("import_resolution_dialog_importnew"));
    addCancelButton(alert);
    return commandPromptsInstance().runAlert(alert);
}

// The code the store's own imports fail with.
constexpr int64_t ImportErrorCode = 42;

// What did not become a map says so; a question answered with cancel leaves the error empty.
MindMapInfoItem* importFailed(Error* error)
{
    setError(
        error,
        MakeAppError(ImportErrorCode, localized("map_import_error"), localized("map_import_unknown_format_reason")));
    return nullptr;
}

} // namespace

MindMapInfoItem* MindMapImporter::importMindMapFromData(const MindMapData& data, const std::string& fileName,
                                                        MindMapStoreFolder* folder, Error* error)
{
    if (data.empty()) return importFailed(error);
    std::optional<ImportDocument> document = importDocument(data, fileName);
    if (!document) return importFailed(error);
    MindMapStore* store = MindMapStore::mindMapStoreInstance();
    if (!document->guid.empty()) {
        if (MindMapInfoItem* existing = store->mindMapByGuid(document->guid)) {
            switch (askImportResolution()) {
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
    MindMapInfoItem* item = document->guid.empty() ? store->importMindMap(document->data, error)
                                                   : store->importMindMap(document->data, document->guid, error);
    if (item && folder) item->setParent(folder);
    return item;
}
