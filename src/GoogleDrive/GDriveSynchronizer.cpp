#include "GoogleDrive/GDriveSynchronizer.h"

#include "Editor/FeedbackCenter.h"
#include "GoogleDrive/GDriveFileInfoCache.h"
#include "GoogleDrive/GDriveFolderCache.h"
#include "GoogleDrive/GDriveInitializationTask.h"
#include "GoogleDrive/GDriveProvider.h"
#include "Utils/CryptoDigest.h"
#include "Utils/TerminationProcess.h"
#include "cloud/CacheFiles.h"
#include "platform/FileUtils.h"
#include "platform/Localizer.h"
#include "platform/NetworkController.h"
#include "store/EditorInterface.h"
#include "store/MindMapStorage.h"

#include <glib.h>

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

std::string lowerCase(const std::string& text)
{
    std::string result = text;
    for (char& c : result) c = static_cast<char>(g_ascii_tolower(c));
    return result;
}

bool sameChecksum(const std::string& a, const std::string& b)
{
    return lowerCase(a) == lowerCase(b);
}

std::string localChecksum(const std::string& path)
{
    return lowerCase(FileMD5HexString(path).value_or(""));
}

std::string uniqueString()
{
    gchar* uuid = g_uuid_string_random();
    std::string result = uuid;
    g_free(uuid);
    return result;
}

std::string stem(const std::string& name)
{
    const size_t dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

// The changes of one answer reach the disk as one write.
class RecordBatch {
public:
    explicit RecordBatch(GDriveFileInfoCache& records) : _records(records) { _records.beginUpdate(); }
    ~RecordBatch() { _records.endUpdate(); }
    RecordBatch(const RecordBatch&) = delete;
    RecordBatch& operator=(const RecordBatch&) = delete;

private:
    GDriveFileInfoCache& _records;
};

} // namespace

std::string GDriveMimeTypeForExtension(const std::string& extension)
{
    static const std::pair<const char*, const char*> types[] = {
        {"twkx", "application/x-zip"}, {"jpg", "image/jpeg"}, {"jpeg", "image/jpeg"},
        {"png", "image/png"},          {"html", "text/html"}, {"mm", "application/x-freemind"},
        {"opml", "text/xml"},          {"txt", "text/plain"}, {"pdf", "application/pdf"},
        {"mp4", "video/mp4"},          {"m4a", "audio/mp4"},  {"twkstore", "application/octet-stream"},
    };
    const std::string key = lowerCase(extension);
    for (const auto& [ext, type] : types) {
        if (key == ext) return type;
    }
    return "application/x-zip";
}

bool GDriveLocallyChanged(const GDriveProvider& provider, const GDriveFileInfoItem& item)
{
    if (item.isNew()) return true;
    const std::optional<std::string> local = FileMD5HexString(provider.cacheFilePathForCacheFileInfo(&item));
    return local && !sameChecksum(*local, item.md5Checksum());
}

// ---- task

GDriveTask::~GDriveTask()
{
    GDriveTask::cancel();
}

void GDriveTask::cancel()
{
    setProgress({});
}

void GDriveTask::setProgress(const std::string& title)
{
    FeedbackCenter& center = FeedbackCenter::feedbackCenter();
    if (title.empty()) {
        if (_progressItem) center.endProgress(_progressItem);
        _progressItem.reset();
        return;
    }
    if (_progressItem) {
        center.changeProgressItem(_progressItem, title, 0);
    } else {
        _progressItem = center.startProgress(0, title);
    }
}

// ---- file synchronizer

GDriveFileSynchronizer::GDriveFileSynchronizer(GDriveSyncService& service, GDriveFileSynchronizerDelegate* delegate)
    : _service(service), _delegate(delegate)
{
}

GDriveFileSynchronizer::~GDriveFileSynchronizer()
{
    GDriveFileSynchronizer::cancel();
}

std::string GDriveFileSynchronizer::modeAsString(int mode)
{
    switch (mode) {
    case Poll:
        return "Poll";
    case Upload:
        return "Upload";
    case Sync:
        return "Sync";
    case GetMostRecentVersion:
        return "GetMostRecentVersion";
    default:
        return "Unknown " + std::to_string(mode);
    }
}

