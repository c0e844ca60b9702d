#pragma once

#include "dropbox/DropboxClient.h"

#include <deque>
#include <memory>
#include <string>
#include <vector>

class DropboxBrowsingCache;
class HistoryList;
class ProgressItem;

// What the preloader needs of the Dropbox service, which implements it.
class DropboxPreloaderService {
public:
    virtual ~DropboxPreloaderService() = default;

    // The signed-in client of the moment; nullptr while no account is linked.
    virtual DropboxClient* dropboxClient() = 0;
    virtual bool isInitialized() const = 0;
    // True when the error means the sign-in is gone for good; the service has then unlinked.
    virtual bool checkAuthorizationError(const DropboxNetworkError& error) = 0;
    virtual DropboxBrowsingCache& browsingCache() = 0;
    // The document controller's recent maps; nullptr when there are none.
    virtual HistoryList* recentHistory() = 0;
};

// Lists a few folders the user is likely to open next into the browsing cache, once per run, in
// the background: the root, the folders of recent Dropbox maps, "/Tarnwick", then the sub-folders
// of those (breadth first). Folders already cached are skipped without counting; at most
// MaximumListings folders are fetched. Holds itself alive from run() until it ends. Main thread
// only.
class DropboxMetadataPreloader : public std::enable_shared_from_this<DropboxMetadataPreloader> {
public:
    static constexpr size_t MaximumListings = 4;
    static constexpr const char* AppFolder = "/Tarnwick";

    explicit DropboxMetadataPreloader(DropboxPreloaderService& service);
    ~DropboxMetadataPreloader();
    DropboxMetadataPreloader(const DropboxMetadataPreloader&) = delete;
    DropboxMetadataPreloader& operator=(const DropboxMetadataPreloader&) = delete;

    static std::shared_ptr<DropboxMetadataPreloader> create(DropboxPreloaderService& service);

    void run();
    // Ends the run: no further listing, no answer reaches the cache.
    void terminate();
    bool terminated() const { return _terminated; }
    // The folders listed in this run, in order (failed ones included).
    const std::vector<std::string>& processedDirectories() const { return _processedDirectories; }

private:
    void addDirectory(const std::string& folder);
    void processDirectories();
    void listCurrentDirectory(bool continuing, const std::string& cursor);
    void processListResult(const DropboxResponse<DropboxListing>& response);
    bool isKnown(const std::vector<std::string>& folders, const std::string& folder) const;

    DropboxPreloaderService& _service;
    bool _terminated = false;
    std::deque<std::string> _directories;
    std::vector<std::string> _processedDirectories;
    std::vector<DropboxMetadata> _currentContents;
    std::string _currentDbPath;

    DropboxClient* _client = nullptr;
    DropboxCall _call;
    std::shared_ptr<ProgressItem> _progressItem;
    std::shared_ptr<DropboxMetadataPreloader> _self;
};
