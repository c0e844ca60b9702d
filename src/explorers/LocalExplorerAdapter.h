#pragma once

#include "explorers/MindMapOutlineView.h"
#include "platform/Image.h"
#include "platform/Scheduler.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

struct Error;
class MindMapStore;
class MindMapStoreFolder;
class MindMapStoreItem;
class MindMapStoreRefFolder;

// Makes a change of the store's folder tree, with whatever the change writes itself, and writes
// the folder index once it is made: false, with why, when either could not be written. The caller
// undoes what was made, so that the side bar shows what the disk holds.
bool changeFolderTree(MindMapStore& store, const std::function<bool(Error*)>& change, Error* error);

// The rows of the local store explorer: the store's folder tree, or the search results while the
// user searches; what each row shows; renaming in place; dragging items to rearrange the tree; and
// the guard that commits the open map before the selection may move.
class LocalExplorerAdapter : public OutlineDataSource {
public:
    // The drag type of store items; the dragged value is the item's GUID.
    static constexpr const char* DragType = "com.orrinworks.tarnWick.LocalExplorerDataType";
    static constexpr const char* SearchResultsTitleKey = "map_list_search_results";
    static constexpr const char* RenameErrorKey = "explorer_rename_error";
    static constexpr const char* MoveErrorKey = "explorer_move_error";
    // Cell kinds, each with its own look.
    static constexpr const char* MapCellIdentifier = "LocalAdapterMapView";
    static constexpr const char* ThumbnailMapCellIdentifier = "LocalAdapterTNMapView";
    static constexpr const char* FolderCellIdentifier = "FileListAdapterFolderView";
    static constexpr double DefaultRowHeight = 31.0;
    static constexpr double FolderRowHeight = 18.0;
    static constexpr double MapRowHeight = 31.0;
    static constexpr double ThumbnailMapRowHeight = 73.0;
    // The drop answer for a move.
    static constexpr uint32_t DragOperationNone = 0;
    static constexpr uint32_t DragOperationMove = 16;

    LocalExplorerAdapter(Scheduler& scheduler, bool isExplorer, bool displayFilesGrayed);
    ~LocalExplorerAdapter() override;
    LocalExplorerAdapter(const LocalExplorerAdapter&) = delete;
    LocalExplorerAdapter& operator=(const LocalExplorerAdapter&) = delete;

    MindMapOutlineView* outlineView() const { return _outlineView; }
    // Detaches the old outline and serves the new one.
    void setOutlineView(MindMapOutlineView* outlineView);

    // The store's root folder, or the search results while searching.
    MindMapStoreFolder* displayedRoot() const;
    MindMapStoreRefFolder& searchResults() { return *_searchResults; }
    bool isSearching() const { return _searching; }
    void setIsSearching(bool searching) { _searching = searching; }

    bool isExplorer() const { return _isExplorer; }
    bool displayFilesGrayed() const { return _displayFilesGrayed; }
    bool blockingChange() const { return _blockingChange; }
    bool showThumbnails() const { return _showThumbnails; }
    // On a change: the edit is cancelled, the rows are reloaded and the selection kept in view.
    void setShowThumbnails(bool showThumbnails);

    // Ends an in-place edit without taking its text.
    void cancelEditing();
    bool isCancellingEdit() const { return _cancelEdit > 0; }

    // ---- OutlineDataSource ----
    size_t numberOfChildren(MindMapStoreItem* item) override;
    MindMapStoreItem* child(size_t index, MindMapStoreItem* item) override;
    bool isItemExpandable(MindMapStoreItem* item) override;
    // Always yes outside the main explorer and for rows that leave the open map where it is. Else
    // yes once the open map is written; when it cannot be, no, and a moment later, outside the
    // widget's selection check, the user is asked as on every road to another map: once the map
    // is written or its changes discarded, the rows are selected. No while the question waits.
    bool selectionShouldChange(const std::set<int64_t>& rows) override;

    // ---- What a row shows ----
    std::string cellIdentifier(MindMapStoreItem* item) const;
    double rowHeight(MindMapStoreItem* item) const;
    // The title on one line, as plain text: as shown (TextExcerpt::Name), and whole as a rename
    // starts with it.
    std::string titleForItem(MindMapStoreItem* item) const;
    std::string editingTitleForItem(MindMapStoreItem* item) const;
    // Maps: the folder path while searching, else the date of the last change. Folders: nothing.
    std::string detailsForItem(MindMapStoreItem* item) const;
    // Whether the title and details are dimmed (maps in a folder pick).
    bool isTitleDimmed(MindMapStoreItem* item) const;
    bool isDetailsDimmed(MindMapStoreItem* item) const;
    bool isItemEditable(MindMapStoreItem* item) const;
    // The thumbnail when it is at hand without painting: folders' icons, maps' cached pictures.
    // Nothing for a map whose picture must be painted first (the caller paints it later).
    std::shared_ptr<const Image> cachedThumbnail(MindMapStoreItem* item) const;
    // The picture of a map row, painted and cached when missing; the default icon without thumbnails.
    std::shared_ptr<const Image> thumbnail(MindMapStoreItem* item) const;

    // The in-place edit of the item's title ended with this text. A title the disk refuses stays
    // as it was, and the user is told a moment later, outside the widget's signal.
    void cellEndEdit(MindMapStoreItem* item, const std::string& text);

    // ---- Dragging ----
    // The GUID of the first item, which becomes the dragged item; nothing when dragging is off.
    std::optional<std::string> writeItems(const std::vector<MindMapStoreItem*>& items);
    MindMapStoreItem* dragItem() const;
    void clearDragItem() { _dragItem.reset(); }
    // The drop (item, child index) for the dragged item; the operation and, for a move, the folder
    // and index it lands at. fromThisOutline: the drag started in this outline.
    struct DropTarget {
        uint32_t operation = DragOperationNone;
        MindMapStoreFolder* folder = nullptr;
        int64_t index = -1;
    };
    DropTarget validateDrop(MindMapStoreItem* item, int64_t childIndex, bool fromThisOutline) const;
    // The dragged item named by the payload (it must be the one this outline dragged). A move the
    // disk refuses is undone and refused, and said as a refused title is.
    bool acceptDrop(const std::string& payload, MindMapStoreItem* item, int64_t childIndex);

private:
    // Whether selecting the rows puts another map, or none, in the open map's place.
    bool leavesOpenMap(const std::set<int64_t>& rows) const;
    void askBeforeLeaving(const std::vector<std::weak_ptr<MindMapStoreItem>>& wanted);
    void reloadKeepingSelection();
    void presentFailureLater(const std::string& what, const Error& cause);

    Scheduler& _scheduler;
    MindMapOutlineView* _outlineView = nullptr;
    std::shared_ptr<MindMapStoreRefFolder> _searchResults;
    bool _searching = false;
    bool _isExplorer;
    bool _blockingChange = false;
    bool _showThumbnails = false;
    bool _displayFilesGrayed;
    int64_t _cancelEdit = 0;
    std::weak_ptr<MindMapStoreItem> _dragItem;
    ScheduledCall _leavingQuestion;
    ScheduledCall _failureAlert;
};
