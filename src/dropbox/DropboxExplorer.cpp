#include "dropbox/DropboxExplorer.h"

#include "Editor/EditorDocument.h"
#include "Editor/ToolbarSegmentMenu.h"
#include "MindMaps/ImageStore.h"
#include "dropbox/DropboxService.h"
#include "explorers/ExplorerBrowserController.h"
#include "explorers/FileNameDialog.h"
#include "formats/ExportFormats.h"
#include "platform/Image.h"
#include "platform/Localizer.h"
#include "store/EditorInterface.h"
#include "store/ForeignMapConversion.h"
#include "store/MindMapProviders.h"
#include "store/MindMapStorage.h"

#include <glib.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

DropboxExplorer::ListerFactory& listerFactory()
{
    static DropboxExplorer::ListerFactory factory;
    return factory;
}

std::string withTrailingSlash(std::string path)
{
    if (path.empty() || path.back() != '/') path += '/';
    return path;
}

bool samePathIgnoringCase(const std::string& a, const std::string& b)
{
    return DropboxFileInfoCache::normalizeKey(a) == DropboxFileInfoCache::normalizeKey(b);
}

} // namespace

void DropboxExplorer::setListerFactory(ListerFactory factory)
{
    listerFactory() = std::move(factory);
}

DropboxExplorer::DropboxExplorer(int32_t explorerMode) : ServiceCloudExplorer(explorerMode)
{
    if (Dropbox* dropbox = service()) _provider = dropbox->provider();
    cancelListerAndRecreate(true);
    loadShowThumbnails();
    registerActions();
}

DropboxExplorer::~DropboxExplorer()
{
    _observations.clear();
    cancelListerAndRecreate(false);
    if (_observingNetwork) NetworkController::instance().unregisterObserver(this);
    adapter().setDelegate(nullptr);
}

Dropbox* DropboxExplorer::service() const
{
    return Dropbox::instance();
}

CloudPaneService* DropboxExplorer::paneService() const
{
    return service();
}

std::string DropboxExplorer::title() const
{
    return _provider ? _provider->title() : localized("provider_dropbox_title");
}

MindMapProvider* DropboxExplorer::provider() const
{
    if (_provider) return _provider.get();
    Dropbox* dropbox = service();
    return dropbox ? dropbox->provider().get() : nullptr;
}

void DropboxExplorer::registerActions()
{
    ServiceCloudExplorer::registerActions();
    addAction("copyToCloud:", [](const ActionSender*) {});
}

// ---- set-up and state

void DropboxExplorer::loadView()
{
    CloudExplorer::loadView();
    if (BreadcrumbBar* bar = breadcrumbBar()) {
        bar->setRootPath("/");
        bar->setNavigationListener(this);
    }
    updateBreadcrumbRoot(SetUpImage);
    setEmptyText("db_disconnected_state");
    setUpRowsForMode(DragType);
    NotificationCenter& center = NotificationCenter::defaultCenter();
    _observations.push_back(
        center.addObserver(Dropbox::DirectoryChangedNotification, nullptr, [this](const Notification& notification) {
            directoryChanged(notification.value<std::string>("path"));
        }));
    _observations.push_back(center.addObserver(Dropbox::StateChangeNotification, nullptr, [this](const Notification&) {
        refreshDropboxState();
        windowDidUpdate();
    }));
    _observations.push_back(center.addObserver(Dropbox::UserTaskChangeNotification, nullptr,
                                               [this](const Notification&) { windowDidUpdate(); }));
    _observations.push_back(center.addObserver(AfterChangingMindMapNotification, nullptr,
                                               [this](const Notification&) { currentMindMapChanged(); }));
    _observations.push_back(center.addObserver(ImageStore::CustomImagesChangedNotification, nullptr,
                                               [this](const Notification&) { thumbnailsChanged(); }));
    _viewLoaded = true;
    refreshDropboxState();
}

void DropboxExplorer::refreshDropboxState()
{
    Dropbox* dropbox = service();
    // The side bar's pane is made before the service starts.
    if (!_provider && dropbox) {
        _provider = dropbox->provider();
        updateBreadcrumbRoot(SetUpImage);
    }
    uint64_t state = NotLinked;
    if (dropbox && dropbox->isInitialized()) {
        state = Ready;
    } else if (dropbox && dropbox->isAuthorized()) {
        state = Initializing;
    }
    if (state == _dropboxState) return;
    _dropboxState = state;
    _linked = state == Ready;
    performServiceStateChanged();
}

