#include "Editor/gtk/GtkPopoverColorPicker.h"
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

} // namespace

TEST(GtkPopoverColorPickerTest, PointsAtTheElementOffersAlphaOnlyWhenAskedAndHandsThePickOn)
{
    initGtkForTests();
    Gtk::OffscreenWindow window;
    Gtk::DrawingArea canvas;
    canvas.set_size_request(400, 300);
    window.add(canvas);
    window.show_all();
    RecordingDelegate delegate;
    {
        GtkPopoverColorPicker picker(canvas);
        picker.setDelegate(&delegate);
        struct Case {
            int64_t tag;
            bool transparency;
            double expectedAlpha;
        };
        const Case cases[] = {{2, true, 0.25}, {1, false, 1.0}, {32, false, 1.0}};
        for (const Case& c : cases) {
            picker.setTag(c.tag);
            picker.popupAtFrame({40, 50, 120, 30}, PopoverPresenter::Edge::Top, c.transparency);
            drainGtkEvents();
            ASSERT_TRUE(picker.isShown()) << c.tag;
            GtkColorChooser* chooser = GTK_COLOR_CHOOSER(picker.chooserWidget());
            EXPECT_EQ(gtk_color_chooser_get_use_alpha(chooser), c.transparency) << c.tag;
            GdkRectangle pointing;
            ASSERT_TRUE(gtk_popover_get_pointing_to(GTK_POPOVER(picker.popoverWidget()), &pointing));
            EXPECT_EQ(pointing.x, 40);
            EXPECT_EQ(pointing.y, 50);
            EXPECT_EQ(pointing.width, 120);
            const GdkRGBA chosen{0.0, 0.5, 1.0, 0.25};
            gtk_color_chooser_set_rgba(chooser, &chosen);
            picker.pickChosenColor();
            drainGtkEvents();
            EXPECT_FALSE(picker.isShown()) << "a pick closes the chooser";
            ASSERT_FALSE(delegate.picks.empty());
            EXPECT_EQ(delegate.picks.back().first, c.tag);
            EXPECT_DOUBLE_EQ(delegate.picks.back().second.alpha(), c.expectedAlpha) << c.tag;
            EXPECT_DOUBLE_EQ(delegate.picks.back().second.blue(), 1.0);
        }
        EXPECT_EQ(delegate.picks.size(), 3u);

        // Closing without a pick tells nobody.
        picker.popupAtFrame({0, 0, 0, 0}, PopoverPresenter::Edge::Bottom, false);
        drainGtkEvents();
        picker.close();
        drainGtkEvents();
        EXPECT_EQ(delegate.picks.size(), 3u);
    }
    drainGtkEvents();
    window.remove();
}
