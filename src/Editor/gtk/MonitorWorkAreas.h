#pragma once

#include "Editor/EditorWindowController.h"
#include "Editor/WindowFrameDefaults.h"

#include <vector>

namespace Gtk {
class Window;
}

// The work areas of the display's monitors now, in the order the display gives them; empty
// without a display. Saved window frames are brought onto these before a window takes them.
std::vector<WindowFrame> monitorWorkAreas();

// The window's frame as the display tells it: the state, size and place the window was last told
// of, the decoration its window manager gives it now, and its monitor's work area.
WindowFrameDefaults::FrameSample windowFrameSample(Gtk::Window& window);
