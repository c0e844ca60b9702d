#include "explorers/CloudExplorer.h"

#include "Editor/FeedbackCenter.h"
#include "Editor/SegmentedControlItem.h"
#include "Editor/ToolbarBackground.h"
#include "Editor/TwkDocumentController.h"
#include "explorers/BreadcrumbBar.h"
#include "explorers/ExplorerBrowserController.h"
#include "explorers/FileNameDialog.h"
#include "platform/AlertPanel.h"
#include "platform/FileChooser.h"
#include "platform/Image.h"
#include "platform/Localizer.h"
#include "platform/UserDefaults.h"
#include "store/EditorInterface.h"
#include "store/MindMapProvider.h"
#include "store/MindMapStorage.h"

#include <any>
#include <utility>

CloudExplorer::CloudExplorer(int32_t explorerMode) : MindMapExplorerBase(explorerMode), _adapter(this)
{
    _adapter.setDisplayFilesGrayed(IsFolderTargetExplorerMode(explorerMode));
}

CloudExplorer::~CloudExplorer()
{
    _breadcrumbBar = nullptr;
    _pathContainer = nullptr;
    setTableView(nullptr);
    _toolbar = nullptr;
    if (_searchBar && _searchBar->target() == this) _searchBar->setTarget(nullptr, {});
    _searchBar = nullptr;
}

void CloudExplorer::setTableView(CloudTableView* table)
{
    if (table == _tableView) return;
    if (_tableView && _tableView->controller() == this) _tableView->setController(nullptr);
    _tableView = table;
    if (_tableView) _tableView->setController(this);
}

void CloudExplorer::loadView()
{
    _adapter.setTableView(_tableView);
    if (_pathContainer) _pathContainer->setAdaptForKeyWindow(explorerMode() == MainExplorerMode);
    setupToolbar();
    refreshListing();
}

double CloudExplorer::insertToolbarControls(CloudExplorerToolbar&)
{
    return 0.0;
}

void CloudExplorer::setupToolbar()
{
    if (!_toolbar) return;
    _toolbar->setHidden(insertToolbarControls(*_toolbar) == 0.0);
}

void CloudExplorer::onActivated()
{
    MindMapExplorerBase::onActivated();
    cancelSearchFilter();
}

void CloudExplorer::windowDidUpdate()
{
    if (_toolbar) _toolbar->validateSegmentedControlItems();
}

void CloudExplorer::renameFileItem(FileListItem&, const std::string&)
{
}

bool CloudExplorer::moveSourceItem(FileListItem&, FileListItem&)
{
    return false;
}

void CloudExplorer::fetchThumbnail(FileListItem& item)
{
    item.setThumbnailUnavailable(true);
}

std::optional<std::string> CloudExplorer::pathStackTop() const
{
    if (_pathStack.empty()) return std::nullopt;
    return _pathStack.back();
}

void CloudExplorer::pushPath(const std::string& path)
{
    if (!canChangePathStack()) return;
    leaveListing();
    _pathStack.push_back(path);
    refreshListing();
}

void CloudExplorer::popPath()
{
    if (_pathStack.size() < 2 || !canChangePathStack()) return;
    leaveListing();
    _pathStack.pop_back();
    refreshListing();
}

int32_t CloudExplorer::getFileListItemTypeFilter() const
{
    return fileListItemTypeFilter(explorerMode());
}

void CloudExplorer::setSearchFilter(const std::optional<std::string>& filter)
{
    if (!filter) return;
    _searchFilter = *filter;
    searchFilterChanged();
}

void CloudExplorer::searchBarTextChange(MindMapSearchField& field)
{
    setSearchFilter(field.text());
}

void CloudExplorer::cancelSearchFilter()
{
    if (_searchBar) _searchBar->setText("");
    setSearchFilter(std::string());
}

void CloudExplorer::setSearchBar(MindMapSearchField* field)
{
    if (field == _searchBar) return;
    if (_searchBar && _searchBar->target() == this) _searchBar->setTarget(nullptr, {});
    _searchBar = field;
    if (_searchBar) _searchBar->setTarget(this, [this](MindMapSearchField& changed) { searchBarTextChange(changed); });
    cancelSearchFilter();
}

void CloudExplorer::searchModeChanged(MindMapSearchField&)
{
    if (!_searchFilter.empty()) searchFilterChanged();
}

