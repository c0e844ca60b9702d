#pragma once

#include <gtkmm/cellrenderertext.h>
#include <gtkmm/widget.h>

// GTK's text cell renderer ends an edit as cancelled whenever its entry loses the keyboard focus,
// so a name typed into a list or tree would be dropped by a click elsewhere or a tab switch. With
// this, the renderer's edits end as Return ends them, through the renderer's edited signal, once
// the focus moves elsewhere inside the active window; they stay open while the window is inactive
// (another application in front, a menu up); Escape still cancels.
void keepCellEditsOnFocusLoss(Gtk::CellRendererText& renderer);

// Ends every such edit open inside the widget as Return would: what the window holds is about to
// be written, or the window to close.
void commitCellEditsInside(Gtk::Widget& widget);
