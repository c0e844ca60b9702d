#pragma once

#include "cloud/CloudFileQueue.h"
#include "dropbox/DropboxClient.h"
#include "dropbox/DropboxService.h"
#include "platform/NotificationCenter.h"
#include "platform/Scheduler.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

class ProgressItem;
class DropboxFileInfoItem;

// The base of the Dropbox work that runs requests: its entry in the activity pane and the client
// of its run.
class DropboxTask {
public:
    explicit DropboxTask(Dropbox& service) : _service(service) {}
    virtual ~DropboxTask();
    DropboxTask(const DropboxTask&) = delete;
    DropboxTask& operator=(const DropboxTask&) = delete;

    virtual bool busy() const { return false; }
    // Ends the progress entry and drops the client.
    virtual void cancel();
    // A text starts or retitles the progress entry; the empty text ends it.
    void setProgress(const std::string& text);
    bool showsProgress() const { return _progressItem != nullptr; }

    // The message of a failed request: the network error's text, else the route error's summary,
    // else a general text.
    static std::string getDBErrorDescription(const std::optional<DropboxNetworkError>& networkError,
                                             const std::optional<DropboxRouteError>& routeError);

protected:
    Dropbox& _service;
    DropboxClient* _client = nullptr;

private:
    std::shared_ptr<ProgressItem> _progressItem;
};

class DropboxFileSynchronizerDelegate {
public:
    virtual ~DropboxFileSynchronizerDelegate() = default;
    // error is the empty text on success.
    virtual void syncCompleted(const std::string& dbPath, const UserInfo& userInfo, const std::string& error) = 0;
};

// Brings one Dropbox file and its cache copy in step: uploads local changes, downloads server
// changes, or keeps both sides with a conflict copy on the server. One file at a time; the
// delegate hears of each run once. Main thread only.
class DropboxFileSynchronizer : public DropboxTask {
public:
    enum State : int {
        Idle = 0,
        UploadingAsNewFile = 1,
        Metadata = 2,
        Downloading = 3,
        UploadingConflictCopy = 4,
        Uploading = 5,
    };
    // A run that gets no answer for this long is given up and reported.
    static constexpr double TimeoutInterval = 900;
    static constexpr const char* TimeOutNotification = "DropboxSyncTimeOutNotification";
    static constexpr const char* TimeOutStateKey = "State";

    DropboxFileSynchronizer(Dropbox& service, DropboxFileSynchronizerDelegate* delegate);
    ~DropboxFileSynchronizer() override;

    bool busy() const override { return _state != Idle; }
    bool isCancelled() const { return _delegate == nullptr; }
    void setDelegate(DropboxFileSynchronizerDelegate* delegate) { _delegate = delegate; }

    // mode: a DropboxSyncQueue::Mode.
    void synchronizeDbPath(const std::string& dbPath, int mode, const UserInfo& userInfo = {});
    void getMostRecentVersion(const std::string& dbPath, const UserInfo& userInfo)
    {
        synchronizeDbPath(dbPath, DropboxSyncQueue::Open, userInfo);
    }
    // Drops the delegate and the run; an answer arriving later is ignored.
    void cancel() override;

    State state() const { return _state; }
    static std::string stateAsString(int state);
    // What a run that timed out was doing, one fact a line.
    std::string timeoutReport() const;

private:
    void setState(State state);
    void clearSyncState();
    void syncCompleted(const std::string& error);
    void startTimeout();
    void timeoutTick();
    bool cacheChanged() const;
    bool editorModifiedNow() const;
    // True when the error was a sign-in gone for good; the run has then ended.
    bool signInLost(const std::optional<DropboxNetworkError>& networkError);
    void fileGoneOnServer();
    void requestMetadata();
    void metadataReceived(const DropboxResponse<DropboxMetadata>& response);
    void metadataLoaded();
    void uploadToDropbox(const std::string& rev);
    void uploadReceived(const DropboxResponse<DropboxMetadata>& response, std::optional<double> uploadedDate);
    bool dispatchFileRenamed(std::optional<double> uploadedDate);
    void linkCurrentRevision(std::optional<double> localDate);
    void downloadFromDropbox();
    void downloadReceived(const DropboxResponse<DropboxMetadata>& response);
    void deleteTempFile();

    DropboxFileSynchronizerDelegate* _delegate = nullptr;
    int _mode = 0;
    bool _fileOpenInEditor = false;
    bool _editorModified = false;
    State _state = Idle;
    std::string _dbPath;
    std::string _originalDbPath;
    std::string _sourceFile;
    std::string _tempFile;
    std::unique_ptr<DropboxFileInfoItem> _fileInfo;
    UserInfo _userInfo;
    std::optional<double> _lastModified;
    std::optional<DropboxMetadata> _metadata;
    DropboxCall _call;
    ScheduledCall _timeout;
    // Changes whenever a run starts or ends, so that a callback can tell that its run is over.
    uint64_t _run = 0;
    std::shared_ptr<bool> _alive = std::make_shared<bool>(true);
};

// The files waiting for synchronisation, one at a time, through one file synchronizer. A path is
// queued once whatever its case; the upload at quit completes its termination process when the
// queue has run dry or was cancelled. Main thread only.
class DropboxSynchronizer : public DropboxSyncQueue, public CloudFileQueue, public DropboxFileSynchronizerDelegate {
public:
    explicit DropboxSynchronizer(Dropbox& service);
    ~DropboxSynchronizer() override;

    void synchronizeFiles(const std::vector<std::string>& dbPaths, Mode mode) override;
    void schedulePoll(const std::string& dbPath) override;
    void terminateSynchronization(const std::vector<std::string>& dbPaths,
                                  std::shared_ptr<TerminationProcess> process) override;
    void cancel() override;
    std::unique_ptr<DropboxDownloader> makeDownloader() override;
    bool isBusy() const;

    DropboxFileSynchronizer& fileSynchronizer() { return *_syncTask; }

    void syncCompleted(const std::string& dbPath, const UserInfo& userInfo, const std::string& error) override;

private:
    void startNext() override;
    void completeTermination();
    void releaseRecords();

    Dropbox& _service;
    std::unique_ptr<DropboxFileSynchronizer> _syncTask;
    std::shared_ptr<TerminationProcess> _terminationProcess;
    // The files the quit has run, by key: each is sent once per quit.
    std::set<std::string> _runAtQuit;
    bool _recordsHeld = false;
};

// The service's downloader of the user's operations: the latest version of one file into the
// cache, a cached copy being good enough offline or with local changes.
class DropboxExternalFileDownloader : public DropboxDownloader, public DropboxFileSynchronizerDelegate {
public:
    explicit DropboxExternalFileDownloader(Dropbox& service);

    bool isBusy() const override { return _downloader.busy() || static_cast<bool>(_completion); }
    void getMostRecentVersion(const std::string& dbPath, const UserInfo& userInfo, Completion completion) override;
    void cancel() override;
    void syncCompleted(const std::string& dbPath, const UserInfo& userInfo, const std::string& error) override;

private:
    DropboxFileSynchronizer _downloader;
    Completion _completion;
};
