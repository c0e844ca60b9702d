#include "GoogleDrive/GDriveExplorer.h"

#include "Editor/EditorDocument.h"
#include "GoogleDrive/GDriveFileInfoCache.h"
#include "GoogleDrive/GDriveFolderCache.h"
#include "GoogleDrive/GDriveProvider.h"
#include "GoogleDrive/GDriveService.h"
#include "MindMaps/ImageStore.h"
#include "explorers/ExplorerBrowserController.h"
#include "explorers/FileNameDialog.h"
#include "platform/Image.h"
#include "platform/Localizer.h"
#include "store/EditorInterface.h"
#include "store/MindMapProviders.h"
#include "store/MindMapStorage.h"

#include <glib.h>

#include <filesystem>
#include <set>

namespace fs = std::filesystem;

namespace {

GDriveExplorer::ServiceSource& serviceSource()
{
    static GDriveExplorer::ServiceSource source;
    return source;
}

GDriveExplorer::ListerFactory& listerFactory()
{
    static GDriveExplorer::ListerFactory factory;
    return factory;
}

std::string lowered(const std::string& text)
{
    gchar* folded = g_utf8_casefold(text.c_str(), -1);
    std::string result = folded ? folded : text;
    g_free(folded);
    return result;
}

// The names of the folders from the root's child down to the folder; nothing when the cache does
// not lead from the folder to the root. The cache is read from a file: a parent chain that loops
// ends the walk.
std::optional<std::vector<const GDriveFolderInfoItem*>> cachedChain(const GDriveFolderCache& cache,
                                                                    const std::string& folderId)
{
    std::vector<const GDriveFolderInfoItem*> chain;
    std::set<std::string> seen;
    const GDriveFolderInfoItem* folder = cache.get(folderId);
    while (folder && !folder->isRootFolder()) {
        if (!seen.insert(folder->gdriveId()).second) return std::nullopt;
        chain.push_back(folder);
        folder = folder->parentId() ? cache.get(*folder->parentId()) : nullptr;
    }
    if (!folder) return std::nullopt;
    return std::vector<const GDriveFolderInfoItem*>(chain.rbegin(), chain.rend());
}

// The pane's view of the application's Drive service.
class ApplicationDrive : public GDriveExplorerService {
public:
    explicit ApplicationDrive(GDrive& drive) : _drive(drive) {}

    GDriveTaskService& taskService() override { return _drive; }
    bool isLinked() const override { return _drive.isLinked(); }
    bool isAuthorized() const override { return _drive.isAuthorized(); }
    bool userTaskBusy() const override { return GDrive::userTaskBusy(); }
    GDriveProvider* provider() override { return _drive.provider(); }
    GDriveFolderCache& folderCache() override { return _drive.folderCache(); }
    GDriveFileInfoCache& fileInfo() override { return _drive.fileInfo(); }
    void openMindMap(const std::string& gdriveId, const std::any& info) override { _drive.openMindMap(gdriveId, info); }
    void openCloudLink(const std::string& gdriveId) override { _drive.openCloudLink(gdriveId); }
    void convertNonNativeMindMap(const std::string& gdriveId) override { _drive.convertNonNativeMindMap(gdriveId); }
    void duplicateFile(const std::string& gdriveId) override { _drive.duplicateFile(gdriveId); }
    void copyToCloud(const std::string& gdriveId, MindMapProvider* target, const std::string& folder) override
    {
        _drive.copyToCloud(gdriveId, target, folder);
    }
    void setOffLineAvailable(const std::string& gdriveId, bool value) override
    {
        _drive.setOffLineAvailable(gdriveId, value);
    }
    void manualSynchronize() override { _drive.manualSynchronize(); }
    void addFolder(const std::string& name, const std::string& parentFolderId) override
    {
        _drive.addFolder(name, parentFolderId);
    }
    void renameFile(const std::string& gdriveId, bool isFolder, const std::string& newName,
                    const std::string& parentFolderId) override
    {
        _drive.renameFile(gdriveId, isFolder, newName, parentFolderId);
    }
    void deleteFromGDrive(const std::string& gdriveId, bool isFolder, const std::string& parentFolderId) override
    {
        _drive.deleteFromGDrive(gdriveId, isFolder, parentFolderId);
    }
    void moveFile(const std::string& gdriveId, bool isFolder, const std::string& fromFolder,
                  const std::string& toFolder) override
    {
        _drive.moveFile(gdriveId, isFolder, fromFolder, toFolder);
    }
    std::string uniqueFileName(const std::string& name, const std::string& parentFolderId) override
    {
        return _drive.uniqueFileName(name, parentFolderId);
    }
    std::string uniqueFolderName(const std::string& name, const std::string& parentFolderId) override
    {
        return _drive.uniqueFolderName(name, parentFolderId);
    }
    std::shared_ptr<const Image> getThumbnailForFileId(const std::string& gdriveId) override
    {
        return _drive.getThumbnailForFileId(gdriveId);
    }

