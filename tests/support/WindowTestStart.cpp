// What every test of a program with windows starts from, whatever the tests before it in the
// process left: a test's verdict must not hang on the order the tests run in.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

// After the others: X's macros (None, Bool) clash with their names.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <cstdlib>

namespace {

// The pointer in the screen's far corner, away from every window a test shows (they come up at
// the top left, smaller than the screen): a window shown under the pointer left by an earlier
// test was given the keyboard by the server, and got crossing events, at moments of its own.
void parkPointer()
{
    static Display* display = XOpenDisplay(nullptr);
    if (!display) return;
    const int screen = DefaultScreen(display);
    XTestFakeMotionEvent(display, screen, DisplayWidth(display, screen) - 1, DisplayHeight(display, screen) - 1,
                         CurrentTime);
    XSync(display, False);
}

// A menu an earlier test left up holds the pointer and keyboard, and a pick window or a panel
// that closes when a menu tracks would close in the next test.
void popDownMenus()
{
    GList* toplevels = gtk_window_list_toplevels();
    for (GList* each = toplevels; each; each = each->next) {
        GtkWidget* child = gtk_bin_get_child(GTK_BIN(each->data));
        if (child && GTK_IS_MENU(child) && gtk_widget_get_visible(child)) gtk_menu_popdown(GTK_MENU(child));
    }
    g_list_free(toplevels);
    for (int i = 0; i < 100; ++i)
        if (GtkWidget* grabbing = gtk_grab_get_current()) gtk_grab_remove(grabbing);
    gdk_seat_ungrab(gdk_display_get_default_seat(gdk_display_get_default()));
}

// What is still to come of earlier tests (events, idles, a drop's late answer) comes now, not
// in the middle of the next test. Bounded: a source that renews itself for ever is left.
void drainPending()
{
    gdk_display_sync(gdk_display_get_default());
    for (int i = 0; i < 10000 && g_main_context_pending(nullptr); ++i) g_main_context_iteration(nullptr, FALSE);
}

class WindowTestStart : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override
    {
        parkPointer();
        // Before GTK starts there is nothing of it to settle.
        if (!gdk_display_get_default()) return;
        popDownMenus();
        drainPending();
    }
};

} // namespace

void settleWindowsBeforeEachTest()
{
    ::testing::UnitTest::GetInstance()->listeners().Append(new WindowTestStart);
}
