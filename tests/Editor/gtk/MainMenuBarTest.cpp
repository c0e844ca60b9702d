#include "Editor/CheckboxMenuHandler.h"
#include "Editor/CommandRouter.h"
#include "Editor/MainMenu.h"
#include "Editor/gtk/MainWindow.h"
#include "Editor/gtk/MenuBarAdapter.h"
#include "GtkTestSupport.h"
#include "platform/UserDefaults.h"

#include <gtest/gtest.h>
#include <gtkmm/menubar.h>

#include <chrono>
#include <thread>

// GTK sizes a bar's menu before the entry announces that it opens; a menu still empty then pops
// up as a blank strip, its entries laid out over garbage sizes. The window makes its menus after
// its first frame: by the time the user can reach the bar, every menu has its entries.
TEST(MainMenuBarTest, MenusHaveTheirEntriesBeforeTheyFirstOpen)
{
    initGtkForTests();
    UserDefaults::standard().resetForTesting();
    MainMenu menu = MainMenu::build();
    CheckboxMenuHandler checkboxHandler{nullptr};
    prepareMainMenu(menu, checkboxHandler, "Tarnwick");
    CommandRouter router;
    MainWindow window(menu, router);
    bool painted = false;
    window.afterFirstFrame([&painted] { painted = true; });
    for (int round = 0; round < 5000 && !painted; ++round) {
        drainGtkEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_TRUE(painted);
    // The menus are made in the main loop's next idle turn after the frame.
    drainGtkEvents();

    Gtk::MenuBar* bar = findIn<Gtk::MenuBar>(window);
    ASSERT_NE(nullptr, bar);
    const std::vector<Gtk::Widget*> entries = bar->get_children();
    ASSERT_FALSE(entries.empty());
    for (Gtk::Widget* child : entries) {
        auto* entry = dynamic_cast<Gtk::MenuItem*>(child);
        ASSERT_NE(nullptr, entry);
        ASSERT_NE(nullptr, entry->get_submenu()) << entry->get_label();
        EXPECT_FALSE(entry->get_submenu()->get_children().empty()) << entry->get_label();
    }
    window.hide();
    drainGtkEvents();
}

// An entry selected while the window still holds its menus back opens a filled menu all the same.
TEST(MainMenuBarTest, AMenuOpenedBeforeTheFirstFillHasItsEntries)
{
    initGtkForTests();
    CommandRouter router;
    auto edit = std::make_shared<Menu>("Edit");
    edit->addItem("Undo", "undo:", "z").setKeyEquivalentModifiers(ControlKeyModifier);
    edit->addItem("Redo", "redo:");
    auto mainMenu = std::make_shared<Menu>();
    mainMenu->addItem("Edit", "").setSubmenu(edit);
    MenuBarAdapter adapter(mainMenu, router);
    adapter.holdRefills();
    drainGtkEvents();
    auto* top = dynamic_cast<Gtk::MenuItem*>(adapter.menuBar().get_children().at(0));
    ASSERT_NE(nullptr, top);
    top->select();
    ASSERT_NE(nullptr, top->get_submenu());
    EXPECT_EQ(2u, top->get_submenu()->get_children().size());
}
