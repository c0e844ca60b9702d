#include "preferences/gtk/PreferencesWindow.h"

#include "Editor/ApplicationActions.h"
#include "Editor/TwkDocumentController.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "layout/SnapEngine.h"
#include "panels/gtk/RealInput.h"
#include "platform/Localizer.h"
#include "platform/TextMeasurer.h"
#include "platform/UserDefaults.h"
#include "preferences/gtk/GeneralOptionsViewController.h"
#include "preferences/gtk/GlobalFontsViewController.h"
#include "preferences/gtk/ImageSettingsViewController.h"
#include "preferences/gtk/MaintenanceViewController.h"
#include "preferences/gtk/PreferencesInstallation.h"
#include "preferences/gtk/SnapOptionsViewController.h"
#include "store/CustomImageSettings.h"
#include "support/FakeTextMeasurer.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <gtkmm.h>

#include <cstdlib>
#include <memory>

namespace {

class PreferencesWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TARNWICK_REQUIRE_DISPLAY(RealInput::startGtk());
        UserDefaults::standard().resetForTesting();
        installPreferences();
    }

    void TearDown() override
    {
        window.reset();
        RealInput::pump();
        UserDefaults::standard().resetForTesting();
    }

    PreferencesWindow& open()
    {
        window = std::make_unique<PreferencesWindow>(PreferencesWindowController::panes(),
                                                     PreferencesWindowController::MinimumWidth);
        window->show();
        EXPECT_TRUE(RealInput::pumpUntil([&] { return window->get_window() && window->get_window()->is_viewable(); }));
        RealInput::pump(200);
        return *window;
    }

    void clickItem(const std::string& identifier)
    {
        Gtk::RadioToolButton* item = window->toolbarItem(identifier);
        ASSERT_NE(item, nullptr) << identifier;
        RealInput::click(*item, item->get_allocated_width() / 2, item->get_allocated_height() / 2);
        RealInput::pumpUntil([&] { return window->selectedPane() == identifier; });
        RealInput::pump(100);
    }

    template <typename Pane> Pane& pane(const std::string& identifier)
    {
        return dynamic_cast<Pane&>(*window->controller().viewControllerForIdentifier(identifier));
    }

    // Only when asked for, into the folder named.
    void shoot(const std::string& name)
    {
        const char* folder = std::getenv("TARNWICK_SCREENSHOT_DIR");
        if (!folder || !window->get_window()) return;
        RealInput::pump(200);
        auto pixbuf = Gdk::Pixbuf::create(window->get_window(), 0, 0, window->get_width(), window->get_height());
        if (pixbuf) pixbuf->save(std::string(folder) + "/preferences-" + name + ".png", "png");
    }

    TempDir config;
    ScopedEnvironment configHome{"XDG_CONFIG_HOME", config.path()};
    std::unique_ptr<PreferencesWindow> window;
};

TEST_F(PreferencesWindowTest, ToolbarClicksSwitchPanesAtTheirSizeWithTheTopLeftCornerFixed)
{
    PreferencesWindow& shown = open();
    EXPECT_EQ(shown.paneIdentifiers(),
              (std::vector<std::string>{"GeneralOptions", "SnapOptions", "GlobalFonts", "ImageOptions", "Maintenance",
                                        "iPhoneLinkStatus"}));
    EXPECT_FALSE(shown.get_resizable());
    EXPECT_EQ(shown.selectedPane(), "GeneralOptions");
    EXPECT_EQ(shown.get_title(), "General");
    int x = 0, y = 0;
    shown.get_position(x, y);
    shoot("general");

    struct Step {
        const char* identifier;
        const char* title;
    };
    int previousHeight = shown.get_height();
    bool heightChanged = false;
    for (const Step& step : {Step{"SnapOptions", "Snapping"}, Step{"GlobalFonts", "Fonts"},
                             Step{"ImageOptions", "Images"}, Step{"Maintenance", "Maintenance"},
                             Step{"iPhoneLinkStatus", "Device Link"}, Step{"GeneralOptions", "General"}}) {
        clickItem(step.identifier);
        EXPECT_EQ(shown.selectedPane(), step.identifier);
        EXPECT_EQ(shown.get_title(), step.title);
        EXPECT_TRUE(shown.toolbarItem(step.identifier)->get_active());
        EXPECT_GE(shown.get_width(), 515) << step.identifier;
        int nowX = 0, nowY = 0;
        shown.get_position(nowX, nowY);
        EXPECT_EQ(nowX, x) << step.identifier;
        EXPECT_EQ(nowY, y) << step.identifier;
        heightChanged = heightChanged || shown.get_height() != previousHeight;
        previousHeight = shown.get_height();
        shoot(step.identifier);
    }
    EXPECT_TRUE(heightChanged);
}

