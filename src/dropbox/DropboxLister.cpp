#include "dropbox/DropboxLister.h"

#include "Editor/FeedbackCenter.h"
#include "dropbox/DropboxService.h"
#include "platform/Localizer.h"
#include "platform/NetworkController.h"
#include "store/MindMapSearchCache.h"
#include "store/MindMapSearchInfo.h"

#include <glib.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>

namespace fs = std::filesystem;

namespace {

std::string lowerCase(const std::string& text)
{
    gchar* lowered = g_utf8_strdown(text.c_str(), static_cast<gssize>(text.size()));
    std::string result = lowered ? lowered : text;
    g_free(lowered);
    return result;
}

bool equalIgnoringCase(const std::string& a, const std::string& b)
{
    return DropboxFileInfoCache::normalizeKey(a) == DropboxFileInfoCache::normalizeKey(b);
}

std::string extensionOf(const std::string& name)
{
    const size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? std::string() : name.substr(dot + 1);
}

std::string joinPath(const std::string& folder, const std::string& name)
{
    if (!folder.empty() && folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

std::string lastComponent(std::string path)
{
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    if (path == "/") return path;
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The names of the folder's sub-folders as the user's Dropbox spells them, by their cache paths.
// The cache keeps folders in lower case only, and long names shortened, so offline the spelling
// comes from this run's listing of the folder, else from the paths of the files recorded below
// them.
std::map<std::string, std::string> folderSpellings(const std::string& dbPath, const DropboxProvider& provider,
                                                   DropboxFileInfoCache& records, const DropboxBrowsingCache& listings)
{
    std::map<std::string, std::string> spellings;
    const std::string folderKey = DropboxBrowsingCache::normalizeKey(dbPath);
    const std::string prefix = folderKey == "/" ? folderKey : folderKey + "/";
    const size_t depth = size_t(std::count(prefix.begin(), prefix.end(), '/')) - 1;
    for (DropboxFileInfoItem* record : records.itemsList()) {
        const std::string& path = record->path();
        if (DropboxBrowsingCache::normalizeKey(path).rfind(prefix, 0) != 0) continue;
        std::vector<std::string> components;
        for (size_t start = 0; start < path.size();) {
            const size_t slash = path.find('/', start);
            const size_t end = slash == std::string::npos ? path.size() : slash;
            if (end > start) components.push_back(path.substr(start, end - start));
            start = end + 1;
        }
        // Only a component with a file below it is a folder.
        if (components.size() <= depth + 1) continue;
        spellings.emplace(provider.cacheFilePathForDbPath(joinPath(dbPath, components[depth])), components[depth]);
    }
    if (DropboxBrowsingCache::Listing listing = listings.get(dbPath)) {
        for (const DropboxMetadata& entry : *listing) {
            if (entry.isFolder) spellings[provider.cacheFilePathForDbPath(joinPath(dbPath, entry.name))] = entry.name;
        }
    }
    return spellings;
}

// "" for a path without a folder above it.
std::string parentPath(std::string path)
{
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {};
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

FileListItem::Date dateFromUnixSeconds(double seconds)
{
    return FileListItem::Date(
        std::chrono::duration_cast<FileListItem::Date::duration>(std::chrono::duration<double>(seconds)));
}

std::optional<FileListItem::Date> fileDate(const std::string& path, uint64_t* size)
{
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return std::nullopt;
    if (size) *size = static_cast<uint64_t>(status.st_size);
    return dateFromUnixSeconds(static_cast<double>(status.st_mtim.tv_sec) +
                               static_cast<double>(status.st_mtim.tv_nsec) / 1e9);
}

bool containsFileName(const FileListItems& items, const std::string& name)
{
    for (const auto& item : items)
        if (equalIgnoringCase(item->fileName(), name)) return true;
    return false;
}

} // namespace

DropboxLister::DropboxLister(Dropbox& service, DropboxListerDelegate* delegate)
    : DropboxTask(service), _delegate(delegate)
{
}

DropboxLister::~DropboxLister()
{
    *_alive = false;
    DropboxLister::cancel();
}

void DropboxLister::setState(int32_t state)
{
    _state = state;
    if (state == Listing) {
        setProgress(localized("db_directory_listing_progress"));
    } else if (state == Searching) {
        setProgress(localized("explorer_search_progress"));
    } else {
        setProgress({});
    }
}

void DropboxLister::clearState()
{
    _call.cancel();
    _dbPath.reset();
    _filter = 0;
    _folderContents.clear();
    _searchText.clear();
    _fullTextSearch = false;
    _searchMatches.clear();
    _searchPages = 0;
    _client = nullptr;
}

void DropboxLister::cancel()
{
    _delegate = nullptr;
    clearState();
    setState(Idle);
    DropboxTask::cancel();
}

std::shared_ptr<FileListItem> DropboxLister::dropboxEntryToFileListItem(const DropboxMetadata& entry, int32_t itemType)
{
    auto item = std::make_shared<FileListItem>(itemType);
    item->setPath(entry.pathDisplay);
    item->setFileName(entry.name);
    if (!entry.isFolder) {
        item->setModified(dateFromUnixSeconds(entry.serverModified));
        item->setSize(entry.size);
    }
    return item;
}

std::shared_ptr<FileListItem> DropboxLister::navigateUpItem(const std::string& dbPath, const std::string& rootTitle)
{
    if (dbPath.size() < 2) return nullptr;
    const std::string parent = parentPath(dbPath);
    if (parent.empty()) return nullptr;
    auto item = std::make_shared<FileListItem>(FileListItemType::NavigateUp);
    item->setPath(parent);
    const std::string name = lastComponent(parent);
    item->setFileName(name == "/" ? rootTitle : name);
    return item;
}

// ---- listing

void DropboxLister::loadContentsOfPath(const std::optional<std::string>& dbPath, int32_t filter)
{
    if (busy()) {
        if (_delegate) _delegate->listerCompleted(std::nullopt, dbPath, Busy);
        return;
    }
    if (!dbPath) {
        if (_delegate) _delegate->listerCompleted(std::nullopt, std::nullopt, Failed);
        return;
    }
    clearState();
    _dbPath = dbPath;
    _filter = filter;
    _client = _service.dropboxClient();
    if (!_service.isInitialized() || !_client) {
        listerCompleted(std::nullopt, Failed, localized("db_disconnected_state"));
        return;
    }
    if (!NetworkController::networkAvailable()) {
        listerCompleted(loadOfflineContents(*dbPath), Offline);
        return;
    }

    setState(Listing);
    if (DropboxBrowsingCache::Listing cached = _service.browsingCache().get(*dbPath)) {
        FileListItems items = convertMetaData(*cached);
        if (filter & FileListItemType::NativeMindMap) appendNewFiles(items, *dbPath);
        sortFileListItems(items);
        if (auto up = navigateUpItem(*dbPath, _service.provider()->title())) items.insert(items.begin(), up);
        std::weak_ptr<bool> alive = _alive;
        _delegate->listerCompleted(items, dbPath, Cached);
        // The delegate may have cancelled or destroyed this lister.
        if (alive.expired() || !*alive.lock() || isCancelled() || !busy()) return;
    }
    _folderContents.clear();
    _askedAtRevision = _service.fileInfo().revisions();
    listPage(false, {});
}

void DropboxLister::listPage(bool continuing, const std::string& cursor)
{
    std::weak_ptr<bool> alive = _alive;
    auto answer = [this, alive, continuing](const DropboxResponse<DropboxListing>& response) {
        if (alive.expired() || isCancelled()) return;
        if (!continuing && response.routeError &&
            (response.routeError->is("path", "not_found") || response.routeError->is("path", "not_folder"))) {
            const std::string path = _dbPath.value_or("");
            // The root is the account itself: an answer that it is missing is broken, not news.
            if (DropboxBrowsingCache::normalizeKey(path) == "/") {
                listerCompleted(std::nullopt, Failed, localized("db_root_not_found"));
                return;
            }
            _service.directoryDeleted(path);
            listerCompleted(std::nullopt, FolderNotFound, localized("db_directory_not_found"));
            return;
        }
        if (continuing && response.routeError) {
            listerCompleted(std::nullopt, Failed, getDBErrorDescription(response.networkError, response.routeError));
            return;
        }
        processPage(response);
    };
    if (continuing) {
        _call = _client->listFolderContinue(cursor, answer);
        return;
    }
    const std::string& path = *_dbPath;
    _call = _client->listFolder(DropboxBrowsingCache::normalizeKey(path) == "/" ? std::string() : path, answer);
}

void DropboxLister::processPage(const DropboxResponse<DropboxListing>& response)
{
    if (response.networkError && _service.checkAuthorizationError(*response.networkError)) {
        listerCompleted(std::nullopt, Failed, localized("db_disconnected_state"));
        return;
    }
    if (!response.result) {
        listerCompleted(std::nullopt, Failed, getDBErrorDescription(response.networkError, response.routeError));
        return;
    }
    const DropboxListing& page = *response.result;
    _folderContents.insert(_folderContents.end(), page.entries.begin(), page.entries.end());
    if (page.hasMore) {
        // Without a cursor the rest cannot be asked for, and part of a folder must not pass for all.
        if (page.cursor.empty()) {
            listerCompleted(std::nullopt, Failed, localized("db_unspecified_error"));
            return;
        }
        listPage(true, page.cursor);
        return;
    }
    if (!_dbPath) {
        listerCompleted(std::nullopt, Failed, "Invalid state");
        return;
    }
    _service.folderContentsLoaded(_folderContents, *_dbPath, _askedAtRevision);
    FileListItems items = convertMetaData(_folderContents);
    finishListing(std::move(items));
}

void DropboxLister::finishListing(FileListItems items)
{
    if (_filter & FileListItemType::NativeMindMap) appendNewFiles(items, *_dbPath, _askedAtRevision);
    sortFileListItems(items);
    if (auto up = navigateUpItem(*_dbPath, _service.provider()->title())) items.insert(items.begin(), up);
    listerCompleted(std::move(items), Listed);
}

FileListItems DropboxLister::convertMetaData(const std::vector<DropboxMetadata>& entries) const
{
    FileListItems items;
    DropboxFileInfoCache& records = _service.fileInfo();
    for (const DropboxMetadata& entry : entries) {
        const int32_t type =
            entry.isFolder ? FileListItemType::Folder : FileListItem::extensionToItemType(extensionOf(entry.name));
        if (!(type & _filter)) continue;
        auto item = dropboxEntryToFileListItem(entry, type);
        item->setOfflineAvailable(!entry.isFolder && records.isOfflineAvailable(entry.pathDisplay));
        items.push_back(std::move(item));
    }
    return items;
}

void DropboxLister::appendNewFiles(FileListItems& items, const std::string& dbFolder,
                                   std::optional<uint64_t> askedAtRevision) const
{
    const std::shared_ptr<DropboxProvider>& provider = _service.provider();
    DropboxFileInfoCache& records = _service.fileInfo();
    std::vector<DropboxFileInfoItem*> found = records.getNewFilesInDirectory(dbFolder);
    // A file that went up after the listing was asked for is missing from it only because the
    // listing is older: it is shown as the new file it was.
    if (askedAtRevision) {
        const std::string folderKey = DropboxFileInfoCache::normalizeKey(dbFolder);
        const std::string prefix = folderKey.empty() || folderKey.back() != '/' ? folderKey + "/" : folderKey;
        for (DropboxFileInfoItem* record : records.itemsList()) {
            if (record->isNew() || record->revisedAt() <= *askedAtRevision) continue;
            const std::string key = DropboxFileInfoCache::normalizeKey(record->path());
            if (key.rfind(prefix, 0) == 0 && key.find('/', prefix.size()) == std::string::npos) found.push_back(record);
        }
    }
    for (DropboxFileInfoItem* record : found) {
        const std::string name = lastComponent(record->path());
        if (containsFileName(items, name)) continue;
        auto item = std::make_shared<FileListItem>(FileListItem::extensionToItemType(extensionOf(name)));
        item->setFileName(name);
        item->setPath(record->path());
        uint64_t size = 0;
        const std::string cacheFile = provider->cacheFilePathForDbPath(record->path());
        if (!cacheFile.empty()) item->setModified(fileDate(cacheFile, &size));
        item->setSize(size);
        item->setOfflineAvailable(record->offlineAvailable());
        items.push_back(std::move(item));
    }
}

std::optional<FileListItems> DropboxLister::loadOfflineContents(const std::string& dbPath) const
{
    const std::shared_ptr<DropboxProvider>& provider = _service.provider();
    const std::string cacheFolder = provider->cacheFilePathForDbPath(dbPath);
    std::error_code error;
    if (cacheFolder.empty() || !fs::is_directory(cacheFolder, error)) return std::nullopt;
    std::vector<fs::path> entries;
    fs::directory_iterator it(cacheFolder, error);
    for (const fs::directory_iterator end; !error && it != end; it.increment(error)) entries.push_back(it->path());
    if (error) return std::nullopt;

    FileListItems items;
    DropboxFileInfoCache& records = _service.fileInfo();
    const std::map<std::string, std::string> spellings =
        folderSpellings(dbPath, *provider, records, _service.browsingCache());
    // Cache names are shortened where the service's are too long: a file is known by its path.
    std::map<std::string, DropboxFileInfoItem*> recorded;
    const std::string folderKey = DropboxBrowsingCache::normalizeKey(dbPath);
    const std::string prefix = folderKey == "/" ? folderKey : folderKey + "/";
    for (DropboxFileInfoItem* record : records.itemsList()) {
        if (DropboxFileInfoCache::normalizeKey(record->path()).rfind(prefix, 0) != 0) continue;
        recorded[provider->cacheFilePathForDbPath(record->path())] = record;
    }
    for (const fs::path& entry : entries) {
        const std::string name = entry.filename().string();
        if (name.empty() || name.front() == '.') continue;
        const int32_t type = FileListItem::detectItemType(entry.string());
        if (!(type & _filter)) continue;
        if (type == FileListItemType::Folder) {
            auto item = std::make_shared<FileListItem>(type);
            const auto spelled = spellings.find(entry.string());
            const std::string& shown = spelled == spellings.end() ? name : spelled->second;
            item->setPath(joinPath(dbPath, shown));
            item->setFileName(shown);
            items.push_back(std::move(item));
            continue;
        }
        // A cache file without a record is a leftover, not a file of the user's Dropbox.
        const auto found = recorded.find(entry.string());
        if (found == recorded.end()) continue;
        DropboxFileInfoItem* record = found->second;
        auto item = std::make_shared<FileListItem>(type);
        item->setFileName(lastComponent(record->path()));
        item->setPath(record->path());
        item->setOfflineAvailable(record->offlineAvailable());
        uint64_t size = 0;
        item->setModified(fileDate(entry.string(), &size));
        item->setSize(size);
        items.push_back(std::move(item));
    }
    sortFileListItems(items);
    if (auto up = navigateUpItem(dbPath, provider->title())) items.insert(items.begin(), up);
    return items;
}

// ---- search

void DropboxLister::loadSearchResults(const std::string& text, bool fullTextSearch)
{
    if (busy()) {
        if (_delegate) _delegate->listerCompleted(std::nullopt, std::nullopt, Busy);
        return;
    }
    clearState();
    _searchText = text;
    _fullTextSearch = fullTextSearch;
    _client = _service.dropboxClient();
    if (!_service.isInitialized() || !_client) {
        searchError(localized("db_disconnected_state"));
        return;
    }
    if (!NetworkController::networkAvailable()) {
        listerCompleted(convertSearchMatchesToFileItems(_service.provider()->buildSearchCache()), SearchResults);
        return;
    }
    setState(Searching);
    std::weak_ptr<bool> alive = _alive;
    _call = _client->search({}, std::string(".twkx ") + text,
                            [this, alive](const DropboxResponse<DropboxSearchPage>& response) {
                                if (!alive.expired() && !isCancelled()) searchAnswered(response);
                            });
}

void DropboxLister::searchAnswered(const DropboxResponse<DropboxSearchPage>& response)
{
    if (response.networkError && _service.checkAuthorizationError(*response.networkError)) {
        searchError(localized("db_disconnected_state"));
        return;
    }
    if (_state != Searching) {
        searchError("Illegal search state");
        return;
    }
    if (!response.result) {
        searchError(getDBErrorDescription(response.networkError, response.routeError));
        return;
    }
    const DropboxSearchPage& page = *response.result;
    _searchMatches.insert(_searchMatches.end(), page.matches.begin(), page.matches.end());
    // A service that keeps saying "more" still ends: what came so far is listed.
    if (page.hasMore && ++_searchPages < MaximumSearchPages) {
        std::weak_ptr<bool> alive = _alive;
        _call = _client->searchContinue(page.cursor, [this, alive](const DropboxResponse<DropboxSearchPage>& next) {
            if (!alive.expired() && !isCancelled()) searchAnswered(next);
        });
        return;
    }
    std::shared_ptr<MindMapSearchCache> cache = _service.provider()->buildSearchCache();
    if (cache) {
        cache->resetNativeMatches();
        for (const DropboxMetadata& match : _searchMatches) {
            if (match.isFolder || lowerCase(extensionOf(match.name)) != "twkx") continue;
            std::shared_ptr<MindMapSearchInfo> info = cache->get(match.pathDisplay);
            if (!info) info = cache->addSearchInfo(match.pathDisplay);
            info->setTitle(match.name);
            info->setNativeMatch(true);
        }
    }
    listerCompleted(convertSearchMatchesToFileItems(cache), SearchResults);
}

FileListItems DropboxLister::convertSearchMatchesToFileItems(const std::shared_ptr<MindMapSearchCache>& cache) const
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

void DropboxLister::listerCompleted(std::optional<FileListItems> items, int result)
{
    if (isCancelled()) return;
    const std::optional<std::string> path = _dbPath;
    DropboxListerDelegate* delegate = _delegate;
    setState(Idle);
    clearState();
    delegate->listerCompleted(items, path, result);
}

void DropboxLister::listerCompleted(std::optional<FileListItems> items, int result, const std::string& error)
{
    if (isCancelled()) return;
    if (!error.empty()) {
        FeedbackCenter& feedback = FeedbackCenter::feedbackCenter();
        auto item =
            feedback.addItemWithTitle(localized("db_directory_listing_error_state_text"), error, FeedbackStateError);
        if (item) feedback.showEditorNotification(item);
    }
    listerCompleted(std::move(items), result);
}

void DropboxLister::searchError(const std::string& error)
{
    if (isCancelled()) return;
    FeedbackCenter& feedback = FeedbackCenter::feedbackCenter();
    auto item = feedback.addItemWithTitle(localized("explorer_search_error"), error, FeedbackStateError);
    if (item) feedback.showEditorNotification(item);
    listerCompleted(std::nullopt, SearchError);
}
