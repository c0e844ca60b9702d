#include "Editor/gtk/SegmentedControlWidget.h"
#include "Editor/CommandRouter.h"
#include "Editor/gtk/ToolbarBackgroundWidget.h"
#include "GtkTestSupport.h"
#include "support/RecordingResponder.h"

#include <atkmm/object.h>
#include <gtest/gtest.h>

TEST(SegmentedControlWidgetTest, ButtonsFollowTheSegmentsAndTheStripPaintsItsGradient)
{
    initGtkForTests();
    std::vector<std::string> log;
    RecordingResponder editor("editor", log);
    editor.handle("zoomIn:");
    CommandRouter::shared().setResponderChain([&] { return std::vector<Responder*>{&editor}; });
    auto item = std::make_shared<SegmentedControlItem>(
        std::vector{ToolbarSegment::toolbarSegment("zoom-in", nullptr, "zoomIn:", "Zoom In"),
                    ToolbarSegment::toolbarSegment("zoom-out", nullptr, "zoomOut:", "Zoom Out")});

    ToolbarBackgroundWidget strip;
    strip.addSegmentedControlItems({item});
    Gtk::OffscreenWindow window;
    window.add(strip);
    window.set_size_request(200, -1);
    window.show_all();
    drainGtkEvents();

    SegmentedControlWidget& widget = strip.controlWidget(0);
    const Rect frame = item->segmentedControl().frame();
    EXPECT_EQ(10.0, frame.origin.x);
    EXPECT_EQ(frame.size.height + 10, strip.get_allocated_height()) << "the inset above and below";
    EXPECT_TRUE(widget.button(0).get_sensitive());
    EXPECT_FALSE(widget.button(1).get_sensitive()) << "no responder handles zoomOut:";

    widget.button(0).clicked();
    EXPECT_EQ(std::vector<std::string>{"editor zoomIn:"}, log);

    // An offscreen window is never the key window: the default gradient, lightest at the top.
    auto shot = window.get_pixbuf();
    ASSERT_TRUE(shot);
    const guint8* top = shot->get_pixels() + 1 * shot->get_rowstride() + 2 * shot->get_n_channels();
    EXPECT_NEAR(230, top[0], 2);
    EXPECT_NEAR(top[0], top[2], 1) << "grey";
    window.remove();
    CommandRouter::shared().setResponderChain(nullptr);
}

TEST(SegmentedControlWidgetTest, AControlLaidOutByItsBoxTakesTheSizeItGotSoMenusOpenBelowIt)
{
    initGtkForTests();
    auto item = std::make_shared<SegmentedControlItem>(
        std::vector{ToolbarSegment::toolbarSegment("zoom-in", nullptr, "zoomIn:", "Zoom In"),
                    ToolbarSegment::toolbarSegment("zoom-out", nullptr, "zoomOut:", "Zoom Out")});
    SegmentedControlWidget widget(*item);
    Gtk::Box box(Gtk::ORIENTATION_VERTICAL);
    box.pack_start(widget, Gtk::PACK_SHRINK);
    Gtk::OffscreenWindow window;
    window.add(box);
    window.set_size_request(300, -1);
    window.show_all();
    drainGtkEvents();

    const Rect frame = item->segmentedControl().frame();
    EXPECT_EQ(frame.size.width, widget.get_allocated_width());
    EXPECT_EQ(frame.size.height, widget.get_allocated_height());
    EXPECT_GT(frame.size.height, 0);
    const Point below = item->menuLocation(item->segmentedControl(), 1);
    EXPECT_EQ(below.y, frame.size.height + 2);
    EXPECT_GT(below.x, frame.size.width / 2) << "the second of two segments";
    window.remove();
}

TEST(SegmentedControlWidgetTest, ASegmentShowingOnlyAPictureIsReadAloudByItsToolTip)
{
    initGtkForTests();
    auto item = std::make_shared<SegmentedControlItem>(
        std::vector{ToolbarSegment::toolbarSegment("cloud_setup", nullptr, "showClouds:", "Clouds"),
                    ToolbarSegment::toolbarSegment("zoom-in", nullptr, "zoomIn:", "Zoom In")});
    item->segmentedControl().setLabel(std::string("100%"), 1);
    SegmentedControlWidget widget(*item);
    const std::vector<std::pair<size_t, std::string>> cases = {{0, "Clouds"}, {1, "100%"}};
    for (const auto& [segment, name] : cases) {
        Glib::RefPtr<Atk::Object> accessible = widget.button(segment).get_accessible();
        ASSERT_TRUE(accessible) << segment;
        EXPECT_EQ(accessible->get_name(), name) << segment;
    }
}