    GDrive& drive() const { return _drive; }

private:
    GDrive& _drive;
};

} // namespace

void GDriveExplorer::setServiceSource(ServiceSource source)
{
    serviceSource() = std::move(source);
}

GDriveExplorerService* GDriveExplorer::currentService()
{
    if (serviceSource()) return serviceSource()();
    GDrive* drive = GDrive::instance();
    if (!drive) return nullptr;
    // The service is made once a run; a new one (tests make several) gets a view of its own.
    static std::unique_ptr<ApplicationDrive> view;
    if (!view || &view->drive() != drive) view = std::make_unique<ApplicationDrive>(*drive);
    return view.get();
}

std::vector<const char*> GDriveExplorer::connectionChangeNotifications()
{
    return {GDrive::AuthorizationChangeNotification, GDrive::LinkedChangeNotification};
}

void GDriveExplorer::setListerFactory(ListerFactory factory)
{
    listerFactory() = std::move(factory);
}

GDriveExplorer::GDriveExplorer(int32_t explorerMode) : ServiceCloudExplorer(explorerMode)
{
    cancelListerAndRecreate(true);
    loadShowThumbnails();
    adapter().setCaseSensitive(true);
    _observations.push_back(NotificationCenter::defaultCenter().addObserver(
        ImageStore::CustomImagesChangedNotification, nullptr, [this](const Notification&) { thumbnailsChanged(); }));
    registerActions();
}

GDriveExplorer::~GDriveExplorer()
{
    _observations.clear();
    cancelListerAndRecreate(false);
    if (_observingNetwork) NetworkController::instance().unregisterObserver(this);
    adapter().setDelegate(nullptr);
}

std::string GDriveExplorer::title() const
{
    if (MindMapProvider* own = provider()) return own->title();
    return localized("gdrive_title");
}

MindMapProvider* GDriveExplorer::provider() const
{
    GDriveExplorerService* drive = service();
    return drive ? drive->provider() : nullptr;
}

// ---- set-up and state

void GDriveExplorer::loadView()
{
    CloudExplorer::loadView();
    if (BreadcrumbBar* bar = breadcrumbBar()) {
        bar->setRootPath(RootPath);
        bar->setNavigationListener(this);
    }
    updateBreadcrumbRoot();
    setEmptyText("gdrive_disconnected_state");
    setUpRowsForMode(DragType);
    NotificationCenter& center = NotificationCenter::defaultCenter();
    _observations.push_back(
        center.addObserver(GDrive::FolderChangedNotification, nullptr, [this](const Notification& notification) {
            directoryChanged(notification.value<std::string>(GDrive::FolderIdKey));
        }));
    for (const char* name : {GDrive::AuthorizationChangeNotification, GDrive::ActiveChangeNotification,
                             GDrive::LinkedChangeNotification}) {
        _observations.push_back(center.addObserver(name, nullptr, [this](const Notification&) {
            refreshGDriveState();
            windowDidUpdate();
        }));
    }
    _observations.push_back(center.addObserver(GDrive::UserTaskChangeNotification, nullptr,
                                               [this](const Notification&) { windowDidUpdate(); }));
    _observations.push_back(center.addObserver(AfterChangingMindMapNotification, nullptr,
                                               [this](const Notification&) { currentMindMapChanged(); }));
    _viewLoaded = true;
    refreshGDriveState();
}

