#include "explorers/LocalMindMapExplorer.h"

#include "Editor/CommandRouter.h"
#include "Editor/EditorDocument.h"
#include "Editor/ErrorAlert.h"
#include "Editor/SegmentedControlItem.h"
#include "Editor/ToolbarSegment.h"
#include "Editor/ToolbarSegmentMenu.h"
#include "Editor/TwkDocumentController.h"
#include "explorers/ExplorerBrowserController.h"
#include "explorers/ExplorerText.h"
#include "platform/AlertPanel.h"
#include "platform/FileChooser.h"
#include "platform/Localizer.h"
#include "platform/UserDefaults.h"
#include "store/EditorInterface.h"
#include "store/MindMapImporter.h"
#include "store/MindMapInfoItem.h"
#include "store/MindMapProvider.h"
#include "store/MindMapProviders.h"
#include "store/MindMapSearchCache.h"
#include "store/MindMapSearchInfo.h"
#include "store/MindMapStorage.h"
#include "store/MindMapStore.h"
#include "store/MindMapStoreFolder.h"

#include <algorithm>

namespace {

constexpr const char* CopyToCloudAction = "copyToProvider:";

// The copy-to-cloud menu of the toolbar segment, filled just before it opens.
class CloudSegmentMenu : public ToolbarSegmentMenu {
public:
    explicit CloudSegmentMenu(LocalMindMapExplorer& explorer) : ToolbarSegmentMenu({}), _explorer(explorer) {}
    void updateMenuBeforeDropDown() override { _explorer.updateCloudMenu(*this); }

private:
    LocalMindMapExplorer& _explorer;
};

MindMapProvider* providerOfSender(const ActionSender* sender)
{
    if (!sender) return nullptr;
    const std::any value = sender->representedValue();
    if (const auto* provider = std::any_cast<MindMapProvider*>(&value)) return *provider;
    return nullptr;
}

bool readShowThumbnails()
{
    const PropertyList value = UserDefaults::standard().objectForKey(LocalMindMapExplorer::ShowThumbnailsKey);
    // Thumbnails are on until the user turns them off.
    return value.type() == PropertyList::Type::None
        ? true
        : UserDefaults::standard().boolForKey(LocalMindMapExplorer::ShowThumbnailsKey);
}

} // namespace

LocalMindMapExplorer::LocalMindMapExplorer(int32_t explorerMode, Scheduler& scheduler)
    : MindMapExplorerBase(explorerMode),
      _adapter(scheduler, explorerMode == MainExplorerMode, IsFolderTargetExplorerMode(explorerMode)),
      _outlineView(scheduler)
{
    if (!IsFolderTargetExplorerMode(explorerMode)) {
        _showThumbnails = readShowThumbnails();
        _adapter.setShowThumbnails(_showThumbnails);
    }
    registerActions();
    searchFilterChanged();
}

LocalMindMapExplorer::~LocalMindMapExplorer()
{
    _storeChanged = {};
    _mindMapChanged = {};
    setSearchBar(nullptr);
    _outlineView.setController(nullptr);
    _adapter.setOutlineView(nullptr);
}

void LocalMindMapExplorer::registerActions()
{
    addAction("rename:", [this](const ActionSender*) { rename(); });
    addAction("duplicate:", [this](const ActionSender*) { duplicate(); });
    addAction("deleteItem:", [this](const ActionSender*) { deleteItem(); });
    // The Delete key while the list has the focus.
    addAction("delete:", [this](const ActionSender*) { deleteItem(); });
    addAction("emptyRecycleBin:", [this](const ActionSender*) { emptyRecycleBin(); });
    addAction("toggleShowThumbnails:", [this](const ActionSender*) { toggleShowThumbnails(); });
    // Its segment and item carry the menu of providers; the action itself does nothing.
    addAction("canCopyToCloud:", [](const ActionSender*) {});
    addAction(CopyToCloudAction, [this](const ActionSender* sender) { copyToProvider(providerOfSender(sender)); });
}

MindMapProvider* LocalMindMapExplorer::provider() const
{
    return MindMapProviders::instance().getProviderByType(MindMapProviderLocal);
}

std::string LocalMindMapExplorer::title() const
{
    MindMapProvider* local = provider();
    return local ? local->title() : std::string();
}

