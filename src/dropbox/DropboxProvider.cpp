#include "dropbox/DropboxProvider.h"

#include "Editor/FeedbackCenter.h"
#include "Utils/FileManagerUtils.h"
#include "Utils/GuidCreation.h"
#include "Utils/PathValidation.h"
#include "Utils/StringUtils.h"
#include "cloud/CacheFiles.h"
#include "dropbox/DropboxBrowsingCache.h"
#include "dropbox/DropboxFileInfoCache.h"
#include "dropbox/DropboxStorage.h"
#include "formats/EmptyMindMapTemplate.h"
#include "platform/FileUtils.h"
#include "platform/Localizer.h"
#include "platform/NetworkController.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

bool endsWith(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// "/" for the root and for an empty folder; a leading "/" and no trailing one.
std::string normalizedFolder(const std::string& folder)
{
    std::string path = folder;
    std::replace(path.begin(), path.end(), '\\', '/');
    if (path.empty() || path.front() != '/') path.insert(path.begin(), '/');
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

// The folder part of a Dropbox path: "/" for a map at the root.
std::string parentFolderOf(const std::string& dbPath)
{
    const size_t slash = dbPath.find_last_of('/');
    if (slash == std::string::npos || slash == 0) return "/";
    return dbPath.substr(0, slash);
}

// A name that stays one entry of its folder.
bool isPlainFileName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\") == std::string::npos &&
        name.find('\0') == std::string::npos;
}

void showSaveError(const std::string& fileName)
{
    FeedbackCenter::feedbackCenter().showEditorNotification(localized("gdrive_file_save_error"), fileName,
                                                            FeedbackStateError);
}

} // namespace

DropboxProvider::DropboxProvider(DropboxProviderService& service)
    : CloudServiceProvider(MindMapProviderDropbox, assureDropboxCacheRootDirectory(), service), _service(service)
{
}

DropboxProvider::~DropboxProvider() = default;

std::string DropboxProvider::assureDropboxCacheRootDirectory()
{
    return ensureStoreFolder(CacheRootFolderName);
}

std::string DropboxProvider::title() const
{
    return localized("provider_dropbox_title");
}

Image DropboxProvider::iconImage() const
{
    return Image::fromResource("dropbox_white_16");
}

Image DropboxProvider::largeIcon() const
{
    return Image::fromResource("dropbox_128");
}

void DropboxProvider::enabledChanged()
{
    if (enabled()) assureDropboxCacheRootDirectory();
    ExternalProvider::enabledChanged();
}

std::string DropboxProvider::uploadMedia(uint32_t mediaKind, const std::string& fromPath, const std::string& targetName,
                                         MindMapStorage* reference)
{
    if (!_service.isInitialized()) return {};
    std::string folder;
    if (auto* storage = dynamic_cast<DropboxStorage*>(reference)) folder = parentFolderOf(storage->id());
    if (folder.empty()) {
        switch (mediaKind) {
        case MediaImage:
            folder = ImagesFolder;
            break;
        case MediaMovie:
            folder = MoviesFolder;
            break;
        case MediaAudioRecording:
            folder = AudioFolder;
            break;
        case MediaLinkedDocument:
            folder = DocumentsFolder;
            break;
        default:
            folder = ExportFolder;
            break;
        }
    }
    std::optional<std::vector<uint8_t>> data = readFileData(fromPath, MaximumCloudFileSize);
    return createNewFile(targetName, folder, data);
}

std::string DropboxProvider::performCopyToCloud(const std::string& folderId, const std::string& title,
                                                const std::vector<uint8_t>& data)
{
    const std::string path = createNewMindMapInDbDirectory(folderId, title, data);
    if (!path.empty()) {
        FeedbackCenter::feedbackCenter().addItemWithTitle(
            formatText(localized("copy_to_cloud_feedback"), {this->title()}), path, FeedbackStateInformation,
            FeedbackCenter::dropboxImage());
    }
    return path;
}

std::shared_ptr<MindMapStorage> DropboxProvider::createStorage(const std::string& mindMapId)
{
    return createStorage(mindMapId, true);
}

std::string DropboxProvider::createNewMindMapWithReference(MindMapStorage* reference, const std::string& title)
{
    std::string folder;
    if (auto* storage = dynamic_cast<DropboxStorage*>(reference)) folder = parentFolderOf(storage->id());
    return createNewMindMapInDbDirectory(folder, title);
}

bool DropboxProvider::isValidMapId(const std::string& mindMapId)
{
    return !mindMapId.empty() && _service.isAuthorized() && mindMapId.front() == '/' &&
        endsWith(mindMapId, MapExtension);
}

std::shared_ptr<MindMapSearchCache> DropboxProvider::buildSearchCache()
{
    std::vector<SearchEntry> maps;
    for (const DropboxFileInfoItem* item : _service.fileInfo().itemsList()) {
        const std::string& path = item->path();
        maps.push_back({path, fs::path(path).filename().string(), cacheFilePathForDbPath(path)});
    }
    return refreshSearchCache(maps);
}

std::string DropboxProvider::cacheFilePathForFileId(const std::string& fileId) const
{
    return cacheFilePathForDbPath(fileId);
}

std::string DropboxProvider::cacheFilePathForDbPath(const std::string& dbPath) const
{
    // Without a cache root a relative path would land in the working folder.
    if (rootDirectory().empty()) return {};
    std::string path = dbPath;
    std::replace(path.begin(), path.end(), '\\', '/');
    // Folders come with or without their trailing "/".
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    const std::string cachePath = ExternalProvider::cacheFilePathForFileId(lowercased(path));
    // The service's names may be longer than the file system takes.
    const std::string& root = rootDirectory();
    if (cachePath.size() <= root.size() || cachePath.compare(0, root.size(), root) != 0) return cachePath;
    return root + fitCachePath(cachePath.substr(root.size()));
}

