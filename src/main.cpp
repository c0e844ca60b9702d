#include "Editor/FeedbackCenter.h"
#include "Editor/gtk/MailOptionsView.h"
#include "Editor/gtk/TarnwickApplication.h"
#include "Editor/gtk/TopicLinkDialogs.h"
#include "GoogleDrive/GDriveInstallation.h"
#include "GoogleDrive/gtk/GDriveExplorerWidgets.h"
#include "dropbox/DropboxInstallation.h"
#include "dropbox/gtk/DropboxExplorerWidgets.h"
#include "editor-view/gtk/GtkSpellingPanel.h"
#include "editor-view/gtk/ImagePreviewWindow.h"
#include "explorers/gtk/ExplorerWidgets.h"
#include "formats/MindMapConverter.h"
#include "formats/TwkxMindMapReader.h"
#include "layout/LayoutInstallation.h"
#include "link/gtk/DeviceLinkInstallation.h"
#include "panels/PanelsInstallation.h"
#include "panels/gtk/CustomStyleEditorWindow.h"
#include "panels/gtk/EmbeddedNotePanel.h"
#include "panels/gtk/IconPickerView.h"
#include "panels/gtk/ImageLinkDialog.h"
#include "panels/gtk/OutlinerView.h"
#include "panels/gtk/PdfWindows.h"
#include "panels/gtk/PropertyDialogs.h"
#include "panels/gtk/StylePresetsBrowserWindow.h"
#include "panels/gtk/URLLinkDialog.h"
#include "preferences/gtk/PreferencesInstallation.h"
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
    installPropertyDialogs();
    installImageLinkDialog();
    installEmbeddedNotePanel();
    installStylePresetsBrowser();
    installCustomStyleEditor();
    installIconPicker();
    installOutliner();
    // The window shows the local store's explorer beside the canvas.
    installExplorers();
    // "Check Mind Map Now" checks with the desktop's dictionary in gspell's dialog.
    installSpelling();
    // "Mail Mind Map" asks in a dialog of its own and hands the files to the mail program.
    installMailServices();
    // Links typed by the user and exports to a cloud ask in dialogs of their own.
    installTopicLinkDialogs();
    installURLLinkDialog();
    // Followed PDF page links open in the application's own viewer, one window a file.
    installPdfWindows();
    // A topic's picture opens at its actual size in a small window of its own.
    installImagePreviewWindows();
    // Mobile apps on the local network pair by PIN and reach the store once the editor shows.
    installDeviceLink();
    // Dropbox is offered when the build or the environment has its app key.
    installDropbox();
    // Its pane in the side bar and in the pick browsers, shown while it is connected.
    installDropboxExplorer();
    // Google Drive is offered when the build or the environment has its client id.
    installGoogleDrive();
    // Its pane in the side bar and in the pick browsers, shown while it is connected.
    installGoogleDriveExplorer();
    // One preferences window with its six panes, made the first time it is asked for.
    installPreferences();

    // Only the program that owns the store opens it; a second one hands its files over and ends.
    return TarnwickApplication::runMain(argc, argv);
}
