#include "Editor/gtk/MenuBarAdapter.h"
#include "Editor/CommandRouter.h"
#include "GtkTestSupport.h"
#include "support/RecordingResponder.h"

#include <gtest/gtest.h>

TEST(MenuBarAdapterTest, MenusValidateAsTheyOpenAndKeysOnlyActWhenTheirItemDoes)
{
    initGtkForTests();
    std::vector<std::string> log;
    RecordingResponder editor("editor", log);
    editor.handle("deleteSelection:");
    editor.answers["deleteSelection:"] = ItemValidation::enabledIf(false);
    CommandRouter router;
    router.setResponderChain([&] { return std::vector<Responder*>{&editor}; });
    auto edit = std::make_shared<Menu>("Edit");
    edit->addItem("Delete", "deleteSelection:", "Delete");
    edit->addItem("Bold", "toggleBold:", "b").setKeyEquivalentModifiers(ControlKeyModifier);
    auto mainMenu = std::make_shared<Menu>();
    mainMenu->addItem("Edit", "").setSubmenu(edit);
    MenuBarAdapter adapter(mainMenu, router);

    auto* top = dynamic_cast<Gtk::MenuItem*>(adapter.menuBar().get_children().at(0));
    ASSERT_NE(nullptr, top);
    top->activate();
    const auto entries = top->get_submenu()->get_children();
    ASSERT_EQ(2u, entries.size());
    EXPECT_FALSE(entries[0]->get_sensitive()) << "the editor refuses it";
    EXPECT_FALSE(entries[1]->get_sensitive()) << "nothing handles it";

    GdkEventKey key{};
    key.keyval = GDK_KEY_Delete;
    EXPECT_FALSE(adapter.handleKeyPress(key));
    editor.answers.clear();
    EXPECT_TRUE(adapter.handleKeyPress(key));
    key.keyval = GDK_KEY_B;
    key.state = GDK_CONTROL_MASK;
    EXPECT_FALSE(adapter.handleKeyPress(key));
    EXPECT_EQ(std::vector<std::string>{"editor deleteSelection:"}, log);
}
