#include "panels/gtk/StylePresetsBrowserWindow.h"
#include "Editor/CommandRouter.h"
#include "Editor/MainMenu.h"
#include "Editor/gtk/MainWindow.h"
#include "Editor/gtk/MainWindowActions.h"
#include "Editor/gtk/MainWindowTestSupport.h"
#include "Editor/gtk/StyleToolbarWidget.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/StylePresetPainter.h"
#include "MindMaps/StylePresets.h"
#include "RealInput.h"
#include "editor-view/MindMapEditor.h"
#include "formats/TwkxMindMapReader.h"
#include "formats/TwkxMindMapWriter.h"
#include "platform/Localizer.h"
#include "platform/UndoManager.h"
#include "platform/gtk/GtkModalRun.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

// Clicks in the middle of a cell of the browser's grid, once the window has been drawn.
void clickCell(StylePresetsBrowserWindow& window, size_t index)
{
    ASSERT_TRUE(RealInput::pumpUntil([&] {
        return window.get_window() && window.get_window()->is_viewable() &&
            window.grid().cellArea(index).get_width() > 0;
    }));
    RealInput::pump(150);
    const Gdk::Rectangle area = window.grid().cellArea(index);
    RealInput::click(window.grid().flowBox(), area.get_x() + area.get_width() / 2,
                     area.get_y() + area.get_height() / 2);
}

void clickButton(Gtk::Widget& button)
{
    RealInput::click(button, button.get_allocated_width() / 2, button.get_allocated_height() / 2);
}

// The window manager's close button.
void closeByWindowManager(Gtk::Window& window)
{
    GdkEvent* close = gdk_event_new(GDK_DELETE);
    close->any.window = GDK_WINDOW(g_object_ref(window.get_window()->gobj()));
    gtk_main_do_event(close);
    gdk_event_free(close);
}

// A check that fails inside the shown window leaves it; the window closes then, so the test
// ends with the failure rather than waiting on a window nothing answers.
struct ClosedOnLeaving {
    Gtk::Window& window;
    ~ClosedOnLeaving()
    {
        if (::testing::Test::HasFatalFailure() && window.get_visible()) closeByWindowManager(window);
    }
};

// The shown widget whose tool tip is the text, as the user finds a toolbar button.
Gtk::Widget* findByToolTip(Gtk::Widget& widget, const std::string& toolTip)
{
    if (widget.get_mapped() && widget.get_tooltip_text() == toolTip) return &widget;
    if (auto* container = dynamic_cast<Gtk::Container*>(&widget))
        for (Gtk::Widget* child : container->get_children())
            if (Gtk::Widget* found = findByToolTip(*child, toolTip)) return found;
    return nullptr;
}

class StylePresetsBrowserWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!RealInput::startGtk()) TARNWICK_REQUIRE_DISPLAY(false);
        // Presets files keep their styles in the native style format; undo takes snapshots in it.
        registerNativeFormat();
        nodePresets = std::make_unique<NodeStylePresets>(presetsFolder.path());
        while (nodePresets->count() > 5) nodePresets->deletePresetAtIndex(nodePresets->count() - 1);
        lookup = [this](int32_t type) -> StylePresets* {
            return type == ElementTypeNode ? nodePresets.get() : nullptr;
        };
    }

    void TearDown() override
    {
        StylePresetsBrowserWindow::setShownObserver(nullptr);
        MainWindowActions::setStylePresetPicker(nullptr);
        RealInput::pump(50);
    }

    std::vector<StylePreset*> order() const
    {
        std::vector<StylePreset*> result;
        for (const auto& preset : nodePresets->presets()) result.push_back(preset.get());
        return result;
    }

    // The shared collections' folder is a temporary one, whatever a test reaches.
    TempDir home;
    ScopedEnvironment dataHome{"XDG_DATA_HOME", home.path()};
    TempDir presetsFolder;
    std::unique_ptr<NodeStylePresets> nodePresets;
    StylePresetsBrowser::PresetsLookup lookup;
};

} // namespace

