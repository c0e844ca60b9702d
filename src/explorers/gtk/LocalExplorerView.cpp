#include "explorers/gtk/LocalExplorerView.h"

#include "Editor/CommandRouter.h"
#include "Editor/gtk/ToolbarBackgroundWidget.h"
#include "explorers/LocalMindMapExplorer.h"
#include "platform/Image.h"
#include "platform/Menu.h"
#include "platform/gtk/BoundedEntry.h"
#include "platform/gtk/GtkMenuPresenter.h"
#include "platform/gtk/KeptCellEdits.h"
#include "store/MindMapInfoItem.h"
#include "store/MindMapStoreFolder.h"

#include <gtkmm/accelgroup.h>
#include <gtkmm/entry.h>
#include <gtkmm/selectiondata.h>
#include <pangomm/layout.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr const char* DragType = LocalExplorerAdapter::DragType;
// The band at the top and bottom of the list where a drag scrolls it.
constexpr int AutoScrollBand = 24;
constexpr double DimmedAlpha = 0.45;
constexpr double DetailsScale = 0.85;
constexpr int TitleDetailsGap = 1;

// The actions of the context menu that go along the responder chain rather than to the explorer.
bool goesAlongTheChain(const std::string& action)
{
    return action == "importDocument:" || action == "importPdf:" || action == "invokeImportMindMapStore:";
}

void validateContextMenu(Menu& menu, Responder& explorer)
{
    CommandRouter& router = CommandRouter::shared();
    for (const auto& item : menu.items()) {
        if (item->isSeparatorItem() || item->action().empty()) continue;
        Responder* target = goesAlongTheChain(item->action()) ? nullptr : &explorer;
        applyValidation(*item, router.validateItem(*item, target));
    }
}

Gdk::RGBA textColour(Gtk::Widget& widget, Gtk::CellRendererState flags)
{
    auto context = widget.get_style_context();
    return context->get_color((flags & Gtk::CELL_RENDERER_SELECTED) ? Gtk::STATE_FLAG_SELECTED
                                                                    : Gtk::STATE_FLAG_NORMAL);
}

} // namespace

namespace explorergtk {

// ---- ThumbnailCellRenderer ----

ThumbnailCellRenderer::ThumbnailCellRenderer(LocalExplorerView& view)
    : Glib::ObjectBase(typeid(ThumbnailCellRenderer)), _view(view)
{
}

void ThumbnailCellRenderer::setItem(std::weak_ptr<MindMapStoreItem> item, int width, int height)
{
    _item = std::move(item);
    _width = width;
    _height = height;
}

void ThumbnailCellRenderer::get_preferred_width_vfunc(Gtk::Widget&, int& minimum, int& natural) const
{
    minimum = natural = _width + 2 * static_cast<int>(property_xpad());
}

void ThumbnailCellRenderer::get_preferred_height_vfunc(Gtk::Widget&, int& minimum, int& natural) const
{
    minimum = natural = _height + 2 * static_cast<int>(property_ypad());
}

void ThumbnailCellRenderer::render_vfunc(const Cairo::RefPtr<Cairo::Context>& cr, Gtk::Widget&, const Gdk::Rectangle&,
                                         const Gdk::Rectangle& cell, Gtk::CellRendererState)
{
    std::shared_ptr<MindMapStoreItem> item = _item.lock();
    if (!item) return;
    std::shared_ptr<const Image> picture = _view.pictureFor(item.get());
    if (!picture || picture->isNull()) return;
    const double width = picture->pixelWidth();
    const double height = picture->pixelHeight();
    // Shrunk to the cell, never enlarged; centred, but an icon in a column widened by thumbnails
    // stays beside its title.
    const double scale = std::min({1.0, _width / width, _height / height});
    double x = cell.get_x() + (cell.get_width() - width * scale) / 2;
    if (_width < cell.get_width() - 2 * int(property_xpad())) x = cell.get_x() + cell.get_width() - width * scale - 4;
    const double y = cell.get_y() + (cell.get_height() - height * scale) / 2;
    cr->save();
    cr->translate(std::round(x), std::round(y));
    cr->scale(scale, scale);
    cairo_set_source_surface(cr->cobj(), picture->surface(), 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr->cobj()), CAIRO_FILTER_GOOD);
    cr->paint();
    cr->restore();
}

// ---- TitleCellRenderer ----

TitleCellRenderer::TitleCellRenderer() : Glib::ObjectBase(typeid(TitleCellRenderer))
{
    property_ellipsize() = Pango::ELLIPSIZE_END;
}

