#pragma once

#include "GoogleDrive/GDriveFolderLister.h"
#include "explorers/BreadcrumbBar.h"
#include "explorers/CloudCommands.h"
#include "explorers/CloudExplorer.h"
#include "platform/NetworkController.h"
#include "platform/NotificationCenter.h"

#include <any>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class GDriveFileInfoCache;
class GDriveFolderCache;
class GDriveProvider;
class Image;
class MindMapProvider;
class SegmentedControlItem;

// What the Drive pane asks of the Google Drive service. The pane reaches the service only through
// this, so that it follows the service as it comes and goes (it is made before the service starts
// and outlives it at quit).
class GDriveExplorerService : public CloudPaneService {
public:
    // The service the pane's lister works for.
    virtual GDriveTaskService& taskService() = 0;
    virtual bool isLinked() const = 0;
    virtual bool isAuthorized() const = 0;
    // A user's Drive operation runs; no other may start.
    virtual bool userTaskBusy() const = 0;
    virtual GDriveProvider* provider() = 0;
    virtual GDriveFolderCache& folderCache() = 0;
    virtual GDriveFileInfoCache& fileInfo() = 0;

    virtual void openMindMap(const std::string& gdriveId, const std::any& info) = 0;
    virtual void copyToCloud(const std::string& gdriveId, MindMapProvider* target, const std::string& folder) = 0;
    virtual void setOffLineAvailable(const std::string& gdriveId, bool value) = 0;
    virtual void addFolder(const std::string& name, const std::string& parentFolderId) = 0;
    virtual void renameFile(const std::string& gdriveId, bool isFolder, const std::string& newName,
                            const std::string& parentFolderId) = 0;
    virtual void deleteFromGDrive(const std::string& gdriveId, bool isFolder, const std::string& parentFolderId) = 0;
    virtual void moveFile(const std::string& gdriveId, bool isFolder, const std::string& fromFolder,
                          const std::string& toFolder) = 0;
    virtual std::string uniqueFileName(const std::string& name, const std::string& parentFolderId) = 0;
    virtual std::string uniqueFolderName(const std::string& name, const std::string& parentFolderId) = 0;
    // nullptr when the map has no thumbnail (yet).
    virtual std::shared_ptr<const Image> getThumbnailForFileId(const std::string& gdriveId) = 0;
};

// The Google Drive pane of the explorer: one Drive folder (or the maps a search found) with a path
// bar led by the service's name, following the service's state and the network, keeping the open
// map selected and opening a map when it is selected. In the main window it offers the file
// commands; in a browser window it picks a document, an image, a map or a folder. Drive names
// folders by id: the path stack holds ids, and the names come from the folder cache. Main thread
// only.
class GDriveExplorer : public ServiceCloudExplorer, public GDriveFolderListerDelegate, public BreadcrumbBarListener {
public:
    static constexpr const char* ShowThumbnailsKey = "GDriveExplorer.ShowThumbnails";
    static constexpr const char* DragType = "com.orrinworks.tarnWick.GDriveExplorerDataType";
    // The breadcrumb root button's path, standing for the root folder whatever its id.
    static constexpr const char* RootPath = "root";
    static constexpr CloudCommands::ServiceKeys ServiceKeys{"context_menu_gdrive_busy_title", "gdrive_synchronize",
                                                            "context_menu_gdrive_busy_message"};
    enum GDriveState : uint64_t { Unchecked = 0, Disconnected = 1, Initializing = 2, Linked = 3 };

    using ServiceSource = std::function<GDriveExplorerService*()>;
    // Where every pane finds the service; an empty source brings back the application's.
    static void setServiceSource(ServiceSource source);
    static GDriveExplorerService* currentService();
    // The service's notifications of a change of sign-in or set-up (GTK code cannot name the
    // service: GIO has a type of that name).
    static std::vector<const char*> connectionChangeNotifications();
    using ListerFactory = std::function<std::unique_ptr<GDriveFolderLister>(GDriveTaskService& service,
                                                                            GDriveFolderListerDelegate* delegate)>;
    // Tests list through a lister of their own; an empty factory brings back the real one.
    static void setListerFactory(ListerFactory factory);

    explicit GDriveExplorer(int32_t explorerMode);
    ~GDriveExplorer() override;

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
    std::optional<std::string> selectedBrowserItemTitle() const override;
    void willReturnSelectedItem(const std::string& selection) override;
    void addFolder() override;

    void listerCompleted(const std::optional<FileListItems>& items, const std::optional<std::string>& folderId,
                         int result) override;
    void navigateToBreadcrumbPath(const std::string& path) override;

    // The commands of the toolbar and the menus.
    void rename() override;
    void deleteItem() override;
    void moveToFolder() override;
    void copyToProvider(MindMapProvider* target) override;
    void makeOfflineAvailable() override;
    void undoOfflineAvailable() override;

    // Folder ids from the root to the folder, through the cached parents; the root is put
    // underneath when the cache does not reach it.
    std::vector<std::string> pathStackForFolder(const std::string& folderId) const;
    // The path bar's folders from the root's child down to the folder; an unknown id is one item.
    std::vector<BreadcrumbBarPathItem> breadcrumbPathItems(const std::string& folderId) const;
    // "«Google Drive»/Docs/Sub" (the offline root name when offline).
    std::string normalizedPathName(const std::string& folderId) const;

    uint64_t gdriveState() const { return _gdriveState; }
    bool gdriveLinked() const { return _linked; }
    GDriveFolderLister* lister() const { return _lister.get(); }
    void refreshGDriveState();

protected:
    CloudPaneService* paneService() const override { return service(); }
    bool listerIdle() const override { return !_lister || !_lister->busy(); }
    bool userTaskRunning() const override;
    bool serviceTaskBusy() const override;
    std::shared_ptr<const Image> thumbnailFor(const std::string& path) const override;
    const char* showThumbnailsKey() const override { return ShowThumbnailsKey; }
    CloudCommands::ServiceKeys serviceKeys() const override { return ServiceKeys; }
    void performServiceStateChanged() override;
    std::string makeMindMap(const std::string& folder, const std::string& title, const MindMapData* archive) override;
    void openNewMindMap(const std::string& id) override;

private:
    GDriveExplorerService* service() const { return currentService(); }
    void showBreadcrumbFor(const std::string& folderId);
    void directoryChanged(const std::string& folderId);
    void showListerAnswer(const std::optional<FileListItems>& items, const std::optional<std::string>& folderId,
                          int result);
    void currentMindMapChanged();
    void cancelListerAndRecreate(bool recreate) override;
    std::string rootFolderId() const;

    std::unique_ptr<GDriveFolderLister> _lister;
    GDriveTaskService* _listerService = nullptr;
    uint64_t _gdriveState = Unchecked;
    bool _relistWhenAnswered = false;
    std::vector<ObservationToken> _observations;
};
