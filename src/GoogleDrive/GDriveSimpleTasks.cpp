#include "GoogleDrive/GDriveSimpleTasks.h"

#include "Editor/FeedbackCenter.h"
#include "GoogleDrive/GDriveAnswers.h"
#include "GoogleDrive/GDriveFileInfoCache.h"
#include "GoogleDrive/GDriveFolderCache.h"
#include "GoogleDrive/GDriveProvider.h"
#include "platform/Localizer.h"
#include "platform/MainLoop.h"
#include "platform/NetworkController.h"
#include "store/EditorInterface.h"
#include "store/MindMapStorage.h"

#include <algorithm>
#include <set>

GDriveSimpleTasks::GDriveSimpleTasks(GDriveTaskService& service, GDriveTaskCompletedDelegate* delegate)
    : _service(service), _delegate(delegate)
{
}

GDriveSimpleTasks::~GDriveSimpleTasks()
{
    *_alive = false;
    _delegate = nullptr;
    cancel();
}

void GDriveSimpleTasks::cancel()
{
    _call.cancel();
    setProgress({});
}

bool GDriveSimpleTasks::performSanityCheck(bool needsNetwork, const std::string& errorTitle)
{
    if (busy()) return false;
    if (!_service.isLinked() || !_service.driveClient()) {
        taskCompletedWithError(errorTitle, localized("gdrive_disconnected_state"));
        return false;
    }
    if (needsNetwork && !NetworkController::networkAvailable()) {
        taskCompletedWithError(errorTitle, localized("no_network_available"));
        return false;
    }
    return true;
}

void GDriveSimpleTasks::taskCompletedWithError(const std::string& errorTitle, const std::string& message)
{
    FeedbackCenter& feedback = FeedbackCenter::feedbackCenter();
    auto item = feedback.addItemWithTitle(errorTitle, message, FeedbackStateError, FeedbackCenter::gdriveImage());
    if (item) feedback.showEditorNotification(item);
    completed();
}

void GDriveSimpleTasks::succeeded(const std::string& title, const std::string& message)
{
    FeedbackCenter::feedbackCenter().addItemWithTitle(title, message, FeedbackStateInformation,
                                                      FeedbackCenter::gdriveImage());
    completed();
}

void GDriveSimpleTasks::completed()
{
    setProgress({});
    GDriveTaskCompletedDelegate* delegate = _delegate;
    _delegate = nullptr;
    if (delegate) delegate->gdriveTaskCompleted(*this);
}

GDriveFileInfoItem* GDriveSimpleTasks::newFileRecord(const std::string& gdriveId, bool isFolder)
{
    if (isFolder) return nullptr;
    GDriveFileInfoItem* record = _service.fileInfo().get(gdriveId);
    return record && record->isNew() ? record : nullptr;
}

// ---- add folder

void GDriveSimpleTasks::addFolder(const std::string& name, const std::string& parentFolderId)
{
    const std::string errorTitle = localized("gdrive_create_folder_error");
    if (!performSanityCheck(true, errorTitle)) return;
    const std::string unique = _service.uniqueFolderName(name, parentFolderId);
    setProgress(localized("gdrive_creating_folder_progress"));
    GDriveFileObject folder;
    folder.name = unique;
    folder.mimeType = GDriveMetadata::FolderMimeType;
    if (!parentFolderId.empty()) folder.parents = {parentFolderId};
    std::weak_ptr<bool> alive = _alive;
    _call = _service.driveClient()->createFile(
        folder, std::nullopt, FolderFields,
        [this, alive, parentFolderId, errorTitle](const GDriveResponse<GDriveMetadata>& response) {
            if (alive.expired() || !*alive.lock()) return;
            setProgress({});
            if (!response.result) {
                taskCompletedWithError(
                    errorTitle,
                    GDriveError::getDefaultErrorMessage(response.error.value_or(GDriveError::other("No answer"))));
                return;
            }
            GDriveMetadata created = *response.result;
            if (created.parentIdentifier.empty()) created.parentIdentifier = parentFolderId;
            GDriveFolderCache& folders = _service.folderCache();
            folders.folderUpdated(created);
            _service.dispatchFolderChanged(parentFolderId);
            const std::string path = folders.buildFolderPath(created.gdriveId()).value_or(std::string());
            succeeded(localized("gdrive_add_folder_success_title"), path.empty() ? created.name : path);
        });
}

// ---- rename

