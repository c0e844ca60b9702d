#include "explorers/FileListAdapter.h"

#include "Utils/StringUtils.h"
#include "platform/Image.h"
#include "platform/Localizer.h"
#include "platform/TextExcerpt.h"

#include <cairo.h>

#include <map>
#include <mutex>

namespace {

// Everything but the last component, as search results name the folder a file lies in.
std::string parentPath(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return {};
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::shared_ptr<const Image> cachedImage(const std::string& name, bool dimmed)
{
    static std::mutex guard;
    static std::map<std::pair<std::string, bool>, std::shared_ptr<const Image>> cache;
    const std::lock_guard<std::mutex> lock(guard);
    auto found = cache.find({name, dimmed});
    if (found != cache.end()) return found->second;
    auto image = std::make_shared<Image>(Image::fromResource(name));
    if (dimmed && !image->isNull()) {
        auto faded = std::make_shared<Image>(image->pixelWidth(), image->pixelHeight());
        if (!faded->isNull()) {
            cairo_t* cr = cairo_create(faded->surface());
            cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
            cairo_set_source_surface(cr, image->surface(), 0, 0);
            cairo_paint_with_alpha(cr, FileListAdapter::DimmedImageOpacity);
            cairo_destroy(cr);
            cairo_surface_mark_dirty(faded->surface());
            faded->setSize(image->size());
        }
        image = std::move(faded);
    }
    cache.emplace(std::make_pair(name, dimmed), image);
    return image;
}

} // namespace

FileListAdapter::FileListAdapter(FileListAdapterDelegate* delegate) : _delegate(delegate)
{
    _fileNameFormatter.setSuppressExtension(true);
    _sizeText = lowercased(localized("node_style_dialog_font_size_label"));
}

FileListAdapter::~FileListAdapter()
{
    setTableView(nullptr);
}

void FileListAdapter::setTableView(FileListTable* table)
{
    if (table == _table) return;
    if (_table) _table->setDraggedType(std::nullopt);
    _table = table;
    if (_table) {
        _table->setDraggedType(_dragDataFormat);
        _table->reloadData();
    }
}

void FileListAdapter::assignItems(FileListItems items, bool searching)
{
    _dragValid = false;
    keepEditAcross(items);
    _items = std::move(items);
    _isSearching = searching;
    if (_table) _table->reloadData();
}

void FileListAdapter::removeAllObjects()
{
    _dragValid = false;
    _isSearching = false;
    FileListItems kept;
    if (std::shared_ptr<FileListItem> edited = editedItem()) kept.push_back(std::move(edited));
    keepEditAcross(kept);
    _items = std::move(kept);
    if (_table) _table->reloadData();
}

std::shared_ptr<FileListItem> FileListAdapter::editedItem() const
{
    const std::optional<size_t> row = _table ? _table->editedRow() : std::nullopt;
    if (!row || *row >= _items.size() || _items[*row]->isNavigateUp()) return nullptr;
    return _items[*row];
}

void FileListAdapter::keepEditAcross(const FileListItems& items)
{
    const std::shared_ptr<FileListItem> edited = editedItem();
    if (!edited) {
        cancelEditing();
        return;
    }
    for (size_t row = 0; row < items.size(); ++row)
        if (!items[row]->isNavigateUp() && sourcePathIsEqualToPath(items[row]->path(), edited->path())) {
            _table->keepEditingAtRow(row);
            return;
        }
    // Renamed as the user typed it while the item is still the one the rename began on.
    _table->endEditing();
}

void FileListAdapter::cancelEditing()
{
    ++_cancelEdit;
    if (_table) _table->endEditing();
    --_cancelEdit;
}

void FileListAdapter::setShowThumbnails(bool show)
{
    if (show == _showThumbnails) return;
    keepEditAcross(_items);
    _showThumbnails = show;
    reloadKeepingSelection();
}

void FileListAdapter::setDragDataFormat(std::optional<std::string> format)
{
    _dragDataFormat = std::move(format);
    if (_table) _table->setDraggedType(_dragDataFormat);
}

bool FileListAdapter::sourcePathIsEqualToPath(const std::string& source, const std::string& path) const
{
    return _caseSensitive ? source == path : caseInsensitiveEqual(source, path);
}

void FileListAdapter::invalidateThumbnails()
{
    if (!_showThumbnails || !_table) return;
    keepEditAcross(_items);
    for (const auto& item : _items) {
        if (!item->isTwkxMindMap()) continue;
        item->setThumbnail(nullptr);
        item->setThumbnailUnavailable(false);
    }
    reloadKeepingSelection();
}

void FileListAdapter::reloadKeepingSelection()
{
    if (!_table) return;
    const std::vector<size_t> selected = _table->selectedRows();
    _table->reloadData();
    _table->selectRows(selected);
    if (!selected.empty()) _table->scrollRowToVisible(selected.front());
}

void FileListAdapter::fetchThumbnail(FileListItem& item)
{
    if (_showThumbnails && _delegate) _delegate->fetchThumbnail(item);
}

FileListRow FileListAdapter::rowAt(size_t row)
{
    FileListRow shown;
    FileListItem* item = itemAt(row);
    if (!item) return shown;
    shown.editable = !_readOnly && !item->isNavigateUp();
    shown.imageName = typeImageNameForFileType(item->type());
    if (item->isDirectory()) {
        shown.view = FileListRow::View::Folder;
        shown.text = _directoryFormatter.stringForObjectValue(item->fileName());
        shown.editingText = _directoryFormatter.editingStringForObjectValue(item->fileName());
        shown.height = FolderRowHeight;
        return shown;
    }
    if (_showThumbnails) {
        fetchThumbnail(*item);
        shown.view = item->thumbnail() ? FileListRow::View::FileWithThumbnail : FileListRow::View::WideFile;
    } else {
        shown.view = FileListRow::View::File;
    }
    shown.height = _showThumbnails && item->thumbnail() ? ThumbnailRowHeight : FileRowHeight;
    shown.text = _fileNameFormatter.stringForObjectValue(item->fileName());
    shown.editingText = _fileNameFormatter.editingStringForObjectValue(item->fileName());
    if (item->offlineAvailable()) shown.disclosureImageName = "star";
    if (_displayFilesGrayed) {
        shown.greyText = true;
        shown.dimmedImage = true;
    } else if (_showThumbnails && item->thumbnail()) {
        shown.thumbnail = item->thumbnail();
    }
    if (_isSearching) {
        shown.details = TextExcerpt::excerpt(parentPath(item->path()), TextExcerpt::Name);
    } else {
        const std::string date =
            item->modified() ? DateFormatter::shared().mediumDateShortTimeString(*item->modified()) : std::string();
        shown.details = formatText("%@ %@ %@", {date, _sizeText, humanReadableByteCount(item->size())});
        // A listing that knows no date shows the size alone, not a space before it.
        if (date.empty()) shown.details.erase(0, 1);
    }
    return shown;
}

double FileListAdapter::heightOfRow(size_t row)
{
    FileListItem* item = itemAt(row);
    if (!item) return FileRowHeight;
    if (item->isDirectory()) return FolderRowHeight;
    if (_showThumbnails) {
        fetchThumbnail(*item);
        if (item->thumbnail()) return ThumbnailRowHeight;
    }
    return FileRowHeight;
}

bool FileListAdapter::shouldEditRow(size_t row) const
{
    const FileListItem* item = itemAt(row);
    if (!item || _readOnly || item->isNavigateUp()) return false;
    return !_delegate || _delegate->allowInplaceEditing();
}

std::optional<std::string> FileListAdapter::cellEndEdit(size_t row, const std::string& typed)
{
    if (_cancelEdit != 0 || (_table && _table->isReloadingData())) return std::nullopt;
    FileListItem* item = itemAt(row);
    if (!item || item->isNavigateUp() || _readOnly) return std::nullopt;
    const FileNameFormatter& formatter = item->isDirectory() ? _directoryFormatter : _fileNameFormatter;
    std::string name = formatter.getObjectValue(typed).value;
    // A name that is nothing once cleaned would leave a file called only by its extension.
    if (name.empty()) return std::nullopt;
    if (!item->isDirectory()) {
        const std::string_view extension = fileNameExtension(item->fileName());
        if (!extension.empty()) name += "." + std::string(extension);
    }
    if (name == item->fileName()) return std::nullopt;
    if (_delegate) _delegate->renameFileItem(*item, name);
    return name;
}

std::optional<FileListAdapter::DragData> FileListAdapter::writeRows(const std::vector<size_t>& rows)
{
    if (!_dragDataFormat || _isSearching) return std::nullopt;
    _dragValid = false;
    if (rows.empty()) return std::nullopt;
    FileListItem* item = itemAt(rows.front());
    if (!item || item->isNavigateUp()) return std::nullopt;
    DragData data;
    data.types.push_back(*_dragDataFormat);
    if (item->type() == FileListItemType::Image && _delegate && _delegate->allowCloudImageDrag())
        data.types.push_back(CloudImagePasteboardType);
    data.path = item->path();
    _dragValid = true;
    return data;
}

bool FileListAdapter::isValidDropRow(bool fromThisTable, size_t row,
                                     const std::optional<std::string>& draggedPath) const
{
    if (!_dragValid || !fromThisTable || !draggedPath) return false;
    const FileListItem* target = itemAt(row);
    if (!target || target->type() != FileListItemType::Folder) return false;
    return !sourcePathIsEqualToPath(*draggedPath, target->path());
}

int FileListAdapter::validateDrop(bool fromThisTable, size_t row, const std::optional<std::string>& draggedPath) const
{
    return isValidDropRow(fromThisTable, row, draggedPath) ? DragOperation::Move : DragOperation::None;
}

bool FileListAdapter::acceptDrop(bool fromThisTable, size_t row, const std::optional<std::string>& draggedPath)
{
    if (!isValidDropRow(fromThisTable, row, draggedPath)) return false;
    FileListItem* source = nullptr;
    for (const auto& item : _items)
        if (item->path() == *draggedPath) {
            source = item.get();
            break;
        }
    if (!source || source->isNavigateUp() || !_delegate) return false;
    return _delegate->moveSourceItem(*source, *_items[row]);
}

std::string FileListAdapter::typeImageNameForFileType(int32_t type)
{
    switch (type) {
    case FileListItemType::Folder:
        return "folder-icon";
    case FileListItemType::NativeMindMap:
        return "tw-icon-16x16";
    case FileListItemType::Opml:
        return "opml";
    case FileListItemType::Freemind:
        return "freemind";
    case FileListItemType::Image:
        return "gallery-color-16";
    case FileListItemType::Pdf:
        return "pdf_icon_16";
    case FileListItemType::NavigateUp:
        return "folder_back";
    default:
        return "page_white";
    }
}

std::shared_ptr<const Image> FileListAdapter::typeImageForItem(const FileListItem& item)
{
    return cachedImage(typeImageNameForFileType(item.type()), false);
}

std::shared_ptr<const Image> FileListAdapter::dimmedTypeImageForItem(const FileListItem& item)
{
    return cachedImage(typeImageNameForFileType(item.type()), true);
}

std::string FileListAdapter::humanReadableByteCount(uint64_t bytes)
{
    if (bytes == 1) return localized("file_size_one_byte");
    if (bytes < 1024) return formatText(localized("file_size_bytes_fmt"), {std::to_string(bytes)});
    static constexpr char Units[] = "kMGTPE";
    unsigned exponent = 1;
    unsigned __int128 unit = 1024;
    while (exponent < 6 && bytes >= unit * 1024) {
        unit *= 1024;
        ++exponent;
    }
    // Tenths of the unit, rounded half up, in whole numbers.
    const auto tenths = static_cast<uint64_t>((static_cast<unsigned __int128>(bytes) * 10 + unit / 2) / unit);
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " " + Units[exponent - 1] + "B";
}
