#pragma once

#include "platform/MainLoop.h"

#include <glib.h>

#include <functional>

// Runs the main loop until done() answers true: another thread's progress wakes no main loop, so a
// short tick does, and the wait ends soon after the other thread.
inline bool pumpUntil(const std::function<bool()>& done, double timeoutSeconds)
{
    const guint tick = g_timeout_add(
        2, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
    const bool result = MainLoop::runUntil(done, timeoutSeconds);
    g_source_remove(tick);
    return result;
}
