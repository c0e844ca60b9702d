#include "dropbox/DropboxService.h"

#include "Editor/FeedbackCenter.h"
#include "Utils/TerminationProcess.h"
#include "Utils/URLUtils.h"
#include "cloud/AuthorizationRedirects.h"
#include "cloud/CacheFiles.h"
#include "dropbox/DropboxCacheMigration.h"
#include "editor-view/CloudDocumentLinks.h"
#include "platform/AlertPanel.h"
#include "platform/FileUtils.h"
#include "platform/Localizer.h"
#include "platform/TokenStore.h"
#include "platform/UriLauncher.h"
#include "platform/UserDefaults.h"
#include "platform/Utf8.h"
#include "store/CustomImageStore.h"
#include "store/EditorInterface.h"
#include "store/MindMapProviders.h"
#include "store/MindMapStorage.h"
#include "store/MindMapStore.h"

#include <glib.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <random>
#include <set>
#include <system_error>

namespace fs = std::filesystem;

namespace {

Dropbox* theInstance = nullptr;

std::string lowerCase(const std::string& text)
{
    gchar* lowered = g_utf8_strdown(text.c_str(), static_cast<gssize>(text.size()));
    std::string result = lowered ? lowered : text;
    g_free(lowered);
    return result;
}

bool samePath(const std::string& a, const std::string& b)
{
    return DropboxFileInfoCache::normalizeKey(a) == DropboxFileInfoCache::normalizeKey(b);
}

std::string withTrailingSlash(std::string folder)
{
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

void showEditorNotification(const std::string& titleKey, const std::string& message, unsigned state)
{
    FeedbackCenter::feedbackCenter().showEditorNotification(localized(titleKey), message, state);
}

// The process that waits for the upload at quit; the queue completes it.
class DropboxTerminationProcess : public TerminationProcess {
public:
    using TerminationProcess::TerminationProcess;
    void run() override {}
};

} // namespace

Dropbox::Dropbox(DropboxServiceSetup setup) : _setup(std::move(setup))
{
    // Parts made below may ask for the service while it is being built.
    theInstance = this;
    if (!_setup.now) _setup.now = [] { return DropboxFileInfoCache::currentDate(); };
    if (!_setup.random) {
        _setup.random = [] {
            static std::random_device device;
            return static_cast<uint32_t>(device());
        };
    }
    if (!_setup.engine) _setup.engine = &HttpEngine::shared();

    _provider = std::make_shared<DropboxProvider>(*this);
    MindMapProviders::instance().registerProvider(_provider);

    const std::string supportDirectory =
        _setup.supportDirectory.empty() ? MindMapStore::appSupportDirectory() : _setup.supportDirectory;
    _fileInfo = std::make_unique<DropboxFileInfoCache>((fs::path(supportDirectory) / RecordFileName).string());
    _fileInfo->setClock(_setup.now);
    // A record lost to a full or read-only disk means uploads repeated or maps kept unrecorded: the
    // user must hear of it, as of any save that fails.
    _fileInfo->setWriteFailureHandler([](const Error& error) {
        showEditorNotification("dropbox_synchronization_error", error.localizedDescription, FeedbackStateError);
    });
    const std::string cacheRoot = _provider->rootDirectory();
    if (!cacheRoot.empty()) {
        // The older cache lay beside the current one, in the store, under "dropbox".
        const fs::path store = fs::path(cacheRoot).parent_path().parent_path();
        convertCaseSensitiveCache(
            *_fileInfo, (store / "dropbox").string(),
            (fs::path(supportDirectory) / "dropbox-file-info-cache.xml").string(),
            [this](const std::string& dbPath) { return _provider->cacheFilePathForDbPath(dbPath); });
    }

    _cacheManager = std::make_unique<DropboxCacheManager>(*_fileInfo, cacheRoot);
    _cacheManager->setCachePathForDbPath(
        [this](const std::string& dbPath) { return _provider->cacheFilePathForDbPath(dbPath); });
    if (_setup.makeSyncQueue) _synchronizer = _setup.makeSyncQueue(*this);

    const double start = now();
    _nextPollTime = start + PollInterval * jitter();
    _nextSyncTime = start + SyncInterval * jitter();
    UserDefaults& defaults = UserDefaults::standard();
    if (!defaults.objectForKey(CacheCleanDueDateKey).isNone()) {
        _nextCacheCleanTime = defaults.doubleForKey(CacheCleanDueDateKey);
    } else {
        _nextCacheCleanTime = start + CacheCleanInterval * jitter();
        defaults.setDouble(CacheCleanDueDateKey, _nextCacheCleanTime);
    }
    _preloadPending = true;

    if (!cacheRoot.empty()) {
        const fs::path thumbnails = fs::path(cacheRoot).parent_path().parent_path() / ThumbnailFolderName;
        std::error_code error;
        fs::create_directories(thumbnails, error);
        _thumbnailImages = std::make_shared<CustomImageStore>(thumbnails.string());
    }

    _willTerminate = NotificationCenter::defaultCenter().addObserver(
        WillTerminateNotification, nullptr, [this](const Notification&) { willTerminateNotification(); });
}

Dropbox::~Dropbox()
{
    _tick.cancel();
    if (_observingNetwork) NetworkController::instance().unregisterObserver(this);
    if (_setup.tokens) {
        AuthorizationRedirects::removeHandler(TokenAccount);
        _setup.tokens->setUnlockHandler({});
    }
    cancelUserTasks();
    // A preloader keeps itself alive while it lists and calls back into this service: it ends
    // here, its request cancelled and its progress taken off the activity pane.
    if (auto preloader = _preloader.lock()) preloader->terminate();
    if (_synchronizer) _synchronizer->cancel();
    _provider->dropStorages();
    MindMapProviders::instance().unregisterProvider(_provider.get());
    if (theInstance == this) theInstance = nullptr;
}

Dropbox* Dropbox::instance()
{
    return theInstance;
}

bool Dropbox::userTaskBusy()
{
    return theInstance && !theInstance->_userTasks.empty();
}

double Dropbox::jitterFactor(uint32_t r)
{
    return 1.0 + static_cast<double>(r % 500) / 10000.0;
}

// ---- session and state

void Dropbox::initiateSession()
{
    if (_sessionStarted) return;
    _sessionStarted = true;
    if (_setup.tokens) {
        _oauth = std::make_unique<OAuthClient>(*_setup.engine, _setup.signIn, *_setup.tokens, TokenAccount);
        _oauth->setStoreFailureHandler([](const Error& error) {
            FeedbackCenter::feedbackCenter().addItemWithTitle(localized("db_disconnected_state"),
                                                              error.localizedDescription, FeedbackStateError,
                                                              FeedbackCenter::dropboxImage());
        });
        _client = std::make_unique<DropboxClient>(*_setup.engine, *_oauth, _setup.endpoints);
        AuthorizationRedirects::setHandler(TokenAccount,
                                           [this](const std::string& url) { return handleAuthorizationURL(url); });
        // A keyring may wait for its password: the state stays unknown until it answers, and the
        // OAuth client (owned here) drops the answer when the service goes first.
        _oauth->restore([this](const Error& error) {
            signInRead(error);
            sessionStateKnown();
        });
        // A keyring left locked at the start and unlocked later, in another program, brings the
        // sign-in then.
        _setup.tokens->setUnlockHandler([this] { keyringUnlocked(); });
        return;
    }
    sessionStateKnown();
}

void Dropbox::signInRead(const Error& error)
{
    _signInLocked = TokenStore::isKeyringLocked(error);
    if (error.isEmpty()) return;
    FeedbackCenter::feedbackCenter().addItemWithTitle(localized("db_disconnected_state"), error.localizedDescription,
                                                      FeedbackStateError, FeedbackCenter::dropboxImage());
}

void Dropbox::keyringUnlocked()
{
    if (!_signInLocked || !_oauth || _oauth->isLinked()) return;
    _signInLocked = false;
    _oauth->restore([this](const Error& error) {
        signInRead(error);
        updateAuthorized();
        std::optional<LockedOpen> waiting = std::move(_openOnceUnlocked);
        _openOnceUnlocked.reset();
        // The map asked for while the keyring was locked follows, unless the user went to another.
        if (_isAuthorized && waiting && waiting->editorStorage == currentEditorStorage())
            openMindMap(waiting->dbPath, waiting->info);
    });
}

std::string Dropbox::currentEditorStorage()
{
    EditorInterface* editor = EditorInterfaceInstance();
    MindMapStorage* storage = editor ? editor->currentStorage() : nullptr;
    return storage ? storage->providerId() + "/" + storage->id() : std::string();
}

void Dropbox::sessionStateKnown()
{
    const bool wasAuthorized = _isAuthorized;
    updateAuthorized();
    // A start without an account still tells everyone, so that the views show "not linked".
    if (!_isAuthorized && !wasAuthorized) performAuthorizedChanged();
    _signInKnown = true;
    std::vector<std::function<void()>> waiting = std::move(_waitingForSignIn);
    _waitingForSignIn.clear();
    for (const std::function<void()>& then : waiting) then();
}

void Dropbox::whenSignInKnown(std::function<void()> then)
{
    // Before the session starts nothing is being read that could change the answer.
    if (_signInKnown || !_sessionStarted) return then();
    _waitingForSignIn.push_back(std::move(then));
}

DropboxClient* Dropbox::dropboxClient()
{
    return (_oauth && _oauth->isLinked() && _client) ? _client.get() : nullptr;
}

void Dropbox::updateAuthorized()
{
    const bool authorized = dropboxClient() != nullptr;
    if (authorized == _isAuthorized) return;
    _isAuthorized = authorized;
    performAuthorizedChanged();
}

void Dropbox::performAuthorizedChanged()
{
    setInitialized(false);
    // Written while inactive, the open map's edits wait in the cache for the next sign-in instead
    // of starting an upload that has no account to go with.
    MindMapStorage* keep = _isAuthorized ? nullptr : commitOpenMap();
    _provider->setEnabled(_isAuthorized);
    NetworkController& network = NetworkController::instance();
    if (_isAuthorized) {
        if (!_observingNetwork) network.registerObserver(this);
        _observingNetwork = true;
        // Edits kept while the sign-in was lost go up now, not at the next periodic run.
        if (_signInLost) _nextSyncTime = now();
        _signInLost = false;
    } else {
        cancelUserTasks();
        if (_synchronizer) _synchronizer->cancel();
        dropStoragesExcept(keep);
        _provider->dropSearchCache();
        if (_observingNetwork) network.unregisterObserver(this);
        _observingNetwork = false;
    }
    NotificationCenter::defaultCenter().post(StateChangeNotification, this);
    // Nothing needs preparing once signed in.
    if (_isAuthorized) setInitialized(true);
}

MindMapStorage* Dropbox::commitOpenMap()
{
    if (editorDropboxStorageId().empty()) return nullptr;
    EditorInterface* editor = EditorInterfaceInstance();
    // Signing out or a folder gone is no answer to a rename being typed in the window: it stays
    // open, and the map is written without it.
    OpenRenamesKept renames;
    editor->commitModelessEditors();
    if (editor->commitEditor()) return nullptr;
    // Its edits exist only in the window: the map stays open there rather than go with them.
    return editor->currentStorage();
}

void Dropbox::dropStoragesExcept(MindMapStorage* keep)
{
    const auto snapshot = _provider->storages();
    for (auto it = snapshot.rbegin(); it != snapshot.rend(); ++it) {
        if (it->get() != keep) (*it)->dispose();
    }
}

void Dropbox::setInitialized(bool initialized)
{
    if (initialized == _isInitialized) return;
    _isInitialized = initialized;
    _isActive = false;
    NotificationCenter::defaultCenter().post(StateChangeNotification, this);
    updateActive();
}

void Dropbox::updateActive()
{
    const bool active = _isInitialized && NetworkController::networkAvailable();
    if (active == _isActive) return;
    _isActive = active;
    _tick.cancel();
    if (!active) {
        if (_synchronizer) _synchronizer->cancel();
        return;
    }
    _nextPollTime = now();
    checkPendingEvents();
}

void Dropbox::onlineStateChanged(bool)
{
    updateActive();
}

void Dropbox::authorize(const std::any&)
{
    if (!_oauth) {
        FeedbackCenter::feedbackCenter().showEditorNotification(localized("db_disconnected_state"),
                                                                localized("dropbox_not_available"), FeedbackStateError);
        return;
    }
    const std::string url = _oauth->beginAuthorization([this](const OAuthResult& result) {
        if (!result.ok()) {
            FeedbackCenter::feedbackCenter().showEditorNotification(localized("db_disconnected_state"), result.message,
                                                                    FeedbackStateError);
        }
        updateAuthorized();
    });
    if (!UriLauncher::shared().openURL(url)) {
        FeedbackCenter::feedbackCenter().showEditorNotification(localized("db_disconnected_state"), url,
                                                                FeedbackStateError);
    }
}

bool Dropbox::handleAuthorizationURL(const std::string& url)
{
    return _oauth && _oauth->handleRedirect(url);
}

bool Dropbox::checkAuthorizationError(const DropboxNetworkError& error)
{
    if (!error.isAuthError()) return false;
    reauthenticationRequired();
    return true;
}

void Dropbox::reauthenticationRequired()
{
    if (!dropboxClient()) return;
    _signInLost = true;
    _oauth->unlink();
    updateAuthorized();
    showEditorNotification("db_disconnected_state", localized("dropbox_reauthentication_required"), FeedbackStateError);
}

void Dropbox::deauthorize()
{
    if (!dropboxClient()) return;
    AlertPanel::Request request;
    request.messageText = localized("db_disconnect");
    request.informativeText = localized("db_warning_unlinking_consequences");
    request.buttons = {{localized("db_disconnect_condensed"), ""}, {localized("cancel_button_title"), "\033"}};
    if (AlertPanel::shared().runModal(request).button != AlertPanel::FirstButtonReturn) return;
    performDeauthorize();
}

void Dropbox::performDeauthorize()
{
    setInitialized(false);
    if (_oauth) _oauth->unlink();
    dropPersonality();
    const std::string root = _provider->rootDirectory();
    if (!root.empty()) {
        std::error_code error;
        fs::remove_all(root, error);
    }
    updateAuthorized();
}

void Dropbox::dropPersonality()
{
    cancelUserTasks();
    _provider->dropStorages();
    _provider->dropSearchCache();
    if (_thumbnailImages) _thumbnailImages->deleteAllImages();
    _browsingCache.clear();
    _fileInfo->clear();
    EditorInterfaceInstance()->removeProviderEntries(_provider.get());
}

void Dropbox::willTerminateNotification()
{
    _terminating = true;
}

void Dropbox::terminateSession()
{
    if (!_sessionStarted) return;
    _sessionStarted = false;
    _willTerminate.reset();
    if (_observingNetwork) NetworkController::instance().unregisterObserver(this);
    _observingNetwork = false;
}

std::vector<std::string> Dropbox::locallyChangedPaths(bool includeOpenAndOffline) const
{
    const std::string openId = includeOpenAndOffline ? editorDropboxStorageId() : std::string();
    std::vector<std::string> paths;
    for (DropboxFileInfoItem* item : _fileInfo->itemsList()) {
        const std::string cacheFile = _provider->cacheFilePathForDbPath(item->path());
        std::error_code error;
        if (cacheFile.empty() || !fs::is_regular_file(cacheFile, error)) continue;
        bool wanted = item->isNew();
        if (!wanted) {
            const std::optional<double> date = fileModificationDate(cacheFile);
            wanted = date && (!item->localModified() || !sameRecordDate(*date, *item->localModified()));
        }
        if (!wanted && includeOpenAndOffline) {
            wanted = item->offlineAvailable() || (!openId.empty() && samePath(openId, item->path()));
        }
        if (wanted) paths.push_back(item->path());
    }
    return paths;
}

std::shared_ptr<TerminationProcess> Dropbox::startTerminationProcess()
{
    cancelUserTasks();
    if (_terminationProcess) return nullptr;
    if (!_isActive || !_synchronizer) return nullptr;
    const std::vector<std::string> paths = pathsToUploadAtQuit();
    if (paths.empty()) return nullptr;
    _tick.cancel();
    _terminationProcess = std::make_shared<DropboxTerminationProcess>(localized("dropbox_uploading_local_changes"),
                                                                      FeedbackCenter::dropboxImage());
    _synchronizer->terminateSynchronization(paths, _terminationProcess);
    return _terminationProcess;
}

// ---- timers and synchronisation

void Dropbox::scheduleTick(double delay)
{
    if (!_setup.scheduler) return;
    _tick = _setup.scheduler->performAfterDelay(delay, [this] { checkPendingEvents(); });
}

void Dropbox::checkPendingEvents()
{
    _tick.cancel();
    if (_terminationProcess) return;
    checkCacheCleanupPending();
    if (_isActive) {
        checkSyncPending();
        checkPollPending();
        checkPreloadPending();
    }
    if (_isInitialized && !_terminationProcess) scheduleTick(TickInterval);
}

void Dropbox::checkCacheCleanupPending()
{
    const double current = now();
    if (_nextCacheCleanTime > current) return;
    _nextCacheCleanTime = current + CacheCleanInterval * jitter();
    UserDefaults::standard().setDouble(CacheCleanDueDateKey, _nextCacheCleanTime);
    _cacheManager->cleanupCache(editorDropboxStorageId());
    if (_thumbnailImages) {
        const std::vector<std::string> used = _fileInfo->getUsedThumbnailHashes();
        _thumbnailImages->deleteImagesExcept(std::set<std::string>(used.begin(), used.end()));
    }
}

void Dropbox::checkSyncPending()
{
    const double current = now();
    if (_nextSyncTime > current) return;
    _nextSyncTime = current + SyncInterval * jitter();
    synchronize();
}

void Dropbox::checkPollPending()
{
    const double current = now();
    if (_nextPollTime > current) return;
    _nextPollTime = current + PollInterval * jitter();
    const std::string openId = editorDropboxStorageId();
    if (!openId.empty() && _synchronizer) _synchronizer->schedulePoll(openId);
}

void Dropbox::checkPreloadPending()
{
    if (!_preloadPending) return;
    _preloadPending = false;
    auto preloader = DropboxMetadataPreloader::create(*this);
    _preloader = preloader;
    preloader->run();
}

size_t Dropbox::synchronize()
{
    if (!_isInitialized || !NetworkController::online() || _terminationProcess) return 0;
    const std::vector<std::string> paths = locallyChangedPaths(true);
    _nextSyncTime = now() + SyncInterval * jitter();
    if (!paths.empty() && _synchronizer) _synchronizer->synchronizeFiles(paths, DropboxSyncQueue::Periodic);
    return paths.size();
}

void Dropbox::highPrioritySynchronizeFile(const std::string& dbPath)
{
    if (_isActive && _synchronizer) _synchronizer->schedulePoll(dbPath);
}

void Dropbox::manualSynchronize()
{
    if (!NetworkController::online()) {
        showEditorNotification("dropbox_synchronization_error", localized("no_network_available"), FeedbackStateError);
        return;
    }
    if (!_isActive) {
        showEditorNotification("dropbox_synchronization_error", localized("db_disconnected_state"), FeedbackStateError);
        return;
    }
    const size_t count = synchronize();
    const char* countKey = count == 1 ? "gdrive_synchronizing_one_file" : "gdrive_synchronizing_nnn_files";
    const std::string message = count > 0 ? formatText(localized(countKey), {std::to_string(count)})
                                          : localized("gdrive_nothing_to_synchronize");
    showEditorNotification("db_synchronize", message, FeedbackStateInformation);
}

std::string Dropbox::editorDropboxStorageId() const
{
    EditorInterface* editor = EditorInterfaceInstance();
    MindMapStorage* storage = editor->currentStorage();
    if (!storage || editor->currentProvider() != _provider.get()) return {};
    return storage->id();
}

// ---- user tasks

void Dropbox::userTaskStarted(const std::shared_ptr<DropboxUserTask>& task)
{
    if (!task || std::find(_userTasks.begin(), _userTasks.end(), task) != _userTasks.end()) return;
    _userTasks.push_back(task);
    NotificationCenter::defaultCenter().post(UserTaskChangeNotification, this);
}

void Dropbox::userTaskCompleted(DropboxUserTask* task)
{
    auto it = std::find_if(_userTasks.begin(), _userTasks.end(), [task](const auto& t) { return t.get() == task; });
    if (it == _userTasks.end()) return;
    // The task may be the caller: it stays alive until this call returns.
    std::shared_ptr<DropboxUserTask> keep = *it;
    _userTasks.erase(it);
    NotificationCenter::defaultCenter().post(UserTaskChangeNotification, this);
}

void Dropbox::releaseDownloader()
{
    if (!_downloader) return;
    if (_downloader->isBusy()) _downloader->cancel();
    userTaskCompleted(_downloader.get());
    _downloader.reset();
}

void Dropbox::cancelUserTasks()
{
    releaseDownloader();
    const std::vector<std::shared_ptr<DropboxUserTask>> tasks = _userTasks;
    for (const auto& task : tasks) {
        task->cancel();
        userTaskCompleted(task.get());
    }
}

DropboxDownloader* Dropbox::availableDownloader()
{
    if (!_isInitialized) return nullptr;
    if (!_downloader) {
        if (!_synchronizer) return nullptr;
        _downloader = _synchronizer->makeDownloader();
    }
    if (!_downloader || _downloader->isBusy()) return nullptr;
    return _downloader.get();
}

void Dropbox::startDownloaderOperation(const std::string& dbPath, UserInfo userInfo)
{
    DropboxDownloader* downloader = availableDownloader();
    if (!downloader) return;
    userTaskStarted(_downloader);
    downloader->getMostRecentVersion(
        dbPath, userInfo, [this](const UserInfo& info, const std::string& error) { syncCompleted(info, error); });
}

void Dropbox::syncCompleted(const UserInfo& userInfo, const std::string& error)
{
    // The downloader stays ours while the operation runs on.
    std::shared_ptr<DropboxDownloader> downloader = _downloader;
    Notification info{"", nullptr, userInfo};
    const std::string dbPath = info.value<std::string>("dbPath");
    if (!error.empty()) {
        showEditorNotification("error_title_error_opening_document", error, FeedbackStateError);
    } else {
        switch (info.value<int>("operation", 0)) {
        case OpenMap: {
            auto found = userInfo.find("info");
            EditorInterfaceInstance()->openStorage(_provider.get(), dbPath,
                                                   found == userInfo.end() ? std::any() : found->second);
            break;
        }
        case OpenDocument:
            openDownloadedDocument(dbPath, info.value<std::string>("params"));
            break;
        case MakeOffline:
            _fileInfo->setOfflineAvailable(dbPath, true);
            dispatchDirectoryChanged(parentFolder(dbPath));
            break;
        case Duplicate:
            doDuplicateFile(dbPath);
            break;
        case CopyToCloud:
            doCopyToCloud(userInfo);
            break;
        default:
            break;
        }
    }
    if (downloader) userTaskCompleted(downloader.get());
}

void Dropbox::openMindMap(const std::string& dbPath, const std::any& info)
{
    if (!_isAuthorized && _signInLocked) {
        // The sign-in is in a keyring the user left locked: the map follows once it is unlocked.
        _openOnceUnlocked = LockedOpen{dbPath, info, currentEditorStorage()};
        return;
    }
    if (!availableDownloader()) return;
    const std::string cacheFile = _provider->cacheFilePathForDbPath(dbPath);
    std::error_code error;
    if (!cacheFile.empty() && fs::is_regular_file(cacheFile, error)) {
        EditorInterfaceInstance()->openStorage(_provider.get(), dbPath, info);
        highPrioritySynchronizeFile(dbPath);
        return;
    }
    UserInfo userInfo{{"operation", static_cast<int>(OpenMap)}, {"dbPath", dbPath}};
    if (info.has_value()) userInfo["info"] = info;
    startDownloaderOperation(dbPath, std::move(userInfo));
}

std::pair<std::string, std::string> Dropbox::splitCloudLink(const std::string& link)
{
    CloudDocumentLinks::CloudLink split = CloudDocumentLinks::splitCloudLink(link);
    return {std::move(split.target), split.params.value_or(std::string())};
}

void Dropbox::openCloudLink(const std::string& link)
{
    if (link.empty()) return;
    auto [dbPath, parameters] = splitCloudLink(link);
    UserInfo userInfo{{"operation", static_cast<int>(OpenDocument)}, {"dbPath", dbPath}};
    if (!parameters.empty()) userInfo["params"] = parameters;
    startDownloaderOperation(dbPath, std::move(userInfo));
}

void Dropbox::openDownloadedDocument(const std::string& dbPath, const std::string& parameters)
{
    const std::string cacheFile = _provider->cacheFilePathForDbPath(dbPath);
    // A downloaded file is anyone's: one that would run (a program, a launcher) is only shown in the
    // file manager, by the rule of document links, and a page goes to the PDF viewer alone.
    auto open = _setup.openDocument ? _setup.openDocument : CloudDocumentLinks::openDownloadedDocument;
    if (!parameters.empty() && open(cacheFile, parameters)) return;
    if (open(cacheFile, {})) return;
    showEditorNotification("error_title_error_opening_document", dbPath, FeedbackStateError);
}

void Dropbox::makeOffLineAvailable(const std::string& dbPath)
{
    startDownloaderOperation(dbPath, {{"operation", static_cast<int>(MakeOffline)}, {"dbPath", dbPath}});
}

void Dropbox::duplicateFile(const std::string& dbPath)
{
    if (!availableDownloader()) return;
    EditorInterfaceInstance()->commitEditor();
    startDownloaderOperation(dbPath, {{"operation", static_cast<int>(Duplicate)}, {"dbPath", dbPath}});
}

void Dropbox::copyToCloud(const std::string& sourcePath, MindMapProvider* targetProvider,
                          const std::string& targetDirectory)
{
    if (!availableDownloader()) return;
    EditorInterfaceInstance()->commitEditor();
    UserInfo userInfo{{"operation", static_cast<int>(CopyToCloud)},
                      {"dbPath", sourcePath},
                      {"sourcePath", sourcePath},
                      {"targetDirectory", targetDirectory}};
    if (targetProvider) userInfo["targetProvider"] = targetProvider->id();
    startDownloaderOperation(sourcePath, std::move(userInfo));
}

void Dropbox::doDuplicateFile(const std::string& dbPath)
{
    const std::string cacheFile = _provider->cacheFilePathForDbPath(dbPath);
    const std::optional<std::vector<uint8_t>> read =
        cacheFile.empty() ? std::nullopt : readFileData(cacheFile, MaximumCloudFileSize);
    if (!read) return;
    const std::vector<uint8_t>& bytes = *read;
    const fs::path path(dbPath);
    const std::string folder = parentFolder(dbPath);
    const std::string name = getUniqueFileName(path.stem().string() + " Copy" + path.extension().string(), folder);
    const std::string newPath = _provider->createNewFile(name, folder, bytes);
    if (newPath.empty()) {
        FeedbackCenter::feedbackCenter().addItemWithTitle(localized("db_duplicate_error"), "", FeedbackStateError);
        return;
    }
    openMindMap(newPath, {});
    std::string title = localized("gdrive_mindmap_duplicated");
    for (size_t at = title.find("%s"); at != std::string::npos; at = title.find("%s", at + 2))
        title.replace(at, 2, "%@");
    FeedbackCenter::feedbackCenter().addItemWithTitle(formatText(title, {name}), newPath, FeedbackStateInformation,
                                                      FeedbackCenter::dropboxImage());
}

void Dropbox::doCopyToCloud(const UserInfo& userInfo)
{
    Notification info{"", nullptr, userInfo};
    const std::string providerId = info.value<std::string>("targetProvider");
    const std::string sourcePath = info.value<std::string>("sourcePath");
    const std::string targetDirectory = info.value<std::string>("targetDirectory");
    MindMapProvider* target = MindMapProviders::instance().getProviderById(providerId);
    if (!target || target == _provider.get() || sourcePath.empty() || targetDirectory.empty()) return;
    const std::optional<std::vector<uint8_t>> bytes =
        readFileData(_provider->cacheFilePathForDbPath(sourcePath), MaximumCloudFileSize);
    if (!bytes) return;
    target->performCopyToCloud(targetDirectory, fs::path(sourcePath).stem().string(), *bytes);
}

void Dropbox::getImageFromLink(const std::string& dbPath, const MindMapProvider::ImageAvailableCallback& onAvailable)
{
    // Images come through the shared downloader, as a user operation, until a downloader of their
    // own exists.
    DropboxDownloader* downloader = (_userTasks.empty()) ? availableDownloader() : nullptr;
    if (!downloader) {
        if (onAvailable) onAvailable({}, {});
        return;
    }
    userTaskStarted(_downloader);
    std::shared_ptr<DropboxDownloader> keep = _downloader;
    downloader->getMostRecentVersion(
        dbPath, {{"dbPath", dbPath}}, [this, keep, dbPath, onAvailable](const UserInfo&, const std::string& error) {
            if (onAvailable) {
                onAvailable(error.empty() ? _provider->cacheFilePathForDbPath(dbPath) : std::string(), dbPath);
            }
            userTaskCompleted(keep.get());
        });
}

// ---- cache operations

std::string Dropbox::parentFolder(const std::string& dbPath) const
{
    const size_t slash = dbPath.find_last_of('/');
    return slash == std::string::npos || slash == 0 ? std::string("/") : dbPath.substr(0, slash);
}

void Dropbox::folderContentsLoaded(const std::vector<DropboxMetadata>& entries, const std::string& dbFolder,
                                   uint64_t askedAtRevision)
{
    _browsingCache.put(dbFolder, entries);
    const std::string openId = editorDropboxStorageId();
    if (openId.empty()) return;
    if (lowerCase(withTrailingSlash(parentFolder(openId))) != lowerCase(withTrailingSlash(dbFolder))) return;
    DropboxFileInfoItem* record = _fileInfo->get(openId);
    if (!record || record->isNew()) return;
    // A map that went up after the listing was asked for is missing from it only because the
    // listing is older: its copy here is the one just uploaded.
    if (record->revisedAt() > askedAtRevision) return;
    if (DropboxBrowsingCache::metadataContainsFilename(entries, fs::path(openId).filename().string())) return;
    // Edits not yet sent would go with the local copy: the map stays, to go up again as a new file.
    const std::optional<double> date = fileModificationDate(_provider->cacheFilePathForDbPath(openId));
    const bool changedHere = EditorInterfaceInstance()->isEditorModified() ||
        (date && (!record->localModified() || !sameRecordDate(*date, *record->localModified())));
    if (changedHere) {
        record->setRev(DropboxFileInfoItem::makeNewFileRev());
        _fileInfo->changed();
        showEditorNotification("db_file_not_found", formatText(localized("db_file_kept_as_new"), {openId}),
                               FeedbackStateWarning);
        return;
    }
    deleteLocalFile(openId);
    showEditorNotification("db_file_not_found", openId, FeedbackStateError);
}

std::string Dropbox::getUniqueFileName(const std::string& name, const std::string& dbFolder) const
{
    return _provider->getUniqueFileName(name, dbFolder);
}

bool Dropbox::isFileOpenInEditor(const std::string& dbPath) const
{
    const std::string openId = editorDropboxStorageId();
    return !openId.empty() && samePath(openId, dbPath);
}

bool Dropbox::hasUnsentChanges(const std::string& dbPath) const
{
    const DropboxFileInfoItem* record = _fileInfo->get(dbPath);
    if (record && hasLocalWork(*record)) return true;
    return isFileOpenInEditor(dbPath) && EditorInterfaceInstance()->isEditorModified();
}

void Dropbox::deleteLocalFile(const std::string& dbPath)
{
    const std::string cacheFile = _provider->cacheFilePathForDbPath(dbPath);
    if (!cacheFile.empty()) {
        std::error_code error;
        fs::remove(cacheFile, error);
    }
    removeThumbnail(dbPath);
    _fileInfo->remove(dbPath);
    _provider->validateOpenStorages();
    EditorInterfaceInstance()->mindMapDeleted(_provider.get(), dbPath);
    dispatchDirectoryChanged(parentFolder(dbPath));
}

bool Dropbox::hasLocalWork(const DropboxFileInfoItem& record) const
{
    if (record.isNew()) return true;
    const std::optional<double> date = fileModificationDate(_provider->cacheFilePathForDbPath(record.path()));
    return date && (!record.localModified() || !sameRecordDate(*date, *record.localModified()));
}

void Dropbox::directoryDeleted(const std::string& dbFolder, bool deletedByUser)
{
    const std::string cacheFolder = _provider->cacheFilePathForDbPath(dbFolder);
    // The root is the account itself: whatever is said of it, nothing it holds goes.
    if (cacheFolder.empty() || withTrailingSlash(cacheFolder) == withTrailingSlash(_provider->rootDirectory())) return;
    _browsingCache.directoryDeleted(dbFolder);

    // The open map's edits are judged with the rest once they are on disk; those that cannot be
    // written keep the map as well.
    const std::string folderKey = DropboxFileInfoCache::normalizeKey(withTrailingSlash(dbFolder));
    const std::string openId = editorDropboxStorageId();
    const bool openInside = !openId.empty() && DropboxFileInfoCache::normalizeKey(openId).rfind(folderKey, 0) == 0;
    const bool openUnwritten = !deletedByUser && openInside && commitOpenMap() != nullptr;

    struct Kept {
        std::string dbPath;
        bool offline;
    };
    std::vector<Kept> kept;
    std::set<std::string> keptFiles;
    for (DropboxFileInfoItem* record : deletedByUser ? std::vector<DropboxFileInfoItem*>() : _fileInfo->itemsList()) {
        if (DropboxFileInfoCache::normalizeKey(record->path()).rfind(folderKey, 0) != 0) continue;
        const std::string cacheFile = _provider->cacheFilePathForDbPath(record->path());
        std::error_code error;
        if (cacheFile.empty() || !fs::is_regular_file(cacheFile, error)) continue;
        if (!hasLocalWork(*record) && !(openUnwritten && samePath(record->path(), openId))) continue;
        kept.push_back({record->path(), record->offlineAvailable()});
        keptFiles.insert(cacheFile);
    }

    removeTreeExcept(cacheFolder, keptFiles);
    _fileInfo->beginUpdate();
    _fileInfo->directoryDeleted(dbFolder);
    for (const Kept& map : kept) {
        const std::string cacheFile = _provider->cacheFilePathForDbPath(map.dbPath);
        DropboxFileInfoItem* record =
            _fileInfo->update(map.dbPath, fileModificationDate(cacheFile), DropboxFileInfoItem::makeNewFileRev());
        if (record) record->setOfflineAvailable(map.offline);
    }
    _fileInfo->endUpdate();
    _provider->validateOpenStorages();
    dispatchDirectoryChanged(parentFolder(dbFolder));
    dispatchDirectoryChanged(dbFolder);
    for (const Kept& map : kept) {
        showEditorNotification("db_directory_not_found", formatText(localized("db_file_kept_as_new"), {map.dbPath}),
                               FeedbackStateWarning);
        highPrioritySynchronizeFile(map.dbPath);
    }
}

void Dropbox::fileExternallyChanged(const std::string& dbPath)
{
    _provider->fileExternallyChanged(_provider->cacheFilePathForDbPath(dbPath));
    removeThumbnail(dbPath);
}

void Dropbox::removeThumbnail(const std::string& dbPath)
{
    if (_thumbnailImages) _thumbnailImages->deleteCustomImage(DropboxFileInfoItem::thumbnailHashForPath(dbPath));
}

void Dropbox::dispatchDirectoryChanged(const std::string& dbFolder)
{
    NotificationCenter::defaultCenter().post(DirectoryChangedNotification, this,
                                             {{"path", withTrailingSlash(dbFolder)}});
}

HistoryList* Dropbox::recentHistory()
{
    return _recentHistory;
}
