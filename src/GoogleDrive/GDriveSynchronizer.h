#pragma once

#include "GoogleDrive/GDriveFileOperations.h"
#include "cloud/CloudFileQueue.h"
#include "platform/NotificationCenter.h"
#include "platform/Scheduler.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

class GDriveFileInfoCache;
class GDriveFileInfoItem;
class GDriveFolderCache;
class GDriveProvider;
class ProgressItem;
class TerminationProcess;

// What the synchronizer needs of the Google Drive service, which implements it.
class GDriveSyncService {
public:
    virtual ~GDriveSyncService() = default;

    virtual bool isLinked() const = 0;
    // None while signed out.
    virtual GDriveClient* driveClient() = 0;
    virtual GDriveProvider* provider() = 0;
    virtual GDriveFileInfoCache& fileInfo() = 0;
    virtual GDriveFolderCache& folderCache() = 0;
    // None in tests that do not time runs out.
    virtual Scheduler* scheduler() = 0;
    // The sign-in was refused: the user is asked to sign in again.
    virtual void reauthorize() = 0;
    // The file is gone on Drive: its copy, records, thumbnail and editor history go.
    virtual void deleteLocalFile(const std::string& gdriveId, const std::string& parentFolderId) = 0;
    // A new version was downloaded: open storages reload it.
    virtual void fileExternallyChanged(const std::string& gdriveId) = 0;
    virtual void highPrioritySynchronizeFile(const std::string& gdriveId) = 0;
    // The map's thumbnail is made again when next asked for.
    virtual void removeThumbnail(const std::string& thumbnailHash) = 0;
    virtual void dispatchFolderChanged(const std::string& folderId) = 0;
};

// The upload type of a file's extension; maps and unknown kinds go up as zip.
std::string GDriveMimeTypeForExtension(const std::string& extension);

// Whether the cached copy holds what Drive lacks: a file never uploaded, or one changed since it was
// last in step.
bool GDriveLocallyChanged(const GDriveProvider& provider, const GDriveFileInfoItem& item);

// The base of the Drive work that runs requests: its entry in the activity pane.
class GDriveTask {
public:
    GDriveTask() = default;
    virtual ~GDriveTask();
    GDriveTask(const GDriveTask&) = delete;
    GDriveTask& operator=(const GDriveTask&) = delete;

    virtual bool busy() const { return false; }
    virtual void cancel();
    // A title starts or retitles the progress entry; the empty title ends it.
    void setProgress(const std::string& title);
    bool showsProgress() const { return _progressItem != nullptr; }

private:
    std::shared_ptr<ProgressItem> _progressItem;
};

class GDriveFileSynchronizerDelegate {
public:
    virtual ~GDriveFileSynchronizerDelegate() = default;
    // error is the empty text on success.
    virtual void syncCompleted(const std::string& fileId, const UserInfo& userInfo, const std::string& error) = 0;
};

// Brings one Drive file and its cache copy in step by comparing the checksums of the local copy,
// of the last synchronised version and of Drive's version: uploads, downloads, records a rename, or
// keeps both sides with a conflict copy. One file at a time; the delegate hears of each accepted
// run once. Main thread only.
class GDriveFileSynchronizer : public GDriveTask {
public:
    enum Mode : int { Poll = 0, Upload = 1, Sync = 2, GetMostRecentVersion = 3 };
    enum State : int { Idle = 0, UploadingNewFile = 1, FetchingMetadata = 2, Downloading = 3, Uploading = 4 };
    // A run that gets no answer for this long is given up and reported.
    static constexpr double TimeoutInterval = 900;

    GDriveFileSynchronizer(GDriveSyncService& service, GDriveFileSynchronizerDelegate* delegate);
    ~GDriveFileSynchronizer() override;

    bool busy() const override { return _state != Idle; }
    void setDelegate(GDriveFileSynchronizerDelegate* delegate) { _delegate = delegate; }

    // Modes Poll, Upload and Sync.
    void synchronizeFileId(const std::string& fileId, int mode);
    void getMostRecentVersionForFileId(const std::string& fileId, const UserInfo& userInfo);
    void synchronizeFileId(const std::string& fileId, int mode, const UserInfo& userInfo);
    // Ends the run without telling the delegate; an answer arriving later is ignored.
    void cancel() override;

