#pragma once

// The device link joins the application: the services start with the editor document, the PIN
// dialog has its field, and the preferences window its link status pane.
void installDeviceLink();

// Set to "off", the program runs without a link: no listening socket and no announcement. The
// test runs of the whole program set it, all but the one confined to a private network.
inline constexpr const char* DeviceLinkVariable = "TARNWICK_DEVICE_LINK";
