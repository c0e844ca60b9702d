#include "Editor/FeedbackCenter.h"
#include "Editor/gtk/TarnwickApplication.h"
#include "explorers/gtk/ExplorerWidgets.h"
#include "formats/MindMapConverter.h"
#include "formats/TwkxMindMapReader.h"
#include "layout/LayoutInstallation.h"
#include "panels/PanelsInstallation.h"
#include "render/RenderInstallation.h"
#include "store/StoreImageServices.h"

int main(int argc, char* argv[])
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
    // The window shows the local store's explorer beside the canvas.
    installExplorers();

    // Only the program that owns the store opens it; a second one hands its files over and ends.
    return TarnwickApplication::runMain(argc, argv);
}
