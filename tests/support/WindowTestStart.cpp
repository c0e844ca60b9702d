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

// A drop refused at its end sends the drag's icon gliding back to where the drag began; the icon
// goes only a while later, over the window the next test shows by then, whose canvas is exposed
// where it was and paints a frame of its own. Waited for until the icon is gone.
bool dragIconAbout()
{
    GList* windows = gdk_screen_get_toplevel_windows(gdk_screen_get_default());
    bool about = false;
    for (GList* each = windows; each && !about; each = each->next)
        about = gdk_window_get_type_hint(GDK_WINDOW(each->data)) == GDK_WINDOW_TYPE_HINT_DND;
    g_list_free(windows);
    return about;
}

void waitForDragIcons()
{
    // Bounded: an icon that never goes is the next test's to find, not a hang.
    const gint64 bound = g_get_monotonic_time() + 5 * G_USEC_PER_SEC;
    while (dragIconAbout() && g_get_monotonic_time() < bound)
        if (!g_main_context_iteration(nullptr, FALSE)) g_usleep(2000);
}

class WindowTestStart : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override
    {
        parkPointer();
        // Before GTK starts there is nothing of it to settle.
        if (!gdk_display_get_default()) return;
        popDownMenus();
        waitForDragIcons();
        drainPending();
    }
};

} // namespace

void settleWindowsBeforeEachTest()
{
    ::testing::UnitTest::GetInstance()->listeners().Append(new WindowTestStart);
}
