#include "dropbox/DropboxSynchronizer.h"

#include "Editor/FeedbackCenter.h"
#include "Utils/TerminationProcess.h"
#include "dropbox/DropboxFileInfoCache.h"
#include "dropbox/DropboxProvider.h"
#include "platform/Localizer.h"
#include "platform/NetworkController.h"
#include "store/EditorInterface.h"

#include <glib.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

std::string lowerCase(const std::string& text)
{
    gchar* lowered = g_utf8_strdown(text.c_str(), static_cast<gssize>(text.size()));
    std::string result = lowered ? lowered : text;
    g_free(lowered);
    return result;
}

bool samePathIgnoringCase(const std::string& a, const std::string& b)
{
    return DropboxFileInfoCache::normalizeKey(a) == DropboxFileInfoCache::normalizeKey(b);
}

std::string parentFolder(const std::string& dbPath)
{
    const size_t slash = dbPath.find_last_of('/');
    return slash == std::string::npos || slash == 0 ? std::string("/") : dbPath.substr(0, slash);
}

// Record time as a reader of the report wants it: UTC to the microsecond.
std::string describeDate(const std::optional<double>& date)
{
    if (!date) return "nil";
    const double unixTime = *date + ReferenceDateOffsetFrom1970;
    const double whole = std::floor(unixTime);
    const auto micros = static_cast<long>(std::lround((unixTime - whole) * 1e6));
    GDateTime* time = g_date_time_new_from_unix_utc(static_cast<gint64>(whole));
    if (!time) return DropboxFileInfoCacheFiler::formatDate(*date);
    gchar* text = g_date_time_format(time, "%Y-%m-%d %H:%M:%S");
    char fraction[32];
    std::snprintf(fraction, sizeof fraction, ".%06ld", std::min(micros, 999999L));
    std::string result = std::string(text ? text : "") + fraction + " UTC";
    g_free(text);
    g_date_time_unref(time);
    return result;
}

std::string describeMetadata(const std::optional<DropboxMetadata>& metadata)
{
    if (!metadata) return "nil";
    return "{path: " + metadata->pathDisplay + ", rev: " + metadata->rev + ", size: " + std::to_string(metadata->size) +
        "}";
}

std::string uniqueString()
{
    gchar* uuid = g_uuid_string_random();
    std::string result = uuid;
    g_free(uuid);
    return result;
}

// Each write of the record file waits for the disk: the changes of one answer go out as one.
class RecordBatch {
public:
    explicit RecordBatch(DropboxFileInfoCache& records) : _records(records) { _records.beginUpdate(); }
    ~RecordBatch() { _records.endUpdate(); }
    RecordBatch(const RecordBatch&) = delete;
    RecordBatch& operator=(const RecordBatch&) = delete;

private:
    DropboxFileInfoCache& _records;
};

} // namespace

// ---- task

DropboxTask::~DropboxTask()
{
    DropboxTask::cancel();
}

void DropboxTask::cancel()
{
    setProgress({});
    _client = nullptr;
}

void DropboxTask::setProgress(const std::string& text)
{
    FeedbackCenter& center = FeedbackCenter::feedbackCenter();
    if (text.empty()) {
        if (_progressItem) center.endProgress(_progressItem);
        _progressItem.reset();
        return;
    }
    if (_progressItem) {
        center.changeProgressItem(_progressItem, text, 0);
    } else {
        _progressItem = center.startProgress(0, text);
    }
}

std::string DropboxTask::getDBErrorDescription(const std::optional<DropboxNetworkError>& networkError,
                                               const std::optional<DropboxRouteError>& routeError)
{
    if (networkError && !networkError->errorContent().empty()) return networkError->errorContent();
    if (routeError && !routeError->description().empty()) return routeError->description();
    return localized("db_unspecified_error");
}

// ---- file synchronizer

DropboxFileSynchronizer::DropboxFileSynchronizer(Dropbox& service, DropboxFileSynchronizerDelegate* delegate)
    : DropboxTask(service), _delegate(delegate)
{
}

