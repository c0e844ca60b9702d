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

// What the outline widget does for its adapter. Items are topics; nullptr stands for the root.
class OutlineView {
public:
    virtual ~OutlineView() = default;
    // Builds every row again from the adapter's data source; every row starts collapsed.
    virtual void reloadData() = 0;
    virtual void expandItem(MindMapNode* item, bool expandChildren) = 0;
    virtual void collapseItem(MindMapNode* item, bool collapseChildren) = 0;
    virtual bool isItemExpanded(MindMapNode* item) const = 0;
    // The item's row selected alone and scrolled into view; nullptr, or an item without a shown
    // row, deselects every row.
    virtual void selectItem(MindMapNode* item) = 0;
    virtual MindMapNode* selectedItem() const = 0;
    virtual void setNeedsDisplay() = 0;
    virtual void applyOutlineState(const OutlineViewState& state) = 0;
    // When the keyboard focus is inside the view (a title being edited), the view itself takes it.
    virtual void takeFocusFromEditor() = 0;
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
};

// Where the parts of a row go inside its cell, left to right: the checkbox or progress icon, the
// auto-number text, the title (with the date line under it), the note mark and the date icon.
// Each slot but the title and date line spans the cell's height; an empty slot is a part the row
// does not show. Clicks on the icons are told apart by these slots, so drawing and hit testing
// cannot drift apart.
struct OutlineRowLayout {
    static constexpr double IconSize = 16;
    // The date line's share of a dated row; the title keeps a plain row's height above it.
    static constexpr double DateLineHeight = 14;
    static constexpr double ProgressSlotWidth = 20; // the icon and the gap to the texts
    static constexpr double TextPadding = 2;
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
// Two counters guard against feedback: while `reloading` is raised the adapter itself changes
// rows, expansion or selection, and whatever the widget reports then is ignored; while
// `cancelEdit` is raised an in-place edit being abandoned is not applied.
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
    MindMapNode* dragItem() const { return _dragItem; }

    void refreshOutline();
    void syncSelectedElement();
    void autoSyncSelectedElement();
    OutlineViewState outlineState() const;
    void updateOutlineState();
    void cancelEditing();
    // White space and line ends off both ends; every inner line end a space.
    static std::string singleLineText(std::string_view text);
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

    // ---- Delegate ----
    void selectionDidChange();
    void itemDidExpand(MindMapNode* item);
    void itemDidCollapse(MindMapNode* item);
    double heightOfRowByItem(MindMapNode* item) const;
    OutlineRowContent viewForItem(MindMapNode* item) const;
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
    void buildRows(MindMap& map);
    void expandUncollapsedChildren(MindMapNode* node);
    // Below the node first, so that closing a row never leaves one under it to close.
    void collapseClosedRows(MindMapNode* node);
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
    uint64_t _outlineMode = Hierarchy;
    // The date popover was opened from a row on the canvas and may still be shown.
    bool _datePickerOpened = false;
    PopoverPresenter* _popoverPresenter = nullptr;
    std::shared_ptr<PopoverPresenter::Popover> _datePickerPopover;
    std::chrono::system_clock::time_point _datePickerInitialDate;
    std::function<void()> _showCheckboxMenu;
};
