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
class DropboxExplorer : public ServiceCloudExplorer, public DropboxListerDelegate, public BreadcrumbBarListener {
public:
    static constexpr const char* ShowThumbnailsKey = "DropboxExplorer.ShowThumbnails";
    static constexpr const char* DragType = "com.orrinworks.tarnWick.DropboxExplorerDataType";
    // The path bar's root picture when the provider has none: the one of the cloud set-up.
    static constexpr const char* SetUpImage = "ic8_48_dropbox";
    static constexpr CloudCommands::ServiceKeys ServiceKeys{"context_menu_dropbox_busy_title", "db_synchronize",
                                                            "context_menu_dropbox_busy_message"};
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
    void refreshListing() override;
    void searchFilterChanged() override;
    void renameFileItem(FileListItem& item, const std::string& newName) override;
    bool allowInplaceEditing() override;
    bool moveSourceItem(FileListItem& source, FileListItem& toDirectory) override;

    // MindMapExplorerBase
    void addFolder() override;

    void listerCompleted(const std::optional<FileListItems>& items, const std::optional<std::string>& dbPath,
                         int result) override;
    void navigateToBreadcrumbPath(const std::string& path) override;

    // The commands of the toolbar and the menus.
    void rename() override;
    void deleteItem() override;
    void moveToFolder() override;
    void copyToProvider(MindMapProvider* target) override;
    void makeOfflineAvailable() override;
    void undoOfflineAvailable() override;

    void cancelListerAndRecreate(bool recreate) override;
    std::string normalizedPathName(const std::string& path) const;

    uint64_t dropboxState() const { return _dropboxState; }
    bool dropboxLinked() const { return _linked; }
    DropboxLister* lister() const { return _lister.get(); }
    void refreshDropboxState();

protected:
    CloudPaneService* paneService() const override;
    bool listerIdle() const override { return !_lister || !_lister->busy(); }
    bool userTaskRunning() const override;
    bool serviceTaskBusy() const override;
    bool sameItemPath(const std::string& a, const std::string& b) const override;
    std::shared_ptr<const Image> thumbnailFor(const std::string& path) const override;
    const char* showThumbnailsKey() const override { return ShowThumbnailsKey; }
    CloudCommands::ServiceKeys serviceKeys() const override { return ServiceKeys; }
    void performServiceStateChanged() override;
    std::string makeMindMap(const std::string& folder, const std::string& title, const MindMapData* archive) override;
    void openNewMindMap(const std::string& id) override;
    void registerActions() override;

private:
    Dropbox* service() const;
    void directoryChanged(const std::string& path);
    void showListerAnswer(const std::optional<FileListItems>& items, const std::optional<std::string>& dbPath,
                          int result);
    void currentMindMapChanged();
    std::vector<std::string> pathStackFor(const std::string& path) const;
    void replacePathStack(const std::vector<std::string>& stack);
    void showItems(const std::optional<FileListItems>& items, bool searching);
    std::optional<std::string> parentOf(const std::string& path) const;
    std::string joined(const std::string& folder, const std::string& name) const;

    std::shared_ptr<DropboxProvider> _provider;
    std::unique_ptr<DropboxLister> _lister;
    uint64_t _dropboxState = Unchecked;
    bool _relistWhenAnswered = false;
    std::vector<ObservationToken> _observations;
};
