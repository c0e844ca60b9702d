#include "explorers/LocalExplorerAdapter.h"

#include "Editor/EditorDocument.h"
#include "Editor/TwkDocumentController.h"
#include "Utils/StringUtils.h"
#include "explorers/ExplorerText.h"
#include "explorers/MindMapExplorerBase.h"
#include "platform/DateFormatter.h"
#include "platform/FileUtils.h"
#include "platform/Image.h"
#include "platform/Localizer.h"
#include "platform/TextExcerpt.h"
#include "render/MindMapPainter.h"
#include "store/EditorInterface.h"
#include "store/MindMapInfoItem.h"
#include "store/MindMapStorage.h"
#include "store/MindMapStore.h"
#include "store/MindMapStoreFolder.h"

#include <filesystem>

namespace {

// The map of the item when the editor holds it as its file has it: reading a large map again
// would hold the window far longer than painting it does.
MindMap* openMindMapOf(const MindMapInfoItem& item)
{
    EditorInterface* editor = EditorInterfaceInstance();
    MindMapStorage* storage = editor->currentStorage();
    if (!storage || !storage->isLocalMindMap() || storage->id() != item.guid() || editor->isEditorModified())
        return nullptr;
    auto* controller = dynamic_cast<TwkDocumentController*>(editor);
    EditorDocument* document = controller ? controller->singletonDocument() : nullptr;
    return document ? document->mindMap() : nullptr;
}

} // namespace

bool changeFolderTree(MindMapStore& store, const std::function<bool(Error*)>& change, Error* error)
{
    store.beginUpdate();
    const bool changed = change(error);
    Error indexError;
    const bool written = store.endUpdate(&indexError);
    if (changed && !written && error) *error = indexError;
    return changed && written;
}

LocalExplorerAdapter::LocalExplorerAdapter(Scheduler& scheduler, bool isExplorer, bool displayFilesGrayed)
    : _scheduler(scheduler),
      _searchResults(MindMapStoreRefFolder::create(localized(SearchResultsTitleKey))),
      _isExplorer(isExplorer),
      _displayFilesGrayed(displayFilesGrayed)
{
}

LocalExplorerAdapter::~LocalExplorerAdapter()
{
    setOutlineView(nullptr);
}

void LocalExplorerAdapter::setOutlineView(MindMapOutlineView* outlineView)
{
    if (_outlineView == outlineView) return;
    if (_outlineView) _outlineView->setDataSource(nullptr);
    _outlineView = outlineView;
    // Dragging is the widget's to offer; it asks writeItems() whether an item may go.
    if (_outlineView) _outlineView->setDataSource(this);
}

MindMapStoreFolder* LocalExplorerAdapter::displayedRoot() const
{
    if (_searching) return _searchResults.get();
    MindMapStore* store = MindMapStore::existingInstance();
    return store ? store->rootFolder() : nullptr;
}

void LocalExplorerAdapter::setShowThumbnails(bool showThumbnails)
{
    if (showThumbnails == _showThumbnails) return;
    _showThumbnails = showThumbnails;
    reloadKeepingSelection();
    if (_outlineView && !_outlineView->selectedRows().empty())
        _outlineView->scrollRowToVisible(*_outlineView->selectedRows().begin());
}

void LocalExplorerAdapter::reloadKeepingSelection()
{
    if (!_outlineView) return;
    const std::set<int64_t> selected = _outlineView->selectedRows();
    _outlineView->reloadData();
    _outlineView->selectRowIndexes(selected);
}

void LocalExplorerAdapter::cancelEditing()
{
    ++_cancelEdit;
    if (_outlineView) _outlineView->endEditing();
    --_cancelEdit;
}

size_t LocalExplorerAdapter::numberOfChildren(MindMapStoreItem* item)
{
    MindMapStoreItem* parent = item ? item : displayedRoot();
    return parent ? parent->childCount() : 0;
}

MindMapStoreItem* LocalExplorerAdapter::child(size_t index, MindMapStoreItem* item)
{
    MindMapStoreItem* parent = item ? item : displayedRoot();
    return parent ? parent->childAtIndex(index) : nullptr;
}

bool LocalExplorerAdapter::isItemExpandable(MindMapStoreItem* item)
{
    return item && item->isFolder();
}

bool LocalExplorerAdapter::selectionShouldChange(const std::set<int64_t>& rows)
{
    if (!_isExplorer) return true;
    if (_blockingChange) return false;
    if (!leavesOpenMap(rows)) return true;
    EditorInterface* editor = EditorInterfaceInstance();
    auto* controller = dynamic_cast<TwkDocumentController*>(editor);
    EditorDocument* document = controller ? controller->singletonDocument() : nullptr;
    if (!document) return editor->commitEditor();
    controller->commitModelessEditors();
    if (document->commitEditor()) return true;
    // The question runs its own loop, which GTK's selection check must not.
    std::vector<std::weak_ptr<MindMapStoreItem>> wanted;
    for (int64_t row : rows)
        if (MindMapStoreItem* item = _outlineView->itemAtRow(row)) wanted.push_back(item->weak_from_this());
    _blockingChange = true;
    _leavingQuestion = _scheduler.performAfterDelay(0.0, [this, wanted] { askBeforeLeaving(wanted); });
    return false;
}