void GDriveExplorer::refreshGDriveState()
{
    GDriveExplorerService* drive = service();
    uint64_t state = Disconnected;
    if (drive && drive->isLinked()) {
        state = Linked;
    } else if (drive && drive->isAuthorized()) {
        state = Initializing;
    }
    if (state == _gdriveState) return;
    _gdriveState = state;
    _linked = state == Linked;
    // The side bar's pane is made before the service starts: its icon comes with it.
    updateBreadcrumbRoot();
    performServiceStateChanged();
}

void GDriveExplorer::performServiceStateChanged()
{
    cancelListerAndRecreate(true);
    setPathStack({});
    adapter().removeAllObjects();
    cancelSearchFilter();
    if (!_linked) {
        setEmptyText(_gdriveState == Initializing ? "cloud_initializing_progress" : "gdrive_disconnected_state");
        if (searchBar()) searchBar()->setEnabled(false);
        return;
    }
    if (searchBar()) searchBar()->setEnabled(true);
    setEmptyText("map_list_empty_folder");
    GDriveExplorerService* drive = service();
    std::string start = rootFolderId();
    EditorInterface* editor = EditorInterfaceInstance();
    MindMapStorage* storage = editor->currentStorage();
    if (drive && storage && provider() && editor->currentProvider() == provider() &&
        !IsFolderTargetExplorerMode(explorerMode())) {
        GDriveFileInfoItem* record = drive->fileInfo().get(storage->id());
        if (record && !record->parentId().empty() && drive->folderCache().get(record->parentId()))
            start = record->parentId();
    }
    setPathStack(pathStackForFolder(start));
    refreshListing();
}

void GDriveExplorer::cancelListerAndRecreate(bool recreate)
{
    if (_lister) _lister->cancel();
    _lister.reset();
    // The next listing is asked for as things are then.
    _relistWhenAnswered = false;
    _listerService = nullptr;
    if (!recreate) return;
    GDriveExplorerService* drive = service();
    if (!drive) return;
    _listerService = &drive->taskService();
    _lister = listerFactory() ? listerFactory()(*_listerService, this)
                              : std::make_unique<GDriveFolderLister>(*_listerService, this);
}

std::string GDriveExplorer::rootFolderId() const
{
    GDriveExplorerService* drive = service();
    return drive ? drive->folderCache().rootFolderId() : std::string(RootPath);
}

std::vector<std::string> GDriveExplorer::pathStackForFolder(const std::string& folderId) const
{
    const std::string root = rootFolderId();
    std::vector<std::string> stack;
    GDriveExplorerService* drive = service();
    if (drive && folderId != root) {
        std::set<std::string> seen;
        for (const GDriveFolderInfoItem* folder = drive->folderCache().get(folderId);
             folder && !folder->isRootFolder() && seen.insert(folder->gdriveId()).second;
             folder = folder->parentId() ? drive->folderCache().get(*folder->parentId()) : nullptr) {
            stack.insert(stack.begin(), folder->gdriveId());
        }
        if (stack.empty()) stack.push_back(folderId);
    }
    if (stack.empty() || stack.front() != root) stack.insert(stack.begin(), root);
    return stack;
}

std::vector<BreadcrumbBarPathItem> GDriveExplorer::breadcrumbPathItems(const std::string& folderId) const
{
    GDriveExplorerService* drive = service();
    if (!drive || folderId == rootFolderId()) return {};
    const auto chain = cachedChain(drive->folderCache(), folderId);
    if (!chain) return {{folderId, folderId}};
    std::vector<BreadcrumbBarPathItem> items;
    for (const GDriveFolderInfoItem* folder : *chain)
        items.push_back({folder->name().value_or(folder->gdriveId()), folder->gdriveId()});
    return items;
}

