#pragma once

#include <string>

namespace Gtk {
class MenuItem;
}
class SegmentedControlItem;

// A segment of a control that has no room on its bar, as an entry of the bar's overflow menu.

// What the segment says of itself in a menu: its label, else its tool tip without the key the tool
// tip names after two blanks.
std::string segmentEntryTitle(SegmentedControlItem& item, size_t index);
// Makes the entry do what a click on the segment does, enabled as the segment is: open the
// segment's own menu, as a submenu filled and validated as it opens, or send its action.
void actAsSegment(Gtk::MenuItem& entry, SegmentedControlItem& item, size_t index);