DropboxFileSynchronizer::~DropboxFileSynchronizer()
{
    DropboxFileSynchronizer::cancel();
}

std::string DropboxFileSynchronizer::stateAsString(int state)
{
    switch (state) {
    case Idle:
        return "Idle";
    case UploadingAsNewFile:
        return "Uploading AsNewFile";
    case Metadata:
        return "Metadata";
    case Downloading:
        return "Downloading";
    case UploadingConflictCopy:
        return "Uploading ConflictCopy";
    case Uploading:
        return "Uploading";
    default:
        return "Unknown " + std::to_string(state);
    }
}

void DropboxFileSynchronizer::setState(State state)
{
    _state = state;
    switch (state) {
    case Idle:
        setProgress({});
        break;
    case Metadata:
        setProgress(localized("db_synchronize_progress"));
        break;
    case Downloading:
        setProgress(localized("db_download_progress"));
        break;
    default:
        setProgress(localized("db_upload_progress"));
        break;
    }
}

void DropboxFileSynchronizer::cancel()
{
    _delegate = nullptr;
    clearSyncState();
    _state = Idle;
    DropboxTask::cancel();
}

void DropboxFileSynchronizer::clearSyncState()
{
    ++_run;
    _call.cancel();
    _timeout.cancel();
    _client = nullptr;
    _dbPath.clear();
    _originalDbPath.clear();
    _userInfo.clear();
    _sourceFile.clear();
    _fileOpenInEditor = false;
    _editorModified = false;
    _lastModified.reset();
    _fileInfo.reset();
    _metadata.reset();
    deleteTempFile();
}

bool DropboxFileSynchronizer::signInLost(const std::optional<DropboxNetworkError>& networkError)
{
    if (!networkError || !networkError->isAuthError()) return false;
    // Unlinking cancels the service's work, and may end this synchronizer with it: the run is
    // finished here only when both are still there.
    const std::weak_ptr<bool> alive = _alive;
    const uint64_t run = _run;
    _service.checkAuthorizationError(*networkError);
    if (alive.expired() || run != _run || isCancelled()) return true;
    syncCompleted(localized("db_disconnected_state"));
    return true;
}

void DropboxFileSynchronizer::deleteTempFile()
{
    if (_tempFile.empty()) return;
    std::error_code error;
    fs::remove(_tempFile, error);
    _tempFile.clear();
}

void DropboxFileSynchronizer::synchronizeDbPath(const std::string& dbPath, int mode, const UserInfo& userInfo)
{
    if (busy()) {
        // The running run goes on; only the new request is turned away.
        if (_delegate) _delegate->syncCompleted(dbPath, userInfo, localized("db_synchronize_progress"));
        return;
    }
    clearSyncState();
    _dbPath = _originalDbPath = dbPath;
    _mode = mode;
    _userInfo = userInfo;
    _client = _service.dropboxClient();
    if (!_service.isInitialized() || !_client) {
        syncCompleted(localized("db_disconnected_state"));
        return;
    }

    _sourceFile = _service.provider()->cacheFilePathForDbPath(dbPath);
    if (_sourceFile.empty() || fs::path(dbPath).filename().empty()) {
        // A folder, or a path that would leave the cache: no file of it is kept here.
        syncCompleted(getDBErrorDescription(std::nullopt, std::nullopt));
        return;
    }
    std::error_code error;
    const bool cached = fs::is_regular_file(_sourceFile, error);
    _lastModified = cached ? fileModificationDate(_sourceFile) : std::nullopt;
    _fileInfo = _service.fileInfo().getCopy(dbPath);

    if (cached && (!_fileInfo || !_fileInfo->isValid())) {
        // With the record file unreadable, the records may come back whole: until then the copy
        // stays as it is.
        if (_service.fileInfo().recordsWereUnreadable()) {
            syncCompleted(localized("db_local_file_info_not_found"));
            return;
        }
        // A copy whose record was lost may hold the only version of an edit. It goes up as a new
        // file, which the server keeps beside its own only when the two differ.
        _service.fileInfo().update(dbPath, _lastModified, DropboxFileInfoItem::makeNewFileRev());
        _fileInfo = _service.fileInfo().getCopy(dbPath);
        FeedbackCenter::feedbackCenter().showEditorNotification(
            localized("db_local_file_info_not_found"), formatText(localized("db_file_kept_without_record"), {dbPath}),
            FeedbackStateWarning);
        if (!_fileInfo) {
            syncCompleted(localized("db_local_file_info_not_found"));
            return;
        }
    }
    if (mode == DropboxSyncQueue::Open && cached && (_fileInfo->isNew() || !NetworkController::networkAvailable())) {
        syncCompleted({});
        return;
    }
    if (!NetworkController::networkAvailable()) {
        syncCompleted(localized("no_network_available"));
        return;
    }
    startTimeout();
    if (!cached) {
        downloadFromDropbox();
    } else if (_fileInfo->isNew()) {
        setState(UploadingAsNewFile);
        uploadToDropbox({});
    } else {
        setState(Metadata);
        requestMetadata();
    }
}

