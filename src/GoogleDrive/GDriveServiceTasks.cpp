#include "Editor/FeedbackCenter.h"
#include "GoogleDrive/GDriveAuthHelper.h"
#include "GoogleDrive/GDriveFileInfoCache.h"
#include "GoogleDrive/GDriveFileTasks.h"
#include "GoogleDrive/GDriveFolderLister.h"
#include "GoogleDrive/GDriveService.h"
#include "GoogleDrive/GDriveSimpleTasks.h"
#include "Utils/CryptoDigest.h"
#include "editor-view/CloudDocumentLinks.h"
#include "platform/Image.h"
#include "platform/Localizer.h"
#include "store/CustomImageStore.h"
#include "store/EditorInterface.h"
#include "store/ForeignMapConversion.h"
#include "store/MindMapProviders.h"
#include "store/MindMapStorage.h"
#include "store/StorageThumbnail.h"

#include <filesystem>

namespace fs = std::filesystem;

// The Drive pane's operations on single files. Most bring the latest version into the cache
// through the shared downloader first and finish in syncCompleted by their operation code.

namespace {

constexpr int ResolveAsMap = 0;
constexpr int ResolveAsLink = 1;

void notifyError(const std::string& title, const std::string& message)
{
    FeedbackCenter::feedbackCenter().showEditorNotification(title, message, FeedbackStateError);
}

std::optional<MindMapData> cacheFileBytes(const std::string& path)
{
    if (path.empty()) return std::nullopt;
    std::string problem;
    return ForeignMapConversion::readFile(path, problem);
}

} // namespace

// ---- user tasks

bool GDrive::downloaderAvailable() const
{
    return _initialized && _userTasks && !_userTasks->busy();
}

bool GDrive::startDownloaderOperation(const std::string& gdriveId, UserInfo userInfo)
{
    if (!downloaderAvailable()) return false;
    if (!_downloader) _downloader = std::make_unique<GDriveFileSynchronizer>(*this, this);
    _downloader->getMostRecentVersionForFileId(gdriveId, userInfo);
    // A cached copy may have answered already, and then the task is over.
    if (_downloader && _downloader->busy()) NotificationCenter::defaultCenter().post(UserTaskChangeNotification, this);
    return true;
}

void GDrive::userTaskCompleted(GDriveTask* task)
{
    // At the service's end the task list is being torn down while its tasks report.
    if (_userTasks) _userTasks->finished(task);
}

GDriveSimpleTasks* GDrive::startSimpleTask()
{
    if (!_userTasks) return nullptr;
    return _userTasks->startSimpleTask(*this);
}

// ---- opening

void GDrive::openMindMap(const std::string& gdriveId, const std::any& info)
{
    if (gdriveId.empty()) return;
    if (!isAuthorized()) {
        // The sign-in is in a keyring the user left locked: the map follows once it is unlocked.
        if (auth().isSignInLocked()) _openOnceUnlocked = LockedOpen{gdriveId, info, currentEditorStorage()};
        return;
    }
    if (gdriveId.find('/') != std::string::npos) {
        if (!_userTasks || _userTasks->busy()) return;
        auto resolver = std::make_unique<GDrivePathResolverTask>(*this, this, gdriveId, ResolveAsMap, info);
        GDrivePathResolverTask* started = resolver.get();
        if (_userTasks->add(std::move(resolver))) started->execute();
        return;
    }
    // The download that opens the map when it ends is under way: the pane that keeps its selection
    // while the download puts the file in place asks again, and the map would open, or fail to, twice.
    if (_downloader && _downloader->busy() && _downloader->fileId() == gdriveId &&
        Notification{"", nullptr, _downloader->userInfo()}.value<int>(OperationKey, 0) == OpenMap)
        return;
    const std::string cacheFile = _provider->cacheFilePathForFileId(gdriveId);
    std::error_code error;
    if (!cacheFile.empty() && fs::is_regular_file(cacheFile, error)) {
        EditorInterfaceInstance()->openStorage(_provider.get(), gdriveId, info);
        highPrioritySynchronizeFile(gdriveId);
        return;
    }
    if (!_initialized) {
        // The map reopened at start-up is asked for before the account's folders are known: it is
        // fetched once they are, instead of leaving the user at an empty window.
        if (isInitializing()) _pendingOpen = PendingOpen{gdriveId, info};
        return;
    }
    UserInfo userInfo{{OperationKey, static_cast<int>(OpenMap)}};
    if (info.has_value()) userInfo["info"] = info;
    startDownloaderOperation(gdriveId, std::move(userInfo));
}

