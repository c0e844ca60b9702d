#pragma once

// The Google Drive service joins the application when this build or the environment has a Drive
// client id; without one the cloud set-up lists no Google Drive.
void installGoogleDrive();
