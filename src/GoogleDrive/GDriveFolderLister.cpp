#include "GoogleDrive/GDriveFolderLister.h"

#include "Editor/FeedbackCenter.h"
#include "GoogleDrive/GDriveAnswers.h"
#include "GoogleDrive/GDriveFileInfoCache.h"
#include "GoogleDrive/GDriveFolderCache.h"
#include "GoogleDrive/GDriveProvider.h"
#include "GoogleDrive/GDriveUniqueNames.h"
#include "platform/Localizer.h"
#include "platform/MainLoop.h"
#include "platform/NetworkController.h"
#include "store/MindMapSearchCache.h"
#include "store/MindMapSearchInfo.h"

#include <glib.h>
#include <sys/stat.h>

#include <chrono>

namespace {

// The caches keep dates from 2001; the file lists show system time.
constexpr double ReferenceDateOffset = 978307200.0;

FileListItem::Date dateFromUnixSeconds(double seconds)
{
    return FileListItem::Date(
        std::chrono::duration_cast<FileListItem::Date::duration>(std::chrono::duration<double>(seconds)));
}

bool containsFileId(const FileListItems& items, const std::string& gdriveId)
{
    for (const auto& item : items)
        if (item->path() == gdriveId) return true;
    return false;
}

std::shared_ptr<FileListItem> itemForRecord(GDriveFileInfoItem& record, GDriveProvider* provider)
{
    auto item = std::make_shared<FileListItem>(record.itemType());
    item->setFileName(record.name());
    item->setPath(record.gdriveId());
    item->setOfflineAvailable(record.offlineAvailable());
    const std::string cacheFile = provider ? provider->cacheFilePathForCacheFileInfo(&record) : std::string();
    struct stat status {};
    if (!cacheFile.empty() && ::stat(cacheFile.c_str(), &status) == 0) {
        item->setSize(static_cast<uint64_t>(status.st_size));
        item->setModified(dateFromUnixSeconds(static_cast<double>(status.st_mtim.tv_sec) +
                                              static_cast<double>(status.st_mtim.tv_nsec) / 1e9));
    }
    return item;
}

} // namespace

GDriveFolderLister::GDriveFolderLister(GDriveTaskService& service, GDriveFolderListerDelegate* delegate)
    : _service(service), _delegate(delegate)
{
}

GDriveFolderLister::~GDriveFolderLister()
{
    *_alive = false;
    _delegate = nullptr;
    cancel();
}

void GDriveFolderLister::reset()
{
    _call.cancel();
    _folderId.clear();
    _searchText.clear();
    _fullTextSearch = false;
    _filter = 0;
    _listing = false;
    _searching = false;
}

void GDriveFolderLister::cancel()
{
    reset();
    setProgress({});
}

std::shared_ptr<FileListItem> GDriveFolderLister::gdriveMetadataToFileListItem(const GDriveMetadata& metadata,
                                                                               int32_t itemType) const
{
    auto item = std::make_shared<FileListItem>(itemType);
    item->setPath(metadata.gdriveId());
    item->setFileName(metadata.name);
    if (metadata.modifiedTime) item->setModified(dateFromUnixSeconds(*metadata.modifiedTime + ReferenceDateOffset));
    item->setSize(static_cast<uint64_t>(std::max<int64_t>(metadata.size(), 0)));
    item->setOfflineAvailable(itemType != FileListItemType::Folder &&
                              _service.fileInfo().isOfflineAvailable(metadata.gdriveId()));
    return item;
}