// ---- View ----

void LocalMindMapExplorer::loadView()
{
    if (_viewLoaded) return;
    _viewLoaded = true;
    _outlineView.setController(this);
    _adapter.setOutlineView(&_outlineView);
    setupToolbar();
    NotificationCenter& center = NotificationCenter::defaultCenter();
    _storeChanged = center.addObserver(MindMapStore::MindMapStoreChangedNotification, nullptr,
                                       [this](const Notification&) { searchFilterChanged(); });
    if (explorerMode() == MainExplorerMode)
        _mindMapChanged = center.addObserver(AfterChangingMindMapNotification, nullptr,
                                             [this](const Notification&) { currentMindMapChanged(); });
    _outlineView.reloadData();
    selectItemInOutline(currentLocalMindMap());
}

void LocalMindMapExplorer::setupToolbar()
{
    if (explorerMode() != MainExplorerMode) return;
    auto add = ToolbarSegment::toolbarSegment("page_white", this, "newDocument:", localized("editor_menu_add_group"));
    auto remove = ToolbarSegment::toolbarSegment("delete", this, "deleteItem:", localized("editor_menu_delete"));
    auto cloud =
        ToolbarSegment::toolbarSegment("cloud_16", this, "canCopyToCloud:", localized("map_list_copy_to_cloud"));
    _toolbar = std::make_shared<SegmentedControlItem>(std::vector<std::shared_ptr<ToolbarSegment>>{add, remove, cloud});
    auto addMenu = std::make_shared<Menu>();
    const struct {
        const char* title;
        const char* action;
    } adds[] = {{"map_list_add_map", "newDocument:"},
                {"map_list_clone_map_condensed", "duplicate:"},
                {"map_list_add_folder", "addFolder:"}};
    for (const auto& each : adds) addMenu->addItem(localized(each.title), each.action);
    _toolbar->segmentedControl().setMenu(addMenu, 0);
    _cloudMenu = std::make_shared<CloudSegmentMenu>(*this);
    _toolbar->segmentedControl().setMenu(_cloudMenu, 2);
    _toolbarItems = {_toolbar};
}

void LocalMindMapExplorer::onActivated()
{
    if (_viewLoaded) selectItemInOutline(currentLocalMindMap());
}

void LocalMindMapExplorer::windowDidUpdate()
{
    if (active() && _toolbar) _toolbar->validate();
}

// ---- Following the open map ----

MindMapInfoItem* LocalMindMapExplorer::currentLocalMindMap() const
{
    EditorInterface* editor = EditorInterfaceInstance();
    MindMapStorage* storage = editor ? editor->currentStorage() : nullptr;
    MindMapStore* store = MindMapStore::existingInstance();
    if (!storage || !store || !storage->isLocalMindMap()) return nullptr;
    return store->mindMapByGuid(storage->id());
}

void LocalMindMapExplorer::currentMindMapChanged()
{
    if (_selectionIsChanging != 0) return;
    if (_adapter.isSearching() && _filterLock == 0) {
        // The user went to another map: the filter no longer says what they look at.
        cancelSearchFilter();
        return;
    }
    selectItemInOutline(currentLocalMindMap());
}

MindMapStoreItem* LocalMindMapExplorer::selectedItem() const
{
    return _outlineView.itemAtRow(_outlineView.selectedRow());
}

void LocalMindMapExplorer::selectItemInOutline(MindMapStoreItem* item)
{
    int64_t row = -1;
    if (item) {
        MindMapStore* store = MindMapStore::existingInstance();
        MindMapStoreFolder* root = store ? store->rootFolder() : nullptr;
        std::vector<MindMapStoreFolder*> folders;
        for (MindMapStoreFolder* folder = item->parent(); folder && folder != root; folder = folder->parent())
            folders.push_back(folder);
        for (auto it = folders.rbegin(); it != folders.rend(); ++it) _outlineView.expandItem(*it);
        row = _outlineView.rowForItem(item);
    }
    if (row == _outlineView.selectedRow()) return;
    if (row >= 0) {
        _outlineView.selectRowIndexes({row});
        _outlineView.scrollRowToVisible(row);
        return;
    }
    MindMapStoreItem* selected = selectedItem();
    if (selected && selected->isFolder()) return;
    _outlineView.deselectAll();
}

