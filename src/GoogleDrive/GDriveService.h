#pragma once

#include "GoogleDrive/GDriveFolderLister.h"
#include "GoogleDrive/GDriveInitializationTask.h"
#include "GoogleDrive/GDriveProvider.h"
#include "GoogleDrive/GDriveSynchronizer.h"
#include "GoogleDrive/GDriveTaskService.h"
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
class GDriveFileInfoItem;
class Image;
class GDriveAuthHelper;
class GDriveCacheManager;
class GDriveClientIdentifierSource;
class GDriveFileInfoCache;
class GDriveFolderCache;
class GDriveIdentifierPool;
class GDriveSimpleTasks;
class GDriveUserTasks;
class TerminationProcess;

// What the service is made with; tests replace the sign-in, the clock, the chance and the folders.
struct GDriveServiceSetup {
    // The process's helper when none.
    GDriveAuthHelper* auth = nullptr;
    Scheduler* scheduler = nullptr;
    // Seconds since 2001-01-01 UTC; the clean-up's due date is kept in it across runs.
    std::function<double()> now;
    // A uniform 32-bit number for spreading the timers of many machines apart.
    std::function<uint32_t()> random;
    // The folder of the three record files; the store's application-support folder when empty.
    std::string supportDirectory;
};

// The process-wide Google Drive service: sign-in and set-up state, the provider and caches, the
// background timers, the synchronisation queue and the upload at quit. Main thread only.
class GDrive : public GDriveProviderService,
               public GDriveSyncService,
               public GDriveTaskService,
               public GDriveInitializationTaskDelegate,
               public GDriveFileSynchronizerDelegate,
               public GDrivePathResolverDelegate,
               public GDriveExternalFileDownloaderDelegate,
               public NetworkControllerObserver {
public:
    static constexpr const char* AuthorizationChangeNotification = "tarnwick.gdrive.authorizationChangeNotification";
    static constexpr const char* LinkedChangeNotification = "tarnwick.gdrive.linkedChangeNotification";
    static constexpr const char* ActiveChangeNotification = "tarnwick.gdrive.activeChangeNotification";
    static constexpr const char* UserTaskChangeNotification = "tarnwick.gdrive.userTaskChangeNotification";
    static constexpr const char* FolderChangedNotification = "tarnwick.gdrive.FolderChangedNotification";
    static constexpr const char* NonNativeMindMapOpenedNotification =
        "tarnwick.gdrive.nonNativeMindMapOpenedNotification";
    static constexpr const char* FolderIdKey = "folder-id";
    static constexpr const char* CacheCleanDueKey = "gdrive.cacheclean.due";
    static constexpr const char* OperationKey = "operation";
    static constexpr double TickInterval = 60;
    static constexpr double PollInterval = 480;
    static constexpr double SyncInterval = 1800;
    static constexpr double CacheCleanInterval = 172800;

    enum Operation : int {
        OpenMap = 1,
        OpenOtherFile = 2,
        MakeOffline = 3,
        Duplicate = 4,
        CopyToProvider = 5,
        Convert = 6
    };

    explicit GDrive(GDriveServiceSetup setup = {});
    ~GDrive() override;
    GDrive(const GDrive&) = delete;
    GDrive& operator=(const GDrive&) = delete;

    // The service of this run; nullptr before it is made or after it is gone.
    static GDrive* instance();
    // A user task of the Drive pane runs, or the shared downloader works.
    static bool userTaskBusy();
    // 0.95 + (r mod 1000) / 10000.
    static double jitterFactor(uint32_t r);

    void initiateSession();
    void terminateSession();

    bool isAuthorized() const override;
    bool isLinked() const override { return _initialized; }
    void whenSignInKnown(std::function<void()> then) override;
    bool isActive() const override { return _isActive; }
    bool isInitializing() const { return isAuthorized() && _initializationTask != nullptr; }

    void authorize(const std::any& requester) override;
    void reauthorize() override;
    void deauthorize() override;
    void performDeauthorize();
    void dropPersonality() override;
    void performAuthorizedChanged();
    // The provider and id of the map the window shows, empty when none.
    static std::string currentEditorStorage();

    // Periodic work.
    void checkPendingEvents();
    void poll();
    void manualPoll();
    // The number of files queued.
    size_t synchronize();
    void manualSynchronize() override;
    void highPrioritySynchronizeFile(const std::string& gdriveId) override;

    // The upload of local changes at quit; none when nothing needs to go up.
    std::shared_ptr<TerminationProcess> startTerminationProcess();
    std::shared_ptr<TerminationProcess> startTerminationSynchronization();

    // Single files.
    void openMindMap(const std::string& gdriveId, const std::any& info) override;
    void openCloudLink(const std::string& link) override;
    void getImageFromLink(const std::string& link, const MindMapProvider::ImageAvailableCallback& onAvailable) override;
    void duplicateFile(const std::string& gdriveId) override;
    void deleteLocalFile(const std::string& gdriveId, const std::string& parentFolderId) override;
    void fileExternallyChanged(const std::string& gdriveId) override;
    void dispatchFolderChanged(const std::string& folderId) override;
    std::string uniqueFileName(const std::string& name, const std::string& parentFolderId) override;
    std::string uniqueFolderName(const std::string& name, const std::string& parentFolderId) override;
    void removeThumbnail(const std::string& thumbnailHash) override;
    void cleanupThumbnails();
    // The name in the thumbnail store of a file's thumbnail hash: the store takes 40-digit hashes
    // only, and the hex text of an id is longer.
    static std::string thumbnailStoreKey(const std::string& thumbnailHash);

    // The Drive pane's file actions (GDriveServiceTasks.cpp). Each does nothing, and says nothing,
    // while another user task runs or the shared downloader works.
    // info: entries added to the request; a PDF's "params" go to the PDF viewer.
    void openCloudLink(const std::string& link, const std::any& info);
    bool isOffLineAvailable(const std::string& gdriveId);
    void setOffLineAvailable(const std::string& gdriveId, bool value);
    void copyToCloud(const std::string& gdriveId, MindMapProvider* targetProvider, const std::string& targetDirectory);
    void convertNonNativeMindMap(const std::string& gdriveId);
    // The new map's id, opened; empty when none was made.
    std::string createNewMindMap(const std::string& folderId, const std::string& title);
    void addFolder(const std::string& name, const std::string& parentFolderId);
    void renameFile(const std::string& gdriveId, bool isFolder, const std::string& newName,
                    const std::string& parentFolderId);
    void moveFile(const std::string& gdriveId, bool isFolder, const std::string& fromFolder,
                  const std::string& toFolder);
    void deleteFromGDrive(const std::string& gdriveId, bool isFolder, const std::string& parentFolderId);
    std::shared_ptr<const Image> getThumbnailForFileId(const std::string& gdriveId);
    std::shared_ptr<const Image> getThumbnailForFileInfo(const GDriveFileInfoItem& item);
    std::shared_ptr<const Image> createThumbnail(const GDriveFileInfoItem& item);

    GDriveClient* driveClient() override;
    GDriveProvider* provider() override { return _provider.get(); }
    GDriveFileInfoCache& fileInfo() override { return *_fileInfo; }
    GDriveFolderCache& folderCache() override { return *_folderCache; }
    GDriveIdentifierPool& identifierPool() override { return *_identifierPool; }
    Scheduler* scheduler() override { return _setup.scheduler; }
    GDriveSynchronizer& synchronizer() { return *_synchronizer; }
    GDriveCacheManager& cacheManager() { return *_cacheManager; }
    // Thumbnails of maps under their ids' hex hashes; none without a cache folder.
    CustomImageStore* thumbnailImages() const { return _thumbnailImages.get(); }
    // The user's running operations; changes post UserTaskChangeNotification.
    GDriveUserTasks& userTasks() { return *_userTasks; }

    double nextPollTime() const { return _nextPollTime; }
    double nextSyncTime() const { return _nextSyncTime; }
    double nextCacheCleanTime() const { return _nextCacheCleanTime; }
    bool hasPendingCheck() const { return _tick.isPending(); }
    bool terminating() const { return _terminating; }

    void initializationTaskCompleted(GDriveInitializationTask* task, bool success) override;
    void syncCompleted(const std::string& fileId, const UserInfo& userInfo, const std::string& error) override;
    void pathResolved(GDrivePathResolverTask& task, const std::string& filePath, const std::string& gdriveId, int tag,
                      const std::any& info) override;
    void externalFileDownloadCompleted(GDriveExternalFileDownloader* downloader,
                                       const std::function<void(const std::string&)>& onCompletion,
                                       const std::string& fileId) override;
    void onlineStateChanged(bool online) override;

private:
    double now() const { return _setup.now(); }
    double jitter() const { return jitterFactor(_setup.random()); }
    GDriveAuthHelper& auth() const;
    void setInitialized(bool initialized);
    void updateActive();
    void runInitializationTask();
    void releaseInitializationTask();
    void releaseDownloader();
    // Whether a download for the user may start now.
    bool downloaderAvailable() const;
    // Starts the shared downloader as the user's task; false when it may not start.
    bool startDownloaderOperation(const std::string& gdriveId, UserInfo userInfo);
    void userTaskCompleted(GDriveTask* task);
    GDriveSimpleTasks* startSimpleTask();
    void doDuplicateFile(const std::string& gdriveId);
    void doCopyToCloud(const UserInfo& userInfo);
    void doConvertNonNativeMindMap(const std::string& gdriveId);
    void conversionCompletedWithError(const std::string& message);
    void scheduleTick(double delay);
    void checkCacheCleanupPending();
    void checkSyncPending();
    void checkPollPending();
    // The Drive id of the map open in the editor; empty when it is not a Drive map.
    std::string editorStorageId() const;
    // New maps and those whose copy differs from the last synchronised version.
    bool locallyChanged(GDriveFileInfoItem* item) const;

    GDriveServiceSetup _setup;
    std::shared_ptr<GDriveProvider> _provider;
    std::unique_ptr<GDriveFileInfoCache> _fileInfo;
    std::unique_ptr<GDriveFolderCache> _folderCache;
    std::unique_ptr<GDriveClientIdentifierSource> _identifierSource;
    std::unique_ptr<GDriveIdentifierPool> _identifierPool;
    std::unique_ptr<GDriveCacheManager> _cacheManager;
    std::unique_ptr<GDriveSynchronizer> _synchronizer;
    std::unique_ptr<GDriveFileSynchronizer> _downloader;
    std::unique_ptr<GDriveInitializationTask> _initializationTask;
    std::unique_ptr<GDriveUserTasks> _userTasks;
    std::shared_ptr<CustomImageStore> _thumbnailImages;
    std::shared_ptr<TerminationProcess> _terminationProcess;
    double _nextPollTime = 0;
    double _nextSyncTime = 0;
    double _nextCacheCleanTime = 0;
    bool _sessionStarted = false;
    bool _initialized = false;
    bool _isActive = false;
    bool _terminating = false;
    bool _observingNetwork = false;
    ScheduledCall _tick;
    // Ends the finished set-up task once the event that finished it is over.
    ScheduledCall _initializationTaskEnd;
    ObservationToken _willTerminate;
    struct PendingOpen {
        std::string gdriveId;
        std::any info;
    };
    std::optional<PendingOpen> _pendingOpen;
    // Asked for while the sign-in was in a locked keyring, with the map the window showed then.
    struct LockedOpen {
        std::string gdriveId;
        std::any info;
        std::string editorStorage;
    };
    std::optional<LockedOpen> _openOnceUnlocked;
    std::shared_ptr<bool> _alive = std::make_shared<bool>(true);
};