void TitleCellRenderer::setRow(const std::string& title, const std::string& details, bool titleDimmed,
                               bool detailsDimmed, int height)
{
    _title = title;
    _details = details;
    _titleDimmed = titleDimmed;
    _detailsDimmed = detailsDimmed;
    _height = height;
    // Measured by the text renderer; the rename is given the whole title as it starts.
    property_text() = title;
}

void TitleCellRenderer::get_preferred_height_vfunc(Gtk::Widget&, int& minimum, int& natural) const
{
    minimum = natural = _height;
}

void TitleCellRenderer::get_preferred_height_for_width_vfunc(Gtk::Widget&, int, int& minimum, int& natural) const
{
    minimum = natural = _height;
}

void TitleCellRenderer::render_vfunc(const Cairo::RefPtr<Cairo::Context>& cr, Gtk::Widget& widget,
                                     const Gdk::Rectangle&, const Gdk::Rectangle& cell, Gtk::CellRendererState flags)
{
    const int xpad = static_cast<int>(property_xpad());
    const int width = std::max(1, cell.get_width() - 2 * xpad);
    // Titles are the user's own text: set as text, never read as markup.
    Glib::RefPtr<Pango::Layout> title = widget.create_pango_layout("");
    title->set_text(_title);
    title->set_ellipsize(Pango::ELLIPSIZE_END);
    title->set_width(width * PANGO_SCALE);
    title->set_single_paragraph_mode(true);
    Glib::RefPtr<Pango::Layout> details;
    int titleWidth = 0, titleHeight = 0, detailsWidth = 0, detailsHeight = 0;
    title->get_pixel_size(titleWidth, titleHeight);
    if (!_details.empty()) {
        details = widget.create_pango_layout("");
        details->set_text(_details);
        details->set_ellipsize(Pango::ELLIPSIZE_END);
        details->set_width(width * PANGO_SCALE);
        details->set_single_paragraph_mode(true);
        Pango::FontDescription font = widget.get_style_context()->get_font();
        font.set_size(static_cast<int>(font.get_size() * DetailsScale));
        details->set_font_description(font);
        details->get_pixel_size(detailsWidth, detailsHeight);
    }
    const int block = titleHeight + (details ? TitleDetailsGap + detailsHeight : 0);
    int y = cell.get_y() + std::max(0, (cell.get_height() - block) / 2);
    const Gdk::RGBA colour = textColour(widget, flags);
    const bool selected = flags & Gtk::CELL_RENDERER_SELECTED;
    cr->save();
    cr->rectangle(cell.get_x(), cell.get_y(), cell.get_width(), cell.get_height());
    cr->clip();
    cr->set_source_rgba(colour.get_red(), colour.get_green(), colour.get_blue(),
                        _titleDimmed && !selected ? DimmedAlpha : 1.0);
    cr->move_to(cell.get_x() + xpad, y);
    title->show_in_cairo_context(cr);
    if (details) {
        y += titleHeight + TitleDetailsGap;
        cr->set_source_rgba(colour.get_red(), colour.get_green(), colour.get_blue(),
                            selected ? 0.85 : (_detailsDimmed ? DimmedAlpha : 0.6));
        cr->move_to(cell.get_x() + xpad, y);
        details->show_in_cairo_context(cr);
    }
    cr->restore();
}

// ---- ExplorerTreeView ----

bool ExplorerTreeView::on_button_press_event(GdkEventButton* event)
{
    _view.notePress(static_cast<int>(event->x), static_cast<int>(event->y));
    // A right click opens the menu; it never starts an edit.
    if (event->type == GDK_BUTTON_PRESS && event->button == 3) return _view.showContextMenu(event);
    LocalExplorerView::HandlerScope scope(_view);
    return Gtk::TreeView::on_button_press_event(event);
}

bool ExplorerTreeView::on_key_press_event(GdkEventKey* event)
{
    if (_view.handleKey(event)) return true;
    LocalExplorerView::HandlerScope scope(_view);
    return Gtk::TreeView::on_key_press_event(event);
}

void ExplorerTreeView::on_drag_begin(const Glib::RefPtr<Gdk::DragContext>& context)
{
    Gtk::TreeView::on_drag_begin(context);
}

void ExplorerTreeView::on_drag_data_get(const Glib::RefPtr<Gdk::DragContext>&, Gtk::SelectionData& data, guint, guint)
{
    std::shared_ptr<MindMapStoreItem> item = _view.pressedItem().lock();
    if (!item) return;
    std::optional<std::string> payload = _view.explorer().adapter().writeItems({item.get()});
    if (payload)
        data.set(DragType, 8, reinterpret_cast<const guint8*>(payload->data()), static_cast<int>(payload->size()));
}

