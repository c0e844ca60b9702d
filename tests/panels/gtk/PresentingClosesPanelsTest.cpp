// Presenting closes the panels that act on the selection: the colour panel and the font panel,
// which lives with the panels above the window.

#include "Editor/ColorPanel.h"
#include "Editor/CommandRouter.h"
#include "Editor/MainMenu.h"
#include "Editor/gtk/ColorPanelWindow.h"
#include "Editor/gtk/GtkTestSupport.h"
#include "Editor/gtk/MainWindow.h"
#include "Editor/gtk/MainWindowTestSupport.h"
#include "MindMaps/MindMap.h"
#include "panels/FontSelectorView.h"
#include "panels/gtk/FontSelectorWidget.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

TEST(PresentingClosesPanelsTest, TheColourAndFontPanelsCloseAsThePresentationBegins)
{
    initGtkForTests();
    installColorPanelWindow();
    CommandRouter router;
    MainMenu menu = MainMenu::build();
    auto window = std::make_unique<MainWindow>(menu, router);
    routeThroughWindow(router, window);
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
