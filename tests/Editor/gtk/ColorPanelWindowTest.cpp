#include "Editor/gtk/ColorPanelWindow.h"
#include "GtkTestSupport.h"
#include "platform/Localizer.h"

#include <gtest/gtest.h>

namespace {

// The window's chooser reports what the user picks to the panel, which sends it; what the panel
// shows on its own is not sent back.
TEST(ColorPanelWindowTest, APickInTheChooserIsSentOnceAndTheWindowHidesWhenClosed)
{
    initGtkForTests();
    std::vector<Color> sent;
    ColorPanelWindow* window = nullptr;
    ColorPanel panel(
        [&](ColorPanel& owner) {
            auto made = std::make_unique<ColorPanelWindow>(owner);
            window = made.get();
            return made;
        },
        [&](const std::string& action, const ActionSender& sender) {
            EXPECT_EQ(action, "changeColor:");
            sent.push_back(std::any_cast<Color>(sender.representedValue()));
        });
    panel.setColor(Color(0, 0, 1));
    panel.orderFront();
    ASSERT_NE(window, nullptr);
    drainGtkEvents();
    EXPECT_TRUE(panel.isVisible());
    EXPECT_EQ(window->get_title(), localized("relation_style_custom_color"));
    EXPECT_TRUE(sent.empty()) << "showing the panel's own colour sends nothing";
    GdkRGBA shown{};
    gtk_color_chooser_get_rgba(GTK_COLOR_CHOOSER(window->chooser()), &shown);
    EXPECT_EQ(shown.blue, 1.0);

    // As a click on a swatch sets it.
    const GdkRGBA picked{1.0, 0.5, 0.0, 1.0};
    gtk_color_chooser_set_rgba(GTK_COLOR_CHOOSER(window->chooser()), &picked);
    drainGtkEvents();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], Color(1.0, 0.5, 0.0, 1.0));
    EXPECT_EQ(panel.color(), sent[0]);

    GdkEvent* close = gdk_event_new(GDK_DELETE);
    close->any.window = GDK_WINDOW(g_object_ref(window->get_window()->gobj()));
    gtk_main_do_event(close);
    gdk_event_free(close);
    drainGtkEvents();
    EXPECT_FALSE(panel.isVisible());
    panel.orderFront();
    drainGtkEvents();
    EXPECT_TRUE(panel.isVisible()) << "the same window comes back";
    panel.close();
    drainGtkEvents();
}

} // namespace
