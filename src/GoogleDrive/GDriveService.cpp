#include "GoogleDrive/GDriveService.h"

#include "Editor/FeedbackCenter.h"
#include "GoogleDrive/GDriveAuthHelper.h"
#include "GoogleDrive/GDriveCacheManager.h"
#include "GoogleDrive/GDriveFileInfoCache.h"
#include "GoogleDrive/GDriveFolderCache.h"
#include "GoogleDrive/GDriveIdentifierPool.h"
#include "GoogleDrive/GDriveSimpleTasks.h"
#include "GoogleDrive/GDriveUniqueNames.h"
#include "Utils/TerminationProcess.h"
#include "platform/AlertPanel.h"
#include "platform/Localizer.h"
#include "platform/UserDefaults.h"
#include "store/CustomImageStore.h"
#include "store/EditorInterface.h"
#include "store/MindMapProviders.h"
#include "store/MindMapStorage.h"
#include "store/MindMapStore.h"

#include <glib.h>

#include <filesystem>
#include <random>
#include <set>
#include <system_error>

namespace fs = std::filesystem;

namespace {

GDrive* theInstance = nullptr;

double currentDate()
{
    return static_cast<double>(g_get_real_time()) / 1e6 - ReferenceDateOffsetFrom1970;
}

class GDriveTerminationProcess : public TerminationProcess {
public:
    using TerminationProcess::TerminationProcess;
    // The synchronizer completes it when its queue has run dry.
    void run() override {}
};

} // namespace

GDrive::GDrive(GDriveServiceSetup setup) : _setup(std::move(setup))
{
    if (!_setup.now) _setup.now = currentDate;
    if (!_setup.random) {
        _setup.random = [] {
            static std::random_device device;
            return static_cast<uint32_t>(device());
        };
    }
    theInstance = this;

    _provider = std::make_shared<GDriveProvider>(*this);
    MindMapProviders::instance().registerProvider(_provider);

    const fs::path support = _setup.supportDirectory.empty() ? fs::path(MindMapStore::appSupportDirectory())
                                                             : fs::path(_setup.supportDirectory);
    _fileInfo = std::make_unique<GDriveFileInfoCache>((support / "gdrive-file-info-cache.xml").string());
    // A record lost to a full or read-only disk means uploads repeated or maps kept unrecorded: the
    // user must hear of it, as of any save that fails.
    _fileInfo->setWriteFailureHandler([](const Error& error) {
        FeedbackCenter::feedbackCenter().showEditorNotification(localized("gdrive_synchronization_error"),
                                                                error.localizedDescription, FeedbackStateError);
    });
    _folderCache = std::make_unique<GDriveFolderCache>((support / "gdrive-folder-cache.xml").string());
    _identifierSource = std::make_unique<GDriveClientIdentifierSource>(auth().driveService());
    _identifierPool = std::make_unique<GDriveIdentifierPool>((support / "gdrive-identifier-pool.xml").string(),
                                                             _identifierSource.get());
    _cacheManager = std::make_unique<GDriveCacheManager>(*_fileInfo, *_folderCache, _provider->rootDirectory());
    _synchronizer = std::make_unique<GDriveSynchronizer>(*this);
    _userTasks = std::make_unique<GDriveUserTasks>(
        [this] { return _downloader && _downloader->busy(); },
        [this] { NotificationCenter::defaultCenter().post(UserTaskChangeNotification, this); });

    const double start = now();
    _nextPollTime = start + PollInterval * jitter();
    _nextSyncTime = start + SyncInterval * jitter();
    UserDefaults& defaults = UserDefaults::standard();
    if (!defaults.objectForKey(CacheCleanDueKey).isNone()) {
        _nextCacheCleanTime = defaults.doubleForKey(CacheCleanDueKey);
    } else {
        _nextCacheCleanTime = start + CacheCleanInterval * jitter();
        defaults.setDouble(CacheCleanDueKey, _nextCacheCleanTime);
    }

    const std::string cacheRoot = _provider->rootDirectory();
    if (!cacheRoot.empty()) {
        const fs::path thumbnails = fs::path(cacheRoot).parent_path().parent_path() / "gdrive-thumbnails";
        std::error_code error;
        fs::create_directories(thumbnails, error);
        _thumbnailImages = std::make_shared<CustomImageStore>(thumbnails.string());
    }

    _willTerminate = NotificationCenter::defaultCenter().addObserver(WillTerminateNotification, nullptr,
                                                                     [this](const Notification&) {
                                                                         _terminating = true;
                                                                         // The user's operations would outlive the
                                                                         // window that shows their outcome.
                                                                         _userTasks->cancelAll();
                                                                     });
}