void GDriveFileSynchronizer::setState(State state)
{
    if (state == _state) return;
    _state = state;
    switch (state) {
    case Idle:
        setProgress({});
        break;
    case UploadingNewFile:
    case Uploading:
        setProgress(localized("gdrive_upload_progress"));
        break;
    case FetchingMetadata:
        setProgress(localized("gdrive_synchronize_progress"));
        break;
    case Downloading:
        setProgress(localized("gdrive_download_progress"));
        break;
    }
}

void GDriveFileSynchronizer::cancel()
{
    clearSyncState();
    setState(Idle);
    GDriveTask::cancel();
}

void GDriveFileSynchronizer::clearSyncState()
{
    // Destroying an operation cancels its call: no answer of this run reaches the next one.
    _getter.reset();
    _downloader.reset();
    _creator.reset();
    _uploader.reset();
    _timeout.cancel();
    _fileId.clear();
    _userInfo.clear();
    _fileInfo.reset();
    _sourceFile.clear();
    _sourceFileExists = false;
    _fileOpenInEditor = false;
    _editorModified = false;
    _localChecksum.clear();
    _movedToApplicationFolder = false;
    deleteTempFile();
}

void GDriveFileSynchronizer::deleteTempFile()
{
    if (_tempFile.empty()) return;
    std::error_code error;
    fs::remove(_tempFile, error);
    _tempFile.clear();
}

void GDriveFileSynchronizer::synchronizeFileId(const std::string& fileId, int mode)
{
    if (mode < Poll || mode > Sync) {
        if (_delegate) _delegate->syncCompleted(fileId, {}, "Illegal mode");
        return;
    }
    synchronizeFileId(fileId, mode, {});
}

void GDriveFileSynchronizer::getMostRecentVersionForFileId(const std::string& fileId, const UserInfo& userInfo)
{
    synchronizeFileId(fileId, GetMostRecentVersion, userInfo);
}

void GDriveFileSynchronizer::synchronizeFileId(const std::string& fileId, int mode, const UserInfo& userInfo)
{
    if (busy()) {
        // The running run goes on; only the new request is turned away.
        if (_delegate) _delegate->syncCompleted(fileId, userInfo, localized("gdrive_synchronize_progress"));
        return;
    }
    clearSyncState();
    _fileId = fileId;
    _mode = mode;
    _userInfo = userInfo;
    if (!_service.isLinked() || !_service.driveClient() || !_service.provider()) {
        syncCompleted(localized("gdrive_disconnected_state"));
        return;
    }
    _fileInfo = _service.fileInfo().getCopy(fileId);
    _sourceFile = _service.provider()->cacheFilePathForCacheFileInfo(_fileInfo.get());
    std::error_code error;
    _sourceFileExists = !_sourceFile.empty() && fs::is_regular_file(_sourceFile, error);

    if (mode == GetMostRecentVersion && _sourceFileExists &&
        (_fileInfo->isNew() || !NetworkController::networkAvailable())) {
        syncCompleted({});
        return;
    }
    if (!NetworkController::networkAvailable()) {
        syncCompleted(localized("no_network_available"));
        return;
    }
    if (Scheduler* scheduler = _service.scheduler()) {
        _timeout = scheduler->performAfterDelay(TimeoutInterval, [this] { timedOut(); });
    }
    if (!_sourceFileExists) {
        downloadNewFileFromGDrive();
    } else if (_fileInfo->isNew()) {
        uploadNewFileToGDrive();
    } else {
        getMetadataFromGDrive();
    }
}

void GDriveFileSynchronizer::timedOut()
{
    if (!busy()) return;
    // The call goes with the run: a late answer would otherwise land in whatever run comes next.
    _getter.reset();
    _downloader.reset();
    _creator.reset();
    _uploader.reset();
    syncCompleted(localized("gdrive_sync_timeout_title"));
}

void GDriveFileSynchronizer::syncCompleted(const std::string& error)
{
    if (error.empty() && !_fileId.empty()) _service.fileInfo().updateLastAccessed(_fileId);
    const std::string fileId = _fileId;
    const UserInfo userInfo = _userInfo;
    GDriveFileSynchronizerDelegate* delegate = _delegate;
    setState(Idle);
    clearSyncState();
    // The delegate may start the next run on this synchronizer at once: nothing of this run is
    // touched after it.
    if (delegate) delegate->syncCompleted(fileId, userInfo, error);
}

