#pragma once

#include "dropbox/DropboxSynchronizer.h"
#include "explorers/FileListItem.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class Dropbox;
class MindMapSearchCache;

// Receives the one answer of each request of a lister.
class DropboxListerDelegate {
public:
    virtual ~DropboxListerDelegate() = default;
    // items: nullopt when the request produced none; dbPath: the listed folder, nullopt for
    // searches and requests without a folder.
    virtual void listerCompleted(const std::optional<FileListItems>& items, const std::optional<std::string>& dbPath,
                                 int result) = 0;
};

// Fills one explorer's list: a Dropbox folder from the server (showing the folder's earlier
// listing of this run first), from the cache without network, or the native maps matching a
// search. Maps made here and not uploaded yet are listed with their folder. Main thread only.
class DropboxLister : public DropboxTask {
public:
    enum Result : int {
        Listed = 0,
        Cached = 1,
        Offline = 2,
        SearchResults = 3,
        SearchError = 4,
        FolderNotFound = 5,
        Failed = 6,
        Busy = 7,
    };
    enum State : int32_t { Idle = 0, Listing = 1, Searching = 2 };
    // A search follows the service's pages up to this many (of up to 1000 matches each).
    static constexpr int MaximumSearchPages = 20;

    DropboxLister(Dropbox& service, DropboxListerDelegate* delegate);
    ~DropboxLister() override;

    virtual void loadContentsOfPath(const std::optional<std::string>& dbPath, int32_t filter);
    virtual void loadSearchResults(const std::string& text, bool fullTextSearch);

    bool busy() const override { return _state != Idle; }
    int32_t state() const { return _state; }
    bool isCancelled() const { return _delegate == nullptr; }
    // No answer reaches the delegate afterwards.
    void cancel() override;

    static std::shared_ptr<FileListItem> dropboxEntryToFileListItem(const DropboxMetadata& entry, int32_t itemType);
    // The folder above, named after it (the root by the provider's title); nothing for the root.
    static std::shared_ptr<FileListItem> navigateUpItem(const std::string& dbPath, const std::string& rootTitle);

private:
    void setState(int32_t state);
    void clearState();
    void listPage(bool continuing, const std::string& cursor);
    void processPage(const DropboxResponse<DropboxListing>& response);
    void searchAnswered(const DropboxResponse<DropboxSearchPage>& response);
    FileListItems convertMetaData(const std::vector<DropboxMetadata>& entries) const;
    // With the revision count at which the listing was asked for, files recorded since are added
    // too.
    void appendNewFiles(FileListItems& items, const std::string& dbFolder,
                        std::optional<uint64_t> askedAtRevision = std::nullopt) const;
    std::optional<FileListItems> loadOfflineContents(const std::string& dbPath) const;
    FileListItems convertSearchMatchesToFileItems(const std::shared_ptr<MindMapSearchCache>& cache) const;
    void finishListing(FileListItems items);
    void listerCompleted(std::optional<FileListItems> items, int result);
    void listerCompleted(std::optional<FileListItems> items, int result, const std::string& error);
    void searchError(const std::string& error);

    DropboxListerDelegate* _delegate;
    DropboxCall _call;
    int32_t _state = Idle;
    std::optional<std::string> _dbPath;
    int32_t _filter = 0;
    std::vector<DropboxMetadata> _folderContents;
    uint64_t _askedAtRevision = 0;
    std::string _searchText;
    bool _fullTextSearch = false;
    std::vector<DropboxMetadata> _searchMatches;
    int _searchPages = 0;
    // Goes with the lister: an answer handed out synchronously tells whether the delegate threw
    // the lister away meanwhile.
    std::shared_ptr<bool> _alive = std::make_shared<bool>(true);
};
