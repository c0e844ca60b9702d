#include "panels/gtk/OutlinerView.h"

#include "Editor/gtk/MainWindow.h"
#include "Editor/gtk/SegmentedControlWidget.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "Utils/FlagScope.h"
#include "editor-view/MindMapEditor.h"
#include "editor-view/gtk/DatePickerContent.h"
#include "explorers/ProgressIconView.h"
#include "platform/CairoGraphicsContext.h"
#include "platform/Localizer.h"
#include "platform/Menu.h"
#include "platform/UserDefaults.h"
#include "platform/gtk/BoundedEntry.h"
#include "platform/gtk/GtkMenuPresenter.h"
#include "platform/gtk/GtkPopoverPresenter.h"
#include "platform/gtk/KeptCellEdits.h"

#include <gdk/gdkkeysyms.h>
#include <gtk/gtk-a11y.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>
#include <utility>

namespace {

// The rows' store: GTK's own, with the row's topic, level and flags. The C++ wrapper's store type
// routes every read of the model through its dispatch, which GTK makes many times for each row.
enum StoreColumn { NodeColumn, LevelColumn, FlagsColumn };

Glib::RefPtr<Gtk::ListStore> newStore()
{
    return Glib::wrap(gtk_list_store_new(3, G_TYPE_POINTER, G_TYPE_UINT, G_TYPE_UINT), false);
}

OutlineRow rowOf(GtkTreeModel* model, GtkTreeIter* iter)
{
    gpointer node = nullptr;
    guint level = 0, flags = 0;
    gtk_tree_model_get(model, iter, NodeColumn, &node, LevelColumn, &level, FlagsColumn, &flags, -1);
    return {static_cast<MindMapNode*>(node), level, uint8_t(flags)};
}

MindMapNode* nodeOf(GtkTreeModel* model, GtkTreeIter* iter)
{
    gpointer node = nullptr;
    gtk_tree_model_get(model, iter, NodeColumn, &node, -1);
    return static_cast<MindMapNode*>(node);
}

// A change of more rows than this, and of more than half the rows, fills a new store: GTK takes
// a whole store faster than as many single rows.
constexpr size_t RowsChangedOneByOne = 512;

constexpr double DateTextScale = 0.85;
constexpr double DateTextWhite = 0.4;

constexpr const char* ModeImages[] = {"outline_tree", "outline_check_list", "outline_todo_list", "outline_done_list",
                                      "outline_date_list"};

// Forwards the mode control's clicks.
class SegmentTarget : public Responder {
public:
    explicit SegmentTarget(ActionHandler handler) { addAction("outlineModeSegmentsChanged:", std::move(handler)); }
};

std::string cssColor(const Color& color)
{
    auto percent = [](double component) { return std::to_string(std::lround(component * 1000) / 10.0) + "%"; };
    return "rgb(" + percent(color.red()) + "," + percent(color.green()) + "," + percent(color.blue()) + ")";
}

} // namespace

// The rows as screen readers read them. GTK names a row's cell after the text the renderer last
// took, and it makes and updates cells while the store follows a change of the map, when rows take
// no text; its flat list has no levels either. So each cell asks the view for its row: the name
// from the row's topic once the store holds only live topics, the level and folding from the
// store's own columns, which never point at a topic.
struct OutlineCellAccessibility {
    static GType type()
    {
        static const GType made = g_type_register_static_simple(
            GTK_TYPE_TEXT_CELL_ACCESSIBLE, "TarnwickOutlineCellAccessible", sizeof(GtkTextCellAccessibleClass),
            [](gpointer klass, gpointer) {
                parent() = ATK_OBJECT_CLASS(g_type_class_peek_parent(klass));
                AtkObjectClass* objectClass = ATK_OBJECT_CLASS(klass);
                objectClass->get_name = &name;
                objectClass->ref_state_set = &states;
                objectClass->get_attributes = &attributes;
                objectClass->ref_relation_set = &relations;
                GTK_CELL_ACCESSIBLE_CLASS(klass)->update_cache = &updateCache;
            },
            sizeof(GtkTextCellAccessible), nullptr, GTypeFlags(0));
        return made;
    }

private:
    static AtkObjectClass*& parent()
    {
        static AtkObjectClass* made = nullptr;
        return made;
    }
    static GQuark quark(const char* name) { return g_quark_from_static_string(name); }

    static OutlineTreeView* viewOf(AtkObject* cell, size_t& index, OutlineRow& row)
    {
        AtkObject* table = atk_object_get_parent(cell);
        GtkWidget* widget = GTK_IS_ACCESSIBLE(table) ? gtk_accessible_get_widget(GTK_ACCESSIBLE(table)) : nullptr;
        auto* view = widget
            ? static_cast<OutlineTreeView*>(g_object_get_qdata(G_OBJECT(widget), OutlineTreeView::viewQuark()))
            : nullptr;
        if (!view || !ATK_IS_TABLE_CELL(cell)) return nullptr;
        // A cell of a row that has gone has no position. GTK answers false for the first row's
        // cell too, so only the row counts.
        int rowIndex = -1, column = -1;
        atk_table_cell_get_position(ATK_TABLE_CELL(cell), &rowIndex, &column);
        if (rowIndex < 0 || !view->storedRow(size_t(rowIndex), row)) return nullptr;
        index = size_t(rowIndex);
        return view;
    }

    static const gchar* name(AtkObject* cell)
    {
        size_t index = 0;
        OutlineRow row;
        OutlineTreeView* view = viewOf(cell, index, row);
        if (!view || view->_storeFollowing || !row.node) return parent()->get_name(cell);
        const OutlineRowContent content = view->_adapter.viewForRow(row);
        // Kept with the cell: the caller does not own the name.
        auto* text = g_strdup((content.title.empty() ? content.placeholder : content.title).c_str());
        g_object_set_qdata_full(G_OBJECT(cell), quark("tarnwick-outline-cell-name"), text, g_free);
        return text;
    }

    static AtkStateSet* states(AtkObject* cell)
    {
        AtkStateSet* set = parent()->ref_state_set(cell);
        size_t index = 0;
        OutlineRow row;
        if (viewOf(cell, index, row) && row.expandable()) {
            atk_state_set_add_state(set, ATK_STATE_EXPANDABLE);
            if (row.expanded()) atk_state_set_add_state(set, ATK_STATE_EXPANDED);
        }
        return set;
    }

    static AtkAttributeSet* attributes(AtkObject* cell)
    {
        AtkAttributeSet* set = parent()->get_attributes ? parent()->get_attributes(cell) : nullptr;
        size_t index = 0;
        OutlineRow row;
        OutlineTreeView* view = viewOf(cell, index, row);
        if (!view || view->_adapter.outlineMode() != OutlineViewAdapter::Hierarchy) return set;
        auto* level = static_cast<AtkAttribute*>(g_malloc(sizeof(AtkAttribute)));
        level->name = g_strdup("level");
        // Counted from 1, as readers announce levels.
        level->value = g_strdup(std::to_string(row.level + 1).c_str());
        return g_slist_prepend(set, level);
    }

