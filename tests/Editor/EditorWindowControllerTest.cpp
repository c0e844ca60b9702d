#include "Editor/EditorWindowController.h"
#include "Editor/WindowFrameDefaults.h"

#include "platform/Localizer.h"
#include "platform/Menu.h"
#include "platform/UserDefaults.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

// The window as a set of sizes: moving a divider resizes the panes as a split view would.
class FakeWindowView : public EditorWindowView {
public:
    void restoreWindowFrame() override { log.push_back("frame"); }
    void setActivityCaption(const std::string& text) override { log.push_back("caption " + text); }
    void setHideExplorerToolTip(const std::string& text) override { toolTips.push_back(text); }
    void setHideStyleToolsToolTip(const std::string& text) override { toolTips.push_back(text); }
    void setHideInspectorToolTip(const std::string& text) override { toolTips.push_back(text); }
    void setInspectorSegmentToolTip(int, const std::string& text) override { toolTips.push_back(text); }

    double windowWidth() const override { return width; }
    double leftPaneWidth() const override { return sideBar; }
    double leftPaneHeight() const override { return leftHeight; }
    double activityPaneHeight() const override { return activity; }
    double activityCaptionHeight() const override { return caption; }
    double inspectorWidth() const override { return inspector; }
    void setSideBarDivider(double position) override
    {
        log.push_back("sidebar " + std::to_string(int(position)));
        sideBar = position;
    }
    void setInspectorDivider(double position) override
    {
        log.push_back("inspector " + std::to_string(int(position)));
        inspector = width - position;
    }
    void setActivityDivider(double position) override
    {
        log.push_back("activity " + std::to_string(int(position)));
        activity = leftHeight - position;
    }
    bool isExplorerCollapsed() const override { return explorerCollapsed; }
    void setExplorerCollapsed(bool collapsed) override
    {
        log.push_back(collapsed ? "explorer hidden" : "explorer shown");
        explorerCollapsed = collapsed;
    }
    bool isInspectorCollapsed() const override { return inspectorCollapsed; }
    void setInspectorCollapsed(bool collapsed) override
    {
        log.push_back(collapsed ? "inspector hidden" : "inspector shown");
        inspectorCollapsed = collapsed;
    }
    void setHideExplorerButtonOn(bool on) override { explorerButton = on; }
    void setHideInspectorButtonOn(bool on) override { inspectorButton = on; }
    void setFeedbackDisclosure(bool on, const std::string& toolTip) override
    {
        disclosureOn = on;
        disclosureToolTip = toolTip;
    }
    void selectInspectorTab(int index) override { log.push_back("inspector tab " + std::to_string(index)); }
    void setExplorerSegments(const std::vector<ExplorerSegment>& shown, int selected) override
    {
        segments = shown;
        selectedSegment = selected;
    }
    void selectExplorerTab(int index) override { explorerTab = index; }
    void setProgressVisible(bool visible) override { log.push_back(visible ? "progress shown" : "progress hidden"); }
    void setProgressTitle(const std::string& title) override { progressTitle = title; }
    void setStyleToolbarVisible(bool visible, bool animated) override
    {
        log.push_back(std::string(visible ? "style shown" : "style hidden") + (animated ? " animated" : ""));
    }

    std::vector<std::string> log;
    std::vector<std::string> toolTips;
    double width = 1200, sideBar = 260, leftHeight = 600, activity = 150, caption = 22, inspector = 240;
    bool explorerCollapsed = false, inspectorCollapsed = false;
    bool explorerButton = false, inspectorButton = false, disclosureOn = false;
    std::string disclosureToolTip, progressTitle;
    std::vector<ExplorerSegment> segments;
    int selectedSegment = -1, explorerTab = -1;
};

class FakeItem : public ExplorerNavigationItem {
public:
    FakeItem(std::string provider, bool isEnabled, bool searches = true)
        : provider(std::move(provider)), isEnabled(isEnabled), searches(searches)
    {
    }
    std::string iconName() const override { return "icon-" + provider; }
    std::string title() const override { return "title-" + provider; }
    bool enabled() const override { return isEnabled; }
    void setActive(bool value) override { active = value; }
    std::string providerId() const override { return provider; }
    bool takesSearchField() const override { return searches; }
    void setSearchField(EditorSearchField* value) override { field = value; }

