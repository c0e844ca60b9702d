#pragma once

// The preferences window with its panes becomes the one the application shows.
void installPreferences();
