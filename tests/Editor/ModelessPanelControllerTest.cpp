#include "Editor/ModelessPanelController.h"

#include "platform/Menu.h"
#include "platform/UserDefaults.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

class FakePanelWindow : public PanelWindow {
public:
    explicit FakePanelWindow(std::string name) : name(std::move(name)) {}
    Rect frame() const override { return currentFrame; }
    void setFrame(const Rect& frame) override { currentFrame = frame; }
    void center() override { centred = true; }
    void close() override
    {
        ++closes;
        if (controller) controller->windowWillClose();
    }
    void setZoomable(bool) override {}
    std::string frameAutosaveName() const override { return name; }

    std::string name;
    Rect currentFrame{0, 0, 300, 200};
    bool centred = false;
    int closes = 0;
    ModelessPanelController* controller = nullptr;
};

// Opens a panel the way its opener does: made, shown, forgotten.
std::weak_ptr<ModelessPanelController> openPanel(FakePanelWindow& window)
{
    auto panel = std::make_shared<ModelessPanelController>("ExplorerBrowser");
    window.controller = panel.get();
    panel->setWindow(&window);
    panel->windowDidLoad();
    panel->showWindow();
    return panel;
}

class ModelessPanelControllerTest : public ::testing::Test {
protected:
    void SetUp() override { UserDefaults::standard().resetForTesting(); }
    void TearDown() override { UserDefaults::standard().resetForTesting(); }
};

} // namespace

TEST_F(ModelessPanelControllerTest, APanelMovedByTheUserOpensAtTheSamePlaceNextTime)
{
    FakePanelWindow first("LinkBrowser");
    auto panel = openPanel(first);
    EXPECT_TRUE(first.centred) << "without a saved frame it opens centred";
    first.currentFrame = {40, 60, 320, 240};
    panel.lock()->windowDidMove();
    panel.lock()->windowDidResignKey();

    FakePanelWindow second("LinkBrowser");
    openPanel(second).lock()->windowDidResignKey();
    EXPECT_FALSE(second.centred);
    EXPECT_EQ(Rect(40, 60, 320, 240), second.currentFrame);
}

TEST_F(ModelessPanelControllerTest, ADamagedSavedFrameOpensCentred)
{
    const PropertyList damaged[] = {
        PropertyList("40 60 320 240"),
        PropertyList(PropertyList::Array{1.0, 2.0, 3.0}),
        PropertyList(PropertyList::Array{1.0, 2.0, 0.0, 10.0}),
        PropertyList(PropertyList::Array{1.0, std::nan(""), 10.0, 10.0}),
        PropertyList(PropertyList::Array{1.0, "2", 10.0, 10.0}),
    };
    for (const PropertyList& value : damaged) {
        UserDefaults::standard().setObject(ModelessPanelController::frameDefaultsKey("LinkBrowser"), value);
        FakePanelWindow window("LinkBrowser");
        openPanel(window).lock()->windowDidResignKey();
        EXPECT_TRUE(window.centred);
        EXPECT_EQ(Rect(0, 0, 300, 200), window.currentFrame);
    }
}

TEST_F(ModelessPanelControllerTest, ThePanelClosesWhenAMenuIsUsedOrItLosesKeyAndThenGoes)
{
    const std::pair<const char*, std::function<void(ModelessPanelController&)>> cases[] = {
        {"resign key", [](ModelessPanelController& p) { p.windowDidResignKey(); }},
        {MenuDidBeginTrackingNotification,
         [](ModelessPanelController&) { NotificationCenter::defaultCenter().post(MenuDidBeginTrackingNotification); }},
        {MenuWillSendActionNotification,
         [](ModelessPanelController&) { NotificationCenter::defaultCenter().post(MenuWillSendActionNotification); }},
    };
    for (const auto& [what, trigger] : cases) {
        FakePanelWindow window("");
        auto panel = openPanel(window);
        ASSERT_FALSE(panel.expired()) << "it holds itself while open";
        trigger(*panel.lock());
        EXPECT_EQ(1, window.closes) << what;
        EXPECT_TRUE(panel.expired()) << what;
        NotificationCenter::defaultCenter().post(MenuDidBeginTrackingNotification);
        EXPECT_EQ(1, window.closes) << "a closed panel hears no more menus";
    }
}