std::string GDriveFolderLister::escapeSearchText(const std::string& text)
{
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        if (c == '\\' || c == '\'') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

// ---- listing

void GDriveFolderLister::loadContentsOfFolderId(const std::string& folderId, int32_t filter)
{
    if (busy()) {
        if (_delegate) _delegate->listerCompleted(std::nullopt, folderId, Busy);
        return;
    }
    // The id goes into a query: only Drive's form of id is taken.
    if (folderId.empty() || !GDriveAnswers::isValidId(folderId)) {
        if (_delegate) _delegate->listerCompleted(std::nullopt, folderId, Failed);
        return;
    }
    reset();
    _folderId = folderId;
    _filter = filter;
    if (!_service.isAuthorized()) {
        listerCompleted(std::nullopt, Failed, localized("gdrive_disconnected_state"));
        return;
    }
    if (!_service.isLinked() || !_service.driveClient()) {
        listerCompleted(std::nullopt, Busy);
        return;
    }
    if (!NetworkController::networkAvailable()) {
        listerCompleted(loadOfflineContentsOfFolder(), Offline);
        return;
    }
    _listing = true;
    GDriveFolderInfoItem* folder = _service.folderCache().get(folderId);
    if (folder && folder->items()) {
        FileListItems items = convertMetadata(*folder->items());
        appendNewFiles(items);
        sortFileListItems(items);
        insertNavigateUpItem(items);
        std::weak_ptr<bool> alive = _alive;
        if (_delegate) _delegate->listerCompleted(items, folderId, Listed);
        // The delegate may have cancelled or destroyed this lister, or started another request.
        if (alive.expired() || !*alive.lock() || !_listing || _folderId != folderId) return;
    }
    listOnline();
}

void GDriveFolderLister::listOnline()
{
    setProgress(localized("db_directory_listing_progress"));
    const std::string q = formatText(ListingQuery, {_folderId});
    std::weak_ptr<bool> alive = _alive;
    _call = _service.driveClient()->listFiles(
        q, GDriveMetadata::FileFields, [this, alive](const GDriveResponse<std::vector<GDriveMetadata>>& response) {
            if (!alive.expired() && *alive.lock()) listed(response);
        });
}

void GDriveFolderLister::listed(const GDriveResponse<std::vector<GDriveMetadata>>& response)
{
    if (!response.result) {
        const GDriveError error = response.error.value_or(GDriveError::other("No answer"));
        if (error.isOffline()) {
            listerCompleted(loadOfflineContentsOfFolder(), Offline);
            return;
        }
        if (GDriveError::isAuthenticationError(error)) _service.reauthorize();
        listerCompleted(std::nullopt, Failed, GDriveError::getDefaultErrorMessage(error));
        return;
    }
    GDriveFolderCache& folders = _service.folderCache();
    GDriveFolderInfoItem* folder = folders.assureFolder(_folderId);
    if (folder) folders.updateFolder(folder, *response.result, true);
    _service.fileInfo().updateBrowsingInfoWithMetadata(*response.result);
    FileListItems items = convertMetadata(*response.result);
    appendNewFiles(items);
    sortFileListItems(items);
    insertNavigateUpItem(items);
    listerCompleted(std::move(items), Listed);
}

FileListItems GDriveFolderLister::convertMetadata(const std::vector<GDriveMetadata>& entries) const
{
    FileListItems items;
    for (const GDriveMetadata& entry : entries) {
        if (entry.deleted() || !(entry.itemType() & _filter)) continue;
        items.push_back(gdriveMetadataToFileListItem(entry, entry.itemType()));
    }
    return items;
}

void GDriveFolderLister::appendNewFiles(FileListItems& items) const
{
    for (GDriveFileInfoItem* record : _service.fileInfo().getFilesInFolder(_folderId, true)) {
        if (!(record->itemType() & _filter) || containsFileId(items, record->gdriveId())) continue;
        items.push_back(itemForRecord(*record, _service.provider()));
    }
}

void GDriveFolderLister::insertNavigateUpItem(FileListItems& items) const
{
    GDriveFolderCache& folders = _service.folderCache();
    if (_folderId == folders.rootFolderId() || _folderId == GDriveFolderCache::RootAlias) return;
    GDriveFolderInfoItem* parent = folders.getParentFolderForId(_folderId);
    if (!parent) parent = folders.rootFolder();
    auto up = std::make_shared<FileListItem>(FileListItemType::NavigateUp);
    if (parent) {
        up->setPath(parent->gdriveId());
        up->setFileName(parent->isRootFolder() || !parent->name()
                            ? (_service.provider() ? _service.provider()->title() : std::string())
                            : *parent->name());
    } else {
        up->setPath(folders.rootFolderId());
        up->setFileName(_service.provider() ? _service.provider()->title() : std::string());
    }
    items.insert(items.begin(), std::move(up));
}

std::optional<FileListItems> GDriveFolderLister::loadOfflineContentsOfFolder() const
{
    GDriveFolderCache& folders = _service.folderCache();
    if (!folders.get(_folderId)) return std::nullopt;
    FileListItems items;
    for (GDriveFolderInfoItem* sub : folders.getSubFoldersForFolderId(_folderId)) {
        auto item = std::make_shared<FileListItem>(FileListItemType::Folder);
        item->setFileName(sub->name().value_or(std::string()));
        item->setPath(sub->gdriveId());
        items.push_back(std::move(item));
    }
    for (GDriveFileInfoItem* record : _service.fileInfo().getFilesInFolder(_folderId, false)) {
        if (!(record->itemType() & _filter)) continue;
        items.push_back(itemForRecord(*record, _service.provider()));
    }
    sortFileListItems(items);
    insertNavigateUpItem(items);
    return items;
}

// ---- search

void GDriveFolderLister::loadSearchResults(const std::string& text, bool fullTextSearch)
{
    if (busy()) {
        if (_delegate) _delegate->listerCompleted(std::nullopt, std::nullopt, Busy);
        return;
    }
    reset();
    _searchText = text;
    _fullTextSearch = fullTextSearch;
    if (!_service.isLinked() || !_service.driveClient()) {
        searchError(localized("gdrive_disconnected_state"));
        return;
    }
    if (!NetworkController::networkAvailable()) {
        GDriveProvider* provider = _service.provider();
        listerCompleted(convertSearchMatchesToFileItems(provider ? provider->buildSearchCache() : nullptr),
                        SearchResults);
        return;
    }
    searchOnline();
}

void GDriveFolderLister::searchOnline()
{
    _searching = true;
    setProgress(localized("explorer_search_progress"));
    const std::string q = formatText(SearchQuery, {NativeMapMimeType, escapeSearchText(_searchText)});
    std::weak_ptr<bool> alive = _alive;
    _call = _service.driveClient()->listFiles(
        q, SearchFields, [this, alive](const GDriveResponse<std::vector<GDriveMetadata>>& response) {
            if (!alive.expired() && *alive.lock()) searched(response);
        });
}

void GDriveFolderLister::searched(const GDriveResponse<std::vector<GDriveMetadata>>& response)
{
    if (!response.result) {
        searchError(GDriveError::getDefaultErrorMessage(response.error.value_or(GDriveError::other("No answer"))));
        return;
    }
    GDriveProvider* provider = _service.provider();
    std::shared_ptr<MindMapSearchCache> cache = provider ? provider->buildSearchCache() : nullptr;
    if (cache) {
        cache->resetNativeMatches();
        for (const GDriveMetadata& match : *response.result) {
            if (!match.trashed || *match.trashed || match.extension() != std::optional<std::string>("twkx")) continue;
            std::shared_ptr<MindMapSearchInfo> info = cache->get(match.gdriveId());
            if (!info) {
                info = cache->addSearchInfo(match.gdriveId());
                info->setTitle(match.name);
            }
            info->setNativeMatch(true);
        }
    }
    listerCompleted(convertSearchMatchesToFileItems(cache), SearchResults);
}

FileListItems
GDriveFolderLister::convertSearchMatchesToFileItems(const std::shared_ptr<MindMapSearchCache>& cache) const
{
    FileListItems items;
    if (!cache) return items;
    for (const auto& info : cache->getSearchMatches(_searchText, _fullTextSearch)) {
        auto item = std::make_shared<FileListItem>(FileListItemType::NativeMindMap);
        item->setPath(info->mindMapId());
        item->setFileName(info->title());
        items.push_back(std::move(item));
    }
    sortFileListItems(items);
    return items;
}

// ---- completion

void GDriveFolderLister::listerCompleted(std::optional<FileListItems> items, int result)
{
    const std::optional<std::string> folderId =
        result == SearchResults || result == SearchError ? std::nullopt : std::optional<std::string>(_folderId);
    GDriveFolderListerDelegate* delegate = _delegate;
    setProgress({});
    reset();
    if (delegate) delegate->listerCompleted(items, folderId, result);
}

void GDriveFolderLister::listerCompleted(std::optional<FileListItems> items, int result, const std::string& error)
{
    if (!error.empty() && _delegate) {
        FeedbackCenter::feedbackCenter().showEditorNotification(localized("gdrive_directory_listing_error_title"),
                                                                error, FeedbackStateError);
    }
    listerCompleted(std::move(items), result);
}

void GDriveFolderLister::searchError(const std::string& error)
{
    if (_delegate) {
        FeedbackCenter& feedback = FeedbackCenter::feedbackCenter();
        auto item = feedback.addItemWithTitle(localized("gdrive_search_error"), error, FeedbackStateError);
        if (item) feedback.showEditorNotification(item);
    }
    listerCompleted(std::nullopt, SearchError);
}

// ---- path resolver

GDrivePathResolverTask::GDrivePathResolverTask(GDriveTaskService& service, GDrivePathResolverDelegate* delegate,
                                               std::string filePath, int tag, std::any info)
    : _service(service), _delegate(delegate), _filePath(std::move(filePath)), _tag(tag), _info(std::move(info))
{
    std::string folder = _filePath;
    const size_t slash = folder.rfind('/');
    folder = slash == std::string::npos ? std::string() : folder.substr(0, slash);
    while (!folder.empty() && folder != "/") {
        const size_t cut = folder.rfind('/');
        std::string name = cut == std::string::npos ? folder : folder.substr(cut + 1);
        if (!name.empty()) _folderStack.push_back(std::move(name));
        folder = cut == std::string::npos ? std::string() : folder.substr(0, cut);
    }
}

GDrivePathResolverTask::~GDrivePathResolverTask()
{
    _delegate = nullptr;
    cancel();
}

void GDrivePathResolverTask::cancel()
{
    _call.cancel();
    _next.reset();
    setProgress({});
}

void GDrivePathResolverTask::execute()
{
    if (!_service.isLinked()) {
        terminate();
        return;
    }
    _parentFolderId = _service.folderCache().rootFolderId();
    processFolderStack();
}

void GDrivePathResolverTask::processFolderStack()
{
    GDriveFolderCache& folders = _service.folderCache();
    while (!_folderStack.empty()) {
        GDriveFolderInfoItem* sub = folders.findSubFolder(_folderStack.back(), _parentFolderId);
        if (!sub) {
            if (_refreshing) {
                terminate();
            } else {
                _refreshing = true;
                refreshCurrentParentFolder(false);
            }
            return;
        }
        _folderStack.pop_back();
        _refreshing = false;
        _parentFolderId = sub->gdriveId();
    }
    _refreshing = false;
    locateFile();
}

void GDrivePathResolverTask::locateFile()
{
    GDriveFolderInfoItem* folder = _service.folderCache().get(_parentFolderId);
    if (!folder) {
        terminate();
        return;
    }
    const size_t slash = _filePath.rfind('/');
    const std::string name = slash == std::string::npos ? _filePath : _filePath.substr(slash + 1);
    if (name.empty()) {
        terminate();
        return;
    }
    if (!_justListedFiles) {
        if (GDriveFileInfoItem* record = _service.fileInfo().findFileName(name, _parentFolderId)) {
            report(record->gdriveId());
            return;
        }
    }
    if (folder->items()) {
        for (const GDriveMetadata& entry : *folder->items()) {
            // A link names a file: a folder of that name is no answer to open.
            if (!entry.deleted() && !entry.isFolder() && GDriveSameName(entry.name, name)) {
                report(entry.gdriveId());
                return;
            }
        }
    }
    if (_justListedFiles) {
        terminate();
        return;
    }
    _justListedFiles = true;
    refreshCurrentParentFolder(true);
}

void GDrivePathResolverTask::refreshCurrentParentFolder(bool includeFiles)
{
    GDriveClient* client = _service.driveClient();
    if (!client || !NetworkController::networkAvailable()) {
        terminate();
        return;
    }
    setProgress(localized("cloud_resolving_path_progress"));
    const std::string q = includeFiles ? formatText(GDriveFolderLister::ListingQuery, {_parentFolderId})
                                       : formatText(FolderQuery, {GDriveMetadata::FolderMimeType, _parentFolderId});
    _call = client->listFiles(q, includeFiles ? GDriveMetadata::FileFields : FolderFields,
                              [this, includeFiles](const GDriveResponse<std::vector<GDriveMetadata>>& response) {
                                  if (!response.result) {
                                      terminate();
                                      return;
                                  }
                                  GDriveFolderCache& folders = _service.folderCache();
                                  if (GDriveFolderInfoItem* folder = folders.assureFolder(_parentFolderId))
                                      folders.updateFolder(folder, *response.result, includeFiles);
                                  // The next step starts a query of its own: let this answer return first.
                                  _next = Timer::scheduledTimer(0.001, false, [this, includeFiles] {
                                      if (includeFiles) {
                                          locateFile();
                                      } else {
                                          processFolderStack();
                                      }
                                  });
                              });
}

void GDrivePathResolverTask::report(const std::string& gdriveId)
{
    setProgress({});
    GDrivePathResolverDelegate* delegate = _delegate;
    _delegate = nullptr;
    if (delegate) delegate->pathResolved(*this, _filePath, gdriveId, _tag, _info);
}