bool GDriveFileSynchronizer::handledError(const GDriveError* error, bool notFoundMeansGone, const std::string& parentId)
{
    if (!error) return false;
    if (notFoundMeansGone && error->is404Error()) {
        fileNotFoundOnGDrive(parentId);
        return true;
    }
    const std::string text = error->errorDescription();
    if (error->invalidCredentials()) {
        // Signing out cancels the service's work, this run perhaps with it.
        const std::string fileId = _fileId;
        _service.reauthorize();
        if (_fileId != fileId || !busy()) return true;
    }
    syncCompleted(text);
    return true;
}

// Edits not on Drive: the copy differs from the last synchronised version, or the window holds
// unsaved ones.
bool GDriveFileSynchronizer::changedHere()
{
    if (!_sourceFileExists) return false;
    if (!_fileInfo || _fileInfo->isNew()) return true;
    if (_localChecksum.empty()) _localChecksum = localChecksum(_sourceFile);
    if (!sameChecksum(_localChecksum, _fileInfo->md5Checksum())) return true;
    MindMapStorage* open = EditorInterfaceInstance() ? EditorInterfaceInstance()->currentStorage() : nullptr;
    return open && open->isEqual(_service.provider(), _fileId) && EditorInterfaceInstance()->isEditorModified();
}

std::string GDriveFileSynchronizer::applicationFolderId()
{
    GDriveFolderCache& folders = _service.folderCache();
    if (GDriveFolderInfoItem* folder =
            folders.findSubFolder(GDriveInitializationTask::ApplicationFolderName, folders.rootFolderId())) {
        return folder->gdriveId();
    }
    return folders.rootFolderId();
}

void GDriveFileSynchronizer::fileNotFoundOnGDrive(const std::string& parentId)
{
    if (changedHere()) {
        keepAsNewFile(parentId);
        return;
    }
    _service.deleteLocalFile(_fileId, parentId);
    syncCompleted(localized("gdrive_file_not_found"));
}

// The copy takes the place of the file under a new id; answers the new id, or empty when it could
// not be made.
std::string GDriveFileSynchronizer::replaceByNewFile(const std::string& name, const std::string& folderId,
                                                     bool goneOnDrive)
{
    std::optional<std::vector<uint8_t>> data = readFileData(_sourceFile, MaximumCloudFileSize);
    if (!data) return {};
    GDriveProvider& provider = *_service.provider();
    GDriveFileInfoCache& records = _service.fileInfo();
    // The record of a file gone on Drive makes way, so that the copy keeps the name; it comes back
    // when no copy could be made.
    std::unique_ptr<GDriveFileInfoItem> gone = goneOnDrive ? records.getCopy(_fileId) : nullptr;
    if (gone) records.remove(_fileId);
    const std::string newId = provider.createNewFile(name, folderId, data);
    if (newId.empty()) {
        if (gone) {
            records.itemLoaded(std::move(gone));
            records.changed();
        }
        return {};
    }
    provider.changeFileId(_fileId, newId);
    const std::string oldParent = _fileInfo ? _fileInfo->parentId() : std::string();
    records.remove(_fileId);
    std::error_code error;
    fs::remove(_sourceFile, error);
    _service.removeThumbnail(GDriveHexEncodedId(_fileId));
    if (goneOnDrive && !oldParent.empty()) {
        _service.folderCache().fileDeleted(_fileId, oldParent);
        _service.dispatchFolderChanged(oldParent);
    }
    return newId;
}

void GDriveFileSynchronizer::keepAsNewFile(const std::string& parentId)
{
    std::string folderId = parentId.empty() && _fileInfo ? _fileInfo->parentId() : parentId;
    if (folderId.empty() || !_service.folderCache().get(folderId)) folderId = applicationFolderId();
    const std::string name = _fileInfo && !_fileInfo->name().empty() ? _fileInfo->name() : _fileId;
    const std::string newId = replaceByNewFile(name, folderId, true);
    if (newId.empty()) {
        // Nothing may be lost: the copy and its record stay as they are for the next run.
        syncCompleted(formatText("Internal Error: unable to create a conflict copy file \"%@\"", {name}));
        return;
    }
    FeedbackCenter::feedbackCenter().showEditorNotification(localized("gdrive_file_not_found"),
                                                            formatText(localized("gdrive_file_kept_as_new"), {name}),
                                                            FeedbackStateWarning);
    // The provider has queued its upload.
    syncCompleted({});
}

