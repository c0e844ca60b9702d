#pragma once

#include "explorers/CloudTableView.h"
#include "explorers/FileListAdapter.h"
#include "explorers/MindMapExplorerBase.h"
#include "explorers/MindMapSearchField.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class BreadcrumbBar;
class SegmentedControlItem;
class ToolbarBackground;

// The strip above a cloud explorer's table, which the explorer of a service fills with its
// controls; the widget showing it makes the controls' widgets.
class CloudExplorerToolbar {
public:
    virtual ~CloudExplorerToolbar() = default;
    // Places the controls and answers the strip's height (0 for none).
    virtual double addSegmentedControlItems(std::vector<std::shared_ptr<SegmentedControlItem>> items) = 0;
    virtual void setHidden(bool hidden) = 0;
    virtual void validateSegmentedControlItems() = 0;
};

// The common base of the cloud services' explorers: a file table served by a FileListAdapter, a
// toolbar strip the service fills, a path bar, a stack of folder paths from the root to the
// current folder, and the hookup to the window's search field. The base lists nothing real: its
// listing is a fixed sample. The services' explorers override the hooks below.
class CloudExplorer : public MindMapExplorerBase,
                      public FileListAdapterDelegate,
                      public CloudTableViewDelegate,
                      public MindMapSearchFieldTarget {
public:
    explicit CloudExplorer(int32_t explorerMode);
    ~CloudExplorer() override;

    // The parts of the view, set by the widget that shows the explorer before loadView(); not
    // owned, and cleared again before they go.
    void setTableView(CloudTableView* table);
    CloudTableView* tableView() const { return _tableView; }
    void setToolbar(CloudExplorerToolbar* toolbar) { _toolbar = toolbar; }
    CloudExplorerToolbar* toolbar() const { return _toolbar; }
    void setPathContainer(ToolbarBackground* pathContainer) { _pathContainer = pathContainer; }
    ToolbarBackground* pathContainer() const { return _pathContainer; }
    void setBreadcrumbBar(BreadcrumbBar* bar) { _breadcrumbBar = bar; }
    BreadcrumbBar* breadcrumbBar() const { return _breadcrumbBar; }

    // Attaches the adapter to the table, sets up the toolbar and lists the current folder.
    void loadView() override;

    // The service's controls; answers the strip's height, and 0 hides the strip.
    virtual double insertToolbarControls(CloudExplorerToolbar& toolbar);
    void setupToolbar();
    void onActivated() override;
    // Whether navigation may change the current folder now.
    virtual bool canChangePathStack() const { return true; }
    virtual void refreshListing() { insertTestItems(); }
    virtual void tableViewDoubleClicked() {}
    // The user selected other rows.
    virtual void tableViewSelectionDidChange() {}
    virtual void searchFilterChanged() {}
    void windowDidUpdate() override;

    // FileListAdapterDelegate: nothing is renamed, moved or dragged to the editor here, and no
    // thumbnail exists.
    void renameFileItem(FileListItem& item, const std::string& newName) override;
    bool allowInplaceEditing() override { return false; }
    bool moveSourceItem(FileListItem& source, FileListItem& toDirectory) override;
    bool allowCloudImageDrag() override { return false; }
    void fetchThumbnail(FileListItem& item) override;

    // The folder stack; its first entry is the root, which popPath() never removes.
    const std::vector<std::string>& pathStack() const { return _pathStack; }
    std::optional<std::string> pathStackTop() const;
    void pushPath(const std::string& path);
    void popPath();
    // Replaces the whole stack without listing (the first entry should be the root).
    void setPathStack(std::vector<std::string> stack) { _pathStack = std::move(stack); }
    // The kinds the listing keeps in the explorer's mode.
    int32_t getFileListItemTypeFilter() const;

    // Search.
    const std::string& searchFilter() const { return _searchFilter; }
    // Nothing is ignored; a text becomes the filter and searchFilterChanged() runs.
    void setSearchFilter(const std::optional<std::string>& filter);
    void searchBarTextChange(MindMapSearchField& field);
    // Empties the field and the filter, also when no search runs.
    void cancelSearchFilter();
    MindMapSearchField* searchBar() const { return _searchBar; }
    void setSearchBar(MindMapSearchField* field) override;
    void searchModeChanged(MindMapSearchField& field) override;

    // The files chosen to import: OPML, text and FreeMind files; empty when cancelled.
    std::vector<std::string> getFilesToImport();
    // The sample listing of the base.
    void insertTestItems();

    FileListAdapter& adapter() { return _adapter; }

private:
    CloudTableView* _tableView = nullptr;
    CloudExplorerToolbar* _toolbar = nullptr;
    std::vector<std::string> _pathStack;
    FileListAdapter _adapter;
    MindMapSearchField* _searchBar = nullptr;
    std::string _searchFilter;
    ToolbarBackground* _pathContainer = nullptr;
    BreadcrumbBar* _breadcrumbBar = nullptr;
};