GDrive::~GDrive()
{
    _tick.cancel();
    _willTerminate = {};
    if (_observingNetwork) NetworkController::instance().unregisterObserver(this);
    _observingNetwork = false;
    _synchronizer.reset();
    _userTasks.reset();
    releaseInitializationTask();
    releaseDownloader();
    terminateSession();
    MindMapProviders::instance().unregisterProvider(_provider.get());
    if (theInstance == this) theInstance = nullptr;
}

GDrive* GDrive::instance()
{
    return theInstance;
}

bool GDrive::userTaskBusy()
{
    return theInstance && theInstance->_userTasks && theInstance->_userTasks->busy();
}

double GDrive::jitterFactor(uint32_t r)
{
    return 0.95 + static_cast<double>(r % 1000) / 10000.0;
}

GDriveAuthHelper& GDrive::auth() const
{
    return _setup.auth ? *_setup.auth : GDriveAuthHelper::sharedHelper();
}

GDriveClient* GDrive::driveClient()
{
    return isAuthorized() ? &auth().driveService() : nullptr;
}

bool GDrive::isAuthorized() const
{
    return auth().isAuthenticated();
}

// ---- session and sign-in

void GDrive::initiateSession()
{
    if (_sessionStarted) return;
    _sessionStarted = true;
    // The sign-in of an earlier run may wait for the keyring's password; the state is told once known.
    std::weak_ptr<bool> alive = _alive;
    auth().whenRestored([this, alive] {
        if (!alive.expired() && _sessionStarted) performAuthorizedChanged();
    });
    // A keyring left locked at the start and unlocked later, in another program, brings the
    // sign-in then.
    auth().setUnlockedSignInHandler([this, alive] {
        if (!alive.expired() && _sessionStarted) performAuthorizedChanged();
    });
}

void GDrive::whenSignInKnown(std::function<void()> then)
{
    if (!_sessionStarted) return then();
    // Asked after the session's own wait, so then finds a signed-in account's set-up begun: a map
    // opened then waits for the account's folders.
    std::weak_ptr<bool> alive = _alive;
    auth().whenRestored([alive, then = std::move(then)] {
        if (!alive.expired()) then();
    });
}

void GDrive::terminateSession()
{
    if (!_sessionStarted) return;
    _sessionStarted = false;
    _willTerminate = {};
    if (_observingNetwork) NetworkController::instance().unregisterObserver(this);
    _observingNetwork = false;
}

void GDrive::performAuthorizedChanged()
{
    setInitialized(false);
    const bool authorized = isAuthorized();
    _provider->setEnabled(authorized);
    NetworkController& network = NetworkController::instance();
    if (authorized && !_observingNetwork) network.registerObserver(this);
    if (!authorized && _observingNetwork) network.unregisterObserver(this);
    _observingNetwork = authorized;
    NotificationCenter::defaultCenter().post(AuthorizationChangeNotification, this);
    updateActive();
    std::optional<LockedOpen> waiting = std::move(_openOnceUnlocked);
    _openOnceUnlocked.reset();
    // The map asked for while the keyring was locked follows, unless the user went to another.
    if (authorized && waiting && waiting->editorStorage == currentEditorStorage())
        _pendingOpen = PendingOpen{waiting->gdriveId, waiting->info};
    if (authorized) runInitializationTask();
}

