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

// "+" is Shift and "=" on most keyboards: Ctrl with that key is the menu's Ctrl+plus. A letter
// keeps its Shift, so Ctrl+Shift+Z stays apart from Ctrl+Z.
TEST(MenuBarAdapterTest, ShiftThatMakesASymbolIsPartOfTheKeyAndALettersShiftIsNot)
{
    initGtkForTests();
    std::vector<std::string> log;
    RecordingResponder editor("editor", log);
    for (const char* action : {"zoomIn:", "undo:", "redo:"}) editor.handle(action);
    CommandRouter router;
    router.setResponderChain([&] { return std::vector<Responder*>{&editor}; });
    auto view = std::make_shared<Menu>("View");
    view->addItem("Zoom In", "zoomIn:", "plus").setKeyEquivalentModifiers(ControlKeyModifier);
    view->addItem("Undo", "undo:", "z").setKeyEquivalentModifiers(ControlKeyModifier);
    view->addItem("Redo", "redo:", "z").setKeyEquivalentModifiers(ControlKeyModifier | ShiftKeyModifier);
    auto mainMenu = std::make_shared<Menu>();
    mainMenu->addItem("View", "").setSubmenu(view);
    MenuBarAdapter adapter(mainMenu, router);

    // The key that gives "+" on the test display, pressed as a user would.
    GdkKeymapKey* entries = nullptr;
    gint count = 0;
    ASSERT_TRUE(gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(gdk_display_get_default()), GDK_KEY_plus,
                                                  &entries, &count));
    GdkEventKey key{};
    key.keyval = GDK_KEY_plus;
    key.hardware_keycode = static_cast<guint16>(entries[0].keycode);
    key.group = static_cast<guint8>(entries[0].group);
    key.state = GDK_CONTROL_MASK | (entries[0].level > 0 ? GDK_SHIFT_MASK : 0);
    g_free(entries);
    EXPECT_TRUE(adapter.handleKeyPress(key));

    GdkEventKey letter{};
    letter.keyval = GDK_KEY_Z;
    letter.state = GDK_CONTROL_MASK | GDK_SHIFT_MASK;
    EXPECT_TRUE(adapter.handleKeyPress(letter));
    letter.keyval = GDK_KEY_z;
    letter.state = GDK_CONTROL_MASK;
    EXPECT_TRUE(adapter.handleKeyPress(letter));
    EXPECT_EQ((std::vector<std::string>{"editor zoomIn:", "editor redo:", "editor undo:"}), log);
}

// The window holds the refills until its first frame: a menu not on screen keeps what it has
// meanwhile, and is made anew once released, only when a refill was asked for.
TEST(MenuBarAdapterTest, HeldRefillsWaitForTheReleaseAndOnlyWhenAsked)
{
    initGtkForTests();
    CommandRouter router;
    auto edit = std::make_shared<Menu>("Edit");
    edit->addItem("Undo", "undo:");
    auto mainMenu = std::make_shared<Menu>();
    mainMenu->addItem("Edit", "").setSubmenu(edit);
    MenuBarAdapter adapter(mainMenu, router);
    drainGtkEvents();
    auto* top = dynamic_cast<Gtk::MenuItem*>(adapter.menuBar().get_children().at(0));
    ASSERT_NE(nullptr, top);
    Gtk::Menu* made = top->get_submenu();
    ASSERT_NE(nullptr, made) << "made once the main loop was idle";

    adapter.holdRefills();
    edit->addItem("Redo", "redo:");
    adapter.refillMenus();
    drainGtkEvents();
    EXPECT_EQ(made, top->get_submenu());
    EXPECT_EQ(1u, top->get_submenu()->get_children().size());

    adapter.releaseRefills();
    drainGtkEvents();
    EXPECT_EQ(2u, top->get_submenu()->get_children().size());

    made = top->get_submenu();
    adapter.holdRefills();
    adapter.releaseRefills();
    drainGtkEvents();
    EXPECT_EQ(made, top->get_submenu()) << "nothing asked for a refill";
}