TEST_F(StylePresetsBrowserWindowTest, OneClickAppliesThePresetToTheSelectedTopicAsOneUndoStep)
{
    MainWindowActions::setStylePresetPicker([this](MindMapElement& element) {
        return StylePresetsBrowserWindow::pickStylePresetForElement(element, lookup);
    });
    CommandRouter router;
    MainMenu menu = MainMenu::build();
    auto window = std::make_unique<MainWindow>(menu, router);
    routeThroughWindow(router, window);
    auto map = std::make_shared<MindMap>();
    map->newMindMap("", true, std::string("Theme"));
    map->validateElementStates();
    window->showMindMap(map);
    window->show();
    MindMapNode* theme = map->mainCentralTheme();
    map->setSelectedElement(theme);
    RealInput::pump(100);
    window->canvas().grab_focus();
    map->undoManager()->removeAllActions();
    const std::optional<Color> fillBefore = theme->style()->fillColor();
    // A preset that gives the topic a fill of its own.
    size_t wanted = 0;
    while (wanted < nodePresets->count() &&
           !dynamic_cast<const NodeStyle*>(nodePresets->presetAtIndex(wanted)->style())->fillColor())
        ++wanted;
    ASSERT_LT(wanted, nodePresets->count());
    const std::optional<Color> presetFill =
        dynamic_cast<const NodeStyle*>(nodePresets->presetAtIndex(wanted)->style())->fillColor();
    ASSERT_NE(fillBefore, presetFill);

    std::string title;
    std::vector<size_t> cells;
    StylePresetsBrowserWindow::setShownObserver([&](StylePresetsBrowserWindow& browser) {
        title = browser.get_title();
        cells.push_back(browser.grid().count());
        ClosedOnLeaving closed{browser};
        clickCell(browser, wanted);
    });
    // The style toolbar's button, clicked as the user clicks it.
    StyleToolbarWidget::install(*window, [] { return nullptr; });
    window->resize(1000, 700);
    ASSERT_TRUE(RealInput::pumpUntil([&] { return findByToolTip(*window, localized("action_apply_style_preset")); }));
    RealInput::pump(150);
    clickButton(*findByToolTip(*window, localized("action_apply_style_preset")));
    ASSERT_TRUE(RealInput::pumpUntil([&] { return !cells.empty(); }));
    EXPECT_EQ("Style Presets", title);
    EXPECT_EQ(std::vector<size_t>{5}, cells);
    ASSERT_EQ(presetFill, theme->style()->fillColor());

    // Read back as the store would read the saved map.
    auto reread = std::make_shared<MindMap>();
    ASSERT_TRUE(TwkxMindMapReader::readMindMap(*reread, TwkxMindMapWriter::writeMindMap(*map)));
    ASSERT_NE(reread->mainCentralTheme(), nullptr);
    EXPECT_EQ(presetFill, reread->mainCentralTheme()->style()->fillColor());

    // One step takes it all back.
    ASSERT_TRUE(map->undoManager()->canUndo());
    map->undoManager()->undo();
    EXPECT_EQ(fillBefore, map->mainCentralTheme()->style()->fillColor());
    EXPECT_FALSE(map->undoManager()->canUndo());

    window->showMindMap(nullptr);
    router.setResponderChain(nullptr);
    window.reset();
}

