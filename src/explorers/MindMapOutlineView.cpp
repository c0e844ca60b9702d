#include "explorers/MindMapOutlineView.h"

#include "platform/Menu.h"
#include "store/MindMapStoreItem.h"

MindMapOutlineView::MindMapOutlineView(Scheduler& scheduler) : _scheduler(scheduler)
{
}

MindMapOutlineView::~MindMapOutlineView() = default;

void MindMapOutlineView::setDataSource(OutlineDataSource* dataSource)
{
    _dataSource = dataSource;
    if (!dataSource) _deferredReload.cancel();
}

std::shared_ptr<Menu> MindMapOutlineView::menuForEvent()
{
    return _controller ? _controller->menuForEvent() : nullptr;
}

void MindMapOutlineView::reloadData()
{
    if (_reloading > 0) {
        // The widget re-enters while it rebuilds its rows: the rows must not change under it.
        if (_dataSource) _deferredReload = _scheduler.performAfterDelay(DeferredReloadDelay, [this] { reloadData(); });
        return;
    }
    ++_reloading;
    _deferredReload.cancel();
    // An edit stays with its item wherever the item is shown now (the list changes under a rename
    // the user is typing for reasons of its own); the widget is told it ended when the item is
    // shown no more.
    std::weak_ptr<MindMapStoreItem> edited;
    if (_editedRow >= 0 && _editedRow < numberOfRows()) edited = _rows[static_cast<size_t>(_editedRow)].item;
    // The selection stays with its items wherever they are shown now.
    std::vector<std::weak_ptr<MindMapStoreItem>> selected;
    for (int64_t row : _selectedRows) selected.push_back(_rows[static_cast<size_t>(row)].item);
    rebuildRows();
    if (_editedRow >= 0) _editedRow = rowForItem(edited.lock().get());
    std::set<int64_t> kept;
    for (const auto& item : selected)
        if (int64_t row = rowForItem(item.lock().get()); row >= 0) kept.insert(row);
    const bool selectionLost = kept.size() != selected.size();
    _selectedRows = std::move(kept);
    if (_listener) _listener->outlineReloaded();
    --_reloading;
    if (selectionLost) selectionChanged();
}

void MindMapOutlineView::rebuildRows()
{
    _rows.clear();
    if (!_dataSource) return;
    appendChildren(nullptr, 0);
}

void MindMapOutlineView::appendChildren(MindMapStoreItem* parent, int64_t level)
{
    const size_t count = _dataSource->numberOfChildren(parent);
    for (size_t index = 0; index < count; ++index) {
        MindMapStoreItem* item = _dataSource->child(index, parent);
        if (!item) continue;
        _rows.push_back({item->weak_from_this(), parent, level});
        if (_dataSource->isItemExpandable(item) && isItemExpanded(item)) appendChildren(item, level + 1);
    }
}

MindMapStoreItem* MindMapOutlineView::itemAtRow(int64_t row) const
{
    if (row < 0 || row >= numberOfRows()) return nullptr;
    return _rows[static_cast<size_t>(row)].item.lock().get();
}

int64_t MindMapOutlineView::rowForItem(const MindMapStoreItem* item) const
{
    if (!item) return -1;
    for (size_t row = 0; row < _rows.size(); ++row)
        if (_rows[row].item.lock().get() == item) return static_cast<int64_t>(row);
    return -1;
}

int64_t MindMapOutlineView::levelForRow(int64_t row) const
{
    if (row < 0 || row >= numberOfRows()) return -1;
    return _rows[static_cast<size_t>(row)].level;
}

MindMapStoreItem* MindMapOutlineView::parentForItem(const MindMapStoreItem* item) const
{
    const int64_t row = rowForItem(item);
    return row < 0 ? nullptr : _rows[static_cast<size_t>(row)].parent;
}

std::string MindMapOutlineView::expansionKey(const MindMapStoreItem* item)
{
    return item ? item->guid() : std::string();
}

bool MindMapOutlineView::isItemExpanded(const MindMapStoreItem* item) const
{
    return item && _expanded.contains(expansionKey(item));
}

void MindMapOutlineView::expandItem(MindMapStoreItem* item)
{
    if (!item || !_dataSource || !_dataSource->isItemExpandable(item) || isItemExpanded(item)) return;
    _expanded.insert(expansionKey(item));
    const int64_t row = rowForItem(item);
    if (row < 0) return;
    // The rows below move down by the children shown; the selection stays on its items.
    std::vector<MindMapStoreItem*> selected;
    for (int64_t selectedRow : _selectedRows) selected.push_back(itemAtRow(selectedRow));
    ++_reloading;
    rebuildRows();
    _selectedRows.clear();
    for (MindMapStoreItem* each : selected)
        if (int64_t moved = rowForItem(each); moved >= 0) _selectedRows.insert(moved);
    if (_listener) _listener->outlineExpansionChanged(item, true);
    --_reloading;
}

void MindMapOutlineView::collapseItem(MindMapStoreItem* item)
{
    if (!item || !isItemExpanded(item)) return;
    _expanded.erase(expansionKey(item));
    if (rowForItem(item) < 0) return;
    std::vector<MindMapStoreItem*> selected;
    for (int64_t selectedRow : _selectedRows) selected.push_back(itemAtRow(selectedRow));
    ++_reloading;
    rebuildRows();
    std::set<int64_t> kept;
    for (MindMapStoreItem* each : selected)
        if (int64_t moved = rowForItem(each); moved >= 0) kept.insert(moved);
    // A selection hidden by the collapse is dropped, as the widget drops it.
    const bool lost = kept.size() != selected.size();
    _selectedRows = std::move(kept);
    if (_listener) _listener->outlineExpansionChanged(item, false);
    --_reloading;
    if (lost) selectionChanged();
}

void MindMapOutlineView::selectRowIndexes(const std::set<int64_t>& rows, bool extend)
{
    std::set<int64_t> selection = extend ? _selectedRows : std::set<int64_t>();
    for (int64_t row : rows)
        if (row >= 0 && row < numberOfRows()) selection.insert(row);
    if (selection == _selectedRows) return;
    _selectedRows = std::move(selection);
    selectionChanged();
}

bool MindMapOutlineView::selectionShouldChange(const std::set<int64_t>& rows)
{
    return !_dataSource || _dataSource->selectionShouldChange(rows);
}

bool MindMapOutlineView::userSelectRowIndexes(const std::set<int64_t>& rows)
{
    if (rows == _selectedRows) return true;
    if (!selectionShouldChange(rows)) return false;
    selectRowIndexes(rows);
    return true;
}

void MindMapOutlineView::selectionChanged()
{
    if (_listener) _listener->outlineSelectionChanged();
    if (_controller) _controller->outlineSelectionDidChange();
}

void MindMapOutlineView::scrollRowToVisible(int64_t row)
{
    if (row >= 0 && row < numberOfRows() && _listener) _listener->outlineScrollRowToVisible(row);
}

void MindMapOutlineView::editColumn(int64_t row)
{
    if (row < 0 || row >= numberOfRows()) return;
    _editedRow = row;
    if (_listener) _listener->outlineBeginEditing(row);
}

void MindMapOutlineView::endEditing()
{
    if (_editedRow < 0) return;
    _editedRow = -1;
    if (_listener) _listener->outlineEndEditing();
}

void MindMapOutlineView::commitEditing()
{
    if (_editedRow >= 0 && _listener) _listener->outlineCommitEditing();
}