    std::string provider;
    bool isEnabled, searches;
    bool active = false;
    EditorSearchField* field = nullptr;
};

class FakeSearchField : public EditorSearchField {
public:
    void clearText() override { ++clears; }
    void setEnabled(bool value) override { enabled = value; }
    int clears = 0;
    bool enabled = false;
};

class EditorWindowControllerTest : public ::testing::Test {
protected:
    // The settings file outlives a test: each starts without the window's keys.
    void SetUp() override { forgetWindowKeys(); }
    void TearDown() override { forgetWindowKeys(); }
    static void forgetWindowKeys()
    {
        UserDefaults& defaults = UserDefaults::standard();
        defaults.resetForTesting();
        for (const char* key :
             {EditorWindowController::SideBarWidthKey, EditorWindowController::ActivityPaneHeightKey,
              EditorWindowController::InspectorWidthKey, EditorWindowController::ExplorerClosedKey,
              EditorWindowController::InspectorClosedKey, EditorWindowController::InspectorActiveTabKey})
            defaults.removeObject(key);
    }

    UserDefaults& defaults() { return UserDefaults::standard(); }
    void load()
    {
        controller.setView(&view);
        controller.windowDidLoad();
    }

    FakeWindowView view;
    EditorWindowController controller{UserDefaults::standard()};
};

} // namespace

TEST_F(EditorWindowControllerTest, SetUpRunsItsStepsInOrder)
{
    std::vector<std::string>& log = view.log;
    EditorWindowController::SetupHooks hooks;
    hooks.setupToolbar = [&] { log.push_back("toolbar"); };
    hooks.setupStyleToolbar = [&] { log.push_back("style toolbar"); };
    hooks.setupActivityMenu = [&] { log.push_back("activity menu"); };
    hooks.becomeFeedbackDelegate = [&] { log.push_back("feedback delegate"); };
    hooks.registerObservers = [&] { log.push_back("observers"); };
    hooks.showDocumentMindMap = [&] {
        log.push_back("map");
        EXPECT_FALSE(controller.windowLoaded()) << "loaded is the last step";
    };
    controller.setSetupHooks(std::move(hooks));
    defaults().setDouble(EditorWindowController::SideBarWidthKey, 300);
    defaults().setDouble(EditorWindowController::ActivityPaneHeightKey, 200);
    defaults().setBool(EditorWindowController::ExplorerClosedKey, true);
    defaults().setDouble(EditorWindowController::InspectorWidthKey, 250);
    defaults().setBool(EditorWindowController::InspectorClosedKey, true);
    defaults().setString(EditorWindowController::InspectorActiveTabKey, "note");
    view.activity = 22; // closed
    load();
    const std::vector<std::string> expected = {
        "caption " + localized("activity_panel_caption_mac"),
        "toolbar",
        "style toolbar",
        "activity menu",
        "frame",
        "sidebar 300",
        "activity 400",
        "explorer hidden",
        "inspector 950",
        "inspector hidden",
        "inspector tab 1",
        "progress hidden",
        "feedback delegate",
        "observers",
        "map",
    };
    EXPECT_EQ(log, expected);
    EXPECT_TRUE(controller.windowLoaded());
    EXPECT_FALSE(view.explorerButton);
    EXPECT_FALSE(view.inspectorButton);
}

TEST_F(EditorWindowControllerTest, ToolTipsNameTheKeyAfterTwoBlanks)
{
    EXPECT_EQ(EditorWindowController::appendActionShortcut("Toggle Inspector", "Ctrl+Shift+I"),
              "Toggle Inspector  (Ctrl+Shift+I)");
    EXPECT_EQ(EditorWindowController::appendActionShortcut("50%", "%@"), "50%  (%@)") << "texts are not formats";
    load();
    ASSERT_EQ(view.toolTips.size(), 6u);
    EXPECT_EQ(view.toolTips[0], localized("action_hide_mindmap_explorer") + "  (F9)");
    EXPECT_EQ(view.toolTips[3], localized("outliner_title") + "  (Ctrl+1)");
}

TEST_F(EditorWindowControllerTest, TheTitleIsAlwaysTheApplicationsName)
{
    controller.setApplicationName("Tarnwick");
    EXPECT_EQ(controller.windowTitleForDocumentDisplayName("Holiday plans"), "Tarnwick");
    EXPECT_EQ(controller.windowTitleForDocumentDisplayName(""), "Tarnwick");
}