bool LocalExplorerAdapter::leavesOpenMap(const std::set<int64_t>& rows) const
{
    MindMapStorage* storage = EditorInterfaceInstance()->currentStorage();
    if (!storage || !_outlineView) return false;
    // As the explorer answers a change of the selection: a map row opens its map, and no row at
    // all lets go of a local map unless a search shows the rows.
    if (rows.empty()) return storage->isLocalMindMap() && !_searching;
    for (int64_t row : rows) {
        MindMapStoreItem* item = _outlineView->itemAtRow(row);
        if (item && !item->isFolder() &&
            !(storage->isLocalMindMap() && asciiCaseInsensitiveEqual(storage->id(), item->guid())))
            return true;
    }
    return false;
}

void LocalExplorerAdapter::askBeforeLeaving(const std::vector<std::weak_ptr<MindMapStoreItem>>& wanted)
{
    const bool leaves = leaveOpenMap();
    _blockingChange = false;
    if (!leaves || !_outlineView) return;
    std::set<int64_t> rows;
    for (const auto& each : wanted)
        if (std::shared_ptr<MindMapStoreItem> item = each.lock())
            if (const int64_t row = _outlineView->rowForItem(item.get()); row >= 0) rows.insert(row);
    // Rows that went meanwhile leave nothing to select.
    if (rows.size() == wanted.size()) _outlineView->selectRowIndexes(rows);
}

std::string LocalExplorerAdapter::cellIdentifier(MindMapStoreItem* item) const
{
    if (item && item->isFolder()) return FolderCellIdentifier;
    return _showThumbnails ? ThumbnailMapCellIdentifier : MapCellIdentifier;
}

double LocalExplorerAdapter::rowHeight(MindMapStoreItem* item) const
{
    if (!item) return DefaultRowHeight;
    if (item->isFolder()) return FolderRowHeight;
    return _showThumbnails ? ThumbnailMapRowHeight : MapRowHeight;
}

std::string LocalExplorerAdapter::titleForItem(MindMapStoreItem* item) const
{
    return item ? TextExcerpt::excerpt(item->singleLineTitle(), TextExcerpt::Name) : std::string();
}

std::string LocalExplorerAdapter::editingTitleForItem(MindMapStoreItem* item) const
{
    return item ? item->singleLineTitle() : std::string();
}

std::string LocalExplorerAdapter::detailsForItem(MindMapStoreItem* item) const
{
    auto* map = dynamic_cast<MindMapInfoItem*>(item);
    if (!map) return {};
    if (_searching) return TextExcerpt::excerpt(map->folderPath(), TextExcerpt::Name);
    if (map->isDamaged()) return localized("map_list_damaged_map");
    std::optional<MindMapInfoItem::Date> date = map->lastModified();
    return date ? DateFormatter::shared().mediumDateShortTimeString(*date) : std::string();
}

bool LocalExplorerAdapter::isTitleDimmed(MindMapStoreItem* item) const
{
    return _displayFilesGrayed && item && !item->isFolder();
}

bool LocalExplorerAdapter::isDetailsDimmed(MindMapStoreItem* item) const
{
    return _displayFilesGrayed && item != nullptr;
}

bool LocalExplorerAdapter::isItemEditable(MindMapStoreItem* item) const
{
    return item && _isExplorer;
}

std::shared_ptr<const Image> LocalExplorerAdapter::cachedThumbnail(MindMapStoreItem* item) const
{
    if (!item) return nullptr;
    auto* map = dynamic_cast<MindMapInfoItem*>(item);
    if (!map) return item->thumbnail();
    if (!_showThumbnails) return map->defaultThumbnail();
    const std::string path = map->thumbnailFilePath();
    std::error_code ec;
    if (path.empty() || !std::filesystem::is_regular_file(path, ec)) return nullptr;
    return map->thumbnail();
}

std::shared_ptr<const Image> LocalExplorerAdapter::thumbnail(MindMapStoreItem* item) const
{
    if (!item) return nullptr;
    auto* map = dynamic_cast<MindMapInfoItem*>(item);
    if (map && !_showThumbnails) return map->defaultThumbnail();
    std::error_code ec;
    const std::string path = map ? map->thumbnailFilePath() : std::string();
    if (MindMap* open = map && !std::filesystem::exists(path, ec) ? openMindMapOf(*map) : nullptr) {
        const std::vector<uint8_t> png = MindMapPainter::createThumbnailImage(*open);
        if (Image painted = Image::fromData(png); !painted.isNull()) {
            // Cached as the store caches the pictures it paints itself.
            if (!path.empty()) writeFileAtomically(path, png);
            return std::make_shared<const Image>(std::move(painted));
        }
    }
    std::shared_ptr<const Image> picture = item->thumbnail();
    if ((!picture || picture->isNull()) && map) return map->defaultThumbnail();
    return picture;
}