void GDriveSimpleTasks::renameFile(const std::string& gdriveId, bool isFolder, const std::string& newName,
                                   const std::string& parentFolderId)
{
    const std::string errorTitle = localized("gdrive_rename_error");
    if (!performSanityCheck(false, errorTitle)) return;
    if (GDriveFileInfoItem* record = newFileRecord(gdriveId, isFolder)) {
        GDriveMetadata renamed(gdriveId, record->extension());
        renamed.parentIdentifier = record->parentId();
        renamed.name = newName;
        _service.fileInfo().updateBrowsingInfoWithMetadata({renamed});
        _service.dispatchFolderChanged(parentFolderId);
        EditorInterfaceInstance()->mindMapRenamed(_service.provider(), gdriveId, gdriveId);
        completed();
        return;
    }
    if (!NetworkController::networkAvailable()) {
        taskCompletedWithError(errorTitle, localized("no_network_available"));
        return;
    }
    setProgress(localized("cloud_rename_progress"));
    GDriveFileObject file;
    file.name = newName;
    std::weak_ptr<bool> alive = _alive;
    _call = _service.driveClient()->updateFile(
        gdriveId, file, {}, {}, std::nullopt, isFolder ? FolderFields : GDriveMetadata::FileFields,
        [this, alive, gdriveId, isFolder, parentFolderId, errorTitle](const GDriveResponse<GDriveMetadata>& response) {
            if (alive.expired() || !*alive.lock()) return;
            setProgress({});
            if (!response.result) {
                const GDriveError error = response.error.value_or(GDriveError::other("No answer"));
                if (GDriveError::getGDriveErrorCode(error) != 404) {
                    taskCompletedWithError(errorTitle, GDriveError::getDefaultErrorMessage(error));
                } else if (isFolder) {
                    _service.folderCache().folderDeleted(gdriveId);
                    taskCompletedWithError(errorTitle, localized("gdrive_folder_not_found"));
                } else {
                    if (!newFileRecord(gdriveId, false)) _service.deleteLocalFile(gdriveId, parentFolderId);
                    taskCompletedWithError(errorTitle, localized("gdrive_file_not_found"));
                }
                return;
            }
            const GDriveMetadata& renamed = *response.result;
            if (isFolder) {
                _service.folderCache().folderUpdated(renamed);
            } else {
                _service.folderCache().updateFileMetadata(renamed);
                _service.fileInfo().updateBrowsingInfoWithMetadata({renamed});
                EditorInterfaceInstance()->mindMapRenamed(_service.provider(), gdriveId, gdriveId);
            }
            FeedbackCenter::feedbackCenter().addItemWithTitle(localized("gdrive_rename_success_title"), renamed.name,
                                                              FeedbackStateInformation, FeedbackCenter::gdriveImage());
            _service.dispatchFolderChanged(parentFolderId);
            completed();
        });
}

// ---- delete

void GDriveSimpleTasks::deleteFile(const std::string& gdriveId, bool isFolder, const std::string& parentFolderId)
{
    const std::string errorTitle = localized("gdrive_delete_error");
    if (!performSanityCheck(false, errorTitle)) return;
    if (GDriveFileInfoItem* record = newFileRecord(gdriveId, isFolder)) {
        const std::string parent = record->parentId();
        _service.deleteLocalFile(gdriveId, parent);
        completed();
        return;
    }
    if (!NetworkController::networkAvailable()) {
        taskCompletedWithError(errorTitle, localized("no_network_available"));
        return;
    }
    setProgress(localized("gdrive_delete_progress"));
    std::weak_ptr<bool> alive = _alive;
    _call = _service.driveClient()->deleteFile(
        gdriveId,
        [this, alive, gdriveId, isFolder, parentFolderId, errorTitle](const GDriveResponse<GDriveDone>& response) {
            if (alive.expired() || !*alive.lock()) return;
            setProgress({});
            if (!response.result) {
                const GDriveError error = response.error.value_or(GDriveError::other("No answer"));
                // Drive no longer has it: the user's wish is done.
                if (GDriveError::getGDriveErrorCode(error) != 404) {
                    taskCompletedWithError(errorTitle, GDriveError::getDefaultErrorMessage(error));
                    return;
                }
            }
            if (isFolder) {
                _service.folderCache().folderDeleted(gdriveId);
                _service.dispatchFolderChanged(parentFolderId);
                syncCurrentStorageWhenContainedByFolderId(gdriveId);
            } else {
                _service.deleteLocalFile(gdriveId, parentFolderId);
            }
            succeeded(localized("gdrive_delete_success"), {});
        });
}

void GDriveSimpleTasks::syncCurrentStorageWhenContainedByFolderId(const std::string& folderId)
{
    EditorInterface* editor = EditorInterfaceInstance();
    MindMapStorage* storage = editor->currentStorage();
    GDriveProvider* provider = _service.provider();
    if (!storage || !provider || storage->provider() != provider) return;
    const std::string mapId = storage->id();
    GDriveFileInfoItem* record = _service.fileInfo().get(mapId);
    if (!record) return;
    GDriveFolderCache& folders = _service.folderCache();
    std::string current = record->parentId();
    std::set<std::string> seen;
    while (!current.empty() && seen.insert(current).second && current != folderId) {
        GDriveFolderInfoItem* folder = folders.get(current);
        if (!folder) break;
        if (folder->isRootFolder()) return;
        current = folder->parentId().value_or(std::string());
    }
    // The map's folder is gone or no longer leads to My Drive: its upload shows where it belongs.
    _service.highPrioritySynchronizeFile(mapId);
}

// ---- move