void ExplorerTreeView::on_drag_data_delete(const Glib::RefPtr<Gdk::DragContext>&)
{
    // The explorer moved the item in the store; the rows follow from there.
}

void ExplorerTreeView::on_drag_end(const Glib::RefPtr<Gdk::DragContext>& context)
{
    Gtk::TreeView::on_drag_end(context);
    _view.explorer().adapter().clearDragItem();
}

bool ExplorerTreeView::on_drag_motion(const Glib::RefPtr<Gdk::DragContext>& context, int x, int y, guint time)
{
    // Near the edges the list scrolls under the pointer.
    Glib::RefPtr<Gtk::Adjustment> adjustment = get_vadjustment();
    if (adjustment) {
        const int height = get_allocated_height();
        double step = 0;
        if (y < AutoScrollBand) step = -(AutoScrollBand - y);
        else if (y > height - AutoScrollBand) step = y - (height - AutoScrollBand);
        if (step != 0)
            adjustment->set_value(std::clamp(adjustment->get_value() + step, adjustment->get_lower(),
                                             adjustment->get_upper() - adjustment->get_page_size()));
    }
    const bool fromHere = Gtk::Widget::drag_get_source_widget(context) == this;
    LocalExplorerView::DropPlace place = _view.dropPlaceAt(x, y);
    std::shared_ptr<MindMapStoreItem> item = place.item.lock();
    // The explorer asks the item dragged from here; a drag from elsewhere is refused.
    if (fromHere && !_view.explorer().adapter().dragItem())
        _view.explorer().adapter().writeItems({_view.pressedItem().lock().get()});
    const LocalExplorerAdapter::DropTarget target =
        _view.explorer().adapter().validateDrop(item.get(), place.index, fromHere);
    if (target.operation == LocalExplorerAdapter::DragOperationMove) {
        if (place.path.empty()) unset_drag_dest_row();
        else set_drag_dest_row(place.path, place.position);
        context->drag_status(Gdk::ACTION_MOVE, time);
    } else {
        unset_drag_dest_row();
        context->drag_refuse(time);
    }
    return true;
}

void ExplorerTreeView::on_drag_leave(const Glib::RefPtr<Gdk::DragContext>&, guint)
{
    unset_drag_dest_row();
}

bool ExplorerTreeView::on_drag_drop(const Glib::RefPtr<Gdk::DragContext>& context, int, int, guint time)
{
    unset_drag_dest_row();
    drag_get_data(context, DragType, time);
    return true;
}

void ExplorerTreeView::on_drag_data_received(const Glib::RefPtr<Gdk::DragContext>& context, int x, int y,
                                             const Gtk::SelectionData& data, guint, guint time)
{
    LocalExplorerView::HandlerScope scope(_view);
    const std::string payload = data.get_length() > 0 ? data.get_data_as_string() : std::string();
    LocalExplorerView::DropPlace place = _view.dropPlaceAt(x, y);
    std::shared_ptr<MindMapStoreItem> item = place.item.lock();
    const bool accepted = Gtk::Widget::drag_get_source_widget(context) == this &&
        _view.explorer().adapter().acceptDrop(payload, item.get(), place.index);
    context->drag_finish(accepted, false, time);
}

} // namespace explorergtk

// ---- LocalExplorerView ----

