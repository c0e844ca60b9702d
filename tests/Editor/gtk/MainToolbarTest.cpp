#include "Editor/gtk/MainToolbar.h"
#include "Editor/CommandRouter.h"
#include "Editor/gtk/SegmentedControlWidget.h"
#include "Editor/gtk/ToolbarCustomizeDialog.h"
#include "GtkTestSupport.h"
#include "platform/Localizer.h"
#include "platform/UserDefaults.h"
#include "support/RecordingResponder.h"

#include <gtest/gtest.h>

namespace {

struct EntryField : EditorSearchField {
    void clearText() override {}
    void setEnabled(bool) override {}
};

class MainToolbarTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        initGtkForTests();
        UserDefaults::standard().resetForTesting();
        TwToolbar::setSearchFieldFactory([] { return std::make_unique<EntryField>(); });
        MainToolbar::setSearchWidgetFactory([](EditorSearchField&) { return std::make_unique<Gtk::Entry>(); });
    }
    void TearDown() override
    {
        TwToolbar::setSearchFieldFactory(nullptr);
        MainToolbar::setSearchWidgetFactory(nullptr);
        UserDefaults::standard().resetForTesting();
    }

    TwToolbar::Context context()
    {
        TwToolbar::Context c;
        c.controller = &controller;
        c.setSearchBar = [this](EditorSearchField* field) { searchBars.push_back(field); };
        return c;
    }

    std::vector<std::string> log;
    RecordingResponder controller{"controller", log};
    std::vector<EditorSearchField*> searchBars;
};

} // namespace

TEST_F(MainToolbarTest, ShowsEveryItemWithItsLabelAndTheSearchFieldInItsWidths)
{
    TwToolbar toolbar(context());
    toolbar.loadConfiguration();
    MainToolbar widget(toolbar);
    Gtk::Window window;
    window.add(widget);
    window.set_default_size(1400, -1);
    window.show_all();
    drainGtkEvents();

    ASSERT_EQ(TwToolbar::defaultItemIdentifiers().size(), static_cast<size_t>(widget.get_n_items()));
    EXPECT_EQ(Gtk::TOOLBAR_BOTH, widget.get_toolbar_style());
    for (size_t i = 0; i < toolbar.items().size(); ++i)
        EXPECT_EQ(toolbar.items()[i]->label(), widget.itemLabel(i)) << i;

    SegmentedControlWidget* zoom = widget.controlWidget("Zoom");
    ASSERT_TRUE(zoom);
    EXPECT_EQ("100%", zoom->button(0).get_label());
    toolbar.setZoomFactorText("150%");
    EXPECT_EQ("150%", zoom->button(0).get_label());

    ASSERT_TRUE(widget.searchWidget());
    ASSERT_EQ(1u, searchBars.size());
    EXPECT_TRUE(searchBars[0]);
    int minimum = 0, natural = 0;
    widget.searchWidget()->get_parent()->get_preferred_width(minimum, natural);
    EXPECT_EQ(120, natural);
    EXPECT_EQ(120, widget.searchFieldWidth()) << "room for every item: the widest";
    EXPECT_EQ(120, widget.searchWidget()->get_allocated_width());

    // Widths are given through the window, as a user's resize gives them: a toolbar allocated by
    // hand would be laid out again at the window's width whenever the window's own layout comes.
    const auto resizeTo = [&](int width) {
        window.resize(width, window.get_allocated_height());
        for (int tries = 0; tries < 300 && widget.get_allocated_width() != width; ++tries) {
            drainGtkEvents();
            g_usleep(10000);
        }
        drainGtkEvents();
        return widget.get_allocated_width() == width;
    };

    // The default window has room for every item with the field at its widest.
    ASSERT_TRUE(resizeTo(1200));
    EXPECT_EQ(120, widget.searchFieldWidth());

    // Short of room, the field gives way first, down to its narrowest.
    int toolbarMinimum = 0, toolbarNatural = 0;
    widget.get_preferred_width(toolbarMinimum, toolbarNatural);
    ASSERT_TRUE(resizeTo(toolbarNatural - 50));
    EXPECT_NEAR(70, widget.searchFieldWidth(), 8);
    ASSERT_TRUE(resizeTo(toolbarNatural - 300));
    EXPECT_EQ(40, widget.searchFieldWidth());
    window.remove();
}

