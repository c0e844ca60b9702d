// The map style dialog driven through the X server: a click on a radio and on Apply writes the
// map while the dialog stays open; a ticked colour box and Cancel keep what Apply wrote.

#include "panels/gtk/MapStyleDialog.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapStyle.h"
#include "RealInput.h"
#include "formats/TwkxMindMapReader.h"
#include "panels/gtk/PropertyDialogs.h"
#include "platform/Localizer.h"
#include "platform/TextMeasurer.h"
#include "platform/UndoManager.h"
#include "support/DisplayRequirement.h"
#include "support/FakeTextMeasurer.h"

#include <gtest/gtest.h>

namespace {

void press(Gtk::Widget& widget)
{
    RealInput::click(widget, widget.get_allocated_width() / 2, widget.get_allocated_height() / 2);
    RealInput::pump(80);
}

class MapStyleDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!RealInput::startGtk()) TARNWICK_REQUIRE_DISPLAY(false);
        registerNativeFormat();
        TextMeasurer::setShared(&measurer);
        installPropertyDialogs();
        map = std::make_shared<MindMap>();
        map->newMindMap("", true, std::string("Theme"));
        map->validateElementStates();
        map->undoManager()->removeAllActions();
    }

    void TearDown() override
    {
        setMapStyleDialogShownObserver(nullptr);
        MapStyleController::setWindow(nullptr);
        map.reset();
        TextMeasurer::setShared(nullptr);
    }

    // Runs the step from the dialog's own loop once it is on the screen.
    static void whenShown(std::function<void(MapStyleDialog&)> step)
    {
        setMapStyleDialogShownObserver([step](MapStyleDialog& dialog) {
            Glib::signal_idle().connect_once([step, &dialog] {
                ASSERT_TRUE(
                    RealInput::pumpUntil([&] { return dialog.get_window() && dialog.get_window()->is_viewable(); }));
                RealInput::pump(150);
                step(dialog);
            });
        });
    }

    FakeTextMeasurer measurer;
    std::shared_ptr<MindMap> map;
};

} // namespace

TEST_F(MapStyleDialogTest, ApplyWritesAndStaysOpenAndCancelKeepsIt)
{
    bool stillRunningAfterApply = false;
    sigc::connection afterApply;
    whenShown([&](MapStyleDialog& dialog) {
        EXPECT_EQ(dialog.get_title(), localized("map_style_dialog_title"));
        EXPECT_EQ(dialog.tabs().get_n_pages(), 5);
        EXPECT_EQ(dialog.tabs().get_current_page(), 0);
        // No checkbox colour of its own: green 600 with the box off.
        EXPECT_FALSE(dialog.mapStyleView().check(MapStyleFrame::Check::CheckboxColor).get_active());
        const Gdk::RGBA green = dialog.mapStyleView().checkboxColorButton().get_rgba();
        EXPECT_NEAR(green.get_red(), 67 / 255.0, 1e-6);
        EXPECT_NEAR(green.get_green(), 160 / 255.0, 1e-6);
        EXPECT_NEAR(green.get_blue(), 71 / 255.0, 1e-6);

        press(dialog.mapStyleView().autoNumberingRadio(2));
        press(dialog.applyButton());
        EXPECT_EQ(map->autoNumberStyle(), 2);
        // A run that Apply ended would return before this step comes.
        afterApply = Glib::signal_timeout().connect(
            [&] {
                stillRunningAfterApply = dialog.get_visible();
                // Apply again without a change adds no step.
                press(dialog.applyButton());
                press(dialog.mapStyleView().check(MapStyleFrame::Check::BackgroundColor));
                EXPECT_TRUE(dialog.mapStyleView().check(MapStyleFrame::Check::BackgroundColor).get_active());
                dialog.response(Gtk::RESPONSE_CANCEL);
                return false;
            },
            200);
    });
    EXPECT_FALSE(MapStyleController::editMindMapStyle(map.get()));
    afterApply.disconnect();
    EXPECT_TRUE(stillRunningAfterApply);
    EXPECT_EQ(map->autoNumberStyle(), 2);
    EXPECT_FALSE(map->style()->isPropCustomized(MindMapStyle::BackgroundColorMask));
    ASSERT_TRUE(map->undoManager()->canUndo());
    map->undoManager()->undo();
    EXPECT_FALSE(map->undoManager()->canUndo());
    EXPECT_EQ(map->autoNumberStyle(), 0);
}

TEST_F(MapStyleDialogTest, OkWritesTheTickedBoxAndAChosenConnectionStyle)
{
    whenShown([&](MapStyleDialog& dialog) {
        press(dialog.mapStyleView().check(MapStyleFrame::Check::CheckboxColor));
        dialog.tabs().set_current_page(2);
        RealInput::pump(100);
        dialog.parentStyleView().connectionStylePopup().set_active(2);
        press(dialog.okButton());
    });
    EXPECT_TRUE(MapStyleController::editMindMapStyle(map.get()));
    EXPECT_TRUE(map->style()->isPropCustomized(MindMapStyle::CheckboxColorMask));
    EXPECT_EQ(map->style()->checkboxColor(), Color::rgb255(67, 160, 71));
    EXPECT_EQ(map->style()->connectionStyle(), 2);
    ASSERT_TRUE(map->undoManager()->canUndo());
    EXPECT_EQ(map->undoManager()->undoActionName(), localized("map_style_dialog_title"));
}
