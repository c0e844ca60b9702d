// Presses the first showing button (push, toggle or radio) of one process whose accessible name is
// the given text, as a screen reader's user would: for whole-program scripts that must reach a
// control no key leads to. Exits 1 when there is none.
//   tw_press_button <pid> <name>
#include "AccessibleTree.h"

#include <cstdio>

using namespace accessibletree;

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

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: tw_press_button <pid> <name>\n");
        return 2;
    }
    const std::string name = argv[2];
    return walkProcess(argv[1], [&name](AtspiAccessible* element) {
               if (!isButton(atspi_accessible_get_role(element, nullptr)) || !showing(element) ||
                   nameOf(element) != name)
                   return Next::Descend;
               AtspiAction* action = atspi_accessible_get_action_iface(element);
               const bool done = action && atspi_action_do_action(action, 0, nullptr);
               if (action) g_object_unref(action);
               return done ? Next::Stop : Next::Descend;
           }) != 1;
}
