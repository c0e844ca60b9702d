#pragma once

// Puts the GTK alert panel, file chooser, URI launcher and clipboard in place of the headless
// stand-ins, and bounds the text GTK's own entries and choosers take from the clipboard. Called
// once by the application after GTK has started; they stay until the process ends.
void installGtkDesktopPorts();
