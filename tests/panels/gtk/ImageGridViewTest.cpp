#include "panels/gtk/ImageGridView.h"
#include "RealInput.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

Image square(int side)
{
    Image image(side, side);
    cairo_t* cr = cairo_create(image.surface());
    cairo_set_source_rgb(cr, 0.2, 0.4, 0.8);
    cairo_paint(cr);
    cairo_destroy(cr);
    return image;
}

std::vector<ImageGridCell> cells(size_t count, std::vector<size_t>* made = nullptr)
{
    std::vector<ImageGridCell> result;
    for (size_t index = 0; index < count; ++index)
        result.push_back({"cell" + std::to_string(index),
                          [index, made] {
                              if (made) made->push_back(index);
                              return square(40);
                          },
                          "<b>tip</b> " + std::to_string(index)});
    return result;
}

class ImageGridViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!RealInput::startGtk()) TARNWICK_REQUIRE_DISPLAY(false);
        window = std::make_unique<Gtk::Window>();
        grid = std::make_unique<ImageGridView>("Tarnwick.TestGridDragType", "Hello", 40, 40);
        grid->signalClicked().connect([this](size_t index) { clicked.push_back(index); });
        grid->signalDoubleClicked().connect([this](size_t index) { doubleClicked.push_back(index); });
        grid->signalSelectionChanged().connect([this] { ++selectionChanges; });
        grid->signalMoved().connect([this](size_t from, size_t to) { moves.emplace_back(from, to); });
        window->add(*grid);
    }

    void show(int width, int height)
    {
        window->set_default_size(width, height);
        window->move(0, 0);
        window->show_all();
        window->present();
        ASSERT_TRUE(RealInput::pumpUntil([this] { return grid->get_mapped() && grid->cellArea(0).get_width() > 0; }));
        RealInput::pump(150);
    }

    Gdk::Rectangle area(size_t index) { return grid->cellArea(index); }

    std::unique_ptr<Gtk::Window> window;
    std::unique_ptr<ImageGridView> grid;
    std::vector<size_t> clicked;
    std::vector<size_t> doubleClicked;
    int selectionChanges = 0;
    std::vector<std::pair<size_t, size_t>> moves;
};

} // namespace

TEST_F(ImageGridViewTest, ClicksSelectAndDoubleClicksAreCountedOnceWithTheirCell)
{
    grid->setCells(cells(5));
    show(400, 200);
    const Gdk::Rectangle second = area(1);
    // The cell is the picture's 40 points and the theme's frame for the selection, nothing more.
    EXPECT_EQ(40 + 2 * ImageGridView::CellPadding, second.get_width());
    EXPECT_EQ(second.get_width(), second.get_height());
    EXPECT_EQ(area(0).get_x() + ImageGridView::cellStep(40), second.get_x());
    EXPECT_EQ(area(0).get_y(), second.get_y());
    EXPECT_EQ("<b>tip</b> 1", grid->cell(1).toolTip);

    // The window's first focus lands in the grid without choosing a cell.
    EXPECT_EQ(std::nullopt, grid->selectedIndex());
    RealInput::click(grid->flowBox(), second.get_x() + 20, second.get_y() + 20);
    // The grid counts the press; the box selects at the release, which a busy server may deliver later.
    EXPECT_TRUE(RealInput::pumpUntil([&] { return grid->selectedIndex().has_value(); }));
    EXPECT_EQ(std::vector<size_t>{1}, clicked);
    EXPECT_TRUE(doubleClicked.empty());
    EXPECT_EQ(std::optional<size_t>(1), grid->selectedIndex());
    EXPECT_EQ(1, selectionChanges);

    // Far enough in time from the first click that the next two make one double click.
    RealInput::pump(Gtk::Settings::get_default()->property_gtk_double_click_time().get_value() + 50);
    clicked.clear();
    const Gdk::Rectangle fourth = area(3);
    RealInput::doubleClick(grid->flowBox(), fourth.get_x() + 20, fourth.get_y() + 20);
    EXPECT_TRUE(RealInput::pumpUntil(
        [&] { return !doubleClicked.empty() && grid->selectedIndex() != std::optional<size_t>(1); }));
    EXPECT_EQ(std::vector<size_t>{3}, clicked);
    EXPECT_EQ(std::vector<size_t>{3}, doubleClicked);
    EXPECT_EQ(std::optional<size_t>(3), grid->selectedIndex());

    // Selecting from code tells nobody; new cells keep the selection on the same key.
    const int changes = selectionChanges;
    grid->selectIndex(2);
    std::vector<ImageGridCell> reordered = cells(5);
    std::swap(reordered[0], reordered[2]);
    grid->setCells(std::move(reordered));
    EXPECT_EQ(std::optional<size_t>(0), grid->selectedIndex());
    grid->selectIndex(std::nullopt);
    EXPECT_EQ(std::nullopt, grid->selectedIndex());
    EXPECT_EQ(changes, selectionChanges);
}

