// Prints the name of every named canvas in the windows of one process, one a line: the main
// window keeps the program's name and names its canvas after the map it shows. Whole-program
// scripts use it to see which map is open.
//   tw_map_title <pid>
#include <atspi/atspi.h>

#include <cstdio>
#include <cstdlib>

namespace {

void printCanvases(AtspiAccessible* element, int depth)
{
    // Deep enough for the window's nested panes; a broken tree must not recurse forever.
    if (!element || depth > 40) return;
    if (atspi_accessible_get_role(element, nullptr) == ATSPI_ROLE_DRAWING_AREA) {
        if (gchar* name = atspi_accessible_get_name(element, nullptr)) {
            if (*name) std::printf("%s\n", name);
            g_free(name);
        }
        return;
    }
    const int children = atspi_accessible_get_child_count(element, nullptr);
    for (int index = 0; index < children; ++index) {
        AtspiAccessible* child = atspi_accessible_get_child_at_index(element, index, nullptr);
        printCanvases(child, depth + 1);
        if (child) g_object_unref(child);
    }
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: tw_map_title <pid>\n");
        return 2;
    }
    const guint pid = static_cast<guint>(std::strtoul(argv[1], nullptr, 10));
    if (atspi_init() < 0) return 1;
    AtspiAccessible* desktop = atspi_get_desktop(0);
    const int applications = atspi_accessible_get_child_count(desktop, nullptr);
    for (int index = 0; index < applications; ++index) {
        AtspiAccessible* application = atspi_accessible_get_child_at_index(desktop, index, nullptr);
        if (!application) continue;
        if (atspi_accessible_get_process_id(application, nullptr) == pid) printCanvases(application, 0);
        g_object_unref(application);
    }
    g_object_unref(desktop);
    return 0;
}