// The values a hand-edited defaults file may hold: only finite numbers above 1 are sizes.
TEST_F(EditorWindowControllerTest, StoredSizesAreUsedOnlyWhenTheyAreNumbersAboveOne)
{
    struct Case {
        const char* name;
        PropertyList value;
        std::optional<double> size;
    };
    const Case cases[] = {
        {"missing", PropertyList(), std::nullopt},
        {"one", PropertyList(1.0), std::nullopt},
        {"below one", PropertyList(0.5), std::nullopt},
        {"negative", PropertyList(-300.0), std::nullopt},
        {"integer one", PropertyList(int64_t(1)), std::nullopt},
        {"just above one", PropertyList(1.5), 1.5},
        {"integer", PropertyList(int64_t(320)), 320.0},
        {"real", PropertyList(280.25), 280.25},
        {"text", PropertyList("300"), std::nullopt},
        {"bool", PropertyList(true), std::nullopt},
        {"array", PropertyList(PropertyList::Array{300.0}), std::nullopt},
        {"dictionary", PropertyList(PropertyList::Dictionary{{"width", 300.0}}), std::nullopt},
        {"nan", PropertyList(std::nan("")), std::nullopt},
        {"infinity", PropertyList(std::numeric_limits<double>::infinity()), std::nullopt},
    };
    for (const Case& c : cases) {
        defaults().setObject(EditorWindowController::SideBarWidthKey, c.value);
        EXPECT_EQ(EditorWindowController::storedSize(defaults(), EditorWindowController::SideBarWidthKey), c.size)
            << c.name;
    }
}

TEST_F(EditorWindowControllerTest, WrongTypesInTheDefaultsChangeNoPane)
{
    defaults().setObject(EditorWindowController::SideBarWidthKey, PropertyList("wide"));
    defaults().setObject(EditorWindowController::ActivityPaneHeightKey, PropertyList(PropertyList::Array{}));
    defaults().setObject(EditorWindowController::InspectorWidthKey, PropertyList(std::nan("")));
    defaults().setObject(EditorWindowController::ExplorerClosedKey, PropertyList("YES"));
    defaults().setObject(EditorWindowController::InspectorClosedKey, PropertyList(PropertyList::Dictionary{}));
    defaults().setObject(EditorWindowController::InspectorActiveTabKey, PropertyList(int64_t(2)));
    load();
    for (const std::string& entry : view.log) {
        EXPECT_EQ(entry.find("sidebar"), std::string::npos) << entry;
        EXPECT_NE(entry, "explorer hidden");
        EXPECT_NE(entry, "inspector hidden");
        EXPECT_EQ(entry.find("inspector tab"), std::string::npos) << entry;
    }
    EXPECT_FALSE(view.explorerCollapsed);
    EXPECT_FALSE(view.inspectorCollapsed);
    EXPECT_EQ(controller.selectedInspectorTab(), EditorWindowController::OutlinerTab);
}

TEST_F(EditorWindowControllerTest, AnUnknownInspectorTabIsIgnored)
{
    defaults().setString(EditorWindowController::InspectorActiveTabKey, "calendar");
    load();
    EXPECT_EQ(controller.selectedInspectorTab(), EditorWindowController::OutlinerTab);
    defaults().setString(EditorWindowController::InspectorActiveTabKey, "icons");
    EXPECT_EQ(EditorWindowController::inspectorTabForIdentifier(defaults()), EditorWindowController::IconTab);
}

TEST_F(EditorWindowControllerTest, AFirstStartClosesTheActivityPaneToItsCaption)
{
    load();
    EXPECT_DOUBLE_EQ(view.activity, view.caption + 3);
    EXPECT_TRUE(controller.areFeedbackDetailsClosed());
    EXPECT_TRUE(view.disclosureOn);
    EXPECT_EQ(view.disclosureToolTip, localized("action_show_messages"));
    EXPECT_FALSE(view.explorerCollapsed);
    EXPECT_FALSE(view.inspectorCollapsed);
    EXPECT_TRUE(view.explorerButton);
    EXPECT_TRUE(view.inspectorButton);
    EXPECT_EQ(controller.selectedInspectorTab(), EditorWindowController::OutlinerTab);
    controller.feedbackDisclosureClicked();
    EXPECT_DOUBLE_EQ(view.activity, view.caption + 80) << "the layout's height is not the user's";
}

