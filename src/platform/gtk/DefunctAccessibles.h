#pragma once

// Once its widget is gone, GTK's accessible of a window, a button, a label, an entry, a check or
// radio menu item or an expander answers no states at all, where every other accessible answers
// "defunct"; a popover's asks the gone popover whether it is modal, and a window's looks its
// children and type up in the gone window; a notebook page's accessible, asked while its page
// leaves the notebook, looks its tab up in a notebook that no longer has it. A screen reader may
// still hold such an object for a while (the accessibility bus lends each object it hands out for
// some seconds, and lends it again at every query), and the bus then asks it for its states and
// logs criticals for each. A popup menu, whose items and window go at every use, leaves dozens of
// them; a closed dialog or alert, its window, labels, buttons and pages. From this call on, those
// accessibles answer as gone instead. Idempotent.
void answerStatesOfDefunctAccessibles();