    State state() const { return _state; }
    // The file and the caller's userInfo of the run under way.
    const std::string& fileId() const { return _fileId; }
    const UserInfo& userInfo() const { return _userInfo; }
    static std::string modeAsString(int mode);

private:
    void setState(State state);
    void clearSyncState();
    void syncCompleted(const std::string& error);
    void timedOut();
    // True when the error ended the run.
    bool handledError(const GDriveError* error, bool notFoundMeansGone, const std::string& parentId);
    bool changedHere();
    std::string applicationFolderId();
    void fileNotFoundOnGDrive(const std::string& parentId);
    // A copy with edits not on Drive outlives the Drive file: it goes up again under a new id.
    void keepAsNewFile(const std::string& parentId);
    std::string replaceByNewFile(const std::string& name, const std::string& folderId, bool goneOnDrive);
    // True when the answer named another id than asked for: the run has ended.
    bool answeredAboutAnotherFile(const GDriveMetadata& metadata);
    void getMetadataFromGDrive();
    void metadataReceived(const GDriveMetadata& metadata);
    void downloadNewFileFromGDrive();
    void downloadFromGDrive(const GDriveMetadata& metadata);
    void downloadReceived(const GDriveMetadata& metadata);
    void uploadNewFileToGDrive();
    void uploadExistingFileToGDrive();
    void uploadReceived(const GDriveMetadata* metadata);
    void createConflictCopy();
    void deleteTempFile();

    GDriveSyncService& _service;
    GDriveFileSynchronizerDelegate* _delegate = nullptr;
    int _mode = Poll;
    State _state = Idle;
    std::string _fileId;
    UserInfo _userInfo;
    std::unique_ptr<GDriveFileInfoItem> _fileInfo;
    std::string _sourceFile;
    bool _sourceFileExists = false;
    bool _fileOpenInEditor = false;
    bool _editorModified = false;
    // The local copy's checksum when the decision was taken.
    std::string _localChecksum;
    std::string _tempFile;
    bool _movedToApplicationFolder = false;
    std::unique_ptr<GDriveFileMetadataGet> _getter;
    std::unique_ptr<GDriveFileDownload> _downloader;
    std::unique_ptr<GDriveFileCreate> _creator;
    std::unique_ptr<GDriveFileUpdate> _uploader;
    ScheduledCall _timeout;
};

// The files waiting for synchronisation, one at a time, through one file synchronizer. The upload
// at quit completes its termination process when the queue has run dry or was cancelled. Main
// thread only.
class GDriveSynchronizer : public CloudFileQueue, public GDriveFileSynchronizerDelegate {
public:
    explicit GDriveSynchronizer(GDriveSyncService& service);
    ~GDriveSynchronizer() override;

    void synchronizeFiles(const std::vector<std::string>& fileIds)
    {
        synchronizeFiles(fileIds, GDriveFileSynchronizer::Sync);
    }
    void synchronizeFiles(const std::vector<std::string>& fileIds, int mode) { enqueue(fileIds, mode); }
    void schedulePoll(const std::string& fileId);
    void terminateSynchronization(const std::vector<std::string>& fileIds, std::shared_ptr<TerminationProcess> process);
    void cancel();
    bool isBusy() const;

    GDriveFileSynchronizer& fileSynchronizer() { return *_syncTask; }

    void syncCompleted(const std::string& fileId, const UserInfo& userInfo, const std::string& error) override;

private:
    void startNext() override;
    void completeTermination();

    GDriveSyncService& _service;
    std::unique_ptr<GDriveFileSynchronizer> _syncTask;
    std::shared_ptr<TerminationProcess> _terminationProcess;
    // The files the quit has run: each is sent once per quit.
    std::set<std::string> _runAtQuit;
};

class GDriveExternalFileDownloader;

class GDriveExternalFileDownloaderDelegate {
public:
    virtual ~GDriveExternalFileDownloaderDelegate() = default;
    // fileId is empty after a failure.
    virtual void externalFileDownloadCompleted(GDriveExternalFileDownloader* downloader,
                                               const std::function<void(const std::string&)>& onCompletion,
                                               const std::string& fileId) = 0;
};

// The latest version of one file into the cache for a caller that wants a local path; a cached
// copy is good enough offline or with local changes. Tells its delegate once.
class GDriveExternalFileDownloader : public GDriveTask, public GDriveFileSynchronizerDelegate {
public:
    GDriveExternalFileDownloader(GDriveSyncService& service, GDriveExternalFileDownloaderDelegate* delegate,
                                 std::function<void(const std::string&)> onCompletion);
    ~GDriveExternalFileDownloader() override;

    bool busy() const override { return _downloader && _downloader->busy(); }
    void downloadFileId(const std::string& fileId);
    void cancel() override;
    void syncCompleted(const std::string& fileId, const UserInfo& userInfo, const std::string& error) override;

private:
    GDriveSyncService& _service;
    GDriveExternalFileDownloaderDelegate* _delegate;
    std::function<void(const std::string&)> _onCompletion;
    std::unique_ptr<GDriveFileSynchronizer> _downloader;
};
