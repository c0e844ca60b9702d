#include "Editor/gtk/SegmentedControlWidget.h"
#include "Editor/CommandRouter.h"
#include "Editor/gtk/ToolbarBackgroundWidget.h"
#include "GtkTestSupport.h"
#include "platform/gtk/GtkNamedImages.h"
#include "support/RecordingResponder.h"

#include <atkmm/object.h>
#include <functional>
#include <gtest/gtest.h>
#include <gtkmm/image.h>
#include <gtkmm/offscreenwindow.h>
#include <optional>

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

// A strip places its controls once it is in a window, where they are measured with the style they
// are drawn with, from its margins: the toolbar's own unless set, as the outliner sets them.
TEST(SegmentedControlWidgetTest, AStripPlacesItsControlsOnceInAWindowFromItsMargins)
{
    initGtkForTests();
    struct Case {
        std::optional<std::pair<double, double>> margins;
        int left;
        int inset;
    };
    const std::vector<Case> cases = {{std::nullopt, 10, 5}, {std::pair{7.0, 5.0}, 7, 5}, {std::pair{0.0, 2.0}, 0, 2}};
    for (const Case& c : cases) {
        auto first = std::make_shared<SegmentedControlItem>(
            std::vector{ToolbarSegment::toolbarSegment("zoom-in", nullptr, "zoomIn:", "Zoom In")});
        auto second = std::make_shared<SegmentedControlItem>(
            std::vector{ToolbarSegment::toolbarSegment("zoom-out", nullptr, "zoomOut:", "Zoom Out"),
                        ToolbarSegment::toolbarSegment("zoom-in", nullptr, "zoomIn:", "Zoom In")});
        ToolbarBackgroundWidget strip;
        if (c.margins) strip.setControlMargins(c.margins->first, c.margins->second);
        strip.addSegmentedControlItems({first, second});

        Gtk::OffscreenWindow window;
        window.add(strip);
        window.show_all();
        drainGtkEvents();
        const Rect frame = first->segmentedControl().frame();

        EXPECT_EQ(strip.controlWidget(0).get_allocation().get_x(), c.left);
        EXPECT_EQ(strip.controlWidget(0).get_allocation().get_y(), c.inset);
        EXPECT_EQ(strip.controlWidget(1).get_allocation().get_x(), c.left + int(frame.size.width) + 10) << c.left;
        EXPECT_EQ(strip.get_allocated_height(), int(frame.size.height) + 2 * c.inset) << c.left;
        EXPECT_EQ(strip.stripHeight(), strip.get_allocated_height()) << c.left;
        window.remove();
    }
}

TEST(SegmentedControlWidgetTest, AStripAskedForItsHeightOutsideAWindowLaysItsControlsOutThen)
{
    initGtkForTests();
    auto item = std::make_shared<SegmentedControlItem>(
        std::vector{ToolbarSegment::toolbarSegment("zoom-in", nullptr, "zoomIn:", "Zoom In")});
    ToolbarBackgroundWidget strip;
    strip.addSegmentedControlItems({item});
    const int height = strip.stripHeight();
    EXPECT_GT(item->segmentedControl().frame().size.height, 0);
    EXPECT_EQ(height, int(item->segmentedControl().frame().size.height) + 10);
    ToolbarBackgroundWidget empty;
    empty.addSegmentedControlItems({});
    EXPECT_EQ(empty.stripHeight(), 0);
}

