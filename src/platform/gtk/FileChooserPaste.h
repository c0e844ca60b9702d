#pragma once

// Ctrl+V in a file chooser's list opens its location field with the text on the clipboard. GTK
// asks the clipboard for it holding no reference to the chooser, and a chooser closed before the
// clipboard's owner answers is freed: the answer then reached freed memory and ended the program.
// From this call on, that key of every file chooser (ours and those GTK opens itself, as from a
// print dialog) asks through the general pasteboard for as long as the chooser shows, and a chooser
// that has left the screen takes no late answer. The text is bounded as a path. Idempotent.
void takeFileChooserPastes();
