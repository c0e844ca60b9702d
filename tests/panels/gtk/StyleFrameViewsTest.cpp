#include "panels/gtk/StyleFrameViews.h"
#include "panels/gtk/FontSelectorWidget.h"
#include "panels/gtk/ModalDialog.h"

#include "MindMaps/NodeStyle.h"
#include "MindMaps/RelationStyle.h"
#include "support/DisplayRequirement.h"

#include <gtest/gtest.h>
#include <gtkmm.h>

namespace {

class StyleFrameViewsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TARNWICK_REQUIRE_DISPLAY(gtk_init_check(nullptr, nullptr));
        Gtk::Main::init_gtkmm_internals();
    }
};

} // namespace

TEST_F(StyleFrameViewsTest, TheWidgetsShowALoadAndReportTheUsersPicks)
{
    NodeStyleFrame frame;
    TextStyleFrameView view(frame);
    NodeStyle style;
    style.setPropCustomized(TextStyle::AlignmentMask, true);
    style.setAlignment(2);
    style.setFontStyle(BaseTextStyleFrame::Bold);
    style.setFontSize(17);
    style.setBorderWidth(2);
    frame.loadFromNodeStyle(style);

    EXPECT_TRUE(view.check(BaseTextStyleFrame::Check::Alignment).get_active());
    EXPECT_FALSE(view.check(BaseTextStyleFrame::Check::Font).get_active());
    EXPECT_EQ(view.alignmentSegments().selected(), 2);
    EXPECT_TRUE(view.fontStyleCheck(BaseTextStyleFrame::Bold).get_active());
    EXPECT_EQ(view.fontSizePopup().get_active_text(), "18");
    EXPECT_FALSE(frame.isChecked(BaseTextStyleFrame::Check::Font));

    view.fontStyleCheck(BaseTextStyleFrame::Underline).set_active(true);
    EXPECT_TRUE(frame.isChecked(BaseTextStyleFrame::Check::Font));
    EXPECT_TRUE(view.check(BaseTextStyleFrame::Check::Font).get_active());
    view.alignmentSegments().segment(1).set_active(true);
    view.check(BaseTextStyleFrame::Check::Alignment).set_active(false);
    NodeStyle target;
    frame.commitToNodeStyle(target);
    EXPECT_EQ(target.customizedProps(), TextStyle::FontMask);
    EXPECT_EQ(target.fontStyle(), BaseTextStyleFrame::Bold | BaseTextStyleFrame::Underline);
    EXPECT_DOUBLE_EQ(target.fontSize(), 18);
}

TEST_F(StyleFrameViewsTest, HiddenControlsStayHiddenWhenTheDialogShowsAll)
{
    NodeStyleFrame frame;
    TextStyleFrameView view(frame);
    frame.hideFontControls();
    Gtk::Window window;
    Gtk::Box box;
    window.add(box);
    EmbedViewInContainer(view, box, true);
    window.show_all();
    EXPECT_FALSE(view.fontSizePopup().get_visible());
    EXPECT_TRUE(view.fillColorButton().get_visible());
    EXPECT_EQ(view.get_margin_top(), 12);
    EXPECT_EQ(view.get_margin_start(), 20);
    EXPECT_EQ(view.get_margin_bottom(), 20);

    RelationStyleFrame relationFrame;
    RelationStyleFrameView relationView(relationFrame);
    relationFrame.hideConnectionStyle();
    relationView.show_all();
    EXPECT_FALSE(relationView.connectionStylePopup().get_visible());
}

TEST_F(StyleFrameViewsTest, TheRelationSliderShowsOneDecimalAndTicksItsBox)
{
    RelationStyleFrame frame;
    RelationStyleFrameView view(frame);
    frame.loadFromRelationStyle(RelationStyle());
    EXPECT_FALSE(view.check(RelationStyleFrame::Check::LineWidth).get_active());
    view.lineWidthSlider().set_value(3.04);
    EXPECT_EQ(view.lineWidthLabel().get_text(), "3.0");
    EXPECT_TRUE(view.check(RelationStyleFrame::Check::LineWidth).get_active());
    view.targetArrowPopup().set_active_id("2");
    EXPECT_EQ(frame.targetArrow(), 2);
    EXPECT_TRUE(frame.isChecked(RelationStyleFrame::Check::TargetArrow));
}

TEST_F(StyleFrameViewsTest, ADialogClosedWithoutItsButtonsAnswersTheClosedCode)
{
    struct Case {
        int response;
        int closedCode;
        int expected;
    };
    for (const Case c : {Case{Gtk::RESPONSE_DELETE_EVENT, ModalResult::Closed, -1001},
                         Case{Gtk::RESPONSE_CANCEL, ModalResult::LinkDialogClosed, -1000},
                         Case{ModalResult::OK, ModalResult::Closed, 1}, Case{ModalResult::RemoveLink, -1000, 2}}) {
        Gtk::Dialog dialog;
        Glib::signal_idle().connect_once([&] { dialog.response(c.response); });
        EXPECT_EQ(ModalDialog::run(dialog, c.closedCode), c.expected) << c.response;
    }
}

TEST_F(StyleFrameViewsTest, AFocusedFontWellShowsThePanelAndTakesOnlyANewFont)
{
    FontSelectorView model;
    model.setFont(Font("Serif", 14));
    int chosen = 0;
    model.setDelegate([&chosen](FontSelectorView&, const Font&) { ++chosen; });
    Gtk::Window window;
    FontSelectorWidget well(model);
    window.add(well);
    window.show_all();
    well.grab_focus();
    // The window of a display without a window manager never becomes active: the focus comes as
    // the desktop would send it.
    GdkEvent* event = gdk_event_new(GDK_FOCUS_CHANGE);
    event->focus_change.in = TRUE;
    event->focus_change.window = GDK_WINDOW(g_object_ref(window.get_window()->gobj()));
    gtk_widget_send_focus_change(GTK_WIDGET(well.gobj()), event);
    gdk_event_free(event);
    while (Gtk::Main::events_pending()) Gtk::Main::iteration(false);
    SharedFontPanel& panel = SharedFontPanel::shared();
    EXPECT_TRUE(panel.dialog().get_visible());
    panel.fontChosen(model.font().description());
    EXPECT_EQ(chosen, 0);
    panel.fontChosen("Sans Bold 20");
    EXPECT_EQ(chosen, 1);
    EXPECT_TRUE(model.font().isBold());
    EXPECT_EQ(model.font().pointSize(), 20);
    panel.fontChosen("");
    EXPECT_EQ(chosen, 1);
    panel.dialog().hide();
}
