#include "dropbox/DropboxFileTasks.h"

#include "Editor/FeedbackCenter.h"
#include "platform/NetworkController.h"
#include "store/EditorInterface.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

std::string parentFolder(std::string path)
{
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos || slash == 0 ? std::string("/") : path.substr(0, slash);
}

} // namespace

// ---- the common frame

DropboxFileTask::DropboxFileTask(Dropbox& service, Completion completion)
    : DropboxTask(service), _completion(std::move(completion))
{
}

DropboxFileTask::~DropboxFileTask()
{
    *_alive = false;
}

void DropboxFileTask::cancel()
{
    _completion = nullptr;
    _call.cancel();
    clearState();
    becomeIdle();
    DropboxTask::cancel();
}

bool DropboxFileTask::refuseWhileBusy(const std::string& dbPath)
{
    if (!busy()) return false;
    if (_completion) {
        Completion completion = _completion;
        completion(dbPath, *this);
    }
    return true;
}

std::string DropboxFileTask::startRequest()
{
    _client = _service.dropboxClient();
    if (!_service.isInitialized() || !_client) return ::localized("db_disconnected_state");
    return {};
}

void DropboxFileTask::complete(const std::optional<std::string>& error)
{
    if (isCancelled()) return;
    const Outcome result = outcome();
    becomeIdle();
    clearState();
    _call.cancel();
    _client = nullptr;
    FeedbackCenter& feedback = FeedbackCenter::feedbackCenter();
    if (error) {
        auto item = feedback.addItemWithTitle(::localized(result.errorKey),
                                              formatText("%@\n%@", {result.dbPath, *error}), FeedbackStateError);
        if (item) feedback.showEditorNotification(item);
    } else {
        feedback.addItemWithTitle(::localized(result.successKey), result.successMessage, FeedbackStateInformation,
                                  FeedbackCenter::dropboxImage());
        _service.dispatchDirectoryChanged(result.changedFolder);
    }
    // The callee may let go of this task: nothing of it is touched afterwards.
    Completion completion = _completion;
    completion(result.dbPath, *this);
}

// ---- delete

DropboxDeleteTask::~DropboxDeleteTask()
{
    DropboxFileTask::cancel();
}

std::string DropboxDeleteTask::stateAsString() const
{
    return _deleting ? ::localized("db_delete_progress") : "Idle";
}

DropboxFileTask::Outcome DropboxDeleteTask::outcome() const
{
    return {_dbPath, parentFolder(_dbPath), "dropbox_delete_success", _dbPath, "db_delete_error_title"};
}

void DropboxDeleteTask::clearState()
{
    _dbPath.clear();
    _isDirectory = false;
}

void DropboxDeleteTask::becomeIdle()
{
    _deleting = false;
    setProgress({});
}

void DropboxDeleteTask::deleteFromDropbox(const std::string& dbPath, bool isDirectory)
{
    if (refuseWhileBusy(dbPath)) return;
    clearState();
    _dbPath = dbPath;
    _isDirectory = isDirectory;
    if (const std::string problem = startRequest(); !problem.empty()) {
        complete(problem);
        return;
    }
    if (!isDirectory) {
        DropboxFileInfoItem* record = _service.fileInfo().get(dbPath);
        if (record && record->isNew()) {
            // Never uploaded: the server has nothing to delete.
            deletedLocally(dbPath);
            complete(std::nullopt);
            return;
        }
    }
    if (!NetworkController::networkAvailable()) {
        complete(::localized("no_network_available"));
        return;
    }
    _deleting = true;
    setProgress(::localized("db_delete_progress"));
    std::weak_ptr<bool> alive = aliveToken();
    _call = _client->deleteItem(dbPath, [this, alive](const DropboxResponse<DropboxMetadata>& response) {
        if (!alive.expired() && !isCancelled()) answered(response);
    });
}

void DropboxDeleteTask::deletedLocally(const std::string& dbPath)
{
    if (_isDirectory) {
        _service.directoryDeleted(dbPath, true);
    } else {
        _service.deleteLocalFile(dbPath);
    }
}

