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