TEST_F(EditorWindowControllerTest, TheActivityPaneOpensToCaptionPlusEightyAtMostTheLeftPane)
{
    struct Case {
        double leftPane;
        double opened;
    };
    for (const Case c : {Case{600, 102}, Case{90, 90}, Case{102, 102}}) {
        FakeWindowView pane;
        pane.leftHeight = c.leftPane;
        pane.activity = 25; // caption + 3: closed
        EditorWindowController fresh(defaults());
        fresh.setView(&pane);
        ASSERT_TRUE(fresh.areFeedbackDetailsClosed());
        fresh.feedbackDisclosureClicked();
        EXPECT_DOUBLE_EQ(pane.activity, c.opened) << c.leftPane;
    }
    // Closed again, it remembers the height it had and reopens to it.
    controller.setView(&view);
    view.activity = 210;
    controller.feedbackDisclosureClicked();
    EXPECT_DOUBLE_EQ(view.activity, 25);
    EXPECT_DOUBLE_EQ(controller.rememberedActivityPaneHeight(), 210);
    controller.feedbackDisclosureClicked();
    EXPECT_DOUBLE_EQ(view.activity, 210);
}

TEST_F(EditorWindowControllerTest, DetailsAreClosedExactlyWhenCaptionPlusThreeReachesThePane)
{
    controller.setView(&view);
    for (const auto& [pane, closed] :
         std::vector<std::pair<double, bool>>{{24, true}, {25, true}, {25.5, false}, {100, false}}) {
        view.activity = pane;
        EXPECT_EQ(controller.areFeedbackDetailsClosed(), closed) << pane;
        controller.updateFeedbackDisclosureButtonState();
        EXPECT_EQ(view.disclosureToolTip, localized(closed ? "action_show_messages" : "action_hide_messages"));
    }
}

TEST_F(EditorWindowControllerTest, SizesAreStoredAfterLoadAndClosedStatesAtClose)
{
    controller.setView(&view);
    controller.splitViewDidResizeSubviews();
    EXPECT_FALSE(defaults().hasUserValue(EditorWindowController::SideBarWidthKey)) << "not before the load";
    controller.windowDidLoad();
    view.sideBar = 310;
    view.activity = 180;
    view.inspector = 270;
    controller.splitViewDidResizeSubviews();
    EXPECT_DOUBLE_EQ(defaults().doubleForKey(EditorWindowController::SideBarWidthKey), 310);
    EXPECT_DOUBLE_EQ(defaults().doubleForKey(EditorWindowController::ActivityPaneHeightKey), 180);
    EXPECT_DOUBLE_EQ(defaults().doubleForKey(EditorWindowController::InspectorWidthKey), 270);
    EXPECT_FALSE(defaults().hasUserValue(EditorWindowController::ExplorerClosedKey))
        << "closed flags wait for the close";

    controller.toggleMindMapExplorer();
    controller.showInspectorPanelWithIdentifier("icons");
    controller.hideInspectorPanel();
    controller.windowWillClose();
    EXPECT_TRUE(defaults().boolForKey(EditorWindowController::ExplorerClosedKey));
    EXPECT_TRUE(defaults().boolForKey(EditorWindowController::InspectorClosedKey));
    EXPECT_EQ(defaults().stringForKey(EditorWindowController::InspectorActiveTabKey), "icons");

    // The next window comes back as this one was left.
    FakeWindowView next;
    EditorWindowController again(defaults());
    again.setView(&next);
    again.windowDidLoad();
    EXPECT_TRUE(next.explorerCollapsed);
    EXPECT_TRUE(next.inspectorCollapsed);
    EXPECT_EQ(again.selectedInspectorTab(), EditorWindowController::IconTab);
    EXPECT_DOUBLE_EQ(next.sideBar, 310);
    EXPECT_DOUBLE_EQ(next.activity, 180);
    EXPECT_DOUBLE_EQ(next.inspector, 270);
}

