// The inspector hidden and shown again on each of its pages, by every road: its pages are laid out
// with what they hold, and GTK has nothing to complain of.

#include "Editor/CheckboxMenuHandler.h"
#include "Editor/CommandRouter.h"
#include "Editor/DocumentTestSupport.h"
#include "Editor/EditorWindowController.h"
#include "Editor/MainMenu.h"
#include "Editor/gtk/GtkTestSupport.h"
#include "Editor/gtk/MainWindow.h"
#include "Editor/gtk/MainWindowTestSupport.h"
#include "MindMaps/MindMap.h"
#include "layout/LayoutInstallation.h"
#include "panels/gtk/EmbeddedNotePanel.h"
#include "panels/gtk/IconPickerView.h"
#include "panels/gtk/OutlinerView.h"
#include "platform/UserDefaults.h"
#include "store/CustomImageStore.h"
#include "support/RecordedCriticals.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

const char* const ShowActions[] = {"showOutlinerPanel:", "showNotePanel:", "showIconPickerPanel:"};

MenuItem* itemFor(Menu& menu, const std::string& action)
{
    for (const std::shared_ptr<MenuItem>& item : menu.items()) {
        if (item->action() == action) return item.get();
        if (Menu* submenu = item->submenu())
            if (MenuItem* found = itemFor(*submenu, action)) return found;
    }
    return nullptr;
}

class InspectorPagesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        initGtkForTests();
        installLayout();
        installOutliner();
        installEmbeddedNotePanel();
        installIconPicker();
        CustomImageStore::initCustomIconStore(icons.file("Custom Icons"));
        UserDefaults::standard().resetForTesting();
        menu = MainMenu::build();
        prepareMainMenu(menu, checkboxHandler, "Tarnwick");
        map = std::make_shared<MindMap>();
        map->newMindMap("", true, std::string("Theme"));
        map->validateElementStates();
        document.mindMap()->setEnabled(true);
    }

    void TearDown() override
    {
        if (window) window->showMindMap(nullptr);
        router.setResponderChain(nullptr);
        window.reset();
        drainGtkEvents();
        UserDefaults::standard().resetForTesting();
    }

    // A new window on the map, as a start opens one, with the inspector as the settings leave it.
    void openWindow()
    {
        window = std::make_unique<MainWindow>(menu, router);
        routeThroughWindow(router, window);
        // Select Icon and its key act while the window has a map open.
        window->controller().setDocumentProvider([this] { return &document; });
        window->showMindMap(map);
        window->present();
        ASSERT_TRUE(runMainLoopUntil([this] { return window->get_mapped() && window->controller().windowLoaded(); }));
        // The pages out of sight are made once the window's first frame is on the screen.
        ASSERT_TRUE(runMainLoopUntil([this] { return namedIn(*window, "iconPickerPage") != nullptr; }));
    }

    Gtk::Widget& inspector() { return *namedIn(*window, "inspectorContainer"); }

    // Until the window draws a frame in the state: it has been laid out in it by then.
    bool frameDrawnWith(const std::function<bool()>& state)
    {
        int drawn = 0;
        sigc::connection draws = window->signal_draw().connect(
            [&](const Cairo::RefPtr<Cairo::Context>&) {
                drawn += state();
                return false;
            },
            false);
        window->queue_draw();
        const bool seen = runMainLoopUntil([&] { return drawn > 0; });
        draws.disconnect();
        return seen;
    }

    // The hidden inspector laid out as such, as when the user takes a moment before showing it.
    void expectHidden()
    {
        EXPECT_TRUE(frameDrawnWith([this] { return !inspector().get_visible(); }));
    }

    void expectDrawnOn(int page)
    {
        auto* tabs = findIn<Gtk::Stack>(inspector());
        ASSERT_NE(tabs, nullptr);
        EXPECT_TRUE(frameDrawnWith([&] {
            Gtk::Widget* shown = tabs->get_visible_child();
            return shown && shown->get_mapped() && shown == tabs->get_child_by_name("inspector" + std::to_string(page));
        }));
        EXPECT_EQ(window->controller().selectedInspectorTab(), page);
    }

    TempDir icons;
    FakeDocumentScheduler documentScheduler;
    EditorDocument document{documentScheduler};
    MainMenu menu;
    CheckboxMenuHandler checkboxHandler{nullptr};
    CommandRouter router;
    std::unique_ptr<MainWindow> window;
    std::shared_ptr<MindMap> map;
};

} // namespace

// Shown again straight onto a page it had not laid out, the icon page was given the room of the
// page before it, and GTK logged two criticals of its notebook.
TEST_F(InspectorPagesTest, HiddenAndShownOnEachPageByEveryRoadLaysThePageOutWithoutComplaint)
{
    const struct {
        const char* road;
        std::function<void(int page)> hideThenShow;
    } roads[] = {
        {"the button, then the menu",
         [this](int page) {
             static_cast<Gtk::Button*>(namedIn(*window, "hideInspectorButton"))->clicked();
             expectHidden();
             MenuItem* item = itemFor(*menu.bar, ShowActions[page]);
             ASSERT_NE(item, nullptr);
             router.sendAction(item->action(), nullptr, item);
         }},
        {"closed at the start, the button",
         [this](int) { static_cast<Gtk::Button*>(namedIn(*window, "hideInspectorButton"))->clicked(); }},
    };
    for (const auto& road : roads) {
        for (int page = 0; page < 3; ++page) {
            SCOPED_TRACE(std::string(road.road) + ", page " + std::to_string(page));
            TearDown();
            const bool closedAtStart = std::string(road.road).starts_with("closed");
            UserDefaults::standard().setBool(EditorWindowController::InspectorClosedKey, closedAtStart);
            UserDefaults::standard().setString(EditorWindowController::InspectorActiveTabKey,
                                               EditorWindowController::InspectorTabIdentifiers[page]);
            if (!closedAtStart) UserDefaults::standard().removeObject(EditorWindowController::InspectorActiveTabKey);
            openWindow();
            ASSERT_EQ(window->controller().isInspectorCollapsed(), closedAtStart);
            RecordedCriticals complaints(GLogLevelFlags(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING));
            road.hideThenShow(page);
            expectDrawnOn(page);
            EXPECT_EQ(complaints.messages(), std::vector<std::string>());
        }
    }
}