std::string GDriveExplorer::normalizedPathName(const std::string& folderId) const
{
    // The offline name of the Dropbox pane would name the wrong service here.
    const std::string rootName = online() ? title() : localized("gdrive_offline_root_name");
    std::string name = formatText("«%@»", {rootName});
    if (folderId == rootFolderId()) return name;
    GDriveExplorerService* drive = service();
    const auto chain = drive ? cachedChain(drive->folderCache(), folderId) : std::nullopt;
    if (!chain) return name + "/" + folderId;
    for (const GDriveFolderInfoItem* folder : *chain) name += "/" + folder->name().value_or(folder->gdriveId());
    return name;
}

// ---- listing

void GDriveExplorer::showBreadcrumbFor(const std::string& folderId)
{
    BreadcrumbBar* bar = breadcrumbBar();
    if (!bar) return;
    bar->setPathItems(breadcrumbPathItems(folderId));
    bar->setEnabled(true);
}

void GDriveExplorer::refreshListing()
{
    // The lister works for the service: once that is gone (at quit) nothing is listed.
    if (!active() || !_linked || !listerIdle() || _refreshLock > 0 || !_lister || !service()) return;
    if (_listerService != &service()->taskService()) return;
    if (deferListingWhileHidden()) return;
    if (!searchFilter().empty()) {
        showSearchBreadcrumb();
        setEmptyText("explorer_search_progress");
        adapter().removeAllObjects();
        _lister->loadSearchResults(searchFilter(), searchBar() && searchBar()->fullTextSearch());
        return;
    }
    const std::optional<std::string> top = pathStackTop();
    if (!top) return;
    showBreadcrumbFor(*top);
    setEmptyText("db_directory_listing_progress");
    adapter().removeAllObjects();
    _lister->loadContentsOfFolderId(*top, getFileListItemTypeFilter());
}

void GDriveExplorer::listerCompleted(const std::optional<FileListItems>& items,
                                     const std::optional<std::string>& folderId, int result)
{
    showListerAnswer(items, folderId, result);
    // An answer from the cache comes while the lister still asks the service: not yet.
    if (!_relistWhenAnswered || !listerIdle()) return;
    _relistWhenAnswered = false;
    refreshListing();
}

void GDriveExplorer::showListerAnswer(const std::optional<FileListItems>& items,
                                      const std::optional<std::string>& folderId, int result)
{
    const std::optional<std::string> top = pathStackTop();
    const bool forFolder = result == GDriveFolderLister::Listed || result == GDriveFolderLister::Offline ||
        result == GDriveFolderLister::Busy;
    if (forFolder && !(top && folderId && *folderId == *top)) {
        // An answer for a folder that is no longer shown: the shown one is asked again.
        setEmptyText("db_directory_listing_error_state_text");
        adapter().removeAllObjects();
        refreshListing();
        return;
    }
    switch (result) {
    case GDriveFolderLister::Listed:
        showBreadcrumbFor(*top);
        setEmptyText("map_list_empty_folder");
        adapter().assignItems(items.value_or(FileListItems()), false);
        selectCurrentMindMap();
        break;
    case GDriveFolderLister::Offline:
        if (items) {
            setEmptyText("map_list_empty_folder");
            adapter().assignItems(*items, false);
            selectCurrentMindMap();
        } else {
            setEmptyText("db_directory_listing_error_state_text");
            adapter().removeAllObjects();
            popPath();
        }
        break;
    case GDriveFolderLister::Failed:
        setEmptyText("db_directory_listing_error_state_text");
        adapter().removeAllObjects();
        break;
    case GDriveFolderLister::SearchResults:
        showSearchBreadcrumb();
        setEmptyText("map_list_no_search_matches");
        adapter().assignItems(items.value_or(FileListItems()), true);
        selectCurrentMindMap();
        break;
    case GDriveFolderLister::SearchError:
        setEmptyText("explorer_search_error");
        adapter().assignItems(FileListItems(), true);
        break;
    default:
        break;
    }
}