std::string GDrive::currentEditorStorage()
{
    EditorInterface* editor = EditorInterfaceInstance();
    MindMapStorage* storage = editor ? editor->currentStorage() : nullptr;
    return storage ? storage->providerId() + "/" + storage->id() : std::string();
}

void GDrive::authorize(const std::any&)
{
    auth().authenticate([this] { performAuthorizedChanged(); });
}

void GDrive::reauthorize()
{
    setInitialized(false);
    // A sign-in that lapsed is no answer to the map open in the window: its edits are written to
    // the cache first, where the next sign-in uploads them, and a map that cannot be written stays
    // open rather than go with them. A rename being typed stays open too.
    std::shared_ptr<MindMapStorage> keep;
    EditorInterface* editor = EditorInterfaceInstance();
    if (MindMapStorage* open = editor->currentStorage(); open && open->provider() == _provider.get()) {
        OpenRenamesKept renames;
        editor->commitModelessEditors();
        if (!editor->commitEditor()) keep = open->shared_from_this();
    }
    auth().deauthenticate();
    releaseDownloader();
    releaseInitializationTask();
    const auto snapshot = _provider->storages();
    for (auto it = snapshot.rbegin(); it != snapshot.rend(); ++it)
        if (*it != keep) (*it)->dispose();
    _provider->dropSearchCache();
    EditorInterfaceInstance()->removeProviderEntries(_provider.get());
    performAuthorizedChanged();
    auth().reauthenticate([this] { performAuthorizedChanged(); });
}

void GDrive::deauthorize()
{
    if (!isAuthorized()) return;
    AlertPanel::Request request;
    request.messageText = localized("gdrive_disconnect");
    request.informativeText = localized("gdrive_warning_disconnect_consequences");
    request.buttons = {{localized("db_disconnect_condensed"), ""}, {localized("cancel_button_title"), "\033"}};
    if (AlertPanel::shared().runModal(request).button != AlertPanel::FirstButtonReturn) return;
    performDeauthorize();
}

void GDrive::performDeauthorize()
{
    setInitialized(false);
    auth().deauthenticate();
    releaseDownloader();
    releaseInitializationTask();
    dropPersonality();
    const std::string root = _provider->rootDirectory();
    if (!root.empty()) {
        std::error_code error;
        fs::remove_all(root, error);
    }
    performAuthorizedChanged();
}

void GDrive::dropPersonality()
{
    _provider->dropStorages();
    _provider->dropSearchCache();
    if (_thumbnailImages) _thumbnailImages->deleteAllImages();
    _fileInfo->clear();
    _folderCache->clear();
    _identifierPool->clear();
    EditorInterfaceInstance()->removeProviderEntries(_provider.get());
}

void GDrive::runInitializationTask()
{
    if (_initializationTask || !_setup.scheduler) return;
    _initializationTask =
        std::make_unique<GDriveInitializationTask>(*this, auth().driveService(), *_folderCache, *_setup.scheduler);
    _initializationTask->execute();
}

void GDrive::initializationTaskCompleted(GDriveInitializationTask* task, bool success)
{
    if (task == _initializationTask.get() && _setup.scheduler) {
        // The task is still on the stack: it goes once this event is over.
        std::shared_ptr<GDriveInitializationTask> finished(std::move(_initializationTask));
        _initializationTaskEnd = _setup.scheduler->performAfterDelay(0, [finished] {});
    }
    setInitialized(success);
    std::optional<PendingOpen> pending = std::move(_pendingOpen);
    _pendingOpen.reset();
    if (success && pending) openMindMap(pending->gdriveId, pending->info);
    if (!success && isAuthorized()) {
        // Signed in but without its folders nothing of Drive works, while the set-up tab shows it
        // connected: the user must hear of it.
        FeedbackCenter& feedback = FeedbackCenter::feedbackCenter();
        auto item =
            feedback.addItemWithTitle(localized("error_authorizing_with_gdrive"), localized("gdrive_setup_failed"),
                                      FeedbackStateError, FeedbackCenter::gdriveImage());
        feedback.showEditorNotification(item);
    }
}