std::vector<std::string> CloudExplorer::getFilesToImport()
{
    FileChooser::OpenOptions options;
    options.title = localized("import_menu_import");
    options.allowedTypes = {"opml", "txt", "mm"};
    options.allowsMultipleSelection = true;
    return FileChooser::shared().runOpenPanel(options);
}

void CloudExplorer::insertTestItems()
{
    const struct {
        int32_t type;
        const char* name;
    } samples[] = {
        {FileListItemType::Folder, "folder 1"},
        {FileListItemType::Folder, "folder 2"},
        {FileListItemType::NativeMindMap, "mind map1.twkx"},
        {FileListItemType::NativeMindMap, "mind map2.twkx"},
        {FileListItemType::Opml, "mind map.opml"},
        {FileListItemType::Freemind, "mind map.mm"},
        {FileListItemType::OtherFile, "somefile.txt"},
    };
    FileListItems items;
    for (const auto& sample : samples) {
        auto item = std::make_shared<FileListItem>(sample.type);
        item->setFileName(sample.name);
        item->setPath(std::string("/") + sample.name);
        items.push_back(std::move(item));
    }
    _adapter.assignItems(std::move(items));
}

ServiceCloudExplorer::ServiceCloudExplorer(int32_t explorerMode) : CloudExplorer(explorerMode)
{
    if (explorerMode == MainExplorerMode)
        _openMapKept = NotificationCenter::defaultCenter().addObserver(
            TwkDocumentController::KeptOpenMapNotification, nullptr, [this](const Notification&) { openMapKept(); });
}

void ServiceCloudExplorer::onActivated()
{
    ++_refreshLock;
    CloudExplorer::onActivated();
    --_refreshLock;
    if (!_observingNetwork) {
        NetworkController::instance().registerObserver(this);
        _observingNetwork = true;
    }
    if (_viewLoaded) performServiceStateChanged();
}

void ServiceCloudExplorer::onDeactivated()
{
    CloudExplorer::onDeactivated();
    cancelListerAndRecreate(true);
    if (_observingNetwork) NetworkController::instance().unregisterObserver(this);
    _observingNetwork = false;
}

bool ServiceCloudExplorer::canChangePathStack() const
{
    // A listing under way holds nobody back: leaving the folder gives it up.
    return _linked && searchFilter().empty();
}

void ServiceCloudExplorer::leaveListing()
{
    if (!listerIdle()) cancelListerAndRecreate(true);
}

void ServiceCloudExplorer::viewShown(bool shown)
{
    if (shown == !_viewHidden) return;
    _viewHidden = !shown;
    if (!shown) {
        if (!listerIdle()) {
            cancelListerAndRecreate(true);
            _listWhenShown = true;
        }
        return;
    }
    if (!std::exchange(_listWhenShown, false)) return;
    refreshListing();
}

bool ServiceCloudExplorer::deferListingWhileHidden()
{
    if (!_viewHidden) return false;
    _listWhenShown = true;
    return true;
}

bool ServiceCloudExplorer::online() const
{
    return NetworkController::online();
}

void ServiceCloudExplorer::tableViewSelectionDidChange()
{
    setNeedsValidation();
    if (explorerMode() != MainExplorerMode || _navigationLock) return;
    _navigationLock = true;
    if (FileListItem* map = selectedMindMapItem()) {
        if (MindMapProvider* own = provider())
            EditorInterfaceInstance()->asyncOpenMindMap(own->id(), map->path(), std::any());
    }
    _navigationLock = false;
}

void ServiceCloudExplorer::onlineStateChanged(bool isOnline)
{
    setNeedsValidation();
    if (!active()) return;
    cancelListerAndRecreate(true);
    cancelSearchFilter();
    refreshListing();
    if (!isOnline && explorerMode() == MoveToFolderExplorerMode && browserDelegate()) endBrowser({});
}

void ServiceCloudExplorer::setSearchBar(MindMapSearchField* field)
{
    CloudExplorer::setSearchBar(field);
    if (field) field->setEnabled(_linked);
}

void ServiceCloudExplorer::windowDidUpdate()
{
    CloudExplorer::windowDidUpdate();
    for (const auto& item : _toolbarItems) item->validate();
}

FileListItem* ServiceCloudExplorer::selectedFileListItem(bool includeNavigateUp) const
{
    return listerIdle() ? selectedRow(includeNavigateUp) : nullptr;
}

