#pragma once

#include "panels/ModalResult.h"

namespace Gtk {
class Container;
class Dialog;
class Widget;
} // namespace Gtk

// The one way the property dialogs run: the active window is remembered, the dialog runs in a
// modal session (autosave, delayed edits and reloads of the open map wait for its end), any
// ending other than one of its own positive codes answers closedCode, and the remembered window
// gets the focus back.
namespace ModalDialog {

int run(Gtk::Dialog& dialog, int closedCode = ModalResult::Closed);

} // namespace ModalDialog

// Places a frame's view in a container: at least 20 points from the sides and the bottom,
// centred across, and with pinTop 12 points below the container's top.
void EmbedViewInContainer(Gtk::Widget& view, Gtk::Container& container, bool pinTop);
