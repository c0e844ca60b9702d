#include "Editor/gtk/StyleToolbarWidget.h"
#include "Editor/CommandRouter.h"
#include "Editor/MainMenu.h"
#include "Editor/StylingMenus.h"
#include "Editor/gtk/MainWindow.h"
#include "Editor/gtk/SegmentedControlWidget.h"
#include "Editor/gtk/ToolbarImageFactory.h"
#include "GtkTestSupport.h"
#include "MindMaps/MMColorScheme.h"
#include "MindMaps/StyleManager.h"
#include "MindMaps/StyleSheet.h"
#include "platform/Localizer.h"
#include "platform/MainLoop.h"
#include "platform/UserDefaults.h"
#include "platform/gtk/GtkMenuBuilder.h"
#include "support/RecordingResponder.h"

#include <gtest/gtest.h>

namespace {

Gtk::Image* imageOf(Gtk::Button& button)
{
    return findIn<Gtk::Image>(button);
}

Gtk::Label* labelIn(Gtk::Widget& widget)
{
    return findIn<Gtk::Label>(widget);
}

} // namespace

TEST(StyleToolbarWidgetTest, TheStripShowsSixControlsWithTheirPictures)
{
    initGtkForTests();
    std::vector<std::string> log;
    RecordingResponder editor("editor", log);
    editor.handle("toggleBoldFontStyle:");
    CommandRouter::shared().setResponderChain([&] { return std::vector<Responder*>{&editor}; });

    StyleToolbarWidget strip({});
    Gtk::OffscreenWindow window;
    window.add(strip);
    window.show_all();
    drainGtkEvents();

    const auto& items = strip.background().segmentedControlItems();
    ASSERT_EQ(items.size(), 6u);
    EXPECT_EQ(strip.defaultHeight(), items[0]->segmentedControl().frame().size.height + 10);
    double x = 10;
    for (const auto& item : items) {
        const Rect frame = item->segmentedControl().frame();
        EXPECT_EQ(frame.origin.x, x);
        x += frame.size.width + 10;
    }

    // Drawn pictures are surfaces; the rest come from the icon theme.
    Gtk::Image* border = imageOf(strip.controlWidget(3).button(0));
    ASSERT_NE(border, nullptr);
    EXPECT_EQ(border->get_storage_type(), Gtk::IMAGE_SURFACE);
    Gtk::Image* bold = imageOf(strip.controlWidget(2).button(1));
    ASSERT_NE(bold, nullptr);
    EXPECT_EQ(bold->get_storage_type(), Gtk::IMAGE_ICON_NAME);
    EXPECT_EQ(bold->property_icon_name().get_value(), "format-text-bold-symbolic");

    // The canvas's pane may be narrower than the strip: the strip asks for no width.
    int minimum = -1, natural = -1;
    strip.get_preferred_width(minimum, natural);
    EXPECT_EQ(minimum, 0);
    EXPECT_GE(natural, int(x) - 10);

    strip.validate();
    EXPECT_TRUE(strip.controlWidget(2).button(1).get_sensitive());
    EXPECT_FALSE(strip.controlWidget(2).button(2).get_sensitive()) << "nobody handles italic";
    strip.controlWidget(2).button(1).clicked();
    EXPECT_EQ(log, std::vector<std::string>{"editor toggleBoldFontStyle:"});

    window.remove();
    CommandRouter::shared().setResponderChain(nullptr);
}

