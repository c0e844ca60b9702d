#include "Editor/SegmentedControlItem.h"
#include "Editor/gtk/GtkTestSupport.h"
#include "dropbox/DropboxExplorer.h"
#include "dropbox/DropboxTaskFixture.h"
#include "explorers/gtk/CloudExplorerView.h"
#include "platform/Localizer.h"

#include <gtkmm.h>

namespace {

void sendButton(Gtk::Widget& widget, GdkEventType type, guint button, double x, double y, GdkWindow* window)
{
    GdkEvent* event = gdk_event_new(type);
    event->button.window = GDK_WINDOW(g_object_ref(window));
    event->button.button = button;
    event->button.x = x;
    event->button.y = y;
    event->button.time = GDK_CURRENT_TIME;
    gdk_event_set_device(event, gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default())));
    handEvent(widget.gobj(), event);
    gdk_event_free(event);
}

void sendKey(Gtk::Widget& widget, guint keyval)
{
    GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
    event->key.window = GDK_WINDOW(g_object_ref(widget.get_window()->gobj()));
    event->key.keyval = keyval;
    event->key.time = GDK_CURRENT_TIME;
    gdk_event_set_device(event, gdk_seat_get_keyboard(gdk_display_get_default_seat(gdk_display_get_default())));
    handEvent(widget.gobj(), event);
    gdk_event_free(event);
}

struct DropboxPaneViewTest : DropboxTaskFixture {
    std::unique_ptr<DropboxExplorer> explorer;
    std::unique_ptr<Gtk::Window> window;
    std::unique_ptr<CloudExplorerView> view;

    DropboxPaneViewTest()
    {
        initGtkForTests();
        fake.makeFolder("/A/Sub");
        fake.putFile("/A/Plan.twkx", "plan");
        fake.putFile("/Top.twkx", "top");
        explorer = std::make_unique<DropboxExplorer>(MainExplorerMode);
        window = std::make_unique<Gtk::Window>();
        window->set_default_size(320, 420);
        view = std::make_unique<CloudExplorerView>(*explorer);
        window->add(*view);
        window->show_all();
        explorer->setActive(true);
        drainGtkEvents();
    }
    ~DropboxPaneViewTest() override
    {
        window->remove();
        view.reset();
        explorer.reset();
        window.reset();
    }

    // The names the table shows, once the listing has arrived.
    std::vector<std::string> shownNames()
    {
        EXPECT_TRUE(waitFor([&] { return !explorer->lister()->busy(); }));
        drainGtkEvents();
        std::vector<std::string> names;
        for (size_t row = 0; row < explorer->adapter().numberOfRows(); ++row)
            names.push_back(explorer->adapter().rowAt(row).text);
        return names;
    }

    void doubleClickRow(size_t row)
    {
        Gtk::TreeView& tree = view->table().treeView();
        Gdk::Rectangle area;
        tree.get_cell_area(Gtk::TreeModel::Path(std::to_string(row)), *tree.get_column(0), area);
        const double x = area.get_x() + 40, y = area.get_y() + area.get_height() / 2.0;
        // Presses closer than the double-click time would count on from the last double click.
        MainLoop::runUntil([] { return false; }, 0.5);
        for (int press = 0; press < 2; ++press) {
            sendButton(tree, GDK_BUTTON_PRESS, 1, x, y, tree.get_bin_window()->gobj());
            sendButton(tree, GDK_BUTTON_RELEASE, 1, x, y, tree.get_bin_window()->gobj());
        }
        drainGtkEvents();
    }
};

} // namespace

