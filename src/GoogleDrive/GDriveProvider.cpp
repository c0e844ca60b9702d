#include "GoogleDrive/GDriveProvider.h"

#include "Editor/FeedbackCenter.h"
#include "GoogleDrive/GDriveFileInfoCache.h"
#include "GoogleDrive/GDriveFolderCache.h"
#include "GoogleDrive/GDriveIdentifierPool.h"
#include "GoogleDrive/GDriveStorage.h"
#include "Utils/FileManagerUtils.h"
#include "Utils/GuidCreation.h"
#include "Utils/PathValidation.h"
#include "cloud/CacheFiles.h"
#include "formats/EmptyMindMapTemplate.h"
#include "platform/FileUtils.h"
#include "platform/Localizer.h"
#include "platform/NetworkController.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

void showSaveError(const std::string& fileName)
{
    FeedbackCenter::feedbackCenter().showEditorNotification(localized("gdrive_file_save_error"), fileName,
                                                            FeedbackStateError);
}

// After the last ".", none for a name without one (or only a leading one).
std::optional<std::string> extensionOf(const std::string& name)
{
    const size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == name.size()) return std::nullopt;
    return name.substr(dot + 1);
}

// The name with its extension, if any, replaced.
std::string withExtension(const std::string& name, const std::string& extension)
{
    const size_t dot = name.find_last_of('.');
    const std::string base = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
    return base + "." + extension;
}

} // namespace

GDriveProvider::GDriveProvider(GDriveProviderService& service)
    : CloudServiceProvider(MindMapProviderGoogleDrive, ensureCacheRootDirectory(), service), _service(service)
{
}

GDriveProvider::~GDriveProvider() = default;

std::string GDriveProvider::ensureCacheRootDirectory()
{
    return ensureStoreFolder(CacheRootFolderName);
}

const char* GDriveProvider::mediaFolderForKind(uint32_t mediaKind)
{
    switch (mediaKind) {
    case MediaImage:
        return ImagesFolder;
    case MediaMovie:
        return MoviesFolder;
    case MediaAudioRecording:
        return AudioFolder;
    default:
        return ExportFolder;
    }
}

std::string GDriveProvider::title() const
{
    return localized("gdrive_title");
}

Image GDriveProvider::iconImage() const
{
    return Image::fromResource("google_drive");
}

Image GDriveProvider::largeIcon() const
{
    return Image::fromResource("google_drive_128");
}

void GDriveProvider::enabledChanged()
{
    if (enabled()) ensureCacheRootDirectory();
    ExternalProvider::enabledChanged();
}

std::string GDriveProvider::uploadMedia(uint32_t mediaKind, const std::string& fromPath, const std::string& targetName,
                                        MindMapStorage* reference)
{
    if (!_service.isLinked()) return {};
    std::string folder;
    if (auto* storage = dynamic_cast<GDriveStorage*>(reference)) {
        if (const GDriveFileInfoItem* item = _service.fileInfo().get(storage->id())) folder = item->parentId();
    }
    if (folder.empty()) {
        GDriveFolderCache& folders = _service.folderCache();
        folder =
            folders.resolveFolderIdForFolderPath(mediaFolderForKind(mediaKind), true).value_or(folders.rootFolderId());
    }
    return createNewFile(targetName, folder, readFileData(fromPath, MaximumCloudFileSize));
}

std::string GDriveProvider::performCopyToCloud(const std::string& folderId, const std::string& title,
                                               const std::vector<uint8_t>& data)
{
    const std::string gdriveId = createNewMindMapInFolder(folderId, title, data);
    if (!gdriveId.empty()) {
        const GDriveFileInfoItem* item = _service.fileInfo().get(gdriveId);
        FeedbackCenter::feedbackCenter().addItemWithTitle(
            formatText(localized("copy_to_cloud_feedback"), {this->title()}), item ? item->name() : gdriveId,
            FeedbackStateInformation, FeedbackCenter::gdriveImage());
    }
    return gdriveId;
}

std::shared_ptr<MindMapStorage> GDriveProvider::createStorage(const std::string& mindMapId)
{
    return createStorage(mindMapId, true);
}

std::string GDriveProvider::createNewMindMapWithReference(MindMapStorage* reference, const std::string& title)
{
    std::string folder;
    if (auto* storage = dynamic_cast<GDriveStorage*>(reference)) {
        if (const GDriveFileInfoItem* item = _service.fileInfo().get(storage->id())) folder = item->parentId();
    }
    return createNewMindMapInFolder(folder, title);
}

std::optional<MindMapListInfo> GDriveProvider::getMindMapListInfo(const std::string& mindMapId)
{
    std::optional<MindMapListInfo> base = ExternalProvider::getMindMapListInfo(mindMapId);
    const GDriveFileInfoItem* item = _service.fileInfo().get(mindMapId);
    if (!item) return base;
    std::string title = base ? base->title() : std::string();
    std::string folderInfo = base ? base->folderInfo() : std::string();
    if (!item->name().empty()) title = item->name();
    if (!item->parentId().empty()) {
        // My Drive has no path: a map there keeps the base's folder information.
        if (auto path = _service.folderCache().buildFolderPath(item->parentId())) folderInfo = *path;
    }
    return MindMapListInfo::infoWithTitle(title, folderInfo);
}

std::string GDriveProvider::buildPathBasedLink(const std::string& gdriveId)
{
    const GDriveFileInfoItem* item = _service.fileInfo().getNavigationInfo(gdriveId);
    if (!item) return {};
    std::string path = _service.folderCache().buildFolderPath(item->parentId()).value_or(std::string());
    if (path.empty() || path.front() != '/') path.insert(path.begin(), '/');
    if (path.back() != '/') path += '/';
    return path + item->name();
}