TEST_F(StylePresetsBrowserWindowTest, EditModeReordersByDragAndDeletesAndTheCloseButtonPicksNothing)
{
    auto map = std::make_shared<MindMap>();
    map->newMindMap("", true, std::string("Theme"));
    map->validateElementStates();
    const std::vector<StylePreset*> before = order();

    bool dragged = false;
    StylePresetsBrowserWindow::setShownObserver([&](StylePresetsBrowserWindow& browser) {
        EXPECT_FALSE(browser.okButton().get_sensitive());
        EXPECT_FALSE(browser.deleteButton().get_sensitive());
        ClosedOnLeaving closed{browser};
        ASSERT_TRUE(RealInput::pumpUntil([&] { return browser.editModeButton().get_allocated_width() > 1; }));
        RealInput::pump(150);
        clickButton(browser.editModeButton());
        ASSERT_TRUE(RealInput::pumpUntil([&] { return browser.editModeButton().get_active(); }));
        RealInput::pump(Gtk::Settings::get_default()->property_gtk_double_click_time().get_value() + 50);
        // The first of five dropped at position 3 ends third.
        const Gdk::Rectangle first = browser.grid().cellArea(0);
        const Gdk::Rectangle fourth = browser.grid().cellArea(3);
        RealInput::drag(browser.grid().flowBox(), first.get_x() + 20, first.get_y() + 20, fourth.get_x() + 6,
                        fourth.get_y() + 20);
        dragged = true;
        // In edit mode a click only selects; delete takes the selected preset away.
        clickCell(browser, 4);
        ASSERT_TRUE(RealInput::pumpUntil([&] { return browser.deleteButton().get_sensitive(); }));
        ASSERT_TRUE(browser.okButton().get_sensitive());
        clickButton(browser.deleteButton());
        EXPECT_TRUE(RealInput::pumpUntil([&] { return browser.grid().count() == 4; }));
        closeByWindowManager(browser);
    });
    EXPECT_EQ(nullptr, StylePresetsBrowserWindow::pickStylePresetForElement(*map->mainCentralTheme(), lookup));
    ASSERT_TRUE(dragged);
    EXPECT_EQ((std::vector<StylePreset*>{before[1], before[2], before[0], before[3]}), order());
    NodeStylePresets reread(presetsFolder.path());
    EXPECT_EQ(nodePresets->presetsFileText(), reread.presetsFileText());
}

TEST_F(StylePresetsBrowserWindowTest, AKindWithoutPresetsShowsNoWindow)
{
    auto map = std::make_shared<MindMap>();
    map->newMindMap("", true, std::string("Theme"));
    bool shown = false;
    StylePresetsBrowserWindow::setShownObserver([&](StylePresetsBrowserWindow&) { shown = true; });
    EXPECT_EQ(nullptr,
              StylePresetsBrowserWindow::pickStylePresetForElement(*map->mainCentralTheme(),
                                                                   [](int32_t) -> StylePresets* { return nullptr; }));
    RealInput::pump(50);
    EXPECT_FALSE(shown);
}

TEST_F(StylePresetsBrowserWindowTest, TheWindowThatWasActiveBeforeThePickIsActiveAgain)
{
    Glib::RefPtr<Gtk::Application> application =
        Gtk::Application::create("org.tarnwick.tests.presetsbrowser", Gio::APPLICATION_NON_UNIQUE);
    ASSERT_TRUE(application->register_application());
    {
        Gtk::Window owner;
        owner.set_default_size(300, 200);
        application->add_window(owner);
        owner.show();
        owner.present();
        ASSERT_TRUE(RealInput::pumpUntil([&] { return owner.is_active(); }));
        ASSERT_EQ(&owner, GtkModalRun::activeWindow());

        auto map = std::make_shared<MindMap>();
        map->newMindMap("", true, std::string("Theme"));
        bool browserWasActive = false;
        StylePresetsBrowserWindow::setShownObserver([&](StylePresetsBrowserWindow& browser) {
            ClosedOnLeaving closed{browser};
            EXPECT_EQ(&owner, browser.get_transient_for());
            browser.present();
            browserWasActive = RealInput::pumpUntil([&] { return browser.is_active(); });
            clickButton(browser.cancelButton());
        });
        EXPECT_EQ(nullptr, StylePresetsBrowserWindow::pickStylePresetForElement(*map->mainCentralTheme(), lookup));
        EXPECT_TRUE(browserWasActive);
        EXPECT_TRUE(RealInput::pumpUntil([&] { return owner.is_active(); }));
        application->remove_window(owner);
    }
    RealInput::pump(50);
}
