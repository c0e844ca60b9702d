#include "Editor/gtk/GtkTestSupport.h"
#include "MindMaps/MindMapTestSupport.h"
#include "platform/UserDefaults.h"
#include "render/TiledMindMapRenderingView.h"
#include "render/gtk/PrintOptionsViewController.h"
#include "support/PixelProbe.h"

#include <gtest/gtest.h>
#include <gtkmm.h>

using namespace maptest;

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

// The tab's preview is the print: a wide map on A4 comes out on a landscape sheet with the map on
// it, not on a blank upright sheet.
TEST(PrintOptionsView, ThePreviewShowsTheSheetsAndTheMapAsTheyArePrinted)
{
    initGtkForTests();
    UserDefaults::standard().resetForTesting();
    MindMap map;
    map.newMindMap("", false, std::nullopt);
    addTopic(map, nullptr, Point{0, 0}, "west");
    addTopic(map, nullptr, Point{1500, 300}, "east");
    map.validateElementStates();
    PrintOptionsViewController controller({1600, 400}, {0, 0}, &map);
    Gtk::OffscreenWindow window;
    window.add(controller.view());
    window.show_all();
    drainGtkEvents();
    PrintMatrixPreview& preview = controller.preview();
    ASSERT_TRUE(preview.pages());
    EXPECT_FALSE(preview.printMatrix().isPortrait());
    EXPECT_GT(preview.pages()->pageSize().width, preview.pages()->pageSize().height) << "an A4 landscape page";

    const int width = preview.get_allocated_width(), height = preview.get_allocated_height();
    ASSERT_GT(width, 100);
    auto surface = Cairo::ImageSurface::create(Cairo::FORMAT_ARGB32, width, height);
    gtk_widget_draw(GTK_WIDGET(preview.gobj()), Cairo::Context::create(surface)->cobj());
    surface->flush();
    const Rgb paper{255, 255, 255};
    EXPECT_EQ(paper, pixelAt(surface->cobj(), width / 8, height / 2)) << "the sheet reaches across, landscape";
    int marked = 0;
    for (int y = height / 4; y < height * 3 / 4; ++y)
        for (int x = width / 8; x < width * 7 / 8; ++x)
            if (!(pixelAt(surface->cobj(), x, y) == paper)) ++marked;
    EXPECT_GT(marked, 50) << "the map is on the sheet";

    // Tiled over several sheets, each shows its part of the map.
    controller.setPrintMode(PrintOptionsModel::TiledScaled);
    controller.setTileScale(2.0);
    EXPECT_EQ(preview.pages()->printMatrix().pages(), preview.printMatrix().pages());
    EXPECT_GT(preview.printMatrix().pages(), 1);
    window.remove();
    UserDefaults::standard().resetForTesting();
}
