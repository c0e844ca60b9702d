#include "Editor/gtk/CloudProgressWindow.h"
#include "GtkTestSupport.h"
#include "platform/Localizer.h"
#include "store/MindMapProvider.h"

#include <gtest/gtest.h>

TEST(CloudProgressWindowTest, TheWindowShowsTheDownloadLineSpinningAndGoesWhenTheFetchEnds)
{
    initGtkForTests();
    Gtk::Window* shown = nullptr;
    CloudProgressWindowController::install([&] {
        auto window = std::make_unique<CloudProgressWindow>();
        shown = window.get();
        return window;
    });
    std::unique_ptr<CloudFetchProgress> progress = CloudFetchProgress::show(MindMapProviderGoogleDrive);
    drainGtkEvents();
    ASSERT_NE(shown, nullptr);
    auto* window = static_cast<CloudProgressWindow*>(shown);
    EXPECT_TRUE(window->get_visible());
    EXPECT_EQ(window->labelText(), localized("gdrive_download_progress"));
    EXPECT_EQ(window->get_title(), window->labelText()) << "no window without a title";
    EXPECT_TRUE(window->spinning());
    progress->close();
    drainGtkEvents();
    CloudProgressWindowController::install(nullptr);
}
