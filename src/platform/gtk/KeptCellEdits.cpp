#include "platform/gtk/KeptCellEdits.h"

#include "platform/gtk/FocusLoss.h"

#include <gtk/gtk.h>

#include <vector>

namespace {

// The renderer whose edit an entry holds, weakly: an edit the tree view stops as cancelled ends
// without the entry hearing of it, and the entry may outlive the renderer.
struct OpenEdit {
    GWeakRef renderer;
};

GQuark openEditQuark()
{
    static const GQuark quark = g_quark_from_static_string("tarnwick-kept-cell-edit");
    return quark;
}

void freeOpenEdit(gpointer data)
{
    auto* edit = static_cast<OpenEdit*>(data);
    g_weak_ref_clear(&edit->renderer);
    delete edit;
}

// Whether the entry still holds an open edit. While the renderer reports the edit's end (its
// edited signal runs, by Return or by a click on another row) it is no longer editing, so that a
// focus-out or a commit meanwhile does not report the text a second time.
bool editOpen(GtkWidget* entry)
{
    auto* edit = static_cast<OpenEdit*>(g_object_get_qdata(G_OBJECT(entry), openEditQuark()));
    if (!edit) return false;
    GObject* renderer = static_cast<GObject*>(g_weak_ref_get(&edit->renderer));
    if (!renderer) return false;
    gboolean editing = FALSE;
    g_object_get(renderer, "editing", &editing, nullptr);
    g_object_unref(renderer);
    return editing;
}

void commit(GtkWidget* entry)
{
    if (!editOpen(entry)) return;
    g_object_set_qdata(G_OBJECT(entry), openEditQuark(), nullptr);
    g_object_ref(entry);
    // As Return ends it: the renderer reads the flag and reports the entry's text.
    g_object_set(entry, "editing-canceled", FALSE, nullptr);
    gtk_cell_editable_editing_done(GTK_CELL_EDITABLE(entry));
    gtk_cell_editable_remove_widget(GTK_CELL_EDITABLE(entry));
    g_object_unref(entry);
}

gboolean focusLeft(GtkWidget* entry, GdkEvent*, gpointer)
{
    if (focusLeftInsideWindow(*Glib::wrap(entry))) commit(entry);
    return FALSE;
}

void editingDone(GtkCellEditable* entry, gpointer)
{
    g_object_set_qdata(G_OBJECT(entry), openEditQuark(), nullptr);
    g_signal_handlers_disconnect_by_func(entry, reinterpret_cast<gpointer>(&focusLeft), nullptr);
    g_signal_handlers_disconnect_by_func(entry, reinterpret_cast<gpointer>(&editingDone), nullptr);
}

void editingStarted(GtkCellRenderer* renderer, GtkCellEditable* editable, const gchar*, gpointer)
{
    if (!GTK_IS_ENTRY(editable)) return;
    // The renderer's own handler, which cancels on every focus-out, is the one of the entry's
    // focus-out handlers that carries the renderer.
    g_signal_handlers_block_matched(editable, GSignalMatchType(G_SIGNAL_MATCH_ID | G_SIGNAL_MATCH_DATA),
                                    g_signal_lookup("focus-out-event", GTK_TYPE_WIDGET), 0, nullptr, nullptr, renderer);
    auto* edit = new OpenEdit;
    g_weak_ref_init(&edit->renderer, renderer);
    g_object_set_qdata_full(G_OBJECT(editable), openEditQuark(), edit, &freeOpenEdit);
    g_signal_connect(editable, "focus-out-event", G_CALLBACK(&focusLeft), nullptr);
    g_signal_connect(editable, "editing-done", G_CALLBACK(&editingDone), nullptr);
}

void collectOpenEdits(GtkWidget* widget, std::vector<GtkWidget*>& open)
{
    if (GTK_IS_ENTRY(widget) && editOpen(widget)) open.push_back(widget);
    if (!GTK_IS_CONTAINER(widget)) return;
    gtk_container_forall(
        GTK_CONTAINER(widget),
        [](GtkWidget* child, gpointer list) { collectOpenEdits(child, *static_cast<std::vector<GtkWidget*>*>(list)); },
        &open);
}

} // namespace

void keepCellEditsOnFocusLoss(Gtk::CellRendererText& renderer)
{
    g_signal_connect(renderer.gobj(), "editing-started", G_CALLBACK(&editingStarted), nullptr);
}

void commitCellEditsInside(Gtk::Widget& widget)
{
    std::vector<GtkWidget*> open;
    collectOpenEdits(widget.gobj(), open);
    for (GtkWidget* entry : open) g_object_ref(entry);
    // Each commit may change the widgets, even end another edit: each is looked at again first.
    for (GtkWidget* entry : open) {
        commit(entry);
        g_object_unref(entry);
    }
}
