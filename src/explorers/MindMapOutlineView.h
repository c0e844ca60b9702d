#pragma once

#include "platform/Scheduler.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

class Menu;
class MindMapStoreItem;

// Where an outline gets its rows: the children of an item (nullptr: the top level) and whether the
// user may select these rows instead now.
class OutlineDataSource {
public:
    virtual ~OutlineDataSource() = default;
    virtual size_t numberOfChildren(MindMapStoreItem* item) = 0;
    virtual MindMapStoreItem* child(size_t index, MindMapStoreItem* item) = 0;
    virtual bool isItemExpandable(MindMapStoreItem* item) = 0;
    virtual bool selectionShouldChange(const std::set<int64_t>& /*rows*/) { return true; }
};

// The owner of an outline, asked for its context menu.
class OutlineController {
public:
    virtual ~OutlineController() = default;
    virtual std::shared_ptr<Menu> menuForEvent() { return nullptr; }
    virtual void outlineSelectionDidChange() {}
    virtual void outlineDoubleClicked() {}
};

// What the widget showing the outline is told: it redraws its rows, follows the selection and the
// expansion, scrolls and starts or ends an in-place edit.
class OutlineViewListener {
public:
    virtual ~OutlineViewListener() = default;
    virtual void outlineReloaded() {}
    virtual void outlineSelectionChanged() {}
    virtual void outlineExpansionChanged(MindMapStoreItem* /*item*/, bool /*expanded*/) {}
    virtual void outlineScrollRowToVisible(int64_t /*row*/) {}
    virtual void outlineBeginEditing(int64_t /*row*/) {}
    virtual void outlineEndEditing() {}
    // Ends the in-place edit as Return would, taking its text.
    virtual void outlineCommitEditing() {}
};

// The store explorer's outline as rows: the visible items of the data source's tree, flattened in
// display order, with their expansion, the selected rows and the row being edited. The widget
// that draws it (a GTK tree view) mirrors these rows and reports the user's clicks back.
//
// A reload asked for while one runs (the widget's signals re-enter during a reload) runs a moment
// later instead of inside it. An in-place edit outlives a reload on its item's new row; the
// widget keeps what was typed.
class MindMapOutlineView {
public:
    // A reload asked for during a reload waits this long.
    static constexpr double DeferredReloadDelay = 0.001;

    explicit MindMapOutlineView(Scheduler& scheduler);
    ~MindMapOutlineView();
    MindMapOutlineView(const MindMapOutlineView&) = delete;
    MindMapOutlineView& operator=(const MindMapOutlineView&) = delete;

    OutlineDataSource* dataSource() const { return _dataSource; }
    void setDataSource(OutlineDataSource* dataSource);
    OutlineController* controller() const { return _controller; }
    void setController(OutlineController* controller) { _controller = controller; }
    OutlineViewListener* listener() const { return _listener; }
    void setListener(OutlineViewListener* listener) { _listener = listener; }

    // The controller's menu, else none.
    std::shared_ptr<Menu> menuForEvent();

    void reloadData();
    bool isReloadingData() const { return _reloading > 0; }

    // ---- Rows ----
    int64_t numberOfRows() const { return static_cast<int64_t>(_rows.size()); }
    // nullptr outside the rows or for an item that went away.
    MindMapStoreItem* itemAtRow(int64_t row) const;
    // -1 when the item is not shown.
    int64_t rowForItem(const MindMapStoreItem* item) const;
    // 0 for the top level.
    int64_t levelForRow(int64_t row) const;
    MindMapStoreItem* parentForItem(const MindMapStoreItem* item) const;

    // ---- Expansion ----
    // Expands the item's own row; its ancestors must be shown already.
    void expandItem(MindMapStoreItem* item);
    void collapseItem(MindMapStoreItem* item);
    bool isItemExpanded(const MindMapStoreItem* item) const;

    // ---- Selection ----
    // -1 for none; the last selected row otherwise.
    int64_t selectedRow() const { return _selectedRows.empty() ? -1 : *_selectedRows.rbegin(); }
    const std::set<int64_t>& selectedRows() const { return _selectedRows; }
    // As the program selects: the data source is not asked; the controller hears of a change.
    void selectRowIndexes(const std::set<int64_t>& rows, bool extend = false);
    void deselectAll() { selectRowIndexes({}); }
    // As the user selects: refused (false) when the data source says no.
    bool userSelectRowIndexes(const std::set<int64_t>& rows);
    bool selectionShouldChange(const std::set<int64_t>& rows);

    void scrollRowToVisible(int64_t row);

    // ---- In-place editing ----
    void editColumn(int64_t row);
    int64_t editedRow() const { return _editedRow; }
    bool isEditing() const { return _editedRow >= 0; }
    // Ends an edit without taking its text (focus goes back to the outline).
    void endEditing();
    // Ends an edit taking its text, as Return would.
    void commitEditing();
    // The widget ended the edit itself (the text was taken or dropped).
    void editingEnded() { _editedRow = -1; }

private:
    struct Row {
        std::weak_ptr<MindMapStoreItem> item;
        MindMapStoreItem* parent = nullptr;
        int64_t level = 0;
    };

    void rebuildRows();
    void appendChildren(MindMapStoreItem* parent, int64_t level);
    void selectionChanged();
    // The folders' ids, so that a folder keeps its state across reloads without its pointer.
    static std::string expansionKey(const MindMapStoreItem* item);

    Scheduler& _scheduler;
    OutlineDataSource* _dataSource = nullptr;
    OutlineController* _controller = nullptr;
    OutlineViewListener* _listener = nullptr;
    std::vector<Row> _rows;
    std::set<std::string> _expanded;
    std::set<int64_t> _selectedRows;
    int64_t _editedRow = -1;
    int64_t _reloading = 0;
    ScheduledCall _deferredReload;
};
