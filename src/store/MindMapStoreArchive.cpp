// The whole store as one archive (".twkstore"): its export, and the store's side of an import.

#include "store/MindMapStore.h"

#include "MindMaps/CustomStyleSheet.h"
#include "Utils/FileManagerUtils.h"
#include "formats/DocumentDamage.h"
#include "formats/DocumentLimits.h"
#include "formats/MindMapFile.h"
#include "formats/ZipArchive.h"
#include "platform/FileUtils.h"
#include "platform/Localizer.h"
#include "store/CustomImageStore.h"
#include "store/FolderIndexFormat.h"
#include "store/MindMapInfoItem.h"
#include "store/MindMapStoreFolder.h"
#include "store/SiblingTempFile.h"
#include "store/StoreArchiveImporter.h"

#include <chrono>
#include <filesystem>
#include <system_error>

namespace {

constexpr int64_t StoreExportErrorCode = 40;

bool isExportedDocument(const std::filesystem::directory_entry& entry)
{
    std::error_code error;
    if (!entry.is_regular_file(error)) return false;
    const std::string extension = entry.path().extension().string();
    return extension == std::string(".") + MindMapStore::MindMapExtension ||
        extension == std::string(".") + StoreArchiveImporter::CustomStyleExtension;
}

bool exportFailed(Error* error, const std::string& reasonKey, const std::string& path)
{
    return setError(error,
                    MakeAppError(StoreExportErrorCode, localized("store_archive_export_error"),
                                 localizedFormat(reasonKey, {path})));
}

} // namespace

bool MindMapStore::exportToArchive(const std::string& archivePath, Error* error, std::vector<std::string>* leftOut)
{
    if (_documentsDirectory.empty()) return false;
    // The archive carries the tree as it is now, whether or not the file on disk could be updated.
    saveFolderIndexFile();
    const auto folderIndex = getFolderIndexData(false);

    // Built beside the chosen path and moved there only when complete: a failed export never
    // leaves a partial archive, nor destroys an earlier one of that name.
    SiblingTempFile archiveFile(archivePath);
    if (!archiveFile.isValid()) return setError(error, archiveFile.error());
    ZipArchive archive;
    if (!archive.CreateZipFile2(archiveFile.path())) {
        return exportFailed(error, "store_archive_export_create_error", archivePath);
    }

    std::error_code listError;
    std::filesystem::directory_iterator entries(_documentsDirectory, listError);
    if (listError) return exportFailed(error, "store_archive_export_list_error", _documentsDirectory);
    bool documentsAdded = true;
    for (const std::filesystem::directory_iterator end; entries != end; entries.increment(listError)) {
        if (listError) {
            documentsAdded = false;
            break;
        }
        if (!isExportedDocument(*entries)) continue;
        const std::filesystem::path path = entries->path();
        const bool isMap = path.extension() == std::string(".") + MindMapExtension;
        Error readError;
        const std::optional<MindMapData> data = isMap
            ? readMindMapFile(path.string(), &readError)
            : readFileData(path.string(), CustomStyleSheet::MaximumFileSize, &readError);
        const bool tooLarge = readError.domain == DocumentDamage::ErrorDomain || isTooLargeToRead(readError);
        if (!data && !tooLarge) {
            documentsAdded = false;
            continue;
        }
        // The import would refuse it: an archive that cannot come back whole is no copy of the store.
        if (!data || (isMap && !DocumentLimits::acceptsData(*data))) {
            if (leftOut && isMap) {
                const MindMapInfoItem* map = mindMapByGuid(path.stem().string());
                leftOut->push_back(map ? map->singleLineTitle() : localized("mindmap_mindmap"));
            }
            continue;
        }
        if (!archive.addDataToZip(*data, getDateOfItemAtPath(path.string()), path.filename().string()))
            documentsAdded = false;
    }

    // Images are a bonus: a map whose image is lost still opens.
    if (const auto imageStore = CustomImageStore::localImageStore()) {
        for (const std::string& name : imageStore->imageFiles()) {
            const std::string path = (std::filesystem::path(imageStore->imagesDirectory()) / name).string();
            archive.addFileToZip(path, std::string(StoreArchiveImporter::ImagesFolderName) + "/" + name);
        }
    }

    const bool indexAdded = folderIndex &&
        archive.addDataToZip(*folderIndex, std::chrono::system_clock::now(), FolderIndexFormat::FileName);
    const bool closed = archive.CloseZipFile2();
    if (!closed || !documentsAdded || !indexAdded) {
        return exportFailed(error, "store_archive_export_write_error", archivePath);
    }
    return archiveFile.commit(error);
}

std::unique_ptr<MindMapStoreImportResult> MindMapStore::importFromArchive(const std::string& archivePath, Error* error)
{
    if (_documentsDirectory.empty()) return nullptr;
    UpdateBracket bracket(this);
    StoreArchiveImporter importer(this);
    return importer.importStore(archivePath, error);
}

void MindMapStore::mindmapFileImported(const std::string& fileName, MindMapStoreFolder* importFolder)
{
    const std::string guid = std::filesystem::path(fileName).stem().string();
    if (MindMapInfoItem* existing = mindMapByGuid(guid)) {
        existing->synchronize();
        mindMapExternalCommitted(existing);
        return;
    }
    if (MindMapInfoItem* item = addMindMapItem(fileName, importFolder, true)) item->synchronize();
}
