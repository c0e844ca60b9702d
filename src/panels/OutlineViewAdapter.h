#pragma once

#include "platform/Color.h"
#include "platform/Geometry.h"
#include "platform/PopoverPresenter.h"

#include <chrono>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class MindMap;
class MindMapEditor;
class MindMapNode;

// How the outline view looks and what it allows, as the adapter decides it.
struct OutlineViewState {
    bool enabled = false;
    double indentationPerLevel = 0;
    bool editable = false;
    // nullopt: the toolkit's text background.
    std::optional<Color> background;
    friend bool operator==(const OutlineViewState&, const OutlineViewState&) = default;
};

// One shown row of the outline: its topic, how deep the topic sits (0 in the list modes) and what
// of its look changes how the row is measured or opened.
struct OutlineRow {
    enum Flag : uint8_t {
        Expandable = 1, // the tree mode, and the topic has children
        Expanded = 2,   // its children are rows too
        Dated = 4,      // a taller row, with the date under the title
    };
    MindMapNode* node = nullptr;
    uint32_t level = 0;
    uint8_t flags = 0;

    bool expandable() const { return flags & Expandable; }
    bool expanded() const { return flags & Expanded; }
    bool dated() const { return flags & Dated; }
    friend bool operator==(const OutlineRow&, const OutlineRow&) = default;
};

// Where a topic is in its map, to find it again once the map is read anew: its id, and the
// indices from its central theme down for a map whose topics carry no ids.
struct OutlineTopicPlace {
    int64_t id = -1;
    std::vector<size_t> indices;
    static OutlineTopicPlace of(const MindMapNode& topic);
    MindMapNode* find(MindMap& map) const;
};

// What the outline widget does for its adapter. The widget shows the adapter's rows() as one flat
// list, each row indented by its level: it keeps no tree of its own, so that no walk of it, the
// widget's included, goes deeper than one level whatever the depth of the map.
class OutlineView {
public:
    virtual ~OutlineView() = default;
    // Builds every row again from the adapter's rows().
    virtual void reloadData() = 0;
    // From the row at first on, removed rows gave way to inserted ones, which rows() holds.
    virtual void replaceRows(size_t first, size_t removed, size_t inserted) = 0;
    // The rows [first, first + count) keep their topics; their levels or flags changed.
    virtual void updateRows(size_t first, size_t count) = 0;
    // The item's row selected alone and scrolled into view; nullptr, or an item without a shown
    // row, deselects every row.
    virtual void selectItem(MindMapNode* item) = 0;
    virtual MindMapNode* selectedItem() const = 0;
    virtual void setNeedsDisplay() = 0;
    virtual void applyOutlineState(const OutlineViewState& state) = 0;
    // When the keyboard focus is inside the view (a title being edited), the view itself takes it.
    virtual void takeFocusFromEditor() = 0;
    // A rename the view ended so that its rows could be refilled (the map read again from a
    // sync or the phone, its topics changed): where its topic was, until it opens again.
    virtual std::optional<OutlineTopicPlace> takenEditPlace() const { return std::nullopt; }
    // Opens that rename again on the topic, as the refilled rows show it, with what was typed.
    // Answers the typed text when it lets the rename go: no topic (gone from the map read again),
    // or a topic the rows do not show.
    virtual std::optional<std::string> reopenTakenEdit(MindMapNode* /*topic*/) { return std::nullopt; }
    // The view has the keyboard focus of its window.
    virtual bool isFirstResponder() const = 0;
    // Where the date icon of the item's row is, in the coordinates of the view popovers point
    // into; empty when the row is not shown.
    virtual Rect dateIconFrame(MindMapNode*) { return {}; }
};

// What one row shows, as the row view lays it out.
struct OutlineRowContent {
    static constexpr const char* CellIdentifier = "OutlineAdapterView";
    static constexpr const char* DateCellIdentifier = "OutlineAdapterDateView";
    std::string identifier;
    std::string title;       // single-line display text
    std::string placeholder; // shown for an empty title
    bool editable = false;
    bool dimmed = false; // a search runs and the topic does not match it
    std::string autoNumberPath;
    bool hasNote = false;
    bool hasDate = false;
    std::string dateText;
    bool progressHidden = true;
    int64_t progress = 0;
    int32_t checkboxMode = 0;
    bool progressEnabled = false;
    bool hasCheckboxes = false;
    double height = 0;
    // The tree mode's indentation and expander; list rows have neither.
    bool inTree = false;
    uint32_t level = 0;
    bool expandable = false;
    bool expanded = false;
};

