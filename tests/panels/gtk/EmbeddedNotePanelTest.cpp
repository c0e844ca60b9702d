#include "panels/gtk/EmbeddedNotePanel.h"

#include "Editor/CheckboxMenuHandler.h"
#include "Editor/CommandRouter.h"
#include "Editor/MainMenu.h"
#include "Editor/gtk/GtkTestSupport.h"
#include "Editor/gtk/MainWindow.h"
#include "Editor/gtk/MainWindowTestSupport.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapFormats.h"
#include "MindMaps/MindMapNode.h"
#include "editor-view/MindMapEditor.h"
#include "formats/TwkxMindMapReader.h"
#include "layout/LayoutInstallation.h"
#include "platform/Localizer.h"
#include "platform/MainLoop.h"
#include "platform/UndoManager.h"
#include "platform/UserDefaults.h"
#include "store/EditorInterface.h"
#include "support/ActiveWindow.h"
#include "support/DisplayRequirement.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

// The X window of a GDK window; gdkx.h itself would bring X's own Font along.
extern "C" unsigned long gdk_x11_window_get_xid(GdkWindow* window);

namespace {

bool xdotool(const std::string& arguments)
{
    return std::system(("xdotool " + arguments + " >/dev/null 2>&1").c_str()) == 0;
}

std::string xidOf(Gtk::Window& window)
{
    return std::to_string(gdk_x11_window_get_xid(window.get_window()->gobj()));
}

// The document controller's part: leaving the note ends the editor's modes, which commits it.
class WindowEditorInterface : public NullEditorInterface {
public:
    explicit WindowEditorInterface(MainWindow& window) : _window(window) {}
    void commitModelessEditors() override { _window.editor().cancelEditorModes(); }

private:
    MainWindow& _window;
};

// The main window on the display with its note tab open on a map of a theme and two topics.
class EmbeddedNotePanelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TARNWICK_REQUIRE_DISPLAY(gtk_init_check(nullptr, nullptr));
        Gtk::Main::init_gtkmm_internals();
        if (!xdotool("version")) GTEST_SKIP() << "no xdotool";
        registerNativeFormat();
        installLayout();
        installEmbeddedNotePanel();
        UserDefaults::standard().resetForTesting();
        menu = MainMenu::build();
        prepareMainMenu(menu, checkboxHandler, "Tarnwick");
        window = std::make_unique<MainWindow>(menu, router);
        router.setResponderChain([this] {
            MainWindowResponders links;
            // As the application links it: a page holding the focus first.
            links.focusedView = window->focusedInspectorResponder();
            if (!links.focusedView) links.focusedView = window->editor().focusedResponder();
            links.editor = &window->editor();
            links.window = &window->controller();
            return mainWindowResponderChain(links);
        });
        SetEditorInterfaceInstance(std::make_shared<WindowEditorInterface>(*window));
        map = std::make_shared<MindMap>();
        map->newMindMap("", true, std::string("Theme"));
        first = map->addMindMapNodeAsChild(map->mainCentralTheme(), {300, 120});
        first->setText("First");
        second = map->addMindMapNodeAsChild(map->mainCentralTheme(), {300, 300});
        second->setText("Second");
        map->validateElementStates();
        window->showMindMap(map);
        window->present();
        MainLoop::runFor(0.3);
        window->controller().performAction("showNotePanel:", nullptr);
        map->setSelectedElement(first);
        map->undoManager()->removeAllActions();
        MainLoop::runFor(0.2);
        panel = findIn<EmbeddedNotePanel>(*window);
        ASSERT_NE(panel, nullptr);
        ASSERT_TRUE(makeWindowActive(*window));
    }

    void TearDown() override
    {
        SetEditorInterfaceInstance(nullptr);
        if (window) window->showMindMap(nullptr);
        router.setResponderChain(nullptr);
        window.reset();
        MainLoop::runFor(0.05);
    }

    std::string noteText() { return panel->textView().get_buffer()->get_text(true).raw(); }

    void typeIntoTheNote(const std::string& text)
    {
        panel->textView().grab_focus();
        MainLoop::runFor(0.05);
        ASSERT_TRUE(xdotool("type --delay 30 '" + text + "'"));
        ASSERT_TRUE(MainLoop::runUntil([&] { return noteText().size() >= text.size(); }, 5));
    }

    // A press and release on the topic, through the display.
    void clickOn(MindMapNode* node)
    {
        const Point point = window->editor().mapToViewSpace(node->bounds().center());
        int rootX = 0, rootY = 0;
        window->canvas().get_window()->get_root_coords(int(point.x), int(point.y), rootX, rootY);
        ASSERT_TRUE(xdotool("mousemove --sync " + std::to_string(rootX) + " " + std::to_string(rootY) + " click 1"));
        MainLoop::runFor(0.3);
    }

    MainMenu menu;
    CheckboxMenuHandler checkboxHandler{nullptr};
    CommandRouter router;
    std::unique_ptr<MainWindow> window;
    std::shared_ptr<MindMap> map;
    MindMapNode* first = nullptr;
    MindMapNode* second = nullptr;
    EmbeddedNotePanel* panel = nullptr;
};