TEST_F(EditorWindowControllerTest, ExplorerSegmentsSkipDisabledItemsAndAreTaggedWithTheItemsIndex)
{
    FakeItem local("local", true), dropbox("dropbox", false), drive("drive", true), setup("", true, false);
    controller.setView(&view);
    controller.setExplorerNavigationItems({&local, &dropbox, &drive, &setup});
    ASSERT_EQ(view.segments.size(), 3u);
    EXPECT_EQ(view.segments[0], (ExplorerSegment{"icon-local", "title-local", 0}));
    EXPECT_EQ(view.segments[1].tag, 2);
    EXPECT_EQ(view.segments[2].tag, 3);
    EXPECT_EQ(view.selectedSegment, 0);

    controller.explorerSegmentsChanged(view.segments[1].tag);
    EXPECT_EQ(view.explorerTab, 2);
    EXPECT_TRUE(drive.active);
    EXPECT_FALSE(local.active);
    controller.syncExplorerSegments();
    EXPECT_EQ(view.selectedSegment, 1);

    controller.explorerSegmentsChanged(9);
    EXPECT_EQ(view.explorerTab, 2) << "a tag without a tab changes nothing";
}

TEST_F(EditorWindowControllerTest, AMapSwitchBringsItsProviderForwardButLeavesTheSetUpTab)
{
    FakeItem local("local", true), drive("drive", true), setup("", true, false);
    controller.setView(&view);
    controller.setExplorerNavigationItems({&local, &drive, &setup});
    controller.explorerSegmentsChanged(0);
    controller.currentMindMapChanged("drive");
    EXPECT_EQ(view.explorerTab, 1);
    EXPECT_EQ(view.selectedSegment, 1);
    controller.currentMindMapChanged("");
    EXPECT_EQ(view.explorerTab, 1) << "no map, no switch";
    controller.explorerSegmentsChanged(2);
    controller.currentMindMapChanged("local");
    EXPECT_EQ(view.explorerTab, 2) << "the set-up tab stays";
    EXPECT_EQ(controller.selectedExplorerTab(), 2);
}

TEST_F(EditorWindowControllerTest, ATabChangeHandsTheSearchFieldToTheNewExplorerOnly)
{
    FakeItem local("local", true), drive("drive", true), setup("", true, false);
    FakeSearchField field;
    controller.setView(&view);
    controller.setExplorerNavigationItems({&local, &drive, &setup});
    controller.explorerSegmentsChanged(0);
    controller.setSearchBar(&field);
    EXPECT_EQ(local.field, &field);
    EXPECT_EQ(drive.field, nullptr);
    EXPECT_TRUE(field.enabled);

    controller.explorerSegmentsChanged(1);
    EXPECT_EQ(local.field, nullptr);
    EXPECT_EQ(drive.field, &field);
    EXPECT_GE(field.clears, 2);

    controller.explorerSegmentsChanged(2);
    EXPECT_EQ(drive.field, nullptr);
    EXPECT_FALSE(field.enabled) << "the set-up pane does not search";

    controller.explorerSegmentsChanged(0);
    controller.setSearchBar(nullptr);
    EXPECT_EQ(local.field, nullptr) << "a removed search item leaves no explorer with the field";
}

TEST_F(EditorWindowControllerTest, ViewTogglesAreAlwaysEnabledAndTheExplorerItemSaysWhatItDoes)
{
    load();
    for (const char* action : {"toggleStyleToolbar:", "toggleInspectorPanel:", "hideInspectorPanel:", "showNotePanel:",
                               "showOutlinerPanel:", "toggleMindMapExplorer:"}) {
        MenuItem item("", action);
        EXPECT_TRUE(controller.respondsToAction(action)) << action;
        EXPECT_TRUE(controller.validateUserInterfaceItem(item).enabled) << action;
    }
    // Select Icon puts icons on the map's topics: without a map it has nothing to act on.
    MenuItem icons("", "showIconPickerPanel:");
    EXPECT_FALSE(controller.validateUserInterfaceItem(icons).enabled);
    MenuItem explorer("", "toggleMindMapExplorer:");
    EXPECT_EQ(controller.validateUserInterfaceItem(explorer).title, localized("action_hide_mindmap_explorer"));
    controller.performAction("toggleMindMapExplorer:", &explorer);
    EXPECT_TRUE(view.explorerCollapsed);
    EXPECT_FALSE(view.explorerButton);
    EXPECT_EQ(controller.validateUserInterfaceItem(explorer).title, localized("action_show_mindmap_explorer"));
    EXPECT_EQ(localized("action_show_mindmap_explorer"), "Show Mind Maps");
}

