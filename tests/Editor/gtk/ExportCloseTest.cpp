// A close of the main window while the export panel is up, under a window manager: GTK drops a
// close that comes while a dialog holds the input, and the export holds the main loop.

#include "Editor/CheckboxMenuHandler.h"
#include "Editor/ExportFormatChoice.h"
#include "Editor/MainMenu.h"
#include "Editor/gtk/GtkDocumentPanels.h"
#include "Editor/gtk/MainWindow.h"
#include "GtkTestSupport.h"
#include "MainWindowTestSupport.h"
#include "platform/UserDefaults.h"
#include "platform/gtk/GtkOpenSavePanels.h"
#include "support/TempDir.h"
#include "support/WindowManager.h"

#include <gtest/gtest.h>

#include <climits>

TEST(ExportCloseTest, ACloseWhileThePanelIsUpWaitsForTheExportAndThePanelGoesBeforeIt)
{
    initGtkForTests();
    WindowManager windowManager;
    ASSERT_EQ("", windowManager.failure());
    TempDir dir;
    UserDefaults::standard().resetForTesting();
    MainWindow::setSidePaneFactory([](MainWindow&) { return std::make_unique<LabelSidePane>(); });
    MainMenu menu = MainMenu::build();
    CheckboxMenuHandler checkboxHandler{nullptr};
    prepareMainMenu(menu, checkboxHandler, "Tarnwick");
    CommandRouter router;
    auto window = std::make_unique<MainWindow>(menu, router);
    int closes = 0, paints = 0, paintsAtHide = INT_MAX;
    window->setCloseHandler([&closes] { return ++closes > 0; });
    window->present();
    ASSERT_TRUE(runMainLoopUntil([&] { return window->get_mapped() && window->controller().windowLoaded(); }));
    GdkFrameClock* clock = gtk_widget_get_frame_clock(GTK_WIDGET(window->gobj()));
    const gulong painted =
        g_signal_connect_swapped(clock, "after-paint", G_CALLBACK(+[](int* count) { ++*count; }), &paints);
    GtkOpenSavePanels savePanels;
    FileChooser::setShared(&savePanels);
    // Plays the user: closes the window with the panel up, then answers the panel once GTK has
    // taken the close.
    bool closeAsked = false;
    sigc::connection user = Glib::signal_timeout().connect(
        [&] {
            Gtk::FileChooserDialog* dialog = nullptr;
            for (Gtk::Window* shown : Gtk::Window::list_toplevels())
                if (auto* chooser = dynamic_cast<Gtk::FileChooserDialog*>(shown); chooser && chooser->get_mapped())
                    dialog = chooser;
            if (!dialog) return !closeAsked;
            if (!closeAsked) {
                closeAsked = true;
                dialog->signal_unmap().connect([&] { paintsAtHide = paints; });
                GdkEvent* close = gdk_event_new(GDK_DELETE);
                close->any.window = GDK_WINDOW(g_object_ref(window->get_window()->gobj()));
                close->any.send_event = TRUE;
                gdk_event_put(close);
                gdk_event_free(close);
            } else if (GdkEvent* waiting = gdk_display_peek_event(gdk_display_get_default())) {
                gdk_event_free(waiting);
            } else {
                dialog->response(Gtk::RESPONSE_ACCEPT);
            }
            return true;
        },
        50);
    ExportFormatChoice choice(Size{900, 300}, Size{});
    const std::optional<std::string> path = GtkDocumentPanels().runExportPanel({"Export", "Plans", dir.path()}, choice);
    user.disconnect();
    // Here the export would run, holding the main loop.
    ASSERT_TRUE(path);
    EXPECT_EQ(closes, 0) << "the close waits for the export";
    EXPECT_GT(paints, paintsAtHide) << "the window painted where the panel was before the export";
    EXPECT_TRUE(runMainLoopUntil([&] { return closes == 1; })) << "the close is carried out after the export";
    g_signal_handler_disconnect(clock, painted);
    FileChooser::setShared(nullptr);
    window.reset();
    MainWindow::setSidePaneFactory(nullptr);
    drainGtkEvents();
    UserDefaults::standard().resetForTesting();
}