void GDrive::openCloudLink(const std::string& link)
{
    openCloudLink(link, {});
}

void GDrive::openCloudLink(const std::string& link, const std::any& info)
{
    if (!downloaderAvailable() || link.empty()) return;
    if (link.find('/') == std::string::npos) {
        UserInfo userInfo{{OperationKey, static_cast<int>(OpenOtherFile)}};
        if (const auto* entries = std::any_cast<UserInfo>(&info)) {
            for (const auto& [key, value] : *entries) {
                if (key != OperationKey) userInfo[key] = value;
            }
        }
        startDownloaderOperation(link, std::move(userInfo));
        return;
    }
    const CloudDocumentLinks::CloudLink split = CloudDocumentLinks::splitCloudLink(link);
    std::any resolverInfo;
    if (split.params) resolverInfo = UserInfo{{"params", *split.params}};
    auto resolver = std::make_unique<GDrivePathResolverTask>(*this, this, split.target, ResolveAsLink, resolverInfo);
    GDrivePathResolverTask* started = resolver.get();
    if (_userTasks->add(std::move(resolver))) started->execute();
}

void GDrive::pathResolved(GDrivePathResolverTask& task, const std::string& filePath, const std::string& gdriveId,
                          int tag, const std::any& info)
{
    // The task is let go once this call is over; what it holds is copied first.
    const std::any kept = info;
    userTaskCompleted(&task);
    if (gdriveId.empty()) {
        notifyError(formatText(localized("cloud_path_resolution_error"), {filePath}), filePath);
        return;
    }
    if (tag == ResolveAsMap) {
        openMindMap(gdriveId, kept);
    } else if (tag == ResolveAsLink) {
        openCloudLink(gdriveId, kept);
    }
}

void GDrive::syncCompleted(const std::string& fileId, const UserInfo& userInfo, const std::string& error)
{
    Notification info{"", nullptr, userInfo};
    if (!error.empty()) {
        // The map reopened at a start is fetched here too: a notice alone may pass while the window
        // still shows nothing, and the reason must stay where the user can find it.
        FeedbackCenter& center = FeedbackCenter::feedbackCenter();
        center.showEditorNotification(center.addItemWithTitle(localized("error_title_error_opening_document"), error,
                                                              FeedbackStateError, FeedbackCenter::gdriveImage()));
    } else {
        switch (info.value<int>(OperationKey, 0)) {
        case OpenMap: {
            auto found = userInfo.find("info");
            EditorInterfaceInstance()->openStorage(_provider.get(), fileId,
                                                   found == userInfo.end() ? std::any() : found->second);
            break;
        }
        case OpenOtherFile: {
            const std::string path = _provider->cacheFilePathForFileId(fileId);
            if (!CloudDocumentLinks::openDownloadedDocument(path, info.value<std::string>("params"))) {
                const GDriveFileInfoItem* item = _fileInfo->get(fileId);
                notifyError(localized("error_title_error_opening_document"), item ? item->name() : fileId);
            }
            break;
        }
        case MakeOffline:
            _fileInfo->setOfflineAvailable(fileId, true);
            if (const GDriveFileInfoItem* item = _fileInfo->get(fileId)) dispatchFolderChanged(item->parentId());
            break;
        case Duplicate:
            doDuplicateFile(fileId);
            break;
        case CopyToProvider:
            doCopyToCloud(userInfo);
            break;
        case Convert:
            doConvertNonNativeMindMap(fileId);
            break;
        default:
            break;
        }
    }
    // Another operation may have started the downloader again meanwhile.
    if (!_downloader || !_downloader->busy())
        NotificationCenter::defaultCenter().post(UserTaskChangeNotification, this);
}

// ---- offline copies, copies and conversions

bool GDrive::isOffLineAvailable(const std::string& gdriveId)
{
    return _initialized && _fileInfo->isOfflineAvailable(gdriveId);
}

void GDrive::setOffLineAvailable(const std::string& gdriveId, bool value)
{
    if (!_initialized) return;
    if (!value) {
        _fileInfo->setOfflineAvailable(gdriveId, false);
        return;
    }
    startDownloaderOperation(gdriveId, {{OperationKey, static_cast<int>(MakeOffline)}});
}