TEST_F(EditorWindowControllerTest, InspectorActionsOpenTheInspectorOnTheirTab)
{
    load();
    std::vector<std::pair<bool, bool>> shown;
    controller.setInspectorVisibilityHandler([&](bool outliner, bool note) { shown.push_back({outliner, note}); });
    controller.performAction("hideInspectorPanel:", nullptr);
    EXPECT_TRUE(view.inspectorCollapsed);
    EXPECT_EQ(shown.back(), std::make_pair(false, false)) << "a hidden inspector's outliner and note rest";
    controller.performAction("showNotePanel:", nullptr);
    EXPECT_FALSE(view.inspectorCollapsed);
    EXPECT_EQ(controller.selectedInspectorTab(), EditorWindowController::NoteTab);
    EXPECT_EQ(shown.back(), std::make_pair(false, true));
    controller.performAction("showIconPickerPanel:", nullptr);
    EXPECT_EQ(controller.selectedInspectorTab(), EditorWindowController::IconTab);
    controller.performAction("showOutlinerPanel:", nullptr);
    EXPECT_EQ(shown.back(), std::make_pair(true, false));
    controller.performAction("toggleInspectorPanel:", nullptr);
    EXPECT_TRUE(view.inspectorCollapsed);
    EXPECT_FALSE(view.inspectorButton);
}

TEST_F(EditorWindowControllerTest, TheStyleToolbarToggleFollowsItsState)
{
    load();
    controller.performAction("toggleStyleToolbar:", nullptr);
    EXPECT_EQ(controller.styleToolsState(), EditorWindowController::StyleToolsHiddenByUser);
    EXPECT_EQ(view.log.back(), "style hidden animated");
    controller.setStyleToolsState(EditorWindowController::StyleToolsHiddenForPresentation);
    controller.performAction("toggleStyleToolbar:", nullptr);
    EXPECT_EQ(controller.styleToolsState(), EditorWindowController::StyleToolsShown);
    EXPECT_EQ(view.log.back(), "style shown animated");
    const size_t calls = view.log.size();
    controller.updateStyleToolbarVisibility(true, true);
    EXPECT_EQ(view.log.size(), calls) << "a visible toolbar is not shown again";
}

TEST_F(EditorWindowControllerTest, RulesAreAskedInOrderAndTheFirstAnswerWins)
{
    std::vector<int> asked;
    controller.addValidationRule([&](const ValidatedUserInterfaceItem& item) -> std::optional<ItemValidation> {
        asked.push_back(1);
        if (item.action() != "zoomIn:") return std::nullopt;
        return ItemValidation::enabledIf(false);
    });
    controller.addValidationRule([&](const ValidatedUserInterfaceItem&) -> std::optional<ItemValidation> {
        asked.push_back(2);
        ItemValidation validation;
        validation.checked = true;
        return validation;
    });
    controller.setFallbackValidation([&](const ValidatedUserInterfaceItem&) -> std::optional<ItemValidation> {
        return ItemValidation::enabledIf(false);
    });
    EXPECT_FALSE(controller.validateUserInterfaceItem(MenuItem("", "zoomIn:")).enabled);
    EXPECT_EQ(asked, std::vector<int>({1}));
    EXPECT_EQ(controller.validateUserInterfaceItem(MenuItem("", "zoomOut:")).checked, true);
    EXPECT_EQ(asked, std::vector<int>({1, 1, 2}));
}

TEST_F(EditorWindowControllerTest, ProgressShowsInTheActivityCaptionAndNotificationsGoOn)
{
    load();
    controller.startProgress(0.5, "Importing");
    EXPECT_EQ(view.log.back(), "progress shown");
    EXPECT_EQ(view.progressTitle, "Importing");
    controller.progress(0.7, "Still importing");
    EXPECT_EQ(view.progressTitle, "Still importing");
    controller.endProgress();
    EXPECT_EQ(view.log.back(), "progress hidden");
    const size_t calls = view.log.size();
    controller.endProgress();
    EXPECT_EQ(view.log.size(), calls);

    struct Recorder : FeedbackProgressDelegate {
        void startProgress(double, const std::string&) override {}
        void progress(double, const std::string&) override {}
        void endProgress() override {}
        void showEditorNotification(const std::shared_ptr<FeedbackItem>&, double duration) override
        {
            shown = duration;
        }
        double shown = 0;
    } recorder;
    controller.showEditorNotification(nullptr, 4.0);
    controller.setNotificationDelegate(&recorder);
    controller.showEditorNotification(nullptr, 4.0);
    EXPECT_DOUBLE_EQ(recorder.shown, 4.0);
}

