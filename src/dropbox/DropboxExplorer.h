#pragma once

#include "dropbox/DropboxLister.h"
#include "explorers/BreadcrumbBar.h"
#include "explorers/CloudCommands.h"
#include "explorers/CloudExplorer.h"
#include "platform/NetworkController.h"
#include "platform/NotificationCenter.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class Dropbox;
class DropboxProvider;
class SegmentedControlItem;

// The Dropbox pane of the explorer: one Dropbox folder (or the maps a search found) with a path
// bar above it, following the service's state and the network, keeping the open map selected and
// opening a map when it is selected. In the main window it offers the file commands; in a browser
// window it picks a document, an image, a map or a folder. Main thread only.
class DropboxExplorer : public CloudExplorer,
                        public DropboxListerDelegate,
                        public NetworkControllerObserver,
                        public BreadcrumbBarListener {
public:
    static constexpr const char* ShowThumbnailsKey = "DropboxExplorer.ShowThumbnails";
    static constexpr const char* DragType = "com.orrinworks.tarnWick.DropboxExplorerDataType";
    // How long the notice that no menu can be shown stays.
    static constexpr double BusyNoticeDuration = 1.5;
    static constexpr CloudCommands::ServiceKeys ServiceKeys{"context_menu_dropbox_busy_title", "db_synchronize"};
    enum DropboxState : uint64_t { Unchecked = 0, NotLinked = 1, Initializing = 2, Ready = 3 };

    using ListerFactory =
        std::function<std::unique_ptr<DropboxLister>(Dropbox& service, DropboxListerDelegate* delegate)>;
    // Tests list through a lister of their own; an empty factory brings back the real one.
    static void setListerFactory(ListerFactory factory);

    explicit DropboxExplorer(int32_t explorerMode);
    ~DropboxExplorer() override;

    std::string title() const override;
    MindMapProvider* provider() const override;

    // CloudExplorer
    void loadView() override;
    double insertToolbarControls(CloudExplorerToolbar& toolbar) override;
    void onActivated() override;
    void onDeactivated() override;
    bool canChangePathStack() const override;
    void refreshListing() override;
    void tableViewDoubleClicked() override;
    void tableViewSelectionDidChange() override;
    void searchFilterChanged() override;
    void setSearchBar(MindMapSearchField* field) override;
    void windowDidUpdate() override;
    void renameFileItem(FileListItem& item, const std::string& newName) override;
    bool allowInplaceEditing() override;
    bool moveSourceItem(FileListItem& source, FileListItem& toDirectory) override;
    bool allowCloudImageDrag() override;
    void fetchThumbnail(FileListItem& item) override;
    std::shared_ptr<Menu> menuForEvent(const PointerEvent& event) override;
    void tableViewMoveLeft(CloudTableView& table) override;
    // Return names the selected row anew, in place.
    void tableViewEnterKeyDown(CloudTableView& table) override;

    // MindMapExplorerBase
    std::optional<std::string> selectedBrowserItem() const override;
    void newDocument() override;
    void addFolder() override;
    void importDocument() override;
    ItemValidation validateUserInterfaceItem(const ValidatedUserInterfaceItem& item) override;

    void listerCompleted(const std::optional<FileListItems>& items, const std::optional<std::string>& dbPath,
                         int result) override;
    void onlineStateChanged(bool online) override;
    void navigateToBreadcrumbPath(const std::string& path) override;

    // The commands of the toolbar and the menus.
    void convert();
    void viewDocument();
    void rename();
    void deleteItem();
    void duplicate();
    void moveToFolder();
    void copyToProvider(MindMapProvider* target);
    void makeOfflineAvailable();
    void undoOfflineAvailable();
    void synchronize();
    void goBack();
    void toggleShowThumbnails();
    void setShowThumbnails(bool show);

    // The context menu as it would open now, and the copy-to-cloud menu's items.
    void updateContextMenu();
    void updateCloudMenu(Menu& menu);
    const std::shared_ptr<Menu>& contextMenu() const { return _contextMenu; }
    const std::vector<std::shared_ptr<SegmentedControlItem>>& toolbarItems() const { return _toolbarItems; }

    // The selected row's item; the navigate-up entry only when asked for.
    FileListItem* selectedFileListItem(bool includeNavigateUp) const;
    FileListItem* selectedMindMapItem() const;
    void cancelListerAndRecreate(bool recreate);
    void selectCurrentMindMap();
    std::string normalizedPathName(const std::string& path) const;

    uint64_t dropboxState() const { return _dropboxState; }
    bool dropboxLinked() const { return _dropboxLinked; }
    bool canShowThumbnails() const { return _canShowThumbnails; }
    bool showThumbnails() const { return _showThumbnails; }
    DropboxLister* lister() const { return _lister.get(); }
    void refreshDropboxState();

private:
    Dropbox* service() const;
    void registerActions();
    void performDropboxStateChanged();
    void updateBreadcrumbRoot();
    void directoryChanged(const std::string& path);
    void currentMindMapChanged();
    void thumbnailsChanged();
    bool listerIdle() const { return !_lister || !_lister->busy(); }
    bool ready() const;
    bool online() const;
    CloudCommands::CommandState commandState() const;
    std::vector<std::string> pathStackFor(const std::string& path) const;
    void replacePathStack(const std::vector<std::string>& stack);
    void showItems(const std::optional<FileListItems>& items, bool searching);
    void lockedCommitEditor();
    // The name the user typed, or nothing (the user was told why) when it cannot name a file.
    std::optional<std::string> askForName(int32_t mode, const std::string& initialName);
    bool acceptTypedName(const std::string& name);
    std::optional<std::string> parentOf(const std::string& path) const;
    std::string joined(const std::string& folder, const std::string& name) const;

    std::shared_ptr<DropboxProvider> _provider;
    std::unique_ptr<DropboxLister> _lister;
    std::shared_ptr<Menu> _contextMenu;
    std::shared_ptr<Menu> _cloudMenu;
    std::vector<std::shared_ptr<SegmentedControlItem>> _toolbarItems;
    bool _canShowThumbnails = false;
    bool _showThumbnails = false;
    uint64_t _dropboxState = Unchecked;
    bool _dropboxLinked = false;
    int64_t _refreshLock = 0;
    bool _navigationLock = false;
    bool _observingNetwork = false;
    bool _viewLoaded = false;
    std::vector<ObservationToken> _observations;
};
