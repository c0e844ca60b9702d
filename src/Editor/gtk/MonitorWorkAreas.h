#pragma once

#include "Editor/EditorWindowController.h"

#include <vector>

// The work areas of the display's monitors now, in the order the display gives them; empty
// without a display. Saved window frames are brought onto these before a window takes them.
std::vector<WindowFrame> monitorWorkAreas();
