#include "editor-view/gtk/TextViewTransfers.h"

#include "editor-view/gtk/TextBufferEdits.h"
#include "platform/gtk/GtkDropPasteboard.h"
#include "platform/gtk/GtkPasteboard.h"

TextViewTransfers::TextViewTransfers(Gtk::TextView& view, const TextBufferEdits& edits, Paste paste)
    : _view(view), _edits(edits), _paste(std::move(paste))
{
    // Before the view's own handlers, which stop at the first that takes the event.
    _handlers.push_back(g_signal_connect(_view.gobj(), "button-press-event", G_CALLBACK(&buttonPressed), this));
    _handlers.push_back(g_signal_connect(_view.gobj(), "drag-drop", G_CALLBACK(&dropped), this));
}

TextViewTransfers::~TextViewTransfers()
{
    for (gulong handler : _handlers) g_signal_handler_disconnect(_view.gobj(), handler);
}

TextRange TextViewTransfers::middleClickRange(TextRange selection, size_t position)
{
    if (selection.length > 0 && position >= selection.location && position <= selection.end()) return selection;
    return {position, 0};
}

size_t TextViewTransfers::positionAt(Gtk::TextWindowType window, int x, int y)
{
    int bufferX = 0, bufferY = 0;
    _view.window_to_buffer_coords(window, x, y, bufferX, bufferY);
    Gtk::TextIter iter;
    _view.get_iter_at_location(iter, bufferX, bufferY);
    return _edits.positionOf(iter);
}

gboolean TextViewTransfers::buttonPressed(GtkWidget* widget, GdkEventButton* event, gpointer self)
{
    auto& transfers = *static_cast<TextViewTransfers*>(self);
    if (event->button != GDK_BUTTON_MIDDLE ||
        event->window != gtk_text_view_get_window(transfers._view.gobj(), GTK_TEXT_WINDOW_TEXT))
        return FALSE;
    gboolean primaryPaste = TRUE;
    g_object_get(gtk_widget_get_settings(widget), "gtk-enable-primary-paste", &primaryPaste, nullptr);
    if (!primaryPaste) return FALSE;
    // A double or triple press follows presses of its own, which pasted.
    if (event->type != GDK_BUTTON_PRESS) return TRUE;
    gtk_widget_grab_focus(widget);
    const size_t position = transfers.positionAt(Gtk::TEXT_WINDOW_TEXT, int(event->x), int(event->y));
    transfers._paste(GtkPasteboard::primarySelection(), middleClickRange(transfers._edits.selectedRange(), position));
    return TRUE;
}

gboolean TextViewTransfers::dropped(GtkWidget* widget, GdkDragContext* context, gint x, gint y, guint time,
                                    gpointer self)
{
    if (gtk_drag_get_source_widget(context) == widget) return FALSE;
    auto& transfers = *static_cast<TextViewTransfers*>(self);
    const size_t position = transfers.positionAt(Gtk::TEXT_WINDOW_WIDGET, x, y);
    // Refuses the drop on leaving here when nothing read it.
    const GtkDropPasteboard drop(transfers._view, Glib::wrap(context, true), time);
    transfers._paste(drop, {position, 0});
    return TRUE;
}
