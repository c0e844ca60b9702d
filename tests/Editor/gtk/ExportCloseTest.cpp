// A close of the main window asked for while the export panel is up, under a window manager as on
// a desktop: GTK drops a close that comes while a dialog holds the input, and an export holds the
// main loop once the panel is answered.

#include "Editor/CheckboxMenuHandler.h"
#include "Editor/ExportFormatChoice.h"
#include "Editor/MainMenu.h"
#include "Editor/gtk/GtkDocumentPanels.h"
#include "Editor/gtk/MainWindow.h"
#include "GtkTestSupport.h"
#include "MainWindowTestSupport.h"
#include "platform/UserDefaults.h"
#include "platform/gtk/GtkOpenSavePanels.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"
#include "support/WindowManager.h"

#include <gtest/gtest.h>

namespace {

Gtk::FileChooserDialog* shownFileChooser()
{
    for (Gtk::Window* window : Gtk::Window::list_toplevels())
        if (auto* dialog = dynamic_cast<Gtk::FileChooserDialog*>(window); dialog && dialog->get_mapped()) return dialog;
    return nullptr;
}

} // namespace

TEST(ExportCloseTest, ACloseWhileThePanelIsUpWaitsForTheExportAndThePanelGoesBeforeIt)
{
    initGtkForTests();
    WindowManager windowManager;
    ASSERT_EQ("", windowManager.failure());
    TempDir dir;
    ScopedEnvironment config("XDG_CONFIG_HOME", dir.file("config"));
    UserDefaults::standard().resetForTesting();
    MainWindow::setSidePaneFactory([](MainWindow&) { return std::make_unique<LabelSidePane>(); });
    MainMenu menu = MainMenu::build();
    CheckboxMenuHandler checkboxHandler{nullptr};
    prepareMainMenu(menu, checkboxHandler, "Tarnwick");
    CommandRouter router;
    auto window = std::make_unique<MainWindow>(menu, router);
    int closes = 0;
    window->setCloseHandler([&closes] { return ++closes > 0; });
    window->present();
    ASSERT_TRUE(runMainLoopUntil([&] { return window->get_mapped() && window->controller().windowLoaded(); }));

    int paints = 0;
    GdkFrameClock* clock = gtk_widget_get_frame_clock(GTK_WIDGET(window->gobj()));
    const gulong painted =
        g_signal_connect_swapped(clock, "after-paint", G_CALLBACK(+[](int* count) { ++*count; }), &paints);
    GtkOpenSavePanels savePanels;
    FileChooser::setShared(&savePanels);
    // Plays the user: with the panel up, closes the main window, and once that close has been
    // handed on, answers the panel until it goes.
    bool closeAsked = false;
    int paintsAtHide = -1;
    sigc::connection user = Glib::signal_timeout().connect(
        [&] {
            Gtk::FileChooserDialog* dialog = shownFileChooser();
            if (!dialog) return !closeAsked;
            if (!closeAsked) {
                closeAsked = true;
                dialog->signal_unmap().connect([&] { paintsAtHide = paints; });
                GdkEvent* close = gdk_event_new(GDK_DELETE);
                close->any.window = GDK_WINDOW(g_object_ref(window->get_window()->gobj()));
                close->any.send_event = TRUE;
                gdk_event_put(close);
                gdk_event_free(close);
                return true;
            }
            if (GdkEvent* waiting = gdk_display_peek_event(gdk_display_get_default())) {
                gdk_event_free(waiting);
                return true;
            }
            dialog->response(Gtk::RESPONSE_ACCEPT);
            return true;
        },
        50);
    GtkDocumentPanels panels;
    ExportFormatChoice choice(Size{900, 300}, Size{});
    const std::optional<std::string> path = panels.runExportPanel({"Export", "Plans", dir.path()}, choice);
    user.disconnect();
    // Here the export would run, holding the main loop.
    ASSERT_TRUE(path);
    EXPECT_TRUE(closeAsked);
    EXPECT_EQ(closes, 0) << "the close waits for the export";
    EXPECT_GE(paintsAtHide, 0);
    EXPECT_GT(paints, paintsAtHide) << "the window painted where the panel was before the export";
    EXPECT_TRUE(runMainLoopUntil([&] { return closes == 1; })) << "the close is carried out after the export";
    g_signal_handler_disconnect(clock, painted);
    FileChooser::setShared(nullptr);
    window.reset();
    MainWindow::setSidePaneFactory(nullptr);
    drainGtkEvents();
    UserDefaults::standard().resetForTesting();
}
