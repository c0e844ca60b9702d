#include "GoogleDrive/GDriveInitializationTask.h"

#include "Editor/FeedbackCenter.h"
#include "GoogleDrive/GDriveFolderCache.h"
#include "platform/Localizer.h"
#include "platform/NetworkController.h"

#include <algorithm>

GDriveInitializationTask::GDriveInitializationTask(GDriveInitializationTaskDelegate& delegate, GDriveClient& client,
                                                   GDriveFolderCache& folders, Scheduler& scheduler)
    : _delegate(delegate), _client(client), _folders(folders), _scheduler(scheduler), _networkAvailable([] {
          return NetworkController::networkAvailable();
      })
{
}

void GDriveInitializationTask::execute()
{
    _subFoldersToCheck = {"Images", "Movies", "Audio", "Documents", "Export"};
    _state = Started;
    _tarnWickFolderId.clear();
    _running = true;
    checkGDriveRoot();
}

void GDriveInitializationTask::cancel()
{
    _serviceTicket.cancel();
    _nextStep.cancel();
    _subFoldersToCheck.clear();
    _running = false;
}

void GDriveInitializationTask::terminate()
{
    _subFoldersToCheck.clear();
    completed(false);
}

void GDriveInitializationTask::completed(bool success)
{
    if (!_running) return;
    _running = false;
    _serviceTicket.cancel();
    _nextStep.cancel();
    // The delegate may end the task: nothing of it is touched afterwards.
    _delegate.initializationTaskCompleted(this, success);
}

void GDriveInitializationTask::after(double delay, std::function<void()> step)
{
    _nextStep = _scheduler.performAfterDelay(delay, std::move(step));
}

bool GDriveInitializationTask::mayGoOnline()
{
    if (_networkAvailable && _networkAvailable()) return true;
    terminate();
    return false;
}

void GDriveInitializationTask::checkGDriveRoot()
{
    const bool online = _networkAvailable && _networkAvailable();
    if (_folders.hasRealGDriveRootFolderId() && !online) {
        _state = RootKnown;
        checkTarnwickFolder();
        return;
    }
    if (!mayGoOnline()) return;
    _serviceTicket = _client.getFile("root", FolderFields, [this](const GDriveResponse<GDriveMetadata>& answer) {
        after(StepDelay, [this, answer] {
            if (!answer.result) {
                // Offline-capable: a known tree is enough to go on.
                if (!_folders.hasRealGDriveRootFolderId()) {
                    terminate();
                    return;
                }
            } else {
                const std::string& answered = answer.result->gdriveId();
                const std::string known = _folders.realGDriveRootFolderId();
                if (!answered.empty() && !known.empty() && answered != known) {
                    _delegate.dropPersonality();
                    FeedbackCenter& feedback = FeedbackCenter::feedbackCenter();
                    auto item = feedback.addItemWithTitle(localized("gdrive_authorizing_state"),
                                                          localized("gdrive_personality_change_detected"),
                                                          FeedbackStateWarning, FeedbackCenter::gdriveImage());
                    feedback.showEditorNotification(item);
                }
                _folders.setRealGDriveRootFolderId(answered);
            }
            _state = RootKnown;
            checkTarnwickFolder();
        });
    });
}

void GDriveInitializationTask::checkTarnwickFolder()
{
    if (GDriveFolderInfoItem* folder = _folders.findSubFolder(ApplicationFolderName, _folders.rootFolderId())) {
        _tarnWickFolderId = folder->gdriveId();
        _state = ApplicationFolderKnown;
        checkSubFolders();
        return;
    }
    switch (_state) {
    case RootKnown:
        _state = ListingRoot;
        listFolders(_folders.rootFolderId());
        return;
    case ListingRoot:
        _state = CreatingApplicationFolder;
        createFolder(ApplicationFolderName, _folders.rootFolderId());
        return;
    default:
        terminate();
        return;
    }
}

void GDriveInitializationTask::checkSubFolders()
{
    std::erase_if(_subFoldersToCheck,
                  [this](const std::string& name) { return _folders.folderNameExists(name, _tarnWickFolderId); });
    if (_subFoldersToCheck.empty()) {
        completed(true);
        return;
    }
    switch (_state) {
    case ApplicationFolderKnown:
        _state = ListingApplicationFolder;
        listFolders(_tarnWickFolderId);
        return;
    case ListingApplicationFolder:
        _state = CreatingSubFolders;
        createSubFolders();
        return;
    default:
        terminate();
        return;
    }
}

void GDriveInitializationTask::createSubFolders()
{
    if (_subFoldersToCheck.empty()) {
        completed(true);
        return;
    }
    createFolder(_subFoldersToCheck.front(), _tarnWickFolderId);
}

void GDriveInitializationTask::listFolders(const std::string& parentId)
{
    if (!mayGoOnline()) return;
    const std::string q = "mimeType = '" + std::string(GDriveMetadata::FolderMimeType) + "' and '" +
        GDriveClient::escapeQueryValue(parentId) + "' in parents";
    _serviceTicket =
        _client.listFiles(q, FolderFields, [this, parentId](const GDriveResponse<std::vector<GDriveMetadata>>& answer) {
            after(StepDelay, [this, parentId, answer] {
                if (!answer.result) {
                    terminate();
                    return;
                }
                _folders.updateFolder(_folders.assureFolder(parentId), *answer.result, false);
                if (_state == ListingApplicationFolder) {
                    checkSubFolders();
                } else if (_state == ListingRoot) {
                    checkTarnwickFolder();
                } else {
                    terminate();
                }
            });
        });
}

void GDriveInitializationTask::createFolder(const std::string& name, const std::string& parentId)
{
    if (!mayGoOnline()) return;
    GDriveFileObject folder;
    folder.name = name;
    folder.mimeType = GDriveMetadata::FolderMimeType;
    folder.parents = {parentId};
    _serviceTicket = _client.createFile(folder, std::nullopt, FolderFields,
                                        [this, name, parentId](const GDriveResponse<GDriveMetadata>& answer) {
                                            after(StepDelayAfterCreation, [this, name, parentId, answer] {
                                                if (!answer.result) {
                                                    terminate();
                                                    return;
                                                }
                                                folderCreated(*answer.result, name, parentId);
                                            });
                                        });
}

void GDriveInitializationTask::folderCreated(const GDriveMetadata& answered, const std::string& name,
                                             const std::string& parentId)
{
    // What Drive left out of its answer is what was asked for.
    GDriveMetadata folder = answered;
    if (folder.parentIdentifier.empty()) folder.parentIdentifier = parentId;
    if (folder.name.empty()) folder.name = name;
    _folders.folderUpdated(folder);
    if (_state == CreatingSubFolders) {
        std::erase(_subFoldersToCheck, name);
        createSubFolders();
    } else if (_state == CreatingApplicationFolder) {
        // Were the folder not found under its name, the one just made is still the one asked for;
        // without an id there is nothing to go on with, and the task ends instead of waiting.
        GDriveFolderInfoItem* found = _folders.findSubFolder(ApplicationFolderName, _folders.rootFolderId());
        _tarnWickFolderId = found ? found->gdriveId() : folder.gdriveId();
        if (_tarnWickFolderId.empty()) {
            terminate();
            return;
        }
        _state = ApplicationFolderKnown;
        checkSubFolders();
    } else {
        terminate();
    }
}