    static AtkRelationSet* relations(AtkObject* cell)
    {
        AtkRelationSet* set = parent()->ref_relation_set(cell);
        size_t index = 0;
        OutlineRow row, above;
        OutlineTreeView* view = viewOf(cell, index, row);
        if (!view || row.level == 0) return set;
        while (index > 0 && view->storedRow(--index, above))
            if (above.level < row.level) {
                if (AtkObject* parentCell = atk_table_ref_at(ATK_TABLE(atk_object_get_parent(cell)), int(index), 0)) {
                    atk_relation_set_add_relation_by_type(set, ATK_RELATION_NODE_CHILD_OF, parentCell);
                    g_object_unref(parentCell);
                }
                break;
            }
        return set;
    }

    // A row opened or closed tells readers so, as GTK's own trees do.
    static void updateCache(GtkCellAccessible* cell, gboolean emitSignal)
    {
        GTK_CELL_ACCESSIBLE_CLASS(parent())->update_cache(cell, emitSignal);
        size_t index = 0;
        OutlineRow row;
        if (!viewOf(ATK_OBJECT(cell), index, row)) return;
        const GQuark folding = quark("tarnwick-outline-cell-folding");
        const auto was = uint8_t(GPOINTER_TO_UINT(g_object_get_qdata(G_OBJECT(cell), folding)));
        const uint8_t now = row.flags & (OutlineRow::Expandable | OutlineRow::Expanded);
        // Stored with a bit of its own, so that a first remembering is told from no flags.
        g_object_set_qdata(G_OBJECT(cell), folding, GUINT_TO_POINTER(now | 0x80u));
        if (!emitSignal || !(was & 0x80u)) return;
        if ((was ^ now) & OutlineRow::Expandable)
            atk_object_notify_state_change(ATK_OBJECT(cell), ATK_STATE_EXPANDABLE, now & OutlineRow::Expandable);
        if ((was ^ now) & OutlineRow::Expanded)
            atk_object_notify_state_change(ATK_OBJECT(cell), ATK_STATE_EXPANDED, now & OutlineRow::Expanded);
    }
};

// The whole row in one renderer. GTK measures every row of a map whose rows differ in height (a
// dated row is taller); a renderer that answers the height from the topic alone keeps that cheap,
// and only the rows on screen are laid out and drawn. It is a text renderer so that the
// title is renamed in GTK's own entry.
//
// Measuring and the row's topic go through plain GTK callbacks rather than the C++ wrappers'
// dispatch, which looks the wrapper objects up again on every call: GTK makes several such calls
// for each of ten thousand rows.
class OutlineRowRenderer : public Gtk::CellRendererText {
public:
    explicit OutlineRowRenderer(OutlineTreeView& view) : Glib::ObjectBase(typeid(OutlineRowRenderer)), _view(view)
    {
        GObject* object = G_OBJECT(gobj());
        g_object_set_qdata(object, quark(), this);
        GtkCellRendererClass* rendererClass = GTK_CELL_RENDERER_GET_CLASS(gobj());
        gtk_cell_renderer_class_set_accessible_type(rendererClass, OutlineCellAccessibility::type());
        rendererClass->get_request_mode = [](GtkCellRenderer*) { return GTK_SIZE_REQUEST_CONSTANT_SIZE; };
        rendererClass->get_preferred_width = [](GtkCellRenderer*, GtkWidget*, int* minimum, int* natural) {
            // The column fills the view; titles ellipsize in what it gives them.
            if (minimum) *minimum = 1;
            if (natural) *natural = 1;
        };
        rendererClass->get_preferred_width_for_height = [](GtkCellRenderer*, GtkWidget*, int, int* minimum,
                                                           int* natural) {
            if (minimum) *minimum = 1;
            if (natural) *natural = 1;
        };
        rendererClass->get_preferred_height = [](GtkCellRenderer* cell, GtkWidget*, int* minimum, int* natural) {
            const int height = of(cell).height();
            if (minimum) *minimum = height;
            if (natural) *natural = height;
        };
        rendererClass->get_preferred_height_for_width = [](GtkCellRenderer* cell, GtkWidget*, int, int* minimum,
                                                           int* natural) {
            const int height = of(cell).height();
            if (minimum) *minimum = height;
            if (natural) *natural = height;
        };
    }

    // The column's data function: the row straight from the store.
    static void cellData(GtkTreeViewColumn*, GtkCellRenderer* cell, GtkTreeModel* model, GtkTreeIter* iter, gpointer)
    {
        OutlineRowRenderer& renderer = of(cell);
        renderer._row = rowOf(model, iter);
        // The text is what screen readers read of the row; the row itself is drawn from its topic.
        // Rows of two heights are each given here to be measured, which needs no text.
        if (!renderer._view.rowTextWanted()) return;
        MindMapNode* node = renderer._row.node;
        const std::string title = node ? OutlineViewAdapter::shownText(node->displayText().string()) : std::string();
        g_object_set(cell, "text", title.c_str(), nullptr);
    }

protected:
    void render_vfunc(const Cairo::RefPtr<Cairo::Context>& cr, Gtk::Widget&, const Gdk::Rectangle&,
                      const Gdk::Rectangle& cellArea, Gtk::CellRendererState) override
    {
        _view.renderRow(cr, _row, cellArea);
    }

private:
    static GQuark quark()
    {
        static const GQuark made = g_quark_from_static_string("outline-row-renderer");
        return made;
    }
    static OutlineRowRenderer& of(GtkCellRenderer* cell)
    {
        return *static_cast<OutlineRowRenderer*>(g_object_get_qdata(G_OBJECT(cell), quark()));
    }
    int height() const { return OutlineTreeView::rowHeight(_row); }

    OutlineTreeView& _view;
    OutlineRow _row;
};

