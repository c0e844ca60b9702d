#pragma once

#include <chrono>

// Whether a window given to the display's window manager before the time gets its frame. In the
// test programs that have a display (they link X for it).
bool windowManagerFramesAProbe(std::chrono::steady_clock::time_point end);
