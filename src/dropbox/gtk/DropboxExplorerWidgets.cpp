#include "dropbox/gtk/DropboxExplorerWidgets.h"

#include "dropbox/DropboxExplorer.h"
#include "dropbox/DropboxService.h"
#include "dropbox/DropboxSettings.h"
#include "explorers/gtk/CloudSidePaneTab.h"
#include "store/MindMapProvider.h"

void installDropboxExplorer()
{
    // Without an app key there is no Dropbox to show.
    if (DropboxSettings::appKey().empty()) return;
    installCloudExplorer<DropboxExplorer>(MindMapProviderDropbox, [] {
        return CloudSidePaneTabTraits{"dropbox_white_16",
                                      DropboxProvider::ProviderId,
                                      [] {
                                          Dropbox* dropbox = Dropbox::instance();
                                          return dropbox && dropbox->isAuthorized();
                                      },
                                      {Dropbox::StateChangeNotification}};
    });
}
