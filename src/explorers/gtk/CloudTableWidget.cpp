#include "explorers/gtk/CloudTableWidget.h"

#include "explorers/gtk/GtkFileNameDialog.h"
#include "platform/Image.h"
#include "platform/Menu.h"
#include "platform/gtk/KeptCellEdits.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr int IconSide = 16;
constexpr int ThumbnailSide = 64;

unsigned modifiersOf(guint state)
{
    unsigned modifiers = 0;
    if (state & GDK_SHIFT_MASK) modifiers |= ShiftModifier;
    if (state & GDK_CONTROL_MASK) modifiers |= ControlModifier;
    if (state & GDK_MOD1_MASK) modifiers |= AltModifier;
    if (state & (GDK_SUPER_MASK | GDK_META_MASK)) modifiers |= SuperModifier;
    return modifiers;
}

} // namespace

CloudTableWidget::CloudTableWidget(FileListAdapter& adapter)
    : _adapter(adapter), _store(Gtk::ListStore::create(_columns)), _menus(_treeView)
{
    set_policy(Gtk::POLICY_NEVER, Gtk::POLICY_AUTOMATIC);
    _treeView.set_model(_store);
    _treeView.set_headers_visible(false);
    _treeView.set_enable_search(false);
    _treeView.get_selection()->set_mode(Gtk::SELECTION_MULTIPLE);

    _column.pack_start(_iconRenderer, false);
    _column.pack_start(_nameRenderer, true);
    _column.pack_start(_markRenderer, false);
    _column.set_cell_data_func(_iconRenderer, sigc::mem_fun(*this, &CloudTableWidget::renderIcon));
    _column.set_cell_data_func(_nameRenderer, sigc::mem_fun(*this, &CloudTableWidget::renderName));
    _column.set_cell_data_func(_markRenderer, sigc::mem_fun(*this, &CloudTableWidget::renderMark));
    _column.set_expand(true);
    _column.set_sizing(Gtk::TREE_VIEW_COLUMN_AUTOSIZE);
    _iconRenderer.property_xpad() = 3;
    // Rows are exactly as high as the adapter says: no padding or separator adds to them.
    for (Gtk::CellRenderer* renderer :
         std::initializer_list<Gtk::CellRenderer*>{&_iconRenderer, &_nameRenderer, &_markRenderer})
        renderer->property_ypad() = 0;
    auto css = Gtk::CssProvider::create();
    css->load_from_data("treeview { -GtkTreeView-vertical-separator: 0; }");
    _treeView.get_style_context()->add_provider(css, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    _nameRenderer.property_ellipsize() = Pango::ELLIPSIZE_END;
    _treeView.append_column(_column);

    _nameRenderer.signal_editing_started().connect([this](Gtk::CellEditable* editable, const Glib::ustring& path) {
        _editable = editable;
        // Only a command starts an edit; clicks on a selected row must not.
        _nameRenderer.property_editable() = false;
        const auto iter = _store->get_iter(path);
        _editingRow = rowOf(iter);
        if (auto* entry = dynamic_cast<Gtk::Entry*>(editable)) {
            if (_editingRow) entry->set_text(_adapter.rowAt(*_editingRow).editingText);
            attachFileNameFilter(*entry, _nameFormatter);
            entry->select_region(0, -1);
        }
    });
    _nameRenderer.signal_edited().connect([this](const Glib::ustring&, const Glib::ustring& text) {
        const std::optional<size_t> row = _editingRow;
        _editable = nullptr;
        _editingRow.reset();
        if (row) _adapter.cellEndEdit(*row, text.raw());
    });
    _nameRenderer.signal_editing_canceled().connect([this] {
        _editable = nullptr;
        _editingRow.reset();
    });
    keepCellEditsOnFocusLoss(_nameRenderer);

    _treeView.signal_key_press_event().connect(sigc::mem_fun(*this, &CloudTableWidget::onKeyPress), false);
    _treeView.signal_button_press_event().connect(sigc::mem_fun(*this, &CloudTableWidget::onButtonPress), false);
    _treeView.signal_row_activated().connect([this](const Gtk::TreeModel::Path&, Gtk::TreeViewColumn*) {
        if (_doubleClicked) _doubleClicked();
    });
    _treeView.signal_drag_begin().connect(sigc::mem_fun(*this, &CloudTableWidget::onDragBegin), false);
    _treeView.signal_drag_data_get().connect(sigc::mem_fun(*this, &CloudTableWidget::onDragDataGet), false);
    _treeView.signal_drag_motion().connect(sigc::mem_fun(*this, &CloudTableWidget::onDragMotion), false);
    _treeView.signal_drag_drop().connect(sigc::mem_fun(*this, &CloudTableWidget::onDragDrop), false);
    _treeView.signal_drag_end().connect([this](const Glib::RefPtr<Gdk::DragContext>&) { _draggedPath.reset(); });

    _treeView.signal_unrealize().connect([this] { _sized = false; });
    _treeView.signal_size_allocate().connect(
        [this](Gtk::Allocation&) {
            _sized = true;
            showHeaderWhenSized();
        },
        true);
    add(_treeView);
    show_all_children();
}

CloudTableWidget::~CloudTableWidget()
{
    if (_adapter.tableView() == this) _adapter.setTableView(nullptr);
}

std::optional<size_t> CloudTableWidget::rowOf(const Gtk::TreeModel::iterator& iter) const
{
    if (!iter) return std::nullopt;
    const size_t row = (*iter)[_columns.row];
    if (row >= _adapter.numberOfRows()) return std::nullopt;
    return row;
}

Glib::RefPtr<Gdk::Pixbuf> CloudTableWidget::pixbufFor(const std::shared_ptr<const Image>& image, int maximumSide)
{
    if (!image || image->isNull()) return {};
    auto found = _pixbufs.find(image.get());
    if (found != _pixbufs.end()) return found->second.second;
    GdkPixbuf* raw = gdk_pixbuf_get_from_surface(image->surface(), 0, 0, image->pixelWidth(), image->pixelHeight());
    Glib::RefPtr<Gdk::Pixbuf> pixbuf = Glib::wrap(raw);
    if (pixbuf && std::max(pixbuf->get_width(), pixbuf->get_height()) > maximumSide) {
        const double scale = double(maximumSide) / std::max(pixbuf->get_width(), pixbuf->get_height());
        pixbuf =
            pixbuf->scale_simple(std::max(1, int(std::lround(pixbuf->get_width() * scale))),
                                 std::max(1, int(std::lround(pixbuf->get_height() * scale))), Gdk::INTERP_BILINEAR);
    }
    _pixbufs[image.get()] = {image, pixbuf};
    return pixbuf;
}

void CloudTableWidget::renderIcon(Gtk::CellRenderer* renderer, const Gtk::TreeModel::iterator& iter)
{
    auto* icon = static_cast<Gtk::CellRendererPixbuf*>(renderer);
    const std::optional<size_t> row = rowOf(iter);
    if (!row) return;
    const FileListRow shown = _adapter.rowAt(*row);
    Glib::RefPtr<Gdk::Pixbuf> pixbuf;
    if (shown.thumbnail) {
        pixbuf = pixbufFor(shown.thumbnail, ThumbnailSide);
    } else {
        const FileListItem& item = *_adapter.itemAt(*row);
        pixbuf = pixbufFor(shown.dimmedImage ? FileListAdapter::dimmedTypeImageForItem(item)
                                             : FileListAdapter::typeImageForItem(item),
                           IconSide);
    }
    icon->property_pixbuf() = pixbuf;
    // The row takes the height the adapter gives it; every cell of the row has that height.
    const int height = static_cast<int>(shown.height);
    icon->set_fixed_size(-1, height);
    _nameRenderer.set_fixed_size(-1, height);
    _markRenderer.set_fixed_size(-1, height);
}

void CloudTableWidget::renderName(Gtk::CellRenderer* renderer, const Gtk::TreeModel::iterator& iter)
{
    auto* name = static_cast<Gtk::CellRendererText*>(renderer);
    const std::optional<size_t> row = rowOf(iter);
    if (!row) return;
    const FileListRow shown = _adapter.rowAt(*row);
    // A selected row is drawn in the theme's selected foreground, which the greys below would
    // override on the selection colour.
    const bool selected = _treeView.get_selection()->is_selected(iter);
    // Plain text with attributes: a name is never read as markup.
    std::string text = shown.text;
    Pango::AttrList attributes;
    if (!shown.details.empty() && shown.view != FileListRow::View::Folder) {
        const auto start = static_cast<unsigned>(text.size() + 1);
        text += "\n" + shown.details;
        Pango::Attribute smaller = Pango::Attribute::create_attr_scale(0.85);
        smaller.set_start_index(start);
        attributes.insert(smaller);
        if (!selected) {
            Pango::Attribute grey = Pango::Attribute::create_attr_foreground(0x7000, 0x7000, 0x7000);
            grey.set_start_index(start);
            attributes.insert(grey);
        }
    }
    if (shown.greyText && !selected) {
        Pango::Attribute light = Pango::Attribute::create_attr_foreground(0xaa00, 0xaa00, 0xaa00);
        attributes.insert(light);
    }
    name->property_text() = text;
    name->property_attributes() = attributes;
}

void CloudTableWidget::renderMark(Gtk::CellRenderer* renderer, const Gtk::TreeModel::iterator& iter)
{
    auto* mark = static_cast<Gtk::CellRendererPixbuf*>(renderer);
    const std::optional<size_t> row = rowOf(iter);
    const std::string name = row ? _adapter.rowAt(*row).disclosureImageName : std::string();
    static const auto star = std::make_shared<const Image>(Image::fromResource("star"));
    mark->property_pixbuf() = name.empty() ? Glib::RefPtr<Gdk::Pixbuf>() : pixbufFor(star, IconSide);
}

int CloudTableWidget::rowHeight(size_t row)
{
    auto iter = _store->children()[static_cast<unsigned>(row)];
    if (!iter) return 0;
    Gdk::Rectangle area;
    _treeView.get_background_area(_store->get_path(iter), _column, area);
    return area.get_height();
}

bool CloudTableWidget::beginEditingRow(size_t row)
{
    if (!_adapter.shouldEditRow(row) || row >= numberOfRows()) return false;
    const Gtk::TreeModel::Path path(std::to_string(row));
    _nameRenderer.property_editable() = true;
    _treeView.grab_focus();
    _treeView.set_cursor(path, _column, _nameRenderer, true);
    _nameRenderer.property_editable() = false;
    return _editable != nullptr;
}

Gtk::Entry* CloudTableWidget::editingEntry() const
{
    return dynamic_cast<Gtk::Entry*>(_editable);
}

void CloudTableWidget::endEditing()
{
    if (!_editable) return;
    Gtk::CellEditable* editable = _editable;
    editable->editing_done();
    if (_editable == editable) {
        _editable = nullptr;
        _editingRow.reset();
    }
    editable->remove_widget();
    _treeView.grab_focus();
}

void CloudTableWidget::reloadRows()
{
    const std::optional<size_t> keptRow = std::exchange(_keptEditRow, std::nullopt);
    // The rename goes down with the rows without renaming anything, its text kept to open it again.
    std::optional<Glib::ustring> typed;
    int caret = 0, selectionStart = 0, selectionEnd = 0;
    if (Gtk::Entry* entry = editingEntry(); entry && keptRow) {
        typed = entry->get_text();
        caret = entry->get_position();
        entry->get_selection_bounds(selectionStart, selectionEnd);
        entry->property_editing_canceled() = true;
        Gtk::CellEditable* editable = std::exchange(_editable, nullptr);
        _editingRow.reset();
        editable->editing_done();
        editable->remove_widget();
    }
    endEditing();
    _pixbufs.clear();
    _store->clear();
    for (size_t row = 0; row < _adapter.numberOfRows(); ++row)
        (*_store->append())[_columns.row] = static_cast<guint>(row);
    if (!typed || !beginEditingRow(*keptRow)) return;
    Gtk::Entry* entry = editingEntry();
    if (!entry) return;
    entry->set_text(*typed);
    if (selectionStart != selectionEnd) entry->select_region(selectionStart, selectionEnd);
    else entry->set_position(caret);
}

size_t CloudTableWidget::numberOfRows() const
{
    return _store->children().size();
}

void CloudTableWidget::showEmptyText(const std::string& text)
{
    _column.set_title(text);
    _headerWanted = !text.empty();
    showHeaderWhenSized();
}

void CloudTableWidget::showHeaderWhenSized()
{
    // Showing the header moves the rows' window below it, as high as the table less the header:
    // a table realized but not yet given its size is one pixel high, and pixman reports the
    // window of negative height as a bug. Hiding it waits for nothing: a header left up over rows
    // that came in shows them a row lower than they are, until the next time the table is sized.
    if (_headerWanted && _treeView.get_realized() && !_sized) return;
    if (_treeView.get_headers_visible() != _headerWanted) _treeView.set_headers_visible(_headerWanted);
    if (Gtk::Widget* header = _column.get_button()) header->set_sensitive(false);
}

std::vector<size_t> CloudTableWidget::selectedRows() const
{
    std::vector<size_t> rows;
    for (const Gtk::TreeModel::Path& path : _treeView.get_selection()->get_selected_rows())
        if (!path.empty()) rows.push_back(static_cast<size_t>(path[0]));
    std::sort(rows.begin(), rows.end());
    return rows;
}

void CloudTableWidget::selectRows(const std::vector<size_t>& rows)
{
    auto selection = _treeView.get_selection();
    selection->unselect_all();
    for (size_t row : rows)
        if (row < numberOfRows()) selection->select(Gtk::TreeModel::Path(std::to_string(row)));
}

void CloudTableWidget::scrollRowToVisible(size_t row)
{
    if (row < numberOfRows()) _treeView.scroll_to_row(Gtk::TreeModel::Path(std::to_string(row)));
}

void CloudTableWidget::setDraggedType(const std::optional<std::string>& type)
{
    _draggedType = type;
    if (!type) {
        _treeView.unset_rows_drag_source();
        _treeView.drag_dest_unset();
        return;
    }
    std::vector<Gtk::TargetEntry> sources = {Gtk::TargetEntry(*type, Gtk::TARGET_SAME_WIDGET),
                                             Gtk::TargetEntry(CloudImagePasteboardType, Gtk::TARGET_SAME_APP)};
    _treeView.enable_model_drag_source(sources, Gdk::BUTTON1_MASK, Gdk::ACTION_MOVE | Gdk::ACTION_COPY);
    _treeView.drag_dest_set({Gtk::TargetEntry(*type, Gtk::TARGET_SAME_WIDGET)}, Gtk::DestDefaults(0), Gdk::ACTION_MOVE);
}

bool CloudTableWidget::onKeyPress(GdkEventKey* event)
{
    const unsigned modifiers = modifiersOf(event->state);
    switch (event->keyval) {
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_ISO_Enter:
        // Return belongs to the owner; the list would take it for a double click.
        keyDown({event->keyval, modifiers});
        return true;
    case GDK_KEY_Left:
        if (modifiers != 0) return false;
        moveLeft();
        return true;
    case GDK_KEY_Right:
        if (modifiers != 0) return false;
        moveRight();
        return true;
    default:
        return false;
    }
}

bool CloudTableWidget::onButtonPress(GdkEventButton* event)
{
    if (event->type != GDK_BUTTON_PRESS || event->button != GDK_BUTTON_SECONDARY) return false;
    PointerEvent pointer;
    pointer.kind = PointerEventKind::Press;
    pointer.button = SecondaryButton;
    pointer.viewPoint = {event->x, event->y};
    pointer.clickCount = 1;
    pointer.modifiers = modifiersOf(event->state);
    // The menu is about the row under the pointer: it becomes the only selected one. A click
    // outside the rows keeps the selection.
    Gtk::TreeModel::Path path;
    Gtk::TreeViewColumn* column = nullptr;
    int cellX = 0, cellY = 0;
    if (event->window == _treeView.get_bin_window()->gobj() &&
        _treeView.get_path_at_pos(int(event->x), int(event->y), path, column, cellX, cellY) && !path.empty()) {
        selectRows({size_t(path[0])});
    }
    _treeView.grab_focus();
    std::shared_ptr<Menu> menu = menuForEvent(pointer);
    if (!menu) return true;
    _menus.popUpMenu(*menu, pointer.viewPoint, -1, [menu](MenuItem& item) {
        if (Responder* target = item.target()) target->performAction(item.action(), &item);
    });
    return true;
}

void CloudTableWidget::onDragBegin(const Glib::RefPtr<Gdk::DragContext>& context)
{
    const std::optional<FileListAdapter::DragData> data = _adapter.writeRows(selectedRows());
    if (!data) {
        _draggedPath.reset();
        gtk_drag_cancel(context->gobj());
        return;
    }
    _draggedPath = data->path;
}

void CloudTableWidget::onDragDataGet(const Glib::RefPtr<Gdk::DragContext>&, Gtk::SelectionData& data, guint, guint)
{
    if (!_draggedPath) return;
    const std::string target = data.get_target();
    if (target == CloudImagePasteboardType) {
        const std::optional<FileListAdapter::DragData> drag = _adapter.writeRows(selectedRows());
        const bool offered = drag && std::find(drag->types.begin(), drag->types.end(), target) != drag->types.end();
        if (!offered) return;
    } else if (!_draggedType || target != *_draggedType) {
        return;
    }
    data.set(target, 8, reinterpret_cast<const guint8*>(_draggedPath->data()), static_cast<int>(_draggedPath->size()));
}

std::optional<size_t> CloudTableWidget::dropRowAt(int x, int y)
{
    Gtk::TreeModel::Path path;
    Gtk::TreeViewDropPosition position;
    if (!_treeView.get_dest_row_at_pos(x, y, path, position) || path.empty()) return std::nullopt;
    return static_cast<size_t>(path[0]);
}

bool CloudTableWidget::onDragMotion(const Glib::RefPtr<Gdk::DragContext>& context, int x, int y, guint time)
{
    const bool fromHere = Gtk::Widget::drag_get_source_widget(context) == &_treeView;
    const std::optional<size_t> row = dropRowAt(x, y);
    // A drop between rows is a drop onto the row.
    const int operation = row ? _adapter.validateDrop(fromHere, *row, _draggedPath) : DragOperation::None;
    if (operation == DragOperation::Move)
        _treeView.set_drag_dest_row(Gtk::TreeModel::Path(std::to_string(*row)), Gtk::TREE_VIEW_DROP_INTO_OR_BEFORE);
    else _treeView.unset_drag_dest_row();
    context->drag_status(operation == DragOperation::Move ? Gdk::ACTION_MOVE : Gdk::DragAction(0), time);
    return true;
}

bool CloudTableWidget::onDragDrop(const Glib::RefPtr<Gdk::DragContext>& context, int x, int y, guint time)
{
    const bool fromHere = Gtk::Widget::drag_get_source_widget(context) == &_treeView;
    const std::optional<size_t> row = dropRowAt(x, y);
    _treeView.unset_drag_dest_row();
    const bool moved = row && _adapter.acceptDrop(fromHere, *row, _draggedPath);
    // Never deleted by the list itself: the owner lists the folder again after a move.
    context->drag_finish(moved, false, time);
    return true;
}