FileListItem* ServiceCloudExplorer::selectedRow(bool includeNavigateUp) const
{
    if (!_linked) return nullptr;
    FileListTable* table = const_cast<ServiceCloudExplorer*>(this)->adapter().tableView();
    if (!table) return nullptr;
    const std::vector<size_t> rows = table->selectedRows();
    if (rows.empty()) return nullptr;
    FileListItem* item = const_cast<ServiceCloudExplorer*>(this)->adapter().itemAt(rows.front());
    if (!item || (item->isNavigateUp() && !includeNavigateUp)) return nullptr;
    return item;
}

FileListItem* ServiceCloudExplorer::selectedMindMapItem() const
{
    FileListItem* item = selectedFileListItem(false);
    return item && item->isTwkxMindMap() ? item : nullptr;
}

std::optional<std::string> ServiceCloudExplorer::selectedBrowserItem() const
{
    if (IsFolderTargetExplorerMode(explorerMode())) return pathStackTop();
    FileListItem* item = selectedFileListItem(false);
    if (!item) return std::nullopt;
    switch (explorerMode()) {
    case LinkCloudDocumentExplorerMode:
        if (!item->isDirectory()) return item->path();
        break;
    case SelectCloudImageExplorerMode:
        if (item->type() == FileListItemType::Image) return item->path();
        break;
    case LinkMindMapExplorerMode:
        if (item->isTwkxMindMap()) return item->path();
        break;
    default:
        break;
    }
    return std::nullopt;
}

void ServiceCloudExplorer::tableViewDoubleClicked()
{
    // A folder's rows from an earlier listing show while it is listed anew: going into a folder or
    // up leaves that listing; the other rows wait for it.
    FileListItem* item = selectedRow(true);
    if (!item) return;
    if (!listerIdle() && item->type() != FileListItemType::Folder && item->type() != FileListItemType::NavigateUp)
        return;
    switch (item->type()) {
    case FileListItemType::Folder:
        pushPath(item->path());
        break;
    case FileListItemType::Opml:
    case FileListItemType::Freemind:
        convert();
        break;
    case FileListItemType::Image:
    case FileListItemType::Pdf:
    case FileListItemType::OtherFile:
        viewDocument();
        break;
    case FileListItemType::NavigateUp:
        popPath();
        break;
    default:
        break;
    }
}

void ServiceCloudExplorer::tableViewMoveLeft(CloudTableView&)
{
    goBack();
}

void ServiceCloudExplorer::tableViewEnterKeyDown(CloudTableView& table)
{
    if (explorerMode() != MainExplorerMode || !allowInplaceEditing() || !selectedFileListItem(false)) return;
    const std::vector<size_t> rows = table.selectedRows();
    if (rows.size() == 1) table.beginEditingRow(rows.front());
}

bool ServiceCloudExplorer::allowCloudImageDrag()
{
    return provider() && EditorInterfaceInstance()->currentProvider() == provider();
}

void ServiceCloudExplorer::fetchThumbnail(FileListItem& item)
{
    if (!_showThumbnails || !item.isTwkxMindMap() || item.thumbnail() || item.thumbnailUnavailable()) return;
    ++_refreshLock;
    std::shared_ptr<const Image> thumbnail = thumbnailFor(item.path());
    --_refreshLock;
    if (thumbnail) {
        item.setThumbnail(thumbnail);
    } else {
        item.setThumbnailUnavailable(true);
    }
}

void ServiceCloudExplorer::thumbnailsChanged()
{
    if (!active() || !listerIdle() || !_showThumbnails || _refreshLock > 0) return;
    adapter().invalidateThumbnails();
}

void ServiceCloudExplorer::setShowThumbnails(bool show)
{
    if (!_canShowThumbnails || show == _showThumbnails) return;
    _showThumbnails = show;
    adapter().setShowThumbnails(show);
    UserDefaults::standard().setBool(showThumbnailsKey(), show);
    if (show) refreshListing();
}

void ServiceCloudExplorer::toggleShowThumbnails()
{
    setShowThumbnails(!_showThumbnails);
}

double ServiceCloudExplorer::insertToolbarControls(CloudExplorerToolbar& toolbar)
{
    if (explorerMode() == MainExplorerMode)
        _cloudMenu = std::make_shared<CloudCommands::FilledOnOpenMenu>([this](Menu& menu) { updateCloudMenu(menu); });
    _toolbarItems = CloudCommands::toolbarItems(explorerMode(), this, serviceKeys(), _cloudMenu);
    return toolbar.addSegmentedControlItems(_toolbarItems);
}

