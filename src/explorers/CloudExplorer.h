#pragma once

#include "explorers/CloudCommands.h"
#include "explorers/CloudPaneService.h"
#include "explorers/CloudTableView.h"
#include "explorers/FileListAdapter.h"
#include "explorers/MindMapExplorerBase.h"
#include "explorers/MindMapSearchField.h"
#include "platform/NetworkController.h"
#include "platform/NotificationCenter.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class BreadcrumbBar;
class Image;
class MindMapProvider;
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
    // The user leaves the folder or the search shown for another: what lists it is given up.
    virtual void leaveListing() {}
    // The view went out of sight (its pane or window closed) or came back.
    virtual void viewShown(bool /*shown*/) {}
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

// A cloud explorer showing a real service: the decisions its panes share on selection, opening,
// thumbnails, the toolbar, naming and the network. The service's own explorer supplies its lister,
// its keys and its ways of reaching the service through the hooks below.
class ServiceCloudExplorer : public CloudExplorer, public NetworkControllerObserver {
public:
    // How long the notice that no menu can be shown stays.
    static constexpr double BusyNoticeDuration = 1.5;

    explicit ServiceCloudExplorer(int32_t explorerMode);

    void onActivated() override;
    void onDeactivated() override;
    bool canChangePathStack() const override;
    // A listing nobody waits for any more stops, its transfer and its pages with it.
    void leaveListing() override;
    // Out of sight nothing is listed: the folder is listed once the view shows again.
    void viewShown(bool shown) override;
    void tableViewDoubleClicked() override;
    void tableViewSelectionDidChange() override;
    void setSearchBar(MindMapSearchField* field) override;
    void windowDidUpdate() override;
    double insertToolbarControls(CloudExplorerToolbar& toolbar) override;
    bool allowCloudImageDrag() override;
    void fetchThumbnail(FileListItem& item) override;
    void tableViewMoveLeft(CloudTableView& table) override;
    // Return names the selected row anew, in place.
    void tableViewEnterKeyDown(CloudTableView& table) override;
    std::optional<std::string> selectedBrowserItem() const override;
    ItemValidation validateUserInterfaceItem(const ValidatedUserInterfaceItem& item) override;
    void onlineStateChanged(bool online) override;
    // Only in the main window, and not while a user's operation runs (the user is told why).
    std::shared_ptr<Menu> menuForEvent(const PointerEvent& event) override;

    // The context menu as it would open now, and the copy-to-cloud menu's items.
    void updateContextMenu();
    const std::shared_ptr<Menu>& contextMenu() const { return _contextMenu; }
    // Selects the open map's row when the pane lists it, and otherwise drops a selected map.
    void selectCurrentMindMap();
    // The user kept the open map rather than leave it for the one selected here: the open map's
    // row is selected again, or no map's row when the open map is another service's.
    void openMapKept();

    // New and Import make maps in the folder shown and open the (last) one made. Before anything is
    // made the open map is committed, and when it cannot be saved the user chooses as on every road
    // to another map: staying with it makes nothing.
    void newDocument() override;
    void importDocument() override;

    // The commands of the toolbar and the menus.
    void convert();
    void viewDocument();
    virtual void rename() = 0;
    virtual void deleteItem() = 0;
    void duplicate();
    virtual void moveToFolder() = 0;
    virtual void copyToProvider(MindMapProvider* target) = 0;
    virtual void makeOfflineAvailable() = 0;
    virtual void undoOfflineAvailable() = 0;
    void synchronize();
    virtual void cancelListerAndRecreate(bool recreate) = 0;
    void goBack();
    void toggleShowThumbnails();
    void setShowThumbnails(bool show);
    void updateCloudMenu(Menu& menu);
    const std::vector<std::shared_ptr<SegmentedControlItem>>& toolbarItems() const { return _toolbarItems; }

    // The selected row's item, while the list is settled; the navigate-up entry only when asked for.
    FileListItem* selectedFileListItem(bool includeNavigateUp) const;
    FileListItem* selectedMindMapItem() const;

    bool canShowThumbnails() const { return _canShowThumbnails; }
    bool showThumbnails() const { return _showThumbnails; }

protected:
    // nullptr while the service is not there (before it starts, after the quit).
    virtual CloudPaneService* paneService() const = 0;
    virtual bool listerIdle() const = 0;
    virtual bool userTaskRunning() const = 0;
    // Whether the service runs a user's operation (false without a service).
    virtual bool serviceTaskBusy() const = 0;
    // Whether two paths of the service name the same item.
    virtual bool sameItemPath(const std::string& a, const std::string& b) const { return a == b; }
    // nullptr when the map has no thumbnail (yet) or the service is gone.
    virtual std::shared_ptr<const Image> thumbnailFor(const std::string& path) const = 0;
    virtual const char* showThumbnailsKey() const = 0;
    virtual CloudCommands::ServiceKeys serviceKeys() const = 0;
    // Brings the pane up to the service's state after it was activated.
    virtual void performServiceStateChanged() = 0;
    // A map made in the service's folder and named after the title: a new empty one without an
    // archive, else the archive's map. Its id; empty when none was made.
    virtual std::string makeMindMap(const std::string& folder, const std::string& title,
                                    const MindMapData* archive) = 0;
    // Opens the map New has just made.
    virtual void openNewMindMap(const std::string& id) = 0;

    // Binds the commands' actions to the pane.
    virtual void registerActions();
    // True, and the listing kept for when the view shows again, while the view is out of sight:
    // the services' listings ask before they start.
    bool deferListingWhileHidden();
    // Whether thumbnails can and should show, from the user's last choice; the service's
    // explorer asks once it is made.
    void loadShowThumbnails();
    // In the main window rows are dragged out as `dragType`; a browser only picks.
    void setUpRowsForMode(const char* dragType);
    bool online() const;
    // Linked, listed and free of a user's operation: the file commands may run.
    bool ready() const { return _linked && listerIdle() && !userTaskRunning(); }
    CloudCommands::CommandState commandState() const;
    void lockedCommitEditor();
    // leaveOpenMap() without listing anew while the open map is committed.
    bool lockedLeaveOpenMap();
    // The name the user typed, or nothing (the user was told why) when it cannot name a file.
    std::optional<std::string> askForName(int32_t mode, const std::string& initialName);
    bool acceptTypedName(const std::string& name);
    // Asks before an item is deleted, naming it as shown.
    static bool confirmDeletion(bool isFolder, const std::string& shownName);
    void thumbnailsChanged();
    void setEmptyText(const char* key);
    // The path bar's root: the service's name, and its small icon, else its large one, else the
    // fallback picture when one is named.
    void updateBreadcrumbRoot(const char* fallbackImage = nullptr);
    void showSearchBreadcrumb();

    std::shared_ptr<Menu> _cloudMenu;
    std::shared_ptr<Menu> _contextMenu;
    std::vector<std::shared_ptr<SegmentedControlItem>> _toolbarItems;
    bool _canShowThumbnails = false;
    bool _showThumbnails = false;
    bool _linked = false;
    int64_t _refreshLock = 0;
    bool _navigationLock = false;
    bool _observingNetwork = false;
    bool _viewLoaded = false;
    ObservationToken _openMapKept;

private:
    // The selected row's item whatever the lister does.
    FileListItem* selectedRow(bool includeNavigateUp) const;

    bool _viewHidden = false;
    bool _listWhenShown = false;
};