void LocalMindMapExplorer::outlineSelectionDidChange()
{
    selectionDidChange();
}

void LocalMindMapExplorer::selectionDidChange()
{
    if (explorerMode() != MainExplorerMode || !active()) return;
    // Rows rebuilt under the selection move it; the open map is selected again afterwards.
    if (_filterLock != 0 || _outlineView.isReloadingData()) return;
    EditorInterface* editor = EditorInterfaceInstance();
    if (!editor) return;
    ++_selectionIsChanging;
    bool opened = false;
    MindMapStoreItem* item = selectedItem();
    if (!item) {
        MindMapStorage* storage = editor->currentStorage();
        if (storage && storage->isLocalMindMap() && !_adapter.isSearching()) editor->openStorage(nullptr, {}, {});
    } else if (!item->isFolder()) {
        editor->openStorage(provider(), item->guid(), {});
        opened = true;
    }
    --_selectionIsChanging;
    // The map that did open is the one shown selected (a map that failed to open is not).
    if (_selectionIsChanging == 0 && opened) selectItemInOutline(currentLocalMindMap());
}

void LocalMindMapExplorer::outlineDoubleClicked()
{
    MindMapStoreItem* item = selectedItem();
    if (!item) return;
    if (item->isFolder()) {
        if (IsFolderTargetExplorerMode(explorerMode())) {
            endBrowser(item->guid());
        } else if (_outlineView.isItemExpanded(item)) {
            _outlineView.collapseItem(item);
        } else {
            _outlineView.expandItem(item);
        }
        return;
    }
    if (explorerMode() == LinkMindMapExplorerMode) endBrowser(item->guid());
}

// ---- Search ----

void LocalMindMapExplorer::searchFilterChanged()
{
    ++_filterLock;
    _adapter.searchResults().clear();
    if (!_searchFilter.empty()) {
        MindMapProvider* local = provider();
        std::shared_ptr<MindMapSearchCache> cache = local ? local->buildSearchCache() : nullptr;
        const bool fullText = _searchBar && _searchBar->fullTextSearch();
        if (cache) {
            for (const std::shared_ptr<MindMapSearchInfo>& match : cache->getSearchMatches(_searchFilter, fullText)) {
                const std::any& info = match->info();
                std::shared_ptr<MindMapInfoItem> item;
                if (const auto* weak = std::any_cast<std::weak_ptr<MindMapInfoItem>>(&info)) item = weak->lock();
                if (item) _adapter.searchResults().referToItem(item.get());
            }
        }
    }
    // A rename open meanwhile stays open on its item's row, with what was typed.
    if (_viewLoaded) {
        _outlineView.reloadData();
        // The selection goes back to the open map, but not from under a rename still open.
        if (!_outlineView.isEditing()) currentMindMapChanged();
    }
    --_filterLock;
}

void LocalMindMapExplorer::setSearchFilter(const std::string& filter)
{
    _searchFilter = filter;
    _adapter.setIsSearching(!filter.empty());
    searchFilterChanged();
}

void LocalMindMapExplorer::cancelSearchFilter()
{
    if (!_adapter.isSearching()) return;
    if (_searchBar) _searchBar->setText({});
    setSearchFilter({});
}

void LocalMindMapExplorer::setSearchBar(MindMapSearchField* field)
{
    if (_searchBar == field) return;
    if (_searchBar) _searchBar->setTarget(nullptr, nullptr);
    _searchBar = field;
    if (_searchBar)
        _searchBar->setTarget(this, [this](MindMapSearchField& changed) { setSearchFilter(changed.text()); });
    if (_searchBar) _searchBar->setText({});
    if (!_searchFilter.empty() || _adapter.isSearching()) setSearchFilter({});
}

void LocalMindMapExplorer::searchModeChanged(MindMapSearchField&)
{
    if (_adapter.isSearching()) searchFilterChanged();
}

// ---- Browser picks ----

MindMapStoreItem* LocalMindMapExplorer::browserPick() const
{
    MindMapStoreItem* item = selectedItem();
    if (IsFolderTargetExplorerMode(explorerMode())) {
        if (!item) {
            MindMapStore* store = MindMapStore::existingInstance();
            return store ? store->rootFolder() : nullptr;
        }
        return item->isFolder() ? item : item->parent();
    }
    if (explorerMode() == LinkMindMapExplorerMode && item && !item->isFolder()) return item;
    return nullptr;
}

