// The custom style editor's window driven through the X server: a click on the preview selects an
// entry, the add button adds one, and Save As names and registers the style.

#include "panels/gtk/CustomStyleEditorWindow.h"
#include "MindMaps/CustomStyleSheet.h"
#include "MindMaps/MMColorScheme.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/RelationStyle.h"
#include "MindMaps/StyleManager.h"
#include "MindMaps/StyleSheet.h"
#include "RealInput.h"
#include "formats/TwkxMindMapReader.h"
#include "platform/Localizer.h"
#include "platform/UserDefaults.h"
#include "support/DisplayRequirement.h"
#include "support/ScriptedAlertPanel.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>

namespace {

void press(Gtk::Widget& widget)
{
    RealInput::click(widget, widget.get_allocated_width() / 2, widget.get_allocated_height() / 2);
    RealInput::pump(80);
}

// Screenshots only when asked for, into the folder named.
void shoot(Gtk::Window& window, const char* name)
{
    const char* folder = std::getenv("TARNWICK_SCREENSHOT_DIR");
    if (!folder || !window.get_window()) return;
    RealInput::pump(300);
    auto pixbuf = Gdk::Pixbuf::create(window.get_window(), 0, 0, window.get_width(), window.get_height());
    if (pixbuf) pixbuf->save(std::string(folder) + "/" + name + ".png", "png");
}

bool showAndWait(CustomStyleEditorWindow& window)
{
    window.show();
    const bool shown = RealInput::pumpUntil([&] {
        return window.get_window() && window.get_window()->is_viewable() &&
            window.preview().get_allocated_width() > 100;
    });
    RealInput::pump(150);
    return shown;
}

} // namespace

TEST(CustomStyleEditorWindowTest, AnEntryAddedAndSavedAsMyStyleIsRegistered)
{
    if (!RealInput::startGtk()) TARNWICK_REQUIRE_DISPLAY(false);
    registerNativeFormat();
    TempDir documents;
    ScriptedAlertPanel alerts;
    {
        CustomStyleEditorWindow window(documents.path());
        window.controller().loadStyle(StyleManager::styleManager().getStyleAtIndex(0));
        window.show();
        ASSERT_TRUE(RealInput::pumpUntil([&] {
            return window.get_window() && window.get_window()->is_viewable() &&
                window.preview().get_allocated_width() > 100;
        }));
        RealInput::pump(150);
        const size_t before = window.controller().entries().size();

        // The root sits in the middle of the preview; clicking it selects it.
        RealInput::click(window.preview(), window.preview().get_allocated_width() / 2,
                         window.preview().get_allocated_height() / 2);
        RealInput::pump(80);
        EXPECT_EQ(window.controller().selectedEntry(), window.controller().entries().front().get());

        press(window.addButton());
        EXPECT_EQ(window.controller().entries().size(), before + 1);
        EXPECT_TRUE(window.controller().isModified());

        alerts.answers = {{AlertPanel::FirstButtonReturn, "My style"}};
        press(window.saveAsButton());
        EXPECT_TRUE(std::filesystem::exists(documents.file("My style.twkstyle")));
        EXPECT_NE(StyleManager::styleManager().indexOfStyleKey("My style"), -1);
        EXPECT_FALSE(window.controller().isModified());
        window.hide();
    }
    StyleManager::releaseStyleManagerInstance();
    RealInput::pump(50);
}

