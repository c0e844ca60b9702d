// The user's input around the export panel and the print dialog, under a window manager: GTK drops
// a close that comes while a dialog holds the input, the export holds the main loop, and GTK's loop
// runs on after the print dialog to the last page, which paints the open map's topics.

#include "Editor/CheckboxMenuHandler.h"
#include "Editor/ExportFormatChoice.h"
#include "Editor/MainMenu.h"
#include "Editor/OutlineOptionsChoice.h"
#include "Editor/gtk/GtkDocumentPanels.h"
#include "Editor/gtk/MainWindow.h"
#include "GtkTestSupport.h"
#include "MainWindowTestSupport.h"
#include "MindMaps/MindMapTestSupport.h"
#include "platform/UserDefaults.h"
#include "platform/gtk/GtkOpenSavePanels.h"
#include "render/gtk/MindMapPrintOperation.h"
#include "support/RecordingResponder.h"
#include "support/ScriptedFileChooser.h"
#include "support/TempDir.h"
#include "support/WindowManager.h"

#include <gtest/gtest.h>
#include <gtk/gtkunixprint.h>

#include <climits>
#include <filesystem>
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
        MindMapPrintOperation::setPrintSettings({});
        MindMapPrintOperation::setRunHold(nullptr);
        DocumentPanels::setShared(nullptr);
        if (backends) g_object_set(gtk_settings_get_default(), "gtk-print-backends", backends, nullptr);
        g_free(backends);
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
    gchar* backends = nullptr;
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

// Plays the user on both print roads: closes the window through the window manager with the dialog
// up, and presses Ctrl+W and clicks as the dialog is answered. All of it waits for the last page.
TEST_F(ExportCloseTest, ACloseKeysAndClicksDuringAPrintWaitForItsEnd)
{
    MindMap map;
    // As the program's close does, the topics go with the window.
    window->setCloseHandler([&] {
        map.clearAndDisableDiagram();
        return ++closes > 0;
    });
    installGtkDocumentPanels();
    // Only the printer that writes a file: the printing system's would ask the system's bus.
    g_object_get(gtk_settings_get_default(), "gtk-print-backends", &backends, nullptr);
    g_object_set(gtk_settings_get_default(), "gtk-print-backends", "file", nullptr);
    const std::string printed = dir.file("printed.pdf");
    Glib::RefPtr<Gtk::PrintSettings> settings = Gtk::PrintSettings::create();
    settings->set_printer("Print to File");
    settings->set(Gtk::PrintSettings::Keys::OUTPUT_URI, Glib::filename_to_uri(printed));
    MindMapPrintOperation::setPrintSettings(settings);
    OutlineOptionsChoice outline(false);
    const std::function<bool()> roads[] = {
        [&] {
            return DocumentPanels::shared().runPrintPanel(map, {600, 300}, {}, nullptr);
        },
        [&] { return DocumentPanels::shared().runOutlinePrintPanel(map, outline, nullptr); },
    };
    for (const auto& print : roads) {
        map.newMindMap("", false, std::nullopt);
        maptest::addTopic(map, maptest::addTopic(map, nullptr, Point{0, 0}, "Plans"), Point{300, 120}, "Budget");
        std::filesystem::remove(printed);
        closes = clicks = 0;
        log.clear();
        window->present();
        ASSERT_TRUE(runMainLoopUntil([&] { return window->is_active(); }));
        bool closeAsked = false, answered = false;
        const auto put = [this](GdkEventType type, guint detail) {
            GdkEvent* event = gdk_event_new(type);
            event->any.window = GDK_WINDOW(g_object_ref(window->get_window()->gobj()));
            event->any.send_event = TRUE;
            GdkSeat* seat = gdk_display_get_default_seat(gdk_display_get_default());
            if (type == GDK_KEY_PRESS) {
                event->key.keyval = detail;
                event->key.state = GDK_CONTROL_MASK;
                gdk_event_set_device(event, gdk_seat_get_keyboard(seat));
            } else if (type == GDK_BUTTON_PRESS) {
                event->button.button = detail;
                gdk_event_set_device(event, gdk_seat_get_pointer(seat));
            }
            gdk_event_put(event);
            gdk_event_free(event);
        };
        sigc::connection user = Glib::signal_timeout().connect(
            [&] {
                GtkPrintUnixDialog* dialog = nullptr;
                for (Gtk::Window* shown : Gtk::Window::list_toplevels())
                    if (GTK_IS_PRINT_UNIX_DIALOG(shown->gobj()) && shown->get_mapped())
                        dialog = GTK_PRINT_UNIX_DIALOG(shown->gobj());
                if (!dialog) return !answered;
                if (!closeAsked) {
                    closeAsked = true;
                    put(GDK_DELETE, 0);
                    return true;
                }
                GtkPrinter* printer = gtk_print_unix_dialog_get_selected_printer(dialog);
                if (GdkEvent* waiting = gdk_display_peek_event(gdk_display_get_default())) gdk_event_free(waiting);
                else if (printer && gtk_printer_is_virtual(printer)) {
                    // Queued behind the answer, they reach the loop GTK runs for the pages.
                    put(GDK_KEY_PRESS, GDK_KEY_w);
                    put(GDK_BUTTON_PRESS, 1);
                    answered = true;
                    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
                }
                return !answered;
            },
            50);
        const bool done = print();
        user.disconnect();
        ASSERT_TRUE(answered);
        EXPECT_TRUE(done);
        EXPECT_EQ(closes, 0) << "the close waits for the print";
        EXPECT_TRUE(log.empty()) << "Ctrl+W waits for the print";
        EXPECT_EQ(clicks, 0) << "the click waits for the print";
        EXPECT_TRUE(runMainLoopUntil([&] { return std::filesystem::exists(printed); }));
        EXPECT_TRUE(runMainLoopUntil([&] { return closes == 1 && log.size() == 1 && clicks == 1; }))
            << "all are carried out after the print";
    }
    window->setCloseHandler(nullptr);
}