std::optional<std::string> LocalMindMapExplorer::selectedBrowserItem() const
{
    MindMapStoreItem* pick = browserPick();
    if (!pick) return std::nullopt;
    return pick->guid();
}

std::optional<std::string> LocalMindMapExplorer::selectedBrowserItemTitle() const
{
    MindMapStoreItem* pick = browserPick();
    if (!pick) return std::nullopt;
    return pick->singleLineTitle();
}

void LocalMindMapExplorer::setInitialSelection(const std::string& selection)
{
    if (selection.empty()) return;
    MindMapStore* store = MindMapStore::existingInstance();
    if (MindMapInfoItem* map = store ? store->mindMapByGuid(selection) : nullptr) selectItemInOutline(map);
}

MindMapStoreFolder* LocalMindMapExplorer::getSelectedFolder() const
{
    MindMapStore* store = MindMapStore::existingInstance();
    MindMapStoreFolder* root = store ? store->rootFolder() : nullptr;
    MindMapStoreItem* item = selectedItem();
    if (!item || _adapter.isSearching()) return root;
    MindMapStoreFolder* folder = item->isFolder() ? static_cast<MindMapStoreFolder*>(item) : item->parent();
    if (!folder) return root;
    // Nothing new is made in the recycle bin, where the open map or the selection may be.
    return store->isRecyclerFolder(folder) ? liveFolderForBinned(item) : folder;
}

MindMapStoreFolder* LocalMindMapExplorer::liveFolderForBinned(MindMapStoreItem* item) const
{
    MindMapStore* store = MindMapStore::existingInstance();
    if (!store) return nullptr;
    MindMapStoreFolder* root = store->rootFolder();
    // The item moved into the bin is the one right inside it.
    for (; item && item->parent(); item = item->parent()) {
        auto from = _binnedFrom.find(item->guid());
        if (from == _binnedFrom.end()) continue;
        MindMapStoreFolder* folder = from->second.empty() ? nullptr : store->folderByGuid(from->second);
        return folder && !store->isRecyclerFolder(folder) ? folder : root;
    }
    return root;
}

void LocalMindMapExplorer::commitRename()
{
    _outlineView.commitEditing();
}

// ---- Commands ----

void LocalMindMapExplorer::openMap(MindMapInfoItem* map)
{
    EditorInterface* editor = EditorInterfaceInstance();
    if (map && editor) editor->openStorage(provider(), map->guid(), {});
}

MindMapInfoItem* LocalMindMapExplorer::makeMap(const std::function<MindMapInfoItem*(Error*)>& make, Error* error)
{
    MindMapStore* store = MindMapStore::mindMapStoreInstance();
    if (!store) return nullptr;
    MindMapInfoItem* map = nullptr;
    if (changeFolderTree(
            *store, [&](Error* cause) { return (map = make(cause)) != nullptr; }, error))
        return map;
    if (map) store->deleteMindMap(map);
    return nullptr;
}

void LocalMindMapExplorer::newDocument()
{
    MindMapStore* store = MindMapStore::mindMapStoreInstance();
    // Nothing is made for a map that would not open.
    if (!store || !leaveOpenMap()) return;
    Error error;
    if (MindMapInfoItem* map =
            makeMap([&](Error* cause) { return store->addMindMapInFolder(getSelectedFolder(), cause); }, &error))
        openMap(map);
    else presentExplorerFailure(localized(TwkDocumentController::NewMapErrorKey), error);
}

void LocalMindMapExplorer::addFolder()
{
    cancelSearchFilter();
    MindMapStore* store = MindMapStore::mindMapStoreInstance();
    if (!store) return;
    MindMapStoreFolder* folder = nullptr;
    Error error;
    if (!changeFolderTree(
            *store,
            [&](Error*) {
                folder = store->addNewFolder(getSelectedFolder(), localized(DefaultFolderNameKey));
                return folder != nullptr;
            },
            &error)) {
        if (folder) store->deleteFolder(folder);
        presentExplorerFailure(localized(NewFolderErrorKey), error);
        return;
    }
    std::vector<MindMapStoreFolder*> folders;
    for (MindMapStoreFolder* each = folder; each && each != store->rootFolder(); each = each->parent())
        folders.push_back(each);
    for (auto it = folders.rbegin(); it != folders.rend(); ++it) _outlineView.expandItem(*it);
    const int64_t row = _outlineView.rowForItem(folder);
    if (row < 0) return;
    _outlineView.selectRowIndexes({row});
    _outlineView.scrollRowToVisible(row);
    _outlineView.editColumn(row);
}

