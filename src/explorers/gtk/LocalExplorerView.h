#pragma once

#include "explorers/MindMapOutlineView.h"

#include <glibmm/main.h>
#include <gtkmm/box.h>
#include <gtkmm/cellrenderertext.h>
#include <gtkmm/scrolledwindow.h>
#include <gtkmm/treestore.h>
#include <gtkmm/treeview.h>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

class GtkMenuPresenter;
class Image;
class LocalMindMapExplorer;
class LocalExplorerView;
class MindMapStoreItem;
class ToolbarBackgroundWidget;

namespace explorergtk {

// The map or folder picture of a row; a map's thumbnail is asked for only when its row is drawn.
class ThumbnailCellRenderer : public Gtk::CellRenderer {
public:
    explicit ThumbnailCellRenderer(LocalExplorerView& view);
    void setItem(std::weak_ptr<MindMapStoreItem> item, int width, int height);

protected:
    void get_preferred_width_vfunc(Gtk::Widget& widget, int& minimum, int& natural) const override;
    void get_preferred_height_vfunc(Gtk::Widget& widget, int& minimum, int& natural) const override;
    void render_vfunc(const Cairo::RefPtr<Cairo::Context>& cr, Gtk::Widget& widget, const Gdk::Rectangle& background,
                      const Gdk::Rectangle& cell, Gtk::CellRendererState flags) override;

private:
    LocalExplorerView& _view;
    std::weak_ptr<MindMapStoreItem> _item;
    int _width = 16;
    int _height = 16;
};

// A row's title with its details (a date, or the folder path while searching) below it, both as
// plain text. Editing changes the title alone.
class TitleCellRenderer : public Gtk::CellRendererText {
public:
    TitleCellRenderer();
    void setRow(const std::string& title, const std::string& details, bool titleDimmed, bool detailsDimmed, int height);

protected:
    void get_preferred_height_vfunc(Gtk::Widget& widget, int& minimum, int& natural) const override;
    void get_preferred_height_for_width_vfunc(Gtk::Widget& widget, int width, int& minimum,
                                              int& natural) const override;
    void render_vfunc(const Cairo::RefPtr<Cairo::Context>& cr, Gtk::Widget& widget, const Gdk::Rectangle& background,
                      const Gdk::Rectangle& cell, Gtk::CellRendererState flags) override;

private:
    std::string _title;
    std::string _details;
    bool _titleDimmed = false;
    bool _detailsDimmed = false;
    int _height = 18;
};

// The tree view with the explorer's drags: its own drag type carrying a GUID, drops that the
// explorer validates, and no editing or selection change from a right click.
class ExplorerTreeView : public Gtk::TreeView {
public:
    explicit ExplorerTreeView(LocalExplorerView& view) : _view(view) {}

protected:
    bool on_button_press_event(GdkEventButton* event) override;
    bool on_key_press_event(GdkEventKey* event) override;
    void on_drag_begin(const Glib::RefPtr<Gdk::DragContext>& context) override;
    void on_drag_data_get(const Glib::RefPtr<Gdk::DragContext>& context, Gtk::SelectionData& data, guint info,
                          guint time) override;
    void on_drag_data_delete(const Glib::RefPtr<Gdk::DragContext>& context) override;
    void on_drag_end(const Glib::RefPtr<Gdk::DragContext>& context) override;
    bool on_drag_motion(const Glib::RefPtr<Gdk::DragContext>& context, int x, int y, guint time) override;
    void on_drag_leave(const Glib::RefPtr<Gdk::DragContext>& context, guint time) override;
    bool on_drag_drop(const Glib::RefPtr<Gdk::DragContext>& context, int x, int y, guint time) override;
    void on_drag_data_received(const Glib::RefPtr<Gdk::DragContext>& context, int x, int y,
                               const Gtk::SelectionData& data, guint info, guint time) override;

private:
    LocalExplorerView& _view;
};

} // namespace explorergtk

