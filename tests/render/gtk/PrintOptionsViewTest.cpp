#include "Editor/gtk/GtkTestSupport.h"
#include "platform/UserDefaults.h"
#include "render/gtk/PrintOptionsViewController.h"

#include <gtest/gtest.h>
#include <gtkmm.h>

TEST(PrintOptionsView, TheSliderAndTheScaleFollowEachOther)
{
    initGtkForTests();
    UserDefaults::standard().resetForTesting();
    PrintOptionsViewController controller({3000, 2000}, {0, 0});
    EXPECT_EQ(controller.pageFormatPopup().get_active_text(), "A4");
    EXPECT_FALSE(controller.scaleSlider().get_sensitive());
    EXPECT_EQ(controller.scaleSlider().get_value(), 45);

    controller.modeRadio(3).set_active(true);
    EXPECT_TRUE(controller.scaleSlider().get_sensitive());
    // 1639.44 x 1099.44 points on A4 less its margins: 4 x 2 upright beats 3 x 3 turned.
    EXPECT_EQ(controller.pagesLabel().get_text(), "8: 4 x 2");
    controller.scaleSlider().set_value(20);
    EXPECT_DOUBLE_EQ(controller.tileScale(), 0.5);
    EXPECT_EQ(controller.scaleLabel().get_text(), "Scale: 50%");
    EXPECT_EQ(controller.preview().printMatrix().pages(), 2);
    controller.setTileScale(1.5);
    EXPECT_EQ(controller.scaleSlider().get_value(), 70);

    controller.commitSettings();
    PrintOptionsViewController again({3000, 2000}, {100, 100});
    EXPECT_TRUE(again.modeRadio(3).get_active());
    EXPECT_EQ(again.scaleSlider().get_value(), 70);
    UserDefaults::standard().resetForTesting();
}