std::shared_ptr<MindMapStorage> DropboxProvider::createStorage(const std::string& dbPath, bool updateLastAccessed)
{
    if (dbPath.empty()) return nullptr;
    const std::string cacheFile = cacheFilePathForDbPath(dbPath);
    std::error_code error;
    if (cacheFile.empty() || !fs::is_regular_file(cacheFile, error)) return nullptr;
    if (updateLastAccessed) _service.fileInfo().updateLastAccessed(dbPath);
    const std::string cacheDirectory = makeStorageCacheDirectory();
    if (cacheDirectory.empty()) return nullptr;
    return MindMapStorage::create<DropboxStorage>(this, dbPath, cacheFile, cacheDirectory);
}

std::shared_ptr<MindMapStorage> DropboxProvider::createTempStorage(const std::string& dbPath)
{
    return createStorage(dbPath, false);
}

std::string DropboxProvider::createNewMindMapInDbDirectory(const std::string& dbFolder, const std::string& title)
{
    Error error;
    MindMapData data = getEmptyMindMapData(createGUIDString(), title, &error);
    if (data.empty()) {
        showSaveError(title);
        return {};
    }
    return createNewMindMapInDbDirectory(dbFolder, title, data);
}

std::string DropboxProvider::createNewMindMapInDbDirectory(const std::string& dbFolder, const std::string& title,
                                                           const std::optional<std::vector<uint8_t>>& data)
{
    if (!data) return {};
    const std::string name = stringWithSaneFileNameLength(stringByRemovingInvalidFileNameCharsAllowSpaces(title, true));
    const std::string fileName =
        (name.empty() ? localized("mindmap_default_mind_map_name") : name) + std::string(MapExtension);
    return createNewFile(fileName, dbFolder.empty() ? "/" : dbFolder, data);
}

std::string DropboxProvider::createNewFile(const std::string& fileName, const std::string& dbFolder,
                                           const std::optional<std::vector<uint8_t>>& data)
{
    const std::string folder = normalizedFolder(dbFolder);
    const std::string cacheFolder = cacheFilePathForDbPath(folder);
    std::error_code error;
    if (cacheFolder.empty() || !isPlainFileName(fileName)) {
        showSaveError(fileName);
        return {};
    }
    fs::create_directories(cacheFolder, error);
    if (!fs::is_directory(cacheFolder, error)) {
        showSaveError(fileName);
        return {};
    }

    const std::string uniqueName = getUniqueFileName(fileName, folder);
    const std::string dbPath = includeTrailingPathSeparator(folder) + uniqueName;
    const std::string cacheFile = cacheFilePathForDbPath(dbPath);
    // A half-written file would be recorded and uploaded as the user's map: all or nothing.
    if (!data || cacheFile.empty() || !writeFileAtomically(cacheFile, *data)) {
        showSaveError(uniqueName);
        return {};
    }

    // The record keeps the file's date as the record file stores it, or the file would look
    // changed after the next start.
    _service.fileInfo().update(dbPath, fileModificationDate(cacheFile), DropboxFileInfoItem::makeNewFileRev());
    _service.dispatchDirectoryChanged(folder);
    startUploadForPath(dbPath);
    return dbPath;
}

void DropboxProvider::startUploadForPath(const std::string& dbPath)
{
    if (!NetworkController::networkAvailable()) {
        FeedbackCenter::feedbackCenter().showEditorNotification(
            localizedFormat("title_file_has_been_created_fmt", {fs::path(dbPath).filename().string()}),
            localized("message_file_will_be_uploaded"), FeedbackStateInformation);
        return;
    }
    _service.highPrioritySynchronizeFile(dbPath);
}

std::string DropboxProvider::getUniqueFileName(const std::string& name, const std::string& dbFolder) const
{
    const std::string folder = includeTrailingPathSeparator(normalizedFolder(dbFolder));
    // Every candidate below is refused alike when these are: there would be no end to the search.
    if (cacheFilePathForDbPath(folder).empty() || !isPlainFileName(name)) return name;
    const DropboxBrowsingCache& listings = _service.browsingCache();
    auto isFree = [&](const std::string& candidate) {
        const std::string cacheFile = cacheFilePathForDbPath(folder + candidate);
        std::error_code error;
        if (cacheFile.empty() || fs::symlink_status(cacheFile, error).type() != fs::file_type::not_found) return false;
        return !listings.contains(folder, candidate);
    };
    if (isFree(name)) return name;
    const fs::path path(name);
    const std::string base = path.stem().string();
    const std::string extension = path.extension().string();
    for (long n = 1;; ++n) {
        const std::string candidate = formatText("%@ (%d)", {base, std::to_string(n)}) + extension;
        if (isFree(candidate)) return candidate;
    }
}

void DropboxProvider::fileRenamedFrom(const std::string& oldPath, const std::string& newPath)
{
    // A snapshot: a storage that changes its id stays in the list, but the list may be touched.
    const auto snapshot = storages();
    for (const auto& storage : snapshot) {
        if (auto* dropbox = dynamic_cast<DropboxStorage*>(storage.get())) dropbox->fileRenamedFrom(oldPath, newPath);
    }
}

void DropboxProvider::directoryRenamedFrom(const std::string& oldFolder, const std::string& newFolder)
{
    const auto snapshot = storages();
    for (const auto& storage : snapshot) {
        if (auto* dropbox = dynamic_cast<DropboxStorage*>(storage.get())) {
            dropbox->directoryRenamedFrom(oldFolder, newFolder);
        }
    }
}