void LocalMindMapExplorer::importDocument()
{
    // The application's import panel puts the chosen files into the store and opens them. It is
    // the document controller's own command: through the responder chain it would come back here.
    if (auto* controller = dynamic_cast<Responder*>(EditorInterfaceInstance()))
        controller->performAction("importDocument:", nullptr);
}

void LocalMindMapExplorer::importPdf()
{
    FileChooser::OpenOptions options;
    options.title = localized("action_import_pdf_bookmarks");
    options.allowedTypes = {"pdf"};
    const std::vector<std::string> paths = FileChooser::shared().runOpenPanel(options);
    if (paths.size() != 1 || !leaveOpenMap()) return;
    Error error;
    if (MindMapInfoItem* map = makeMap(
            [&](Error* cause) {
                return MindMapImporter::importMindMapFromFile(paths.front(), getSelectedFolder(), cause);
            },
            &error))
        openMap(map);
    // An answer of cancel (the import would overwrite a map) leaves nothing to say.
    else if (!error.isEmpty()) presentExplorerError(ErrorAlert::importFailure(error, paths.front()));
}

void LocalMindMapExplorer::rename()
{
    const int64_t row = _outlineView.selectedRow();
    if (row >= 0) _outlineView.editColumn(row);
}

void LocalMindMapExplorer::duplicate()
{
    commitRename();
    auto* map = dynamic_cast<MindMapInfoItem*>(selectedItem());
    MindMapStore* store = MindMapStore::existingInstance();
    if (!map || !store) return;
    // The copy takes the open map's place; the open map's edit is in the copy when it is the map.
    const std::string guid = map->guid();
    if (!leaveOpenMap()) return;
    // The question ran its own loop: the map may have gone meanwhile.
    if (!(map = store->mindMapByGuid(guid))) return;
    const std::string failure = localizedFormat(DuplicateErrorKey, {map->singleLineTitle()});
    Error error;
    if (MindMapInfoItem* copy = makeMap([&](Error* cause) { return store->duplicateMindMap(map, cause); }, &error))
        openMap(copy);
    else presentExplorerFailure(failure, error);
}

void LocalMindMapExplorer::deleteItem()
{
    // The name typed for the item goes with it into the recycle bin.
    commitRename();
    MindMapStoreItem* item = selectedItem();
    if (!item) return;
    if (item->isFolder()) deleteFolder(static_cast<MindMapStoreFolder*>(item));
    else deleteMindMap(dynamic_cast<MindMapInfoItem*>(item));
}

void LocalMindMapExplorer::closeMapIfAmong(const std::vector<MindMapInfoItem*>& maps)
{
    MindMapInfoItem* current = currentLocalMindMap();
    if (!current || std::find(maps.begin(), maps.end(), current) == maps.end()) return;
    // Committed and let go before its file goes, so that nothing writes it back afterwards.
    if (EditorInterface* editor = EditorInterfaceInstance()) editor->openStorage(nullptr, {}, {});
}

void LocalMindMapExplorer::deleteMindMap(MindMapInfoItem* mindMap)
{
    MindMapStore* store = MindMapStore::existingInstance();
    if (!mindMap || !store) return;
    if (!store->isRecyclerFolder(mindMap->parent())) {
        // Nothing is lost: the map waits in the recycle bin.
        moveIntoRecycleBin(mindMap, [&] { mindMap->setParent(store->assureRecycleBin()); });
        return;
    }
    AlertPanel::Request request;
    request.style = AlertPanel::Style::Warning;
    request.messageText = localized("delete_mindmap_dialog_title");
    request.informativeText = formatLocalizedText("delete_mindmap_dialog_message", {mindMap->singleLineTitle()});
    request.buttons = {{localized("editor_menu_delete"), "\r"}, {localized("cancel_button_title"), "\033"}};
    if (AlertPanel::shared().runModal(request).button != AlertPanel::FirstButtonReturn) return;
    // The alert ran its own loop: the map may have gone meanwhile.
    const std::string guid = mindMap->guid();
    mindMap = store->mindMapByGuid(guid);
    if (!mindMap) return;
    closeMapIfAmong({mindMap});
    if ((mindMap = store->mindMapByGuid(guid))) store->deleteMindMap(mindMap);
}

