#include "explorers/gtk/ProgressIconWidget.h"
#include "Editor/gtk/GtkTestSupport.h"
#include "support/PixelProbe.h"

#include <gtest/gtest.h>

namespace {

void sendButton(Gtk::Widget& widget, GdkEventType type, double x, double y)
{
    GdkEvent* event = gdk_event_new(type);
    event->button.window = GDK_WINDOW(g_object_ref(widget.get_window()->gobj()));
    event->button.button = GDK_BUTTON_PRIMARY;
    event->button.x = x;
    event->button.y = y;
    event->button.time = GDK_CURRENT_TIME;
    gdk_event_set_device(event, gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default())));
    handEvent(widget.gobj(), event);
    gdk_event_free(event);
}

// A pixel inside the box, clear of its tick.
Rgb boxPixel(Gtk::Widget& widget)
{
    const int width = widget.get_allocated_width();
    const int height = widget.get_allocated_height();
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    gtk_widget_draw(widget.gobj(), cr);
    cairo_destroy(cr);
    if (const char* dump = std::getenv("TARNWICK_DUMP_PNG")) cairo_surface_write_to_png(surface, dump);
    const Rgb pixel = pixelAt(surface, 5, 5);
    cairo_surface_destroy(surface);
    return pixel;
}

} // namespace

TEST(ProgressIconWidgetTest, ClicksInsideActAndAFullBoxShowsTheTintOrGreyWhenDisabled)
{
    initGtkForTests();
    Gtk::OffscreenWindow window;
    ProgressIconWidget icon;
    icon.set_size_request(20, 20);
    window.add(icon);
    window.show_all();
    drainGtkEvents();
    int clicks = 0;
    icon.view().setAction([&](ProgressIconView&) { ++clicks; });
    icon.view().setCheckboxMode(1);
    icon.view().setProgress(130);
    EXPECT_EQ(100, icon.view().progress());

    sendButton(icon, GDK_BUTTON_PRESS, 10, 10);
    sendButton(icon, GDK_BUTTON_RELEASE, 11, 9);
    EXPECT_EQ(1, clicks);
    sendButton(icon, GDK_BUTTON_PRESS, 10, 10);
    sendButton(icon, GDK_BUTTON_RELEASE, 30, 10);
    EXPECT_EQ(1, clicks) << "released outside";

    EXPECT_EQ((Rgb{60, 153, 252}), boxPixel(icon));
    icon.set_sensitive(false);
    EXPECT_FALSE(icon.view().isEnabled());
    const Rgb grey = boxPixel(icon);
    EXPECT_EQ(grey.r, grey.g);
    EXPECT_EQ(grey.g, grey.b);
    EXPECT_NE(255, grey.r);
}