TEST_F(MainToolbarTest, TheDialogAddsMovesAndRemovesItemsAndStoresTheList)
{
    TwToolbar toolbar(context());
    toolbar.setItemIdentifiers({"Zoom", "Search MindMaps"});
    MainToolbar widget(toolbar);
    Gtk::Window window;
    window.add(widget);
    window.show_all();
    // The customise item's click opens the dialog.
    toolbar.insertItem("Customize toolbar", 2);
    ASSERT_TRUE(widget.controlWidget("Customize toolbar"));
    widget.controlWidget("Customize toolbar")->button(0).clicked();
    ToolbarCustomizeDialog* dialog = widget.customizeDialog();
    ASSERT_TRUE(dialog);
    drainGtkEvents();

    const auto& available = dialog->availableIdentifiers();
    EXPECT_EQ(available.end(), std::ranges::find(available, "Zoom")) << "shown items are not offered again";
    auto style = std::ranges::find(available, "Style sheet");
    ASSERT_NE(available.end(), style);
    EXPECT_EQ(localized("style_selector_dialog_title"), dialog->paletteLabel("Style sheet"));
    dialog->selectAvailable(static_cast<int>(style - available.begin()));
    dialog->selectShown(0);
    dialog->addSelected();
    EXPECT_EQ((std::vector<std::string>{"Zoom", "Style sheet", "Search MindMaps", "Customize toolbar"}),
              toolbar.itemIdentifiers());
    EXPECT_EQ(static_cast<int>(toolbar.items().size()), widget.get_n_items());

    dialog->selectShown(2);
    dialog->moveSelected(-1);
    dialog->moveSelected(-1);
    EXPECT_EQ((std::vector<std::string>{"Search MindMaps", "Zoom", "Style sheet", "Customize toolbar"}),
              toolbar.itemIdentifiers());
    dialog->moveSelected(-1);
    EXPECT_EQ("Search MindMaps", toolbar.itemIdentifiers()[0]) << "the first cannot move further up";

    dialog->removeSelected();
    EXPECT_FALSE(widget.searchWidget());
    ASSERT_FALSE(searchBars.empty());
    EXPECT_EQ(nullptr, searchBars.back()) << "the explorers lose their field";
    const PropertyList stored = UserDefaults::standard().objectForKey(TwToolbar::Identifier);
    EXPECT_EQ(PropertyList(PropertyList::Array{PropertyList("Zoom"), PropertyList("Style sheet"),
                                               PropertyList("Customize toolbar")}),
              stored);

    dialog->restoreDefaults();
    EXPECT_EQ(TwToolbar::defaultItemIdentifiers(), toolbar.itemIdentifiers());
    dialog->hide();
    window.remove();
}

TEST_F(MainToolbarTest, LabelsAreShownAsTheyAreAndSpacesTakeTheirRoom)
{
    TwToolbar toolbar(context());
    toolbar.setItemIdentifiers({"Undo commands", "Space", "FlexibleSpace"});
    MainToolbar widget(toolbar);
    // Neither markup nor a mnemonic: the label shows every character.
    toolbar.items()[0]->setLabel("<b>_Undo</b>");
    toolbar.insertItem("Separator", 3);
    EXPECT_EQ("<b>_Undo</b>", widget.itemLabel(0));
    ASSERT_EQ(4, widget.get_n_items());
    auto* space = dynamic_cast<Gtk::SeparatorToolItem*>(widget.get_nth_item(1));
    auto* flexible = dynamic_cast<Gtk::SeparatorToolItem*>(widget.get_nth_item(2));
    auto* separator = dynamic_cast<Gtk::SeparatorToolItem*>(widget.get_nth_item(3));
    ASSERT_TRUE(space && flexible && separator);
    EXPECT_FALSE(space->get_draw());
    EXPECT_FALSE(space->get_expand());
    EXPECT_TRUE(flexible->get_expand()) << "the flexible space takes the room left";
    EXPECT_TRUE(separator->get_draw());
}

TEST_F(MainToolbarTest, ItemsTheWindowIsTooNarrowForAreReachedThroughTheOverflowMenu)
{
    RecordingResponder editor("editor", log);
    editor.handle("redo:");
    CommandRouter::shared().setResponderChain([&editor] { return std::vector<Responder*>{&editor}; });
    TwToolbar toolbar(context());
    toolbar.loadConfiguration();
    MainToolbar widget(toolbar);
    toolbar.validate();
    const auto& identifiers = TwToolbar::defaultItemIdentifiers();
    const auto indexOf = [&identifiers](const std::string& identifier) {
        return static_cast<int>(std::find(identifiers.begin(), identifiers.end(), identifier) - identifiers.begin());
    };

    // One segment with a menu: the entry opens that menu.
    const int zoom = indexOf("Zoom");
    auto* zoomEntry = dynamic_cast<Gtk::MenuItem*>(widget.get_nth_item(zoom)->retrieve_proxy_menu_item());
    ASSERT_TRUE(zoomEntry);
    EXPECT_EQ(widget.itemLabel(zoom), zoomEntry->get_label().raw());
    EXPECT_TRUE(zoomEntry->get_submenu());

    // Several segments: one entry each, named without the key of the tool tip, acting as a click.
    const int undo = indexOf("Undo commands");
    auto* undoEntry = dynamic_cast<Gtk::MenuItem*>(widget.get_nth_item(undo)->retrieve_proxy_menu_item());
    ASSERT_TRUE(undoEntry);
    ASSERT_TRUE(undoEntry->get_submenu());
    std::vector<Gtk::Widget*> entries = undoEntry->get_submenu()->get_children();
    ASSERT_EQ(2u, entries.size());
    auto* redo = dynamic_cast<Gtk::MenuItem*>(entries[1]);
    ASSERT_TRUE(redo);
    EXPECT_EQ(std::string::npos, redo->get_label().raw().find("  (")) << redo->get_label().raw();
    redo->activate();
    EXPECT_EQ(std::vector<std::string>{"editor redo:"}, log);
    CommandRouter::shared().setResponderChain(nullptr);
}
