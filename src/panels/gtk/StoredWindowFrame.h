#pragma once

namespace Gtk {
class Window;
} // namespace Gtk

// Window frames the panels keep in the user defaults under a name. A stored frame that meets no
// monitor any more (one was unplugged) is ignored, so that no window opens out of reach.
void applyStoredWindowFrame(Gtk::Window& window, const char* name);
// Stores the window's frame; a window not yet shown or maximised keeps what was stored.
void storeWindowFrame(Gtk::Window& window, const char* name);