// The records are kept by the id asked for: an answer about another id would file one file's
// content under another's record.
bool GDriveFileSynchronizer::answeredAboutAnotherFile(const GDriveMetadata& metadata)
{
    if (metadata.gdriveId() == _fileId) return false;
    syncCompleted("Internal Error: Google Drive answered about another file");
    return true;
}

void GDriveFileSynchronizer::getMetadataFromGDrive()
{
    setState(FetchingMetadata);
    if (!_fileInfo) {
        syncCompleted("Internal Error: _fileInfo is nil");
        return;
    }
    _getter = std::make_unique<GDriveFileMetadataGet>(*_service.driveClient());
    _getter->get(_fileId, [this](const GDriveMetadata* metadata, const GDriveError* error) {
        RecordBatch batch(_service.fileInfo());
        if (handledError(error, true, {})) return;
        if (!metadata) {
            syncCompleted("Internal Error: file is nil");
            return;
        }
        if (answeredAboutAnotherFile(*metadata)) return;
        if (metadata->deleted()) {
            fileNotFoundOnGDrive(metadata->parentIdentifier);
            return;
        }
        metadataReceived(*metadata);
    });
}

void GDriveFileSynchronizer::metadataReceived(const GDriveMetadata& metadata)
{
    EditorInterface* editor = EditorInterfaceInstance();
    MindMapStorage* open = editor ? editor->currentStorage() : nullptr;
    _fileOpenInEditor = open && open->isEqual(_service.provider(), _fileId);
    _editorModified = _fileOpenInEditor && editor->isEditorModified();
    _localChecksum = localChecksum(_sourceFile);
    const std::string& local = _localChecksum;
    const std::string& recorded = _fileInfo->md5Checksum();
    const std::string remote = metadata.md5Checksum.value_or("");
    const bool localChanged = !sameChecksum(local, recorded);
    const bool remoteChanged = !sameChecksum(remote, recorded);

    if (_mode != GetMostRecentVersion && localChanged && remoteChanged && sameChecksum(remote, local)) {
        // Both sides made the same change: only the record moves on.
        GDriveMetadata record(_fileId, _fileInfo->extension());
        record.parentIdentifier = _fileInfo->parentId();
        record.name = _fileInfo->name();
        record.md5Checksum = local;
        _service.fileInfo().update(record);
        syncCompleted({});
        return;
    }
    if (_mode == GetMostRecentVersion && (localChanged || _editorModified)) {
        syncCompleted({});
        return;
    }
    if (!remoteChanged) {
        if (localChanged && (_mode == Upload || _mode == Sync)) {
            uploadExistingFileToGDrive();
            return;
        }
        if (_fileInfo->name() != metadata.name) {
            _service.fileInfo().updateBrowsingInfoWithMetadata({metadata});
            if (editor) editor->mindMapRenamed(_service.provider(), _fileId, _fileId);
        }
        syncCompleted({});
        return;
    }
    if (!localChanged && !_editorModified) {
        if (_mode == Upload) {
            syncCompleted({});
            return;
        }
        downloadFromGDrive(metadata);
        return;
    }
    createConflictCopy();
}

void GDriveFileSynchronizer::downloadNewFileFromGDrive()
{
    setState(FetchingMetadata);
    _getter = std::make_unique<GDriveFileMetadataGet>(*_service.driveClient());
    _getter->get(_fileId, [this](const GDriveMetadata* metadata, const GDriveError* error) {
        RecordBatch batch(_service.fileInfo());
        if (handledError(error, true, {})) return;
        if (!metadata) {
            syncCompleted("Internal Error: file is nil");
            return;
        }
        if (metadata->deleted()) {
            _service.deleteLocalFile(_fileId, metadata->parentIdentifier);
            syncCompleted(localized("gdrive_file_not_found"));
            return;
        }
        if (answeredAboutAnotherFile(*metadata)) return;
        _fileInfo = std::make_unique<GDriveFileInfoItem>(_fileId, metadata->extension().value_or(""));
        _sourceFile = _service.provider()->cacheFilePathForCacheFileInfo(_fileInfo.get());
        if (_sourceFile.empty()) {
            // An extension that would climb out of the cache, or a name the file system cannot hold:
            // nothing is written, and the user hears which file it is.
            syncCompleted(formatText(localized("gdrive_file_name_not_storable"),
                                     {metadata->name.empty() ? _fileId : metadata->name}));
            return;
        }
        downloadFromGDrive(*metadata);
    });
}

