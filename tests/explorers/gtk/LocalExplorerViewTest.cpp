#include "explorers/gtk/LocalExplorerView.h"
#include "Editor/gtk/GtkTestSupport.h"
#include "explorers/ExplorerBrowserController.h"
#include "explorers/LocalExplorerTestSupport.h"
#include "explorers/gtk/ExplorerSearchEntry.h"
#include "explorers/gtk/ExplorerWidgets.h"
#include "explorers/gtk/GtkExplorerBrowserWindow.h"
#include "panels/gtk/RealInput.h"
#include "platform/Menu.h"
#include "platform/UserDefaults.h"
#include "store/MindMapProvider.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

using namespace explorertest;

namespace {

class LocalExplorerViewTest : public LocalExplorerTest {
protected:
    void SetUp() override
    {
        initGtkForTests();
        LocalExplorerTest::SetUp();
    }
    void TearDown() override
    {
        window.reset();
        view.reset();
        LocalExplorerTest::TearDown();
    }
    // The explorer's view in a window of its own, drawn.
    LocalExplorerView& show(int32_t mode = MainExplorerMode, bool fillNow = true)
    {
        window.reset();
        view.reset();
        makeExplorer(mode);
        view = std::make_unique<LocalExplorerView>(*explorer, fillNow);
        window = std::make_unique<Gtk::Window>();
        window->set_default_size(300, 500);
        window->add(*view);
        window->show_all();
        settle();
        return *view;
    }
    // Lets GTK lay out, draw and run its idle work.
    void settle()
    {
        for (int i = 0; i < 10; ++i) {
            drainGtkEvents();
            g_usleep(10000);
        }
    }
    Gdk::Rectangle rowArea(MindMapStoreItem* item)
    {
        Gdk::Rectangle area;
        view->treeView().get_background_area(view->pathForItem(item), view->column(), area);
        int x = 0, y = 0;
        view->treeView().convert_bin_window_to_widget_coords(area.get_x(), area.get_y(), x, y);
        return {x, y, area.get_width(), area.get_height()};
    }
    bool gtkSelected(MindMapStoreItem* item)
    {
        return view->treeView().get_selection()->is_selected(view->pathForItem(item));
    }
    // A right press on the item's row, as the pointer gives it; true when the tree took it.
    bool rightClick(MindMapStoreItem* item)
    {
        const Gdk::Rectangle area = rowArea(item);
        GdkEvent* press = gdk_event_new(GDK_BUTTON_PRESS);
        press->button.window = GDK_WINDOW(g_object_ref(view->treeView().get_bin_window()->gobj()));
        press->button.button = 3;
        press->button.x = area.get_x() + 40;
        press->button.y = area.get_y() + area.get_height() / 2.0;
        gdk_event_set_device(press, gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default())));
        const bool taken = handEvent(GTK_WIDGET(view->treeView().gobj()), press);
        gdk_event_free(press);
        return taken;
    }

    std::unique_ptr<LocalExplorerView> view;
    std::unique_ptr<Gtk::Window> window;
};

TEST_F(LocalExplorerViewTest, TheTreeMirrorsTheOutlineAndFollowsTheOpenMap)
{
    show();
    EXPECT_FALSE(view->pathForItem(work).empty());
    EXPECT_FALSE(view->treeView().row_expanded(view->pathForItem(work)));
    controller->openLocalMindMapOnGuid(GuidGamma);
    settle();
    EXPECT_TRUE(view->treeView().row_expanded(view->pathForItem(work)));
    EXPECT_TRUE(view->treeView().row_expanded(view->pathForItem(deep)));
    EXPECT_TRUE(gtkSelected(map(GuidGamma)));
    // A click in the tree opens the map.
    view->treeView().get_selection()->select(view->pathForItem(map(GuidAlpha)));
    settle();
    EXPECT_EQ(openId(), GuidAlpha);
    EXPECT_TRUE(gtkSelected(map(GuidAlpha)));
    // Collapsing in the tree collapses the outline.
    view->treeView().collapse_row(view->pathForItem(work));
    EXPECT_FALSE(outline().isItemExpanded(work));
}

TEST_F(LocalExplorerViewTest, AViewFilledLaterListsNothingUntilThenAndThenShowsTheOpenMapSelected)
{
    show(MainExplorerMode, false);
    EXPECT_FALSE(view->filled());
    // What the explorer reports meanwhile waits for the fill.
    controller->openLocalMindMapOnGuid(GuidGamma);
    settle();
    EXPECT_TRUE(view->pathForItem(work).empty());
    EXPECT_EQ(view->treeView().get_model()->children().size(), 0u);

    view->fill();
    settle();
    EXPECT_TRUE(view->filled());
    EXPECT_TRUE(view->treeView().row_expanded(view->pathForItem(work)));
    EXPECT_TRUE(gtkSelected(map(GuidGamma)));
    // A second fill changes nothing, and a click still opens a map.
    view->fill();
    view->treeView().get_selection()->select(view->pathForItem(map(GuidAlpha)));
    settle();
    EXPECT_EQ(openId(), GuidAlpha);
}