TEST(CustomStyleEditorWindowTest, TheStyleTabsAndTheOrderSegmentsReachTheCommittedStyle)
{
    if (!RealInput::startGtk()) TARNWICK_REQUIRE_DISPLAY(false);
    registerNativeFormat();
    UserDefaults::standard().resetForTesting();
    TempDir documents;
    ScriptedAlertPanel alerts;
    {
        CustomStyleEditorWindow window(documents.path());
        window.controller().loadStyle(StyleManager::styleManager().getStyleAtIndex(0));
        ASSERT_TRUE(showAndWait(window));
        for (size_t item = 0; item < 3; ++item)
            EXPECT_EQ(window.toolbarLabel(item).get_text(),
                      localized(std::array{"palette_color_dialog_title", "palette_color_dialog_color_order",
                                           "action_save_document"}[item]));
        EXPECT_EQ(window.styleTabs().get_n_pages(), 3);
        EXPECT_EQ(window.addButton().get_tooltip_text(), localized("add_palette_color"));
        EXPECT_EQ(window.saveAsButton().get_tooltip_text(), localized("action_save_document_as"));

        // The root selected and moved down: it trades places with the last entry.
        RealInput::click(window.preview(), window.preview().get_allocated_width() / 2,
                         window.preview().get_allocated_height() / 2);
        RealInput::pump(80);
        const MindMapPreviewShape* root = window.controller().entries().front().get();
        press(window.moveDownButton());
        EXPECT_EQ(window.controller().entries().back().get(), root);
        press(window.moveUpButton());
        EXPECT_EQ(window.controller().entries().front().get(), root);

        // Topics: the border width box enables its slider.
        press(window.borderWidthBox());
        EXPECT_TRUE(window.borderWidthBox().get_active());
        EXPECT_TRUE(window.borderWidthSlider().get_sensitive());
        window.borderWidthSlider().set_value(3.5);
        EXPECT_EQ(window.borderWidthLabel().get_text(), "3.50");
        press(window.alignmentSegments().segment(1));

        // Parent relations: straight paths and an own colour.
        window.styleTabs().set_current_page(1);
        RealInput::pump(120);
        EXPECT_FALSE(window.parentControls().color.get_sensitive());
        press(window.parentControls().colorBox);
        EXPECT_TRUE(window.parentControls().color.get_sensitive());
        press(window.parentControls().pathStyle.segment(2));
        window.connectionStylePopup().set_active_id("2");
        window.levelBasedPopup().set_active_id("1");
        shoot(window, "custom-style-editor");
        EXPECT_TRUE(window.controller().isModified());

        window.controller().commitToStyle();
        const auto& style = window.controller().customStyle();
        ASSERT_NE(style, nullptr);
        EXPECT_TRUE(style->nodeStyle()->isPropCustomized(NodeStyle::BorderWidthMask));
        EXPECT_DOUBLE_EQ(style->nodeStyle()->borderWidth(), 3.5);
        EXPECT_EQ(style->nodeStyle()->alignment(), window.alignmentSegments().selected().value_or(-1));
        EXPECT_TRUE(style->parentRelationStyle()->isPropCustomized(RelationStyle::ColorMask));
        EXPECT_EQ(style->parentRelationStyle()->relationPathStyle(), 2);
        EXPECT_EQ(style->connectionStyle(), 2);
        EXPECT_TRUE(style->colorScheme()->isLevelBased());
        window.controller().windowShouldClose();
        window.hide();
    }
    StyleManager::releaseStyleManagerInstance();
    RealInput::pump(50);
}

TEST(CustomStyleEditorWindowTest, TheWindowOpensAtTheSavedPlaceWithItsOwnSize)
{
    if (!RealInput::startGtk()) TARNWICK_REQUIRE_DISPLAY(false);
    UserDefaults::standard().resetForTesting();
    UserDefaults::standard().setObject("PanelFrame CustomStyleEditor.Frame",
                                       PropertyList(PropertyList::Array{30.0, 40.0, 111.0, 99.0}));
    TempDir documents;
    ScriptedAlertPanel alerts;
    {
        CustomStyleEditorWindow window(documents.path());
        ASSERT_TRUE(showAndWait(window));
        int width = 0, height = 0;
        window.get_size(width, height);
        EXPECT_GT(width, 111);
        EXPECT_GT(height, 99);
        window.move(70, 80);
        RealInput::pumpUntil([&] {
            const PropertyList saved = UserDefaults::standard().objectForKey("PanelFrame CustomStyleEditor.Frame");
            return saved.arrayValue() && saved.arrayValue()->size() == 4 && (*saved.arrayValue())[2].realValue() > 111;
        });
        const PropertyList saved = UserDefaults::standard().objectForKey("PanelFrame CustomStyleEditor.Frame");
        ASSERT_TRUE(saved.arrayValue());
        EXPECT_DOUBLE_EQ((*saved.arrayValue())[2].realValue(), double(width));
        window.hide();
    }
    UserDefaults::standard().resetForTesting();
    RealInput::pump(50);
}