TEST(WindowFrameTest, OnlyFourFiniteNumbersWithASizeAreAFrame)
{
    using Array = PropertyList::Array;
    struct Case {
        const char* name;
        PropertyList value;
        std::optional<WindowFrame> frame;
    };
    const Case cases[] = {
        {"frame", PropertyList(Array{10.0, 20.0, 800.0, 600.0}), WindowFrame{10, 20, 800, 600}},
        {"integers", PropertyList(Array{int64_t(-5), int64_t(0), int64_t(640), int64_t(480)}),
         WindowFrame{-5, 0, 640, 480}},
        {"text", PropertyList("10 20 800 600"), std::nullopt},
        {"three numbers", PropertyList(Array{10.0, 20.0, 800.0}), std::nullopt},
        {"five numbers", PropertyList(Array{10.0, 20.0, 800.0, 600.0, 1.0}), std::nullopt},
        {"text inside", PropertyList(Array{10.0, "20", 800.0, 600.0}), std::nullopt},
        {"empty size", PropertyList(Array{10.0, 20.0, 0.0, 600.0}), std::nullopt},
        {"negative size", PropertyList(Array{10.0, 20.0, 800.0, -600.0}), std::nullopt},
        {"nan", PropertyList(Array{std::nan(""), 20.0, 800.0, 600.0}), std::nullopt},
        {"huge", PropertyList(Array{1e300, 20.0, 800.0, 600.0}), std::nullopt},
        {"infinite size", PropertyList(Array{0.0, 0.0, std::numeric_limits<double>::infinity(), 600.0}), std::nullopt},
        {"none", PropertyList(), std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(WindowFrame::fromPropertyList(c.value), c.frame) << c.name;
    const WindowFrame frame{-12, 40, 1024, 700};
    EXPECT_EQ(WindowFrame::fromPropertyList(frame.propertyList()), frame) << "a saved frame reads back";
}

TEST(WindowFrameTest, ASavedFrameIsBroughtOntoAMonitorAndWithinItsWorkArea)
{
    const std::vector<WindowFrame> monitors = {{0, 27, 1920, 1053}, {1920, 0, 1280, 1024}};
    struct Case {
        const char* name;
        WindowFrame saved;
        WindowFrame restored;
    };
    const Case cases[] = {
        {"inside", {100, 100, 800, 600}, {100, 100, 800, 600}},
        {"on the second monitor", {2000, 50, 800, 600}, {2000, 50, 800, 600}},
        {"under the top bar", {100, 0, 800, 600}, {100, 27, 800, 600}},
        {"larger than the work area", {0, 0, 2500, 1400}, {0, 27, 1920, 1053}},
        {"off to the right of every monitor", {5000, 100, 800, 600}, {2400, 100, 800, 600}},
        {"off above and left", {-3000, -2000, 800, 600}, {0, 27, 800, 600}},
        {"across two monitors", {1500, 100, 800, 600}, {1120, 100, 800, 600}},
        {"larger than the monitor it is on", {2000, 0, 1600, 1200}, {1920, 0, 1280, 1024}},
    };
    for (const Case& c : cases) EXPECT_EQ(WindowFrame::clamp(c.saved, monitors), c.restored) << c.name;
    EXPECT_EQ(WindowFrame::clamp({5000, 5000, 10, 10}, {}), (WindowFrame{5000, 5000, 10, 10})) << "no monitors known";
}

TEST(WindowFrameTest, WhereTheServerPlacesWindowsOnlyTheSizeComesBack)
{
    const std::vector<WindowFrame> monitor = {{0, 0, 1280, 800}};
    const PropertyList saved = WindowFrame{5000, 40, 2000, 600}.propertyList();
    const RestoredWindowFrame x11 = restoreWindowFrame(saved, monitor, false);
    EXPECT_EQ(x11.frame, (WindowFrame{0, 40, 1280, 600}));
    EXPECT_TRUE(x11.moves);
    const RestoredWindowFrame wayland = restoreWindowFrame(saved, monitor, true);
    EXPECT_EQ(wayland.frame, (WindowFrame{0, 40, 1280, 600})) << "the size is still clamped";
    EXPECT_FALSE(wayland.moves);
    EXPECT_FALSE(restoreWindowFrame(PropertyList("0 0 800 600"), monitor, false).frame);
}

TEST(MainWindowPlacementTest, TheMaximisedStateComesBackAndTheWindowOpensFittedKeepingTheSizeItAsked)
{
    using namespace WindowFrameDefaults;
    const std::string name = "MainWindowPlacementTest.Frame";
    UserDefaults::standard().resetForTesting();
    for (bool maximized : {false, true}) {
        saveMainWindowPlacement(name, {WindowFrame{40, 30, 900, 600}, maximized});
        EXPECT_EQ(savedMainWindowPlacement(name), (MainWindowPlacement{WindowFrame{40, 30, 900, 600}, maximized}));
    }
    // A frame an earlier version left has no flag beside it.
    UserDefaults::standard().setObject(name, WindowFrame{10, 20, 800, 500}.propertyList());
    UserDefaults::standard().removeObject(maximizedKey(name));
    EXPECT_EQ(savedMainWindowPlacement(name), (MainWindowPlacement{WindowFrame{10, 20, 800, 500}, false}));
    const struct {
        std::optional<WindowFrame> saved;
        WindowFrame monitor, opened;
    } cases[] = {{WindowFrame{100, 100, 2400, 1500}, {0, 0, 1600, 1000}, {0, 0, 1600, 1000}},
                 {std::nullopt, {0, 0, 1600, 1000}, {0, 0, 1200, 760}},
                 {std::nullopt, {0, 0, 800, 510}, {0, 0, 800, 510}}};
    for (const auto& c : cases) {
        const RestoredWindowFrame opened = openingFrame(c.saved, 1200, 760, {c.monitor}, false);
        EXPECT_EQ(opened.frame, c.opened);
        EXPECT_EQ(opened.moves, c.saved.has_value());
    }
    // Only a user's resize, not the fit to a small monitor, changes the size the next start asks for.
    const WindowFrame asked{0, 0, 1200, 760}, fitted{0, 0, 800, 510};
    UserFrameTracker keptFitted(asked, fitted), resized(asked, fitted);
    EXPECT_EQ(keptFitted.frameAtClose({{5, 6, 800, 510}, 0, 0, true, fitted}), asked);
    EXPECT_EQ(resized.frameAtClose({{5, 6, 700, 500}, 0, 0, true, fitted}), (WindowFrame{5, 6, 700, 500}));
    UserDefaults::standard().resetForTesting();
}

// What the window-manager test cannot show: the order of other window managers, which tell a
// maximised size before its state, and a fitted window moved to a larger monitor.
TEST(MainWindowPlacementTest, OnlyTheFramesTheUserGaveTheWindowAreKept)
{
    using namespace WindowFrameDefaults;
    const WindowFrame screen{0, 0, 1920, 1080}, small{0, 0, 720, 450}, asked{100, 80, 900, 600};
    // Decorated, a window is 2 by 25 larger.
    auto sample = [](WindowFrame frame, WindowFrame area, bool normal = true) {
        return FrameSample{frame, 2, 25, normal, area};
    };
    const struct {
        WindowFrame opened;
        std::vector<FrameSample> samples;
        WindowFrame kept;
    } cases[] = {
        {asked,
         {sample({5, 6, 700, 500}, screen), sample({0, 0, 1918, 1055}, screen),
          sample({0, 0, 1918, 1055}, screen, false)},
         {5, 6, 700, 500}},
        {small, {sample({0, 0, 718, 425}, small), sample({800, 100, 718, 425}, screen)}, {800, 100, 900, 600}},
    };
    for (const auto& c : cases) {
        UserFrameTracker tracker(asked, c.opened);
        for (size_t i = 0; i + 1 < c.samples.size(); ++i) tracker.sample(c.samples[i]);
        EXPECT_EQ(tracker.frameAtClose(c.samples.back()), c.kept);
    }
}