void LocalMindMapExplorer::deleteFolder(MindMapStoreFolder* folder)
{
    MindMapStore* store = MindMapStore::existingInstance();
    if (!folder || !store || folder->folderKind() == MindMapStoreFolder::RootFolder) return;
    if (!store->isRecyclerFolder(folder)) {
        moveIntoRecycleBin(folder, [&] { store->moveFolderToRecycleBin(folder); });
        return;
    }
    std::vector<MindMapInfoItem*> maps;
    folder->getContainedMaps(maps);
    if (!maps.empty()) {
        const bool recycleBin = folder->folderKind() == MindMapStoreFolder::RecycleBinFolder;
        AlertPanel::Request request;
        request.style = AlertPanel::Style::Warning;
        request.messageText = localized(recycleBin ? "action_empty_trash" : "delete_folder_dialog_title");
        request.informativeText = formatLocalizedText(maps.size() == 1 ? "delete_folder_dialog_delete_contained_map"
                                                                       : "delete_folder_dialog_delete_contained_maps",
                                                      {folder->singleLineTitle(), std::to_string(maps.size())});
        request.buttons = {{localized(recycleBin ? "action_empty_trash" : "editor_menu_delete"), "\r"},
                           {localized("cancel_button_title"), "\033"}};
        const std::string guid = folder->guid();
        if (AlertPanel::shared().runModal(request).button != AlertPanel::FirstButtonReturn) return;
        folder = store->folderByGuid(guid);
        if (!folder) return;
        maps.clear();
        folder->getContainedMaps(maps);
    }
    closeMapIfAmong(maps);
    // What was deleted cannot be put back; the folders the disk still lists would show again at
    // the next start.
    const std::string failure = folder == store->recycleBin()
        ? localized(EmptyBinErrorKey)
        : localizedFormat(DeleteErrorKey, {folder->singleLineTitle()});
    Error error;
    if (!changeFolderTree(
            *store,
            [&](Error*) {
                store->deleteFolder(folder);
                return true;
            },
            &error))
        presentExplorerFailure(failure, error);
}

void LocalMindMapExplorer::moveIntoRecycleBin(MindMapStoreItem* item, const std::function<void()>& move)
{
    MindMapStore* store = MindMapStore::existingInstance();
    MindMapStoreFolder* from = item->parent();
    const int64_t at = item->indexInParent();
    std::shared_ptr<MindMapStoreItem> keep = item->shared_from_this();
    Error error;
    if (changeFolderTree(
            *store,
            [&](Error*) {
                move();
                return true;
            },
            &error)) {
        _binnedFrom[item->guid()] = from && from != store->rootFolder() ? from->guid() : std::string();
        return;
    }
    item->moveToParent(from, at);
    presentExplorerFailure(localizedFormat(LocalExplorerAdapter::MoveErrorKey, {item->singleLineTitle()}), error);
}

void LocalMindMapExplorer::emptyRecycleBin()
{
    MindMapStore* store = MindMapStore::existingInstance();
    if (store) deleteFolder(store->recycleBin());
}

void LocalMindMapExplorer::copyToProvider(MindMapProvider* target)
{
    commitRename();
    auto* map = dynamic_cast<MindMapInfoItem*>(selectedItem());
    if (!map || !target || target->isLocal()) return;
    if (EditorInterface* editor = EditorInterfaceInstance()) editor->commitEditor();
    const std::string guid = map->guid();
    std::weak_ptr<bool> alive = _alive;
    std::weak_ptr<MindMapProvider> provider;
    for (const auto& each : MindMapProviders::instance().providers())
        if (each.get() == target) provider = each;
    ExplorerBrowserController::selectCopyToCloudTarget(
        target->type(), [this, alive, guid, provider](const std::string& folder) {
            std::shared_ptr<MindMapProvider> destination = provider.lock();
            if (alive.expired() || !destination) return;
            // The pick may come long after: only the map still selected is copied.
            auto* selected = dynamic_cast<MindMapInfoItem*>(selectedItem());
            if (!selected || selected->guid() != guid) return;
            std::optional<MindMapData> data = selected->getMindMapExportData();
            if (!data) return;
            destination->performCopyToCloud(folder, selected->singleLineTitle(), *data);
        });
}

