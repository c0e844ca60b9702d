#pragma once

// The device link joins the application: the services start with the editor document, the PIN
// dialog has its field, and the preferences window its link status pane.
void installDeviceLink();
