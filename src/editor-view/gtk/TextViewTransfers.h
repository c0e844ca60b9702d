#pragma once

#include "platform/AttributedString.h"

#include <gtkmm/textview.h>

#include <functional>
#include <vector>

class Pasteboard;
class TextBufferEdits;

// A GTK text view's middle-click paste and its drops, taken off the toolkit's own road: the toolkit
// waits for the primary selection's owner in a main loop of its own inside the click, and puts
// text a source drops late into whatever text the view shows by then. Here both come to whoever
// edits the text as a pasteboard to read, as the clipboard is read, with the range the text is to
// replace. Text dragged within the view itself is still moved by the toolkit: it never waits.
class TextViewTransfers {
public:
    using Paste = std::function<void(const Pasteboard& source, TextRange range)>;

    TextViewTransfers(Gtk::TextView& view, const TextBufferEdits& edits, Paste paste);
    ~TextViewTransfers();
    TextViewTransfers(const TextViewTransfers&) = delete;
    TextViewTransfers& operator=(const TextViewTransfers&) = delete;

    // What a middle click at the position replaces: the selection when the click falls in it or at
    // its end, else nothing at the position.
    static TextRange middleClickRange(TextRange selection, size_t position);

private:
    static gboolean buttonPressed(GtkWidget* widget, GdkEventButton* event, gpointer self);
    static gboolean dropped(GtkWidget* widget, GdkDragContext* context, gint x, gint y, guint time, gpointer self);
    size_t positionAt(Gtk::TextWindowType window, int x, int y);

    Gtk::TextView& _view;
    const TextBufferEdits& _edits;
    Paste _paste;
    std::vector<gulong> _handlers;
};