void DropboxExplorer::performServiceStateChanged()
{
    cancelListerAndRecreate(true);
    replacePathStack({});
    adapter().removeAllObjects();
    cancelSearchFilter();
    if (_dropboxState != Ready) {
        setEmptyText("db_disconnected_state");
        if (searchBar()) searchBar()->setEnabled(false);
        return;
    }
    if (searchBar()) searchBar()->setEnabled(true);
    setEmptyText("map_list_empty_folder");
    EditorInterface* editor = EditorInterfaceInstance();
    MindMapStorage* storage = editor->currentStorage();
    if (storage && provider() && editor->currentProvider() == provider() &&
        !IsFolderTargetExplorerMode(explorerMode())) {
        if (std::optional<std::string> folder = parentOf(storage->id())) replacePathStack(pathStackFor(*folder));
    }
    if (pathStack().empty()) replacePathStack({"/"});
    refreshListing();
}

void DropboxExplorer::cancelListerAndRecreate(bool recreate)
{
    if (_lister) _lister->cancel();
    _lister.reset();
    // The next listing is asked for as things are then.
    _relistWhenAnswered = false;
    if (!recreate) return;
    Dropbox* dropbox = service();
    if (!dropbox) return;
    _lister = listerFactory() ? listerFactory()(*dropbox, this) : std::make_unique<DropboxLister>(*dropbox, this);
}

void DropboxExplorer::replacePathStack(const std::vector<std::string>& stack)
{
    setPathStack(stack);
}

std::vector<std::string> DropboxExplorer::pathStackFor(const std::string& path) const
{
    std::vector<std::string> stack;
    std::string rest = path;
    while (rest.size() > 1 && rest.back() == '/') rest.pop_back();
    std::vector<std::string> folders;
    while (!rest.empty() && rest != "/") {
        folders.push_back(withTrailingSlash(rest));
        const size_t slash = rest.rfind('/');
        if (slash == std::string::npos || slash == 0) break;
        rest = rest.substr(0, slash);
    }
    stack.push_back("/");
    for (auto it = folders.rbegin(); it != folders.rend(); ++it) stack.push_back(*it);
    return stack;
}

std::optional<std::string> DropboxExplorer::parentOf(const std::string& path) const
{
    std::string rest = path;
    while (rest.size() > 1 && rest.back() == '/') rest.pop_back();
    const size_t slash = rest.rfind('/');
    if (slash == std::string::npos) return std::nullopt;
    return slash == 0 ? std::string("/") : rest.substr(0, slash);
}

std::string DropboxExplorer::joined(const std::string& folder, const std::string& name) const
{
    return withTrailingSlash(folder) + name;
}

// ---- listing

void DropboxExplorer::refreshListing()
{
    // The lister works for the service: once that is gone (at quit) nothing is listed.
    if (!active() || !_linked || !listerIdle() || _refreshLock > 0 || !_lister || !service()) return;
    if (deferListingWhileHidden()) return;
    BreadcrumbBar* bar = breadcrumbBar();
    if (!searchFilter().empty()) {
        showSearchBreadcrumb();
        setEmptyText("explorer_search_progress");
        adapter().removeAllObjects();
        _lister->loadSearchResults(searchFilter(), searchBar() && searchBar()->fullTextSearch());
        return;
    }
    const std::optional<std::string> top = pathStackTop();
    if (!top) return;
    if (bar) {
        bar->setRelativePath(*top);
        bar->setEnabled(true);
    }
    setEmptyText("db_directory_listing_progress");
    adapter().removeAllObjects();
    _lister->loadContentsOfPath(*top, getFileListItemTypeFilter());
}

void DropboxExplorer::showItems(const std::optional<FileListItems>& items, bool searching)
{
    adapter().assignItems(items.value_or(FileListItems()), searching);
}

void DropboxExplorer::listerCompleted(const std::optional<FileListItems>& items,
                                      const std::optional<std::string>& dbPath, int result)
{
    showListerAnswer(items, dbPath, result);
    // A cached answer is followed by the service's own, which may still be the older one.
    if (result == DropboxLister::Cached || !_relistWhenAnswered || !listerIdle()) return;
    _relistWhenAnswered = false;
    refreshListing();
}