void GDriveFileSynchronizer::downloadFromGDrive(const GDriveMetadata& metadata)
{
    setState(Downloading);
    deleteTempFile();
    if (_sourceFile.empty()) {
        syncCompleted("Internal Error: no file path given for storing downloaded file");
        return;
    }
    // Beside the cache file, so that it replaces it by a rename; the leading dot keeps the cache
    // clean-up away from it.
    const fs::path folder = fs::path(_sourceFile).parent_path();
    std::error_code error;
    fs::create_directories(folder, error);
    _tempFile = (folder / ("." + uniqueString() + ".download")).string();
    _downloader = std::make_unique<GDriveFileDownload>(*_service.driveClient());
    const uint64_t declared =
        metadata.fileSize && *metadata.fileSize > 0 ? static_cast<uint64_t>(*metadata.fileSize) : 0;
    // Named as the user knows it, not by the hidden file it goes into first.
    const std::string name = !metadata.name.empty() ? metadata.name : _fileInfo ? _fileInfo->name() : _fileId;
    _downloader->download(
        _fileId, name, _tempFile,
        [this, metadata](const GDriveError* error) {
            RecordBatch batch(_service.fileInfo());
            if (handledError(error, true, {})) return;
            downloadReceived(metadata);
        },
        declared);
}

void GDriveFileSynchronizer::downloadReceived(const GDriveMetadata& metadata)
{
    if (!metadata.md5Checksum || metadata.md5Checksum->empty()) {
        syncCompleted("Internal Error: GDrive did not return md5");
        return;
    }
    // The map may have been saved, or edited in the window, while the download ran: Drive's
    // version then must not replace it, and both are kept.
    std::error_code error;
    const bool existsNow = fs::is_regular_file(_sourceFile, error);
    bool changedMeanwhile = existsNow != _sourceFileExists;
    if (!changedMeanwhile && existsNow) {
        changedMeanwhile = !sameChecksum(localChecksum(_sourceFile), _localChecksum);
    }
    EditorInterface* editor = EditorInterfaceInstance();
    MindMapStorage* open = editor ? editor->currentStorage() : nullptr;
    if (open && open->isEqual(_service.provider(), _fileId) && editor->isEditorModified()) changedMeanwhile = true;
    if (changedMeanwhile && existsNow) {
        deleteTempFile();
        _sourceFileExists = true;
        _fileOpenInEditor = open && open->isEqual(_service.provider(), _fileId);
        if (!_service.fileInfo().get(_fileId)) {
            // A copy that appeared without a record: keep it as the record Drive's version has.
            _service.fileInfo().update(metadata);
            _fileInfo = _service.fileInfo().getCopy(_fileId);
        }
        createConflictCopy();
        return;
    }
    // rename(2) replaces the cache file in one step: a reader sees the old version or the new one.
    fs::rename(_tempFile, _sourceFile, error);
    if (error) {
        deleteTempFile();
        syncCompleted("Internal Error: unable to move downloaded file to proper cache file path location.");
        return;
    }
    _tempFile.clear();
    _service.fileInfo().update(metadata);
    _service.folderCache().updateFileMetadata(metadata);
    _service.fileExternallyChanged(_fileId);
    syncCompleted({});
}

