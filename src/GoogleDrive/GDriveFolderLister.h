#pragma once

#include "GoogleDrive/GDriveClient.h"
#include "GoogleDrive/GDriveSynchronizer.h"
#include "GoogleDrive/GDriveTaskService.h"
#include "explorers/FileListItem.h"

#include <any>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class MindMapSearchCache;
class Timer;

// Receives the answers of a lister's requests.
class GDriveFolderListerDelegate {
public:
    virtual ~GDriveFolderListerDelegate() = default;
    // items: nullopt when the request produced none; folderId: the listed folder, nullopt for
    // searches.
    virtual void listerCompleted(const std::optional<FileListItems>& items, const std::optional<std::string>& folderId,
                                 int result) = 0;
};

// Fills one explorer's list: a Drive folder from Drive (its earlier listing shown first), from the
// caches offline, or the native maps matching a search. Maps made here and not uploaded yet are
// listed with their folder. One request at a time. Main thread only.
class GDriveFolderLister : public GDriveTask {
public:
    enum Result : int {
        Listed = 0,
        Offline = 1,
        Failed = 2,
        SearchResults = 3,
        SearchError = 4,
        Busy = 5,
    };
    static constexpr const char* ListingQuery = "'%@' in parents";
    static constexpr const char* SearchQuery = "mimeType = '%@' and name contains '%@'";
    static constexpr const char* NativeMapMimeType = "application/x-zip";
    static constexpr const char* SearchFields = "id,name,fileExtension,trashed";

    GDriveFolderLister(GDriveTaskService& service, GDriveFolderListerDelegate* delegate);
    ~GDriveFolderLister() override;
    GDriveFolderLister(const GDriveFolderLister&) = delete;
    GDriveFolderLister& operator=(const GDriveFolderLister&) = delete;

    virtual void loadContentsOfFolderId(const std::string& folderId, int32_t filter);
    virtual void loadSearchResults(const std::string& text, bool fullTextSearch);

    bool busy() const override { return _call.isPending() || _listing || _searching; }
    // Forgets the request; no answer of it follows.
    void cancel() override;

    // A file list entry of that type for a Drive file; folders are never offline.
    std::shared_ptr<FileListItem> gdriveMetadataToFileListItem(const GDriveMetadata& metadata, int32_t itemType) const;
    // Backslash before every backslash and single quote; everything else as it is.
    static std::string escapeSearchText(const std::string& text);

private:
    void reset();
    void listOnline();
    void listed(const GDriveResponse<std::vector<GDriveMetadata>>& response);
    FileListItems convertMetadata(const std::vector<GDriveMetadata>& entries) const;
    void appendNewFiles(FileListItems& items) const;
    void insertNavigateUpItem(FileListItems& items) const;
    std::optional<FileListItems> loadOfflineContentsOfFolder() const;
    void searchOnline();
    void searched(const GDriveResponse<std::vector<GDriveMetadata>>& response);
    FileListItems convertSearchMatchesToFileItems(const std::shared_ptr<MindMapSearchCache>& cache) const;
    void listerCompleted(std::optional<FileListItems> items, int result);
    void listerCompleted(std::optional<FileListItems> items, int result, const std::string& error);
    void searchError(const std::string& error);

    GDriveTaskService& _service;
    GDriveFolderListerDelegate* _delegate;
    GDriveCall _call;
    std::string _folderId;
    std::string _searchText;
    bool _fullTextSearch = false;
    int32_t _filter = 0;
    bool _listing = false;
    bool _searching = false;
    // An answer handed out synchronously tells whether the delegate threw the lister away meanwhile.
    std::shared_ptr<bool> _alive = std::make_shared<bool>(true);
};

class GDrivePathResolverTask;

class GDrivePathResolverDelegate {
public:
    virtual ~GDrivePathResolverDelegate() = default;
    // gdriveId: empty when the path could not be resolved.
    virtual void pathResolved(GDrivePathResolverTask& task, const std::string& filePath, const std::string& gdriveId,
                              int tag, const std::any& info) = 0;
};

// Turns a slash path ("/Folder/Sub/map.twkx") into a Drive file id level by level, asking Drive
// only where the folder cache does not know a name. The names come from documents: they are only
// compared with cached names, never put into a query. Main thread only.
class GDrivePathResolverTask : public GDriveTask {
public:
    static constexpr const char* FolderQuery = "mimeType = '%@' and '%@' in parents";
    static constexpr const char* FolderFields = "id,mimeType,name,parents,trashed";

    GDrivePathResolverTask(GDriveTaskService& service, GDrivePathResolverDelegate* delegate, std::string filePath,
                           int tag, std::any info);
    ~GDrivePathResolverTask() override;
    GDrivePathResolverTask(const GDrivePathResolverTask&) = delete;
    GDrivePathResolverTask& operator=(const GDrivePathResolverTask&) = delete;

    void execute();
    // Stops the running query; nothing is reported.
    void cancel() override;
    bool busy() const override { return _call.isPending(); }

    const std::string& filePath() const { return _filePath; }
    const std::any& info() const { return _info; }
    const std::string& parentFolderId() const { return _parentFolderId; }
    // Deepest first: the next name to walk is the last.
    const std::vector<std::string>& folderStack() const { return _folderStack; }

private:
    void processFolderStack();
    void locateFile();
    void refreshCurrentParentFolder(bool includeFiles);
    void report(const std::string& gdriveId);
    void terminate() { report({}); }

    GDriveTaskService& _service;
    GDrivePathResolverDelegate* _delegate;
    GDriveCall _call;
    std::unique_ptr<Timer> _next;
    std::string _filePath;
    int _tag;
    std::any _info;
    std::vector<std::string> _folderStack;
    std::string _parentFolderId;
    bool _refreshing = false;
    bool _justListedFiles = false;
};
