#include "Editor/ModelessPanelController.h"

#include "platform/Menu.h"
#include "platform/UserDefaults.h"
#include "support/RecordingMenuPresenter.h"

#include <gtest/gtest.h>

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
    void setZoomable(bool z) override { zoomable = z; }
    std::string frameAutosaveName() const override { return name; }

    std::string name;
    Rect currentFrame{0, 0, 300, 200};
    bool centred = false;
    bool zoomable = true;
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
    EXPECT_FALSE(first.zoomable);
    first.currentFrame = {40, 60, 320, 240};
    panel.lock()->windowDidMove();
    panel.lock()->windowDidResignKey();

    FakePanelWindow second("LinkBrowser");
    openPanel(second).lock()->windowDidResignKey();
    EXPECT_FALSE(second.centred);
    EXPECT_EQ(Rect(40, 60, 320, 240), second.currentFrame);

    FakePanelWindow unnamed("");
    auto other = openPanel(unnamed);
    other.lock()->windowDidMove();
    other.lock()->windowDidResignKey();
    EXPECT_TRUE(unnamed.centred);
    EXPECT_FALSE(UserDefaults::standard().hasUserValue(ModelessPanelController::frameDefaultsKey("")));
}

TEST_F(ModelessPanelControllerTest, ADamagedSavedFrameOpensCentred)
{
    const std::string key = ModelessPanelController::frameDefaultsKey("LinkBrowser");
    const PropertyList damaged[] = {
        PropertyList("40 60 320 240"),
        PropertyList(PropertyList::Array{1.0, 2.0, 3.0}),
        PropertyList(PropertyList::Array{1.0, 2.0, 0.0, 10.0}),
        PropertyList(PropertyList::Array{1.0, std::nan(""), 10.0, 10.0}),
        PropertyList(PropertyList::Array{1.0, "2", 10.0, 10.0}),
    };
    for (const PropertyList& value : damaged) {
        UserDefaults::standard().setObject(key, value);
        FakePanelWindow window("LinkBrowser");
        openPanel(window).lock()->windowDidResignKey();
        EXPECT_TRUE(window.centred);
        EXPECT_EQ(Rect(0, 0, 300, 200), window.currentFrame);
    }
}

TEST_F(ModelessPanelControllerTest, ThePanelClosesWhenAMenuIsUsedOrItLosesKeyAndThenGoes)
{
    struct Case {
        const char* what;
        std::function<void(ModelessPanelController&)> trigger;
    } cases[] = {
        {"resign key", [](ModelessPanelController& p) { p.windowDidResignKey(); }},
        {"menu opens",
         [](ModelessPanelController&) {
             Menu menu;
             RecordingMenuPresenter().popUpMenu(menu, {}, -1, nullptr);
         }},
        {"menu sends",
         [](ModelessPanelController&) {
             NotificationCenter::defaultCenter().post(MenuWillSendActionNotification, nullptr);
         }},
    };
    for (const Case& c : cases) {
        FakePanelWindow window("");
        auto panel = openPanel(window);
        ASSERT_FALSE(panel.expired()) << "it holds itself while open";
        c.trigger(*panel.lock());
        EXPECT_EQ(1, window.closes) << c.what;
        EXPECT_TRUE(panel.expired()) << c.what;
        NotificationCenter::defaultCenter().post(MenuDidBeginTrackingNotification, nullptr);
        EXPECT_EQ(1, window.closes) << "a closed panel hears no more menus";
    }
}
