#include "Editor/gtk/MainWindowActions.h"
#include "Editor/CommandRouter.h"
#include "Editor/MainMenu.h"
#include "Editor/gtk/MainWindow.h"
#include "GtkTestSupport.h"
#include "MainWindowTestSupport.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "editor-view/MindMapEditor.h"
#include "support/ActiveWindow.h"

#include <gtest/gtest.h>

namespace {

class MainWindowActionsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        initGtkForTests();
        window = std::make_unique<MainWindow>(menu, router);
        routeThroughWindow(router, window);
        map = std::make_shared<MindMap>();
        map->newMindMap("", true, std::string("Theme"));
        map->validateElementStates();
        window->showMindMap(map);
        map->setSelectedElement(map->mainCentralTheme());
        drainGtkEvents();
        ASSERT_TRUE(makeWindowActive(*window));
        window->canvas().grab_focus();
    }

    void TearDown() override
    {
        window->showMindMap(nullptr);
        router.setResponderChain(nullptr);
        window.reset();
        drainGtkEvents();
    }

    bool enabled(const std::string& action) { return router.validateItem(MenuItem("", action)).enabled; }

    CommandRouter router;
    MainMenu menu = MainMenu::build();
    std::unique_ptr<MainWindow> window;
    std::shared_ptr<MindMap> map;
};

TEST_F(MainWindowActionsTest, PresentingMakesTheMapReadOnlyOnlyOnceTheWindowIsFullScreen)
{
    EXPECT_TRUE(enabled("toggleBoldFontStyle:"));
    EXPECT_TRUE(enabled("togglePresentationMode:"));
    std::vector<bool> panelReadOnly;
    window->windowActions().addReadOnlyFollower([&](bool readOnly) { panelReadOnly.push_back(readOnly); });
    ASSERT_TRUE(router.sendAction("togglePresentationMode:", nullptr, nullptr));
    EXPECT_FALSE(window->editor().readOnly()) << "the window manager has not answered yet";

    windowManagerMadeFullScreen(*window, true);
    EXPECT_TRUE(window->windowActions().modes().inPresentationMode());
    EXPECT_TRUE(window->editor().readOnly());
    EXPECT_TRUE(map->readOnly());
    EXPECT_FALSE(enabled("toggleBoldFontStyle:")) << "styling refuses a read-only map";
    EXPECT_EQ(window->controller().styleToolsState(), 2);
    EXPECT_EQ(panelReadOnly, (std::vector<bool>{false, true})) << "a panel follows from the start";

    // Escape with nothing selected leaves.
    map->setSelectedElement(nullptr);
    window->editor().cancelOperation();
    EXPECT_FALSE(window->editor().readOnly());
    EXPECT_EQ(panelReadOnly.back(), false);
    windowManagerMadeFullScreen(*window, false);
    EXPECT_EQ(window->controller().styleToolsState(), 0);
    EXPECT_FALSE(window->windowActions().modes().isFullScreen());
}

// Escape on the canvas while presenting, with the notice showing, takes the editor's own steps:
// a selected topic (the theme a map opens with, so at the first presentation of a session) is let
// go first, and the next Escape leaves. The notice never takes the key for itself.
TEST_F(MainWindowActionsTest, EscapeWhilePresentingLetsTheSelectionGoThenLeaves)
{
    ASSERT_TRUE(router.sendAction("togglePresentationMode:", nullptr, nullptr));
    windowManagerMadeFullScreen(*window, true);
    ASSERT_TRUE(window->windowActions().modes().inPresentationMode());
    ASSERT_TRUE(window->canvas().has_focus());
    ASSERT_TRUE(window->notificationBar().notificationWidget().get_visible()) << "the notice shows";
    ASSERT_EQ(map->selectedElement(), map->mainCentralTheme());

    const auto pressEscape = [this] {
        GdkEventKey escape{};
        escape.type = GDK_KEY_PRESS;
        escape.window = window->get_window()->gobj();
        escape.send_event = TRUE;
        escape.keyval = GDK_KEY_Escape;
        gboolean handled = FALSE;
        g_signal_emit_by_name(window->gobj(), "key-press-event", &escape, &handled);
    };
    pressEscape();
    EXPECT_EQ(map->selectedElement(), nullptr);
    EXPECT_TRUE(window->windowActions().modes().inPresentationMode());
    pressEscape();
    EXPECT_FALSE(window->windowActions().modes().inPresentationMode());
    EXPECT_FALSE(window->editor().readOnly());
}

TEST_F(MainWindowActionsTest, StylingAndZoomActionsReachTheMapThroughTheWindow)
{
    ASSERT_TRUE(router.sendAction("toggleBoldFontStyle:", nullptr, nullptr));
    EXPECT_EQ(router.targetForAction("toggleBoldFontStyle:"), &window->controller());
    EXPECT_EQ(router.targetForAction("toggleToolbarShown:"), &window->controller());
    EXPECT_TRUE(enabled("toggleToolbarShown:"));

    std::vector<std::string> zoomTexts;
    window->windowActions().setZoomFactorTextHandler([&](const std::string& text) { zoomTexts.push_back(text); });
    MenuItem item("150%", "zoomFactorSelected:");
    item.setTag(150);
    ASSERT_TRUE(router.sendAction("zoomFactorSelected:", &window->controller(), &item));
    EXPECT_EQ(zoomTexts, (std::vector<std::string>{"100%", "150%"}));
}

} // namespace