void DropboxFileSynchronizer::startTimeout()
{
    Scheduler* scheduler = _service.scheduler();
    if (!scheduler) return;
    _timeout = scheduler->performAfterDelay(TimeoutInterval, [this] { timeoutTick(); });
}

void DropboxFileSynchronizer::syncCompleted(const std::string& error)
{
    if (isCancelled()) {
        clearSyncState();
        setState(Idle);
        return;
    }
    _service.fileInfo().updateLastAccessed(_originalDbPath);
    const std::string path = _originalDbPath;
    const UserInfo userInfo = _userInfo;
    DropboxFileSynchronizerDelegate* delegate = _delegate;
    setState(Idle);
    clearSyncState();
    // The delegate may start the next run on this synchronizer at once: nothing of this run is
    // touched after it.
    delegate->syncCompleted(path, userInfo, error);
}

bool DropboxFileSynchronizer::cacheChanged() const
{
    std::error_code error;
    const std::optional<double> now =
        fs::is_regular_file(_sourceFile, error) ? fileModificationDate(_sourceFile) : std::nullopt;
    if (now.has_value() != _lastModified.has_value()) return true;
    return now && !sameRecordDate(*now, *_lastModified);
}

bool DropboxFileSynchronizer::editorModifiedNow() const
{
    return _service.isFileOpenInEditor(_dbPath) && EditorInterfaceInstance()->isEditorModified();
}

std::string DropboxFileSynchronizer::timeoutReport() const
{
    std::vector<std::string> lines = {
        "DateTime: " + describeDate(_service.currentTime()),
        "State: " + stateAsString(_state),
        "Path: " + _dbPath,
        "OriginalPath: " + _originalDbPath,
        "SourceFile: " + _sourceFile,
        "FileOpenInEditor: " + std::to_string(_fileOpenInEditor ? 1 : 0),
        "EditorModified: " + std::to_string(_editorModified ? 1 : 0),
        "LastModified: " + describeDate(_lastModified),
    };
    if (_fileInfo) {
        lines.push_back("FileInfo.LocalModified: " + describeDate(_fileInfo->localModified()));
        lines.push_back("FileInfo.Rev: " + _fileInfo->rev());
    } else {
        lines.push_back("FileInfo: nil");
    }
    lines.push_back("Metadata: " + describeMetadata(_metadata));
    std::string report;
    for (const std::string& line : lines) {
        if (!report.empty()) report += "\n";
        report += line;
    }
    return report;
}

void DropboxFileSynchronizer::timeoutTick()
{
    if (!busy()) return;
    const std::string report = timeoutReport();
    // The request goes with the run: a late answer would otherwise land in whatever run comes next.
    _call.cancel();
    syncCompleted(localized("dropbox_sync_timeout_title"));
    NotificationCenter::defaultCenter().post(TimeOutNotification, nullptr, {{TimeOutStateKey, report}});
}

