#include "editor-view/gtk/ImagePreviewWindow.h"

#include "Editor/gtk/GtkTestSupport.h"

#include "Utils/URLUtils.h"
#include "platform/Localizer.h"

#include "support/DisplayRequirement.h"
#include "support/TempDir.h"
#include "support/WindowManager.h"

#include <gtest/gtest.h>
#include <gtkmm.h>

#include <chrono>
#include <fstream>

namespace {

void drain()
{
    while (Gtk::Main::events_pending()) Gtk::Main::iteration(false);
}

std::string writePicture(const TempDir& dir, const std::string& name, int width, int height)
{
    const std::string path = dir.path() + "/" + name;
    Image picture(width, height);
    EXPECT_TRUE(picture.writePng(path));
    return path;
}

// GTK marks a toplevel active when the display hands it the keyboard focus, and inactive when it
// takes the focus away again.
void focus(Gtk::Window& window, bool in)
{
    GdkEvent* event = gdk_event_new(GDK_FOCUS_CHANGE);
    event->focus_change.window = GDK_WINDOW(g_object_ref(window.get_window()->gobj()));
    event->focus_change.in = in;
    gdk_event_set_device(event, gdk_seat_get_keyboard(gdk_display_get_default_seat(gdk_display_get_default())));
    gtk_main_do_event(event);
    gdk_event_free(event);
}

} // namespace

TEST(ImagePreviewWindowTest, ShowsThePictureAtItsSizeAndADragMovesIt)
{
    TARNWICK_REQUIRE_DISPLAY(gtk_init_check(nullptr, nullptr));
    Gtk::Main::init_gtkmm_internals();
    TempDir dir;
    ImagePreviewWindows previews;
    // Without a window manager the display hands the focus to the window under the pointer: the
    // pointer waits in a corner no preview covers.
    GdkDisplay* display = gdk_display_get_default();
    GdkRectangle monitor;
    gdk_monitor_get_geometry(gdk_display_get_monitor(display, 0), &monitor);
    gdk_device_warp(gdk_seat_get_pointer(gdk_display_get_default_seat(display)),
                    gdk_display_get_default_screen(display), monitor.x + monitor.width - 1,
                    monitor.y + monitor.height - 1);

    EXPECT_FALSE(previews.loadImageFromUrl("https://example.invalid/a.png"));
    EXPECT_FALSE(previews.loadImageFromUrl(fileURLWithPath(dir.path() + "/missing.png")));
    const std::string garbage = dir.path() + "/garbage.png";
    std::ofstream(garbage) << "\x89PNG\r\n\x1a\n not really";
    EXPECT_FALSE(previews.loadImageFromUrl(fileURLWithPath(garbage)));
    EXPECT_TRUE(previews.windows().empty()) << "nothing shown for what is no picture";

    ASSERT_TRUE(previews.loadImageFromUrl(fileURLWithPath(writePicture(dir, "small.png", 40, 30))));
    ASSERT_EQ(1u, previews.windows().size());
    ImagePreviewWindow& small = *previews.windows().front();
    // Only a window that was the active one closes when it stops being it: one that the desktop
    // has not yet given the focus stays.
    focus(small, false);
    drain();
    EXPECT_TRUE(small.get_visible());
    EXPECT_EQ(localized("image_preview_title"), small.get_title());
    int width = 0, height = 0;
    small.get_default_size(width, height);
    EXPECT_EQ(150, width);
    EXPECT_EQ(150, height);
    EXPECT_EQ(40, small.picture().get_allocated_width()) << "at its actual size";
    EXPECT_EQ(30, small.picture().get_allocated_height());
    // Closed before the next opens: under a window manager the next one takes the focus, and
    // this one goes with it.
    small.close();
    drain();
    EXPECT_TRUE(previews.windows().empty()) << "the closed preview is let go";

    Gdk::Rectangle area;
    Gdk::Display::get_default()->get_monitor(0)->get_workarea(area);
    ASSERT_TRUE(previews.loadImageFromUrl(
        fileURLWithPath(writePicture(dir, "large.png", area.get_width() * 2, area.get_height() * 2))));
    ImagePreviewWindow& large = *previews.windows().back();
    drain();
    large.get_default_size(width, height);
    EXPECT_LE(width, area.get_width() * 3 / 4);
    EXPECT_LE(height, area.get_height() * 3 / 4);
    EXPECT_GE(width, area.get_width() * 3 / 4 - 1);

    // Dragging the picture moves it: the view scrolls against the pointer.
    large.resize(width, height);
    drain();
    auto horizontal = large.scroller().get_hadjustment();
    auto vertical = large.scroller().get_vadjustment();
    horizontal->set_value(200);
    vertical->set_value(200);
    const auto send = [&](GdkEventType type, double x, double y) {
        GdkEvent* event = gdk_event_new(type);
        GdkWindow* target = large.picture().get_window()->gobj();
        GdkDevice* pointer = gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default()));
        if (type == GDK_MOTION_NOTIFY) {
            event->motion.window = GDK_WINDOW(g_object_ref(target));
            event->motion.x = x;
            event->motion.y = y;
            event->motion.state = GDK_BUTTON1_MASK;
        } else {
            event->button.window = GDK_WINDOW(g_object_ref(target));
            event->button.button = 1;
            event->button.x = x;
            event->button.y = y;
        }
        gdk_event_set_device(event, pointer);
        gtk_main_do_event(event);
        gdk_event_free(event);
    };
    send(GDK_BUTTON_PRESS, 400, 400);
    send(GDK_MOTION_NOTIFY, 460, 450);
    send(GDK_BUTTON_RELEASE, 460, 450);
    drain();
    EXPECT_NEAR(140, horizontal->get_value(), 1);
    EXPECT_NEAR(150, vertical->get_value(), 1);
    large.close();
    drain();
    EXPECT_TRUE(previews.windows().empty());
}

// As on a desktop, where a window manager hands the focus from window to window: a preview is
// put away as soon as the user turns to something else, the next preview included.
TEST(ImagePreviewWindowTest, APreviewClosesWhenTheUserTurnsToAnotherWindow)
{
    TARNWICK_REQUIRE_DISPLAY(gtk_init_check(nullptr, nullptr));
    Gtk::Main::init_gtkmm_internals();
    WindowManager windowManager;
    ASSERT_EQ("", windowManager.failure());
    ASSERT_TRUE(windowManagerReady());
    TempDir dir;
    ImagePreviewWindows previews;
    const auto until = [](const std::function<bool()>& condition) {
        return runMainLoopUntil(condition, std::chrono::seconds(10));
    };
    ASSERT_TRUE(previews.loadImageFromUrl(fileURLWithPath(writePicture(dir, "first.png", 40, 30))));
    ImagePreviewWindow* first = previews.windows().front().get();
    ASSERT_TRUE(until([&] { return first->is_active(); })) << "the window manager gives the new preview the focus";

    ASSERT_TRUE(previews.loadImageFromUrl(fileURLWithPath(writePicture(dir, "second.png", 50, 40))));
    ImagePreviewWindow* second = previews.windows().back().get();
    EXPECT_TRUE(until([&] { return previews.windows().size() == 1 && second->is_active(); }))
        << "the first preview went when the second took the focus";
    EXPECT_EQ(second, previews.windows().front().get());

    Gtk::Window other;
    other.set_default_size(200, 100);
    other.present();
    EXPECT_TRUE(until([&] { return previews.windows().empty() && other.is_active(); }))
        << "the preview went when another window took the focus";
    other.hide();
    drain();
}
