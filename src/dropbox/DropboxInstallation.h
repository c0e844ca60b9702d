#pragma once

// The Dropbox service joins the application when this build or the environment has an app key;
// without one the cloud set-up lists no Dropbox.
void installDropbox();