TEST(StyleToolbarWidgetTest, MenuItemsShowPicturesAndUntrustedTitlesAsPlainText)
{
    initGtkForTests();
    ToolbarImageFactory::install();
    Menu menu;
    MenuItem& named = menu.addItem("My_sheet <b>bold</b>", "changeStyleSheet:");
    named.setImageName("border_cloud_16");
    named.setChecked(true);
    MenuItem& drawn = menu.addItem("Palette Color 1", "applyPaletteIndex:");
    const auto sheet = StyleManager::styleManager().getStyleOnKey("system.bright-palette", false);
    drawn.setImage(PaletteMenu::createPalettePreviewImage(*sheet->colorScheme(), 1));
    menu.addItem("Plain_title", "a:");
    MenuItem& keyed = menu.addItem("Bold", "toggleBoldFontStyle:", "b");
    keyed.setKeyEquivalentModifiers(ControlKeyModifier);
    keyed.setImageName("text_bold");

    Gtk::Menu target;
    fillGtkMenu(target, menu, nullptr);
    const auto entries = target.get_children();
    ASSERT_EQ(entries.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        Gtk::Label* label = labelIn(*entries[i]);
        ASSERT_NE(label, nullptr) << i;
        EXPECT_EQ(label->get_text(), menu.items()[i]->title()) << "shown as given, no mnemonic, no markup";
        EXPECT_FALSE(label->get_use_underline()) << i;
        EXPECT_FALSE(label->get_use_markup()) << i;
    }
    EXPECT_NE(dynamic_cast<Gtk::CheckMenuItem*>(entries[0]), nullptr);
    // A pictured item still shows its key.
    auto* accel = dynamic_cast<Gtk::AccelLabel*>(labelIn(*entries[3]));
    ASSERT_NE(accel, nullptr);
    guint key = 0;
    GdkModifierType modifiers{};
    gtk_accel_label_get_accel(accel->gobj(), &key, &modifiers);
    EXPECT_EQ(key, guint(GDK_KEY_b));
    EXPECT_EQ(modifiers, GDK_CONTROL_MASK);
}

TEST(StyleToolbarWidgetTest, TheMainWindowShowsTheStripAndValidatesItWhenIdle)
{
    initGtkForTests();
    std::vector<std::string> log;
    RecordingResponder editor("editor", log);
    editor.handle("copyStyle:");
    CommandRouter::shared().setResponderChain([&] { return std::vector<Responder*>{&editor}; });
    CommandRouter router;
    MainMenu menu = MainMenu::build();
    MainWindow window(menu, router);
    StyleToolbarWidget::install(window, [] { return nullptr; });
    auto* strip = findIn<StyleToolbarWidget>(window);
    ASSERT_NE(strip, nullptr);
    EXPECT_NE(strip->get_ancestor(GTK_TYPE_REVEALER), nullptr) << "shown and hidden with its revealer";

    drainGtkEvents();
    SegmentedControlWidget& clipboard = strip->controlWidget(5);
    EXPECT_TRUE(clipboard.button(1).get_sensitive()) << "the chain copies styles";
    EXPECT_FALSE(clipboard.button(2).get_sensitive()) << "nobody pastes them";
    EXPECT_FALSE(clipboard.button(3).get_sensitive()) << "no document clears customisations";
    CommandRouter::shared().setResponderChain(nullptr);
}

namespace {

// The side bar as the application has it, which takes its width from the canvas.
class PlainSidePane : public MainWindowSidePane {
public:
    Gtk::Widget& widget() override { return _list; }
    Responder* responder() override { return &_explorer; }

private:
    Gtk::Label _list{"Maps"};
    Responder _explorer;
};

} // namespace