void GDrive::duplicateFile(const std::string& gdriveId)
{
    if (!downloaderAvailable()) return;
    EditorInterfaceInstance()->commitEditor();
    startDownloaderOperation(gdriveId, {{OperationKey, static_cast<int>(Duplicate)}});
}

void GDrive::doDuplicateFile(const std::string& gdriveId)
{
    const GDriveFileInfoItem* item = _fileInfo->get(gdriveId);
    const std::optional<MindMapData> bytes =
        item ? cacheFileBytes(_provider->cacheFilePathForCacheFileInfo(item)) : std::nullopt;
    if (!item || !bytes) return;
    // The provider gives the copy a free name in the folder.
    const std::string made = _provider->createNewFile(GDriveFileTasks::copyName(item->name()), item->parentId(), bytes);
    if (made.empty()) {
        FeedbackCenter::feedbackCenter().addItemWithTitle(localized("db_duplicate_error"), "", FeedbackStateError);
        return;
    }
    const GDriveFileInfoItem* copy = _fileInfo->get(made);
    const std::string name = copy ? copy->name() : GDriveFileTasks::copyName(item->name());
    openMindMap(made, {});
    std::string title = localized("gdrive_mindmap_duplicated");
    for (size_t at = title.find("%s"); at != std::string::npos; at = title.find("%s", at + 2))
        title.replace(at, 2, "%@");
    FeedbackCenter::feedbackCenter().addItemWithTitle(formatText(title, {name}), _provider->buildPathBasedLink(made),
                                                      FeedbackStateInformation, FeedbackCenter::gdriveImage());
}

void GDrive::copyToCloud(const std::string& gdriveId, MindMapProvider* targetProvider,
                         const std::string& targetDirectory)
{
    if (!downloaderAvailable()) return;
    EditorInterfaceInstance()->commitEditor();
    UserInfo userInfo{{OperationKey, static_cast<int>(CopyToProvider)},
                      {"sourceFileId", gdriveId},
                      {"targetDirectory", targetDirectory}};
    if (targetProvider) userInfo["targetProvider"] = targetProvider->id();
    startDownloaderOperation(gdriveId, std::move(userInfo));
}

void GDrive::doCopyToCloud(const UserInfo& userInfo)
{
    Notification info{"", nullptr, userInfo};
    const std::string sourceId = info.value<std::string>("sourceFileId");
    const std::string targetDirectory = info.value<std::string>("targetDirectory");
    MindMapProvider* target = MindMapProviders::instance().getProviderById(info.value<std::string>("targetProvider"));
    if (!target || target == _provider.get() || sourceId.empty() || targetDirectory.empty()) return;
    const GDriveFileInfoItem* item = _fileInfo->get(sourceId);
    const std::optional<MindMapData> bytes = cacheFileBytes(_provider->cacheFilePathForFileId(sourceId));
    if (!bytes) return;
    target->performCopyToCloud(targetDirectory, item ? GDriveFileTasks::titleOfName(item->name()) : sourceId, *bytes);
}

void GDrive::convertNonNativeMindMap(const std::string& gdriveId)
{
    startDownloaderOperation(gdriveId, {{OperationKey, static_cast<int>(Convert)}});
}

void GDrive::doConvertNonNativeMindMap(const std::string& gdriveId)
{
    const GDriveFileInfoItem* item = _fileInfo->get(gdriveId);
    const std::optional<MindMapData> bytes =
        item ? cacheFileBytes(_provider->cacheFilePathForCacheFileInfo(item)) : std::nullopt;
    if (!item || !bytes) {
        conversionCompletedWithError(localized("filer_read_error"));
        return;
    }
    const std::string name = item->name();
    const std::string parent = item->parentId();
    const GDriveFileTasks::Conversion converted =
        GDriveFileTasks::convertToNative(*bytes, name, _provider->buildPathBasedLink(gdriveId));
    if (!converted.archive) {
        conversionCompletedWithError(converted.error);
        return;
    }
    const std::string made = _provider->createNewFile(
        GDriveFileTasks::titleOfName(name) + "." + GDriveProvider::MapExtension, parent, converted.archive);
    if (made.empty()) return;
    openMindMap(made, {});
    NotificationCenter::defaultCenter().post(NonNativeMindMapOpenedNotification, this);
}

void GDrive::conversionCompletedWithError(const std::string& message)
{
    notifyError(localized("error_unable_to_convert_to_native_mind_map"), message);
}