// A file gone from the server takes its cache copy with it, unless that copy holds edits not yet
// sent: then it is kept as a new file and goes up again.
void DropboxFileSynchronizer::fileGoneOnServer()
{
    bool changedHere = editorModifiedNow();
    if (_lastModified) {
        changedHere = changedHere || cacheChanged() || !_fileInfo || _fileInfo->isNew() ||
            !_fileInfo->localModified() || !sameRecordDate(*_lastModified, *_fileInfo->localModified());
    }
    if (!changedHere) {
        _service.deleteLocalFile(_dbPath);
        syncCompleted(localized("db_file_not_found"));
        return;
    }
    DropboxFileInfoCache& records = _service.fileInfo();
    records.update(_dbPath, fileModificationDate(_sourceFile), DropboxFileInfoItem::makeNewFileRev());
    _fileInfo = records.getCopy(_dbPath);
    FeedbackCenter::feedbackCenter().showEditorNotification(
        localized("db_file_not_found"), formatText(localized("db_file_kept_as_new"), {_dbPath}), FeedbackStateWarning);
    if (_mode == DropboxSyncQueue::Open) {
        syncCompleted({});
        return;
    }
    setState(UploadingAsNewFile);
    uploadToDropbox({});
}

void DropboxFileSynchronizer::requestMetadata()
{
    _call = _client->getMetadata(
        _dbPath, [this](const DropboxResponse<DropboxMetadata>& response) { metadataReceived(response); });
}

void DropboxFileSynchronizer::metadataReceived(const DropboxResponse<DropboxMetadata>& response)
{
    if (isCancelled()) return;
    RecordBatch batch(_service.fileInfo());
    if (signInLost(response.networkError)) return;
    if (_state != Metadata) {
        syncCompleted("Illegal synchronizer state (metadata)");
        return;
    }
    if (response.routeError && (response.routeError->isNotFound() || response.routeError->is("path", "not_file"))) {
        fileGoneOnServer();
        return;
    }
    if (!response.result || response.result->isFolder) {
        syncCompleted(getDBErrorDescription(response.networkError, response.routeError));
        return;
    }
    _metadata = response.result;
    metadataLoaded();
}

void DropboxFileSynchronizer::metadataLoaded()
{
    const bool serverChanged = !_fileInfo || _metadata->rev != _fileInfo->rev();
    const bool localChanged = !_fileInfo || !_lastModified || !_fileInfo->localModified() ||
        !sameRecordDate(*_lastModified, *_fileInfo->localModified());
    _fileOpenInEditor = _service.isFileOpenInEditor(_dbPath);
    _editorModified = _fileOpenInEditor && EditorInterfaceInstance()->isEditorModified();

    if (!serverChanged) {
        if (localChanged && (_mode == DropboxSyncQueue::Terminate || _mode == DropboxSyncQueue::Periodic)) {
            setState(Uploading);
            uploadToDropbox(_metadata->rev);
            return;
        }
        syncCompleted({});
        return;
    }
    if (_mode == DropboxSyncQueue::Open && (localChanged || _editorModified)) {
        // A local copy with local changes is used as it is.
        syncCompleted({});
        return;
    }
    if (localChanged || _editorModified) {
        setState(UploadingConflictCopy);
        uploadToDropbox({});
        return;
    }
    if (_mode == DropboxSyncQueue::Terminate) {
        syncCompleted({});
        return;
    }
    downloadFromDropbox();
}

void DropboxFileSynchronizer::uploadToDropbox(const std::string& rev)
{
    std::string problem;
    std::optional<DropboxUploadContents> contents = DropboxClient::readUploadContents(_sourceFile, problem);
    if (!contents) {
        syncCompleted(formatText("%@\n%@", {localized("dropbox_upload_failed"), problem}));
        return;
    }
    // What is recorded afterwards is the date of the bytes sent, not of the file by then.
    const std::optional<double> uploadedDate = contents->modificationDate;
    const DropboxWriteMode mode = rev.empty() ? DropboxWriteMode::add() : DropboxWriteMode::update(rev);
    _call = _client->upload(_dbPath, mode, true, std::move(*contents),
                            [this, uploadedDate](const DropboxResponse<DropboxMetadata>& response) {
                                uploadReceived(response, uploadedDate);
                            });
}