// The local explorer's widget: the toolbar strip (in the main explorer) above a tree of the
// store's folders and maps. It mirrors the explorer's outline rows and reports clicks, expansion,
// edits and drops back to it; map thumbnails are painted for the rows on screen, a few per idle
// turn.
class LocalExplorerView : public Gtk::Box, public OutlineViewListener {
public:
    // Thumbnails painted in one idle turn: each costs a few milliseconds and a flush to disk, and
    // the list must keep scrolling at the display's rate while they fill in.
    static constexpr size_t ThumbnailsPerTurn = 1;
    static constexpr int ThumbnailWidth = 86;
    static constexpr int ThumbnailHeight = 64;
    static constexpr int IconSize = 16;

    // Without `fillNow` the tree stays empty, whatever the explorer reports, until fill(): a
    // window shows its map first and lists the store right after.
    explicit LocalExplorerView(LocalMindMapExplorer& explorer, bool fillNow = true);
    ~LocalExplorerView() override;
    void fill();
    bool filled() const { return !_fillDeferred; }

    LocalMindMapExplorer& explorer() { return _explorer; }
    Gtk::TreeView& treeView() { return _tree; }
    ToolbarBackgroundWidget* toolbar() const { return _toolbar.get(); }
    explorergtk::TitleCellRenderer& titleRenderer() { return _titleRenderer; }
    Gtk::TreeViewColumn& column() { return _column; }
    // Fills the renderers for the row, as drawing it would.
    void prepareRow(const Gtk::TreePath& path);
    bool isEditing() const { return _editable != nullptr; }

    // The tree path of an item's row; empty when it has none.
    Gtk::TreePath pathForItem(const MindMapStoreItem* item) const;
    MindMapStoreItem* itemForPath(const Gtk::TreePath& path) const;

    // The picture to draw for the item now; a map's thumbnail not yet at hand is queued.
    std::shared_ptr<const Image> pictureFor(MindMapStoreItem* item);
    size_t pendingThumbnailCount() const { return _pending.size(); }
    // Paints up to that many queued thumbnails; false when none is left.
    bool paintPendingThumbnails(size_t count);

    // ---- Drags (the tree view's handlers) ----
    struct DropPlace {
        std::weak_ptr<MindMapStoreItem> item;
        int64_t index = -1;
        Gtk::TreePath path;
        Gtk::TreeViewDropPosition position = Gtk::TREE_VIEW_DROP_BEFORE;
    };
    // The (item, child index) a drop at the point means: into a folder (folder, -1), before a row
    // (parent, its index), after it (parent, its index + 1), empty space (nothing, -1).
    DropPlace dropPlaceAt(int x, int y);
    // Remembers the item under a press of the pointer; a drag that follows carries it.
    void notePress(int x, int y);
    std::weak_ptr<MindMapStoreItem> pressedItem() const { return _pressed; }
    bool showContextMenu(GdkEventButton* event);

    // ---- OutlineViewListener ----
    void outlineReloaded() override;
    void outlineSelectionChanged() override;
    void outlineExpansionChanged(MindMapStoreItem* item, bool expanded) override;
    void outlineScrollRowToVisible(int64_t row) override;
    void outlineBeginEditing(int64_t row) override;
    void outlineEndEditing() override;
    void outlineCommitEditing() override;

    // Validates the toolbar (and what else follows the selection) once the current event is done.
    void scheduleUpdate();

    // GTK is in one of the tree's handlers (a click, a selection, an edit, a drop): its rows must
    // stay as they are until it returns, so a rebuild asked for meanwhile waits for the next turn.
    class HandlerScope {
    public:
        explicit HandlerScope(LocalExplorerView& view) : _view(view) { ++_view._handlerDepth; }
        ~HandlerScope() { --_view._handlerDepth; }
        HandlerScope(const HandlerScope&) = delete;
        HandlerScope& operator=(const HandlerScope&) = delete;

