#pragma once

#include "Editor/SegmentedControlItem.h"
#include "Editor/ToolbarSegment.h"
#include "Editor/gtk/ToolbarBackgroundWidget.h"
#include "panels/OutlinerViewController.h"

#include <gtkmm.h>

#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

class GtkMenuPresenter;
class GtkPopoverPresenter;
class MindMapEditor;
class MindMapNode;
class OutlineRowRenderer;

// The outline of the inspector's outliner tab: a tree view over a flat list of the adapter's rows,
// which draws each row's indentation and expander itself. GTK's own tree of rows would be walked
// recursively by GTK, and with the square of its depth; a list keeps every walk flat. It hands
// every user action to the adapter and shows what the adapter decides.
class OutlineTreeView : public Gtk::TreeView, public OutlineView {
public:
    explicit OutlineTreeView(OutlineViewAdapter& adapter);
    ~OutlineTreeView() override;

    // ---- OutlineView ----
    void reloadData() override;
    void replaceRows(size_t first, size_t removed, size_t inserted) override;
    void updateRows(size_t first, size_t count) override;
    void selectItem(MindMapNode* item) override;
    MindMapNode* selectedItem() const override;
    void setNeedsDisplay() override;
    void applyOutlineState(const OutlineViewState& state) override;
    void takeFocusFromEditor() override;
    std::optional<OutlineTopicPlace> takenEditPlace() const override;
    std::optional<std::string> reopenTakenEdit(MindMapNode* topic) override;
    bool isFirstResponder() const override;
    Rect dateIconFrame(MindMapNode* item) override;

    // The row's path and the parts of it, for tests and the page's key handling.
    Gtk::TreeModel::Path pathOfItem(MindMapNode* item) const;
    MindMapNode* itemAtPath(const Gtk::TreeModel::Path& path) const;
    bool isEditing() const { return _editable != nullptr; }
    // The store's rows, in order, as GTK shows them.
    std::vector<OutlineRow> storedRows() const;
    // Where the title, expander, progress icon and date icon of the item's row are (widget
    // coordinates); empty when the row is not shown.
    Gdk::Rectangle titleArea(MindMapNode* item);
    Gdk::Rectangle expanderArea(MindMapNode* item);
    Gdk::Rectangle progressIconArea(MindMapNode* item);
    Gdk::Rectangle dateIconArea(MindMapNode* item);
    // The drop the pointer at the widget point proposes: the parent (nullptr for the top level)
    // and the index under it (-1: onto the parent).
    bool proposedDrop(int x, int y, MindMapNode*& parent, int64_t& index, Gtk::TreeModel::Path& path,
                      Gtk::TreeViewDropPosition& position);

    void setProgressMenuHandler(std::function<void(GdkEventButton*)> handler) { _progressMenu = std::move(handler); }
    // Told of the delete keys' actions ("deleteForward:", "deleteBackward:").
    void setKeyHandler(std::function<void(const std::string&)> handler) { _keyHandler = std::move(handler); }

protected:
    bool on_draw(const Cairo::RefPtr<Cairo::Context>& cr) override;
    bool on_button_press_event(GdkEventButton* event) override;
    bool on_key_press_event(GdkEventKey* event) override;
    void on_drag_begin(const Glib::RefPtr<Gdk::DragContext>& context) override;
    void on_drag_end(const Glib::RefPtr<Gdk::DragContext>& context) override;
    bool on_drag_motion(const Glib::RefPtr<Gdk::DragContext>& context, int x, int y, guint time) override;
    bool on_drag_drop(const Glib::RefPtr<Gdk::DragContext>& context, int x, int y, guint time) override;
    void on_drag_leave(const Glib::RefPtr<Gdk::DragContext>& context, guint time) override;

private:
    friend class OutlineRowRenderer;
    friend struct OutlineCellAccessibility;

    static GQuark viewQuark();
    // Whether a row given to the renderer needs its text: it is drawn, or screen readers may read it.
    // Never while the store follows a change of the map: until it has, rows of deleted topics are
    // still in it, and GTK asks for the texts of rows as others come and go.
    bool rowTextWanted() const { return (_drawing || _accessibleAsked) && !_storeFollowing; }

