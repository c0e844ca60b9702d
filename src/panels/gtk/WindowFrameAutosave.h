#pragma once

#include <string>

namespace Gtk {
class Window;
} // namespace Gtk

// Windows that reopen where the user left them. The saved origin is taken, and the saved size
// too unless keepOwnSize: then the size stays the one the window's layout gives, so that a layout
// that grew is never cut by an older saved size. From then on every move or resize is saved under
// the name. A saved frame off every monitor is brought onto the nearest one. True when a saved
// frame was taken.
bool AutosaveWindowFrame(Gtk::Window& window, const std::string& autosaveName, bool keepOwnSize = true);
