// The icon tab on the display: a click with the real pointer puts the icon on the selected topic.

#include "panels/gtk/IconPickerView.h"
#include "Editor/gtk/GtkTestSupport.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "formats/TwkxMindMapReader.h"
#include "formats/TwkxMindMapWriter.h"
#include "panels/IconPickerMapDelegate.h"
#include "platform/UndoManager.h"
#include "platform/UserDefaults.h"
#include "store/CustomImageStore.h"
#include "store/FlatStockIcons.h"
#include "support/TempDir.h"

#include <gdk/gdk.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

namespace {

// Runs the main loop until the condition holds or a few seconds have passed.
bool waitFor(const std::function<bool()>& condition)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        drainGtkEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// Lets the display deliver what it has for a while; also keeps two clicks from counting as one
// double click.
void settle(std::chrono::milliseconds time)
{
    const auto end = std::chrono::steady_clock::now() + time;
    while (std::chrono::steady_clock::now() < end) {
        drainGtkEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// A press and a release through the X server (xdotool's XTEST events), at a point of the widget.
void clickAt(Gtk::Widget& widget, int x, int y)
{
    Gtk::Widget* top = widget.get_toplevel();
    int inTopX = 0;
    int inTopY = 0;
    ASSERT_TRUE(widget.translate_coordinates(*top, x, y, inTopX, inTopY));
    int originX = 0;
    int originY = 0;
    top->get_window()->get_origin(originX, originY);
    const std::string command =
        "xdotool mousemove " + std::to_string(originX + inTopX) + " " + std::to_string(originY + inTopY) + " click 1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

std::string readBackIcon(MindMap& map, const std::string& text)
{
    const MindMapData data = TwkxMindMapWriter::writeMindMap(map);
    MindMap copy(std::make_shared<CustomImageStore>());
    if (!TwkxMindMapReader::readMindMap(copy, data)) return "<unreadable>";
    for (MindMapNode* node : copy.nodes())
        if (node->text() == text) return node->iconName();
    return "<missing>";
}

} // namespace

TEST(IconPickerViewTest, AClickOnAFlatIconPutsItOnTheSelectedTopicAsOneStep)
{
    initGtkForTests();
    UserDefaults::standard().resetForTesting();
    registerNativeFormat();
    TempDir folder;
    auto mapImages = std::make_shared<CustomImageStore>(folder.file("Images"));
    auto icons = std::make_shared<CustomImageStore>(folder.file("Custom Icons"));
    std::filesystem::create_directories(icons->imagesDirectory());
    MindMap map(mapImages);
    map.newMindMap("", false, std::nullopt);
    MindMapNode* root = map.internalAddCentralTheme("Root");
    MindMapNode* topic = map.addMindMapNodeAsChild(root, Point{200, 0});
    topic->setText("Topic");
    map.setSelectedElement(topic);
    map.undoManager()->removeAllActions();

    int focusReturns = 0;
    MapIconPickerDelegate owner([&map] { return &map; }, [&focusReturns] { ++focusReturns; });
    Gtk::Window window;
    window.set_default_size(240, 500);
    IconPickerView view(&owner, icons, folder.path());
    window.add(view);
    window.show_all();
    view.tabs().set_current_page(int(IconPickerView::Tab::StockIcons));
    ASSERT_TRUE(waitFor([&] { return window.get_window() && window.get_window()->is_viewable(); }));
    ImageGridView& grid = view.grid(IconPickerView::Tab::StockIcons);
    ASSERT_TRUE(waitFor([&] { return grid.count() > 2 && grid.cellArea(2).get_width() > 0; }));

    // Disabled (no editable topic yet): the click picks nothing and leaves no cell selected.
    const Gdk::Rectangle cell = grid.cellArea(2);
    clickAt(grid.flowBox(), cell.get_x() + cell.get_width() / 2, cell.get_y() + cell.get_height() / 2);
    settle(std::chrono::milliseconds(600));
    EXPECT_FALSE(view.clearButton().get_sensitive());
    EXPECT_EQ(topic->iconName(), "");
    EXPECT_FALSE(grid.selectedIndex());

    view.controller().setEnabled(true);
    EXPECT_FALSE(view.clearButton().get_sensitive()) << "Remove Icon with no icon to remove";
    clickAt(grid.flowBox(), cell.get_x() + cell.get_width() / 2, cell.get_y() + cell.get_height() / 2);
    const std::string expected = FlatStockIcons::flatStockIcons().iconNames().at(2);
    ASSERT_TRUE(waitFor([&] { return topic->iconName() == expected; })) << topic->iconName();
    EXPECT_FALSE(grid.selectedIndex()) << "a picked cell stays unselected";
    EXPECT_EQ(focusReturns, 1);
    EXPECT_EQ(readBackIcon(map, "Topic"), expected);
    view.controller().setHasIconToRemove(MapIconPickerDelegate::selectionHasAnIcon(&map));
    EXPECT_TRUE(view.clearButton().get_sensitive());
    UndoManager& undo = *map.undoManager();
    ASSERT_TRUE(undo.canUndo());
    undo.undo();
    EXPECT_FALSE(undo.canUndo()) << "more than one step";
    EXPECT_EQ(readBackIcon(map, "Topic"), "");
}

// The tab the user left opens again, and a grid gets its cells only once its tab shows.
TEST(IconPickerViewTest, TheLastTabOpensAgainAndGridsFillWhenTheirTabShows)
{
    initGtkForTests();
    UserDefaults::standard().resetForTesting();
    UserDefaults::standard().setString("iconPicker.SelectedTabIdent", "classicIcons");
    TempDir folder;
    auto icons = std::make_shared<CustomImageStore>(folder.file("Custom Icons"));
    IconPickerView view(nullptr, icons, folder.path());
    EXPECT_EQ(view.tabs().get_current_page(), int(IconPickerView::Tab::ClassicIcons));
    EXPECT_GT(view.grid(IconPickerView::Tab::ClassicIcons).count(), 0u);
    EXPECT_EQ(view.grid(IconPickerView::Tab::StockIcons).count(), 0u);
    view.tabs().set_current_page(int(IconPickerView::Tab::StockIcons));
    EXPECT_EQ(view.grid(IconPickerView::Tab::StockIcons).count(), FlatStockIcons::flatStockIcons().iconNames().size());
    EXPECT_EQ(UserDefaults::standard().stringForKey("iconPicker.SelectedTabIdent"), "stockIcons");
}