void GDrive::releaseInitializationTask()
{
    _pendingOpen.reset();
    if (!_initializationTask) return;
    _initializationTask->cancel();
    _initializationTask.reset();
}

void GDrive::releaseDownloader()
{
    if (!_downloader) return;
    if (_downloader->busy()) _downloader->cancel();
    _downloader.reset();
}

void GDrive::setInitialized(bool initialized)
{
    if (initialized == _initialized) return;
    _initialized = initialized;
    NotificationCenter::defaultCenter().post(LinkedChangeNotification, this);
    updateActive();
}

void GDrive::updateActive()
{
    const bool active = NetworkController::networkAvailable() && isAuthorized() && _initialized;
    if (active == _isActive) return;
    _isActive = active;
    _tick.cancel();
    if (active) {
        _nextPollTime = now();
        checkPendingEvents();
    } else if (_synchronizer) {
        _synchronizer->cancel();
    }
    NotificationCenter::defaultCenter().post(ActiveChangeNotification, this);
}

void GDrive::onlineStateChanged(bool online)
{
    updateActive();
    // A set-up that failed for want of the network would otherwise wait for the next start.
    if (online && isAuthorized() && !_initialized && !_initializationTask && !_terminating) runInitializationTask();
}

// ---- periodic work

void GDrive::scheduleTick(double delay)
{
    if (!_setup.scheduler) return;
    _tick = _setup.scheduler->performAfterDelay(delay, [this] { checkPendingEvents(); });
}

void GDrive::checkPendingEvents()
{
    _tick.cancel();
    if (_terminationProcess) return;
    checkCacheCleanupPending();
    if (_isActive) {
        _identifierPool->checkIdentifierPoolSize();
        checkSyncPending();
        checkPollPending();
    }
    if (_initialized && !_terminationProcess) scheduleTick(TickInterval);
}

void GDrive::checkCacheCleanupPending()
{
    const double current = now();
    if (_nextCacheCleanTime > current) return;
    _nextCacheCleanTime = current + CacheCleanInterval * jitter();
    UserDefaults::standard().setDouble(CacheCleanDueKey, _nextCacheCleanTime);
    _cacheManager->cleanupCache(editorStorageId());
    cleanupThumbnails();
}

void GDrive::checkSyncPending()
{
    const double current = now();
    if (_nextSyncTime > current) return;
    _nextSyncTime = current + SyncInterval * jitter();
    synchronize();
}

void GDrive::checkPollPending()
{
    const double current = now();
    if (_nextPollTime > current) return;
    _nextPollTime = current + PollInterval * jitter();
    poll();
}

std::string GDrive::editorStorageId() const
{
    EditorInterface* editor = EditorInterfaceInstance();
    MindMapStorage* storage = editor ? editor->currentStorage() : nullptr;
    return storage && storage->provider() == _provider.get() ? storage->id() : std::string();
}

void GDrive::poll()
{
    const std::string open = editorStorageId();
    if (!open.empty()) _synchronizer->schedulePoll(open);
}

void GDrive::manualPoll()
{
    if (_isActive) poll();
}

void GDrive::highPrioritySynchronizeFile(const std::string& gdriveId)
{
    if (_isActive) _synchronizer->schedulePoll(gdriveId);
}

bool GDrive::locallyChanged(GDriveFileInfoItem* item) const
{
    return GDriveLocallyChanged(*_provider, *item);
}

size_t GDrive::synchronize()
{
    if (!_initialized || !NetworkController::online() || _terminationProcess) return 0;
    const std::string open = editorStorageId();
    std::vector<std::string> ids;
    for (GDriveFileInfoItem* item : _fileInfo->itemsList()) {
        if (item->gdriveId() == open || item->offlineAvailable() || locallyChanged(item))
            ids.push_back(item->gdriveId());
    }
    _nextSyncTime = now() + SyncInterval * jitter();
    if (!ids.empty()) _synchronizer->synchronizeFiles(ids);
    return ids.size();
}