    void insertRows(size_t first, size_t count);
    // Tells the accessible of the rows from first on that they changed, once the store has followed
    // a change: cells GTK made or updated meanwhile took no text.
    void announceRows(size_t first, size_t count);
    // A table of rows to screen readers, and a tree of them in the tree mode.
    void showAccessibleRole();
    bool storedRow(size_t index, OutlineRow& row) const;
    void updateHeightMode();
    // A key asked to open or close the cursor's row (with openAll, every row below it too).
    void expandOrCollapseCursorRow(bool expand, bool openAll);
    static int rowHeight(const OutlineRow& row);
    void renderRow(const Cairo::RefPtr<Cairo::Context>& cr, const OutlineRow& row, const Gdk::Rectangle& cellArea);
    void renderExpander(const Cairo::RefPtr<Cairo::Context>& cr, const Rect& slot, bool expanded);
    Glib::RefPtr<Pango::Layout> autoNumberLayout(const OutlineRowContent& row);
    // A row's title, number or date shaped for the width it shows in (in Pango units, 0: unbounded),
    // as the last frames shaped it when they showed the same text there.
    enum class RowText : char { Title, Number, Date };
    Glib::RefPtr<Pango::Layout> shapedText(RowText kind, const std::string& text, int width);
    OutlineRowLayout rowLayout(MindMapNode* item, const Rect& cell);
    Glib::RefPtr<Gdk::Pixbuf> icon(const std::string& name, bool selected);
    Gdk::Rectangle partArea(MindMapNode* item, Rect OutlineRowLayout::*part);
    void updateDragSource();
    // The title field's "insert-text", ahead of the field's own handler.
    static void filterTitleInsertion(GtkEditable* editable, gchar* text, gint length, gint* position, gpointer self);

    OutlineViewAdapter& _adapter;
    Glib::RefPtr<Gtk::ListStore> _store;
    Gtk::TreeViewColumn _column;
    std::unique_ptr<OutlineRowRenderer> _renderer;
    std::unordered_map<std::string, Glib::RefPtr<Gdk::Pixbuf>> _icons;
    // Texts shaped for the rows drawn, by kind, width and text.
    static constexpr size_t MaxShapedTexts = 1024;
    struct ShapedText {
        Glib::RefPtr<Pango::Layout> layout;
        uint64_t frame = 0;
    };
    std::unordered_map<std::string, ShapedText> _shapedTexts;
    uint64_t _frames = 0;
    Glib::RefPtr<Gtk::CssProvider> _css;
    OutlineViewState _state;
    std::optional<double> _keptScroll;
    bool _drawing = false;
    bool _accessibleAsked = false;
    bool _accessibleNamed = false;
    bool _storeFollowing = false;
    Gtk::CellEditable* _editable = nullptr;
    MindMapNode* _editedItem = nullptr;
    OutlineTopicPlace _editedPlace;
    // A rename taken for a refill, with its text and where its caret and selection were.
    struct TakenEdit {
        OutlineTopicPlace place;
        Glib::ustring text;
        int caret = 0, selectionStart = 0, selectionEnd = 0;
    };
    std::optional<TakenEdit> _takenEdit;
    bool _insertingFiltered = false;
    std::function<void(GdkEventButton*)> _progressMenu;
    std::function<void(const std::string&)> _keyHandler;
};

// The inspector's outliner tab: the mode control in its strip above the outline.
class OutlinerView : public Gtk::Box {
public:
    explicit OutlinerView(MindMapEditor& editor);
    ~OutlinerView() override;

    OutlinerViewController& controller() { return *_controller; }
    OutlineTreeView& outline() { return *_outline; }
    ToolbarBackgroundWidget& toolbar() { return _toolbar; }

private:
    void showProgressMenu(GdkEventButton* event);

    MindMapEditor& _editor;
    std::unique_ptr<OutlinerViewController> _controller;
    // The box's own teardown unmaps it after the controller has gone: cut before that.
    sigc::connection _mapped;
    sigc::connection _unmapped;
    ToolbarBackgroundWidget _toolbar;
    std::vector<std::shared_ptr<ToolbarSegment>> _segments;
    std::shared_ptr<SegmentedControlItem> _modeSegments;
    std::unique_ptr<Responder> _segmentTarget;
    Gtk::ScrolledWindow _outlineScroller;
    std::unique_ptr<OutlineTreeView> _outline;
    std::unique_ptr<GtkMenuPresenter> _menuPresenter;
    // The date popover points at the row's date icon.
    std::unique_ptr<GtkPopoverPresenter> _popoverPresenter;
};

// Makes the outliner the first page of every main window's inspector. Called once at start-up.
void installOutliner();