void DropboxFileSynchronizer::uploadReceived(const DropboxResponse<DropboxMetadata>& response,
                                             std::optional<double> uploadedDate)
{
    if (isCancelled()) return;
    RecordBatch batch(_service.fileInfo());
    if (signInLost(response.networkError)) return;
    if (_state != UploadingAsNewFile && _state != UploadingConflictCopy && _state != Uploading) {
        syncCompleted("Illegal synchronizer state (upload)");
        return;
    }
    if (!response.result || response.result->isFolder) {
        syncCompleted(formatText(
            "%@\n%@",
            {localized("dropbox_upload_failed"), getDBErrorDescription(response.networkError, response.routeError)}));
        return;
    }
    _metadata = response.result;
    if (!samePathIgnoringCase(_metadata->pathDisplay, _dbPath)) {
        const bool conflictInEditor = _state == UploadingConflictCopy && _service.isFileOpenInEditor(_originalDbPath);
        if (!dispatchFileRenamed(uploadedDate)) {
            syncCompleted(localized("unable_to_copy_local_file_error"));
            return;
        }
        if (conflictInEditor) {
            FeedbackCenter::feedbackCenter().showEditorNotification(localized("db_synchronize_progress"),
                                                                    localized("db_synchronize_conflict_copy_created"),
                                                                    FeedbackStateWarning);
        }
    } else {
        linkCurrentRevision(uploadedDate);
    }
    syncCompleted({});
}

bool DropboxFileSynchronizer::dispatchFileRenamed(std::optional<double> uploadedDate)
{
    if (!_metadata || _originalDbPath.empty()) return false;
    const std::string newPath = _metadata->pathDisplay;
    DropboxProvider& provider = *_service.provider();
    const std::string newCacheFile = provider.cacheFilePathForDbPath(newPath);
    // A name from the server that would lead out of the cache, or onto a folder, is not followed.
    const std::string root = provider.rootDirectory();
    if (newCacheFile.empty() || fs::path(newPath).filename().empty() ||
        lowerCase(fs::path(newCacheFile).lexically_normal().string()) ==
            lowerCase(fs::path(root).lexically_normal().string())) {
        return false;
    }
    if (lowerCase(newCacheFile) == lowerCase(_sourceFile)) {
        _service.fileInfo().remove(_originalDbPath);
        _service.fileInfo().update(newPath, uploadedDate ? uploadedDate : fileModificationDate(_sourceFile),
                                   _metadata->rev);
        return true;
    }
    std::error_code error;
    if (fs::is_directory(fs::symlink_status(newCacheFile, error))) return false;
    fs::remove(newCacheFile, error);
    fs::create_directories(fs::path(newCacheFile).parent_path(), error);
    error.clear();
    fs::rename(_sourceFile, newCacheFile, error);
    if (error) return false;
    _service.fileInfo().remove(_originalDbPath);
    provider.fileRenamedFrom(_originalDbPath, newPath);
    _service.fileInfo().update(newPath, uploadedDate ? uploadedDate : fileModificationDate(newCacheFile),
                               _metadata->rev);
    _service.dispatchDirectoryChanged(parentFolder(newPath));
    return true;
}

void DropboxFileSynchronizer::linkCurrentRevision(std::optional<double> localDate)
{
    if (!_metadata) return;
    if (!localDate) localDate = fileModificationDate(_sourceFile);
    _service.fileInfo().update(_dbPath, localDate, _metadata->rev);
}

