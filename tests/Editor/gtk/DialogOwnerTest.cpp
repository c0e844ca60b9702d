// Dialogs under a window manager, as on a desktop: a question belongs to the window that asked for
// it, and shows above that window instead of beneath another one of the program.

#include "GtkTestSupport.h"
#include "platform/gtk/GtkAlertPanel.h"
#include "platform/gtk/GtkModalRun.h"
#include "support/WindowManager.h"

#include <gtest/gtest.h>

namespace {

// Where the window manager stacks the window among the shown ones, counted from the bottom; -1
// while it does not list it.
int stackIndex(Gtk::Window& window)
{
    GList* stack = gdk_screen_get_window_stack(gdk_screen_get_default());
    int index = -1, at = 0;
    for (GList* entry = stack; entry; entry = entry->next, ++at) {
        if (window.get_window() && entry->data == window.get_window()->gobj()) index = at;
    }
    g_list_free_full(stack, g_object_unref);
    return index;
}

Gtk::Dialog* shownDialog()
{
    Gtk::Dialog* found = nullptr;
    for (Gtk::Window* window : Gtk::Window::list_toplevels()) {
        if (auto* dialog = dynamic_cast<Gtk::Dialog*>(window); dialog && dialog->get_mapped()) found = dialog;
    }
    return found;
}

// What the user sees of a dialog once the window manager has placed it, read before it is
// answered.
struct ShownDialog {
    Gtk::Window* transientFor = nullptr;
    bool aboveOwner = false;
    bool ownerAboveOther = false;
};

// Plays the user: once the window manager stacks the dialog above the expected owner (or a limit
// passes), notes what shows and answers it.
void answerWhenStacked(Gtk::Window& owner, Gtk::Window& other, ShownDialog& seen)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    Glib::signal_timeout().connect(
        [&owner, &other, &seen, end] {
            Gtk::Dialog* dialog = shownDialog();
            if (!dialog) return true;
            const int at = stackIndex(*dialog);
            seen.aboveOwner = at >= 0 && at > stackIndex(owner);
            seen.ownerAboveOther = stackIndex(owner) > stackIndex(other);
            if (!(seen.aboveOwner && seen.ownerAboveOther) && std::chrono::steady_clock::now() < end) return true;
            seen.transientFor = dialog->get_transient_for();
            dialog->response(Gtk::RESPONSE_CANCEL);
            return false;
        },
        10);
}

} // namespace

TEST(DialogOwnerTest, ADialogIsTransientForAndStackedAboveTheWindowThatAskedForIt)
{
    initGtkForTests();
    WindowManager windowManager;
    ASSERT_EQ("", windowManager.failure());
    ASSERT_TRUE(windowManagerReady());
    // As in the program, only the main window is the application's; the other stands for the
    // preferences or the style editor, a window of its own.
    Glib::RefPtr<Gtk::Application> application =
        Gtk::Application::create("org.tarnwick.tests.dialogowner", Gio::APPLICATION_NON_UNIQUE);
    ASSERT_TRUE(application->register_application());
    Gtk::Window main, second;
    Gtk::Button mainButton("Main"), secondButton("Second");
    main.add(mainButton);
    second.add(secondButton);
    main.set_default_size(400, 300);
    second.set_default_size(300, 200);
    application->add_window(main);
    main.show_all();
    second.show_all();

    enum Which { Main, Second, Nothing };
    struct Case {
        const char* what;
        Which active;
        Which asker;
        Which owner;
    };
    const Case cases[] = {
        {"an alert while the second window is the active one", Second, Nothing, Second},
        {"an alert while the main window is the active one", Main, Nothing, Main},
        {"a question a button of the second window asks while it is behind", Main, Second, Second},
        {"a question a button of the main window asks while it is behind", Second, Main, Main},
    };
    const auto window = [&](Which which) -> Gtk::Window& { return which == Main ? main : second; };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Gtk::Window& active = window(c.active);
        Gtk::Window& behind = window(c.active == Main ? Second : Main);
        active.present();
        ASSERT_TRUE(runMainLoopUntil([&] { return active.is_active() && stackIndex(active) > stackIndex(behind); }));

        Gtk::Window& owner = window(c.owner);
        ShownDialog seen;
        answerWhenStacked(owner, window(c.owner == Main ? Second : Main), seen);
        if (c.asker == Nothing) {
            GtkAlertPanel panel;
            AlertPanel::Request request;
            request.messageText = "Pairing request";
            panel.runModal(request);
        } else {
            Gtk::MessageDialog dialog("Style Name");
            GtkModalRun::run(dialog, c.asker == Main ? static_cast<Gtk::Widget*>(&mainButton) : &secondButton);
        }
        EXPECT_EQ(&owner, seen.transientFor);
        EXPECT_TRUE(seen.aboveOwner) << "the dialog shows above the window it belongs to";
        EXPECT_TRUE(seen.ownerAboveOther) << "that window is not buried under the program's other one";
    }
    application->remove_window(main);
    second.hide();
    main.hide();
    drainGtkEvents();
}