// Where the parts of a row go inside its cell, left to right: in the tree mode the indentation of
// the row's level and the expander, then the checkbox or progress icon, the auto-number text, the
// title (with the date line under it), the note mark and the date icon.
// Each slot but the title and date line spans the cell's height; an empty slot is a part the row
// does not show. Clicks on the icons are told apart by these slots, so drawing and hit testing
// cannot drift apart.
struct OutlineRowLayout {
    static constexpr double IconSize = 16;
    // The date line's share of a dated row; the title keeps a plain row's height above it.
    static constexpr double DateLineHeight = 14;
    static constexpr double ProgressSlotWidth = 20; // the icon and the gap to the texts
    static constexpr double TextPadding = 2;
    static constexpr double ExpanderWidth = 16;
    Rect expander;
    Rect progressIcon;
    Rect autoNumber;
    Rect title;
    Rect noteMark;
    Rect dateText;
    Rect dateIcon;

    // autoNumberWidth: the measured width of the auto-number text.
    static OutlineRowLayout layout(const OutlineRowContent& row, const Rect& cell, double autoNumberWidth);
    // The icon's square, centred on the slot's height.
    static Rect iconIn(const Rect& slot);
};

// The data source and delegate of the inspector's outline: which topics are rows in each mode,
// what a row shows, and what selecting, expanding, renaming, ticking and dragging rows does to
// the map. The widget asks it for everything and reports every user action to it.
//
// The adapter keeps the shown rows itself. A change of the map reaches the widget as the rows it
// touches (a topic added, removed, moved or changed in look); only a new map, a mode switch or
// showing the tab again builds every row anew.
//
// Two counters guard against feedback: while `reloading` is raised the adapter itself changes
// rows or selection, and whatever the widget reports then is ignored; while `cancelEdit` is
// raised an in-place edit being abandoned is not applied.
class OutlineViewAdapter {
public:
    enum OutlineMode : uint64_t { Hierarchy = 0, CheckList = 1, TodoList = 2, DoneList = 3, DateList = 4 };
    static constexpr uint64_t ModeCount = 5;
    static constexpr const char* PasteboardType = "tarnwickpro.outliner.pboardtype";
    static constexpr double RowHeight = 18;
    // A dated topic's row, with its date on a line of its own under the title.
    static constexpr double DateRowHeight = 32;
    static constexpr double TreeIndentation = 16;
    static constexpr double ReadOnlyBackgroundWhite = 0.9;
    static constexpr double DisabledBackgroundWhite = 0.7;
    static constexpr double DimmedTextWhite = 0.8;
    static constexpr const char* EditTextUndoKey = "undoable_op_edit_text";
    static constexpr const char* EmptyTopicKey = "outline_cell_empty_topic";

    enum class DragOperation { None, Move };

    explicit OutlineViewAdapter(MindMapEditor* editor);
    ~OutlineViewAdapter();
    OutlineViewAdapter(const OutlineViewAdapter&) = delete;
    OutlineViewAdapter& operator=(const OutlineViewAdapter&) = delete;

    OutlineView* outlineView() const { return _outlineView; }
    // Not owned; the adapter only drives it.
    void setOutlineView(OutlineView* view);
    MindMapEditor* editor() const { return _editor; }

    bool hidden() const { return _hidden; }
    void setHidden(bool hidden);
    bool enabled() const { return _enabled; }
    void setEnabled(bool enabled);
    bool readOnly() const { return _readOnly; }
    void setReadOnly(bool readOnly);
    uint64_t outlineMode() const { return _outlineMode; }
    void setOutlineMode(uint64_t mode);
    bool hasCheckboxes() const { return _hasCheckboxes; }
    int64_t reloading() const { return _reloading; }
    int64_t cancelEdit() const { return _cancelEdit; }
    // The rows of the list modes (empty in the tree mode).
    const std::vector<MindMapNode*>& nodes() const { return _nodes; }
    // The rows the widget shows, in order.
    const std::vector<OutlineRow>& rows() const { return _rows; }
    // The index of the topic's row; nullopt when it has none.
    std::optional<size_t> rowOf(const MindMapNode* item) const;
    // Whether every row is of the plain height.
    bool uniformRows() const { return _datedRows == 0; }
    MindMapNode* dragItem() const { return _dragItem; }

    void refreshOutline();
    void syncSelectedElement();
    void autoSyncSelectedElement();
    OutlineViewState outlineState() const;
    void updateOutlineState();
    void cancelEditing();
    // White space and line ends off both ends; every inner line end a space.
    static std::string singleLineText(std::string_view text);
    // What a row shows of a topic's text: its single line, as much of it as a row may lay out
    // (TextExcerpt::Name). An edit starts with the whole line.
    static std::string shownText(std::string_view text);
    void applyEditedText(const std::string& text, MindMapNode* node);
    void closeDatePicker();
    // The date popover points at the row's date icon through this presenter (not owned); without
    // one it opens on the canvas beside the topic.
    void setPopoverPresenter(PopoverPresenter* presenter) { _popoverPresenter = presenter; }
    bool datePickerShown() const { return _datePickerPopover && _datePickerPopover->isShown(); }
    std::chrono::system_clock::time_point datePickerInitialDate() const { return _datePickerInitialDate; }
    // The date popover's answer; nullopt clears the date.
    void popoverDatePicked(std::optional<std::chrono::system_clock::time_point> date);

