// Presenting closes the panels that act on the selection: the colour panel and the font panel,
// which lives with the panels above the window.

#include "Editor/ColorPanel.h"
#include "Editor/CommandRouter.h"
#include "Editor/MainMenu.h"
#include "Editor/gtk/ColorPanelWindow.h"
#include "Editor/gtk/GtkTestSupport.h"
#include "Editor/gtk/MainWindow.h"
#include "MindMaps/MindMap.h"
#include "panels/FontSelectorView.h"
#include "panels/gtk/FontSelectorWidget.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

// The window manager's answer to a full-screen request, as the window gets it.
void windowManagerMadeFullScreen(MainWindow& window, bool fullScreen)
{
    GdkEventWindowState event{};
    event.type = GDK_WINDOW_STATE;
    event.changed_mask = GDK_WINDOW_STATE_FULLSCREEN;
    event.new_window_state = fullScreen ? GDK_WINDOW_STATE_FULLSCREEN : GdkWindowState(0);
    event.window = window.get_window() ? window.get_window()->gobj() : nullptr;
    gboolean handled = FALSE;
    g_signal_emit_by_name(window.gobj(), "window-state-event", &event, &handled);
}

TEST(PresentingClosesPanelsTest, TheColourAndFontPanelsCloseAsThePresentationBegins)
{
    initGtkForTests();
    installColorPanelWindow();
    CommandRouter router;
    MainMenu menu = MainMenu::build();
    auto window = std::make_unique<MainWindow>(menu, router);
    router.setResponderChain([&window] {
        MainWindowResponders links;
        links.editor = &window->editor();
        links.window = &window->controller();
        return mainWindowResponderChain(links);
    });
    auto map = std::make_shared<MindMap>();
    map->newMindMap("", true, std::string("Theme"));
    window->showMindMap(map);
    window->present();
    drainGtkEvents();

    FontSelectorView font;
    Gtk::Window fontsPane;
    FontSelectorWidget well(font);
    fontsPane.add(well);
    const struct {
        const char* name;
        std::function<void()> open;
        std::function<bool()> shown;
    } panels[] = {
        {"colour panel", [] { ColorPanel::shared().orderFront(); }, [] { return ColorPanel::shared().isVisible(); }},
        {"font panel", [&] { SharedFontPanel::shared().showFor(well); },
         [] { return SharedFontPanel::shared().dialog().get_visible(); }},
    };
    for (const auto& panel : panels) {
        panel.open();
        drainGtkEvents();
        ASSERT_TRUE(panel.shown()) << panel.name;
        ASSERT_TRUE(router.sendAction("togglePresentationMode:", nullptr, nullptr));
        windowManagerMadeFullScreen(*window, true);
        drainGtkEvents();
        EXPECT_FALSE(panel.shown()) << panel.name;
        ASSERT_TRUE(router.sendAction("togglePresentationMode:", nullptr, nullptr));
        windowManagerMadeFullScreen(*window, false);
    }
    SharedFontPanel::shared().forget(well);
    window->showMindMap(nullptr);
    router.setResponderChain(nullptr);
    window.reset();
    drainGtkEvents();
}

} // namespace
