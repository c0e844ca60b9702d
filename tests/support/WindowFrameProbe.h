#pragma once

#include <chrono>

// Whether a window given to the display's window manager before the time gets its frame. In the
// test programs that have a display (they link X for it).
bool windowManagerFramesAProbe(std::chrono::steady_clock::time_point end);

// Asks the window manager, as a pager does, to maximise or restore the window, or to
// put its frame's top-left corner at x, y and give the window the size.
bool askWindowManagerToMaximize(unsigned long window, bool maximize);
bool askWindowManagerToMoveResize(unsigned long window, int x, int y, int width, int height);