    // ---- Data source ----
    size_t numberOfChildrenOfItem(MindMapNode* item) const;
    MindMapNode* child(size_t index, MindMapNode* item) const;
    bool isItemExpandable(MindMapNode* item) const;

    // ---- Opening and closing rows (the tree mode only) ----
    // The topics keep whether their rows are open, so that a closed row stays closed across
    // refreshes and mode switches. With descendants, every row below the topic's opens or closes
    // too. Several topics change the rows once.
    void expandItem(MindMapNode* item, bool withDescendants);
    void collapseItem(MindMapNode* item, bool withDescendants);
    void setItemsExpanded(const std::vector<MindMapNode*>& items, bool expanded, bool withDescendants);
    bool isItemExpanded(const MindMapNode* item) const;

    // ---- Delegate ----
    void selectionDidChange();
    // The user opened or closed the item's row.
    void itemDidExpand(MindMapNode* item);
    void itemDidCollapse(MindMapNode* item);
    double heightOfRowByItem(MindMapNode* item) const;
    OutlineRowContent viewForItem(MindMapNode* item) const;
    // The same with the row's place in the tree.
    OutlineRowContent viewForRow(const OutlineRow& row) const;
    // Before text comes into the title field of the item's row by any road (a key, a paste, a
    // middle click, a drop): how many of its bytes go in between the field's text before and after
    // the place. The topic's text limit holds there, with its notice, before the field's own far
    // larger bound could cut the text in silence.
    size_t cellWillInsert(MindMapNode* item, std::string_view before, std::string_view text, std::string_view after);
    // The title field of the item's row ended editing with this text.
    void cellEndEdit(MindMapNode* item, const std::string& text);
    // The checkbox or progress icon of the item's row was clicked; a progress icon opens the
    // checkbox menu through the handler.
    void outlineProgressIconClicked(MindMapNode* item);
    void setCheckboxMenuHandler(std::function<void()> handler) { _showCheckboxMenu = std::move(handler); }
    // The date icon of the item's row was clicked: the date popover opens for the topic.
    void dateIconClicked(MindMapNode* item);

    // ---- Dragging rows ----
    // A drag of these rows may start; only the first counts.
    bool writeItems(const std::vector<MindMapNode*>& items);
    // index -1: onto the parent itself, which stands for after its last child.
    DragOperation validateDrop(bool fromOwnView, MindMapNode* proposedParent, int64_t proposedIndex) const;
    // The parent and index a drop proposes when it falls onto the row's topic (index -1), or
    // beside it, before or after it under its own parent (nullptr: the top level).
    enum class DropPlace { Onto, Before, After };
    void proposedDrop(MindMapNode* row, DropPlace place, MindMapNode*& parent, int64_t& index) const;
    bool acceptDrop(bool fromOwnView, MindMapNode* parent, int64_t index);
    // The drag ended without a drop.
    void dragEnded() { _dragItem = nullptr; }

    // Where the progress menu's top goes in a downward y space: at the pointer, raised so that
    // the menu ends above the work area's bottom.
    static double progressMenuTop(double pointerY, double menuHeight, double workAreaMaxY);

private:
    // Keeps a counter raised for its lifetime.
    class Raise {
    public:
        explicit Raise(int64_t& counter) : _counter(counter) { ++_counter; }
        ~Raise() { --_counter; }
        Raise(const Raise&) = delete;
        Raise& operator=(const Raise&) = delete;

    private:
        int64_t& _counter;
    };

    MindMap* mindMap() const;
    bool shown() const { return !_hidden && _enabled; }
    // Rebuilds the rows; a reload hands the widget every row, otherwise only those that differ.
    void refresh(bool reload);
    // A rename the view took for a refill opens again on its topic.
    void reopenTakenEdit();
    void buildRows(MindMap& map, std::vector<OutlineRow>& rows);
    void collectTreeRows(MindMap& map, std::vector<OutlineRow>& rows) const;
    void applyRows(std::vector<OutlineRow> rows);
    void clearRows();
    void revealNode(MindMapNode* node);
    int64_t endIndexUnder(MindMapNode* parent) const;
    int64_t currentIndex(MindMapNode* node) const;

    MindMapEditor* _editor;
    OutlineView* _outlineView = nullptr;
    bool _enabled = false;
    bool _hidden = true;
    bool _readOnly = false;
    bool _hasCheckboxes = false;
    int64_t _reloading = 0;
    int64_t _cancelEdit = 0;
    MindMapNode* _dragItem = nullptr;
    std::vector<MindMapNode*> _nodes;
    std::vector<OutlineRow> _rows;
    size_t _datedRows = 0;
    uint64_t _outlineMode = Hierarchy;
    // The date popover was opened from a row on the canvas and may still be shown.
    bool _datePickerOpened = false;
    PopoverPresenter* _popoverPresenter = nullptr;
    std::shared_ptr<PopoverPresenter::Popover> _datePickerPopover;
    std::chrono::system_clock::time_point _datePickerInitialDate;
    std::function<void()> _showCheckboxMenu;
};
