// Walks what a screen reader sees of one process's windows, for the whole-program scripts' helpers.
#pragma once

#include <atspi/atspi.h>

#include <cstdlib>
#include <string>

namespace accessibletree {

enum class Next { Descend, Skip, Stop };

inline std::string nameOf(AtspiAccessible* element)
{
    gchar* name = atspi_accessible_get_name(element, nullptr);
    std::string text = name ? name : "";
    g_free(name);
    return text;
}

// True once a visit said Stop. Deep enough for the windows' nested panes; a broken tree must not
// recurse forever.
template <class Visit> bool walk(AtspiAccessible* element, Visit& visit, int depth = 0)
{
    if (!element || depth > 60) return false;
    const Next next = visit(element);
    if (next != Next::Descend) return next == Next::Stop;
    const int children = atspi_accessible_get_child_count(element, nullptr);
    for (int index = 0; index < children; ++index) {
        AtspiAccessible* child = atspi_accessible_get_child_at_index(element, index, nullptr);
        const bool stopped = walk(child, visit, depth + 1);
        if (child) g_object_unref(child);
        if (stopped) return true;
    }
    return false;
}

// Walks the windows of the process whose id is pidText: -1 when the bus cannot be reached, else
// whether a visit said Stop.
template <class Visit> int walkProcess(const char* pidText, Visit visit)
{
    const guint pid = static_cast<guint>(std::strtoul(pidText, nullptr, 10));
    if (atspi_init() < 0) return -1;
    AtspiAccessible* desktop = atspi_get_desktop(0);
    bool stopped = false;
    const int applications = atspi_accessible_get_child_count(desktop, nullptr);
    for (int index = 0; index < applications && !stopped; ++index) {
        AtspiAccessible* application = atspi_accessible_get_child_at_index(desktop, index, nullptr);
        if (!application) continue;
        if (atspi_accessible_get_process_id(application, nullptr) == pid) stopped = walk(application, visit);
        g_object_unref(application);
    }
    g_object_unref(desktop);
    return stopped ? 1 : 0;
}

} // namespace accessibletree