// Validation refreshes every control after each event: a picture set again is looked up and
// loaded again, and a label set again rebuilds the button's content, so only what changed is set.
TEST(SegmentedControlWidgetTest, ARefreshSetsOnlyWhatChanged)
{
    initGtkForTests();
    auto item = std::make_shared<SegmentedControlItem>(
        std::vector{ToolbarSegment::toolbarSegment("text_bold", nullptr, "zoomIn:", "Zoom In"),
                    ToolbarSegment::toolbarSegment("zoom-out", nullptr, "zoomOut:", "Zoom Out")});
    SegmentedControl& control = item->segmentedControl();
    control.setLabel(std::string("100%"), 1);
    SegmentedControlWidget widget(*item);
    Gtk::Image* picture = widget.picture(0);
    ASSERT_NE(picture, nullptr);
    int pictureSets = 0;
    picture->property_icon_name().signal_changed().connect([&pictureSets] { ++pictureSets; });

    struct Step {
        const char* what;
        std::function<void()> change;
        int pictureSets;
        bool sameLabelChild;
        std::string toolTip;
    };
    const std::vector<Step> steps = {
        {"nothing", [] {}, 0, true, "Zoom In"},
        {"enabled state", [&] { control.setEnabled(false, 0); }, 0, true, "Zoom In"},
        {"same label", [&] { control.setLabel(std::string("100%"), 1); }, 0, true, "Zoom In"},
        {"tool tip", [&] { control.setToolTip("Bigger", 0); }, 0, true, "Bigger"},
        {"picture", [&] { control.setImage("text_italic", 0); }, 1, true, "Bigger"},
        {"label", [&] { control.setLabel(std::string("150%"), 1); }, 1, false, "Bigger"},
    };
    for (const Step& step : steps) {
        // Watched for its end rather than compared by address: a new child may take the old one's.
        bool labelChildEnded = false;
        GtkWidget* labelChild = widget.button(1).get_child()->gobj();
        const gulong watch = g_signal_connect(
            labelChild, "destroy", G_CALLBACK(+[](GtkWidget*, gpointer ended) { *static_cast<bool*>(ended) = true; }),
            &labelChildEnded);
        step.change();
        widget.refresh();
        if (!labelChildEnded) g_signal_handler_disconnect(labelChild, watch);
        EXPECT_EQ(pictureSets, step.pictureSets) << step.what;
        EXPECT_EQ(!labelChildEnded, step.sameLabelChild) << step.what;
        EXPECT_EQ(widget.button(0).get_tooltip_text(), step.toolTip) << step.what;
    }
    EXPECT_FALSE(widget.button(0).get_sensitive());
    EXPECT_EQ(widget.button(1).get_label(), "150%");
    EXPECT_EQ(widget.button(0).get_accessible()->get_name(), "Bigger");
}

// Validation enables and disables segments on every structural key; the theme fades a button
// between its looks, which styles, lays out and repaints the window once a frame. A switch shows
// its new look at once, both ways; from when the pointer comes over the button, the toolkit's
// changes of its state fade as the theme has them.
TEST(SegmentedControlWidgetTest, AValidatedSwitchShowsItsLookAtOnce)
{
    initGtkForTests();
    g_object_set(gtk_settings_get_default(), "gtk-enable-animations", TRUE, nullptr);
    auto item = std::make_shared<SegmentedControlItem>(
        std::vector{ToolbarSegment::toolbarSegment("zoom-in", nullptr, "zoomIn:", "Zoom In")});
    SegmentedControlWidget widget(*item);
    Gtk::OffscreenWindow window;
    window.add(widget);
    window.show_all();
    drainGtkEvents();
    Gtk::Button& button = widget.button(0);
    const auto color = [&button] {
        GdkRGBA value;
        GtkStyleContext* context = gtk_widget_get_style_context(GTK_WIDGET(button.gobj()));
        gtk_style_context_get_color(context, gtk_style_context_get_state(context), &value);
        return Gdk::RGBA(&value, true).to_string().raw();
    };
    for (const bool enabled : {false, true}) {
        const std::string before = color();
        item->segmentedControl().setEnabled(enabled, 0);
        widget.refresh();
        EXPECT_EQ(button.get_sensitive(), enabled);
        EXPECT_NE(color(), before) << (enabled ? "enabled" : "disabled") << " at once";
    }
    GdkEvent* enter = gdk_event_new(GDK_ENTER_NOTIFY);
    enter->crossing.window = GDK_WINDOW(g_object_ref(button.get_window()->gobj()));
    gtk_widget_event(GTK_WIDGET(button.gobj()), enter);
    gdk_event_free(enter);
    const std::string enabled = color();
    button.set_sensitive(false);
    EXPECT_EQ(color(), enabled) << "the toolkit's own change fades";
    g_object_set(gtk_settings_get_default(), "gtk-enable-animations", FALSE, nullptr);
    window.remove();
}