void GDriveFileSynchronizer::uploadNewFileToGDrive()
{
    setState(UploadingNewFile);
    _creator = std::make_unique<GDriveFileCreate>(*_service.driveClient());
    _creator->create(_fileId, _fileInfo->name(), _fileInfo->parentId(), _sourceFile,
                     GDriveMimeTypeForExtension(_fileInfo->extension()),
                     [this](const GDriveMetadata* metadata, const GDriveError* error) {
                         RecordBatch batch(_service.fileInfo());
                         if (error && error->code == 409) {
                             // The create landed before, its answer lost: what Drive holds under
                             // the id decides.
                             getMetadataFromGDrive();
                             return;
                         }
                         if (error && error->is404Error() && !_movedToApplicationFolder) {
                             // The folder went meanwhile. The only copy of the map is here: it goes
                             // to the application folder instead, and the user is told where.
                             _movedToApplicationFolder = true;
                             const std::string folderId = applicationFolderId();
                             if (GDriveFileInfoItem* record = _service.fileInfo().get(_fileId)) {
                                 record->setParentId(folderId);
                                 _service.fileInfo().changed();
                             }
                             _fileInfo->setParentId(folderId);
                             FeedbackCenter::feedbackCenter().showEditorNotification(
                                 localized("gdrive_synchronize_progress"),
                                 formatText(localized("gdrive_file_moved_to_application_folder"), {_fileInfo->name()}),
                                 FeedbackStateWarning);
                             uploadNewFileToGDrive();
                             return;
                         }
                         // A never-uploaded map is never deleted for a missing folder.
                         if (handledError(error, false, {})) return;
                         uploadReceived(metadata);
                     });
}

void GDriveFileSynchronizer::uploadExistingFileToGDrive()
{
    setState(Uploading);
    _uploader = std::make_unique<GDriveFileUpdate>(*_service.driveClient());
    _uploader->update(_fileId, _sourceFile, GDriveMimeTypeForExtension(_fileInfo->extension()),
                      [this](const GDriveMetadata* metadata, const GDriveError* error) {
                          RecordBatch batch(_service.fileInfo());
                          if (handledError(error, false, {})) return;
                          uploadReceived(metadata);
                      });
}

void GDriveFileSynchronizer::uploadReceived(const GDriveMetadata* metadata)
{
    // Drive's checksum is of the bytes it received, so an edit saved during the upload is seen as
    // a local change by the next run.
    if (!metadata || !metadata->md5Checksum || metadata->md5Checksum->empty() || !metadata->extension() ||
        metadata->extension()->empty()) {
        syncCompleted("Internal Error: server did not return requested file fields.");
        return;
    }
    _service.fileInfo().update(*metadata);
    syncCompleted({});
}

void GDriveFileSynchronizer::createConflictCopy()
{
    const std::string name = _fileInfo->name();
    const std::string extension = _fileInfo->extension();
    const std::string copyName = stem(name) + " Conflict Copy." + extension;
    const bool openInEditor = _fileOpenInEditor;
    const std::string newId = replaceByNewFile(copyName, _fileInfo->parentId(), false);
    if (newId.empty()) {
        syncCompleted(formatText("Internal Error: unable to create a conflict copy file \"%@\"", {copyName}));
        return;
    }
    _service.highPrioritySynchronizeFile(newId);
    if (openInEditor) {
        FeedbackCenter::feedbackCenter().showEditorNotification(localized("gdrive_synchronize_progress"),
                                                                localized("gdrive_synchronize_conflict_copy_created"),
                                                                FeedbackStateWarning);
    }
    syncCompleted({});
}

// ---- queue

GDriveSynchronizer::GDriveSynchronizer(GDriveSyncService& service)
    : CloudFileQueue(GDriveFileSynchronizer::Sync, [](const std::string& a, const std::string& b) { return a == b; }),
      _service(service),
      _syncTask(std::make_unique<GDriveFileSynchronizer>(service, this))
{
}

GDriveSynchronizer::~GDriveSynchronizer()
{
    _queue.clear();
    _syncTask->cancel();
}

bool GDriveSynchronizer::isBusy() const
{
    return _current.has_value() || _syncTask->busy();
}

void GDriveSynchronizer::schedulePoll(const std::string& fileId)
{
    if (_terminationProcess) return;
    scheduleFirst(fileId, GDriveFileSynchronizer::Poll);
}

void GDriveSynchronizer::terminateSynchronization(const std::vector<std::string>& fileIds,
                                                  std::shared_ptr<TerminationProcess> process)
{
    _queue.clear();
    _runAtQuit.clear();
    _terminationProcess = std::move(process);
    synchronizeFiles(fileIds, GDriveFileSynchronizer::Upload);
}