OutlineTreeView::OutlineTreeView(OutlineViewAdapter& adapter)
    : Glib::ObjectBase("OutlineTreeView"),
      _adapter(adapter),
      _store(newStore()),
      _renderer(std::make_unique<OutlineRowRenderer>(*this)),
      _css(Gtk::CssProvider::create())
{
    set_name("outlineView");
    set_model(_store);
    set_headers_visible(false);
    set_enable_search(false);
    set_enable_tree_lines(false);
    set_activate_on_single_click(false);
    get_style_context()->add_provider(_css, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    get_selection()->set_mode(Gtk::SELECTION_SINGLE);

    _column.pack_start(*_renderer, true);
    gtk_tree_view_column_set_cell_data_func(_column.gobj(), GTK_CELL_RENDERER(_renderer->gobj()),
                                            &OutlineRowRenderer::cellData, nullptr, nullptr);
    // The column fills the view whatever its rows hold, so no row is measured for its width.
    _column.set_sizing(Gtk::TREE_VIEW_COLUMN_FIXED);
    _column.set_expand(true);
    append_column(_column);
    set_expander_column(_column);
    set_fixed_height_mode(true);

    get_selection()->signal_changed().connect([this] { _adapter.selectionDidChange(); });
    // Once anything asks for the view's accessible, something may read the rows' texts at any
    // time; until then only drawing needs them.
    g_object_set_qdata(G_OBJECT(gobj()), viewQuark(), this);
    GtkWidgetClass* widgetClass = GTK_WIDGET_GET_CLASS(gobj());
    widgetClass->get_accessible = [](GtkWidget* widget) {
        auto* view = static_cast<OutlineTreeView*>(g_object_get_qdata(G_OBJECT(widget), viewQuark()));
        if (view) view->_accessibleAsked = true;
        AtkObject* accessible =
            GTK_WIDGET_CLASS(g_type_class_peek_parent(GTK_WIDGET_GET_CLASS(widget)))->get_accessible(widget);
        if (view && accessible && !view->_accessibleNamed) {
            view->_accessibleNamed = true;
            atk_object_set_name(accessible, localized("outliner_title").c_str());
            view->showAccessibleRole();
        }
        return accessible;
    };
    // The keys GTK binds to opening and closing rows (plus, minus, asterisk, shift and an arrow)
    // open and close the adapter's rows, which GTK's flat list knows nothing of.
    g_signal_connect(gobj(), "expand-collapse-cursor-row",
                     G_CALLBACK(+[](GtkTreeView* view, gboolean logical, gboolean expand, gboolean openAll,
                                    gpointer self) -> gboolean {
                         if (!logical && gtk_widget_get_direction(GTK_WIDGET(view)) == GTK_TEXT_DIR_RTL)
                             expand = !expand;
                         static_cast<OutlineTreeView*>(self)->expandOrCollapseCursorRow(expand, openAll);
                         g_signal_stop_emission_by_name(view, "expand-collapse-cursor-row");
                         return TRUE;
                     }),
                     this);
    _renderer->signal_editing_started().connect([this](Gtk::CellEditable* editable, const Glib::ustring& path) {
        _editable = editable;
        auto* entry = dynamic_cast<Gtk::Entry*>(editable);
        if (!entry) return;
        _editedItem = itemAtPath(Gtk::TreeModel::Path(path));
        _editedPlace = _editedItem ? OutlineTopicPlace::of(*_editedItem) : OutlineTopicPlace();
        _takenEdit.reset();
        g_signal_connect(entry->gobj(), "insert-text", G_CALLBACK(&OutlineTreeView::filterTitleInsertion), this);
        // After the title's own limit, which tells how long a paste was: the lines it kept, as the
        // row shows them.
        boundEntry(*entry, {0, EntryBound::Lines::Joined});
        // The cell shows the date line too; the rename is of the title alone, in the title's place
        // of the row.
        if (MindMapNode* node = _editedItem) {
            entry->set_text(OutlineViewAdapter::singleLineText(node->displayText().string()));
            Gdk::Rectangle cell;
            get_cell_area(Gtk::TreeModel::Path(path), _column, cell);
            const Rect bounds(cell.get_x(), cell.get_y(), cell.get_width(), cell.get_height());
            const Rect title = rowLayout(node, bounds).title;
            entry->set_margin_start(std::max(0, int(title.minX() - bounds.minX())));
            entry->set_margin_end(std::max(0, int(bounds.maxX() - title.maxX())));
        }
        entry->signal_remove_widget().connect([this] {
            _editable = nullptr;
            _editedItem = nullptr;
        });
    });
    _renderer->signal_edited().connect([this](const Glib::ustring& path, const Glib::ustring& text) {
        _editable = nullptr;
        if (MindMapNode* node = itemAtPath(Gtk::TreeModel::Path(path))) _adapter.cellEndEdit(node, text);
    });
    _renderer->signal_editing_canceled().connect([this] { _editable = nullptr; });
    keepCellEditsOnFocusLoss(*_renderer);
    // A double click or Return renames the row.
    signal_row_activated().connect([this](const Gtk::TreeModel::Path& path, Gtk::TreeViewColumn*) {
        if (_state.editable) set_cursor(path, _column, *_renderer, true);
    });
    updateDragSource();
}

void OutlineTreeView::filterTitleInsertion(GtkEditable* editable, gchar* text, gint length, gint* position,
                                           gpointer self)
{
    auto& view = *static_cast<OutlineTreeView*>(self);
    if (view._insertingFiltered || !text || !position) return;
    const std::string_view inserted(text, length < 0 ? std::strlen(text) : static_cast<size_t>(length));
    const std::string_view current = gtk_entry_get_text(GTK_ENTRY(editable));
    // The position counts characters; GTK takes one out of range for the end.
    const glong characters = g_utf8_strlen(current.data(), static_cast<gssize>(current.size()));
    const glong at = *position < 0 || *position > characters ? characters : *position;
    const size_t offset = static_cast<size_t>(g_utf8_offset_to_pointer(current.data(), at) - current.data());
    const size_t kept =
        view._adapter.cellWillInsert(view._editedItem, current.substr(0, offset), inserted, current.substr(offset));
    if (kept >= inserted.size()) return;
    if (kept > 0) {
        const FlagScope inserting(view._insertingFiltered);
        gtk_editable_insert_text(editable, text, static_cast<gint>(kept), position);
    }
    g_signal_stop_emission_by_name(editable, "insert-text");
}

OutlineTreeView::~OutlineTreeView()
{
    g_object_set_qdata(G_OBJECT(gobj()), viewQuark(), nullptr);
    g_signal_handlers_disconnect_by_data(gobj(), this);
    if (_adapter.outlineView() == this) _adapter.setOutlineView(nullptr);
}

void OutlineTreeView::insertRows(size_t first, size_t count)
{
    // Filled through GTK's own calls: ten thousand rows through the C++ wrappers cost more than
    // the rest of the refill.
    GtkListStore* store = _store->gobj();
    const std::vector<OutlineRow>& rows = _adapter.rows();
    for (size_t index = first; index < first + count && index < rows.size(); ++index) {
        const OutlineRow& row = rows[index];
        gtk_list_store_insert_with_values(store, nullptr, int(index), NodeColumn, row.node, LevelColumn,
                                          guint(row.level), FlagsColumn, guint(row.flags), -1);
    }
}

void OutlineTreeView::reloadData()
{
    if (_editable) takeFocusFromEditor();
    // A refill keeps the rows where the user scrolled them; the selection sync scrolls only when
    // its row is out of view.
    if (auto adjustment = get_vadjustment()) _keptScroll = adjustment->get_value();
    // Detached while filled: a connected store tells the view of every row it gains. A new
    // store rather than a cleared one: clearing reports each row's removal.
    unset_model();
    _store = newStore();
    insertRows(0, _adapter.rows().size());
    // Switched while no store is attached, so that the switch measures nothing.
    updateHeightMode();
    set_model(_store);
    // A new store makes GTK take the accessible for a plain table again.
    if (_accessibleNamed) showAccessibleRole();
    updateDragSource();
}

void OutlineTreeView::showAccessibleRole()
{
    atk_object_set_role(gtk_widget_get_accessible(GTK_WIDGET(gobj())),
                        _adapter.outlineMode() == OutlineViewAdapter::Hierarchy ? ATK_ROLE_TREE_TABLE : ATK_ROLE_TABLE);
}

void OutlineTreeView::announceRows(size_t first, size_t count)
{
    if (!_accessibleAsked) return;
    GtkTreeModel* model = GTK_TREE_MODEL(_store->gobj());
    GtkTreeIter iter;
    bool valid = gtk_tree_model_iter_nth_child(model, &iter, nullptr, int(first));
    for (size_t index = first; valid && index < first + count; ++index) {
        GtkTreePath* path = gtk_tree_model_get_path(model, &iter);
        gtk_tree_model_row_changed(model, path, &iter);
        gtk_tree_path_free(path);
        valid = gtk_tree_model_iter_next(model, &iter);
    }
}

bool OutlineTreeView::storedRow(size_t index, OutlineRow& row) const
{
    GtkTreeModel* model = GTK_TREE_MODEL(_store->gobj());
    GtkTreeIter iter;
    if (!gtk_tree_model_iter_nth_child(model, &iter, nullptr, int(index))) return false;
    row = rowOf(model, &iter);
    return true;
}

void OutlineTreeView::replaceRows(size_t first, size_t removed, size_t inserted)
{
    if (removed + inserted > std::max(RowsChangedOneByOne, _adapter.rows().size() / 2)) {
        reloadData();
        return;
    }
    {
        const FlagScope following(_storeFollowing);
        GtkTreeModel* model = GTK_TREE_MODEL(_store->gobj());
        GtkTreeIter iter;
        if (removed > 0 && gtk_tree_model_iter_nth_child(model, &iter, nullptr, int(first)))
            for (size_t count = 0; count < removed && gtk_list_store_remove(_store->gobj(), &iter); ++count) {}
        insertRows(first, inserted);
        updateHeightMode();
    }
    // With the row that took the place of the removed ones: a reader told of a removal may have
    // asked for it at once.
    announceRows(first, inserted + 1);
}

void OutlineTreeView::updateRows(size_t first, size_t count)
{
    {
        const FlagScope following(_storeFollowing);
        GtkTreeModel* model = GTK_TREE_MODEL(_store->gobj());
        const std::vector<OutlineRow>& rows = _adapter.rows();
        GtkTreeIter iter;
        bool valid = gtk_tree_model_iter_nth_child(model, &iter, nullptr, int(first));
        for (size_t index = first; valid && index < first + count && index < rows.size(); ++index) {
            const OutlineRow& row = rows[index];
            gtk_list_store_set(_store->gobj(), &iter, NodeColumn, row.node, LevelColumn, guint(row.level), FlagsColumn,
                               guint(row.flags), -1);
            valid = gtk_tree_model_iter_next(model, &iter);
        }
        updateHeightMode();
    }
    announceRows(first, count);
}

void OutlineTreeView::updateHeightMode()
{
    // Rows of one height let GTK measure one row instead of every row of the map; a dated row is
    // taller, and then every row is measured.
    const bool uniform = _adapter.uniformRows();
    if (uniform != get_fixed_height_mode()) set_fixed_height_mode(uniform);
}

void OutlineTreeView::setNeedsDisplay()
{
    queue_draw();
    if (!_accessibleAsked) return;
    // Rows keep their place when only their topics' texts change; screen readers read the texts
    // shown again.
    Gtk::TreeModel::Path first, last;
    if (!get_visible_range(first, last) || first.empty() || last.empty()) return;
    GtkTreeModel* model = GTK_TREE_MODEL(_store->gobj());
    for (Gtk::TreeModel::Path path = first; !(last < path); path.next()) {
        GtkTreeIter iter;
        if (!gtk_tree_model_get_iter(model, &iter, path.gobj())) break;
        gtk_tree_model_row_changed(model, path.gobj(), &iter);
    }
}

std::vector<OutlineRow> OutlineTreeView::storedRows() const
{
    std::vector<OutlineRow> rows;
    GtkTreeModel* model = GTK_TREE_MODEL(_store->gobj());
    GtkTreeIter iter;
    for (bool valid = gtk_tree_model_get_iter_first(model, &iter); valid;
         valid = gtk_tree_model_iter_next(model, &iter))
        rows.push_back(rowOf(model, &iter));
    return rows;
}

Gtk::TreeModel::Path OutlineTreeView::pathOfItem(MindMapNode* item) const
{
    const std::optional<size_t> row = _adapter.rowOf(item);
    if (!row) return {};
    Gtk::TreeModel::Path path;
    path.push_back(int(*row));
    return path;
}

MindMapNode* OutlineTreeView::itemAtPath(const Gtk::TreeModel::Path& path) const
{
    if (path.empty()) return nullptr;
    GtkTreeIter iter;
    if (!gtk_tree_model_get_iter(GTK_TREE_MODEL(_store->gobj()), &iter, const_cast<GtkTreePath*>(path.gobj())))
        return nullptr;
    return nodeOf(GTK_TREE_MODEL(_store->gobj()), &iter);
}

void OutlineTreeView::expandOrCollapseCursorRow(bool expand, bool openAll)
{
    Gtk::TreeModel::Path path;
    Gtk::TreeViewColumn* column = nullptr;
    get_cursor(path, column);
    MindMapNode* node = itemAtPath(path);
    if (!node) return;
    if (openAll) {
        if (expand) _adapter.expandItem(node, true);
        else _adapter.collapseItem(node, true);
    } else if (expand) {
        _adapter.itemDidExpand(node);
    } else {
        _adapter.itemDidCollapse(node);
    }
}

void OutlineTreeView::selectItem(MindMapNode* item)
{
    Gtk::TreeModel::Path path = pathOfItem(item);
    if (path.empty()) {
        get_selection()->unselect_all();
        if (_keptScroll) {
            if (auto adjustment = get_vadjustment()) adjustment->set_value(*_keptScroll);
            _keptScroll.reset();
        }
        return;
    }
    get_selection()->unselect_all();
    get_selection()->select(path);
    if (_keptScroll) {
        if (auto adjustment = get_vadjustment()) adjustment->set_value(*_keptScroll);
        _keptScroll.reset();
    }
    // The folding keys act on the cursor's row: it goes with the selection, and scrolls it into
    // view when it is out of view.
    set_cursor(path);
}

MindMapNode* OutlineTreeView::selectedItem() const
{
    GtkTreeModel* model = nullptr;
    GtkTreeIter iter;
    if (!gtk_tree_selection_get_selected(gtk_tree_view_get_selection(const_cast<GtkTreeView*>(gobj())), &model, &iter))
        return nullptr;
    return nodeOf(model, &iter);
}

void OutlineTreeView::applyOutlineState(const OutlineViewState& state)
{
    _state = state;
    _renderer->property_editable() = state.editable;
    // The rows draw their own indentation and expanders.
    set_show_expanders(false);
    set_level_indentation(0);
    std::string css;
    if (state.background)
        css = "treeview.view:not(:selected) { background-color: " + cssColor(*state.background) + "; }";
    _css->load_from_data(css);
    updateDragSource();
    queue_draw();
}

void OutlineTreeView::updateDragSource()
{
    const bool draggable = _state.enabled && _state.editable && _adapter.outlineMode() == OutlineViewAdapter::Hierarchy;
    const std::vector<Gtk::TargetEntry> targets = {
        Gtk::TargetEntry(OutlineViewAdapter::PasteboardType, Gtk::TARGET_SAME_WIDGET)};
    if (draggable) {
        enable_model_drag_source(targets, Gdk::BUTTON1_MASK, Gdk::ACTION_MOVE);
        enable_model_drag_dest(targets, Gdk::ACTION_MOVE);
    } else {
        unset_rows_drag_source();
        unset_rows_drag_dest();
    }
}

void OutlineTreeView::takeFocusFromEditor()
{
    if (!_editable) return;
    Gtk::CellEditable* editable = _editable;
    _editable = nullptr;
    // Ended without reporting a text, which is kept to open it again once the rows are refilled.
    if (auto* entry = dynamic_cast<Gtk::Entry*>(editable)) {
        TakenEdit taken{_editedPlace, entry->get_text(), entry->get_position()};
        entry->get_selection_bounds(taken.selectionStart, taken.selectionEnd);
        if (_editedItem) _takenEdit = std::move(taken);
        entry->property_editing_canceled() = true;
    }
    editable->editing_done();
    editable->remove_widget();
    if (get_realized()) grab_focus();
}

std::optional<OutlineTopicPlace> OutlineTreeView::takenEditPlace() const
{
    return _takenEdit ? std::optional<OutlineTopicPlace>(_takenEdit->place) : std::nullopt;
}

std::optional<std::string> OutlineTreeView::reopenTakenEdit(MindMapNode* topic)
{
    // Kept while the rows cannot be edited, as while the map is read.
    if (!_takenEdit || !_state.editable || !get_realized()) return std::nullopt;
    const std::optional<TakenEdit> taken = std::exchange(_takenEdit, std::nullopt);
    const Gtk::TreeModel::Path path = topic ? pathOfItem(topic) : Gtk::TreeModel::Path();
    if (path.empty()) return taken->text.raw();
    grab_focus();
    set_cursor(path, _column, *_renderer, true);
    auto* entry = dynamic_cast<Gtk::Entry*>(_editable);
    if (!entry) return taken->text.raw();
    entry->set_text(taken->text);
    if (taken->selectionStart != taken->selectionEnd) entry->select_region(taken->selectionStart, taken->selectionEnd);
    else entry->set_position(taken->caret);
    return std::nullopt;
}

bool OutlineTreeView::isFirstResponder() const
{
    return has_focus() || _editable != nullptr;
}

int OutlineTreeView::rowHeight(const OutlineRow& row)
{
    return int(row.dated() ? OutlineViewAdapter::DateRowHeight : OutlineViewAdapter::RowHeight);
}

Glib::RefPtr<Pango::Layout> OutlineTreeView::autoNumberLayout(const OutlineRowContent& row)
{
    if (row.autoNumberPath.empty()) return {};
    return shapedText(RowText::Number, row.autoNumberPath, 0);
}

Glib::RefPtr<Pango::Layout> OutlineTreeView::shapedText(RowText kind, const std::string& text, int width)
{
    // Shaping the rows' texts was most of what drawing the outline cost, and a key on the map
    // draws the same rows again, most of them with the same texts. A layout made by the widget
    // shapes its text anew by itself once the widget's font or direction changes.
    std::string key;
    key.reserve(text.size() + 16);
    key += char(kind);
    key += std::to_string(width);
    key += '\n';
    key += text;
    ShapedText& shaped = _shapedTexts[key];
    shaped.frame = _frames;
    if (shaped.layout) return shaped.layout;
    shaped.layout = create_pango_layout(text);
    if (kind == RowText::Date) {
        // Smaller than the title, so that the date reads as the row's detail.
        Pango::AttrList attributes;
        Pango::AttrFloat scale = Pango::Attribute::create_attr_scale(DateTextScale);
        attributes.insert(scale);
        shaped.layout->set_attributes(attributes);
    }
    if (width > 0) {
        shaped.layout->set_ellipsize(Pango::ELLIPSIZE_END);
        shaped.layout->set_width(width);
    }
    return shaped.layout;
}

OutlineRowLayout OutlineTreeView::rowLayout(MindMapNode* item, const Rect& cell)
{
    const std::optional<size_t> index = _adapter.rowOf(item);
    const OutlineRowContent row = index ? _adapter.viewForRow(_adapter.rows()[*index]) : _adapter.viewForItem(item);
    int numberWidth = 0, height = 0;
    if (auto number = autoNumberLayout(row)) number->get_pixel_size(numberWidth, height);
    return OutlineRowLayout::layout(row, cell, numberWidth);
}

Glib::RefPtr<Gdk::Pixbuf> OutlineTreeView::icon(const std::string& name, bool selected)
{
    // Symbolic icons take the text colour of the row's state: one copy for each, in the pixels of
    // the screen's scale.
    const int scale = std::max(1, get_scale_factor());
    const std::string key = name + (selected ? "/selected/" : "/") + std::to_string(scale);
    if (const auto found = _icons.find(key); found != _icons.end()) return found->second;
    Glib::RefPtr<Gdk::Pixbuf> pixbuf;
    GtkIconInfo* info = gtk_icon_theme_lookup_icon_for_scale(
        gtk_icon_theme_get_default(), name.c_str(), int(OutlineRowLayout::IconSize), scale, GTK_ICON_LOOKUP_FORCE_SIZE);
    if (info) {
        GError* error = nullptr;
        gboolean symbolic = FALSE;
        GdkPixbuf* loaded =
            gtk_icon_info_load_symbolic_for_context(info, get_style_context()->gobj(), &symbolic, &error);
        // A theme without the icon shows the row without it.
        if (error) g_error_free(error);
        if (loaded) pixbuf = Glib::wrap(loaded, false);
        g_object_unref(info);
    }
    _icons[key] = pixbuf;
    return pixbuf;
}

void OutlineTreeView::renderExpander(const Cairo::RefPtr<Cairo::Context>& cr, const Rect& slot, bool expanded)
{
    // Drawn as GTK draws the expanders of its own trees, in the theme's look.
    GtkWidget* widget = GTK_WIDGET(gobj());
    int size = int(OutlineRowLayout::IconSize);
    gtk_widget_style_get(widget, "expander-size", &size, nullptr);
    size = std::clamp(size, 1, int(slot.width()));
    GtkStyleContext* context = gtk_widget_get_style_context(widget);
    gtk_style_context_save(context);
    gtk_style_context_add_class(context, GTK_STYLE_CLASS_EXPANDER);
    GtkStateFlags state = GtkStateFlags(gtk_style_context_get_state(context) & ~GTK_STATE_FLAG_CHECKED);
    if (expanded) state = GtkStateFlags(state | GTK_STATE_FLAG_CHECKED);
    gtk_style_context_set_state(context, state);
    gtk_render_expander(context, cr->cobj(), slot.minX() + std::floor((slot.width() - size) / 2),
                        slot.minY() + std::floor((slot.height() - size) / 2), size, size);
    gtk_style_context_restore(context);
}

void OutlineTreeView::renderRow(const Cairo::RefPtr<Cairo::Context>& cr, const OutlineRow& shownRow,
                                const Gdk::Rectangle& cellArea)
{
    if (!shownRow.node) return;
    const OutlineRowContent row = _adapter.viewForRow(shownRow);
    const Glib::RefPtr<Pango::Layout> number = autoNumberLayout(row);
    int numberWidth = 0, height = 0;
    if (number) number->get_pixel_size(numberWidth, height);
    const Rect cell(cellArea.get_x(), cellArea.get_y(), cellArea.get_width(), cellArea.get_height());
    const OutlineRowLayout layout = OutlineRowLayout::layout(row, cell, numberWidth);
    const Glib::RefPtr<Gtk::StyleContext> style = get_style_context();
    const bool selected = (style->get_state() & Gtk::STATE_FLAG_SELECTED) != 0;
    const Gdk::RGBA textColor = style->get_color(style->get_state());
    const double grey = 128 / 255.0;

    if (!layout.expander.isEmpty() && row.expandable) renderExpander(cr, layout.expander, row.expanded);
    if (!layout.progressIcon.isEmpty() && !row.progressHidden) {
        ProgressIconView view;
        view.setCheckboxMode(row.checkboxMode);
        view.setProgress(row.progress);
        view.setEnabled(row.progressEnabled && _state.enabled);
        const Rect square = OutlineRowLayout::iconIn(layout.progressIcon);
        view.setBounds({0, 0, square.width(), square.height()});
        cr->save();
        cr->translate(square.minX(), square.minY());
        {
            CairoGraphicsContext context(cr->cobj(), GraphicsSurfaceKind::Screen);
            view.draw(context);
        }
        cr->restore();
    }
    auto showText = [&cr](const Glib::RefPtr<Pango::Layout>& text, const Rect& slot, const Gdk::RGBA& color) {
        int width = 0, height = 0;
        text->get_pixel_size(width, height);
        cr->save();
        cr->rectangle(slot.minX(), slot.minY(), slot.width(), slot.height());
        cr->clip();
        cr->set_source_rgba(color.get_red(), color.get_green(), color.get_blue(), color.get_alpha());
        cr->move_to(slot.minX() + OutlineRowLayout::TextPadding,
                    std::floor(slot.minY() + (slot.height() - height) / 2));
        text->show_in_cairo_context(cr);
        cr->restore();
    };
    if (number) {
        Gdk::RGBA color;
        color.set_rgba(grey, grey, grey, 1);
        showText(number, layout.autoNumber, selected ? textColor : color);
    }
    // Topic titles are plain text: never markup.
    const std::string& shown = row.title.empty() ? row.placeholder : row.title;
    const Glib::RefPtr<Pango::Layout> title = shapedText(
        RowText::Title, shown,
        std::max(1, int(std::max(0.0, layout.title.width() - 2 * OutlineRowLayout::TextPadding) * PANGO_SCALE)));
    Gdk::RGBA titleColor = textColor;
    if (!selected && row.title.empty()) titleColor.set_rgba(grey, grey, grey, 1);
    else if (!selected && row.dimmed)
        titleColor.set_rgba(OutlineViewAdapter::DimmedTextWhite, OutlineViewAdapter::DimmedTextWhite,
                            OutlineViewAdapter::DimmedTextWhite, 1);
    showText(title, layout.title, titleColor);
    if (row.hasDate && !row.dateText.empty()) {
        const Glib::RefPtr<Pango::Layout> date = shapedText(
            RowText::Date, row.dateText,
            std::max(1, int(std::max(0.0, layout.dateText.width() - 2 * OutlineRowLayout::TextPadding) * PANGO_SCALE)));
        // On a selected row the date keeps the row's text colour, which reads on the highlight.
        Gdk::RGBA color;
        color.set_rgba(DateTextWhite, DateTextWhite, DateTextWhite, 1);
        showText(date, layout.dateText, selected ? textColor : color);
    }
    for (const auto& [slot, name] : {std::pair{layout.noteMark, "text-x-generic-symbolic"},
                                     std::pair{layout.dateIcon, "x-office-calendar-symbolic"}}) {
        if (slot.isEmpty()) continue;
        const Glib::RefPtr<Gdk::Pixbuf> pixbuf = icon(name, selected);
        if (!pixbuf) continue;
        const Rect square = OutlineRowLayout::iconIn(slot);
        const double pixels = std::max(1, pixbuf->get_width()) / square.width();
        cr->save();
        cr->translate(square.minX(), square.minY());
        cr->scale(1 / pixels, 1 / pixels);
        Gdk::Cairo::set_source_pixbuf(cr, pixbuf, 0, 0);
        cr->paint();
        cr->restore();
    }
}

Gdk::Rectangle OutlineTreeView::partArea(MindMapNode* item, Rect OutlineRowLayout::*part)
{
    const Gtk::TreeModel::Path path = pathOfItem(item);
    if (path.empty()) return {};
    Gdk::Rectangle cell;
    get_cell_area(path, _column, cell);
    if (cell.get_height() <= 0) return {};
    const Rect slot = rowLayout(item, Rect(cell.get_x(), cell.get_y(), cell.get_width(), cell.get_height())).*part;
    if (slot.isEmpty()) return {};
    int x = 0, y = 0;
    convert_bin_window_to_widget_coords(int(slot.minX()), int(slot.minY()), x, y);
    return Gdk::Rectangle(x, y, int(slot.width()), int(slot.height()));
}

Gdk::Rectangle OutlineTreeView::titleArea(MindMapNode* item)
{
    return partArea(item, &OutlineRowLayout::title);
}

Gdk::Rectangle OutlineTreeView::expanderArea(MindMapNode* item)
{
    return partArea(item, &OutlineRowLayout::expander);
}

Gdk::Rectangle OutlineTreeView::progressIconArea(MindMapNode* item)
{
    return partArea(item, &OutlineRowLayout::progressIcon);
}

Gdk::Rectangle OutlineTreeView::dateIconArea(MindMapNode* item)
{
    return partArea(item, &OutlineRowLayout::dateIcon);
}

Rect OutlineTreeView::dateIconFrame(MindMapNode* item)
{
    const Gdk::Rectangle area = dateIconArea(item);
    if (area.get_width() <= 0 || area.get_height() <= 0) return {};
    // The icon itself, not its slot's full height: the popover's arrow points at it.
    return OutlineRowLayout::iconIn(Rect(area.get_x(), area.get_y(), area.get_width(), area.get_height()));
}

GQuark OutlineTreeView::viewQuark()
{
    static const GQuark made = g_quark_from_static_string("outline-tree-view");
    return made;
}

bool OutlineTreeView::on_draw(const Cairo::RefPtr<Cairo::Context>& cr)
{
    // Frames that draw a few rows (a selection moved) keep the texts of the others for the next
    // that draws them all; past a bound, only the last frame's texts stay.
    ++_frames;
    if (_shapedTexts.size() > MaxShapedTexts)
        for (auto it = _shapedTexts.begin(); it != _shapedTexts.end();)
            it = it->second.frame + 1 < _frames ? _shapedTexts.erase(it) : std::next(it);
    _drawing = true;
    const bool handled = Gtk::TreeView::on_draw(cr);
    _drawing = false;
    return handled;
}

bool OutlineTreeView::on_button_press_event(GdkEventButton* event)
{
    if (event->type == GDK_BUTTON_PRESS && event->button == 1 && event->window == get_bin_window()->gobj()) {
        Gtk::TreeModel::Path path;
        Gtk::TreeViewColumn* column = nullptr;
        int cellX = 0, cellY = 0;
        if (get_path_at_pos(int(event->x), int(event->y), path, column, cellX, cellY)) {
            MindMapNode* node = itemAtPath(path);
            int x = 0, y = 0;
            convert_bin_window_to_widget_coords(int(event->x), int(event->y), x, y);
            auto inside = [x, y](const Gdk::Rectangle& area) {
                return area.get_width() > 0 && x >= area.get_x() && x < area.get_x() + area.get_width() &&
                    y >= area.get_y() && y < area.get_y() + area.get_height();
            };
            if (const std::optional<size_t> row = _adapter.rowOf(node);
                row && _adapter.rows()[*row].expandable() && inside(expanderArea(node))) {
                if (_adapter.rows()[*row].expanded()) _adapter.itemDidCollapse(node);
                else _adapter.itemDidExpand(node);
                return true;
            }
            if (node && _adapter.viewForItem(node).checkboxMode != 0 && inside(progressIconArea(node))) {
                if (!_state.editable) return true;
                if (node->checkboxMode() != 1 && _progressMenu) {
                    // The menu opens at the pointer of this press.
                    GdkEventButton copy = *event;
                    _adapter.setCheckboxMenuHandler([this, copy]() mutable { _progressMenu(&copy); });
                }
                _adapter.outlineProgressIconClicked(node);
                _adapter.setCheckboxMenuHandler(nullptr);
                return true;
            }
            if (node && node->hasDate() && inside(dateIconArea(node))) {
                _adapter.dateIconClicked(node);
                return true;
            }
        }
    }
    return Gtk::TreeView::on_button_press_event(event);
}

bool OutlineTreeView::on_key_press_event(GdkEventKey* event)
{
    if (!_editable && (event->state & (GDK_CONTROL_MASK | GDK_MOD1_MASK)) == 0) {
        const char* action = nullptr;
        if (event->keyval == GDK_KEY_Delete || event->keyval == GDK_KEY_KP_Delete) action = "deleteForward:";
        else if (event->keyval == GDK_KEY_BackSpace) action = "deleteBackward:";
        else if (event->keyval == GDK_KEY_F2 && _state.editable) {
            Gtk::TreeModel::Path path = pathOfItem(selectedItem());
            if (!path.empty()) set_cursor(path, _column, *_renderer, true);
            return true;
        }
        if (action) {
            if (_keyHandler) _keyHandler(action);
            return true;
        }
    }
    return Gtk::TreeView::on_key_press_event(event);
}

void OutlineTreeView::on_drag_begin(const Glib::RefPtr<Gdk::DragContext>& context)
{
    Gtk::TreeView::on_drag_begin(context);
    // A refused drag moves nothing: every drop is refused without a dragged topic.
    _adapter.writeItems({selectedItem()});
}

void OutlineTreeView::on_drag_end(const Glib::RefPtr<Gdk::DragContext>& context)
{
    Gtk::TreeView::on_drag_end(context);
    _adapter.dragEnded();
}

bool OutlineTreeView::proposedDrop(int x, int y, MindMapNode*& parent, int64_t& index, Gtk::TreeModel::Path& path,
                                   Gtk::TreeViewDropPosition& position)
{
    parent = nullptr;
    index = -1;
    if (!get_dest_row_at_pos(x, y, path, position)) {
        // Below the last row: the end of the top level.
        path = Gtk::TreeModel::Path();
        return true;
    }
    MindMapNode* node = itemAtPath(path);
    if (!node) return false;
    using Place = OutlineViewAdapter::DropPlace;
    const Place place = position == Gtk::TREE_VIEW_DROP_BEFORE ? Place::Before
        : position == Gtk::TREE_VIEW_DROP_AFTER                ? Place::After
                                                               : Place::Onto;
    _adapter.proposedDrop(node, place, parent, index);
    return true;
}

bool OutlineTreeView::on_drag_motion(const Glib::RefPtr<Gdk::DragContext>& context, int x, int y, guint time)
{
    MindMapNode* parent = nullptr;
    int64_t index = -1;
    Gtk::TreeModel::Path path;
    Gtk::TreeViewDropPosition position = Gtk::TREE_VIEW_DROP_BEFORE;
    const bool ownView = Gtk::Widget::drag_get_source_widget(context) == this;
    if (proposedDrop(x, y, parent, index, path, position) &&
        _adapter.validateDrop(ownView, parent, index) == OutlineViewAdapter::DragOperation::Move) {
        if (!path.empty()) set_drag_dest_row(path, position);
        else unset_drag_dest_row();
        context->drag_status(Gdk::ACTION_MOVE, time);
    } else {
        unset_drag_dest_row();
        context->drag_status(Gdk::DragAction(0), time);
    }
    return true;
}

void OutlineTreeView::on_drag_leave(const Glib::RefPtr<Gdk::DragContext>&, guint)
{
    unset_drag_dest_row();
}

bool OutlineTreeView::on_drag_drop(const Glib::RefPtr<Gdk::DragContext>& context, int x, int y, guint time)
{
    MindMapNode* parent = nullptr;
    int64_t index = -1;
    Gtk::TreeModel::Path path;
    Gtk::TreeViewDropPosition position = Gtk::TREE_VIEW_DROP_BEFORE;
    const bool ownView = Gtk::Widget::drag_get_source_widget(context) == this;
    unset_drag_dest_row();
    bool moved = false;
    if (proposedDrop(x, y, parent, index, path, position)) moved = _adapter.acceptDrop(ownView, parent, index);
    else _adapter.dragEnded();
    context->drag_finish(moved, false, time);
    return true;
}

OutlinerView::OutlinerView(MindMapEditor& editor)
    : Gtk::Box(Gtk::ORIENTATION_VERTICAL),
      _editor(editor),
      _controller(std::make_unique<OutlinerViewController>(&editor))
{
    set_name("outlinerView");
    _segmentTarget = std::make_unique<SegmentTarget>([this](const ActionSender* sender) {
        for (size_t index = 0; index < _segments.size(); ++index)
            if (_segments[index].get() == sender) {
                _controller->outlineModeSegmentsChanged(int64_t(index), UserDefaults::standard());
                for (size_t other = 0; other < _segments.size(); ++other) {
                    Gtk::Button& button = _toolbar.controlWidget(0).button(other);
                    if (other == index) button.set_state_flags(Gtk::STATE_FLAG_CHECKED, false);
                    else button.unset_state_flags(Gtk::STATE_FLAG_CHECKED);
                }
            }
    });
    for (size_t mode = 0; mode < OutlineViewAdapter::ModeCount; ++mode)
        _segments.push_back(ToolbarSegment::toolbarSegment(
            ModeImages[mode], _segmentTarget.get(),
            "outlineModeSegmentsChanged:", localized(OutlinerViewController::ModeToolTipKeys[mode])));
    _modeSegments = std::make_shared<SegmentedControlItem>(_segments);
    // The strip's own margins are the toolbar's; the outliner's control sits closer to the edge.
    _toolbar.setControlMargins(OutlinerViewController::ModeControlLeft, OutlinerViewController::ModeControlBottom);
    _toolbar.addSegmentedControlItems({_modeSegments});
    pack_start(_toolbar, Gtk::PACK_SHRINK);

    _outline = std::make_unique<OutlineTreeView>(_controller->adapter());
    _outline->setProgressMenuHandler([this](GdkEventButton* event) { showProgressMenu(event); });
    _outline->setKeyHandler([this](const std::string& action) {
        if (_controller->validateAction(action)) _controller->performAction(action, nullptr);
    });
    _outlineScroller.set_policy(Gtk::POLICY_AUTOMATIC, Gtk::POLICY_AUTOMATIC);
    _outlineScroller.add(*_outline);
    pack_start(_outlineScroller, Gtk::PACK_EXPAND_WIDGET);
    _menuPresenter = std::make_unique<GtkMenuPresenter>(*_outline);
    _popoverPresenter = std::make_unique<GtkPopoverPresenter>(*_outline);
    _popoverPresenter->registerContent(MindMapEditor::DatePickerContent, [this] {
        OutlineViewAdapter& adapter = _controller->adapter();
        return newDatePickerContent(
            adapter.datePickerInitialDate(),
            [&adapter](std::optional<MindMapEditor::Date> date) { adapter.popoverDatePicked(date); });
    });
    _controller->adapter().setPopoverPresenter(_popoverPresenter.get());

    const uint64_t mode = _controller->loadView(_outline.get(), UserDefaults::standard());
    _toolbar.controlWidget(0).button(mode).set_state_flags(Gtk::STATE_FLAG_CHECKED, false);
    _editor.setHierarchyListener(_controller.get());
    // Rows are only kept while the tab is on screen.
    _mapped = signal_map().connect([this] {
        _controller->setHidden(false);
        _controller->hierarchyChanged();
    });
    _unmapped = signal_unmap().connect([this] { _controller->setHidden(true); });
    show_all();
}

OutlinerView::~OutlinerView()
{
    _mapped.disconnect();
    _unmapped.disconnect();
    _controller->adapter().closeDatePicker();
    _controller->adapter().setPopoverPresenter(nullptr);
    if (_editor.hierarchyListener() == _controller.get()) _editor.setHierarchyListener(nullptr);
    _outline->setProgressMenuHandler(nullptr);
}

void OutlinerView::showProgressMenu(GdkEventButton* event)
{
    const EditorMenuSource& source = _editor.menuSource();
    Menu* menu = source.checkboxMenu ? source.checkboxMenu() : nullptr;
    if (!menu) return;
    if (source.validateMenu) source.validateMenu(*menu);
    int x = 0, y = 0;
    _outline->convert_bin_window_to_widget_coords(int(event->x), int(event->y), x, y);
    auto send = source.sendAction;
    _menuPresenter->popUpMenu(*menu, Point{double(x), double(y)}, -1, [send](MenuItem& item) {
        if (send) send(item);
    });
    // Raised so that it ends above the work area's bottom rather than running off the screen.
    Gtk::Menu* shown = _menuPresenter->shownMenu();
    auto window = _outline->get_window();
    if (!shown || !window) return;
    int minimum = 0, natural = 0;
    shown->get_preferred_height(minimum, natural);
    Gdk::Rectangle workArea;
    get_display()->get_monitor_at_window(window)->get_workarea(workArea);
    const double top =
        OutlineViewAdapter::progressMenuTop(event->y_root, natural, workArea.get_y() + workArea.get_height());
    if (top < event->y_root)
        _menuPresenter->popUpMenu(*menu, Point{double(x), double(y) - (event->y_root - top)}, -1,
                                  [send](MenuItem& item) {
                                      if (send) send(item);
                                  });
}

void installOutliner()
{
    MainWindow::setInspectorPageFactory(0, [](MainWindow& window) -> std::unique_ptr<Gtk::Widget> {
        auto page = std::make_unique<OutlinerView>(window.editor());
        OutlinerView* outliner = page.get();
        // Presenting makes the editor read-only; the outline follows it.
        window.addValidator([outliner, &window] { outliner->controller().setReadOnly(window.editor().readOnly()); });
        window.setInspectorResponder(0, &outliner->controller());
        return page;
    });
}
