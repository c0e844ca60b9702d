#include "Editor/CheckboxMenuHandler.h"
#include "Editor/CommandRouter.h"
#include "Editor/MainMenu.h"
#include "Editor/gtk/MainWindow.h"
#include "GtkTestSupport.h"
#include "MainWindowTestSupport.h"
#include "platform/UserDefaults.h"

#include <atkmm/object.h>
#include <gtest/gtest.h>
#include <gtkmm/image.h>

#include <chrono>
#include <thread>

namespace {

class MainWindowLayoutTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        initGtkForTests();
        UserDefaults& defaults = UserDefaults::standard();
        defaults.resetForTesting();
        for (const char* key : {EditorWindowController::SideBarWidthKey, EditorWindowController::ActivityPaneHeightKey,
                                EditorWindowController::InspectorWidthKey, EditorWindowController::ExplorerClosedKey,
                                EditorWindowController::InspectorClosedKey,
                                EditorWindowController::InspectorActiveTabKey, EditorWindowController::WindowFrameName})
            defaults.removeObject(key);
        MainWindow::setSidePaneFactory([](MainWindow&) { return std::make_unique<LabelSidePane>(); });
        menu = MainMenu::build();
        prepareMainMenu(menu, checkboxHandler, "Tarnwick");
    }
    void TearDown() override
    {
        window.reset();
        MainWindow::setSidePaneFactory(nullptr);
        drainGtkEvents();
    }

    // Shows a new window and lets it lay out until its controller has set the panes up.
    MainWindow& open()
    {
        window.reset();
        drainGtkEvents();
        window = std::make_unique<MainWindow>(menu, router);
        window->present();
        settle();
        EXPECT_TRUE(window->controller().windowLoaded());
        return *window;
    }
    void settle()
    {
        for (int round = 0; round < 40; ++round) {
            drainGtkEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    double activityHeight() { return window->controller().view()->activityPaneHeight(); }
    double captionHeight() { return window->controller().view()->activityCaptionHeight(); }

    MainMenu menu;
    CheckboxMenuHandler checkboxHandler{nullptr};
    CommandRouter router;
    std::unique_ptr<MainWindow> window;
};

} // namespace

TEST_F(MainWindowLayoutTest, AFirstStartShowsEveryPaneWithTheActivityPaneClosedToItsCaption)
{
    MainWindow& shown = open();
    EditorWindowController& controller = shown.controller();
    EXPECT_FALSE(controller.isExplorerCollapsed());
    EXPECT_FALSE(controller.isInspectorCollapsed());
    EXPECT_TRUE(controller.areFeedbackDetailsClosed());
    EXPECT_NEAR(activityHeight(), captionHeight() + 3, 1);
    EXPECT_GT(controller.view()->inspectorWidth(), 100);
    EXPECT_GT(shown.canvas().get_allocated_width(), 200);

    // A bar laid over the canvas after the set-up gets its place: the window still lays out.
    Gtk::Label bar("bar");
    shown.addEditorOverlay(bar, Gtk::ALIGN_END, Gtk::ALIGN_START);
    bar.show();
    settle();
    EXPECT_GT(bar.get_allocated_width(), 1);
    int x = -1, y = -1;
    ASSERT_TRUE(bar.translate_coordinates(shown.canvas(), 0, 0, x, y));
    EXPECT_EQ(y, 0);
    EXPECT_EQ(x + bar.get_allocated_width(), shown.canvas().get_allocated_width());
}

TEST_F(MainWindowLayoutTest, PaneSizesAndStatesComeBackInTheNextWindow)
{
    open();
    EditorWindowController& first = window->controller();
    first.feedbackDisclosureClicked();
    settle();
    EXPECT_NEAR(activityHeight(), captionHeight() + 80, 1) << "a first opening gives the log 80 pixels";
    EXPECT_FALSE(first.areFeedbackDetailsClosed());
    const double opened = activityHeight();
    const double inspector = first.view()->inspectorWidth();
    first.performAction("showNotePanel:", nullptr);
    first.performAction("toggleMindMapExplorer:", nullptr);
    settle();
    EXPECT_TRUE(first.isExplorerCollapsed());
    window->saveWindowState();
    EXPECT_TRUE(UserDefaults::standard().boolForKey(EditorWindowController::ExplorerClosedKey));

    open();
    EditorWindowController& second = window->controller();
    EXPECT_TRUE(second.isExplorerCollapsed());
    EXPECT_EQ(second.selectedInspectorTab(), EditorWindowController::NoteTab);
    EXPECT_DOUBLE_EQ(second.view()->inspectorWidth(), inspector);
    second.performAction("toggleMindMapExplorer:", nullptr);
    settle();
    EXPECT_DOUBLE_EQ(activityHeight(), opened) << "the restored height does not drift";
    window->saveWindowState();
    open();
    EXPECT_DOUBLE_EQ(activityHeight(), opened);
}