void LocalExplorerAdapter::cellEndEdit(MindMapStoreItem* item, const std::string& text)
{
    if (_cancelEdit > 0 || (_outlineView && _outlineView->isReloadingData())) return;
    if (!item || text == item->title()) return;
    // A name of nothing but blanks names nothing: the item keeps the name it had, in the store
    // as in the row.
    if (trimmedWhitespaceAndNewlines(text).empty()) return;
    const std::string failure = localizedFormat(RenameErrorKey, {item->singleLineTitle()});
    Error error;
    if (auto* map = dynamic_cast<MindMapInfoItem*>(item)) {
        if (!map->setCustomTitle(text, &error)) presentFailureLater(failure, error);
        return;
    }
    MindMapStore* store = MindMapStore::existingInstance();
    if (!store) return;
    // The store reports the new title and the rows are rebuilt: the selection stays where it was.
    std::set<int64_t> selected;
    if (_outlineView) selected = _outlineView->selectedRows();
    const std::string old = item->title();
    if (!changeFolderTree(
            *store,
            [&](Error*) {
                item->setTitle(text);
                return true;
            },
            &error)) {
        item->setTitle(old);
        presentFailureLater(failure, error);
    }
    if (_outlineView) _outlineView->selectRowIndexes(selected);
}

void LocalExplorerAdapter::presentFailureLater(const std::string& what, const Error& cause)
{
    _failureAlert = _scheduler.performAfterDelay(
        0.0, [what, cause] { presentExplorerFailure(what, cause); }, CommonRunLoopModes);
}

std::optional<std::string> LocalExplorerAdapter::writeItems(const std::vector<MindMapStoreItem*>& items)
{
    _dragItem.reset();
    if (!_isExplorer || _searching || items.empty() || !items.front()) return std::nullopt;
    _dragItem = items.front()->weak_from_this();
    return items.front()->guid();
}

MindMapStoreItem* LocalExplorerAdapter::dragItem() const
{
    return _dragItem.lock().get();
}

LocalExplorerAdapter::DropTarget LocalExplorerAdapter::validateDrop(MindMapStoreItem* item, int64_t childIndex,
                                                                    bool fromThisOutline) const
{
    DropTarget refused;
    MindMapStoreItem* dragged = dragItem();
    MindMapStoreFolder* root = displayedRoot();
    if (!fromThisOutline || !dragged || !root || _searching) return refused;
    MindMapStoreItem* targetItem = item ? item : root;
    if (targetItem == dragged) return refused;
    // A drop onto a map row has nowhere to go.
    if (childIndex < 0 && !targetItem->isFolder()) return refused;
    MindMapStoreFolder* targetFolder =
        targetItem->isFolder() ? static_cast<MindMapStoreFolder*>(targetItem) : targetItem->parent();
    if (!targetFolder) return refused;
    int64_t index = childIndex;
    if (!item && childIndex < 0) index = static_cast<int64_t>(root->childCount());
    // A folder never goes into itself or anything inside it.
    if (dragged->isFolder() && targetFolder->isDescendantOf(static_cast<MindMapStoreFolder*>(dragged))) return refused;
    if (dragged->parent() == targetFolder) {
        const int64_t place = dragged->indexInParent();
        if (place == index || place == index - 1) return refused;
    }
    return {DragOperationMove, targetFolder, index};
}

bool LocalExplorerAdapter::acceptDrop(const std::string& payload, MindMapStoreItem* item, int64_t childIndex)
{
    MindMapStoreItem* dragged = dragItem();
    // The payload must name the item this outline is dragging, and that item must still be in
    // the store: a stale or foreign GUID moves nothing.
    if (!dragged || payload.empty() || payload != dragged->guid()) return false;
    MindMapStore* store = MindMapStore::existingInstance();
    if (!store) return false;
    MindMapStoreItem* named = dragged->isFolder() ? static_cast<MindMapStoreItem*>(store->folderByGuid(payload))
                                                  : static_cast<MindMapStoreItem*>(store->mindMapByGuid(payload));
    if (named != dragged) return false;
    const DropTarget target = validateDrop(item, childIndex, true);
    if (target.operation != DragOperationMove) return false;
    std::shared_ptr<MindMapStoreItem> keep = dragged->shared_from_this();
    _dragItem.reset();
    MindMapStoreFolder* from = dragged->parent();
    const int64_t at = dragged->indexInParent();
    Error error;
    if (!changeFolderTree(
            *store,
            [&](Error*) {
                dragged->moveToParent(target.folder, target.index);
                return true;
            },
            &error)) {
        dragged->moveToParent(from, at);
        presentFailureLater(localizedFormat(MoveErrorKey, {dragged->singleLineTitle()}), error);
        return false;
    }
    if (_outlineView) _outlineView->expandItem(target.folder);
    return true;
}