LocalExplorerView::LocalExplorerView(LocalMindMapExplorer& explorer, bool fillNow)
    : Gtk::Box(Gtk::ORIENTATION_VERTICAL),
      _explorer(explorer),
      _tree(*this),
      _store(Gtk::TreeStore::create(_columns)),
      _thumbnailRenderer(*this),
      _menuPresenter(std::make_unique<GtkMenuPresenter>(_tree))
{
    _explorer.loadView();
    if (!_explorer.toolbarItems().empty()) {
        _toolbar = std::make_unique<ToolbarBackgroundWidget>();
        _toolbar->addSegmentedControlItems(_explorer.toolbarItems());
        pack_start(*_toolbar, Gtk::PACK_SHRINK);
    }
    _tree.set_model(_store);
    _tree.set_headers_visible(false);
    _tree.set_enable_search(false);
    _tree.set_show_expanders(true);
    _column.pack_start(_thumbnailRenderer, false);
    _column.pack_start(_titleRenderer, true);
    _column.set_cell_data_func(_thumbnailRenderer,
                               [this](Gtk::CellRenderer* r, const Gtk::TreeModel::iterator& i) { cellData(r, i); });
    _column.set_cell_data_func(_titleRenderer,
                               [this](Gtk::CellRenderer* r, const Gtk::TreeModel::iterator& i) { cellData(r, i); });
    _column.set_expand(true);
    _tree.append_column(_column);
    _tree.set_expander_column(_column);
    _titleRenderer.property_editable() = false;
    _titleRenderer.signal_editing_started().connect(sigc::mem_fun(*this, &LocalExplorerView::editingStarted));
    _titleRenderer.signal_edited().connect(sigc::mem_fun(*this, &LocalExplorerView::edited));
    _titleRenderer.signal_editing_canceled().connect([this] {
        _editable = nullptr;
        if (!_takingDownRename) _explorer.outlineView().editingEnded();
    });
    keepCellEditsOnFocusLoss(_titleRenderer);
    Glib::RefPtr<Gtk::TreeSelection> selection = _tree.get_selection();
    selection->set_mode(Gtk::SELECTION_SINGLE);
    selection->set_select_function(sigc::mem_fun(*this, &LocalExplorerView::selectFunction));
    selection->signal_changed().connect(sigc::mem_fun(*this, &LocalExplorerView::gtkSelectionChanged));
    _tree.signal_row_expanded().connect(
        [this](const Gtk::TreeModel::iterator& i, const Gtk::TreeModel::Path& p) { rowExpanded(i, p, true); });
    _tree.signal_row_collapsed().connect(
        [this](const Gtk::TreeModel::iterator& i, const Gtk::TreeModel::Path& p) { rowExpanded(i, p, false); });
    _tree.signal_row_activated().connect(sigc::mem_fun(*this, &LocalExplorerView::rowActivated));
    if (_explorer.adapter().isExplorer()) {
        const std::vector<Gtk::TargetEntry> targets = {Gtk::TargetEntry(DragType, Gtk::TARGET_SAME_WIDGET)};
        _tree.enable_model_drag_source(targets, Gdk::BUTTON1_MASK, Gdk::ACTION_MOVE);
        _tree.enable_model_drag_dest(targets, Gdk::ACTION_MOVE);
    }
    _tree.signal_focus_in_event().connect([this](GdkEventFocus*) {
        scheduleUpdate();
        return false;
    });
    _scroller.set_policy(Gtk::POLICY_NEVER, Gtk::POLICY_AUTOMATIC);
    _scroller.add(_tree);
    pack_start(_scroller, Gtk::PACK_EXPAND_WIDGET);
    _explorer.outlineView().setListener(this);
    _fillDeferred = !fillNow;
    rebuild();
    show_all();
}

void LocalExplorerView::fill()
{
    if (!_fillDeferred) return;
    _fillDeferred = false;
    rebuild();
    scheduleUpdate();
}

LocalExplorerView::~LocalExplorerView()
{
    _thumbnailIdle.disconnect();
    _updateIdle.disconnect();
    _deferredRebuild.disconnect();
    _guardReset.disconnect();
    _editableRemoved.disconnect();
    _renameCommit.disconnect();
    if (_explorer.outlineView().listener() == this) _explorer.outlineView().setListener(nullptr);
}

// ---- Rows ----

void LocalExplorerView::rebuild()
{
    _deferredRebuild.disconnect();
    ++_updating;
    // The rows change under a rename for reasons of their own (the store written, a map come in):
    // the rename is opened again on its item's new row with what was typed.
    const std::optional<OpenRename> rename = takeDownRename();
    _rows.clear();
    _store->clear();
    if (!_fillDeferred) {
        appendChildren(_explorer.adapter().displayedRoot(), nullptr);
        expandAsOutline(_store->children());
        applySelection();
    }
    if (rename) reopenRename(*rename);
    --_updating;
}

std::optional<LocalExplorerView::OpenRename> LocalExplorerView::takeDownRename()
{
    auto* entry = dynamic_cast<Gtk::Entry*>(_editable);
    if (!entry) return std::nullopt;
    OpenRename rename{_editedItem, entry->get_text(), entry->get_position()};
    entry->get_selection_bounds(rename.selectionStart, rename.selectionEnd);
    Gtk::CellEditable* editable = _editable;
    _editable = nullptr;
    _takingDownRename = true;
    entry->property_editing_canceled() = true;
    editable->editing_done();
    editable->remove_widget();
    _takingDownRename = false;
    return rename;
}

