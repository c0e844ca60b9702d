#include "Editor/gtk/ToolbarImageFactory.h"
#include "Editor/TwToolbar.h"
#include "Editor/gtk/SegmentedControlWidget.h"
#include "GtkTestSupport.h"
#include "support/RecordingResponder.h"

#include <gtest/gtest.h>

TEST(ToolbarImageFactoryTest, EveryPictureTheToolbarNamesIsOnScreen)
{
    initGtkForTests();
    // The whole table, then every segment of every item the toolbar can make (the table must not
    // miss one a segment names).
    auto theme = Gtk::IconTheme::get_default();
    for (const ToolbarImageRow& row : toolbarImageRows()) {
        if (row.iconName) {
            EXPECT_TRUE(theme->has_icon(row.iconName)) << row.name << " -> " << row.iconName;
        } else {
            auto picture = ToolbarImageFactory::picture(row, 2);
            ASSERT_TRUE(picture) << row.name;
            EXPECT_EQ(32, picture->get_width()) << row.name;
        }
    }
    TwToolbar::setSearchFieldFactory(nullptr);
    TwToolbar toolbar({});
    for (const std::string& identifier : TwToolbar::allowedItemIdentifiers()) {
        std::unique_ptr<TwToolbarItem> item = toolbar.makeItem(identifier, false);
        if (!item || !item->segmentedItem()) continue;
        for (const auto& segment : item->segmentedItem()->controlItem().segments()) {
            Gtk::Image image;
            EXPECT_TRUE(ToolbarImageFactory::setImage(image, segment->image(), 1))
                << identifier << ": " << segment->image();
            EXPECT_NE(Gtk::IMAGE_EMPTY, image.get_storage_type()) << segment->image();
        }
    }
    Gtk::Image unknown;
    EXPECT_FALSE(ToolbarImageFactory::setImage(unknown, "no such picture", 1));
    EXPECT_EQ(Gtk::IMAGE_EMPTY, unknown.get_storage_type());
}

TEST(ToolbarImageFactoryTest, HoldingTheHistoryButtonOpensItsMenuAndTheReleaseDoesNotGoBack)
{
    initGtkForTests();
    std::vector<std::string> log;
    RecordingResponder documentController("documentController", log);
    documentController.handle("navigateBackward:");
    TwToolbar::Context context;
    context.documentController = &documentController;
    TwToolbar toolbar(context);
    std::unique_ptr<TwToolbarItem> item = toolbar.makeItem("Navigate MindMap", true);
    SegmentedControlWidget widget(item->segmentedItem()->controlItem());
    // A real window: the held button's menu pops up over it.
    Gtk::Window window;
    window.add(widget);
    window.show_all();
    drainGtkEvents();

    widget.button(0).clicked();
    EXPECT_EQ(std::vector<std::string>{"documentController navigateBackward:"}, log) << "a click goes back";
    widget.holdSegment(0);
    widget.button(0).clicked();
    EXPECT_EQ(1u, log.size()) << "the release after the hold is no click";
    widget.button(0).clicked();
    EXPECT_EQ(2u, log.size());
    window.remove();
}
