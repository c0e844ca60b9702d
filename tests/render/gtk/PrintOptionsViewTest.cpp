#include "platform/UserDefaults.h"
#include "render/gtk/PrintOptionsViewController.h"

#include <gtest/gtest.h>
#include <gtkmm.h>

namespace {

class PrintOptionsView : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!gtk_init_check(nullptr, nullptr)) GTEST_SKIP() << "no display";
        Gtk::Main::init_gtkmm_internals();
        UserDefaults::standard().resetForTesting();
    }
};

TEST_F(PrintOptionsView, TheSliderAndTheScaleFollowEachOther)
{
    PrintOptionsViewController controller({3000, 2000}, {0, 0});
    EXPECT_EQ(controller.pageFormatPopup().get_active_row_number(), 3);
    EXPECT_EQ(controller.pageFormatPopup().get_active_text(), "A4");
    EXPECT_EQ(controller.pageBorderPopup().get_active_row_number(), 0);
    EXPECT_TRUE(controller.modeRadio(0).get_active());
    EXPECT_FALSE(controller.rangeSelectionRadio().get_sensitive());
    EXPECT_FALSE(controller.scaleSlider().get_sensitive());
    EXPECT_EQ(controller.scaleSlider().get_value(), 45);
    EXPECT_DOUBLE_EQ(controller.tileScale(), 1.0);

    controller.modeRadio(3).set_active(true);
    EXPECT_EQ(controller.printMode(), 3);
    EXPECT_TRUE(controller.scaleSlider().get_sensitive());
    EXPECT_EQ(controller.pagesLabel().get_text(), "8: 4 x 2");

    controller.scaleSlider().set_value(20);
    EXPECT_DOUBLE_EQ(controller.tileScale(), 0.5);
    EXPECT_EQ(controller.scaleLabel().get_text(), "Scale: 50%");
    EXPECT_EQ(controller.pagesLabel().get_text(), "2: 2 x 1");
    EXPECT_EQ(controller.preview().printMatrix().pages(), 2);

    controller.setTileScale(1.5);
    EXPECT_EQ(controller.scaleSlider().get_value(), 70);
    EXPECT_EQ(controller.scaleLabel().get_text(), "Scale: 150%");

    controller.pageFormatPopup().set_active(0);
    controller.commitSettings();
    EXPECT_EQ(UserDefaults::standard().integerForKey(PrintOptionsModel::PrintModeKey), 3);
    EXPECT_EQ(UserDefaults::standard().integerForKey(PrintOptionsModel::PageFormatKey), 0);
    EXPECT_DOUBLE_EQ(UserDefaults::standard().doubleForKey(PrintOptionsModel::TileScaleKey), 1.5);

    // A new accessory starts from what was committed.
    PrintOptionsViewController again({3000, 2000}, {100, 100});
    EXPECT_TRUE(again.modeRadio(3).get_active());
    EXPECT_EQ(again.scaleSlider().get_value(), 70);
    EXPECT_TRUE(again.rangeSelectionRadio().get_sensitive());
}

} // namespace