void LocalExplorerView::reopenRename(const OpenRename& rename)
{
    MindMapOutlineView& outline = _explorer.outlineView();
    std::shared_ptr<MindMapStoreItem> item = rename.item.lock();
    if (item && outline.isEditing() && outline.itemAtRow(outline.editedRow()) == item.get()) {
        outlineBeginEditing(outline.editedRow());
        if (auto* entry = dynamic_cast<Gtk::Entry*>(_editable)) {
            entry->set_text(rename.text);
            if (rename.selectionStart != rename.selectionEnd)
                entry->select_region(rename.selectionStart, rename.selectionEnd);
            else entry->set_position(rename.caret);
            return;
        }
    }
    // The item is shown no more (it went into a closed folder, out of a search) or the edit could
    // not start again: the name is taken whole, once the rebuild is over.
    outline.editingEnded();
    if (!item) return;
    _renameCommit.disconnect();
    _renameCommit = Glib::signal_idle().connect([this, weak = rename.item, text = rename.text] {
        if (std::shared_ptr<MindMapStoreItem> named = weak.lock()) _explorer.adapter().cellEndEdit(named.get(), text);
        return false;
    });
}

void LocalExplorerView::appendChildren(MindMapStoreItem* folder, const Gtk::TreeModel::iterator* parentRow)
{
    if (!folder) return;
    // Filled from the last row up, each row's own rows right after it: the tree store finds a new
    // row's path by walking the rows before it and before each of its parents, and a row added
    // first at every level has its path at once. Appended, a folder of many folders costs a walk
    // of them all for each.
    for (size_t index = folder->childCount(); index-- > 0;) {
        MindMapStoreItem* item = folder->childAtIndex(index);
        if (!item) continue;
        Gtk::TreeModel::iterator row = parentRow ? _store->prepend((*parentRow)->children()) : _store->prepend();
        (*row)[_columns.item] = item->weak_from_this();
        _rows.emplace(item, row);
        if (item->isFolder()) appendChildren(item, &row);
    }
}

void LocalExplorerView::expandAsOutline(const Gtk::TreeModel::Children& rows)
{
    for (const Gtk::TreeModel::Row& row : rows) {
        std::shared_ptr<MindMapStoreItem> item =
            static_cast<std::weak_ptr<MindMapStoreItem>>(row[_columns.item]).lock();
        if (!item || !item->isFolder() || !_explorer.outlineView().isItemExpanded(item.get())) continue;
        _tree.expand_row(_store->get_path(row), false);
        expandAsOutline(row.children());
    }
}

void LocalExplorerView::applySelection()
{
    ++_updating;
    Glib::RefPtr<Gtk::TreeSelection> selection = _tree.get_selection();
    MindMapOutlineView& outline = _explorer.outlineView();
    Gtk::TreePath wanted = pathForItem(outline.itemAtRow(outline.selectedRow()));
    if (wanted.empty()) {
        selection->unselect_all();
    } else if (!selection->is_selected(wanted)) {
        selection->unselect_all();
        selection->select(wanted);
        // Keyboard navigation starts from the selected row.
        _tree.set_cursor(wanted);
    }
    --_updating;
}

Gtk::TreePath LocalExplorerView::pathForItem(const MindMapStoreItem* item) const
{
    auto it = item ? _rows.find(item) : _rows.end();
    if (it == _rows.end()) return {};
    return _store->get_path(it->second);
}

MindMapStoreItem* LocalExplorerView::itemForPath(const Gtk::TreePath& path) const
{
    if (path.empty()) return nullptr;
    Gtk::TreeModel::iterator iter = _store->get_iter(path);
    if (!iter) return nullptr;
    std::shared_ptr<MindMapStoreItem> item =
        static_cast<std::weak_ptr<MindMapStoreItem>>((*iter)[_columns.item]).lock();
    // The rows hold weak references: the store's own tree keeps the item alive.
    return item.get();
}

void LocalExplorerView::cellData(Gtk::CellRenderer* renderer, const Gtk::TreeModel::iterator& iter)
{
    std::weak_ptr<MindMapStoreItem> weak = (*iter)[_columns.item];
    std::shared_ptr<MindMapStoreItem> item = weak.lock();
    LocalExplorerAdapter& adapter = _explorer.adapter();
    const int height = static_cast<int>(adapter.rowHeight(item.get()));
    const bool bigThumbnail = item && !item->isFolder() && adapter.showThumbnails();
    if (renderer == &_thumbnailRenderer) {
        const int side = bigThumbnail ? ThumbnailHeight : IconSize;
        _thumbnailRenderer.setItem(weak, bigThumbnail ? ThumbnailWidth : IconSize, std::min(side, height - 2));
        return;
    }
    if (!item) {
        _titleRenderer.setRow({}, {}, false, false, height);
        return;
    }
    _titleRenderer.setRow(adapter.titleForItem(item.get()), adapter.detailsForItem(item.get()),
                          adapter.isTitleDimmed(item.get()), adapter.isDetailsDimmed(item.get()), height);
}

