#pragma once

#include "explorers/FileListItem.h"
#include "explorers/FileNameFormatter.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class Image;

// What the owner of a file list is told and asked.
class FileListAdapterDelegate {
public:
    virtual ~FileListAdapterDelegate() = default;
    virtual void renameFileItem(FileListItem& item, const std::string& newName) = 0;
    virtual bool allowInplaceEditing() = 0;
    virtual bool moveSourceItem(FileListItem& source, FileListItem& toDirectory) = 0;
    virtual bool allowCloudImageDrag() = 0;
    virtual void fetchThumbnail(FileListItem& item) = 0;
};

// What the adapter needs of the table that shows its rows; the GTK list implements it.
class FileListTable {
public:
    virtual ~FileListTable() = default;
    virtual void reloadData() = 0;
    virtual bool isReloadingData() const = 0;
    virtual std::vector<size_t> selectedRows() const = 0;
    virtual void selectRows(const std::vector<size_t>& rows) = 0;
    virtual void scrollRowToVisible(size_t row) = 0;
    // Ends an in-place edit running inside the table and gives the table the focus; nothing
    // when no edit runs.
    virtual void endEditing() = 0;
    // The row of an in-place edit running inside the table; nothing when none runs.
    virtual std::optional<size_t> editedRow() const { return std::nullopt; }
    // The next reload shows the edited item at that row: the edit stays open there with what was
    // typed, where the user left its caret.
    virtual void keepEditingAtRow(size_t /*row*/) {}
    // The pasteboard type rows are dragged as; nothing stops rows being dragged.
    virtual void setDraggedType(const std::optional<std::string>& type) = 0;
};

// Drag operation codes as the drop answers them.
namespace DragOperation {
inline constexpr int None = 0;
inline constexpr int Move = 16;
} // namespace DragOperation

// The pasteboard type of a dragged image of the current cloud; the value is the image's path.
inline constexpr const char* CloudImagePasteboardType = "com.orrinworks.tarnwickpro.cloudimage";

// How one row of the list looks.
struct FileListRow {
    enum class View { Folder, File, FileWithThumbnail, WideFile };
    View view = View::File;
    std::string text;        // the name as shown
    std::string editingText; // the name as edited (a file without its extension)
    std::string imageName;   // the type image's resource name
    bool dimmedImage = false;
    std::shared_ptr<const Image> thumbnail; // shown in place of the type image when set
    bool greyText = false;
    std::string disclosureImageName; // "star" for an item kept offline, else empty
    std::string details;
    bool editable = false;
    double height = 31.0;
};

// The data source of a cloud folder's table: holds the items, decides how each row looks, renames
// in place, drags rows onto folders, and reports renames, moves and thumbnail requests to its
// owner.
class FileListAdapter {
public:
    static constexpr double FolderRowHeight = 18.0;
    static constexpr double FileRowHeight = 31.0;
    static constexpr double ThumbnailRowHeight = 73.0;
    static constexpr double DimmedImageOpacity = 0.4;

    explicit FileListAdapter(FileListAdapterDelegate* delegate);
    ~FileListAdapter();
    FileListAdapter(const FileListAdapter&) = delete;
    FileListAdapter& operator=(const FileListAdapter&) = delete;

    bool isViewBased() const { return true; }

    const FileListItems& items() const { return _items; }
    size_t numberOfRows() const { return _items.size(); }
    FileListItem* itemAt(size_t row) const { return row < _items.size() ? _items[row].get() : nullptr; }

    // Replaces the items (in their order) and reloads the table. A rename being typed is no
    // answer to a listing come in (a sync, a refresh): it stays open on its item where the new
    // items hold it (by its path); an item gone from them takes the typed name first, so that the
    // cloud says what became of it.
    void assignItems(FileListItems items, bool searching = false);
    // Empties the list while a listing is asked for; an item being renamed stays, with its rename.
    void removeAllObjects();
    void cancelEditing();
    // Whether the adapter itself is ending an edit: the edit's end then renames nothing.
    bool isCancellingEdit() const { return _cancelEdit != 0; }

