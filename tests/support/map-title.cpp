// Prints the name of every named canvas in the windows of one process, one a line: the main
// window keeps the program's name and names its canvas after the map it shows. Whole-program
// scripts use it to see which map is open.
//   tw_map_title <pid>
#include "AccessibleTree.h"

#include <cstdio>

using namespace accessibletree;

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: tw_map_title <pid>\n");
        return 2;
    }
    return walkProcess(argv[1], [](AtspiAccessible* element) {
               if (atspi_accessible_get_role(element, nullptr) != ATSPI_ROLE_DRAWING_AREA) return Next::Descend;
               if (const std::string name = nameOf(element); !name.empty()) std::printf("%s\n", name.c_str());
               return Next::Skip;
           }) < 0;
}