// A picture alone is the button's only child; beside a label, from the start or given one later,
// it stays in the button next to the label. Either way the button keeps the toolkit's own size for
// a picture button.
TEST(SegmentedControlWidgetTest, APictureStaysInItsButtonAloneOrBesideALabel)
{
    initGtkForTests();
    struct Case {
        const char* what;
        std::optional<std::string> firstLabel;
        std::optional<std::string> laterLabel;
        bool pictureAlone;
    };
    const std::vector<Case> cases = {
        {"picture alone", std::nullopt, std::nullopt, true},
        {"labelled from the start", std::string("100%"), std::nullopt, false},
        {"labelled later", std::nullopt, std::string("150%"), false},
    };
    for (const Case& c : cases) {
        auto item = std::make_shared<SegmentedControlItem>(
            std::vector{ToolbarSegment::toolbarSegment("zoom-in", nullptr, "zoomIn:", "Zoom In")});
        if (c.firstLabel) item->segmentedControl().setLabel(c.firstLabel, 0);
        SegmentedControlWidget widget(*item);
        if (c.laterLabel) {
            item->segmentedControl().setLabel(c.laterLabel, 0);
            widget.refresh();
        }
        Gtk::Button& button = widget.button(0);
        Gtk::Image* picture = widget.picture(0);
        ASSERT_NE(picture, nullptr) << c.what;
        EXPECT_TRUE(picture->is_ancestor(button)) << c.what;
        EXPECT_TRUE(picture->get_visible()) << c.what;
        EXPECT_EQ(button.get_child() == picture, c.pictureAlone) << c.what;
        EXPECT_EQ(button.get_style_context()->has_class("image-button"), c.pictureAlone) << c.what;
        const std::string label = c.laterLabel ? *c.laterLabel : c.firstLabel.value_or("");
        EXPECT_EQ(button.get_label(), label) << c.what;

        if (!c.pictureAlone) continue;
        Gtk::Button reference;
        auto* referencePicture = Gtk::manage(new Gtk::Image());
        setGtkImageNamed(*referencePicture, "zoom-in");
        reference.set_image(*referencePicture);
        reference.set_always_show_image(true);
        Gtk::Box row(Gtk::ORIENTATION_HORIZONTAL);
        row.pack_start(widget, Gtk::PACK_SHRINK);
        row.pack_start(reference, Gtk::PACK_SHRINK);
        Gtk::OffscreenWindow window;
        window.add(row);
        window.show_all();
        drainGtkEvents();
        EXPECT_EQ(button.get_allocated_width(), reference.get_allocated_width()) << c.what;
        EXPECT_EQ(button.get_allocated_height(), reference.get_allocated_height()) << c.what;
        window.remove();
    }
}

// A strip that joins a window not yet realized waits for the window: it is placed as that window
// is realized, not by a window it has left, and a strip gone before then is not reached at all.
TEST(SegmentedControlWidgetTest, AStripWaitsForItsOwnWindowToBeRealized)
{
    initGtkForTests();
    enum class Then { StayAndShow, MoveToAnotherWindow, Destroy };
    struct Case {
        const char* what;
        Then then;
    };
    const std::vector<Case> cases = {
        {"stays and its window is shown", Then::StayAndShow},
        {"moves to another window first", Then::MoveToAnotherWindow},
        {"is destroyed first", Then::Destroy},
    };
    for (const Case& c : cases) {
        auto item = std::make_shared<SegmentedControlItem>(
            std::vector{ToolbarSegment::toolbarSegment("zoom-in", nullptr, "zoomIn:", "Zoom In")});
        Gtk::OffscreenWindow first;
        Gtk::OffscreenWindow second;
        auto strip = std::make_unique<ToolbarBackgroundWidget>();
        strip->addSegmentedControlItems({item});
        first.add(*strip);
        const auto requestedHeight = [&strip] {
            int width = 0, height = 0;
            strip->get_size_request(width, height);
            return height;
        };
        EXPECT_EQ(requestedHeight(), -1) << c.what << ": placed before any realizing";
        if (c.then == Then::MoveToAnotherWindow) {
            first.remove();
            second.add(*strip);
        }
        if (c.then == Then::Destroy) {
            first.remove();
            strip.reset();
        }
        first.show_all();
        drainGtkEvents();
        if (c.then == Then::Destroy) continue;
        if (c.then == Then::MoveToAnotherWindow) {
            EXPECT_EQ(requestedHeight(), -1) << c.what << ": placed by the window it left";
            second.show_all();
            drainGtkEvents();
        }
        EXPECT_EQ(requestedHeight(), int(item->segmentedControl().frame().size.height) + 10) << c.what;
        EXPECT_EQ(strip->get_allocated_height(), int(item->segmentedControl().frame().size.height) + 10) << c.what;
        if (strip->get_parent()) static_cast<Gtk::Container*>(strip->get_parent())->remove(*strip);
    }
}