CloudCommands::CommandState ServiceCloudExplorer::commandState() const
{
    CloudCommands::CommandState state;
    state.explorerMode = explorerMode();
    state.linked = _linked;
    state.listerIdle = listerIdle();
    state.userTaskRunning = userTaskRunning();
    state.online = online();
    state.searching = !searchFilter().empty();
    state.pathStackCount = pathStack().size();
    state.itemSelected = selectedFileListItem(false) != nullptr;
    state.mapSelected = selectedMindMapItem() != nullptr;
    state.canShowThumbnails = _canShowThumbnails;
    return state;
}

ItemValidation ServiceCloudExplorer::validateUserInterfaceItem(const ValidatedUserInterfaceItem& item)
{
    const std::string action = item.action();
    // The items of the copy-to-cloud menu stand for their providers.
    if (action == CloudCommands::CopyToProviderAction) {
        return ItemValidation::enabledIf(explorerMode() == MainExplorerMode && selectedMindMapItem() &&
                                         CloudCommands::providerOfSender(&item));
    }
    return ItemValidation::enabledIf(CloudCommands::isEnabled(action, commandState()));
}

std::shared_ptr<Menu> ServiceCloudExplorer::menuForEvent(const PointerEvent&)
{
    if (explorerMode() != MainExplorerMode) return nullptr;
    if (serviceTaskBusy()) {
        FeedbackCenter::feedbackCenter().showEditorNotification(localized("cannot_display_context_menu_title"),
                                                                localized(serviceKeys().busyMessage),
                                                                FeedbackStateWarning, BusyNoticeDuration);
        return nullptr;
    }
    updateContextMenu();
    return _contextMenu;
}

void ServiceCloudExplorer::updateContextMenu()
{
    if (!_contextMenu) _contextMenu = std::make_shared<Menu>();
    CloudCommands::ContextMenuState state;
    state.userTaskRunning = serviceTaskBusy();
    state.searching = !searchFilter().empty();
    state.online = online();
    state.listerIdle = listerIdle();
    state.canShowThumbnails = _canShowThumbnails;
    state.showThumbnails = _showThumbnails;
    state.item = selectedFileListItem(false);
    CloudCommands::fillContextMenu(*_contextMenu, state, serviceKeys(), this, [this] {
        auto submenu = std::make_shared<CloudCommands::FilledOnOpenMenu>([this](Menu& menu) { updateCloudMenu(menu); });
        updateCloudMenu(*submenu);
        return submenu;
    });
}

void ServiceCloudExplorer::selectCurrentMindMap()
{
    if (IsFolderTargetExplorerMode(explorerMode())) return;
    EditorInterface* editor = EditorInterfaceInstance();
    MindMapStorage* storage = editor->currentStorage();
    if (!storage || !provider() || editor->currentProvider() != provider()) return;
    FileListTable* table = adapter().tableView();
    if (!table) return;
    const std::string id = storage->id();
    const bool locked = _navigationLock;
    _navigationLock = true;
    bool found = false;
    for (size_t row = 0; row < adapter().numberOfRows(); ++row) {
        FileListItem* item = adapter().itemAt(row);
        if (item && !item->isNavigateUp() && sameItemPath(item->path(), id)) {
            table->selectRows({row});
            table->scrollRowToVisible(row);
            found = true;
            break;
        }
    }
    if (!found) {
        const std::vector<size_t> rows = table->selectedRows();
        FileListItem* selected = rows.size() == 1 ? adapter().itemAt(rows[0]) : nullptr;
        if (selected && selected->isTwkxMindMap()) table->selectRows({});
    }
    _navigationLock = locked;
}

void ServiceCloudExplorer::openMapKept()
{
    if (!active()) return;
    if (provider() && EditorInterfaceInstance()->currentProvider() == provider()) {
        selectCurrentMindMap();
        return;
    }
    CloudTableView* table = tableView();
    if (!table || !selectedMindMapItem()) return;
    const bool locked = _navigationLock;
    _navigationLock = true;
    table->selectRows({});
    _navigationLock = locked;
}

