// Prints what a screen reader reads of one process's windows, for the whole-program scripts:
//   tw_accessible_names <pid> buttons       every button, "<role>\t<name>" a line, shown or not
//   tw_accessible_names <pid> rows <table>  each row of that table, "<level>\t<fold>\t<name>"
// where fold is "expanded", "collapsed" or "-" and level the row's "level" attribute or "-".
#include "AccessibleTree.h"

#include <cstdio>
#include <cstring>

using namespace accessibletree;

namespace {

bool isTable(AtspiRole role)
{
    return role == ATSPI_ROLE_TABLE || role == ATSPI_ROLE_TREE_TABLE;
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

} // namespace

int main(int argc, char* argv[])
{
    if (argc == 3 && std::strcmp(argv[2], "buttons") == 0) {
        return walkProcess(argv[1], [](AtspiAccessible* element) {
                   const AtspiRole role = atspi_accessible_get_role(element, nullptr);
                   const char* kind = role == ATSPI_ROLE_PUSH_BUTTON ? "push"
                       : role == ATSPI_ROLE_TOGGLE_BUTTON            ? "toggle"
                       : role == ATSPI_ROLE_RADIO_BUTTON             ? "radio"
                                                                     : nullptr;
                   if (kind) std::printf("%s\t%s\n", kind, nameOf(element).c_str());
                   // A table's cells are no buttons, and a map's outline may have thousands.
                   return isTable(role) ? Next::Skip : Next::Descend;
               }) < 0;
    }
    if (argc == 4 && std::strcmp(argv[2], "rows") == 0) {
        const std::string table = argv[3];
        return walkProcess(argv[1], [&table](AtspiAccessible* element) {
                   if (!isTable(atspi_accessible_get_role(element, nullptr)) || nameOf(element) != table)
                       return Next::Descend;
                   AtspiTable* rows = atspi_accessible_get_table_iface(element);
                   if (!rows) return Next::Skip;
                   const int count = atspi_table_get_n_rows(rows, nullptr);
                   for (int row = 0; row < count; ++row) {
                       if (AtspiAccessible* cell = atspi_table_get_accessible_at(rows, row, 0, nullptr)) {
                           printRow(cell);
                           g_object_unref(cell);
                       }
                   }
                   g_object_unref(rows);
                   return Next::Stop;
               }) != 1;
    }
    std::fprintf(stderr, "usage: tw_accessible_names <pid> buttons | tw_accessible_names <pid> rows <table>\n");
    return 2;
}