void LocalExplorerView::prepareRow(const Gtk::TreePath& path)
{
    if (Gtk::TreeModel::iterator iter = _store->get_iter(path)) _column.cell_set_cell_data(_store, iter, false, false);
}

// ---- Thumbnails ----

std::string LocalExplorerView::thumbnailKey(MindMapStoreItem* item) const
{
    auto* map = dynamic_cast<MindMapInfoItem*>(item);
    // A map's picture changes with its content, which its SHA-1 follows.
    return map ? map->guid() + "/" + map->sha1() : item->guid();
}

std::shared_ptr<const Image> LocalExplorerView::pictureFor(MindMapStoreItem* item)
{
    if (!item) return nullptr;
    LocalExplorerAdapter& adapter = _explorer.adapter();
    auto* map = dynamic_cast<MindMapInfoItem*>(item);
    if (!map || !adapter.showThumbnails()) return adapter.thumbnail(item);
    const std::string key = thumbnailKey(item);
    if (auto it = _thumbnails.find(key); it != _thumbnails.end()) return it->second;
    if (std::shared_ptr<const Image> cached = adapter.cachedThumbnail(item)) {
        _thumbnails[key] = cached;
        return cached;
    }
    queueThumbnail(item);
    return map->defaultThumbnail();
}

void LocalExplorerView::queueThumbnail(MindMapStoreItem* item)
{
    const std::string key = thumbnailKey(item);
    if (_queued.contains(key)) return;
    _queued[key] = true;
    _pending.push_back(item->weak_from_this());
    if (!_thumbnailIdle.connected())
        _thumbnailIdle = Glib::signal_idle().connect([this] { return paintPendingThumbnails(ThumbnailsPerTurn); },
                                                     Glib::PRIORITY_LOW);
}

bool LocalExplorerView::paintPendingThumbnails(size_t count)
{
    LocalExplorerAdapter& adapter = _explorer.adapter();
    size_t painted = 0;
    while (painted < count && !_pending.empty()) {
        std::shared_ptr<MindMapStoreItem> item = _pending.front().lock();
        _pending.pop_front();
        if (!item) continue;
        const std::string key = thumbnailKey(item.get());
        _queued.erase(key);
        // Scrolled away meanwhile: painted when it is shown again.
        Gtk::TreePath path = pathForItem(item.get());
        Gtk::TreePath start, end;
        if (path.empty() || !_tree.get_visible_range(start, end) || path < start || end < path) continue;
        _thumbnails[key] = adapter.thumbnail(item.get());
        ++painted;
        // GTK cancels the edit of a row that changes: the row being renamed is only drawn again.
        Gtk::TreePath edited;
        Gtk::TreeViewColumn* column = nullptr;
        if (_editable) _tree.get_cursor(edited, column);
        if (_editable && edited == path) _tree.queue_draw();
        else if (Gtk::TreeModel::iterator iter = _store->get_iter(path)) _store->row_changed(path, iter);
    }
    return !_pending.empty();
}

// ---- What the user does ----

bool LocalExplorerView::selectFunction(const Glib::RefPtr<Gtk::TreeModel>&, const Gtk::TreeModel::Path& path,
                                       bool selected)
{
    if (_updating > 0) return true;
    // GTK holds on to the row it is selecting while it asks, whoever started the selection (a
    // click, the context menu, the focus landing on the cursor row): the write of the map left
    // behind lists the store again, and those rows must outlive the question.
    HandlerScope scope(*this);
    if (!_selectionAllowed) {
        // Leaving the open map writes it first; a map that cannot be written keeps the selection.
        // GTK asks about the row the user picks before the row it leaves; none picked deselects.
        MindMapOutlineView& outline = _explorer.outlineView();
        std::set<int64_t> rows;
        if (const int64_t row = selected ? -1 : outline.rowForItem(itemForPath(path)); row >= 0) rows.insert(row);
        _selectionAllowed = outline.selectionShouldChange(rows);
        _guardReset.disconnect();
        _guardReset = Glib::signal_idle().connect([this] {
            _selectionAllowed.reset();
            return false;
        });
    }
    return *_selectionAllowed;
}

void LocalExplorerView::gtkSelectionChanged()
{
    if (_updating > 0) return;
    HandlerScope scope(*this);
    Gtk::TreeModel::iterator selected = _tree.get_selection()->get_selected();
    MindMapOutlineView& outline = _explorer.outlineView();
    std::set<int64_t> rows;
    if (selected) {
        const int64_t row = outline.rowForItem(itemForPath(_store->get_path(selected)));
        if (row >= 0) rows.insert(row);
    }
    ++_updating;
    outline.selectRowIndexes(rows);
    --_updating;
    // The explorer may have selected another row (the map that did open).
    applySelection();
    scheduleUpdate();
}

