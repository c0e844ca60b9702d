// Presses the first showing button (push, toggle or radio) of one process whose accessible name is
// the given text, as a screen reader's user would: for whole-program scripts that must reach a
// control no key leads to. Exits 1 when there is none.
//   tw_press_button <pid> <name>
#include <atspi/atspi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool isButton(AtspiRole role)
{
    return role == ATSPI_ROLE_PUSH_BUTTON || role == ATSPI_ROLE_TOGGLE_BUTTON || role == ATSPI_ROLE_RADIO_BUTTON;
}

bool showing(AtspiAccessible* element)
{
    AtspiStateSet* states = atspi_accessible_get_state_set(element);
    const bool shown = states && atspi_state_set_contains(states, ATSPI_STATE_SHOWING);
    if (states) g_object_unref(states);
    return shown;
}

bool press(AtspiAccessible* element, const char* name, int depth)
{
    // Deep enough for the windows' nested boxes; a broken tree must not recurse forever.
    if (!element || depth > 40) return false;
    if (isButton(atspi_accessible_get_role(element, nullptr)) && showing(element)) {
        gchar* own = atspi_accessible_get_name(element, nullptr);
        const bool match = own && std::strcmp(own, name) == 0;
        g_free(own);
        if (match) {
            AtspiAction* action = atspi_accessible_get_action_iface(element);
            const bool done = action && atspi_action_do_action(action, 0, nullptr);
            if (action) g_object_unref(action);
            if (done) return true;
        }
    }
    const int children = atspi_accessible_get_child_count(element, nullptr);
    for (int index = 0; index < children; ++index) {
        AtspiAccessible* child = atspi_accessible_get_child_at_index(element, index, nullptr);
        const bool done = press(child, name, depth + 1);
        if (child) g_object_unref(child);
        if (done) return true;
    }
    return false;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: tw_press_button <pid> <name>\n");
        return 2;
    }
    const guint pid = static_cast<guint>(std::strtoul(argv[1], nullptr, 10));
    if (atspi_init() < 0) return 1;
    AtspiAccessible* desktop = atspi_get_desktop(0);
    bool pressed = false;
    const int applications = atspi_accessible_get_child_count(desktop, nullptr);
    for (int index = 0; index < applications && !pressed; ++index) {
        AtspiAccessible* application = atspi_accessible_get_child_at_index(desktop, index, nullptr);
        if (!application) continue;
        if (atspi_accessible_get_process_id(application, nullptr) == pid) pressed = press(application, argv[2], 0);
        g_object_unref(application);
    }
    g_object_unref(desktop);
    return pressed ? 0 : 1;
}
