#include "explorers/CloudExplorer.h"

#include "Editor/ToolbarBackground.h"
#include "platform/FileChooser.h"
#include "platform/Localizer.h"

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
    _pathStack.push_back(path);
    refreshListing();
}

void CloudExplorer::popPath()
{
    if (_pathStack.size() < 2 || !canChangePathStack()) return;
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