TEST_F(PreferencesWindowTest, TheSnapPaneStoresTheGridClampedAndKeepsWhatWasTyped)
{
    open();
    clickItem("SnapOptions");
    auto& snap = pane<SnapOptionsViewController>("SnapOptions");
    const bool wasOn = snap.snapToGridCheckbox().get_active();
    Gtk::CheckButton& toGrid = snap.snapToGridCheckbox();
    RealInput::click(toGrid, 8, toGrid.get_allocated_height() / 2);
    RealInput::pump(100);
    ASSERT_NE(toGrid.get_active(), wasOn);
    if (!toGrid.get_active()) {
        RealInput::click(toGrid, 8, toGrid.get_allocated_height() / 2);
        RealInput::pump(100);
    }
    EXPECT_TRUE(snap.gridSizeField().get_sensitive());
    EXPECT_TRUE(UserDefaults::standard().boolForKey("Editor.Snap.SnapToGrid"));

    snap.gridSizeField().set_text("500");
    // Leaving the pane takes what was typed.
    clickItem("GlobalFonts");
    EXPECT_EQ(UserDefaults::standard().integerForKey("Editor.Snap.GridSize"), 100);
    EXPECT_EQ(SnapEngineOptions::instance().gridSize(), 100);
    EXPECT_EQ(snap.gridSizeField().get_text(), "500");
    clickItem("SnapOptions");
    snap.gridSizeField().set_value(36);
    EXPECT_EQ(UserDefaults::standard().integerForKey("Editor.Snap.GridSize"), 36);
    EXPECT_EQ(SnapEngineOptions::instance().gridSnapDistance(), 18);
}

TEST_F(PreferencesWindowTest, TheScaleSliderStoresTheFactorAsItMoves)
{
    UserDefaults::standard().setDouble("editorGlobalScaleFactor", 2.0);
    open();
    clickItem("GlobalFonts");
    auto& fonts = pane<GlobalFontsViewController>("GlobalFonts");
    EXPECT_DOUBLE_EQ(fonts.scaleSlider().get_value(), 1.0);
    EXPECT_EQ(fonts.scaleLabel().get_text(), "200%");
    std::vector<double> seen;
    ObservationToken token = UserDefaults::standard().observe("editorGlobalScaleFactor", [&](const std::string&) {
        seen.push_back(UserDefaults::standard().doubleForKey("editorGlobalScaleFactor"));
    });
    for (double value : {0.585, 0.0, -1.0}) fonts.scaleSlider().set_value(value);
    EXPECT_EQ(seen, (std::vector<double>{1.5, 1.0, 0.5}));
    EXPECT_EQ(fonts.scaleLabel().get_text(), "50%");
}

TEST_F(PreferencesWindowTest, TheGeneralPaneOffersTheModesDirectionsAndStoresOnlyWhatWasPicked)
{
    open();
    auto& general = pane<GeneralOptionsViewController>("GeneralOptions");
    general.layoutModePopup().set_active(4);
    EXPECT_EQ(UserDefaults::standard().integerForKey("newMindMapLayoutMode"), 4);
    EXPECT_EQ(general.layoutDirectionPopup().get_active_id(), "5");
    EXPECT_FALSE(UserDefaults::standard().hasUserValue("newMindMapLayoutDirection"));
    general.layoutDirectionPopup().set_active_id("6");
    EXPECT_EQ(UserDefaults::standard().integerForKey("newMindMapLayoutDirection"), 6);

    Gtk::CheckButton* shadows = general.checkbox("suppressShadows");
    ASSERT_NE(shadows, nullptr);
    shadows->set_active(false);
    EXPECT_TRUE(UserDefaults::standard().boolForKey("suppressShadows"));
    // A change made elsewhere shows at once.
    UserDefaults::standard().setBool("topicHasHideTool", true);
    EXPECT_TRUE(general.checkbox("topicHasHideTool")->get_active());
}

// The application's start as far as the markdown setting goes: the document controller sets it up.
class StartedController {
public:
    StartedController() : controller(scheduler, host, services) {}

private:
    class IdleScheduler : public DocumentScheduler {
    public:
        double now() const override { return 0; }
        Handle schedule(double, bool, std::function<void()>) override { return ++_last; }
        void cancel(Handle) override {}

    private:
        Handle _last = 0;
    };
    IdleScheduler scheduler;
    DocumentControllerHost host;
    ApplicationTerminationServices services;
    TwkDocumentController controller;
};