TEST_F(MainWindowLayoutTest, TheTitleIsTheProgramsWhateverTheMapAndTheCanvasIsNamedAfterTheMap)
{
    MainWindow& shown = open();
    shown.setWindowTitle("Holiday plans");
    EXPECT_EQ(shown.get_title(), shown.controller().windowTitleForDocumentDisplayName(""));
    EXPECT_NE(shown.get_title(), "Holiday plans");
    EXPECT_EQ(shown.canvas().get_accessible()->get_name(), "Holiday plans");
}

TEST_F(MainWindowLayoutTest, InspectorPagesComeFromTheirFactoriesInTheirTabs)
{
    Gtk::Label* made = nullptr;
    MainWindow::setInspectorPageFactory(1, [&made](MainWindow&) {
        auto page = std::make_unique<Gtk::Label>("note page");
        made = page.get();
        return page;
    });
    MainWindow& shown = open();
    MainWindow::setInspectorPageFactory(1, [](MainWindow&) { return std::unique_ptr<Gtk::Widget>(); });
    ASSERT_NE(made, nullptr);
    shown.controller().performAction("showNotePanel:", nullptr);
    settle();
    EXPECT_TRUE(made->get_mapped()) << "the note tab shows the page its library made";
}

TEST_F(MainWindowLayoutTest, APageOutOfSightIsMadeOnceWhenItsTabIsFirstSelectedOrAfterTheFirstFrame)
{
    int made = 0;
    Gtk::Label* page = nullptr;
    MainWindow::setInspectorPageFactory(2, [&made, &page](MainWindow&) {
        ++made;
        auto label = std::make_unique<Gtk::Label>("icons page");
        page = label.get();
        return label;
    });
    window = std::make_unique<MainWindow>(menu, router);
    EXPECT_EQ(made, 0) << "the icons tab is not on screen yet";
    window->controller().view()->selectInspectorTab(2);
    EXPECT_EQ(made, 1) << "selecting the tab makes its page at once";
    window->present();
    settle();
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(page->get_mapped());
    window->controller().view()->selectInspectorTab(2);
    EXPECT_EQ(made, 1) << "a page is made once per window";

    // Without a selection, the page comes once the window has shown its first frame.
    open();
    EXPECT_EQ(made, 2);
    window.reset();
    MainWindow::setInspectorPageFactory(2, [](MainWindow&) { return std::unique_ptr<Gtk::Widget>(); });
}

TEST_F(MainWindowLayoutTest, AWindowMadeUnshownIsLaidOutWhenPresentedAndRunsWaitingWorkAfterItsFirstFrame)
{
    std::vector<std::string> ran;
    window = std::make_unique<MainWindow>(menu, router, false);
    window->afterFirstFrame([&ran] { ran.push_back("before"); });
    window->afterFirstFrame([&ran] { ran.push_back("second"); });
    settle();
    EXPECT_FALSE(window->get_visible());
    EXPECT_FALSE(window->controller().windowLoaded()) << "the panes wait for the first layout";
    EXPECT_TRUE(ran.empty()) << "nothing painted yet";

    window->present();
    settle();
    EXPECT_TRUE(window->controller().windowLoaded());
    EXPECT_EQ(ran, (std::vector<std::string>{"before", "second"}));
    // Once painted, later work runs from the main loop, never inside the caller, and work that
    // asks for more gets it too.
    window->afterFirstFrame([&ran, this] {
        ran.push_back("after");
        window->afterFirstFrame([&ran] { ran.push_back("asked by after"); });
    });
    EXPECT_EQ(ran.size(), 2u);
    settle();
    EXPECT_EQ(ran, (std::vector<std::string>{"before", "second", "after", "asked by after"}));
    // Work still waiting when the window goes is dropped with it.
    window->afterFirstFrame([&ran] { ran.push_back("never"); });
    window.reset();
    settle();
    EXPECT_EQ(ran.size(), 4u);
}

namespace {

// The themed picture a button shows, as the icon name it was drawn from.
std::string pictureOf(Gtk::Button& button)
{
    auto* picture = dynamic_cast<Gtk::Image*>(button.get_child());
    if (!picture || !picture->get_visible()) return "";
    return picture->property_icon_name().get_value();
}

} // namespace

