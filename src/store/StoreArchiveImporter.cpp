#include "store/StoreArchiveImporter.h"

#include "MindMaps/CustomStyleSheet.h"
#include "Utils/FileManagerUtils.h"
#include "Utils/PathValidation.h"
#include "Utils/StringUtils.h"
#include "formats/DocumentLimits.h"
#include "platform/Localizer.h"
#include "platform/UserDefaults.h"
#include "platform/Utf8.h"
#include "store/CustomImageStore.h"
#include "store/FolderIndexFormat.h"
#include "store/MindMapInfoItem.h"
#include "store/MindMapStore.h"
#include "store/MindMapStoreFolder.h"

#include <filesystem>
#include <system_error>
#include <unordered_set>

namespace {

constexpr int64_t StoreImportErrorCode = 41;
// The longest name most file systems take.
constexpr size_t MaxFileNameBytes = 255;

std::filesystem::file_type fileTypeAt(const std::string& path)
{
    std::error_code error;
    // Not followed: a symbolic link is never written through.
    return std::filesystem::symlink_status(path, error).type();
}

} // namespace

int64_t StoreArchiveImporter::importModeFromDefaults()
{
    const int64_t mode = UserDefaults::standard().integerForKey(ImportModeDefaultsKey);
    return mode >= KeepExisting && mode <= ReplaceAlways ? mode : KeepExisting;
}

StoreArchiveImporter::StoreArchiveImporter(MindMapStore* store)
    : _overwriteMode(importModeFromDefaults()), _store(store)
{
}

StoreArchiveImporter::~StoreArchiveImporter()
{
    removeImportFolder();
}

void StoreArchiveImporter::setOverwriteMode(int64_t mode)
{
    _overwriteMode = mode >= KeepExisting && mode <= ReplaceAlways ? mode : KeepExisting;
}

std::unique_ptr<MindMapStoreImportResult> StoreArchiveImporter::importStore(const std::string& archivePath,
                                                                            Error* error)
{
    _error = false;
    _unreadableEntries.clear();
    _skippedFiles = _mindMaps = _customStyles = _customImages = 0;
    _unzippedFiles = 0;
    if (!_store || _store->documentsDirectory().empty()) return nullptr;

    // Not an archive at all is a failure to report, not an archive with nothing in it; one beyond
    // the archive limits is refused with the limit it passes, before anything is unpacked.
    Error refusal;
    if (!UnzipOpenFile(archivePath, &refusal)) {
        setError(error,
                 MakeAppError(StoreImportErrorCode, localized("store_archive_import_error"),
                              refusal.isEmpty() ? localizedFormat("store_archive_open_error", {archivePath})
                                                : refusal.failureReason));
        return nullptr;
    }
    // A small archive may claim to unpack to any size: it is measured before anything is written.
    if (!fitsIntoFolder(_store->documentsDirectory())) {
        UnzipCloseFile();
        setError(error,
                 MakeAppError(StoreImportErrorCode, localized("store_archive_import_error"),
                              localizedFormat("store_archive_too_large_error", {archivePath})));
        return nullptr;
    }
    removeImportFolder();
    _importFolder = MindMapStoreFolder::create(nullptr, ImportFolderTitle, std::string());

    if (!extractFiles()) _error = true;
    mergeFolderIndex();
    if (!UnzipCloseFile()) _error = true;
    removeImportFolder();

    if (_error) {
        setError(error,
                 MakeAppError(StoreImportErrorCode, localized("store_archive_import_error"),
                              localizedFormat("store_archive_extract_error", {archivePath})));
        return nullptr;
    }
    return std::make_unique<MindMapStoreImportResult>(_mindMaps, _customStyles, _customImages, _skippedFiles,
                                                      _unreadableEntries);
}