TEST_F(PreferencesWindowTest, OnAFreshProfileMarkdownIsOnAndTickedAndTheBoxSwitchesTheTopicsMarkup)
{
    FakeTextMeasurer measurer;
    TextMeasurer::setShared(&measurer);
    StartedController started;
    MindMap map;
    map.newMindMap("", true, std::string("*Bold* and plain"));
    MindMapNode* theme = map.mainCentralTheme();
    // The text, and whether its first word stands out in bold from the rest.
    const auto shown = [&] {
        map.validateElementStates();
        const AttributedString& text = theme->displayText();
        const auto bold = [&text](size_t at) {
            const std::optional<Font> font = text.attributesAt(at).font;
            return font && font->isBold();
        };
        return std::pair{text.string(), bold(0) && !bold(text.length() - 1)};
    };
    EXPECT_EQ(shown(), (std::pair{std::string("Bold and plain"), true}));

    open();
    auto& general = pane<GeneralOptionsViewController>("GeneralOptions");
    Gtk::CheckButton* markdown = general.checkbox("markDownSyntaxEnabled");
    ASSERT_NE(markdown, nullptr);
    EXPECT_TRUE(markdown->get_active());
    const auto click = [&] {
        const bool before = markdown->get_active();
        RealInput::click(*markdown, markdown->get_allocated_height() / 2, markdown->get_allocated_height() / 2);
        return RealInput::pumpUntil([&] { return markdown->get_active() != before; });
    };
    ASSERT_TRUE(click());
    EXPECT_FALSE(UserDefaults::standard().boolForKey("markDownSyntaxEnabled"));
    EXPECT_EQ(shown(), (std::pair{std::string("*Bold* and plain"), false}));
    ASSERT_TRUE(click());
    EXPECT_EQ(shown(), (std::pair{std::string("Bold and plain"), true}));
    TextMeasurer::setShared(nullptr);
}

TEST_F(PreferencesWindowTest, TheImportModeRadiosStandForTheStoredMode)
{
    UserDefaults::standard().setInteger("storeImportMode", 7);
    open();
    clickItem("Maintenance");
    auto& maintenance = pane<MaintenanceViewController>("Maintenance");
    for (int tag = 0; tag < 3; ++tag) EXPECT_FALSE(maintenance.importModeRadio(tag).get_active()) << tag;
    Gtk::RadioButton& newer = maintenance.importModeRadio(1);
    RealInput::click(newer, 8, newer.get_allocated_height() / 2);
    RealInput::pump(100);
    EXPECT_EQ(UserDefaults::standard().integerForKey("storeImportMode"), 1);
}

TEST_F(PreferencesWindowTest, TheImagePaneShowsTheNextLargerSizeAndSavesAllThreeSettings)
{
    UserDefaults::standard().setInteger("Images.ImageSizeLimit", 500);
    CustomImageSettings::customImageSettings().loadSettings();
    open();
    clickItem("ImageOptions");
    auto& images = pane<ImageSettingsViewController>("ImageOptions");
    EXPECT_EQ(images.imageSizePopup().get_active_text(), localized("image_size_limit_extra_large"));
    EXPECT_FALSE(images.nativeDensityRadio().get_active());
    images.thumbnailSizePopup().set_active(0);
    Gtk::RadioButton& native = images.nativeDensityRadio();
    RealInput::click(native, 8, native.get_allocated_height() / 2);
    RealInput::pump(100);
    EXPECT_EQ(UserDefaults::standard().integerForKey("Images.ThumbnailSize"), 100);
    EXPECT_TRUE(UserDefaults::standard().boolForKey("Images.AddInNativeDensity"));
    EXPECT_EQ(UserDefaults::standard().integerForKey("Images.ImageSizeLimit"), 640);
    images.cleanupCheckbox().set_active(!images.cleanupCheckbox().get_active());
    EXPECT_EQ(UserDefaults::standard().boolForKey("cleanupLocalImages"), images.cleanupCheckbox().get_active());
}

TEST_F(PreferencesWindowTest, AReopenedWindowShowsTheLastPaneAtTheLastPlace)
{
    PreferencesWindow& first = open();
    clickItem("Maintenance");
    first.move(137, 91);
    RealInput::pumpUntil(
        [&] { return UserDefaults::standard().stringForKey("MASPreferences Frame Top Left") == "{137, 91}"; });
    EXPECT_EQ(UserDefaults::standard().stringForKey("MASPreferences Frame Top Left"), "{137, 91}");
    window.reset();
    RealInput::pump();

    PreferencesWindow& second = open();
    EXPECT_EQ(second.selectedPane(), "Maintenance");
    int x = 0, y = 0;
    second.get_position(x, y);
    EXPECT_EQ(x, 137);
    EXPECT_EQ(y, 91);
}

TEST_F(PreferencesWindowTest, AWindowPlaceOffEveryMonitorIsIgnored)
{
    UserDefaults::standard().setString("MASPreferences Frame Top Left", "{90000, 90000}");
    PreferencesWindow& shown = open();
    int x = 0, y = 0;
    shown.get_position(x, y);
    EXPECT_LT(x, 10000);
    EXPECT_LT(y, 10000);
}

} // namespace