void DropboxFileSynchronizer::downloadFromDropbox()
{
    deleteTempFile();
    setState(Downloading);
    // Beside the cache file, so that it replaces it by a rename; the leading dot keeps the cache
    // clean-up away from it.
    const fs::path folder = fs::path(_sourceFile).parent_path();
    std::error_code error;
    fs::create_directories(folder, error);
    _tempFile = (folder / ("." + uniqueString() + ".download")).string();
    _call = _client->download(_dbPath, _tempFile,
                              [this](const DropboxResponse<DropboxMetadata>& response) { downloadReceived(response); });
}

void DropboxFileSynchronizer::downloadReceived(const DropboxResponse<DropboxMetadata>& response)
{
    if (isCancelled()) return;
    RecordBatch batch(_service.fileInfo());
    if (signInLost(response.networkError)) return;
    if (_state != Downloading) {
        syncCompleted("Illegal synchronizer state (download)");
        return;
    }
    if (response.routeError && response.routeError->isNotFound()) {
        deleteTempFile();
        fileGoneOnServer();
        return;
    }
    if (!response.result) {
        syncCompleted(getDBErrorDescription(response.networkError, response.routeError));
        return;
    }
    // The map may have been saved, or edited in the window, while the download ran: the server's
    // version then must not replace it, and both are kept.
    if (cacheChanged() || editorModifiedNow()) {
        deleteTempFile();
        _metadata = response.result;
        _lastModified = fileModificationDate(_sourceFile);
        std::error_code error;
        if (!fs::is_regular_file(_sourceFile, error)) {
            syncCompleted(localized("unable_to_copy_local_file_error"));
            return;
        }
        setState(UploadingConflictCopy);
        uploadToDropbox({});
        return;
    }
    std::error_code error;
    fs::rename(_tempFile, _sourceFile, error);
    if (error) {
        deleteTempFile();
        syncCompleted(localized("unable_to_copy_local_file_error"));
        return;
    }
    _tempFile.clear();
    _metadata = response.result;
    linkCurrentRevision(fileModificationDate(_sourceFile));
    _service.fileExternallyChanged(_dbPath);
    syncCompleted({});
}

// ---- queue

DropboxSynchronizer::DropboxSynchronizer(Dropbox& service)
    : CloudFileQueue(Periodic, samePathIgnoringCase),
      _service(service),
      _syncTask(std::make_unique<DropboxFileSynchronizer>(service, this))
{
}

DropboxSynchronizer::~DropboxSynchronizer()
{
    _queue.clear();
    _syncTask->cancel();
    releaseRecords();
}

bool DropboxSynchronizer::isBusy() const
{
    return _current.has_value() || _syncTask->busy();
}

void DropboxSynchronizer::synchronizeFiles(const std::vector<std::string>& dbPaths, Mode mode)
{
    enqueue(dbPaths, mode);
}

void DropboxSynchronizer::schedulePoll(const std::string& dbPath)
{
    if (_terminationProcess) return;
    scheduleFirst(dbPath, Poll);
}

void DropboxSynchronizer::terminateSynchronization(const std::vector<std::string>& dbPaths,
                                                   std::shared_ptr<TerminationProcess> process)
{
    _queue.clear();
    _terminationProcess = std::move(process);
    // The records go to disk once, when the quit's uploads are over: they are uploads only, so a
    // record lost to a crash costs at most one more upload of the same map.
    if (!_recordsHeld) {
        _service.fileInfo().beginUpdate();
        _recordsHeld = true;
    }
    synchronizeFiles(dbPaths, Terminate);
}

void DropboxSynchronizer::releaseRecords()
{
    if (!_recordsHeld) return;
    _recordsHeld = false;
    _service.fileInfo().endUpdate();
}

void DropboxSynchronizer::completeTermination()
{
    releaseRecords();
    // On disk before the quit may go on, even while an answer's own batch is still open.
    if (_terminationProcess && !_terminationProcess->completed()) {
        if (_service.fileInfo().isModified()) {
            _service.fileInfo().save();
        } else {
            _service.fileInfo().flush();
        }
    }
    // The process's delegate may let the quit go on at once: this is the last thing done here.
    if (_terminationProcess && !_terminationProcess->completed()) _terminationProcess->setCompleted();
}

