#include "render/PrintOptionsModel.h"
#include "platform/UserDefaults.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

class PrintOptions : public ::testing::Test {
protected:
    void SetUp() override { UserDefaults::standard().resetForTesting(); }
    void TearDown() override { UserDefaults::standard().resetForTesting(); }
};

TEST_F(PrintOptions, SliderStepsAndScales)
{
    struct Case {
        int64_t step;
        double scale;
    };
    // (2k + 10) / 100 both ways; scales between steps round to the nearest one.
    const Case cases[] = {{0, 0.10}, {45, 1.00}, {70, 1.50}, {95, 2.00}};
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(PrintOptionsModel::tileScaleForSliderStep(c.step), c.scale) << c.step;
        EXPECT_EQ(PrintOptionsModel::sliderStepForTileScale(c.scale), c.step) << c.scale;
    }
    EXPECT_EQ(PrintOptionsModel::sliderStepForTileScale(1.011), 46);
    EXPECT_EQ(PrintOptionsModel::sliderStepForTileScale(-3), 0);
    EXPECT_EQ(PrintOptionsModel::sliderStepForTileScale(50), 95);
    EXPECT_EQ(PrintOptionsModel::sliderStepForTileScale(std::nan("")), 0);
}

TEST_F(PrintOptions, DefaultsAndStoredSettings)
{
    PrintOptionsModel model({1000, 800}, {0, 0});
    EXPECT_EQ(model.pageFormat(), 3);
    EXPECT_EQ(model.printMode(), 0);
    EXPECT_EQ(model.printOptions(), 0);
    EXPECT_DOUBLE_EQ(model.tileScale(), 1.0);
    // Nothing selected: the selection range cannot be chosen.
    model.setSelectionRangeChosen(true);
    EXPECT_FALSE(model.allowSelectionRange());
    EXPECT_FALSE(model.selectionOnly());

    UserDefaults& defaults = UserDefaults::standard();
    defaults.setInteger(PrintOptionsModel::PrintModeKey, 7);
    defaults.setInteger(PrintOptionsModel::PageFormatKey, 10);
    defaults.setInteger(PrintOptionsModel::PageBorderKey, 2);
    defaults.setDouble(PrintOptionsModel::TileScaleKey, 1.5);
    model.loadSettings(defaults);
    EXPECT_EQ(model.printMode(), 0);
    EXPECT_EQ(model.pageFormat(), 10);
    EXPECT_EQ(model.printOptions(), 2);
    EXPECT_EQ(model.sliderStep(), 70);

    // Indexes the lists do not have select nothing.
    defaults.setInteger(PrintOptionsModel::PageFormatKey, -1);
    defaults.setInteger(PrintOptionsModel::PageBorderKey, 3);
    model.loadSettings(defaults);
    EXPECT_EQ(model.pageFormatItem(), -1);
    EXPECT_EQ(model.pageFormat(), 0);
    EXPECT_EQ(model.printOptions(), 0);

    model.setPrintMode(3);
    model.setPageFormat(7);
    model.setPageBorderItem(1);
    model.commitSettings(defaults);
    PrintOptionsModel reloaded({1, 1}, {1, 1});
    reloaded.loadSettings(defaults);
    EXPECT_EQ(reloaded.printMode(), 3);
    EXPECT_EQ(reloaded.pageFormat(), 7);
    EXPECT_EQ(reloaded.printOptions(), 1);
    EXPECT_EQ(reloaded.sliderStep(), 70);
}

TEST_F(PrintOptions, SheetsTheChoiceNeeds)
{
    // 3000 x 2000 map units plus margins, at 0.54 points each, on A4 less 20 mm all round.
    PrintOptionsModel model({3000, 2000}, {10, 10});
    for (int64_t mode : {0, 1}) {
        model.setPrintMode(mode);
        EXPECT_EQ(model.pagesLabelText(), "1: 1 x 1");
        EXPECT_FALSE(model.scaleSliderEnabled());
    }
    model.setPrintMode(PrintOptionsModel::TiledScaled);
    EXPECT_TRUE(model.scaleSliderEnabled());
    // 1639.44 x 1099.44 points on 482.61 x 728.61: 4 x 2 upright, 3 x 3 turned.
    EXPECT_EQ(model.pagesLabelText(), "8: 4 x 2");
    EXPECT_TRUE(model.printMatrix().isPortrait());
    EXPECT_EQ(model.scaleLabelText(), "Scale: 100%");
    model.setTileScale(0.5);
    EXPECT_EQ(model.pagesLabelText(), "2: 2 x 1");
    // The selection, when chosen, and a fallback size for one too small.
    model.setSelectionRangeChosen(true);
    EXPECT_EQ(model.pagesLabelText(), "1: 1 x 1");
    PrintOptionsModel empty({0, 0}, {0, 0});
    empty.setPrintMode(PrintOptionsModel::TiledFit);
    empty.setTileScale(2);
    EXPECT_EQ(empty.pagesLabelText(), "2: 2 x 1");
}

TEST_F(PrintOptions, PreviewOfTwoByThreeLandscapeSheets)
{
    PrintMatrix matrix;
    matrix.setIsPortrait(false);
    matrix.setColumns(2);
    matrix.setRows(3);
    const PrintOptionsModel::PreviewLayout layout = PrintOptionsModel::previewLayout(matrix, {300, 200});
    EXPECT_DOUBLE_EQ(layout.scale, 196.0 / 630.0);
    ASSERT_EQ(layout.sheets.size(), 6u);
    const double w = 290 * layout.scale, h = 210 * layout.scale;
    const double ox = (300 - 2 * w) / 2, oy = (200 - 3 * h) / 2;
    EXPECT_EQ(layout.sheets[0], Rect(ox + 2, oy + 2, w - 4, h - 4));
    EXPECT_EQ(layout.sheets[5], Rect(ox + w + 2, oy + 2 * h + 2, w - 4, h - 4));

    matrix.setColumns(100000);
    matrix.setRows(100000);
    EXPECT_EQ(PrintOptionsModel::previewLayout(matrix, {300, 200}).sheets.size(), 1u);
    EXPECT_TRUE(PrintOptionsModel::previewLayout(matrix, {3, 3}).sheets.empty());
}

} // namespace