// At the window's default size, beside the side bar and the inspector, the canvas is narrower than
// the strip: the controls without room give way whole to an arrow at its end, whose menu offers
// their segments enabled as they validate and acts as they would; with room again, the strip shows
// every control and no arrow.
TEST(StyleToolbarWidgetTest, ControlsWithoutRoomAreReachedThroughTheArrowsMenu)
{
    initGtkForTests();
    UserDefaults::standard().resetForTesting();
    std::vector<std::string> log;
    RecordingResponder editor("editor", log);
    editor.handle("pasteStyle:");
    editor.handle("copyStyle:");
    editor.answers["copyStyle:"] = ItemValidation::enabledIf(false);
    editor.handle("changeLineStyle:");
    CommandRouter::shared().setResponderChain([&] { return std::vector<Responder*>{&editor}; });
    MainWindow::setSidePaneFactory([](MainWindow&) { return std::make_unique<PlainSidePane>(); });
    CommandRouter router;
    MainMenu menu = MainMenu::build();
    MainWindow window(menu, router);
    MainWindow::setSidePaneFactory(nullptr);
    StyleToolbarWidget::install(window, [] { return nullptr; });
    auto* strip = findIn<StyleToolbarWidget>(window);
    ASSERT_NE(strip, nullptr);
    ASSERT_TRUE(MainLoop::runUntil(
        [&] { return strip->get_allocated_width() > 1 && window.get_allocated_width() == 1200; }, 5.0));
    drainGtkEvents();

    const auto& items = strip->background().segmentedControlItems();
    const size_t shown = strip->shownControlCount();
    ASSERT_GT(shown, 0u);
    ASSERT_LT(shown, items.size()) << "the strip fits beside the side bar and the inspector";
    Gtk::ToggleButton& arrow = strip->overflowButton();
    ASSERT_TRUE(arrow.get_child_visible());
    const Gtk::Allocation area = strip->get_allocation();
    const Gtk::Allocation arrowArea = arrow.get_allocation();
    EXPECT_LE(arrowArea.get_x() + arrowArea.get_width(), area.get_x() + area.get_width()) << "the arrow is cut off";
    for (size_t index = 0; index < items.size(); ++index) {
        SegmentedControlWidget& control = strip->controlWidget(index);
        EXPECT_EQ(control.get_child_visible(), index < shown) << index;
        if (index < shown)
            EXPECT_LE(control.get_allocation().get_x() + control.get_allocation().get_width(), arrowArea.get_x())
                << "control " << index << " runs under the arrow";
    }

    arrow.set_active(true);
    Gtk::Menu* overflow = strip->overflowMenu();
    ASSERT_NE(overflow, nullptr);
    std::vector<Gtk::MenuItem*> entries;
    for (Gtk::Widget* child : overflow->get_children())
        if (!dynamic_cast<Gtk::SeparatorMenuItem*>(child)) entries.push_back(dynamic_cast<Gtk::MenuItem*>(child));
    std::vector<std::string> expected;
    for (size_t index = shown; index < items.size(); ++index)
        for (const auto& segment : items[index]->segments()) {
            std::string title = segment->toolTip();
            title.erase(std::min(title.size(), title.find("  (")));
            expected.push_back(title);
        }
    ASSERT_EQ(entries.size(), expected.size());
    Gtk::MenuItem* paste = nullptr;
    Gtk::MenuItem* copy = nullptr;
    Gtk::MenuItem* lineStyle = nullptr;
    for (size_t index = 0; index < entries.size(); ++index) {
        EXPECT_EQ(entries[index]->get_label(), expected[index]);
        if (expected[index] == localized("editor_menu_paste_style")) paste = entries[index];
        if (expected[index] == localized("editor_menu_copy_style")) copy = entries[index];
        if (expected[index] == localized("relation_style_line_style")) lineStyle = entries[index];
    }
    ASSERT_NE(paste, nullptr) << "the style clipboard has no room";
    EXPECT_TRUE(paste->get_sensitive());
    ASSERT_NE(copy, nullptr);
    EXPECT_FALSE(copy->get_sensitive()) << "enabled as its segment validates";
    paste->activate();
    EXPECT_EQ(log, std::vector<std::string>{"editor pasteStyle:"});
    if (lineStyle) {
        // A segment that opens a menu offers that menu, filled as it opens.
        EXPECT_TRUE(lineStyle->get_sensitive()) << "the chain styles lines";
        ASSERT_NE(lineStyle->get_submenu(), nullptr);
        lineStyle->get_submenu()->show();
        EXPECT_FALSE(lineStyle->get_submenu()->get_children().empty());
        lineStyle->get_submenu()->hide();
    }
    overflow->deactivate();
    EXPECT_FALSE(arrow.get_active()) << "the arrow stays down after its menu closed";

    // Without the side bar the canvas has room for every control.
    window.controller().toggleMindMapExplorer();
    EXPECT_TRUE(MainLoop::runUntil([&] { return strip->shownControlCount() == items.size(); }, 5.0));
    EXPECT_FALSE(arrow.get_child_visible());
    CommandRouter::shared().setResponderChain(nullptr);
}