std::string GDrive::createNewMindMap(const std::string& folderId, const std::string& title)
{
    const std::string made = _provider->createNewMindMapInFolder(folderId, title);
    if (!made.empty()) openMindMap(made, {});
    return made;
}

// ---- folder and file tasks

void GDrive::addFolder(const std::string& name, const std::string& parentFolderId)
{
    if (GDriveSimpleTasks* task = startSimpleTask()) task->addFolder(name, parentFolderId);
}

void GDrive::renameFile(const std::string& gdriveId, bool isFolder, const std::string& newName,
                        const std::string& parentFolderId)
{
    if (GDriveSimpleTasks* task = startSimpleTask()) task->renameFile(gdriveId, isFolder, newName, parentFolderId);
}

void GDrive::moveFile(const std::string& gdriveId, bool isFolder, const std::string& fromFolder,
                      const std::string& toFolder)
{
    if (!_userTasks || _userTasks->busy()) return;
    EditorInterfaceInstance()->commitEditor();
    if (GDriveSimpleTasks* task = startSimpleTask()) task->moveFile(gdriveId, isFolder, fromFolder, toFolder);
}

void GDrive::deleteFromGDrive(const std::string& gdriveId, bool isFolder, const std::string& parentFolderId)
{
    if (!_isActive) return;
    if (GDriveSimpleTasks* task = startSimpleTask()) task->deleteFile(gdriveId, isFolder, parentFolderId);
}

// ---- linked images

void GDrive::getImageFromLink(const std::string& link, const MindMapProvider::ImageAvailableCallback& onAvailable)
{
    if (!_initialized || !_userTasks || _userTasks->busy() || link.empty()) {
        if (onAvailable) onAvailable({}, {});
        return;
    }
    auto downloader =
        std::make_unique<GDriveExternalFileDownloader>(*this, this, [this, onAvailable](const std::string& fileId) {
            if (!onAvailable) return;
            if (fileId.empty()) {
                onAvailable({}, {});
            } else {
                onAvailable(_provider->cacheFilePathForFileId(fileId), _provider->buildPathBasedLink(fileId));
            }
        });
    GDriveExternalFileDownloader* started = downloader.get();
    if (!_userTasks->add(std::move(downloader))) {
        if (onAvailable) onAvailable({}, {});
        return;
    }
    started->downloadFileId(link);
}

void GDrive::externalFileDownloadCompleted(GDriveExternalFileDownloader* downloader,
                                           const std::function<void(const std::string&)>& onCompletion,
                                           const std::string& fileId)
{
    if (onCompletion) onCompletion(fileId);
    userTaskCompleted(downloader);
}

// ---- thumbnails

std::string GDrive::thumbnailStoreKey(const std::string& thumbnailHash)
{
    if (thumbnailHash.empty()) return {};
    static const char* digits = "0123456789abcdef";
    std::string key;
    for (uint8_t byte : SHA1(std::vector<uint8_t>(thumbnailHash.begin(), thumbnailHash.end()))) {
        key += digits[byte >> 4];
        key += digits[byte & 15];
    }
    return key;
}

std::shared_ptr<const Image> GDrive::getThumbnailForFileId(const std::string& gdriveId)
{
    const GDriveFileInfoItem* item = _fileInfo->get(gdriveId);
    return item ? getThumbnailForFileInfo(*item) : nullptr;
}

std::shared_ptr<const Image> GDrive::getThumbnailForFileInfo(const GDriveFileInfoItem& item)
{
    if (!_thumbnailImages) return nullptr;
    if (std::shared_ptr<const Image> stored =
            _thumbnailImages->customImageWithHash(thumbnailStoreKey(item.thumbnailHash())))
        return stored;
    return createThumbnail(item);
}

// Painted from the cached copy without opening it for the editor; nothing while quitting, when
// the work would outlive the window.
std::shared_ptr<const Image> GDrive::createThumbnail(const GDriveFileInfoItem& item)
{
    if (_terminating || !_thumbnailImages || !_provider) return nullptr;
    std::shared_ptr<MindMapStorage> storage = _provider->createTempStorage(item.gdriveId());
    if (!storage) return nullptr;
    const std::vector<uint8_t> png = paintStorageThumbnail(*storage);
    storage->dispose();
    Image painted = png.empty() ? Image() : Image::fromData(png);
    if (painted.isNull()) return nullptr;
    _thumbnailImages->importImageWithExternalHash(painted, thumbnailStoreKey(item.thumbnailHash()));
    return std::make_shared<const Image>(std::move(painted));
}