    private:
        LocalExplorerView& _view;
    };
    // Handles a key of the tree: Delete deletes, F2 renames. False for other keys.
    bool handleKey(GdkEventKey* event);

    // For the pick browser: told after every change of the selection.
    void setSelectionChangedHandler(std::function<void()> handler) { _selectionHandler = std::move(handler); }

private:
    struct Columns : Gtk::TreeModelColumnRecord {
        Columns() { add(item); }
        Gtk::TreeModelColumn<std::weak_ptr<MindMapStoreItem>> item;
    };

    // A rename open while the rows are rebuilt: what was typed, and where the caret was.
    struct OpenRename {
        std::weak_ptr<MindMapStoreItem> item;
        std::string text;
        int caret = 0;
        int selectionStart = 0;
        int selectionEnd = 0;
    };
    void rebuild();
    std::optional<OpenRename> takeDownRename();
    void reopenRename(const OpenRename& rename);
    void appendChildren(MindMapStoreItem* folder, const Gtk::TreeModel::iterator* parentRow);
    void expandAsOutline(const Gtk::TreeModel::Children& rows);
    void applySelection();
    void cellData(Gtk::CellRenderer* renderer, const Gtk::TreeModel::iterator& iter);
    bool selectFunction(const Glib::RefPtr<Gtk::TreeModel>& model, const Gtk::TreeModel::Path& path, bool selected);
    void gtkSelectionChanged();
    void rowExpanded(const Gtk::TreeModel::iterator& iter, const Gtk::TreeModel::Path& path, bool expanded);
    void rowActivated(const Gtk::TreeModel::Path& path, Gtk::TreeViewColumn* column);
    void editingStarted(Gtk::CellEditable* editable, const Glib::ustring& path);
    void edited(const Glib::ustring& path, const Glib::ustring& text);
    void queueThumbnail(MindMapStoreItem* item);
    std::string thumbnailKey(MindMapStoreItem* item) const;

    LocalMindMapExplorer& _explorer;
    std::unique_ptr<ToolbarBackgroundWidget> _toolbar;
    Gtk::ScrolledWindow _scroller;
    explorergtk::ExplorerTreeView _tree;
    Columns _columns;
    Glib::RefPtr<Gtk::TreeStore> _store;
    Gtk::TreeViewColumn _column;
    explorergtk::ThumbnailCellRenderer _thumbnailRenderer;
    explorergtk::TitleCellRenderer _titleRenderer;
    // The store's iterators stay valid until the rows are cleared; the keys are never followed.
    std::unordered_map<const MindMapStoreItem*, Gtk::TreeModel::iterator> _rows;
    // Raised while this view itself changes the tree's rows, expansion or selection.
    int _updating = 0;
    int _handlerDepth = 0;
    bool _fillDeferred = false;
    sigc::connection _deferredRebuild;
    // The guard's answer holds for the rest of the current event: one click asks once.
    std::optional<bool> _selectionAllowed;
    Gtk::CellEditable* _editable = nullptr;
    std::weak_ptr<MindMapStoreItem> _editedItem;
    // Raised while a rebuild takes a rename down to open it again: the edit has not ended.
    bool _takingDownRename = false;
    sigc::connection _renameCommit;
    sigc::connection _editableRemoved;
    std::unordered_map<std::string, std::shared_ptr<const Image>> _thumbnails;
    std::deque<std::weak_ptr<MindMapStoreItem>> _pending;
    std::unordered_map<std::string, bool> _queued;
    sigc::connection _thumbnailIdle;
    sigc::connection _updateIdle;
    sigc::connection _guardReset;
    std::unique_ptr<GtkMenuPresenter> _menuPresenter;
    std::function<void()> _selectionHandler;
    std::weak_ptr<MindMapStoreItem> _pressed;
    std::weak_ptr<MindMapStoreItem> _dragged;
};