void GDrive::manualSynchronize()
{
    FeedbackCenter& center = FeedbackCenter::feedbackCenter();
    if (!NetworkController::online()) {
        center.showEditorNotification(localized("gdrive_synchronization_error"), localized("no_network_available"),
                                      FeedbackStateError);
        return;
    }
    if (!_isActive) {
        center.showEditorNotification(localized("gdrive_synchronization_error"), localized("gdrive_disconnected_state"),
                                      FeedbackStateError);
        return;
    }
    const size_t count = synchronize();
    const char* countKey = count == 1 ? "gdrive_synchronizing_one_file" : "gdrive_synchronizing_nnn_files";
    center.showEditorNotification(localized("gdrive_synchronize"),
                                  count == 0 ? localized("gdrive_nothing_to_synchronize")
                                             : formatText(localized(countKey), {std::to_string(count)}),
                                  FeedbackStateInformation);
}

// ---- quit

std::shared_ptr<TerminationProcess> GDrive::startTerminationProcess()
{
    if (_terminationProcess) return nullptr;
    return startTerminationSynchronization();
}

std::shared_ptr<TerminationProcess> GDrive::startTerminationSynchronization()
{
    if (!isAuthorized() || !NetworkController::online() || _terminationProcess) return nullptr;
    std::vector<std::string> ids;
    for (GDriveFileInfoItem* item : _fileInfo->itemsList()) {
        if (locallyChanged(item)) ids.push_back(item->gdriveId());
    }
    if (ids.empty()) return nullptr;
    _tick.cancel();
    _terminationProcess = std::make_shared<GDriveTerminationProcess>(localized("gdrive_uploading_local_changes"),
                                                                     FeedbackCenter::gdriveImage());
    _synchronizer->terminateSynchronization(ids, _terminationProcess);
    return _terminationProcess;
}

// ---- single files

void GDrive::deleteLocalFile(const std::string& gdriveId, const std::string& parentFolderId)
{
    std::string parent = parentFolderId;
    if (GDriveFileInfoItem* item = _fileInfo->get(gdriveId)) {
        const std::string cacheFile = _provider->cacheFilePathForCacheFileInfo(item);
        std::error_code error;
        if (!cacheFile.empty()) fs::remove(cacheFile, error);
        if (parent.empty()) parent = item->parentId();
    }
    _fileInfo->remove(gdriveId);
    _folderCache->fileDeleted(gdriveId, parent);
    dispatchFolderChanged(parent);
    removeThumbnail(GDriveHexEncodedId(gdriveId));
    _provider->validateOpenStorages();
    EditorInterfaceInstance()->mindMapDeleted(_provider.get(), gdriveId);
}

void GDrive::fileExternallyChanged(const std::string& gdriveId)
{
    _provider->fileExternallyChanged(_provider->cacheFilePathForFileId(gdriveId));
    removeThumbnail(GDriveHexEncodedId(gdriveId));
}

void GDrive::dispatchFolderChanged(const std::string& folderId)
{
    if (folderId.empty()) return;
    NotificationCenter::defaultCenter().post(FolderChangedNotification, this, {{FolderIdKey, folderId}});
}

std::string GDrive::uniqueFileName(const std::string& name, const std::string& parentFolderId)
{
    return GDriveUniqueFileName(*_folderCache, *_fileInfo, name, parentFolderId);
}

std::string GDrive::uniqueFolderName(const std::string& name, const std::string& parentFolderId)
{
    return GDriveUniqueFolderName(*_folderCache, name, parentFolderId);
}

void GDrive::removeThumbnail(const std::string& thumbnailHash)
{
    if (_thumbnailImages && !thumbnailHash.empty())
        _thumbnailImages->deleteCustomImage(thumbnailStoreKey(thumbnailHash));
}

void GDrive::cleanupThumbnails()
{
    if (!_thumbnailImages) return;
    std::set<std::string> used;
    for (const std::string& hash : _fileInfo->getUsedThumbnailHashes()) used.insert(thumbnailStoreKey(hash));
    _thumbnailImages->deleteImagesExcept(used);
}