void DropboxSynchronizer::startNext()
{
    if (_current || _syncTask->busy()) return;
    if (_queue.empty() && _terminationProcess && !_terminationProcess->completed() && _service.isInitialized() &&
        NetworkController::online()) {
        // A run of the quit may leave a file to send that was not on its list: a conflict copy
        // holding the last commit, say. It goes now, not at the next start.
        std::vector<std::string> more;
        for (const std::string& dbPath : _service.pathsToUploadAtQuit()) {
            if (!_runAtQuit.count(DropboxFileInfoCache::normalizeKey(dbPath))) more.push_back(dbPath);
        }
        if (!more.empty()) {
            synchronizeFiles(more, Terminate);
            return;
        }
    }
    if (_queue.empty()) {
        completeTermination();
        return;
    }
    if (!_service.isInitialized()) {
        cancel();
        return;
    }
    if (!NetworkController::online()) {
        if (_terminationProcess) cancel();
        return;
    }
    _current = _queue.front();
    _queue.pop_front();
    if (_terminationProcess) {
        _runAtQuit.insert(DropboxFileInfoCache::normalizeKey(_current->id));
        _terminationProcess->setAction(formatText(localized("synchronizing_file_fmt"), {_current->id}));
    }
    const Item item = *_current;
    _syncTask->synchronizeDbPath(item.id, item.mode);
}

void DropboxSynchronizer::syncCompleted(const std::string& dbPath, const UserInfo&, const std::string& error)
{
    _current.reset();
    if (!_terminationProcess) {
        FeedbackCenter& center = FeedbackCenter::feedbackCenter();
        if (!error.empty()) {
            auto item = center.addItemWithTitle(localized("dropbox_synchronization_error"),
                                                formatText("%@\n%@", {error, dbPath}), FeedbackStateError);
            center.showEditorNotification(item);
        } else {
            // A poll leaves edits made here where they are: the map is then not in step.
            const char* title = _service.hasUnsentChanges(dbPath) ? "dropbox_synchronization_unsent_title"
                                                                  : "dropbox_synchronization_success_title";
            center.addItemWithTitle(formatText(localized(title), {fs::path(dbPath).filename().string()}), dbPath,
                                    FeedbackStateInformation, FeedbackCenter::dropboxImage());
        }
    }
    processQueue();
}

void DropboxSynchronizer::cancel()
{
    _queue.clear();
    // Cancelling drops the delegate; the same synchronizer serves the next request, its old
    // request gone with the cancel so that no late answer reaches it.
    _syncTask->cancel();
    _syncTask->setDelegate(this);
    _current.reset();
    completeTermination();
}

std::unique_ptr<DropboxDownloader> DropboxSynchronizer::makeDownloader()
{
    return std::make_unique<DropboxExternalFileDownloader>(_service);
}

// ---- downloader

DropboxExternalFileDownloader::DropboxExternalFileDownloader(Dropbox& service) : _downloader(service, this)
{
}

void DropboxExternalFileDownloader::getMostRecentVersion(const std::string& dbPath, const UserInfo& userInfo,
                                                         Completion completion)
{
    if (isBusy()) {
        if (completion) completion(userInfo, localized("db_synchronize_progress"));
        return;
    }
    _completion = std::move(completion);
    _downloader.setDelegate(this);
    _downloader.getMostRecentVersion(dbPath, userInfo);
}

void DropboxExternalFileDownloader::cancel()
{
    _completion = nullptr;
    _downloader.cancel();
    _downloader.setDelegate(this);
}

void DropboxExternalFileDownloader::syncCompleted(const std::string&, const UserInfo& userInfo,
                                                  const std::string& error)
{
    Completion completion = std::move(_completion);
    _completion = nullptr;
    if (completion) completion(userInfo, error);
}