void ServiceCloudExplorer::setEmptyText(const char* key)
{
    if (CloudTableView* table = tableView()) table->setEmptyText(localized(key));
    // Every listing says here how it began or ended, whether a click started it or a retry after
    // the service's refusal or a renewed sign-in: the strip follows, after the last input event.
    setNeedsValidation();
}

void ServiceCloudExplorer::updateBreadcrumbRoot(const char* fallbackImage)
{
    BreadcrumbBar* bar = breadcrumbBar();
    if (!bar) return;
    bar->setRootCaption(title());
    MindMapProvider* own = provider();
    if (!own) return;
    Image icon = own->iconImage();
    if (icon.isNull()) icon = own->largeIcon();
    if (icon.isNull() && fallbackImage) icon = Image::fromResource(fallbackImage);
    if (!icon.isNull()) bar->setRootImage(std::make_shared<const Image>(std::move(icon)));
}

void ServiceCloudExplorer::showSearchBreadcrumb()
{
    BreadcrumbBar* bar = breadcrumbBar();
    if (!bar) return;
    bar->setPathItems({{localized("map_list_search_results"), ""}});
    bar->setEnabled(false);
}

bool ServiceCloudExplorer::confirmDeletion(bool isFolder, const std::string& shownName)
{
    std::string format = localized(isFolder ? "explorer_delete_folder_message" : "explorer_delete_file_message");
    for (size_t at = format.find("%s"); at != std::string::npos; at = format.find("%s", at + 2))
        format.replace(at, 2, "%@");
    AlertPanel::Request request;
    request.style = AlertPanel::Style::Warning;
    request.messageText = localized(isFolder ? "explorer_delete_folder_title" : "explorer_delete_file_title");
    request.informativeText = formatText(format, {shownName});
    request.buttons = {{localized("map_list_delete"), ""}, {localized("cancel_button_title"), "\033"}};
    return AlertPanel::shared().runModal(request).button == AlertPanel::FirstButtonReturn;
}

void ServiceCloudExplorer::convert()
{
    FileListItem* item = selectedFileListItem(false);
    CloudPaneService* service = paneService();
    if (!ready() || !item || !service) return;
    const int32_t type = item->type();
    if (type != FileListItemType::Opml && type != FileListItemType::Freemind && type != FileListItemType::Pdf) return;
    const std::string path = item->path();
    // The map made opens in the open map's place: nothing is made while the user stays with it.
    if (!lockedLeaveOpenMap()) return;
    if (CloudPaneService* own = paneService()) own->convertNonNativeMindMap(path);
}

void ServiceCloudExplorer::viewDocument()
{
    FileListItem* item = selectedFileListItem(false);
    CloudPaneService* service = paneService();
    if (!ready() || !item || !service) return;
    const int32_t type = item->type();
    if (type == FileListItemType::OtherFile || type == FileListItemType::Image || type == FileListItemType::Pdf)
        service->openCloudLink(item->path());
}

void ServiceCloudExplorer::newDocument()
{
    const std::optional<std::string> folder = pathStackTop();
    if (!ready() || !searchFilter().empty() || !folder || !provider()) return;
    const std::optional<std::string> name =
        askForName(FileNameDialog::NewMap, localized("mindmap_default_mind_map_name"));
    if (!name || !lockedLeaveOpenMap()) return;
    const std::string made = makeMindMap(*folder, *name, nullptr);
    if (!made.empty()) openNewMindMap(made);
}

void ServiceCloudExplorer::importDocument()
{
    if (!provider()) return;
    const std::optional<std::string> folder = pathStackTop();
    const std::vector<std::string> files = getFilesToImport();
    // Without a folder nothing is made: every file is reported as left out.
    if (files.empty() || (folder && !lockedLeaveOpenMap())) return;
    const CloudCommands::ImportOutcome outcome = CloudCommands::importForeignMaps(
        files, folder.has_value(), [this, &folder](const std::string& title, const MindMapData& archive) {
            return makeMindMap(*folder, title, &archive);
        });
    CloudCommands::reportImportFailures(outcome.failures);
    // The question ran its own loop: the service may have gone meanwhile.
    if (MindMapProvider* own = provider(); own && !outcome.lastMade.empty())
        EditorInterfaceInstance()->openStorage(own, outcome.lastMade, std::any());
}