TEST_F(LocalExplorerViewTest, TitlesAreShownAsPlainText)
{
    work->setTitle("<b>Bold</b> & _Under");
    show();
    view->prepareRow(view->pathForItem(work));
    EXPECT_EQ(view->titleRenderer().property_text().get_value(), "<b>Bold</b> & _Under");
    std::shared_ptr<Menu> menu = explorer->menuForEvent();
    ASSERT_TRUE(menu);
}

TEST_F(LocalExplorerViewTest, OnlyTheRenameCommandStartsAnEditAndItsTextRenames)
{
    show();
    view->treeView().get_selection()->select(view->pathForItem(work));
    settle();
    // A right click opens the menu, never an edit.
    rightClick(work);
    settle();
    EXPECT_FALSE(view->isEditing());
    for (Gtk::Window* each : Gtk::Window::list_toplevels())
        if (GtkWidget* child = gtk_bin_get_child(GTK_BIN(each->gobj())); child && GTK_IS_MENU(child))
            gtk_menu_popdown(GTK_MENU(child));
    settle();
    explorer->rename();
    settle();
    ASSERT_TRUE(view->isEditing());
    auto* entry =
        dynamic_cast<Gtk::Entry*>(view->treeView().get_focus_child() ? view->treeView().get_focus_child() : nullptr);
    if (!entry)
        for (Gtk::Widget* child : view->treeView().get_children())
            if ((entry = dynamic_cast<Gtk::Entry*>(child))) break;
    ASSERT_TRUE(entry);
    entry->set_text("Office");
    entry->activate();
    settle();
    EXPECT_EQ(work->title(), "Office");
    EXPECT_FALSE(view->isEditing());
}