void LocalMindMapExplorer::setShowThumbnails(bool showThumbnails)
{
    if (showThumbnails == _showThumbnails) return;
    _showThumbnails = showThumbnails;
    _adapter.setShowThumbnails(showThumbnails);
    UserDefaults::standard().setBool(ShowThumbnailsKey, showThumbnails);
}

// ---- Menus and validation ----

std::shared_ptr<Menu> LocalMindMapExplorer::menuForEvent()
{
    if (explorerMode() != MainExplorerMode) return nullptr;
    if (!_contextMenu) _contextMenu = std::make_shared<Menu>();
    updateContextMenu();
    return _contextMenu;
}

void LocalMindMapExplorer::updateContextMenu()
{
    if (!_contextMenu) return;
    Menu& menu = *_contextMenu;
    menu.removeAllItems();
    const auto add = [&menu](const char* key, const char* action) -> MenuItem& {
        return menu.addItem(localized(key), action);
    };
    add("map_list_add_map", "newDocument:");
    add("map_list_clone_map_condensed", "duplicate:");
    add("map_list_add_folder", "addFolder:");
    menu.addItem(MenuItem::separatorItem());
    add("map_list_rename", "rename:");
    MenuItem& cloud = add("map_list_copy_to_cloud", "canCopyToCloud:");
    auto cloudMenu = std::make_shared<Menu>();
    updateCloudMenu(*cloudMenu);
    cloud.setSubmenu(cloudMenu);
    add("map_list_delete", "deleteItem:");
    menu.addItem(MenuItem::separatorItem());
    add("map_list_import", "importDocument:");
    add("action_import_pdf_bookmarks", "importPdf:");
    add("action_import_export_local_store", "invokeImportMindMapStore:");
    add("action_empty_trash", "emptyRecycleBin:");
    menu.addItem(MenuItem::separatorItem());
    add(_showThumbnails ? "explorer_hide_thumbnails" : "explorer_show_thumbnails", "toggleShowThumbnails:");
}

void LocalMindMapExplorer::updateCloudMenu(Menu& menu)
{
    menu.removeAllItems();
    MindMapProvider* own = provider();
    for (const auto& each : MindMapProviders::instance().providers()) {
        MindMapProvider* target = each.get();
        if (!target->enabled() || (own && target->type() == own->type())) continue;
        MenuItem& item = menu.addItem(formatLocalizedText(CopyToCloudFormatKey, {target->title()}), CopyToCloudAction);
        item.setRepresentedValue(target);
    }
    if (menu.items().empty()) menu.addItem(localized(NoAdditionalCloudsKey), "").setEnabled(false);
}

ItemValidation LocalMindMapExplorer::validateUserInterfaceItem(const ValidatedUserInterfaceItem& item)
{
    if (explorerMode() != MainExplorerMode) return ItemValidation::enabledIf(false);
    const std::string action = item.action();
    MindMapStoreItem* selected = selectedItem();
    const bool mapSelected = selected && !selected->isFolder();
    if (action == "addFolder:" || action == "newDocument:" || action == "importDocument:" ||
        action == "toggleShowThumbnails:" || action == "importPdf:")
        return ItemValidation::enabledIf(true);
    if (action == "deleteItem:" || action == "delete:" || action == "rename:")
        return ItemValidation::enabledIf(selected != nullptr);
    if (action == "duplicate:" || action == "canCopyToCloud:") return ItemValidation::enabledIf(mapSelected);
    // The provider menu's items: a map to copy and a provider to copy to.
    if (action == CopyToCloudAction) return ItemValidation::enabledIf(mapSelected && providerOfSender(&item));
    if (action == "emptyRecycleBin:") {
        MindMapStore* store = MindMapStore::existingInstance();
        MindMapStoreFolder* bin = store ? store->recycleBin() : nullptr;
        return ItemValidation::enabledIf(bin && bin->childCount() > 0);
    }
    return ItemValidation::enabledIf(false);
}