void DropboxDeleteTask::answered(const DropboxResponse<DropboxMetadata>& response)
{
    if (authorizationLost(response)) return;
    if (!_deleting) {
        complete("Illegal state Delete (deleted)");
        return;
    }
    // Gone already is what the user wanted.
    if (response.routeError && response.routeError->isNotFound()) {
        deletedLocally(_dbPath);
        complete(std::nullopt);
        return;
    }
    if (response.result) {
        deletedLocally(response.result->pathDisplay.empty() ? _dbPath : response.result->pathDisplay);
        complete(std::nullopt);
        return;
    }
    complete(getDBErrorDescription(response.networkError, response.routeError));
}

// ---- move

DropboxMoveTask::~DropboxMoveTask()
{
    DropboxFileTask::cancel();
}

std::string DropboxMoveTask::stateAsString() const
{
    switch (_state) {
    case Metadata:
        return "Metadata";
    case Moving:
        return "Moving";
    default:
        return "Idle";
    }
}

DropboxFileTask::Outcome DropboxMoveTask::outcome() const
{
    return {_sourceDbPath, parentFolder(_sourceDbPath), "dropbox_move_success",
            formatText("%@\n%@", {_sourceDbPath, _targetDbPath}), "dropbox_move_error"};
}

void DropboxMoveTask::clearState()
{
    _sourceDbPath.clear();
    _targetDbPath.clear();
    _isDirectory = false;
    _sourceMetadata.reset();
}

void DropboxMoveTask::becomeIdle()
{
    setState(Idle);
}

void DropboxMoveTask::setState(int32_t state)
{
    _state = state;
    setProgress(state == Idle ? std::string() : ::localized("dropbox_move_progress"));
}

bool DropboxMoveTask::sourceIsNew() const
{
    DropboxFileInfoItem* record = _service.fileInfo().get(_sourceDbPath);
    return record && record->isNew();
}

void DropboxMoveTask::moveSourcePath(const std::string& sourceDbPath, const std::string& targetDbPath, bool isDirectory)
{
    if (refuseWhileBusy(sourceDbPath)) return;
    clearState();
    _sourceDbPath = sourceDbPath;
    _targetDbPath = targetDbPath;
    _isDirectory = isDirectory;
    if (const std::string problem = startRequest(); !problem.empty()) {
        complete(problem);
        return;
    }
    if (!isDirectory && sourceIsNew()) {
        complete(::localized("db_new_file_move_error"));
        return;
    }
    if (!NetworkController::networkAvailable()) {
        complete(::localized("no_network_available"));
        return;
    }
    if (isDirectory) {
        performMoveOnDropbox();
        return;
    }
    setState(Metadata);
    std::weak_ptr<bool> alive = aliveToken();
    _call = _client->getMetadata(sourceDbPath, [this, alive](const DropboxResponse<DropboxMetadata>& response) {
        if (!alive.expired() && !isCancelled()) metadataAnswered(response);
    });
}

void DropboxMoveTask::metadataAnswered(const DropboxResponse<DropboxMetadata>& response)
{
    if (authorizationLost(response)) return;
    if (_state != Metadata) {
        complete("Illegal state in MoveTask(getMetadata)");
        return;
    }
    if (response.routeError &&
        (response.routeError->is("path", "not_found") || response.routeError->is("path", "not_file"))) {
        if (!sourceIsNew()) _service.deleteLocalFile(_sourceDbPath);
        complete(::localized("db_file_not_found"));
        return;
    }
    if (response.result && !response.result->isFolder) {
        _sourceMetadata = response.result;
        performMoveOnDropbox();
        return;
    }
    complete(getDBErrorDescription(response.networkError, response.routeError));
}

void DropboxMoveTask::performMoveOnDropbox()
{
    setState(Moving);
    std::weak_ptr<bool> alive = aliveToken();
    _call = _client->move(_sourceDbPath, _targetDbPath, true,
                          [this, alive](const DropboxResponse<DropboxMetadata>& response) {
                              if (!alive.expired() && !isCancelled()) moveAnswered(response);
                          });
}