void LocalExplorerView::rowExpanded(const Gtk::TreeModel::iterator& iter, const Gtk::TreeModel::Path&, bool expanded)
{
    if (_updating > 0) return;
    std::shared_ptr<MindMapStoreItem> item =
        static_cast<std::weak_ptr<MindMapStoreItem>>((*iter)[_columns.item]).lock();
    if (!item) return;
    ++_updating;
    if (expanded) _explorer.outlineView().expandItem(item.get());
    else _explorer.outlineView().collapseItem(item.get());
    --_updating;
    applySelection();
}

void LocalExplorerView::rowActivated(const Gtk::TreeModel::Path& path, Gtk::TreeViewColumn*)
{
    HandlerScope scope(*this);
    MindMapStoreItem* item = itemForPath(path);
    if (!item) return;
    MindMapOutlineView& outline = _explorer.outlineView();
    if (outline.itemAtRow(outline.selectedRow()) != item) return;
    _explorer.outlineDoubleClicked();
}

bool LocalExplorerView::showContextMenu(GdkEventButton* event)
{
    Gtk::TreeModel::Path path;
    Gtk::TreeViewColumn* column = nullptr;
    int cellX = 0, cellY = 0;
    if (_tree.get_path_at_pos(static_cast<int>(event->x), static_cast<int>(event->y), path, column, cellX, cellY) &&
        !_tree.get_selection()->is_selected(path))
        _tree.get_selection()->select(path);
    _tree.grab_focus();
    std::shared_ptr<Menu> menu = _explorer.outlineView().menuForEvent();
    if (!menu) return true;
    validateContextMenu(*menu, _explorer);
    for (const auto& item : menu->items())
        if (Menu* submenu = item->submenu()) submenu->menuNeedsUpdate();
    // The tree's bin window is where the event's point is measured.
    int x = static_cast<int>(event->x), y = static_cast<int>(event->y);
    _tree.convert_bin_window_to_widget_coords(x, y, x, y);
    _menuPresenter->popUpMenu(*menu, {double(x), double(y)}, -1, [this](MenuItem& item) {
        Responder* target = goesAlongTheChain(item.action()) ? nullptr : &_explorer;
        CommandRouter::shared().sendAction(item.action(), target, &item);
    });
    return true;
}

void LocalExplorerView::notePress(int x, int y)
{
    // Taken now: the press may open a map whose write lists the store again before a drag
    // starts, and the point may then lie over another row.
    _pressed.reset();
    Gtk::TreeModel::Path path;
    Gtk::TreeViewColumn* column = nullptr;
    int cellX = 0, cellY = 0;
    if (!_tree.get_path_at_pos(x, y, path, column, cellX, cellY)) return;
    if (MindMapStoreItem* item = itemForPath(path)) _pressed = item->weak_from_this();
}

LocalExplorerView::DropPlace LocalExplorerView::dropPlaceAt(int x, int y)
{
    DropPlace place;
    Gtk::TreeModel::Path path;
    Gtk::TreeViewDropPosition position = Gtk::TREE_VIEW_DROP_BEFORE;
    if (!_tree.get_dest_row_at_pos(x, y, path, position)) return place;
    MindMapStoreItem* item = itemForPath(path);
    if (!item) return place;
    place.path = path;
    place.position = position;
    const bool into = position == Gtk::TREE_VIEW_DROP_INTO_OR_BEFORE || position == Gtk::TREE_VIEW_DROP_INTO_OR_AFTER;
    if (into && item->isFolder()) {
        place.item = item->weak_from_this();
        place.index = -1;
        return place;
    }
    const bool after = position == Gtk::TREE_VIEW_DROP_AFTER || position == Gtk::TREE_VIEW_DROP_INTO_OR_AFTER;
    // Just below an open folder is its first place.
    if (after && item->isFolder() && _tree.row_expanded(path) && item->childCount() > 0) {
        place.item = item->weak_from_this();
        place.index = 0;
        return place;
    }
    MindMapStoreItem* parent = _explorer.outlineView().parentForItem(item);
    place.item = parent ? parent->weak_from_this() : std::weak_ptr<MindMapStoreItem>();
    const int64_t index = item->indexInParent();
    place.index = after ? index + 1 : index;
    place.position = after ? Gtk::TREE_VIEW_DROP_AFTER : Gtk::TREE_VIEW_DROP_BEFORE;
    return place;
}

// ---- Editing ----

