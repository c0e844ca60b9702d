#pragma once

// The Dropbox pane of the application: the side bar's Dropbox tab (shown while Dropbox is
// connected), the pane's widgets, the Dropbox choice of the pick browsers and the file name dialog.
void installDropboxExplorer();