// The pane toggles and the activity pane's disclosure show their pictures, the disclosure turning
// its arrow as the log opens and closes.
TEST_F(MainWindowLayoutTest, ThePaneButtonsShowTheirPicturesAndTheDisclosurePointsWhereTheLogGoes)
{
    MainWindow& shown = open();
    Gtk::Widget* caption = namedIn(shown, "activityCaption");
    ASSERT_NE(caption, nullptr);
    Gtk::Button* disclosure = nullptr;
    for (Gtk::Widget* child : static_cast<Gtk::Container*>(caption)->get_children())
        if (auto* button = dynamic_cast<Gtk::Button*>(child)) disclosure = button;
    ASSERT_NE(disclosure, nullptr);

    const std::vector<std::pair<const char*, const char*>> toggles = {
        {"hideExplorerButton", "sidebar-show-symbolic"},
        {"hideStyleToolsButton", "format-text-rich-symbolic"},
        {"hideInspectorButton", "sidebar-show-right-symbolic"},
    };
    for (const auto& [name, icon] : toggles) {
        auto* button = dynamic_cast<Gtk::Button*>(namedIn(shown, name));
        ASSERT_NE(button, nullptr) << name;
        EXPECT_EQ(pictureOf(*button), icon) << name;
        EXPECT_GT(button->get_allocated_width(), 16) << name << ": the picture and the button's padding";
    }

    struct Step {
        const char* what;
        std::function<void()> act;
        const char* picture;
    };
    const std::vector<Step> steps = {
        {"closed at first", [] {}, "pan-up-symbolic"},
        {"opened", [&] { shown.controller().feedbackDisclosureClicked(); }, "pan-down-symbolic"},
        {"window resized while open", [&] { shown.resize(shown.get_width() + 40, shown.get_height()); },
         "pan-down-symbolic"},
        {"closed again", [&] { shown.controller().feedbackDisclosureClicked(); }, "pan-up-symbolic"},
    };
    for (const Step& step : steps) {
        step.act();
        settle();
        EXPECT_EQ(pictureOf(*disclosure), step.picture) << step.what;
    }
}

namespace {

// A side pane of two tabs, the second of which can be turned off.
class TwoTabSidePane : public MainWindowSidePane {
public:
    class Item : public ExplorerNavigationItem {
    public:
        explicit Item(std::string icon) : _icon(std::move(icon)) {}
        std::string iconName() const override { return _icon; }
        bool enabled() const override { return on; }
        bool on = true;

    private:
        std::string _icon;
    };

    Gtk::Widget& widget() override { return _first; }
    Responder* responder() override { return &_responder; }
    std::vector<ExplorerNavigationItem*> navigationItems() override { return {&first, &second}; }
    Gtk::Widget* page(size_t index) override { return index == 0 ? &_first : index == 1 ? &_second : nullptr; }

    Item first{"local_maps"};
    Item second{"cloud_setup"};

private:
    Gtk::Label _first{"first"};
    Gtk::Label _second{"second"};
    Responder _responder;
};

std::vector<bool> checkedButtons(Gtk::Widget& strip)
{
    std::vector<bool> checked;
    if (auto* container = dynamic_cast<Gtk::Container*>(&strip))
        for (Gtk::Widget* child : container->get_children()) {
            if (auto* button = dynamic_cast<Gtk::Button*>(child))
                checked.push_back((button->get_state_flags() & Gtk::STATE_FLAG_CHECKED) != 0);
            else
                for (bool one : checkedButtons(*child)) checked.push_back(one);
        }
    return checked;
}

} // namespace

// The explorer strip keeps its buttons while its segments stay the same, the selection moving
// between them, and is made anew when a tab comes or goes.
TEST_F(MainWindowLayoutTest, TheExplorerStripKeepsItsButtonsUntilItsTabsChange)
{
    TwoTabSidePane* pane = nullptr;
    MainWindow::setSidePaneFactory([&pane](MainWindow&) {
        auto made = std::make_unique<TwoTabSidePane>();
        pane = made.get();
        return made;
    });
    MainWindow& shown = open();
    ASSERT_NE(pane, nullptr);
    Gtk::Widget* strip = namedIn(shown, "explorerTabsToolbar");
    ASSERT_NE(strip, nullptr);
    const auto firstButton = [strip] {
        std::vector<Gtk::Widget*> found;
        std::function<void(Gtk::Widget&)> walk = [&](Gtk::Widget& widget) {
            if (dynamic_cast<Gtk::Button*>(&widget)) found.push_back(&widget);
            else if (auto* container = dynamic_cast<Gtk::Container*>(&widget))
                for (Gtk::Widget* child : container->get_children()) walk(*child);
        };
        walk(*strip);
        return found.empty() ? nullptr : found.front();
    };
    EditorWindowController& controller = shown.controller();

    struct Step {
        const char* what;
        std::function<void()> act;
        std::vector<bool> checked;
        bool sameButtons;
    };
    const std::vector<Step> steps = {
        {"as set up", [] {}, {true, false}, true},
        {"second tab chosen", [&] { controller.explorerSegmentsChanged(1); }, {false, true}, true},
        {"synced again", [&] { controller.syncExplorerSegments(); }, {false, true}, true},
        {"second tab turned off",
         [&] {
             pane->second.on = false;
             controller.explorerSegmentsChanged(0);
             controller.syncExplorerSegments();
         },
         {true},
         false},
    };
    for (const Step& step : steps) {
        // Watched for its end rather than compared by address: a new button may take the old one's.
        bool ended = false;
        GtkWidget* button = firstButton()->gobj();
        const gulong watch =
            g_signal_connect(button, "destroy",
                             G_CALLBACK(+[](GtkWidget*, gpointer flag) { *static_cast<bool*>(flag) = true; }), &ended);
        step.act();
        settle();
        if (!ended) g_signal_handler_disconnect(button, watch);
        EXPECT_EQ(checkedButtons(*strip), step.checked) << step.what;
        EXPECT_EQ(!ended, step.sameButtons) << step.what;
    }
}
