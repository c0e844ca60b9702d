// The user's input around the export panel, under a window manager: GTK drops a close that comes
// while a dialog holds the input, and the export holds the main loop.

#include "Editor/CheckboxMenuHandler.h"
#include "Editor/ExportFormatChoice.h"
#include "Editor/MainMenu.h"
#include "Editor/gtk/GtkDocumentPanels.h"
#include "Editor/gtk/MainWindow.h"
#include "GtkTestSupport.h"
#include "MainWindowTestSupport.h"
#include "platform/UserDefaults.h"
#include "platform/gtk/GtkOpenSavePanels.h"
#include "support/RecordingResponder.h"
#include "support/ScriptedFileChooser.h"
#include "support/TempDir.h"
#include "support/WindowManager.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>
#include <vector>

namespace {

class ExportCloseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        initGtkForTests();
        windowManager.emplace();
        ASSERT_EQ("", windowManager->failure());
        UserDefaults::standard().resetForTesting();
        MainWindow::setSidePaneFactory([](MainWindow&) { return std::make_unique<LabelSidePane>(); });
        prepareMainMenu(menu, checkboxHandler, "Tarnwick");
        document.handle("closeDocument:");
        router.setResponderChain([this] { return std::vector<Responder*>{&document}; });
        window = std::make_unique<MainWindow>(menu, router);
        window->setCloseHandler([this] { return ++closes > 0; });
        window->signal_button_press_event().connect([this](GdkEventButton*) { return ++clicks > 0; }, false);
        window->present();
        ASSERT_TRUE(runMainLoopUntil([&] { return window->is_active() && window->controller().windowLoaded(); }));
    }
    void TearDown() override
    {
        FileChooser::setShared(nullptr);
        window.reset();
        MainWindow::setSidePaneFactory(nullptr);
        drainGtkEvents();
        UserDefaults::standard().resetForTesting();
    }
    std::optional<std::string> runExportPanel()
    {
        ExportFormatChoice choice(Size{900, 300}, Size{});
        return GtkDocumentPanels().runExportPanel({"Export", "Plans", dir.path()}, choice);
    }

    std::optional<WindowManager> windowManager;
    TempDir dir;
    MainMenu menu = MainMenu::build();
    CheckboxMenuHandler checkboxHandler{nullptr};
    CommandRouter router;
    std::vector<std::string> log;
    RecordingResponder document{"document", log};
    std::unique_ptr<MainWindow> window;
    int clicks = 0;
    int closes = 0;
};

} // namespace

TEST_F(ExportCloseTest, ACloseWhileThePanelIsUpWaitsForTheExportAndThePanelGoesBeforeIt)
{
    int paints = 0, paintsAtHide = INT_MAX;
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
    const std::optional<std::string> path = runExportPanel();
    user.disconnect();
    // Here the export would run, holding the main loop.
    ASSERT_TRUE(path);
    EXPECT_EQ(closes, 0) << "the close waits for the export";
    EXPECT_GT(paints, paintsAtHide) << "the window painted where the panel was before the export";
    EXPECT_TRUE(runMainLoopUntil([&] { return closes == 1; })) << "the close is carried out after the export";
    g_signal_handler_disconnect(clock, painted);
}

// Ctrl+W or a click (in the side bar, say) in the moment after the panel was answered waits for the
// export, which takes the open map only then: acted on at once, they would close the map or open
// another, and the export would write that under the chosen name.
TEST_F(ExportCloseTest, KeysAndClicksRightAfterTheAnswerWaitForTheExport)
{
    GdkSeat* seat = gdk_display_get_default_seat(gdk_display_get_default());
    GdkEvent* closeKey = gdk_event_new(GDK_KEY_PRESS);
    closeKey->key.window = GDK_WINDOW(g_object_ref(window->get_window()->gobj()));
    closeKey->key.keyval = GDK_KEY_w;
    closeKey->key.state = GDK_CONTROL_MASK;
    gdk_event_set_device(closeKey, gdk_seat_get_keyboard(seat));
    GdkEvent* click = gdk_event_new(GDK_BUTTON_PRESS);
    click->button.window = GDK_WINDOW(g_object_ref(window->get_window()->gobj()));
    click->button.button = 1;
    gdk_event_set_device(click, gdk_seat_get_pointer(seat));
    // Queued behind the panel's answer, which comes at once.
    for (GdkEvent* event : {closeKey, click}) {
        gdk_event_put(event);
        gdk_event_free(event);
    }
    ScriptedFileChooser chooser;
    chooser.saveAnswer = dir.file("Plans.pdf");
    ASSERT_TRUE(runExportPanel());
    // Here the export would take the open map.
    EXPECT_TRUE(log.empty()) << "Ctrl+W waits for the export";
    EXPECT_EQ(clicks, 0) << "the click waits for the export";
    EXPECT_TRUE(runMainLoopUntil([&] { return log.size() == 1 && clicks == 1; })) << "both are carried out after it";
}