void LocalExplorerView::editingStarted(Gtk::CellEditable* editable, const Glib::ustring& path)
{
    _editable = editable;
    // The row shows an excerpt of a long title; the rename starts with the whole of it.
    auto* entry = dynamic_cast<Gtk::Entry*>(editable);
    MindMapStoreItem* item = itemForPath(Gtk::TreePath(path));
    _editedItem = item ? item->weak_from_this() : std::weak_ptr<MindMapStoreItem>();
    if (entry && item) setEntryTextWhole(*entry, _explorer.adapter().editingTitleForItem(item));
    _editableRemoved.disconnect();
    _editableRemoved = editable->signal_remove_widget().connect([this] { _editable = nullptr; });
}

void LocalExplorerView::edited(const Glib::ustring& path, const Glib::ustring& text)
{
    HandlerScope scope(*this);
    _editable = nullptr;
    MindMapStoreItem* item = itemForPath(Gtk::TreePath(path));
    std::shared_ptr<MindMapStoreItem> keep = item ? item->shared_from_this() : nullptr;
    _explorer.outlineView().editingEnded();
    if (item) _explorer.adapter().cellEndEdit(item, text);
}

// ---- OutlineViewListener ----

void LocalExplorerView::outlineReloaded()
{
    if (_handlerDepth > 0) {
        if (!_deferredRebuild.connected())
            _deferredRebuild = Glib::signal_idle().connect([this] {
                rebuild();
                scheduleUpdate();
                return false;
            });
        return;
    }
    _deferredRebuild.disconnect();
    rebuild();
    scheduleUpdate();
}

bool LocalExplorerView::handleKey(GdkEventKey* event)
{
    const guint modifiers = event->state & gtk_accelerator_get_default_mod_mask();
    if (modifiers != 0 || _editable) return false;
    std::string action;
    if (event->keyval == GDK_KEY_Delete || event->keyval == GDK_KEY_KP_Delete) action = "deleteItem:";
    else if (event->keyval == GDK_KEY_F2) action = "rename:";
    if (action.empty()) return false;
    MenuItem item({}, action);
    if (!CommandRouter::shared().validateItem(item, &_explorer).enabled) return true;
    CommandRouter::shared().sendAction(action, &_explorer, &item);
    return true;
}

void LocalExplorerView::outlineSelectionChanged()
{
    if (_updating > 0) return;
    applySelection();
    scheduleUpdate();
}

void LocalExplorerView::outlineExpansionChanged(MindMapStoreItem* item, bool expanded)
{
    if (_updating > 0) return;
    Gtk::TreePath path = pathForItem(item);
    if (path.empty()) return;
    ++_updating;
    if (expanded) {
        // The tree shows a row only under open parents.
        Gtk::TreePath parent = path;
        std::vector<Gtk::TreePath> ancestors;
        while (parent.size() > 1) {
            parent.up();
            ancestors.insert(ancestors.begin(), parent);
        }
        for (const Gtk::TreePath& ancestor : ancestors) _tree.expand_row(ancestor, false);
        _tree.expand_row(path, false);
        if (Gtk::TreeModel::iterator iter = _store->get_iter(path)) expandAsOutline(iter->children());
    } else {
        _tree.collapse_row(path);
    }
    --_updating;
    applySelection();
}

void LocalExplorerView::outlineScrollRowToVisible(int64_t row)
{
    Gtk::TreePath path = pathForItem(_explorer.outlineView().itemAtRow(row));
    if (path.empty()) return;
    Gtk::TreePath start, end;
    if (_tree.get_visible_range(start, end) && !(path < start) && !(end < path)) return;
    _tree.scroll_to_row(path, 0.5);
}

void LocalExplorerView::outlineBeginEditing(int64_t row)
{
    Gtk::TreePath path = pathForItem(_explorer.outlineView().itemAtRow(row));
    if (path.empty()) return;
    // Editable only for this moment: no click or key can start an edit by itself.
    _titleRenderer.property_editable() = true;
    _tree.grab_focus();
    ++_updating;
    _tree.set_cursor(path, _column, _titleRenderer, true);
    --_updating;
    _titleRenderer.property_editable() = false;
}

void LocalExplorerView::outlineEndEditing()
{
    Gtk::CellEditable* editable = _editable;
    _editable = nullptr;
    if (!editable) return;
    // The adapter ignores what the edit held: it is cancelling.
    editable->editing_done();
    editable->remove_widget();
}

void LocalExplorerView::outlineCommitEditing()
{
    commitCellEditsInside(_tree);
}

void LocalExplorerView::scheduleUpdate()
{
    if (_updateIdle.connected()) return;
    _updateIdle = Glib::signal_idle().connect([this] {
        _explorer.windowDidUpdate();
        if (_selectionHandler) _selectionHandler();
        return false;
    });
}
