#pragma once

#include "cloud/OAuthClient.h"
#include "dropbox/DropboxBrowsingCache.h"
#include "dropbox/DropboxCacheManager.h"
#include "dropbox/DropboxClient.h"
#include "dropbox/DropboxFileInfoCache.h"
#include "dropbox/DropboxMetadataPreloader.h"
#include "dropbox/DropboxProvider.h"
#include "explorers/CloudPaneService.h"
#include "platform/NetworkController.h"
#include "platform/NotificationCenter.h"
#include "platform/Scheduler.h"

#include <any>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CustomImageStore;
class Image;
class HttpEngine;
class TerminationProcess;
class TokenStore;

// Something the user started and waits for; at most one runs at a time.
class DropboxUserTask {
public:
    virtual ~DropboxUserTask() = default;
    // Stops the work; no completion follows.
    virtual void cancel() = 0;
};

// The one downloader of the user's operations: brings the latest version of a file into the cache.
class DropboxDownloader : public DropboxUserTask {
public:
    // error is empty on success.
    using Completion = std::function<void(const UserInfo& userInfo, const std::string& error)>;
    virtual bool isBusy() const = 0;
    virtual void getMostRecentVersion(const std::string& dbPath, const UserInfo& userInfo, Completion completion) = 0;
};

// The synchronisation queue as the service drives it.
class DropboxSyncQueue {
public:
    // How a queued file is treated: 0 a poll of the open map, 1 the upload at quit, 2 the periodic
    // synchronisation, 3 a user's open (a cached copy is good enough offline).
    enum Mode : int { Poll = 0, Terminate = 1, Periodic = 2, Open = 3 };

    virtual ~DropboxSyncQueue() = default;
    virtual void synchronizeFiles(const std::vector<std::string>& dbPaths, Mode mode) = 0;
    // The file goes to the front of the queue.
    virtual void schedulePoll(const std::string& dbPath) = 0;
    virtual void cancel() = 0;
    // Uploads the files and completes the process when the queue is done or cancelled.
    virtual void terminateSynchronization(const std::vector<std::string>& dbPaths,
                                          std::shared_ptr<TerminationProcess> process) = 0;
    virtual std::unique_ptr<DropboxDownloader> makeDownloader() = 0;
};

// What the service is made with; tests replace the clock, the chance and the addresses.
struct DropboxServiceSetup {
    HttpEngine* engine = nullptr;
    TokenStore* tokens = nullptr;
    OAuthSettings signIn;
    DropboxEndpoints endpoints;
    Scheduler* scheduler = nullptr;
    // Seconds since 2001-01-01 UTC; the due times are kept in it, the clean-up's across runs.
    std::function<double()> now;
    // A uniform 32-bit number for spreading the timers of many machines apart.
    std::function<uint32_t()> random;
    // The folder of the record file; the store's application-support folder when empty.
    std::string supportDirectory;
    // Builds the queue on the service; none leaves synchronisation off.
    std::function<std::unique_ptr<DropboxSyncQueue>(class Dropbox&)> makeSyncQueue;
    // Opens a downloaded document, with the parameters after "#" for a PDF page; false when nothing
    // opened it. The desktop's launcher when empty.
    std::function<bool(const std::string& path, const std::string& parameters)> openDocument;
};

