#pragma once

// Puts the GTK alert panel, file chooser, URI launcher and clipboard in place of the headless
// stand-ins. Called once by the application after GTK has started; they stay until the process
// ends.
void installGtkDesktopPorts();
