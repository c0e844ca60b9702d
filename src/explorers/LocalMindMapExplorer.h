#pragma once

#include "Editor/TwkDocumentController.h"
#include "explorers/LocalExplorerAdapter.h"
#include "explorers/MindMapExplorerBase.h"
#include "explorers/MindMapOutlineView.h"
#include "explorers/MindMapSearchField.h"
#include "platform/Menu.h"
#include "platform/NotificationCenter.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

struct Error;
class MindMapInfoItem;
class MindMapStoreFolder;
class MindMapStoreItem;
class SegmentedControlItem;
class Scheduler;

// The explorer of the local store: its folders and maps as an outline, a title or full-text
// filter, optional thumbnails, and the commands new map, new folder, import, PDF bookmark import,
// rename, duplicate, delete into the recycle bin and copy to a cloud. In the main window a selected
// map opens in the editor; in a browser window it picks a map or a folder.
class LocalMindMapExplorer : public MindMapExplorerBase, public MindMapSearchFieldTarget, public OutlineController {
public:
    static constexpr const char* ShowThumbnailsKey = "LocalExplorer.ShowThumbnails";
    static constexpr const char* DefaultFolderNameKey = "map_list_default_folder_name";
    static constexpr const char* NoAdditionalCloudsKey = "no_additional_clouds_enabled_message";
    static constexpr const char* CopyToCloudFormatKey = "explorer_copy_to_cloud_caption_fmt";
    static constexpr const char* NewFolderErrorKey = "explorer_new_folder_error";
    static constexpr const char* DuplicateErrorKey = TwkDocumentController::DuplicateMapErrorKey;
    static constexpr const char* DeleteErrorKey = "explorer_delete_error";
    static constexpr const char* EmptyBinErrorKey = "explorer_empty_bin_error";

    LocalMindMapExplorer(int32_t explorerMode, Scheduler& scheduler);
    ~LocalMindMapExplorer() override;

    // ---- The explorer base ----
    MindMapProvider* provider() const override;
    std::string title() const override;
    void onActivated() override;
    void windowDidUpdate() override;
    // A map's GUID: that map is selected.
    void setInitialSelection(const std::string& selection) override;
    std::optional<std::string> selectedBrowserItem() const override;
    std::optional<std::string> selectedBrowserItemTitle() const override;
    void newDocument() override;
    void addFolder() override;
    void importDocument() override;
    void importPdf() override;
    ItemValidation validateUserInterfaceItem(const ValidatedUserInterfaceItem& item) override;

    // ---- The search field ----
    void searchModeChanged(MindMapSearchField& field) override;
    void setSearchBar(MindMapSearchField* field) override;
    MindMapSearchField* searchBar() const { return _searchBar; }
    const std::string& searchFilter() const { return _searchFilter; }
    // Ignores nothing but the same text; searching exactly while the text is not empty.
    void setSearchFilter(const std::string& filter);
    void cancelSearchFilter();
    void searchFilterChanged();

    // ---- The view ----
    // Attaches the outline and the store, selects the open map; called once the widgets exist.
    void loadView() override;
    MindMapOutlineView& outlineView() { return _outlineView; }
    LocalExplorerAdapter& adapter() { return _adapter; }
    // The toolbar strip's control; nothing outside the main explorer.
    SegmentedControlItem* toolbar() const { return _toolbar.get(); }
    const std::vector<std::shared_ptr<SegmentedControlItem>>& toolbarItems() const { return _toolbarItems; }

    // ---- Commands ----
    void rename();
    void duplicate();
    void deleteItem();
    void deleteMindMap(MindMapInfoItem* mindMap);
    void deleteFolder(MindMapStoreFolder* folder);
    void emptyRecycleBin();
    void copyToProvider(MindMapProvider* target);
    bool showThumbnails() const { return _showThumbnails; }
    void toggleShowThumbnails() { setShowThumbnails(!_showThumbnails); }
    void setShowThumbnails(bool showThumbnails);

    // ---- Selection ----
    MindMapStoreItem* selectedItem() const;
    // Expands the item's folders and selects its row alone; nullptr clears the selection unless a
    // folder is selected.
    void selectItemInOutline(MindMapStoreItem* item);
    // The folder new items go into: the selected folder, the selected map's folder, else the root.
    MindMapStoreFolder* getSelectedFolder() const;
    // The item the browser would return.
    MindMapStoreItem* browserPick() const;
    void currentMindMapChanged();

    // ---- OutlineController ----
    // The context menu, rebuilt; nothing outside the main explorer.
    std::shared_ptr<Menu> menuForEvent() override;
    void outlineSelectionDidChange() override;
    void outlineDoubleClicked() override;

    // Fills a copy-to-cloud menu: one item per other enabled provider, or one disabled message.
    void updateCloudMenu(Menu& menu);
    void updateContextMenu();
    Menu* contextMenu() const { return _contextMenu.get(); }

private:
    void registerActions();
    void setupToolbar();
    void selectionDidChange();
    // The editor's open map, when it is a map of the local store.
    MindMapInfoItem* currentLocalMindMap() const;
    // Switches the editor to no map when the open map is one of these.
    void closeMapIfAmong(const std::vector<MindMapInfoItem*>& maps);
    void openMap(MindMapInfoItem* map);
    // The map made, with the folder index written; nothing, with why, when either failed (what
    // was made is deleted again).
    MindMapInfoItem* makeMap(const std::function<MindMapInfoItem*(Error*)>& make, Error* error);
    // A move the disk refuses is undone and said.
    void moveIntoRecycleBin(MindMapStoreItem* item, const std::function<void()>& move);
    // The live folder an item of the recycle bin was moved out of, while it still lives outside
    // the bin; else the top of the store.
    MindMapStoreFolder* liveFolderForBinned(MindMapStoreItem* item) const;
    // A name being typed into the outline is taken before a command works on its item.
    void commitRename();

    LocalExplorerAdapter _adapter;
    MindMapOutlineView _outlineView;
    // Raised while the explorer itself opens a map because the selection changed.
    int64_t _selectionIsChanging = 0;
    std::string _searchFilter;
    // Raised while the search results are rebuilt.
    int64_t _filterLock = 0;
    MindMapSearchField* _searchBar = nullptr;
    std::shared_ptr<Menu> _contextMenu;
    bool _showThumbnails = false;
    bool _viewLoaded = false;
    std::shared_ptr<SegmentedControlItem> _toolbar;
    std::vector<std::shared_ptr<SegmentedControlItem>> _toolbarItems;
    std::shared_ptr<Menu> _cloudMenu;
    // Lets a browser's answer that comes after the explorer went do nothing.
    std::shared_ptr<bool> _alive = std::make_shared<bool>(true);
    // The folder (by id, empty for the top) each item was in when this explorer moved it into
    // the recycle bin.
    std::unordered_map<std::string, std::string> _binnedFrom;
    ObservationToken _storeChanged;
    ObservationToken _mindMapChanged;
};