// The process-wide Dropbox service: sign-in state, the provider and caches, the background timers,
// the user's running task and the upload at quit. Main thread only.
class Dropbox : public DropboxProviderService,
                public DropboxPreloaderService,
                public CloudPaneService,
                public NetworkControllerObserver {
public:
    static constexpr const char* StateChangeNotification = "tarnwick.dropbox.stateChangeNotification";
    static constexpr const char* UserTaskChangeNotification = "tarnwick.dropbox.userTaskChangeNotification";
    static constexpr const char* DirectoryChangedNotification = "tarnwick.dropbox.directoryChangedNotification";
    static constexpr const char* CacheCleanDueDateKey = "dropbox.cacheclean.duedate";
    static constexpr const char* RecordFileName = "dropbox-file-info-cache-apfs.xml";
    static constexpr const char* ThumbnailFolderName = "dropbox-thumbnails";
    static constexpr const char* TokenAccount = "dropbox";
    static constexpr double TickInterval = 60;
    static constexpr double PollInterval = 480;
    static constexpr double SyncInterval = 1800;
    static constexpr double CacheCleanInterval = 172800;

    // The operations of the shared downloader, kept under "operation" in its userInfo.
    enum Operation : int { OpenMap = 1, OpenDocument = 2, MakeOffline = 3, Duplicate = 4, CopyToCloud = 5 };

    explicit Dropbox(DropboxServiceSetup setup);
    ~Dropbox() override;
    Dropbox(const Dropbox&) = delete;
    Dropbox& operator=(const Dropbox&) = delete;

    // The service of this run; nullptr before it is made or after it is gone.
    static Dropbox* instance();
    static bool userTaskBusy();
    // 1 + (r mod 500) / 10000.
    static double jitterFactor(uint32_t r);

    // Session and state.
    void initiateSession();
    void authorize(const std::any& requester) override;
    // True when the address was the redirect of this service's pending sign-in.
    bool handleAuthorizationURL(const std::string& url);
    void deauthorize() override;
    void performDeauthorize();
    bool checkAuthorizationError(const DropboxNetworkError& error) override;
    bool isAuthorized() const override { return _isAuthorized; }
    void whenSignInKnown(std::function<void()> then) override;
    bool isInitializing() const { return false; }
    bool isInitialized() const override { return _isInitialized; }
    bool isActive() const override { return _isActive; }
    void onlineStateChanged(bool online) override;
    void willTerminateNotification();
    void terminateSession();
    std::shared_ptr<TerminationProcess> startTerminationProcess();
    // The files the upload at quit sends: never uploaded, or changed since they were in step.
    std::vector<std::string> pathsToUploadAtQuit() const { return locallyChangedPaths(false); }
    bool isTerminating() const { return _terminating; }
    const std::shared_ptr<TerminationProcess>& terminationProcess() const { return _terminationProcess; }

    // Synchronisation.
    size_t synchronize();
    void highPrioritySynchronizeFile(const std::string& dbPath) override;
    void manualSynchronize() override;
    // The timer's tick.
    void checkPendingEvents();

    // The user's operations.
    void openMindMap(const std::string& dbPath, const std::any& info) override;
    void openCloudLink(const std::string& link) override;
    void makeOffLineAvailable(const std::string& dbPath);
    void duplicateFile(const std::string& dbPath) override;
    void copyToCloud(const std::string& sourcePath, MindMapProvider* targetProvider,
                     const std::string& targetDirectory);
    void getImageFromLink(const std::string& dbPath,
                          const MindMapProvider::ImageAvailableCallback& onAvailable) override;
    // The link's Dropbox path and the PDF parameters after ".pdf#" or ".pdf?" (empty when none).
    static std::pair<std::string, std::string> splitCloudLink(const std::string& link);

    // The user's changes to the tree and conversions, each run as the user task; nothing starts
    // while another user task runs.
    void deleteFromDropbox(const std::string& dbPath, bool isDirectory);
    // Commits the editor first: the map may be the one moved.
    void moveSourcePath(const std::string& sourcePath, const std::string& targetPath, bool isDirectory);
    void addFolder(const std::string& dbPath);
    // Opens the new map on success.
    void convertNonNativeMindMap(const std::string& dbPath) override;
    // The map's thumbnail from the thumbnail store; nullptr when it has none.
    // The map's thumbnail: the stored one, else painted now from its cached copy; nothing for a
    // file without a record or a copy that does not read as a map.
    std::shared_ptr<const Image> getThumbnailForPath(const std::string& dbPath);
    std::shared_ptr<const Image> createThumbnail(const DropboxFileInfoItem& record);
    const std::shared_ptr<CustomImageStore>& thumbnailImages() const { return _thumbnailImages; }

    void userTaskStarted(const std::shared_ptr<DropboxUserTask>& task);
    void userTaskCompleted(DropboxUserTask* task);
    void cancelUserTasks();
    size_t userTaskCount() const { return _userTasks.size(); }

    // Cache operations of the other Dropbox parts.
    // `askedAtRevision` is the file records' revision count when the listing was asked for.
    void folderContentsLoaded(const std::vector<DropboxMetadata>& entries, const std::string& dbFolder,
                              uint64_t askedAtRevision);
    std::string getUniqueFileName(const std::string& name, const std::string& dbFolder) const;
    bool isFileOpenInEditor(const std::string& dbPath) const;
    // Whether edits of the file made here have not gone up: it was never uploaded, its copy changed
    // since it was in step, or it is open with unsaved edits.
    bool hasUnsentChanges(const std::string& dbPath) const;
    void deleteLocalFile(const std::string& dbPath);
    // The folder is gone from Dropbox. Unless the user deleted it, its maps that never went up or
    // hold edits not yet sent are kept, as new maps that go up again, and the user is told.
    void directoryDeleted(const std::string& dbFolder, bool deletedByUser = false);
    void fileExternallyChanged(const std::string& dbPath);
    void dispatchDirectoryChanged(const std::string& dbFolder) override;
    void removeThumbnail(const std::string& dbPath) override;

    DropboxClient* dropboxClient() override;
    DropboxBrowsingCache& browsingCache() override { return _browsingCache; }
    DropboxFileInfoCache& fileInfo() override { return *_fileInfo; }
    HistoryList* recentHistory() override;
    // The document controller's recent maps, which the preloader starts from.
    void setRecentHistory(HistoryList* history) { _recentHistory = history; }
    const std::shared_ptr<DropboxProvider>& provider() const { return _provider; }
    DropboxCacheManager& cacheManager() { return *_cacheManager; }
    DropboxSyncQueue* synchronizer() { return _synchronizer.get(); }
    OAuthClient& oauth() { return *_oauth; }

    // The timers of the service's work; nullptr when it runs none.
    Scheduler* scheduler() const { return _setup.scheduler; }
    // Seconds since 2001-01-01 UTC, by the clock the service was made with.
    double currentTime() const { return now(); }

    double nextPollTime() const { return _nextPollTime; }
    double nextSyncTime() const { return _nextSyncTime; }
    double nextCacheCleanTime() const { return _nextCacheCleanTime; }
    bool isTickPending() const { return _tick.isPending(); }

private:
    double now() const { return _setup.now(); }
    double jitter() const { return jitterFactor(_setup.random()); }
    void updateAuthorized();
    // The keyring's answer at the start or after an unlock; a locked keyring is remembered.
    void signInRead(const Error& error);
    void keyringUnlocked();
    // The provider and id of the map the window shows, empty when none.
    static std::string currentEditorStorage();
    void sessionStateKnown();
    void performAuthorizedChanged();
    void setInitialized(bool initialized);
    void updateActive();
    void reauthenticationRequired();
    // Writes the open Dropbox map to its cache copy; the storage that could not be written, which
    // must stay open, else nullptr.
    MindMapStorage* commitOpenMap();
    void dropStoragesExcept(MindMapStorage* keep);
    // Whether the cached copy holds work not on Dropbox: never uploaded, or changed since.
    bool hasLocalWork(const DropboxFileInfoItem& record) const;
    void dropPersonality();
    void scheduleTick(double delay);
    void checkCacheCleanupPending();
    void checkSyncPending();
    void checkPollPending();
    void checkPreloadPending();
    std::string editorDropboxStorageId() const;
    std::vector<std::string> locallyChangedPaths(bool includeOpenAndOffline) const;
    DropboxDownloader* availableDownloader();
    void startDownloaderOperation(const std::string& dbPath, UserInfo userInfo);
    void syncCompleted(const UserInfo& userInfo, const std::string& error);
    void doDuplicateFile(const std::string& dbPath);
    void doCopyToCloud(const UserInfo& userInfo);
    void openDownloadedDocument(const std::string& dbPath, const std::string& parameters);
    void releaseDownloader();
    std::string parentFolder(const std::string& dbPath) const;

    DropboxServiceSetup _setup;
    bool _sessionStarted = false;
    bool _preloadPending = true;
    bool _terminating = false;
    bool _observingNetwork = false;
    std::unique_ptr<DropboxCacheManager> _cacheManager;
    double _nextPollTime = 0;
    double _nextSyncTime = 0;
    double _nextCacheCleanTime = 0;
    std::shared_ptr<DropboxDownloader> _downloader;
    std::vector<std::shared_ptr<DropboxUserTask>> _userTasks;
    std::shared_ptr<TerminationProcess> _terminationProcess;
    bool _isAuthorized = false;
    // The server refused the sign-in; cleared once the user has signed in again.
    bool _signInLost = false;
    // The keyring has answered whether an account of an earlier run is signed in.
    bool _signInKnown = false;
    std::vector<std::function<void()>> _waitingForSignIn;
    // The sign-in is in a keyring the user left locked (its password question was dismissed).
    bool _signInLocked = false;
    // Asked for while the sign-in was in a locked keyring, with the map the window showed then.
    struct LockedOpen {
        std::string dbPath;
        std::any info;
        std::string editorStorage;
    };
    std::optional<LockedOpen> _openOnceUnlocked;
    bool _isInitialized = false;
    bool _isActive = false;
    std::shared_ptr<DropboxProvider> _provider;
    DropboxBrowsingCache _browsingCache;
    std::unique_ptr<DropboxFileInfoCache> _fileInfo;
    std::shared_ptr<CustomImageStore> _thumbnailImages;
    std::unique_ptr<DropboxSyncQueue> _synchronizer;
    std::weak_ptr<DropboxMetadataPreloader> _preloader;
    std::unique_ptr<OAuthClient> _oauth;
    std::unique_ptr<DropboxClient> _client;
    HistoryList* _recentHistory = nullptr;
    ScheduledCall _tick;
    ObservationToken _willTerminate;
};