void GDriveSynchronizer::completeTermination()
{
    std::shared_ptr<TerminationProcess> process = std::move(_terminationProcess);
    _terminationProcess.reset();
    // On disk before the quit may go on.
    if (process) {
        if (_service.fileInfo().isModified()) {
            _service.fileInfo().save();
        } else {
            _service.fileInfo().flush();
        }
    }
    // The process's delegate may let the quit go on at once: this is the last thing done here.
    if (process && !process->completed()) process->setCompleted();
}

void GDriveSynchronizer::startNext()
{
    if (_current || _syncTask->busy()) return;
    if (_queue.empty() && _terminationProcess && !_terminationProcess->completed() && _service.isLinked() &&
        _service.provider() && NetworkController::online()) {
        // A run of the quit may leave a file to send that was not on its list: a conflict copy
        // holding the last commit, say, whose own upload the quit turned away. It goes now, not at
        // the next start.
        std::vector<std::string> more;
        for (GDriveFileInfoItem* item : _service.fileInfo().itemsList()) {
            if (!_runAtQuit.count(item->gdriveId()) && GDriveLocallyChanged(*_service.provider(), *item))
                more.push_back(item->gdriveId());
        }
        if (!more.empty()) {
            synchronizeFiles(more, GDriveFileSynchronizer::Upload);
            return;
        }
    }
    if (_queue.empty()) {
        if (_terminationProcess) completeTermination();
        return;
    }
    if (!_service.isLinked()) {
        cancel();
        return;
    }
    if (!NetworkController::online()) {
        if (_terminationProcess) cancel();
        return;
    }
    _current = _queue.front();
    _queue.pop_front();
    if (_terminationProcess) _runAtQuit.insert(_current->id);
    const Item item = *_current;
    _syncTask->synchronizeFileId(item.id, item.mode, {});
}

void GDriveSynchronizer::syncCompleted(const std::string& fileId, const UserInfo&, const std::string& error)
{
    _current.reset();
    if (!_terminationProcess) {
        FeedbackCenter& center = FeedbackCenter::feedbackCenter();
        if (!error.empty()) {
            auto item = center.addItemWithTitle(localized("gdrive_synchronization_error"), error, FeedbackStateError,
                                                FeedbackCenter::gdriveImage());
            center.showEditorNotification(item);
        } else {
            GDriveFileInfoItem* record = _service.fileInfo().get(fileId);
            const std::string name = record && !record->name().empty() ? record->name() : fileId;
            center.addItemWithTitle(localized("gdrive_synchronization_success_title"), name, FeedbackStateInformation,
                                    FeedbackCenter::gdriveImage());
        }
    }
    processQueue();
}

void GDriveSynchronizer::cancel()
{
    _queue.clear();
    _syncTask->cancel();
    _current.reset();
    completeTermination();
}

// ---- external file downloader

GDriveExternalFileDownloader::GDriveExternalFileDownloader(GDriveSyncService& service,
                                                           GDriveExternalFileDownloaderDelegate* delegate,
                                                           std::function<void(const std::string&)> onCompletion)
    : _service(service), _delegate(delegate), _onCompletion(std::move(onCompletion))
{
}

GDriveExternalFileDownloader::~GDriveExternalFileDownloader()
{
    _delegate = nullptr;
    if (_downloader) _downloader->cancel();
}

void GDriveExternalFileDownloader::downloadFileId(const std::string& fileId)
{
    if (_downloader) {
        g_warning("Error in GDrive external file downloader");
        return;
    }
    _downloader = std::make_unique<GDriveFileSynchronizer>(_service, this);
    _downloader->getMostRecentVersionForFileId(fileId, {});
}

void GDriveExternalFileDownloader::cancel()
{
    syncCompleted({}, {}, "cancelled");
    if (_downloader) _downloader->cancel();
    GDriveTask::cancel();
}

void GDriveExternalFileDownloader::syncCompleted(const std::string& fileId, const UserInfo&, const std::string& error)
{
    GDriveExternalFileDownloaderDelegate* delegate = _delegate;
    std::function<void(const std::string&)> onCompletion = std::move(_onCompletion);
    _delegate = nullptr;
    _onCompletion = nullptr;
    if (delegate) delegate->externalFileDownloadCompleted(this, onCompletion, error.empty() ? fileId : std::string());
}