void DropboxExplorer::showListerAnswer(const std::optional<FileListItems>& items,
                                       const std::optional<std::string>& dbPath, int result)
{
    BreadcrumbBar* bar = breadcrumbBar();
    const std::optional<std::string> top = pathStackTop();
    const bool isTop = top && dbPath && samePathIgnoringCase(withTrailingSlash(*dbPath), withTrailingSlash(*top));
    const auto showFolder = [&] {
        if (bar && top) {
            bar->setRelativePath(*top);
            bar->setEnabled(true);
        }
        setEmptyText("map_list_empty_folder");
        showItems(items, false);
        selectCurrentMindMap();
    };
    switch (result) {
    case DropboxLister::Cached:
        showFolder();
        return;
    case DropboxLister::SearchResults:
        showSearchBreadcrumb();
        setEmptyText("map_list_no_search_matches");
        showItems(items, true);
        selectCurrentMindMap();
        return;
    case DropboxLister::SearchError:
        setEmptyText("explorer_search_error");
        showItems(FileListItems(), true);
        return;
    default:
        break;
    }
    if (!isTop) {
        // An answer for a folder that is no longer shown: the shown one is asked again.
        setEmptyText("db_directory_listing_error_state_text");
        adapter().removeAllObjects();
        refreshListing();
        return;
    }
    switch (result) {
    case DropboxLister::Listed:
        showFolder();
        break;
    case DropboxLister::Offline:
        if (items) {
            setEmptyText("map_list_empty_folder");
            showItems(items, false);
            selectCurrentMindMap();
        } else {
            setEmptyText("db_directory_listing_error_state_text");
            adapter().removeAllObjects();
            popPath();
        }
        break;
    case DropboxLister::FolderNotFound:
        setEmptyText("db_directory_listing_error_state_text");
        adapter().removeAllObjects();
        popPath();
        break;
    case DropboxLister::Failed:
        setEmptyText("db_directory_listing_error_state_text");
        adapter().removeAllObjects();
        break;
    default:
        break;
    }
}

void DropboxExplorer::currentMindMapChanged()
{
    if (!active() || explorerMode() != MainExplorerMode || !service() || !service()->isAuthorized()) return;
    selectCurrentMindMap();
}

void DropboxExplorer::directoryChanged(const std::string& path)
{
    if (!active()) return;
    const std::optional<std::string> top = pathStackTop();
    const bool shown =
        !searchFilter().empty() || (top && samePathIgnoringCase(withTrailingSlash(path), withTrailingSlash(*top)));
    if (!shown) return;
    // The listing under way may have been asked for before the change and would show the folder
    // without it (a map just uploaded would drop out of the list): it is asked again once answered.
    if (!listerIdle()) {
        _relistWhenAnswered = true;
        return;
    }
    refreshListing();
}

void DropboxExplorer::navigateToBreadcrumbPath(const std::string& path)
{
    if (path.empty() || !canChangePathStack()) return;
    leaveListing();
    replacePathStack(pathStackFor(path));
    refreshListing();
}

void DropboxExplorer::searchFilterChanged()
{
    // What the user typed last is what they look for: what is listed until then is given up.
    leaveListing();
    refreshListing();
}

std::string DropboxExplorer::normalizedPathName(const std::string& path) const
{
    const std::string root = online() ? title() : localized("db_offline_root_name");
    return formatText("«%@»", {root}) + path;
}

// ---- thumbnails

std::shared_ptr<const Image> DropboxExplorer::thumbnailFor(const std::string& path) const
{
    return service() ? service()->getThumbnailForPath(path) : nullptr;
}

// ---- toolbar and menus

// ---- commands

std::string DropboxExplorer::makeMindMap(const std::string& folder, const std::string& title,
                                         const MindMapData* archive)
{
    Dropbox* dropbox = service();
    const std::shared_ptr<DropboxProvider> own = _provider ? _provider : dropbox ? dropbox->provider() : nullptr;
    if (!own) return {};
    return archive ? own->createNewMindMapInDbDirectory(folder, title, *archive)
                   : own->createNewMindMapInDbDirectory(folder, title);
}

void DropboxExplorer::openNewMindMap(const std::string& id)
{
    if (Dropbox* dropbox = service()) dropbox->openMindMap(id, std::any());
}

void DropboxExplorer::addFolder()
{
    const std::optional<std::string> folder = pathStackTop();
    if (!ready() || !online() || !searchFilter().empty() || !folder) return;
    const std::optional<std::string> name = askForName(FileNameDialog::NewFolder, {});
    if (!name || !service()) return;
    service()->addFolder(joined(*folder, *name));
}