void DropboxMoveTask::moveAnswered(const DropboxResponse<DropboxMetadata>& response)
{
    if (authorizationLost(response)) return;
    if (_state != Moving) {
        complete("Illegal state in MoveTask(movedPath)");
        return;
    }
    if (response.routeError && response.routeError->is("from_lookup", "not_found")) {
        if (_isDirectory) {
            _service.directoryDeleted(_sourceDbPath);
            complete(::localized("db_directory_not_found"));
        } else {
            if (!sourceIsNew()) _service.deleteLocalFile(_sourceDbPath);
            complete(::localized("db_file_not_found"));
        }
        return;
    }
    if (!response.result) {
        complete(getDBErrorDescription(response.networkError, response.routeError));
        return;
    }
    moved(*response.result);
    complete(std::nullopt);
}

void DropboxMoveTask::moved(const DropboxMetadata& result)
{
    if (result.isFolder) {
        _service.browsingCache().remove(_sourceDbPath);
        _service.browsingCache().remove(parentFolder(_sourceDbPath));
    }
    if (!result.pathDisplay.empty()) _targetDbPath = result.pathDisplay;

    DropboxProvider& provider = *_service.provider();
    const std::string sourceCache = provider.cacheFilePathForDbPath(_sourceDbPath);
    const std::string targetCache = provider.cacheFilePathForDbPath(_targetDbPath);
    std::error_code error;
    if (!sourceCache.empty() && !targetCache.empty() && fs::exists(fs::symlink_status(sourceCache, error))) {
        fs::create_directories(fs::path(targetCache).parent_path(), error);
        // Cache paths are lower case: a change of letter case only leaves the file where it is.
        if (sourceCache != targetCache) fs::rename(sourceCache, targetCache, error);
        if (_isDirectory) {
            provider.directoryRenamedFrom(_sourceDbPath, _targetDbPath);
        } else {
            provider.fileRenamedFrom(_sourceDbPath, _targetDbPath);
            EditorInterfaceInstance()->mindMapRenamed(&provider, _sourceDbPath, _targetDbPath);
        }
    }
    DropboxFileInfoCache& records = _service.fileInfo();
    if (_isDirectory) {
        records.directoryRenamed(_sourceDbPath, _targetDbPath);
    } else if (records.get(_sourceDbPath)) {
        records.fileRenamed(_sourceDbPath, _targetDbPath, result.rev);
    }
}

// ---- add folder

DropboxAddFolderTask::~DropboxAddFolderTask()
{
    DropboxFileTask::cancel();
}

std::string DropboxAddFolderTask::stateAsString() const
{
    return _addingFolder ? ::localized("db_creating_folder_progress") : "Idle";
}

DropboxFileTask::Outcome DropboxAddFolderTask::outcome() const
{
    return {_folderPath, parentFolder(_folderPath), "dropbox_add_folder_success", _folderPath,
            "dropbox_add_folder_error"};
}

void DropboxAddFolderTask::clearState()
{
    _folderPath.clear();
}

void DropboxAddFolderTask::becomeIdle()
{
    _addingFolder = false;
    setProgress({});
}

void DropboxAddFolderTask::addFolder(const std::string& dbPath)
{
    if (refuseWhileBusy(dbPath)) return;
    clearState();
    _folderPath = dbPath;
    if (const std::string problem = startRequest(); !problem.empty()) {
        complete(problem);
        return;
    }
    if (!NetworkController::networkAvailable()) {
        complete(::localized("no_network_available"));
        return;
    }
    _addingFolder = true;
    setProgress(::localized("db_creating_folder_progress"));
    std::weak_ptr<bool> alive = aliveToken();
    _call = _client->createFolder(dbPath, true, [this, alive](const DropboxResponse<DropboxMetadata>& response) {
        if (!alive.expired() && !isCancelled()) answered(response);
    });
}

void DropboxAddFolderTask::answered(const DropboxResponse<DropboxMetadata>& response)
{
    if (authorizationLost(response)) return;
    if (!_addingFolder) {
        complete("Illegal state in Add Folder (created)");
        return;
    }
    if (response.result) {
        if (!response.result->pathDisplay.empty()) _folderPath = response.result->pathDisplay;
        complete(std::nullopt);
        return;
    }
    complete(getDBErrorDescription(response.networkError, response.routeError));
}
