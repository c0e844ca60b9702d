#include "dropbox/DropboxMetadataPreloader.h"

#include "Editor/FeedbackCenter.h"
#include "dropbox/DropboxBrowsingCache.h"
#include "dropbox/DropboxProvider.h"
#include "platform/Localizer.h"
#include "platform/NetworkController.h"
#include "store/HistoryList.h"

#include <algorithm>

namespace {

std::string parentFolder(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos || slash == 0) return "/";
    return path.substr(0, slash);
}

} // namespace

DropboxMetadataPreloader::DropboxMetadataPreloader(DropboxPreloaderService& service) : _service(service)
{
}

DropboxMetadataPreloader::~DropboxMetadataPreloader()
{
    _call.cancel();
    if (_progressItem) FeedbackCenter::feedbackCenter().endProgress(_progressItem);
}

std::shared_ptr<DropboxMetadataPreloader> DropboxMetadataPreloader::create(DropboxPreloaderService& service)
{
    return std::make_shared<DropboxMetadataPreloader>(service);
}

bool DropboxMetadataPreloader::isKnown(const std::vector<std::string>& folders, const std::string& folder) const
{
    const std::string key = DropboxBrowsingCache::normalizeKey(folder);
    return std::any_of(folders.begin(), folders.end(),
                       [&](const std::string& known) { return DropboxBrowsingCache::normalizeKey(known) == key; });
}

void DropboxMetadataPreloader::addDirectory(const std::string& folder)
{
    const std::vector<std::string> queued(_directories.begin(), _directories.end());
    if (!isKnown(queued, folder)) _directories.push_back(folder);
}

void DropboxMetadataPreloader::run()
{
    _self = shared_from_this();
    _terminated = false;
    _directories.clear();
    _processedDirectories.clear();
    _directories.push_back("/");

    if (HistoryList* history = _service.recentHistory()) {
        for (const auto& point : history->validate(true)) {
            if (point.provider() == DropboxProvider::ProviderId) addDirectory(parentFolder(point.mindMap()));
        }
    }
    addDirectory(AppFolder);

    _client = _service.dropboxClient();
    if (!_client) {
        terminate();
        return;
    }
    processDirectories();
}

void DropboxMetadataPreloader::terminate()
{
    _call.cancel();
    if (_progressItem) FeedbackCenter::feedbackCenter().endProgress(_progressItem);
    _progressItem.reset();
    _client = nullptr;
    _terminated = true;
    // The caller may be the last owner's completion: let go only once it has returned.
    auto keep = std::move(_self);
    _self.reset();
}

void DropboxMetadataPreloader::processDirectories()
{
    if (_processedDirectories.size() >= MaximumListings || _directories.empty() || _terminated ||
        !_service.isInitialized() || !_client || !NetworkController::networkAvailable()) {
        terminate();
        return;
    }
    std::string folder;
    const DropboxBrowsingCache& cache = _service.browsingCache();
    while (!_directories.empty()) {
        std::string candidate = std::move(_directories.front());
        _directories.pop_front();
        if (!cache.get(candidate) && !isKnown(_processedDirectories, candidate)) {
            folder = std::move(candidate);
            break;
        }
    }
    if (folder.empty()) {
        terminate();
        return;
    }

    _processedDirectories.push_back(folder);
    const std::string progress = localized("db_indexing_progress");
    auto& feedback = FeedbackCenter::feedbackCenter();
    if (_progressItem) {
        feedback.changeProgressItem(_progressItem, progress, 0);
    } else {
        _progressItem = feedback.startProgress(0, progress);
    }
    _currentContents.clear();
    _currentDbPath = folder;
    listCurrentDirectory(false, {});
}

void DropboxMetadataPreloader::listCurrentDirectory(bool continuing, const std::string& cursor)
{
    std::weak_ptr<DropboxMetadataPreloader> weak = weak_from_this();
    auto completion = [weak](const DropboxResponse<DropboxListing>& response) {
        auto self = weak.lock();
        if (self && !self->_terminated) self->processListResult(response);
    };
    const std::string path = DropboxBrowsingCache::normalizeKey(_currentDbPath) == "/" ? "" : _currentDbPath;
    _call = continuing ? _client->listFolderContinue(cursor, completion) : _client->listFolder(path, completion);
}

void DropboxMetadataPreloader::processListResult(const DropboxResponse<DropboxListing>& response)
{
    if (response.networkError && _service.checkAuthorizationError(*response.networkError)) {
        terminate();
        return;
    }
    if (!response.result) {
        // A folder that cannot be listed now is left for the lister; the run goes on.
        processDirectories();
        return;
    }
    const DropboxListing& listing = *response.result;
    _currentContents.insert(_currentContents.end(), listing.entries.begin(), listing.entries.end());
    if (listing.hasMore) {
        // Part of a listing would pass for the whole folder: without a cursor the folder is left.
        if (listing.cursor.empty()) {
            processDirectories();
        } else {
            listCurrentDirectory(true, listing.cursor);
        }
        return;
    }

    const bool isRoot = DropboxBrowsingCache::normalizeKey(_currentDbPath) == "/";
    if (!isRoot) {
        for (const auto& entry : _currentContents) {
            if (entry.isFolder && !entry.pathDisplay.empty()) addDirectory(entry.pathDisplay);
        }
    }
    _service.browsingCache().put(_currentDbPath, std::move(_currentContents));
    _currentContents.clear();
    processDirectories();
}