TEST_F(DropboxPaneViewTest, DoubleClicksEnterAFolderAndTheUpRowAndTheLeftKeyGoBack)
{
    EXPECT_EQ(shownNames(), (std::vector<std::string>{"A", "Top.twkx"}));
    doubleClickRow(0);
    EXPECT_EQ(explorer->pathStack(), (std::vector<std::string>{"/", "/A"}));
    EXPECT_EQ(shownNames(), (std::vector<std::string>{localized("provider_dropbox_title"), "Sub", "Plan.twkx"}));
    ASSERT_EQ(view->breadcrumbBar().bar().pathButtons().size(), 1u);
    EXPECT_EQ(view->breadcrumbBar().bar().pathButtons()[0].caption, "A");

    doubleClickRow(1);
    EXPECT_EQ(shownNames(), (std::vector<std::string>{"A"}));
    sendKey(view->table().treeView(), GDK_KEY_Left);
    EXPECT_EQ(shownNames(), (std::vector<std::string>{localized("provider_dropbox_title"), "Sub", "Plan.twkx"}));
    doubleClickRow(0);
    EXPECT_EQ(shownNames(), (std::vector<std::string>{"A", "Top.twkx"}));
    EXPECT_EQ(explorer->pathStack(), std::vector<std::string>{"/"});
}

TEST_F(DropboxPaneViewTest, SelectingAMapRowOpensItAndTheToolbarFollowsTheSelection)
{
    EXPECT_EQ(shownNames(), (std::vector<std::string>{"A", "Top.twkx"}));
    editor->log.clear();
    view->table().treeView().get_selection()->select(Gtk::TreeModel::Path("1"));
    drainGtkEvents();
    EXPECT_EQ(editor->log, std::vector<std::string>{"asyncOpen /Top.twkx"});
    ASSERT_EQ(explorer->toolbarItems().size(), 2u);
    explorer->windowDidUpdate();
    // Delete and move need a row and the network; both are there.
    const auto& files = explorer->toolbarItems()[0]->segmentedControl();
    EXPECT_TRUE(files.isEnabled(3));
    view->table().treeView().get_selection()->unselect_all();
    explorer->windowDidUpdate();
    EXPECT_FALSE(files.isEnabled(3));
}

TEST_F(DropboxPaneViewTest, ARightClickSelectsTheRowUnderThePointerAndItsMenuActs)
{
    EXPECT_EQ(shownNames(), (std::vector<std::string>{"A", "Top.twkx"}));
    view->table().selectRows({0});
    Gtk::TreeView& tree = view->table().treeView();
    Gdk::Rectangle area;
    tree.get_cell_area(Gtk::TreeModel::Path("1"), *tree.get_column(0), area);
    sendButton(tree, GDK_BUTTON_PRESS, 3, area.get_x() + 40, area.get_y() + area.get_height() / 2.0,
               tree.get_bin_window()->gobj());
    drainGtkEvents();
    EXPECT_EQ(view->table().selectedRows(), std::vector<size_t>{1});

    // "Duplicate" of the map row goes to the explorer, which hands it to the service.
    Gtk::Menu* menu = view->table().menuPresenter().shownMenu();
    ASSERT_NE(menu, nullptr);
    Gtk::MenuItem* duplicate = nullptr;
    for (Gtk::Widget* child : menu->get_children()) {
        auto* item = dynamic_cast<Gtk::MenuItem*>(child);
        if (item && item->get_label() == localized("map_list_clone_map_condensed")) duplicate = item;
    }
    ASSERT_NE(duplicate, nullptr);
    menu->popdown();
    editor->log.clear();
    duplicate->activate();
    EXPECT_EQ(editor->log, std::vector<std::string>{"commit"});
}

TEST_F(DropboxPaneViewTest, ReturnRenamesTheSelectedMapInPlaceKeepingItsExtension)
{
    EXPECT_EQ(shownNames(), (std::vector<std::string>{"A", "Top.twkx"}));
    view->table().selectRows({1});
    sendKey(view->table().treeView(), GDK_KEY_Return);
    drainGtkEvents();
    Gtk::Entry* entry = view->table().editingEntry();
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->get_text().raw(), "Top");
    entry->set_text("Summit");
    entry->activate();
    ASSERT_TRUE(waitFor([] { return !Dropbox::userTaskBusy(); }));
    EXPECT_EQ(fake.fileContents("/Summit.twkx"), "top");
    EXPECT_FALSE(fake.fileContents("/Top.twkx"));
    EXPECT_EQ(shownNames(), (std::vector<std::string>{"A", "Summit.twkx"}));
}
