#include "preferences/MASPreferencesWindowController.h"

#include "platform/NotificationCenter.h"
#include "preferences/PointString.h"
#include "preferences/PreferencesTestSupport.h"

#include <string>
#include <vector>

namespace {

class FakePane : public MASPreferencesViewController {
public:
    FakePane(std::string identifier, Size size, std::vector<std::string>& log)
        : identifier(std::move(identifier)), size(size), _log(log)
    {
    }

    std::string masIdentifier() const override { return identifier; }
    std::string masToolbarItemImage() const override { return "icon"; }
    std::string masToolbarItemLabel() const override { return "Label " + identifier; }
    void masViewWillAppear() override { _log.push_back("appear " + identifier); }
    void masViewDidDisappear() override { _log.push_back("disappear " + identifier); }
    bool commitEditing() override { return commits; }

    std::string identifier;
    Size size;
    bool commits = true;

private:
    std::vector<std::string>& _log;
};

// A window on one 1920 x 1080 monitor whose toolbar items are 100 points wide each.
class FakeWindow : public MASPreferencesWindowController::Window {
public:
    void setTitle(const std::string& text) override { title = text; }
    void setSelectedToolbarItem(const std::string& identifier) override { selectedItem = identifier; }
    size_t toolbarItemCount() const override { return items; }
    size_t visibleToolbarItemCount(double windowWidth) const override
    {
        return std::min(items, static_cast<size_t>(windowWidth / itemWidth));
    }
    Rect frame() const override { return currentFrame; }
    Size frameSizeForContentSize(Size content) const override { return {content.width, content.height + 50}; }
    void setFrame(const Rect& frame, bool) override { currentFrame = frame; }
    bool isVisible() const override { return false; }
    double screenWidth() const override { return screen; }
    std::vector<Rect> monitorAreas() const override { return monitors; }
    Size fittingSize(MASPreferencesViewController& pane) override { return static_cast<FakePane&>(pane).size; }
    void showPane(MASPreferencesViewController& pane, Size contentSize) override
    {
        shownPane = pane.masIdentifier();
        content = contentSize;
    }
    void clearContent() override { shownPane.clear(); }
    void focusInitialKeyView(MASPreferencesViewController&) override {}

    std::string title;
    std::string selectedItem = "none yet";
    size_t items = 6;
    double itemWidth = 80;
    Rect currentFrame{{300, 200}, {515, 300}};
    double screen = 1920;
    std::vector<Rect> monitors{Rect{{0, 0}, {1920, 1080}}};
    std::string shownPane;
    Size content;
};

constexpr const char* kIdentifiers[] = {"GeneralOptions", "SnapOptions", "GlobalFonts",
                                        "ImageOptions",   "Maintenance", "iPhoneLinkStatus"};

class MASPreferencesWindowControllerTest : public PreferencesTest {
protected:
    // The six panes, each 300 wide and 100 taller than the one before; a null entry where a
    // separator is asked for.
    std::unique_ptr<MASPreferencesWindowController> make(std::vector<int> separatorsBefore = {})
    {
        std::vector<std::unique_ptr<MASPreferencesViewController>> panes;
        double height = 100;
        int index = 0;
        for (const char* identifier : kIdentifiers) {
            if (std::find(separatorsBefore.begin(), separatorsBefore.end(), index++) != separatorsBefore.end())
                panes.push_back(nullptr);
            panes.push_back(std::make_unique<FakePane>(identifier, Size{300, height}, log));
            height += 100;
        }
        if (std::find(separatorsBefore.begin(), separatorsBefore.end(), index) != separatorsBefore.end())
            panes.push_back(nullptr);
        return std::make_unique<MASPreferencesWindowController>(std::move(panes), "", 515, defaults());
    }

    FakePane& pane(MASPreferencesWindowController& controller, const std::string& identifier)
    {
        return *static_cast<FakePane*>(controller.viewControllerForIdentifier(identifier));
    }

