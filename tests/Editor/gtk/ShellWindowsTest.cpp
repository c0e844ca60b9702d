#include "Editor/CommandRouter.h"
#include "Editor/FeedbackCenter.h"
#include "Editor/MainMenu.h"
#include "Editor/TerminationWindowController.h"
#include "Editor/gtk/MainWindow.h"
#include "Editor/gtk/TerminationWindow.h"
#include "GtkTestSupport.h"
#include "platform/Localizer.h"
#include "support/ScriptedAlertPanel.h"

#include <gtest/gtest.h>

namespace {

class WaitingProcess : public TerminationProcess {
public:
    explicit WaitingProcess(std::string title) : TerminationProcess(std::move(title), "") {}
    void run() override {}
};

void runMainLoopFor(int milliseconds)
{
    bool done = false;
    auto timer = Glib::signal_timeout().connect(
        [&] {
            done = true;
            return false;
        },
        milliseconds);
    while (!done) Gtk::Main::iteration(true);
}

} // namespace

// The shutting-down window stands over the main window without a way to cancel, shows each
// process's step, and goes with the last process; the main loop runs on all the while.
TEST(ShellWindowsTest, TheShuttingDownWindowListsTheProcessesAndClosesWhenTheyEnd)
{
    initGtkForTests();
    Gtk::Window parent;
    parent.set_default_size(400, 300);
    parent.show();
    int parentDraws = 0;
    parent.signal_draw().connect([&](const Cairo::RefPtr<Cairo::Context>&) {
        ++parentDraws;
        return false;
    });

    WaitingProcess upload("Uploading to Dropbox");
    WaitingProcess cleanup("Removing unused images");
    TerminationWindowController controller({&upload, &cleanup});
    TerminationWindow window(controller, &parent);
    bool closed = false;
    window.setClosedHandler([&] { closed = true; });
    drainGtkEvents();

    EXPECT_TRUE(window.get_visible());
    EXPECT_TRUE(window.get_modal());
    EXPECT_FALSE(window.get_deletable()) << "no way to cancel the quit";
    EXPECT_EQ(window.get_transient_for(), &parent);
    EXPECT_EQ(window.get_title(), "Shutting Down");
    EXPECT_EQ(window.rowTexts(), (std::vector<std::string>{"Uploading to Dropbox", "Removing unused images"}));

    // The window manager's close does not end the quit.
    window.close();
    drainGtkEvents();
    EXPECT_TRUE(window.get_visible());

    parent.queue_draw();
    runMainLoopFor(100);
    EXPECT_GT(parentDraws, 0) << "the main window still draws";

    upload.setAction("Uploading \"Plans\"");
    cleanup.setCompleted();
    controller.processesChanged({&upload});
    EXPECT_EQ(window.rowTexts(), (std::vector<std::string>{"Uploading \"Plans\""}));
    EXPECT_FALSE(closed);

    upload.setCompleted();
    controller.processesChanged({});
    drainGtkEvents();
    EXPECT_TRUE(closed);
    EXPECT_FALSE(window.get_visible());
}

TEST(ShellWindowsTest, TheWindowShowsEditorNotificationsOverTheCanvasAndErrorsAsAlerts)
{
    initGtkForTests();
    CommandRouter router;
    MainMenu menu = MainMenu::build();
    MainWindow window(menu, router);
    drainGtkEvents();
    EXPECT_FALSE(window.notificationBar().notificationWidget().get_visible());

    // What a start shows when the map it should reopen is gone.
    FeedbackCenter::feedbackCenter().showEditorMessage(localized("map_list_map_not_found"), 1);
    drainGtkEvents();
    EXPECT_TRUE(window.notificationBar().notificationWidget().get_visible());
    EXPECT_EQ(window.notificationBar().messageLabel().get_text(), "The mind map could not be found.");
    window.notificationPresenter().dismiss();
    EXPECT_FALSE(window.notificationBar().notificationWidget().get_visible());

    ScriptedAlertPanel alerts;
    window.presentError(MakeAppError(3, "The map could not be saved.", "The disk is full."));
    ASSERT_EQ(alerts.requests.size(), 1u);
    EXPECT_EQ(alerts.requests[0].messageText, "The map could not be saved.");
    EXPECT_EQ(alerts.requests[0].informativeText, "The disk is full.");
}