TEST_F(EmbeddedNotePanelTest, ANoteTypedThenAnotherTopicSelectedIsStoredAsOneStep)
{
    EXPECT_TRUE(panel->controller().enabled());
    EXPECT_TRUE(panel->textView().showsPlaceholder()) << "an empty note shows the hint";
    typeIntoTheNote("Call Anna");
    EXPECT_FALSE(panel->textView().showsPlaceholder());
    EXPECT_EQ(noteText(), "Call Anna");

    // The note's own undo, with the keys the menu gives the map's.
    ASSERT_TRUE(xdotool("key ctrl+z"));
    ASSERT_TRUE(MainLoop::runUntil([&] { return noteText().empty(); }, 5));
    EXPECT_FALSE(map->undoManager()->canUndo()) << "the map's history is untouched";
    EXPECT_EQ(first->text(), "First");
    ASSERT_TRUE(xdotool("key ctrl+shift+z"));
    ASSERT_TRUE(MainLoop::runUntil([&] { return noteText() == "Call Anna"; }, 5));

    clickOn(second);
    ASSERT_EQ(map->selectedElement(), second);
    EXPECT_EQ(first->note(), "Call Anna");
    EXPECT_EQ(noteText(), "");
    ASSERT_TRUE(map->undoManager()->canUndo());
    EXPECT_EQ(map->undoManager()->undoActionName(), localized("editor_menu_edit_note"));

    Error error;
    const MindMapData saved = map->dataOfType(int32_t(MindMapReadFormat::Native), &error);
    ASSERT_FALSE(saved.empty()) << error.localizedDescription;
    MindMap reread;
    ASSERT_TRUE(reread.readFromData(saved, "", int32_t(MindMapReadFormat::Native), &error))
        << error.localizedDescription;
    ASSERT_EQ(reread.mainCentralTheme()->childCount(), 2u);
    EXPECT_EQ(reread.mainCentralTheme()->childAtIndex(0)->note(), "Call Anna");
    EXPECT_EQ(reread.mainCentralTheme()->childAtIndex(1)->note(), "");

    // One step: undone once, the note is gone and nothing is left to undo.
    map->undoManager()->undo();
    EXPECT_FALSE(map->undoManager()->canUndo());
    EXPECT_EQ(map->mainCentralTheme()->childAtIndex(0)->note(), "");
}

TEST_F(EmbeddedNotePanelTest, SwitchingToAnotherApplicationStoresNothing)
{
    typeIntoTheNote("Draft");
    Gtk::Window other;
    other.set_title("another application");
    other.set_default_size(200, 100);
    other.show_all();
    MainLoop::runFor(0.2);
    ASSERT_TRUE(xdotool("windowfocus --sync " + xidOf(other)));
    ASSERT_TRUE(MainLoop::runUntil([&] { return !window->is_active(); }, 5));
    MainLoop::runFor(0.2);
    EXPECT_EQ(first->note(), "");
    EXPECT_FALSE(map->undoManager()->canUndo());
    EXPECT_TRUE(panel->controller().modified()) << "the typing waits for the user's return";

    ASSERT_TRUE(xdotool("windowfocus --sync " + xidOf(*window)));
    ASSERT_TRUE(MainLoop::runUntil([&] { return window->is_active(); }, 5));
    EXPECT_TRUE(panel->textView().is_focus());
    ASSERT_TRUE(xdotool("type --delay 30 ' plan'"));
    ASSERT_TRUE(MainLoop::runUntil([&] { return noteText() == "Draft plan"; }, 5));
    // Another widget of the window takes the focus: now the note is stored.
    window->canvas().grab_focus();
    MainLoop::runFor(0.1);
    EXPECT_EQ(first->note(), "Draft plan");
    EXPECT_EQ(map->undoManager()->undoActionName(), localized("editor_menu_edit_note"));
}

