// The custom style editor's window driven through the X server: a click on the preview selects an
// entry, the add button adds one, and Save As names and registers the style.

#include "panels/gtk/CustomStyleEditorWindow.h"
#include "MindMaps/StyleManager.h"
#include "RealInput.h"
#include "formats/TwkxMindMapReader.h"
#include "support/DisplayRequirement.h"
#include "support/ScriptedAlertPanel.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

void press(Gtk::Widget& widget)
{
    RealInput::click(widget, widget.get_allocated_width() / 2, widget.get_allocated_height() / 2);
    RealInput::pump(80);
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