    std::vector<std::string> log;
    FakeWindow window;
};

TEST_F(MASPreferencesWindowControllerTest, OpensOnTheStoredPaneOrTheFirstWhenNoPaneHasTheStoredIdentifier)
{
    struct Case {
        const char* stored;
        const char* shown;
    };
    for (const Case& c : {Case{nullptr, "GeneralOptions"}, Case{"Maintenance", "Maintenance"},
                          Case{"NoSuchPane", "GeneralOptions"}, Case{"", "GeneralOptions"}}) {
        defaults().resetForTesting();
        if (c.stored) defaults().setString("MASPreferences Selected Identifier View", c.stored);
        auto controller = make();
        FakeWindow fresh;
        controller->windowDidLoad(fresh);
        ASSERT_NE(controller->selectedViewController(), nullptr) << (c.stored ? c.stored : "none");
        EXPECT_EQ(controller->selectedViewController()->masIdentifier(), c.shown);
        EXPECT_EQ(fresh.shownPane, c.shown);
        EXPECT_EQ(fresh.selectedItem, c.shown);
        EXPECT_EQ(fresh.title, "Label " + std::string(c.shown));
    }
}

TEST_F(MASPreferencesWindowControllerTest, TheToolbarWidensTheWindowBy20UntilEveryItemShowsOrTheScreenIsNear)
{
    struct Case {
        double itemWidth;
        double screen;
        double width;
        double minContentWidth;
    };
    // Six items of 100 need 600: five steps from 515 reach 615. On a 600-wide screen the window
    // stops before coming within 40 of its width.
    for (const Case& c : {Case{80, 1920, 515, 515}, Case{100, 1920, 615, 615}, Case{100, 600, 555, 555},
                          Case{86, 1920, 535, 535}, Case{1000, 1920, 1875, 1875}}) {
        auto controller = make();
        FakeWindow fresh;
        fresh.itemWidth = c.itemWidth;
        fresh.screen = c.screen;
        controller->windowDidLoad(fresh);
        EXPECT_EQ(fresh.currentFrame.width(), c.width) << c.itemWidth << " " << c.screen;
        EXPECT_EQ(controller->minContentWidth(), c.minContentWidth) << c.itemWidth << " " << c.screen;
    }
}

TEST_F(MASPreferencesWindowControllerTest, PanesGetTheMinimumWidthTheirMarginsAndKeepTheTopLeftCorner)
{
    auto controller = make();
    controller->windowDidLoad(window);
    // 300 wide with its margins is narrower than 515: centred in 515.
    EXPECT_EQ(window.content.width, 515);
    EXPECT_EQ(window.content.height, 100 + 12 + 20);
    window.currentFrame.origin = Point{140, 90};

    pane(*controller, "Maintenance").size = Size{600, 250};
    controller->selectControllerWithIdentifier("Maintenance");
    EXPECT_EQ(window.content.width, 640);
    EXPECT_EQ(window.content.height, 250 + 32);
    EXPECT_EQ(window.currentFrame.origin.x, 140);
    EXPECT_EQ(window.currentFrame.origin.y, 90);
    EXPECT_EQ(window.currentFrame.height(), 250 + 32 + 50);

    controller->selectControllerWithIdentifier("SnapOptions");
    EXPECT_EQ(window.currentFrame.origin.x, 140);
    EXPECT_EQ(window.currentFrame.origin.y, 90);
    EXPECT_EQ(window.currentFrame.size.width, 515);
    EXPECT_EQ(window.currentFrame.size.height, 200 + 32 + 50);
}

TEST_F(MASPreferencesWindowControllerTest, AnUnknownRequestedIdentifierLeavesNoPaneAndAnEmptyContent)
{
    auto controller = make();
    controller->windowDidLoad(window);
    controller->selectControllerWithIdentifier("NoSuchPane");
    EXPECT_EQ(controller->selectedViewController(), nullptr);
    EXPECT_EQ(window.shownPane, "");
    EXPECT_EQ(window.selectedItem, "");
    EXPECT_EQ(controller->indexOfSelectedController(), std::nullopt);
    EXPECT_EQ(log.back(), "disappear GeneralOptions");
    // The next opening of the window shows the pane shown before.
    EXPECT_EQ(defaults().stringForKey("MASPreferences Selected Identifier View"), "GeneralOptions");
}

TEST_F(MASPreferencesWindowControllerTest, APaneThatRefusesToCommitKeepsTheWindowOnItAndOpen)
{
    auto controller = make();
    controller->windowDidLoad(window);
    controller->selectControllerWithIdentifier("SnapOptions");
    pane(*controller, "SnapOptions").commits = false;
    window.selectedItem = "GlobalFonts"; // the toolbar shows what was clicked
    controller->toolbarItemDidClick("GlobalFonts");
    EXPECT_EQ(controller->selectedViewController()->masIdentifier(), "SnapOptions");
    EXPECT_EQ(window.selectedItem, "SnapOptions");
    EXPECT_EQ(window.shownPane, "SnapOptions");
    EXPECT_FALSE(controller->windowShouldClose());
    EXPECT_NE(log.back(), "disappear SnapOptions");

    pane(*controller, "SnapOptions").commits = true;
    EXPECT_TRUE(controller->windowShouldClose());
    EXPECT_EQ(log.back(), "disappear SnapOptions");
    // Closed, the controller keeps its pane for the next opening.
    EXPECT_EQ(controller->selectedViewController()->masIdentifier(), "SnapOptions");
}

TEST_F(MASPreferencesWindowControllerTest, EverySwitchIsAnnouncedAndRemembered)
{
    auto controller = make();
    int announced = 0;
    ObservationToken token =
        NotificationCenter::defaultCenter().addObserver("MASPreferencesWindowControllerDidChangeViewNotification",
                                                        controller.get(), [&](const Notification&) { ++announced; });
    controller->windowDidLoad(window);
    EXPECT_EQ(announced, 1);
    controller->toolbarItemDidClick("ImageOptions");
    controller->toolbarItemDidClick("ImageOptions");
    controller->toolbarItemDidClick("");
    EXPECT_EQ(announced, 2);
    EXPECT_EQ(defaults().stringForKey("MASPreferences Selected Identifier View"), "ImageOptions");
    EXPECT_EQ((std::vector<std::string>{"appear GeneralOptions", "disappear GeneralOptions", "appear ImageOptions"}),
              log);
}

TEST_F(MASPreferencesWindowControllerTest, NextAndPreviousCycleOverSeparators)
{
    auto controller = make({0, 3, 6});
    EXPECT_EQ(
        controller->toolbarItemIdentifiers(),
        (std::vector<std::string>{"FlexibleSpace", "GeneralOptions", "SnapOptions", "GlobalFonts", "FlexibleSpace",
                                  "ImageOptions", "Maintenance", "iPhoneLinkStatus", "FlexibleSpace"}));
    controller->windowDidLoad(window);
    EXPECT_EQ(controller->indexOfSelectedController(), 1u);
    controller->goPreviousTab();
    EXPECT_EQ(controller->selectedViewController()->masIdentifier(), "iPhoneLinkStatus");
    controller->goNextTab();
    EXPECT_EQ(controller->selectedViewController()->masIdentifier(), "GeneralOptions");
    controller->selectControllerWithIdentifier("GlobalFonts");
    controller->goNextTab();
    EXPECT_EQ(controller->selectedViewController()->masIdentifier(), "ImageOptions");
    EXPECT_EQ(controller->indexOfSelectedController(), 5u);
    controller->selectControllerAtIndex(4);
    EXPECT_EQ(controller->selectedViewController(), nullptr);
    controller->selectControllerAtIndex(99);
    controller->goNextTab();
    EXPECT_EQ(controller->selectedViewController()->masIdentifier(), "GeneralOptions");

    std::vector<std::unique_ptr<MASPreferencesViewController>> separators;
    separators.push_back(nullptr);
    separators.push_back(nullptr);
    MASPreferencesWindowController empty(std::move(separators), "Fixed", 515, defaults());
    FakeWindow other;
    empty.windowDidLoad(other);
    empty.goNextTab();
    empty.goPreviousTab();
    EXPECT_EQ(empty.selectedViewController(), nullptr);
    EXPECT_EQ(empty.firstViewController(), nullptr);
    EXPECT_EQ(other.title, "Fixed");
}

TEST_F(MASPreferencesWindowControllerTest, TheStoredTopLeftCornerIsUsedOnlyWhereAMonitorIs)
{
    struct Case {
        const char* stored;
        bool monitors;
        Point origin;
    };
    for (const Case& c : {Case{"{40, 60}", true, {40, 60}}, Case{"{1919, 1079}", true, {1919, 1079}},
                          Case{"{2500, 60}", true, {300, 200}}, Case{"{-10, 60}", true, {300, 200}},
                          Case{"{40, 60}", false, {300, 200}}, Case{"40, 60", true, {300, 200}},
                          Case{"{40, 60} trailing", true, {300, 200}}}) {
        defaults().resetForTesting();
        defaults().setString("MASPreferences Frame Top Left", c.stored);
        auto controller = make();
        FakeWindow fresh;
        if (!c.monitors) fresh.monitors.clear();
        controller->windowDidLoad(fresh);
        EXPECT_EQ(fresh.currentFrame.origin.x, c.origin.x) << c.stored;
        EXPECT_EQ(fresh.currentFrame.origin.y, c.origin.y) << c.stored;
        // What could not be applied stays for a later run.
        EXPECT_EQ(defaults().stringForKey("MASPreferences Frame Top Left"), c.stored);
    }
    auto controller = make();
    controller->windowDidLoad(window);
    controller->windowDidMove(Point{12, 34.5});
    EXPECT_EQ(defaults().stringForKey("MASPreferences Frame Top Left"), "{12, 34.5}");
}

TEST(PointString, ReadsOnlyWholePointsAndWritesThemBack)
{
    struct Case {
        const char* text;
        std::optional<Point> point;
    };
    for (const Case& c :
         {Case{"{10, 20}", Point{10, 20}}, Case{"{-5.5,3}", Point{-5.5, 3}}, Case{" { 1 , +2 } ", Point{1, 2}},
          Case{"", std::nullopt}, Case{"{1}", std::nullopt}, Case{"{1, 2", std::nullopt}, Case{"1, 2", std::nullopt},
          Case{"{a, b}", std::nullopt}, Case{"{1, 2}x", std::nullopt}, Case{"{nan, 1}", std::nullopt},
          Case{"{1e999, 2}", std::nullopt}, Case{"{1,, 2}", std::nullopt}}) {
        const std::optional<Point> read = pointFromString(c.text);
        ASSERT_EQ(read.has_value(), c.point.has_value()) << c.text;
        if (read) {
            EXPECT_EQ(read->x, c.point->x) << c.text;
            EXPECT_EQ(read->y, c.point->y) << c.text;
        }
    }
    EXPECT_EQ(stringFromPoint(Point{10, 20}), "{10, 20}");
    EXPECT_EQ(stringFromPoint(Point{-3.25, 0}), "{-3.25, 0}");
    const Point odd{0.1 + 0.2, -1e-7};
    EXPECT_EQ(pointFromString(stringFromPoint(odd))->x, odd.x);
    EXPECT_EQ(pointFromString(stringFromPoint(odd))->y, odd.y);
}

} // namespace