// Leaving the open map writes it, and the write lists the store again while GTK is still
// selecting the row the user picked.
TEST_F(LocalExplorerViewTest, PickingAnotherMapAfterTheListChangedSelectsAndOpensIt)
{
    const auto rightClickBeta = [this] {
        ASSERT_TRUE(rightClick(map(GuidBeta)));
        settle();
        for (Gtk::Window* each : Gtk::Window::list_toplevels())
            if (GtkWidget* child = gtk_bin_get_child(GTK_BIN(each->gobj())); child && GTK_IS_MENU(child))
                gtk_menu_popdown(GTK_MENU(child));
    };
    const struct {
        const char* name;
        std::function<void()> change;
        std::function<void()> pick;
    } cases[] = {
        {"the open map renamed in place, then a right click",
         [this] {
             explorer->rename();
             settle();
             auto* entry = findIn<Gtk::Entry>(view->treeView());
             ASSERT_TRUE(entry);
             entry->set_text("Renamed");
             entry->activate();
             settle();
             ASSERT_EQ(map(GuidAlpha)->title(), "Renamed");
         },
         rightClickBeta},
        {"a new map made and opened, then a right click",
         [this] {
             explorer->newDocument();
             settle();
             ASSERT_NE(openId(), GuidAlpha);
         },
         rightClickBeta},
        // With no row selected the focus selects the first one.
        {"a new map hidden by a search, then the focus in the list",
         [this] {
             explorer->newDocument();
             explorer->setSearchFilter("Beta");
             settle();
             ASSERT_EQ(view->treeView().get_selection()->count_selected_rows(), 0);
         },
         [this] { view->treeView().grab_focus(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        show();
        controller->openLocalMindMapOnGuid(GuidAlpha);
        outline().expandItem(work);
        settle();
        ASSERT_TRUE(gtkSelected(map(GuidAlpha)));
        c.change();
        c.pick();
        settle();
        EXPECT_EQ(openId(), GuidBeta);
        EXPECT_TRUE(gtkSelected(map(GuidBeta)));
    }
}

TEST_F(LocalExplorerViewTest, DropPositionsMapToAnItemAndAChildIndex)
{
    show();
    MindMapStoreFolder* root = store->rootFolder();
    const Gdk::Rectangle folder = rowArea(work);
    const Gdk::Rectangle alpha = rowArea(map(GuidAlpha));
    const struct {
        const char* name;
        int y;
        MindMapStoreItem* item;
        int64_t index;
    } cases[] = {
        {"into a folder", folder.get_y() + folder.get_height() / 2, work, -1},
        {"before a map", alpha.get_y() + 2, nullptr, 1},
        {"after a map", alpha.get_y() + alpha.get_height() - 2, nullptr, 2},
        {"empty space", 480, nullptr, -1},
    };
    for (const auto& c : cases) {
        LocalExplorerView::DropPlace place = view->dropPlaceAt(40, c.y);
        EXPECT_EQ(place.item.lock().get(), c.item) << c.name;
        EXPECT_EQ(place.index, c.index) << c.name;
    }
    // Drops there: Delta before Alpha moves it; Alpha after itself does not.
    explorer->adapter().writeItems({map(GuidDelta)});
    ASSERT_TRUE(explorer->adapter().acceptDrop(GuidDelta, nullptr, 1));
    EXPECT_EQ(map(GuidDelta)->indexInParent(), 1);
    EXPECT_EQ(root->childCount(), 3u);
}

TEST_F(LocalExplorerViewTest, ADragCarriesTheItemPressedEvenWhenTheListChangedSincePressing)
{
    show();
    Gdk::Rectangle alpha;
    view->treeView().get_background_area(view->pathForItem(map(GuidAlpha)), view->column(), alpha);
    view->notePress(40, alpha.get_y() + alpha.get_height() / 2);
    // Delta moves into Alpha's place before the pointer has moved far enough to drag.
    explorer->adapter().writeItems({map(GuidDelta)});
    ASSERT_TRUE(explorer->adapter().acceptDrop(GuidDelta, nullptr, 1));
    settle();
    ASSERT_EQ(view->pathForItem(map(GuidDelta)).to_string(), "1");
    EXPECT_EQ(view->pressedItem().lock().get(), map(GuidAlpha));
}

TEST_F(LocalExplorerViewTest, ThumbnailsArePaintedOnlyForRowsOnScreen)
{
    // Many maps, none with a picture cached: only those the list shows are painted.
    for (int i = 0; i < 40; ++i) store->addMindMapInFolder(nullptr)->setCustomTitle("Map " + std::to_string(i));
    show();
    settle();
    const auto cachedCount = [this] {
        size_t cached = 0;
        for (const auto& item : store->mindMaps())
            if (std::filesystem::exists(item->thumbnailFilePath())) ++cached;
        return cached;
    };
    EXPECT_EQ(view->pendingThumbnailCount(), 0u);
    const size_t shown = cachedCount();
    EXPECT_GT(shown, 0u);
    EXPECT_LT(shown, 20u);
    // Scrolled to the end, the rows that come into view are painted too.
    view->treeView().scroll_to_row(view->pathForItem(map(GuidDelta)));
    settle();
    EXPECT_GT(cachedCount(), shown);
    EXPECT_LT(cachedCount(), store->count());
}

TEST_F(LocalExplorerViewTest, TheSearchEntryFiltersAndItsMenuSwitchesTheMode)
{
    show();
    MindMapSearchField field;
    ExplorerSearchEntry entry(field);
    explorer->setSearchBar(&field);
    EXPECT_EQ(entry.get_placeholder_text(), MindMapSearchField::scopeText(false));
    entry.set_text("Gam");
    g_signal_emit_by_name(entry.gobj(), "search-changed");
    settle();
    EXPECT_EQ(explorer->searchFilter(), "Gam");
    EXPECT_EQ(outline().numberOfRows(), 1);
    field.setFullTextSearch(true);
    EXPECT_EQ(entry.get_placeholder_text(), MindMapSearchField::scopeText(true));
    // Switching maps elsewhere clears the field on screen too.
    controller->openLocalMindMapOnGuid(GuidAlpha);
    EXPECT_EQ(entry.get_text(), "");
    explorer->setSearchBar(nullptr);
}

TEST_F(LocalExplorerViewTest, APressOnTheMagnifierOffersFullTextSearchWhichFindsAWordInsideAMapAndIsKept)
{
    TARNWICK_REQUIRE_DISPLAY(RealInput::startGtk());
    // The menu's grab leaves the keyboard focus where a later window could not take it.
    struct FocusBack {
        ~FocusBack() { RealInput::releaseFocus(); }
    } focusBack;
    show();
    MindMapSearchField field;
    field.setSearchModeAutoSaveKey(MindMapSearchField::MainTopicSearchModeKey);
    ExplorerSearchEntry entry(field);
    bool menuShown = false;
    entry.setMenuShownHandler([&menuShown](bool shown) { menuShown = shown; });
    Gtk::Window fieldWindow;
    fieldWindow.add(entry);
    fieldWindow.show_all();
    explorer->setSearchBar(&field);
    ASSERT_TRUE(RealInput::pumpUntil([&] { return entry.get_mapped() && entry.get_allocated_width() > 1; }));
    // "grape" is a topic of Gamma, in no map's title.
    entry.set_text("grape");
    g_signal_emit_by_name(entry.gobj(), "search-changed");
    settle();
    EXPECT_EQ(outline().numberOfRows(), 0);

    const Gdk::Rectangle magnifier = entry.get_icon_area(Gtk::ENTRY_ICON_PRIMARY);
    ASSERT_GT(magnifier.get_width(), 0);
    RealInput::moveTo(entry, magnifier.get_x() + magnifier.get_width() / 2,
                      magnifier.get_y() + magnifier.get_height() / 2);
    // Held down, as a user holding the magnifier does: the menu is there before the release.
    RealInput::button(true);
    ASSERT_TRUE(RealInput::pumpUntil([&] { return menuShown; })) << "the magnifier opened no menu";
    RealInput::button(false);
    Gtk::MenuItem* fullText = nullptr;
    for (Gtk::Window* each : Gtk::Window::list_toplevels())
        if (auto* menu = findIn<Gtk::Menu>(*each))
            for (Gtk::Widget* child : menu->get_children())
                if (auto* item = dynamic_cast<Gtk::MenuItem*>(child);
                    item && item->get_label() == MindMapSearchField::scopeText(true))
                    fullText = item;
    ASSERT_TRUE(fullText);
    ASSERT_TRUE(RealInput::pumpUntil([&] { return fullText->get_mapped(); }));
    RealInput::click(*fullText, fullText->get_allocated_width() / 2, fullText->get_allocated_height() / 2);
    ASSERT_TRUE(RealInput::pumpUntil([&] { return field.fullTextSearch(); })) << "the full-text item did nothing";
    ASSERT_TRUE(RealInput::pumpUntil([&] { return !menuShown; }));
    settle();
    EXPECT_EQ(entry.get_placeholder_text(), MindMapSearchField::scopeText(true));
    ASSERT_EQ(outline().numberOfRows(), 1);
    EXPECT_EQ(outline().itemAtRow(0)->title(), "Gamma");
    // Kept under the owner's key: the next field made with that key searches full text.
    EXPECT_TRUE(UserDefaults::standard().boolForKey(MindMapSearchField::MainTopicSearchModeKey));
    MindMapSearchField next;
    next.setSearchModeAutoSaveKey(MindMapSearchField::MainTopicSearchModeKey);
    EXPECT_TRUE(next.fullTextSearch());
    explorer->setSearchBar(nullptr);
}

TEST_F(LocalExplorerViewTest, ThePickBrowserWindowClosesOnOtherMenusButNotOnItsOwnModeMenu)
{
    ExplorerBrowserController::setWindowFactory([](const std::shared_ptr<ExplorerBrowserController>& controller) {
        return std::make_unique<GtkExplorerBrowserWindow>(controller);
    });
    ExplorerBrowserController::registerExplorerFactory(
        MindMapProviderLocal, [this](int32_t mode) { return std::make_shared<LocalMindMapExplorer>(mode, scheduler); });
    std::vector<std::string> picks;
    std::weak_ptr<ExplorerBrowserController> browser = ExplorerBrowserController::selectMoveToCloudTarget(
        MindMapProviderLocal, [&picks](const std::string& pick) { picks.push_back(pick); });
    // Reached through its controller each time: the window goes with it as soon as it closes.
    const auto pickWindow = [&browser]() -> GtkExplorerBrowserWindow* {
        const std::shared_ptr<ExplorerBrowserController> controller = browser.lock();
        return controller ? static_cast<GtkExplorerBrowserWindow*>(controller->browserWindow()) : nullptr;
    };
    settle();
    ASSERT_TRUE(pickWindow()) << "the pick window closed on its own";
    EXPECT_TRUE(pickWindow()->window().get_visible());
    EXPECT_TRUE(pickWindow()->okButton().get_sensitive());
    ASSERT_TRUE(pickWindow()->searchEntry());
    pickWindow()->searchEntry()->showModeMenu();
    settle();
    ASSERT_TRUE(pickWindow()) << "the pick window closed on its own mode menu";
    EXPECT_TRUE(pickWindow()->window().get_visible());
    // The mode menu goes; a menu of another window comes.
    for (Gtk::Window* each : Gtk::Window::list_toplevels())
        if (GtkWidget* child = gtk_bin_get_child(GTK_BIN(each->gobj())); child && GTK_IS_MENU(child))
            gtk_menu_popdown(GTK_MENU(child));
    settle();
    EXPECT_FALSE(browser.expired());
    Menu other;
    NotificationCenter::defaultCenter().post(MenuDidBeginTrackingNotification, &other);
    settle();
    EXPECT_TRUE(browser.expired());
    EXPECT_TRUE(picks.empty());
    ExplorerBrowserController::setWindowFactory(nullptr);
    ExplorerBrowserController::registerExplorerFactory(MindMapProviderLocal, nullptr);
}

} // namespace