void DropboxExplorer::rename()
{
    FileListItem* item = selectedFileListItem(false);
    if (!item || !service()) return;
    const std::string oldPath = item->path();
    const bool isFolder = item->isDirectory();
    const std::string fileName = item->fileName();
    const std::string shownName = isFolder ? fileName : item->justFileName();
    lockedCommitEditor();
    std::optional<std::string> name =
        askForName(isFolder ? FileNameDialog::RenameFolder : FileNameDialog::RenameFile, shownName);
    if (!name) return;
    if (!isFolder) {
        const std::string extension = fs::path(fileName).extension().string();
        *name += extension;
    }
    const std::optional<std::string> parent = parentOf(oldPath);
    if (!parent) return;
    const std::string target = joined(*parent, *name);
    if (target == oldPath) return;
    service()->moveSourcePath(oldPath, target, isFolder);
}

void DropboxExplorer::renameFileItem(FileListItem& item, const std::string& newName)
{
    if (newName.empty() || !service()) return;
    const std::string typed = item.isDirectory() ? newName : fs::path(newName).stem().string();
    if (!acceptTypedName(typed) || !acceptTypedName(newName)) return;
    const std::optional<std::string> parent = parentOf(item.path());
    if (!parent) return;
    const std::string target = joined(*parent, newName);
    if (samePathIgnoringCase(target, item.path())) return;
    service()->moveSourcePath(item.path(), target, item.isDirectory());
}

bool DropboxExplorer::allowInplaceEditing()
{
    return _linked && listerIdle() && !Dropbox::userTaskBusy() && online();
}

bool DropboxExplorer::moveSourceItem(FileListItem& source, FileListItem& toDirectory)
{
    if (!online() || Dropbox::userTaskBusy() || !service()) return false;
    std::string name = source.fileName();
    if (!source.isDirectory()) name = service()->getUniqueFileName(name, toDirectory.path());
    service()->moveSourcePath(source.path(), joined(toDirectory.path(), name), source.isDirectory());
    return true;
}

void DropboxExplorer::deleteItem()
{
    FileListItem* item = selectedFileListItem(false);
    if (!ready() || !online() || !item || !service()) return;
    const bool isFolder = item->isDirectory();
    const std::string path = item->path();
    if (confirmDeletion(isFolder, path)) service()->deleteFromDropbox(path, isFolder);
}

void DropboxExplorer::moveToFolder()
{
    FileListItem* item = selectedFileListItem(false);
    if (!item || !service() || !provider()) return;
    const std::string path = item->path();
    const std::string name = item->fileName();
    const bool isFolder = item->isDirectory();
    lockedCommitEditor();
    ExplorerBrowserController::selectMoveToCloudTarget(
        provider()->type(), [path, name, isFolder](const std::string& folder) {
            Dropbox* dropbox = Dropbox::instance();
            if (!dropbox || folder.empty()) return;
            // A clash at the target is for the server to resolve.
            dropbox->moveSourcePath(path, withTrailingSlash(folder) + name, isFolder);
        });
}

void DropboxExplorer::copyToProvider(MindMapProvider* target)
{
    FileListItem* map = selectedMindMapItem();
    if (!target || !map || !service()) return;
    const std::string path = map->path();
    lockedCommitEditor();
    const std::string targetId = target->id();
    ExplorerBrowserController::selectCopyToCloudTarget(target->type(), [path, targetId](const std::string& folder) {
        Dropbox* dropbox = Dropbox::instance();
        MindMapProvider* provider = MindMapProviders::instance().getProviderById(targetId);
        if (dropbox && provider && !folder.empty()) dropbox->copyToCloud(path, provider, folder);
    });
}

void DropboxExplorer::makeOfflineAvailable()
{
    FileListItem* item = selectedFileListItem(false);
    if (!ready() || !online() || !item || item->isDirectory() || !service()) return;
    service()->makeOffLineAvailable(item->path());
}

void DropboxExplorer::undoOfflineAvailable()
{
    FileListItem* item = selectedFileListItem(false);
    if (!item || item->isDirectory() || !service()) return;
    service()->fileInfo().setOfflineAvailable(item->path(), false);
    refreshListing();
}

bool DropboxExplorer::userTaskRunning() const
{
    return Dropbox::userTaskBusy();
}

bool DropboxExplorer::serviceTaskBusy() const
{
    return Dropbox::userTaskBusy();
}

bool DropboxExplorer::sameItemPath(const std::string& a, const std::string& b) const
{
    return samePathIgnoringCase(a, b);
}
