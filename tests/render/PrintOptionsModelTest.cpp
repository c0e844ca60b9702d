#include "render/PrintOptionsModel.h"
#include "platform/UserDefaults.h"

#include <gtest/gtest.h>

namespace {

TEST(PrintOptions, DefaultsSliderAndStoredSettings)
{
    UserDefaults& defaults = UserDefaults::standard();
    defaults.resetForTesting();
    PrintOptionsModel model({3000, 2000}, {0, 0});
    EXPECT_EQ(model.pageFormat(), 3);
    EXPECT_EQ(model.printMode(), 0);
    EXPECT_EQ(model.printOptions(), 0);
    EXPECT_EQ(model.sliderStep(), 45);
    EXPECT_DOUBLE_EQ(model.tileScale(), 1.0);
    // Nothing selected: the selection range cannot be chosen.
    model.setSelectionRangeChosen(true);
    EXPECT_FALSE(model.selectionOnly());
    // Fitting and shrinking need one sheet whatever the map's size.
    EXPECT_EQ(model.pagesLabelText(), "1: 1 x 1");

    defaults.setInteger(PrintOptionsModel::PrintModeKey, 7);
    defaults.setDouble(PrintOptionsModel::TileScaleKey, 1.5);
    model.loadSettings(defaults);
    EXPECT_EQ(model.printMode(), 0);
    EXPECT_EQ(model.sliderStep(), 70);
    EXPECT_DOUBLE_EQ(PrintOptionsModel::tileScaleForSliderStep(70), 1.5);
    defaults.resetForTesting();
}

TEST(PrintOptions, PreviewOfTwoByThreeLandscapeSheets)
{
    PrintMatrix matrix;
    matrix.setIsPortrait(false);
    matrix.setColumns(2);
    matrix.setRows(3);
    const PrintOptionsModel::PreviewLayout layout = PrintOptionsModel::previewLayout(matrix, {300, 200});
    EXPECT_DOUBLE_EQ(layout.scale, 196.0 / 630.0);
    ASSERT_EQ(layout.sheets.size(), 6u);
    const double w = 290 * layout.scale, h = 210 * layout.scale;
    EXPECT_EQ(layout.sheets[0], Rect((300 - 2 * w) / 2 + 2, (200 - 3 * h) / 2 + 2, w - 4, h - 4));
}

} // namespace
