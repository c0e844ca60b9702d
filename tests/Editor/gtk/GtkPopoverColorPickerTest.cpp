#include "Editor/gtk/GtkPopoverColorPicker.h"
#include "Editor/ColorPickerMatrix.h"
#include "GtkTestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct RecordingDelegate : PopoverColorPickerDelegate {
    void popoverColorPicked(PopoverColorPicker& picker, const Color& color) override
    {
        picks.push_back({picker.tag(), color});
    }
    std::vector<std::pair<int64_t, Color>> picks;
};

// A press of the first button at the point of the widget's own window, handed to the widget
// itself: what is tested is what the widget does with the press, not the pointer's way there.
void press(GtkWidget* widget, Point point)
{
    GdkEvent* event = gdk_event_new(GDK_BUTTON_PRESS);
    event->button.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(widget)));
    event->button.button = GDK_BUTTON_PRIMARY;
    event->button.x = point.x;
    event->button.y = point.y;
    event->button.time = GDK_CURRENT_TIME;
    gdk_event_set_device(event, gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default())));
    handEvent(widget, event);
    gdk_event_free(event);
}

} // namespace

TEST(GtkPopoverColorPickerTest, PointsAtTheElementOffersAlphaOnlyWhenAskedAndHandsThePickOn)
{
    initGtkForTests();
    Gtk::Window window;
    Gtk::DrawingArea canvas;
    canvas.set_size_request(500, 400);
    window.add(canvas);
    window.show_all();
    drainGtkEvents();
    RecordingDelegate delegate;
    {
        GtkPopoverColorPicker picker(canvas);
        picker.setDelegate(&delegate);
        struct Case {
            int64_t tag;
            bool transparency;
        };
        for (const Case& c : {Case{2, true}, Case{1, false}}) {
            picker.setTag(c.tag);
            picker.popupAtFrame({40, 250, 120, 30}, PopoverPresenter::Edge::Top, c.transparency);
            // A popover is laid out on the frame after it is shown; shown again after a pick, it
            // keeps its old sizes until then.
            ASSERT_TRUE(runMainLoopUntil([&] {
                return picker.isShown() && gtk_widget_get_mapped(picker.gridWidget()) &&
                    gtk_widget_get_allocated_width(picker.gridWidget()) > 1;
            })) << c.tag;
            EXPECT_EQ(177, gtk_widget_get_allocated_width(picker.gridWidget()));
            EXPECT_EQ(229, gtk_widget_get_allocated_height(picker.gridWidget()));
            GtkWidget* button = picker.transparentButton();
            ASSERT_NE(button, nullptr);
            EXPECT_TRUE(gtk_widget_get_visible(button)) << "there, enabled or not";
            EXPECT_EQ(c.transparency, bool(gtk_widget_get_sensitive(button))) << c.tag;
            int x = -1, y = -1;
            gtk_widget_translate_coordinates(button, picker.gridWidget(), 0, 0, &x, &y);
            EXPECT_EQ(1, x);
            EXPECT_EQ(208, y);
            EXPECT_EQ(175, gtk_widget_get_allocated_width(button));
            EXPECT_EQ(20, gtk_widget_get_allocated_height(button));

            press(picker.gridWidget(), {16.5, 8}); // between two swatches
            drainGtkEvents();
            EXPECT_TRUE(picker.isShown()) << "a press between swatches picks nothing";
            EXPECT_TRUE(delegate.picks.empty());

            press(picker.gridWidget(), ColorPickerMatrix::cellFrame(1 * 11 + 5).center());
            drainGtkEvents();
            EXPECT_FALSE(picker.isShown()) << "a pick closes the popover";
            ASSERT_EQ(1u, delegate.picks.size());
            EXPECT_EQ(c.tag, delegate.picks.back().first);
            EXPECT_EQ(Color(1, 0, 0), delegate.picks.back().second);
            delegate.picks.clear();
        }

        // The transparent button reports the clear colour.
        picker.setTag(7);
        picker.popupAtFrame({40, 250, 120, 30}, PopoverPresenter::Edge::Top, true);
        drainGtkEvents();
        gtk_button_clicked(GTK_BUTTON(picker.transparentButton()));
        drainGtkEvents();
        EXPECT_FALSE(picker.isShown());
        ASSERT_EQ(1u, delegate.picks.size());
        EXPECT_TRUE(delegate.picks.back().second.isNormalizedClearColor());
        EXPECT_EQ(7, delegate.picks.back().first);

        // Opening while shown closes it and opens it again at the new place, still the one popover.
        picker.popupAtFrame({10, 300, 20, 20}, PopoverPresenter::Edge::Top, false);
        drainGtkEvents();
        GtkWidget* popover = picker.popoverWidget();
        picker.popupAtFrame({300, 200, 50, 40}, PopoverPresenter::Edge::Bottom, false);
        drainGtkEvents();
        EXPECT_TRUE(picker.isShown());
        EXPECT_EQ(popover, picker.popoverWidget());
        GdkRectangle pointing;
        ASSERT_TRUE(gtk_popover_get_pointing_to(GTK_POPOVER(popover), &pointing));
        EXPECT_EQ(300, pointing.x);
        EXPECT_EQ(200, pointing.y);
        EXPECT_EQ(50, pointing.width);
        EXPECT_EQ(GTK_POS_BOTTOM, gtk_popover_get_position(GTK_POPOVER(popover)));

        // Closing without a pick tells nobody.
        picker.close();
        drainGtkEvents();
        EXPECT_FALSE(picker.isShown());
        EXPECT_EQ(1u, delegate.picks.size());
    }
    drainGtkEvents();
}