std::shared_ptr<MindMapSearchCache> GDriveProvider::buildSearchCache()
{
    std::vector<SearchEntry> maps;
    for (const GDriveFileInfoItem* item : _service.fileInfo().itemsList()) {
        if (item->extension() == MapExtension)
            maps.push_back({item->gdriveId(), item->name(), cacheFilePathForCacheFileInfo(item)});
    }
    return refreshSearchCache(maps);
}

std::string GDriveProvider::cacheFilePathForFileId(const std::string& fileId) const
{
    if (fileId.empty()) return {};
    return cacheFilePathForCacheFileInfo(_service.fileInfo().get(fileId));
}

std::string GDriveProvider::cacheFilePathForCacheFileInfo(const GDriveFileInfoItem* item) const
{
    // Without a cache root a relative path would land in the working folder.
    if (!item || item->cacheFileName().empty() || rootDirectory().empty()) return {};
    return (fs::path(rootDirectory()) / item->cacheFileName()).string();
}

void GDriveProvider::changeFileId(const std::string& oldId, const std::string& newId)
{
    // A snapshot: a storage that changes its id stays in the list, but the list may be touched.
    const auto snapshot = storages();
    for (const auto& storage : snapshot) {
        if (auto* drive = dynamic_cast<GDriveStorage*>(storage.get())) drive->changeFileId(oldId, newId);
    }
}

std::shared_ptr<MindMapStorage> GDriveProvider::createStorage(const std::string& gdriveId, bool updateLastAccessed)
{
    if (gdriveId.empty()) return nullptr;
    const std::string cacheFile = cacheFilePathForFileId(gdriveId);
    std::error_code error;
    if (cacheFile.empty() || !fs::is_regular_file(cacheFile, error)) return nullptr;
    const std::string cacheDirectory = makeStorageCacheDirectory();
    if (cacheDirectory.empty()) return nullptr;
    if (updateLastAccessed) _service.fileInfo().updateLastAccessed(gdriveId);
    return MindMapStorage::create<GDriveStorage>(this, gdriveId, cacheFile, cacheDirectory);
}

std::shared_ptr<MindMapStorage> GDriveProvider::createTempStorage(const std::string& gdriveId)
{
    return createStorage(gdriveId, false);
}

std::string GDriveProvider::createNewMindMapInFolder(const std::string& folderId, const std::string& title)
{
    Error error;
    MindMapData data = getEmptyMindMapData(createGUIDString(), title, &error);
    if (data.empty()) {
        showSaveError(title);
        return {};
    }
    return createNewMindMapInFolder(folderId, title, data);
}

std::string GDriveProvider::createNewMindMapInFolder(const std::string& folderId, const std::string& title,
                                                     const std::optional<std::vector<uint8_t>>& data)
{
    const std::string folder = folderId.empty() ? _service.folderCache().rootFolderId() : folderId;
    const std::string name = stringWithSaneFileNameLength(stringByRemovingInvalidFileNameCharsAllowSpaces(title, true));
    const std::string fileName =
        (name.empty() ? localized("mindmap_default_mind_map_name") : name) + "." + std::string(MapExtension);
    return createNewFile(fileName, folder, data);
}

std::string GDriveProvider::createNewFile(const std::string& fileName, const std::string& inFolder,
                                          const std::optional<std::vector<uint8_t>>& data)
{
    if (!data) return {};
    // A map whose folder is not known yet has its export beside it in My Drive.
    const std::string folderId = inFolder.empty() ? _service.folderCache().rootFolderId() : inFolder;
    const std::string uniqueName = _service.uniqueFileName(fileName, folderId);
    const std::string gdriveId = _service.identifierPool().extractIdentifierFromPool();
    if (gdriveId.empty()) {
        FeedbackCenter::feedbackCenter().showEditorNotification(
            localized("title_error_saving_data"), localized("gdrive_identifier_pool_error"), FeedbackStateError);
        return {};
    }
    GDriveMetadata metadata(gdriveId, extensionOf(uniqueName));
    metadata.name = uniqueName;
    metadata.parentIdentifier = folderId;
    GDriveFileInfoItem* item = _service.fileInfo().update(metadata);
    if (!item) {
        // A name without extension has no cache file name: the user hears why nothing was made.
        showSaveError(uniqueName);
        return {};
    }
    // A half-written file would be recorded and uploaded as the user's map: all or nothing.
    const std::string cacheFile = cacheFilePathForCacheFileInfo(item);
    if (cacheFile.empty() || !writeFileAtomically(cacheFile, *data)) {
        _service.fileInfo().remove(gdriveId);
        showSaveError(uniqueName);
        return {};
    }
    _service.dispatchFolderChanged(folderId);
    startUploadForFileId(gdriveId, uniqueName);
    return gdriveId;
}

void GDriveProvider::synchronizeWithCloud()
{
    _service.manualSynchronize();
}

void GDriveProvider::startUploadForFileId(const std::string& gdriveId, const std::string& fileName)
{
    if (NetworkController::networkAvailable()) {
        _service.highPrioritySynchronizeFile(gdriveId);
        return;
    }
    FeedbackCenter::feedbackCenter().showEditorNotification(
        localizedFormat("title_file_has_been_created_fmt", {fileName}), localized("message_file_will_be_uploaded"),
        FeedbackStateInformation);
}

std::string GDriveProvider::uploadMindMapExportData(const std::vector<uint8_t>& data, const std::string& extension,
                                                    const std::string& mindMapId)
{
    if (!_service.isLinked()) return {};
    const GDriveFileInfoItem* item = _service.fileInfo().get(mindMapId);
    if (!item) return {};
    const std::string name = withExtension(item->name().empty() ? item->gdriveId() : item->name(), extension);
    const std::string folder = item->parentId();
    return createNewFile(name, folder, data);
}