void ServiceCloudExplorer::duplicate()
{
    FileListItem* map = selectedMindMapItem();
    if (!ready() || !map || !paneService()) return;
    const std::string path = map->path();
    // The copy opens in the open map's place: nothing is copied while the user stays with it.
    if (!lockedLeaveOpenMap()) return;
    // Committing may end the service's run (a quit): it is asked for again.
    if (CloudPaneService* service = paneService()) service->duplicateFile(path);
}

void ServiceCloudExplorer::synchronize()
{
    CloudPaneService* service = paneService();
    if (!_linked || !online() || !service) return;
    lockedCommitEditor();
    service->manualSynchronize();
    refreshListing();
}

void ServiceCloudExplorer::updateCloudMenu(Menu& menu)
{
    CloudCommands::fillCopyToCloudMenu(menu, provider(), this);
}

void ServiceCloudExplorer::lockedCommitEditor()
{
    ++_refreshLock;
    EditorInterfaceInstance()->commitEditor();
    --_refreshLock;
}

bool ServiceCloudExplorer::lockedLeaveOpenMap()
{
    ++_refreshLock;
    const bool leaves = leaveOpenMap();
    --_refreshLock;
    return leaves;
}

bool ServiceCloudExplorer::acceptTypedName(const std::string& name)
{
    if (std::optional<std::string> problem = CloudCommands::invalidNameMessage(name)) {
        FeedbackCenter::feedbackCenter().showEditorNotification(localized("explorer_invalid_name_title"), *problem,
                                                                FeedbackStateError);
        return false;
    }
    return true;
}

std::optional<std::string> ServiceCloudExplorer::askForName(int32_t mode, const std::string& initialName)
{
    FileNamePrompt* prompt = FileNamePrompt::shared();
    if (!prompt) return std::nullopt;
    std::optional<std::string> name = prompt->selectNewFileName(mode, initialName);
    if (!name || name->empty() || !acceptTypedName(*name)) return std::nullopt;
    return name;
}

void ServiceCloudExplorer::goBack()
{
    popPath();
}

void ServiceCloudExplorer::loadShowThumbnails()
{
    if (explorerMode() == MainExplorerMode || explorerMode() == LinkMindMapExplorerMode) {
        _canShowThumbnails = adapter().isViewBased();
        const PropertyList value = UserDefaults::standard().objectForKey(showThumbnailsKey());
        _showThumbnails = _canShowThumbnails &&
            (value.type() == PropertyList::Type::None || UserDefaults::standard().boolForKey(showThumbnailsKey()));
    }
    adapter().setShowThumbnails(_showThumbnails);
}

void ServiceCloudExplorer::setUpRowsForMode(const char* dragType)
{
    if (explorerMode() == MainExplorerMode) {
        adapter().setDragDataFormat(std::string(dragType));
    } else {
        adapter().setReadOnly(true);
    }
}

void ServiceCloudExplorer::registerActions()
{
    const struct {
        const char* action;
        void (ServiceCloudExplorer::*handler)();
    } actions[] = {
        {"newDocument:", &ServiceCloudExplorer::newDocument},
        {"addFolder:", &ServiceCloudExplorer::addFolder},
        {"importDocument:", &ServiceCloudExplorer::importDocument},
        {"convert:", &ServiceCloudExplorer::convert},
        {"viewDocument:", &ServiceCloudExplorer::viewDocument},
        {"rename:", &ServiceCloudExplorer::rename},
        {"delete:", &ServiceCloudExplorer::deleteItem},
        {"duplicate:", &ServiceCloudExplorer::duplicate},
        {"moveToFolder:", &ServiceCloudExplorer::moveToFolder},
        {"makeOfflineAvailable:", &ServiceCloudExplorer::makeOfflineAvailable},
        {"undoOfflineAvailable:", &ServiceCloudExplorer::undoOfflineAvailable},
        {"synchronize:", &ServiceCloudExplorer::synchronize},
        {"goBack:", &ServiceCloudExplorer::goBack},
        {"toggleShowThumbnails:", &ServiceCloudExplorer::toggleShowThumbnails},
    };
    for (const auto& each : actions) {
        auto handler = each.handler;
        addAction(each.action, [this, handler](const ActionSender*) { (this->*handler)(); });
    }
    // Only names the segment and item for validation: the work is done from its menu.
    addAction("canCopyToCloud:", [](const ActionSender*) {});
    addAction(CloudCommands::CopyToProviderAction,
              [this](const ActionSender* sender) { copyToProvider(CloudCommands::providerOfSender(sender)); });
}
