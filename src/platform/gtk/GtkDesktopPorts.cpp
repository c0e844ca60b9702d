#include "platform/gtk/GtkDesktopPorts.h"

#include "platform/gtk/BoundedEntry.h"
#include "platform/gtk/FileChooserPaste.h"
#include "platform/gtk/GtkAlertPanel.h"
#include "platform/gtk/GtkOpenSavePanels.h"
#include "platform/gtk/GtkPasteboard.h"
#include "platform/gtk/GtkUriLauncher.h"

void installGtkDesktopPorts()
{
    static GtkAlertPanel alertPanel;
    static GtkOpenSavePanels fileChooser;
    static GtkUriLauncher uriLauncher;
    AlertPanel::setShared(&alertPanel);
    FileChooser::setShared(&fileChooser);
    UriLauncher::setShared(&uriLauncher);
    Pasteboard::setGeneralPasteboard(std::make_shared<GtkPasteboard>());
    takeFileChooserPastes();
    boundEveryEntry();
}
