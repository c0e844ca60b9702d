#include "GoogleDrive/gtk/GDriveExplorerWidgets.h"

#include "GoogleDrive/GDriveExplorer.h"
#include "GoogleDrive/GDriveProvider.h"
#include "GoogleDrive/GDriveSettings.h"
#include "explorers/gtk/CloudSidePaneTab.h"
#include "store/MindMapProvider.h"

void installGoogleDriveExplorer()
{
    // Without a client id there is no Drive to show.
    if (!GDriveSettings::isAvailable()) return;
    installCloudExplorer<GDriveExplorer>(MindMapProviderGoogleDrive, [] {
        return CloudSidePaneTabTraits{"gdrive_white_16", GDriveProvider::ProviderId,
                                      [] {
                                          GDriveExplorerService* drive = GDriveExplorer::currentService();
                                          return drive && drive->isAuthorized();
                                      },
                                      GDriveExplorer::connectionChangeNotifications()};
    });
}