void GDriveExplorer::currentMindMapChanged()
{
    if (!active() || explorerMode() != MainExplorerMode || !_linked) return;
    selectCurrentMindMap();
}

void GDriveExplorer::directoryChanged(const std::string& folderId)
{
    if (!active()) return;
    const std::optional<std::string> top = pathStackTop();
    if (searchFilter().empty() && !(top && *top == folderId)) return;
    // The listing under way may have been asked for before the change and would show the folder
    // without it (a map just uploaded would drop out of the list): it is asked again once answered.
    if (!listerIdle()) {
        _relistWhenAnswered = true;
        return;
    }
    refreshListing();
}

void GDriveExplorer::navigateToBreadcrumbPath(const std::string& path)
{
    if (path.empty() || !canChangePathStack() || !service()) return;
    if (path != RootPath && !service()->folderCache().get(path)) return;
    leaveListing();
    setPathStack(path == RootPath ? std::vector<std::string>{rootFolderId()} : pathStackForFolder(path));
    refreshListing();
}

void GDriveExplorer::searchFilterChanged()
{
    // What the user typed last is what they look for: what is listed until then is given up.
    leaveListing();
    refreshListing();
}

// ---- selection and picks

std::optional<std::string> GDriveExplorer::selectedBrowserItemTitle() const
{
    const std::optional<std::string> picked = selectedBrowserItem();
    if (!picked) return std::nullopt;
    if (IsFolderTargetExplorerMode(explorerMode())) return normalizedPathName(*picked);
    FileListItem* item = selectedFileListItem(false);
    return item ? std::optional<std::string>(item->fileName()) : std::nullopt;
}

void GDriveExplorer::willReturnSelectedItem(const std::string& selection)
{
    const int32_t mode = explorerMode();
    if (mode < LinkCloudDocumentExplorerMode || mode > LinkMindMapExplorerMode || !service()) return;
    FileListItem* item = selectedFileListItem(false);
    const std::optional<std::string> folder = pathStackTop();
    if (!item || item->path() != selection) return;
    // Links to the item are built and opened from its record later.
    std::string extension = fs::path(item->fileName()).extension().string();
    if (!extension.empty()) extension.erase(0, 1);
    GDriveMetadata metadata(item->path(), extension);
    metadata.name = item->fileName();
    metadata.parentIdentifier = folder.value_or(std::string());
    service()->fileInfo().assureNavigationInfo(metadata);
}

// ---- thumbnails

std::shared_ptr<const Image> GDriveExplorer::thumbnailFor(const std::string& path) const
{
    return service() ? service()->getThumbnailForFileId(path) : nullptr;
}

// ---- toolbar and menus

// ---- commands

std::string GDriveExplorer::makeMindMap(const std::string& folder, const std::string& title, const MindMapData* archive)
{
    GDriveExplorerService* drive = service();
    GDriveProvider* own = drive ? drive->provider() : nullptr;
    if (!own) return {};
    return archive ? own->createNewMindMapInFolder(folder, title, *archive)
                   : own->createNewMindMapInFolder(folder, title);
}

void GDriveExplorer::openNewMindMap(const std::string& id)
{
    if (GDriveExplorerService* drive = service()) drive->openMindMap(id, std::any());
}

void GDriveExplorer::addFolder()
{
    const std::optional<std::string> folder = pathStackTop();
    if (!ready() || !online() || !searchFilter().empty() || !folder) return;
    const std::optional<std::string> name = askForName(FileNameDialog::NewFolder, {});
    if (!name || !service()) return;
    service()->addFolder(*name, *folder);
}

void GDriveExplorer::rename()
{
    FileListItem* item = selectedFileListItem(false);
    if (!item || !pathStackTop() || !service()) return;
    const std::string id = item->path();
    const bool isFolder = item->isDirectory();
    const std::string fileName = item->fileName();
    lockedCommitEditor();
    std::optional<std::string> name = askForName(isFolder ? FileNameDialog::RenameFolder : FileNameDialog::RenameFile,
                                                 isFolder ? fileName : fs::path(fileName).stem().string());
    if (!name) return;
    if (!isFolder) *name += fs::path(fileName).extension().string();
    // The row may have gone while the dialog was open.
    for (size_t row = 0; row < adapter().numberOfRows(); ++row) {
        FileListItem* each = adapter().itemAt(row);
        if (each && each->path() == id) {
            renameFileItem(*each, *name);
            return;
        }
    }
}