    FileListTable* tableView() const { return _table; }
    void setTableView(FileListTable* table);
    void setDelegate(FileListAdapterDelegate* delegate) { _delegate = delegate; }

    bool displayFilesGrayed() const { return _displayFilesGrayed; }
    void setDisplayFilesGrayed(bool grayed) { _displayFilesGrayed = grayed; }
    bool readOnly() const { return _readOnly; }
    void setReadOnly(bool readOnly) { _readOnly = readOnly; }
    bool showThumbnails() const { return _showThumbnails; }
    void setShowThumbnails(bool show);
    bool isSearching() const { return _isSearching; }
    bool caseSensitive() const { return _caseSensitive; }
    void setCaseSensitive(bool caseSensitive) { _caseSensitive = caseSensitive; }
    const std::optional<std::string>& dragDataFormat() const { return _dragDataFormat; }
    void setDragDataFormat(std::optional<std::string> format);

    bool sourcePathIsEqualToPath(const std::string& source, const std::string& path) const;

    // Clears the native maps' thumbnails so they are fetched again, keeping the selection.
    void invalidateThumbnails();

    // Rows.
    FileListRow rowAt(size_t row);
    double heightOfRow(size_t row);
    bool shouldEditRow(size_t row) const;
    // The end of an in-place edit of the row with the typed text. A file keeps its extension; a
    // new name goes to the delegate. Answers the full name the field shows afterwards, or nothing
    // when the edit renamed nothing.
    std::optional<std::string> cellEndEdit(size_t row, const std::string& typed);

    // Dragging rows out: the types declared and the path written under each, or nothing when the
    // rows cannot be dragged.
    struct DragData {
        std::vector<std::string> types;
        std::string path;
    };
    std::optional<DragData> writeRows(const std::vector<size_t>& rows);
    // A drop onto a row (a drop between rows counts as onto the row): the operation it would do.
    int validateDrop(bool fromThisTable, size_t row, const std::optional<std::string>& draggedPath) const;
    bool acceptDrop(bool fromThisTable, size_t row, const std::optional<std::string>& draggedPath);

    // The images of the kinds of items.
    static std::string typeImageNameForFileType(int32_t type);
    static std::shared_ptr<const Image> typeImageForItem(const FileListItem& item);
    // The type image at 0.4 opacity; made once per image for the whole process.
    static std::shared_ptr<const Image> dimmedTypeImageForItem(const FileListItem& item);
    // "1023 bytes", "1.5 kB", "1.0 MB": counted in whole numbers, so that exact powers of 1024
    // never land one unit low.
    static std::string humanReadableByteCount(uint64_t bytes);
    // The word before a file's size in its details.
    const std::string& sizeText() const { return _sizeText; }

    void fetchThumbnail(FileListItem& item);

private:
    void reloadKeepingSelection();
    // The item of the rename being typed, if any.
    std::shared_ptr<FileListItem> editedItem() const;
    // Before the items change to the new ones: the rename stays open on its item's row among
    // them, or, when they lack it, ends as Return ends it.
    void keepEditAcross(const FileListItems& items);
    bool isValidDropRow(bool fromThisTable, size_t row, const std::optional<std::string>& draggedPath) const;

    uint64_t _cancelEdit = 0;
    FileListItems _items;
    FileListTable* _table = nullptr;
    bool _displayFilesGrayed = false;
    bool _readOnly = false;
    bool _showThumbnails = false;
    FileNameFormatter _fileNameFormatter;
    FileNameFormatter _directoryFormatter;
    FileListAdapterDelegate* _delegate;
    std::optional<std::string> _dragDataFormat;
    std::string _sizeText;
    bool _dragValid = false;
    bool _isSearching = false;
    bool _caseSensitive = false;
};
