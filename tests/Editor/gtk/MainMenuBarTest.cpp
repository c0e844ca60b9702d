#include "Editor/CommandRouter.h"
#include "Editor/gtk/MenuBarAdapter.h"
#include "GtkTestSupport.h"

#include <gtest/gtest.h>

// GTK sizes a bar's menu before the entry announces that it opens; a menu still empty then pops
// up as a blank strip, its entries laid out over garbage sizes.
TEST(MainMenuBarTest, MenusHaveTheirEntriesBeforeTheyFirstOpen)
{
    initGtkForTests();
    CommandRouter router;
    auto edit = std::make_shared<Menu>("Edit");
    edit->addItem("Undo", "undo:", "z").setKeyEquivalentModifiers(ControlKeyModifier);
    edit->addItem("Redo", "redo:");
    auto mainMenu = std::make_shared<Menu>();
    mainMenu->addItem("Edit", "").setSubmenu(edit);
    MenuBarAdapter adapter(mainMenu, router);
    auto* top = dynamic_cast<Gtk::MenuItem*>(adapter.menuBar().get_children().at(0));
    ASSERT_NE(nullptr, top);
    EXPECT_EQ(2u, top->get_submenu()->get_children().size());
}