TEST_F(ImageGridViewTest, InEditModeADragOnlyReportsItsCellAndDropPosition)
{
    grid->setCells(cells(5));
    show(400, 200);
    const Gdk::Rectangle first = area(0);
    const Gdk::Rectangle fourth = area(3);

    // Outside edit mode a drag moves nothing.
    RealInput::drag(grid->flowBox(), first.get_x() + 20, first.get_y() + 20, fourth.get_x() + 8, fourth.get_y() + 20);
    EXPECT_TRUE(moves.empty());

    grid->setEditMode(true);
    RealInput::pump(Gtk::Settings::get_default()->property_gtk_double_click_time().get_value() + 50);
    RealInput::drag(grid->flowBox(), first.get_x() + 20, first.get_y() + 20, fourth.get_x() + 8, fourth.get_y() + 20);
    ASSERT_EQ(1u, moves.size());
    EXPECT_EQ(std::make_pair(size_t(0), size_t(3)), moves.front());
    // The grid leaves the order to its owner.
    EXPECT_EQ("cell0", grid->cell(0).key);
    EXPECT_TRUE(doubleClicked.empty());

    grid->setEditMode(false);
    RealInput::pump(Gtk::Settings::get_default()->property_gtk_double_click_time().get_value() + 50);
    RealInput::drag(grid->flowBox(), first.get_x() + 20, first.get_y() + 20, fourth.get_x() + 8, fourth.get_y() + 20);
    EXPECT_EQ(1u, moves.size());
}

TEST_F(ImageGridViewTest, DropPositionsFallBetweenCellsByTheirCentres)
{
    grid->setCells(cells(5));
    show(400, 200);
    const Gdk::Rectangle first = area(0);
    const Gdk::Rectangle last = area(4);
    const int middle = first.get_y() + 20;
    const int centre = first.get_width() / 2;
    struct Case {
        int x;
        int y;
        size_t position;
    };
    const Case cases[] = {
        {first.get_x() + 5, middle, 0},             // left half of the first
        {first.get_x() + centre + 5, middle, 1},    // right half of the first
        {area(2).get_x() + centre - 1, middle, 2},  // just left of the third's centre
        {area(2).get_x() + centre + 1, middle, 3},  // just right of it
        {last.get_x() + centre + 5, middle, 5},     // right half of the last
        {last.get_x() + 200, middle, 5},            // beyond the row
        {first.get_x() + 5, last.get_y() + 120, 5}, // below every row
        {first.get_x() + 5, first.get_y() - 2, 0},  // in the spacing above the row
    };
    for (const Case& each : cases)
        EXPECT_EQ(each.position, grid->dropPositionAt(each.x, each.y)) << each.x << "," << each.y;
}

TEST_F(ImageGridViewTest, ImagesAreMadeOnlyForCellsThatCameIntoView)
{
    std::vector<size_t> made;
    grid->setCells(cells(400, &made));
    show(200, 120);
    EXPECT_TRUE(grid->imageMade(0));
    EXPECT_FALSE(grid->imageMade(399));
    EXPECT_LT(made.size(), 100u);

    Glib::RefPtr<Gtk::Adjustment> scroll = grid->get_vadjustment();
    scroll->set_value(scroll->get_upper());
    ASSERT_TRUE(RealInput::pumpUntil([&] { return grid->imageMade(399); }));
    EXPECT_LT(made.size(), 200u);

    // A reloaded image is made again when next drawn.
    const size_t before = made.size();
    grid->reloadImage(399);
    EXPECT_FALSE(grid->imageMade(399));
    ASSERT_TRUE(RealInput::pumpUntil([&] { return grid->imageMade(399); }));
    EXPECT_EQ(before + 1, made.size());
}
