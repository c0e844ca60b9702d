#include "Editor/FeedbackCenter.h"
#include "formats/MindMapConverter.h"
#include "formats/TwkxMindMapReader.h"
#include "layout/LayoutInstallation.h"
#include "panels/PanelsInstallation.h"
#include "render/RenderInstallation.h"
#include "store/MindMapStore.h"
#include "store/StoreImageServices.h"

#include <cstdio>

int main()
{
    // The libraries below the shell reach its services and the store's through these.
    FeedbackCenter::installAsFeedbackSink();
    StoreImageServices::install();
    // Every format a document, the clipboard or an import may be in is known before the store
    // reads its first map.
    registerNativeFormat();
    registerForeignFormats();
    // The model lays out, draws and opens its panels through the libraries above it.
    installLayout();
    installRendering();
    installPanels();

    MindMapStore* store = MindMapStore::mindMapStoreInstance();
    if (!store) {
        std::fprintf(stderr, "Tarnwick: the map store could not be opened.\n");
        return 1;
    }
    std::printf("Tarnwick: %zu maps in %s; the application window is not there yet.\n", store->mindMaps().size(),
                MindMapStore::tarnWickStoreRootPath().c_str());
    MindMapStore::releaseMindMapStoreInstance();
    return 0;
}