StoreArchiveImporter::EntryKind StoreArchiveImporter::classifyEntry(const std::string& name, std::string& target,
                                                                    std::string& extension) const
{
    if (!Utf8::isValid(name) || name.find('\0') != std::string::npos) return EntryKind::Skip;
    const size_t slash = name.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : name.substr(0, slash);
    // Only the last component counts: no entry name chooses where its file goes.
    const std::string fileName = canonicalForFileSystem(slash == std::string::npos ? name : name.substr(slash + 1));
    const size_t dot = fileName.rfind('.');
    if (dot == std::string::npos || dot == 0 || fileName.size() > MaxFileNameBytes) return EntryKind::Skip;
    const std::string baseName = fileName.substr(0, dot);
    extension = fileName.substr(dot + 1);
    const std::string& documents = _store->documentsDirectory();

    if (folder == ImagesFolderName && extension == ImageExtension) {
        const auto imageStore = CustomImageStore::localImageStore();
        // The image store answers a path only for a name that is an image hash.
        target = imageStore ? imageStore->customImageFilePath(baseName) : std::string();
        return target.empty() ? EntryKind::Skip : EntryKind::CustomImage;
    }
    if (extension == MindMapStore::MindMapExtension) {
        if (!MindMapStore::isValidMindMapGuid(baseName)) return EntryKind::Skip;
        // A map the store knows under another letter case is that map, in its own file.
        const MindMapInfoItem* existing = _store->mindMapByGuid(baseName);
        target = existing ? existing->mindMapFilePath() : (std::filesystem::path(documents) / fileName).string();
        return EntryKind::MindMap;
    }
    if (extension == CustomStyleExtension) {
        if (!CustomStyleSheet::isSafeStyleKey(baseName)) return EntryKind::Skip;
        target = (std::filesystem::path(documents) / fileName).string();
        return EntryKind::CustomStyle;
    }
    return EntryKind::Skip;
}

bool StoreArchiveImporter::shouldExtractFile(const std::string& target, const std::string& extension,
                                             const EntryInfo& entry, bool isCustomImage)
{
    if (!isCustomImage && extension != MindMapStore::MindMapExtension && extension != CustomStyleExtension) {
        return false;
    }
    const std::filesystem::file_type type = fileTypeAt(target);
    if (type == std::filesystem::file_type::not_found) return true;
    // Images are named by their content: one that exists is the same image. And whatever is not a
    // plain file (a folder, a link) is not the archive's to replace.
    if (isCustomImage || type != std::filesystem::file_type::regular) {
        ++_skippedFiles;
        return false;
    }
    bool replace = false;
    if (_overwriteMode == ReplaceAlways) {
        replace = true;
    } else if (_overwriteMode == ReplaceOlder) {
        const auto existingDate = getDateOfItemAtPath(target);
        const auto zippedFileDate = entryDate(entry);
        replace = existingDate && zippedFileDate && *zippedFileDate > *existingDate;
    }
    if (!replace) ++_skippedFiles;
    return replace;
}

