// The user's input around the print dialog, under a window manager: the pages are made of the open
// map's topics before the dialog, and GTK's loop runs on from the dialog to the last page. A close,
// Ctrl+W or a click meanwhile would free the topics the pages paint.

#include "Editor/CheckboxMenuHandler.h"
#include "Editor/DocumentPanels.h"
#include "Editor/MainMenu.h"
#include "Editor/OutlineOptionsChoice.h"
#include "Editor/gtk/GtkDocumentPanels.h"
#include "Editor/gtk/MainWindow.h"
#include "GtkTestSupport.h"
#include "MainWindowTestSupport.h"
#include "MindMaps/MindMapTestSupport.h"
#include "platform/UserDefaults.h"
#include "render/gtk/MindMapPrintOperation.h"
#include "support/RecordingResponder.h"
#include "support/TempDir.h"
#include "support/WindowManager.h"

#include <gtest/gtest.h>
#include <gtk/gtkunixprint.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

using namespace maptest;

namespace {

constexpr const char* FilePrinter = "Print to File";

GdkEvent* eventFor(Gtk::Window& window, GdkEventType type)
{
    GdkSeat* seat = gdk_display_get_default_seat(gdk_display_get_default());
    GdkEvent* event = gdk_event_new(type);
    event->any.window = GDK_WINDOW(g_object_ref(window.get_window()->gobj()));
    event->any.send_event = TRUE;
    if (type == GDK_KEY_PRESS) {
        event->key.keyval = GDK_KEY_w;
        event->key.state = GDK_CONTROL_MASK;
        gdk_event_set_device(event, gdk_seat_get_keyboard(seat));
    } else if (type == GDK_BUTTON_PRESS) {
        event->button.button = 1;
        gdk_event_set_device(event, gdk_seat_get_pointer(seat));
    }
    return event;
}

void put(GdkEvent* event)
{
    gdk_event_put(event);
    gdk_event_free(event);
}

class PrintCloseTest : public ::testing::Test {
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
        // As the program's close does, the map's topics go with the window.
        window->setCloseHandler([this] {
            ++closes;
            map.clearAndDisableDiagram();
            return true;
        });
        window->signal_button_press_event().connect([this](GdkEventButton*) { return ++clicks > 0; }, false);
        window->present();
        ASSERT_TRUE(runMainLoopUntil([&] { return window->is_active() && window->controller().windowLoaded(); }));
        installGtkDocumentPanels();
        // Only the printer that writes a file: the printing system's backend would ask the
        // system's bus and network for printers.
        g_object_get(gtk_settings_get_default(), "gtk-print-backends", &backends, nullptr);
        g_object_set(gtk_settings_get_default(), "gtk-print-backends", "file", nullptr);
        map.newMindMap("", false, std::nullopt);
        addTopic(map, addTopic(map, nullptr, Point{0, 0}, "Plans"), Point{300, 120}, "Budget");
        // The dialog starts on the printer that writes a file, into the test's folder.
        Glib::RefPtr<Gtk::PrintSettings> settings = Gtk::PrintSettings::create();
        settings->set_printer(FilePrinter);
        settings->set(Gtk::PrintSettings::Keys::OUTPUT_FILE_FORMAT, "pdf");
        settings->set(Gtk::PrintSettings::Keys::OUTPUT_URI, Glib::filename_to_uri(printed));
        MindMapPrintOperation::setPrintSettings(settings);
    }
    void TearDown() override
    {
        MindMapPrintOperation::setPrintSettings({});
        g_object_set(gtk_settings_get_default(), "gtk-print-backends", backends, nullptr);
        g_free(backends);
        MindMapPrintOperation::setRunHold(nullptr);
        DocumentPanels::setShared(nullptr);
        window.reset();
        MainWindow::setSidePaneFactory(nullptr);
        drainGtkEvents();
        UserDefaults::standard().resetForTesting();
    }

    std::optional<WindowManager> windowManager;
    TempDir dir;
    const std::string printed = dir.file("printed.pdf");
    MainMenu menu = MainMenu::build();
    CheckboxMenuHandler checkboxHandler{nullptr};
    CommandRouter router;
    std::vector<std::string> log;
    RecordingResponder document{"document", log};
    std::unique_ptr<MainWindow> window;
    MindMap map;
    int clicks = 0;
    int closes = 0;
    gchar* backends = nullptr;
};

} // namespace

// Plays the user on both print roads: closes the window through the window manager with the dialog
// up, and presses Ctrl+W and clicks the window as the dialog is answered. All of it is carried out
// once the last page is printed, and the pages are printed whole.
TEST_F(PrintCloseTest, ACloseKeysAndClicksDuringAPrintWaitForItsEnd)
{
    OutlineOptionsChoice outline(false);
    const struct {
        const char* road;
        std::function<bool(Error*)> print;
    } roads[] = {
        {"Print",
         [&](Error* error) {
             return DocumentPanels::shared().runPrintPanel(map, {600, 300}, {}, error);
         }},
        {"Print Outline",
         [&](Error* error) { return DocumentPanels::shared().runOutlinePrintPanel(map, outline, error); }},
    };
    for (const auto& road : roads) {
        SCOPED_TRACE(road.road);
        std::filesystem::remove(printed);
        closes = clicks = 0;
        log.clear();
        if (!window->get_visible()) window->present();
        ASSERT_TRUE(runMainLoopUntil([&] { return window->is_active(); }));
        bool closeAsked = false, answered = false;
        sigc::connection user = Glib::signal_timeout().connect(
            [&] {
                GtkWidget* dialog = nullptr;
                for (Gtk::Window* shown : Gtk::Window::list_toplevels())
                    if (GTK_IS_PRINT_UNIX_DIALOG(shown->gobj()) && shown->get_mapped())
                        dialog = GTK_WIDGET(shown->gobj());
                if (!dialog) return !answered;
                if (!closeAsked) {
                    closeAsked = true;
                    put(eventFor(*window, GDK_DELETE));
                    return true;
                }
                GtkPrinter* printer = gtk_print_unix_dialog_get_selected_printer(GTK_PRINT_UNIX_DIALOG(dialog));
                if (GdkEvent* waiting = gdk_display_peek_event(gdk_display_get_default())) {
                    gdk_event_free(waiting);
                    return true;
                }
                if (!printer || gtk_printer_get_name(printer) != std::string(FilePrinter)) return true;
                // Queued behind the answer, they reach the main loop GTK runs for the pages.
                put(eventFor(*window, GDK_KEY_PRESS));
                put(eventFor(*window, GDK_BUTTON_PRESS));
                answered = true;
                gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
                return false;
            },
            50);
        Error error;
        const bool done = road.print(&error);
        user.disconnect();
        ASSERT_TRUE(answered);
        EXPECT_TRUE(done) << error.failureReason;
        EXPECT_EQ(closes, 0) << "the close waits for the print";
        EXPECT_TRUE(log.empty()) << "Ctrl+W waits for the print";
        EXPECT_EQ(clicks, 0) << "the click waits for the print";
        EXPECT_TRUE(runMainLoopUntil([&] { return std::filesystem::exists(printed); })) << "the print is written";
        EXPECT_TRUE(runMainLoopUntil([&] { return closes == 1 && log.size() == 1 && clicks == 1; }))
            << "all are carried out after the print";
        map.newMindMap("", false, std::nullopt);
        addTopic(map, addTopic(map, nullptr, Point{0, 0}, "Plans"), Point{300, 120}, "Budget");
    }
}