void GDriveExplorer::renameFileItem(FileListItem& item, const std::string& newName)
{
    const std::optional<std::string> folder = pathStackTop();
    if (newName.empty() || newName == item.fileName() || !folder || !service()) return;
    const bool isFolder = item.isDirectory();
    const std::string typed = isFolder ? newName : fs::path(newName).stem().string();
    if (!acceptTypedName(typed) || !acceptTypedName(newName)) return;
    std::string name = newName;
    // A change of case only is the user's spelling of the same name, which is no clash.
    if (lowered(newName) != lowered(item.fileName())) {
        name = isFolder ? service()->uniqueFolderName(newName, *folder) : service()->uniqueFileName(newName, *folder);
    }
    service()->renameFile(item.path(), isFolder, name, *folder);
}

bool GDriveExplorer::allowInplaceEditing()
{
    return ready() && online();
}

bool GDriveExplorer::moveSourceItem(FileListItem& source, FileListItem& toDirectory)
{
    const std::optional<std::string> folder = pathStackTop();
    if (!online() || !service() || service()->userTaskBusy() || !folder) return false;
    if (source.path() == toDirectory.path()) return false;
    service()->moveFile(source.path(), source.isDirectory(), *folder, toDirectory.path());
    return true;
}

void GDriveExplorer::deleteItem()
{
    FileListItem* item = selectedFileListItem(false);
    const std::optional<std::string> folder = pathStackTop();
    if (!ready() || !online() || !item || !folder) return;
    const bool isFolder = item->isDirectory();
    const std::string id = item->path();
    if (confirmDeletion(isFolder, item->fileName()) && service()) service()->deleteFromGDrive(id, isFolder, *folder);
}

void GDriveExplorer::moveToFolder()
{
    FileListItem* item = selectedFileListItem(false);
    const std::optional<std::string> folder = pathStackTop();
    if (!item || !folder || !provider()) return;
    const std::string id = item->path();
    const bool isFolder = item->isDirectory();
    const std::string from = *folder;
    lockedCommitEditor();
    ExplorerBrowserController::selectMoveToCloudTarget(provider()->type(), [id, isFolder, from](const std::string& to) {
        GDriveExplorerService* drive = GDriveExplorer::currentService();
        if (!drive || to.empty() || to == from || to == id) return;
        drive->moveFile(id, isFolder, from, to);
    });
}

void GDriveExplorer::copyToProvider(MindMapProvider* target)
{
    FileListItem* map = selectedMindMapItem();
    if (!target || !map) return;
    const std::string id = map->path();
    lockedCommitEditor();
    const std::string targetId = target->id();
    ExplorerBrowserController::selectCopyToCloudTarget(target->type(), [id, targetId](const std::string& folder) {
        GDriveExplorerService* drive = GDriveExplorer::currentService();
        MindMapProvider* provider = MindMapProviders::instance().getProviderById(targetId);
        if (drive && provider && !folder.empty()) drive->copyToCloud(id, provider, folder);
    });
}

void GDriveExplorer::makeOfflineAvailable()
{
    FileListItem* item = selectedFileListItem(false);
    if (!ready() || !online() || !item || item->isDirectory()) return;
    service()->setOffLineAvailable(item->path(), true);
}

void GDriveExplorer::undoOfflineAvailable()
{
    FileListItem* item = selectedFileListItem(false);
    if (!item || item->isDirectory() || !service()) return;
    service()->fileInfo().setOfflineAvailable(item->path(), false);
    refreshListing();
}

bool GDriveExplorer::userTaskRunning() const
{
    return !service() || service()->userTaskBusy();
}

bool GDriveExplorer::serviceTaskBusy() const
{
    return service() && service()->userTaskBusy();
}