// The menu's edit commands act on the note while it has the keyboard, and on the map again
// once the canvas has it.
TEST_F(EmbeddedNotePanelTest, TheMenusEditCommandsActOnTheNoteWhileItHasTheKeyboard)
{
    typeIntoTheNote("Call Anna");
    EXPECT_EQ(router.targetForAction("undo:"), &panel->responder());
    EXPECT_TRUE(router.validateItem(MenuItem("", "undo:")).enabled);
    EXPECT_FALSE(router.validateItem(MenuItem("", "delete:")).enabled) << "nothing selected in the note";
    ASSERT_TRUE(router.sendAction("selectAll:", nullptr, nullptr));
    EXPECT_TRUE(router.validateItem(MenuItem("", "delete:")).enabled);
    ASSERT_TRUE(router.sendAction("delete:", nullptr, nullptr));
    EXPECT_EQ(noteText(), "");
    EXPECT_EQ(map->mainCentralTheme()->childCount(), 2u) << "no topic was deleted";
    ASSERT_TRUE(router.sendAction("undo:", nullptr, nullptr));
    EXPECT_EQ(noteText(), "Call Anna");
    EXPECT_FALSE(map->undoManager()->canUndo());

    window->canvas().grab_focus();
    MainLoop::runFor(0.05);
    EXPECT_NE(router.targetForAction("undo:"), &panel->responder());
    EXPECT_EQ(first->note(), "Call Anna");
}

// Presenting makes the map read-only, and the note with it: typing goes nowhere.
TEST_F(EmbeddedNotePanelTest, PresentingMakesTheNoteReadOnly)
{
    ASSERT_TRUE(panel->textView().get_editable());
    ASSERT_TRUE(router.sendAction("togglePresentationMode:", nullptr, nullptr));
    windowManagerMadeFullScreen(*window, true);
    ASSERT_TRUE(MainLoop::runUntil([&] { return !panel->textView().get_editable(); }, 5));
    EXPECT_TRUE(panel->controller().readOnly());
    panel->textView().grab_focus();
    MainLoop::runFor(0.05);
    ASSERT_TRUE(xdotool("type --delay 30 'nothing'"));
    MainLoop::runFor(0.3);
    EXPECT_EQ(noteText(), "");
    ASSERT_TRUE(router.sendAction("togglePresentationMode:", nullptr, nullptr));
    windowManagerMadeFullScreen(*window, false);
    EXPECT_TRUE(MainLoop::runUntil([&] { return panel->textView().get_editable(); }, 5));
}

// The window shows another map: what was typed stays with the first one, and the tab shows the
// new map's selected note.
TEST_F(EmbeddedNotePanelTest, AnotherMapOnTheCanvasKeepsTheTypingAndShowsItsOwnNote)
{
    typeIntoTheNote("Pending");
    auto other = std::make_shared<MindMap>();
    other->newMindMap("", true, std::string("Other"));
    other->mainCentralTheme()->setNote("Other's note");
    other->validateElementStates();
    other->setSelectedElement(other->mainCentralTheme());
    window->showMindMap(other);
    MainLoop::runFor(0.2);
    EXPECT_EQ(first->note(), "Pending");
    EXPECT_EQ(noteText(), "Other's note");
    EXPECT_FALSE(panel->controller().canUndoNote());
    window->showMindMap(map);
    MainLoop::runFor(0.2);
    EXPECT_EQ(noteText(), "Pending") << "back on the first map, its selected topic's note";
}

} // namespace