void GDriveSimpleTasks::moveFile(const std::string& gdriveId, bool isFolder, const std::string& fromFolder,
                                 const std::string& toFolder)
{
    const std::string errorTitle = localized("gdrive_move_error");
    if (!performSanityCheck(true, errorTitle)) return;
    if (GDriveFileInfoItem* record = newFileRecord(gdriveId, isFolder)) {
        GDriveMetadata moved(gdriveId, record->extension());
        moved.parentIdentifier = toFolder;
        moved.name = record->name();
        _service.fileInfo().update(moved);
        completed();
        return;
    }
    if (!GDriveAnswers::isValidId(toFolder)) {
        taskCompletedWithError(errorTitle,
                               localized(isFolder ? "explorer_unable_to_move_folder" : "explorer_unable_to_move_file"));
        return;
    }
    setProgress(localized("db_move_progress"));
    std::weak_ptr<bool> alive = _alive;
    // Our reader takes no file without its id.
    _call = _service.driveClient()->getFile(
        gdriveId, "id,parents",
        [this, alive, gdriveId, isFolder, fromFolder, toFolder](const GDriveResponse<GDriveMetadata>& response) {
            if (alive.expired() || !*alive.lock()) return;
            if (!response.result) {
                handleMoveError(gdriveId, isFolder, fromFolder, response.error.value_or(GDriveError::other("")));
                return;
            }
            const std::string oldParents = response.result->parentIdentifier;
            GDriveFileObject empty;
            _call = _service.driveClient()->updateFile(
                gdriveId, empty, toFolder, oldParents, std::nullopt,
                isFolder ? FolderFields : GDriveMetadata::FileFields,
                [this, alive, gdriveId, isFolder, fromFolder, toFolder](const GDriveResponse<GDriveMetadata>& answer) {
                    if (alive.expired() || !*alive.lock()) return;
                    setProgress({});
                    if (!answer.result) {
                        handleMoveError(gdriveId, isFolder, fromFolder, answer.error.value_or(GDriveError::other("")));
                        return;
                    }
                    const GDriveMetadata& moved = *answer.result;
                    if (isFolder) {
                        _service.folderCache().folderUpdated(moved);
                    } else {
                        _service.folderCache().fileMoved(moved, fromFolder, toFolder);
                        _service.fileInfo().updateBrowsingInfoWithMetadata({moved});
                        EditorInterfaceInstance()->mindMapRenamed(_service.provider(), gdriveId, gdriveId);
                    }
                    _service.dispatchFolderChanged(fromFolder);
                    _service.dispatchFolderChanged(toFolder);
                    succeeded(localized("gdrive_move_success"), moved.name);
                });
        });
}

void GDriveSimpleTasks::handleMoveError(const std::string& gdriveId, bool isFolder, const std::string& parentFolder,
                                        const GDriveError& error)
{
    const std::string errorTitle = localized("gdrive_move_error");
    const long code = GDriveError::getGDriveErrorCode(error);
    if (code == 400) {
        taskCompletedWithError(errorTitle,
                               localized(isFolder ? "explorer_unable_to_move_folder" : "explorer_unable_to_move_file"));
    } else if (code == 404 && isFolder) {
        _service.folderCache().folderDeleted(gdriveId);
        taskCompletedWithError(errorTitle, localized("gdrive_folder_not_found"));
    } else if (code == 404) {
        _service.deleteLocalFile(gdriveId, parentFolder);
        taskCompletedWithError(errorTitle, localized("gdrive_file_not_found"));
    } else {
        taskCompletedWithError(errorTitle, GDriveError::getDefaultErrorMessage(error));
    }
}

// ---- the user's tasks

GDriveUserTasks::GDriveUserTasks(std::function<bool()> downloaderBusy, std::function<void()> changed)
    : _downloaderBusy(std::move(downloaderBusy)), _changed(std::move(changed))
{
}

GDriveUserTasks::~GDriveUserTasks()
{
    _changed = nullptr;
    cancelAll();
}

bool GDriveUserTasks::busy() const
{
    return !_running.empty() || (_downloaderBusy && _downloaderBusy());
}

GDriveSimpleTasks* GDriveUserTasks::startSimpleTask(GDriveTaskService& service)
{
    if (busy()) return nullptr;
    auto task = std::make_unique<GDriveSimpleTasks>(service, this);
    GDriveSimpleTasks* started = task.get();
    add(std::move(task));
    return started;
}

bool GDriveUserTasks::add(std::unique_ptr<GDriveTask> task)
{
    if (!task || busy()) return false;
    _running.push_back(std::move(task));
    if (_changed) _changed();
    return true;
}

void GDriveUserTasks::finished(GDriveTask* task)
{
    auto it = std::find_if(_running.begin(), _running.end(), [task](const auto& held) { return held.get() == task; });
    if (it == _running.end()) return;
    _finished.push_back(std::move(*it));
    _running.erase(it);
    if (!_release) {
        _release = Timer::scheduledTimer(0, false, [this] {
            _finished.clear();
            _release.reset();
        });
    }
    if (_changed) _changed();
}

void GDriveUserTasks::cancelAll()
{
    std::vector<std::unique_ptr<GDriveTask>> running = std::move(_running);
    _running.clear();
    for (const auto& task : running) task->cancel();
    if (_changed && !running.empty()) _changed();
}
