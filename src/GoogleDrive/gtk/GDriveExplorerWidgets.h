#pragma once

// The Google Drive pane of the application: the side bar's Drive tab (shown while Drive is
// connected), the pane's widgets, the Drive choice of the pick browsers and the file name dialog.
void installGoogleDriveExplorer();
