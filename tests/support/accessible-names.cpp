// Prints what a screen reader reads of one process's windows, for the whole-program scripts:
//   tw_accessible_names <pid> buttons       every button, "<role>\t<name>" a line, shown or not
//   tw_accessible_names <pid> rows <table>  each row of the table so named, "<level>\t<fold>\t<name>"
// where fold is "expanded", "collapsed" or "-" for a row that cannot be expanded, and level is the
// row's "level" attribute ("-" without one).
#include <atspi/atspi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Deep enough for the windows' nested panes; a broken tree must not recurse forever.
constexpr int MaxDepth = 60;

const char* buttonRole(AtspiRole role)
{
    switch (role) {
    case ATSPI_ROLE_PUSH_BUTTON:
        return "push";
    case ATSPI_ROLE_TOGGLE_BUTTON:
        return "toggle";
    case ATSPI_ROLE_RADIO_BUTTON:
        return "radio";
    default:
        return nullptr;
    }
}

bool isTable(AtspiRole role)
{
    return role == ATSPI_ROLE_TABLE || role == ATSPI_ROLE_TREE_TABLE;
}

std::string nameOf(AtspiAccessible* element)
{
    gchar* name = atspi_accessible_get_name(element, nullptr);
    std::string text = name ? name : "";
    g_free(name);
    return text;
}

void printButtons(AtspiAccessible* element, int depth)
{
    if (!element || depth > MaxDepth) return;
    const AtspiRole role = atspi_accessible_get_role(element, nullptr);
    if (const char* kind = buttonRole(role)) std::printf("%s\t%s\n", kind, nameOf(element).c_str());
    // A table's cells are no buttons, and a map's outline may have thousands.
    if (isTable(role)) return;
    const int children = atspi_accessible_get_child_count(element, nullptr);
    for (int index = 0; index < children; ++index) {
        AtspiAccessible* child = atspi_accessible_get_child_at_index(element, index, nullptr);
        printButtons(child, depth + 1);
        if (child) g_object_unref(child);
    }
}

void printRow(AtspiAccessible* cell)
{
    std::string level = "-";
    if (GHashTable* attributes = atspi_accessible_get_attributes(cell, nullptr)) {
        if (auto* value = static_cast<const char*>(g_hash_table_lookup(attributes, "level"))) level = value;
        g_hash_table_unref(attributes);
    }
    const char* fold = "-";
    if (AtspiStateSet* states = atspi_accessible_get_state_set(cell)) {
        if (atspi_state_set_contains(states, ATSPI_STATE_EXPANDABLE))
            fold = atspi_state_set_contains(states, ATSPI_STATE_EXPANDED) ? "expanded" : "collapsed";
        g_object_unref(states);
    }
    std::printf("%s\t%s\t%s\n", level.c_str(), fold, nameOf(cell).c_str());
}

bool printRows(AtspiAccessible* element, const char* table, int depth)
{
    if (!element || depth > MaxDepth) return false;
    if (isTable(atspi_accessible_get_role(element, nullptr)) && nameOf(element) == table) {
        AtspiTable* rows = atspi_accessible_get_table_iface(element);
        if (!rows) return false;
        const int count = atspi_table_get_n_rows(rows, nullptr);
        for (int row = 0; row < count; ++row) {
            AtspiAccessible* cell = atspi_table_get_accessible_at(rows, row, 0, nullptr);
            if (!cell) continue;
            printRow(cell);
            g_object_unref(cell);
        }
        g_object_unref(rows);
        return true;
    }
    const int children = atspi_accessible_get_child_count(element, nullptr);
    for (int index = 0; index < children; ++index) {
        AtspiAccessible* child = atspi_accessible_get_child_at_index(element, index, nullptr);
        const bool found = printRows(child, table, depth + 1);
        if (child) g_object_unref(child);
        if (found) return true;
    }
    return false;
}

} // namespace

int main(int argc, char* argv[])
{
    const bool buttons = argc == 3 && std::strcmp(argv[2], "buttons") == 0;
    const bool rows = argc == 4 && std::strcmp(argv[2], "rows") == 0;
    if (!buttons && !rows) {
        std::fprintf(stderr, "usage: tw_accessible_names <pid> buttons | tw_accessible_names <pid> rows <table>\n");
        return 2;
    }
    const guint pid = static_cast<guint>(std::strtoul(argv[1], nullptr, 10));
    if (atspi_init() < 0) return 1;
    AtspiAccessible* desktop = atspi_get_desktop(0);
    bool found = buttons;
    const int applications = atspi_accessible_get_child_count(desktop, nullptr);
    for (int index = 0; index < applications; ++index) {
        AtspiAccessible* application = atspi_accessible_get_child_at_index(desktop, index, nullptr);
        if (!application) continue;
        if (atspi_accessible_get_process_id(application, nullptr) == pid) {
            if (buttons) printButtons(application, 0);
            else found = printRows(application, argv[3], 0) || found;
        }
        g_object_unref(application);
    }
    g_object_unref(desktop);
    return found ? 0 : 1;
}