bool StoreArchiveImporter::extractFiles()
{
    if (!_unzFile || entryCount() == 0) return false;
    for (size_t index = 0; index < entryCount(); ++index) {
        if (!goToEntry(index)) return false;
        const EntryInfo& info = entryInfo(index);
        std::string target;
        std::string extension;
        EntryKind kind = info.isDirectory ? EntryKind::Skip : classifyEntry(info.name, target, extension);
        if (kind != EntryKind::Skip && shouldExtractFile(target, extension, info, kind == EntryKind::CustomImage)) {
            bool damaged = false;
            bool written = false;
            if (kind == EntryKind::CustomImage) {
                // Kept only when its bytes are the picture its name says (images are named by
                // their content) and it decodes; an image is no reason to stop the import.
                const auto data = readCurrentEntry(info, false);
                const auto imageStore = CustomImageStore::localImageStore();
                const std::string hash = std::filesystem::path(target).stem().string();
                written = data && imageStore && !imageStore->storeImagePngDataNamed(*data, hash).empty();
                damaged = !written;
            } else if (kind == EntryKind::MindMap) {
                // A map no reader would open (nested too deeply) is left out like a damaged
                // entry, before it replaces anything.
                const auto data = readCurrentEntry(info, false);
                damaged = !data || !DocumentLimits::acceptsData(*data);
                written = !damaged && writeEntryDataToFile(info, *data, target);
            } else {
                // Written beside the target and renamed only once complete and matching its CRC.
                written = writeCurrentEntryToFile(info, target, false, &damaged);
            }
            if (!written) {
                // A damaged entry costs only itself; a file that cannot be written stops the walk.
                if (!damaged) return false;
                _unreadableEntries.push_back(info.name);
                kind = EntryKind::Skip;
            } else {
                ++_unzippedFiles;
            }
            switch (kind) {
            case EntryKind::CustomImage:
                ++_customImages;
                break;
            case EntryKind::MindMap:
                _store->mindmapFileImported(std::filesystem::path(target).filename().string(), _importFolder.get());
                ++_mindMaps;
                break;
            case EntryKind::CustomStyle:
                if (CustomStyleSheet::customStyleImported(target)) ++_customStyles;
                break;
            case EntryKind::Skip:
                break;
            }
        }
    }
    return directoryComplete();
}

std::optional<std::vector<uint8_t>> StoreArchiveImporter::getFolderIndexData()
{
    return extractFileData(FolderIndexFormat::FileName);
}

void StoreArchiveImporter::mergeFolderIndex()
{
    if (!_store || !_importFolder) return;
    const auto data = getFolderIndexData();
    pugi::xml_document document;
    const pugi::xml_node rootElement = data ? FolderIndexFormat::parseRootFolder(*data, document) : pugi::xml_node();
    if (!rootElement) {
        // Without it the maps wait in the root: an archive that has one but cannot give it says so.
        std::vector<std::string> names;
        readContainedFiles(names);
        for (const std::string& name : names) {
            if (caseInsensitiveEqual(name, FolderIndexFormat::FileName)) {
                _unreadableEntries.push_back(name);
                break;
            }
        }
        return;
    }

    // The maps new in this import wait outside the tree until the index places them; those it
    // does not name go back in their order.
    const std::vector<std::shared_ptr<MindMapStoreItem>> imported = _importFolder->takeChildren();
    const std::unordered_set<const MindMapStoreItem*> waiting = [&imported] {
        std::unordered_set<const MindMapStoreItem*> items;
        for (const auto& item : imported) items.insert(item.get());
        return items;
    }();
    MindMapStoreFolderLookup folders(_store->rootFolder());
    FolderIndexFormat::walkFolders(
        rootElement, _store->rootFolder(),
        [this, &folders](MindMapStoreFolder* parent, const std::string& id, const std::string& name) {
            MindMapStoreFolder* folder = folders.folderByGuid(id);
            if (!folder) folder = folders.subFolderNamed(parent, name);
            if (!folder) {
                folder = _store->addFolder(parent, name, id, false);
                folders.folderAdded(folder);
            }
            return folder;
        },
        [this, &waiting](MindMapStoreFolder* folder, const std::string& id, const std::string&) {
            // Only maps new in this import move, at their first naming; maps that were there keep
            // their place.
            MindMapInfoItem* map = _store->mindMapByGuid(id);
            if (map && !map->parent() && waiting.contains(map)) folder->insertChild(map);
        });
    for (const auto& item : imported) {
        if (!item->parent()) _importFolder->insertChild(item.get());
    }
    _store->fixupSystemFolders();
}

void StoreArchiveImporter::removeImportFolder()
{
    if (!_importFolder) return;
    if (_store && _store->rootFolder()) {
        const std::vector<std::shared_ptr<MindMapStoreItem>> waiting = _importFolder->takeChildren();
        for (const auto& item : waiting) _store->rootFolder()->insertChild(item.get());
    }
    _importFolder.reset();
}
