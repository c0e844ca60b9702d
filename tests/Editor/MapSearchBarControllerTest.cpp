#include "Editor/MapSearchBarController.h"

#include "MindMaps/FakeMapImageServices.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "editor-view/MindMapEditor.h"
#include "platform/TextMeasurer.h"
#include "platform/UserDefaults.h"
#include "support/FakeTextMeasurer.h"
#include "support/ManualScheduler.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

class RecordingSearchBarView : public MapSearchBarView {
public:
    void setResultsText(const std::string& text) override { results = text; }
    void setNavigationEnabled(bool enabled) override { navigation = enabled; }
    void setAdvancedRowShown(bool shown, double h) override
    {
        advancedRow = shown;
        height = h;
    }
    bool isBarShown() const override { return shown; }
    void showBar() override { shown = true; }
    void hideBar() override { shown = false; }
    void focusSearchField() override { ++focused; }

    std::string results;
    bool navigation = false;
    bool advancedRow = false;
    double height = 0;
    bool shown = false;
    int focused = 0;
};

class FocusHost : public MindMapEditorHost {
public:
    void setNeedsDisplay() override {}
    void focusEditor() override { ++focused; }
    int focused = 0;
};

// A map whose theme has the children "alpha one", "beta", "alpha two", "gamma", "alpha three".
class MapSearchBarControllerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        clearDefaults();
        TextMeasurer::setShared(&measurer);
        editor = std::make_unique<MindMapEditor>(&scheduler);
        editor->setHost(&host);
        editor->setFrameSize({800, 600});
        map = std::make_shared<MindMap>();
        map->newMindMap("", true, std::string("Theme"));
        theme = map->mainCentralTheme();
        for (const char* text : {"alpha one", "beta", "alpha two", "gamma", "alpha three"}) {
            MindMapNode* child = map->addMindMapNodeAsChild(theme, {600, 400 + 40.0 * children.size()});
            child->setText(text);
            children.push_back(child);
        }
        map->validateElementStates();
        editor->setMindMap(map);
        controller = std::make_unique<MapSearchBarController>(*editor, Size{400, 90});
        controller->setView(&view);
    }

    void TearDown() override
    {
        controller.reset();
        editor.reset();
        map.reset();
        TextMeasurer::setShared(nullptr);
        clearDefaults();
    }

    static void clearDefaults()
    {
        UserDefaults::standard().removeObject(MapSearchBarController::AdvancedModeKey);
        UserDefaults::standard().removeObject(MapSearchBarController::ScrollCenterKey);
    }

    FakeTextMeasurer measurer;
    ManualScheduler scheduler;
    FocusHost host;
    std::unique_ptr<MindMapEditor> editor;
    std::shared_ptr<MindMap> map;
    MindMapNode* theme = nullptr;
    std::vector<MindMapNode*> children;
    RecordingSearchBarView view;
    std::unique_ptr<MapSearchBarController> controller;
};

} // namespace

TEST_F(MapSearchBarControllerTest, StartingListensShowsTheBarAndFocusesItsField)
{
    controller->startSearch();
    EXPECT_EQ(map->searchListener(), controller.get());
    EXPECT_TRUE(view.shown);
    EXPECT_EQ(view.focused, 1);
    EXPECT_EQ(view.results, "0/0");
    EXPECT_FALSE(view.navigation);
}

TEST_F(MapSearchBarControllerTest, TypingCountsTheMatchesAndThePositionOfTheSelection)
{
    controller->startSearch();
    controller->setSearchText("alpha");
    EXPECT_EQ(map->searchMatches().size(), 3u);
    EXPECT_EQ(view.results, "0/3") << "the theme is selected, which is no match";
    EXPECT_TRUE(view.navigation);

    map->setSelectedElement(children[2]);
    controller->setSearchText("alpha ");
    EXPECT_EQ(view.results, "2/3");

    controller->setSearchText("nothing like it");
    EXPECT_EQ(view.results, "0/0");
    EXPECT_FALSE(view.navigation);
}

TEST_F(MapSearchBarControllerTest, SteppingWrapsBothWays)
{
    controller->startSearch();
    controller->setSearchText("alpha");
    // Three matches, the second selected.
    map->setSelectedElement(children[2]);

    struct Step {
        bool next;
        MindMapNode* selected;
        const char* results;
    };
    const Step steps[] = {
        {true, children[4], "3/3"},
        {true, children[0], "1/3"},
        {false, children[4], "3/3"},
        {false, children[2], "2/3"},
    };
    for (const Step& step : steps) {
        if (step.next) controller->navigationButtonClick(1);
        else controller->navigationButtonClick(0);
        EXPECT_EQ(map->selectedElement(), step.selected) << step.results;
        EXPECT_EQ(view.results, step.results);
    }
}

TEST_F(MapSearchBarControllerTest, SteppingFromANonMatchStartsAtEitherEnd)
{
    controller->startSearch();
    controller->setSearchText("alpha");
    map->setSelectedElement(children[1]);
    controller->selectNextMatch();
    EXPECT_EQ(map->selectedElement(), children[0]);
    map->setSelectedElement(children[3]);
    controller->selectPreviousMatch();
    EXPECT_EQ(map->selectedElement(), children[4]);
    EXPECT_EQ(view.results, "3/3");
}

TEST_F(MapSearchBarControllerTest, SteppingWithoutMatchesOnlyRefreshesTheCounter)
{
    controller->startSearch();
    controller->setSearchText("zzz");
    map->setSelectedElement(children[1]);
    controller->selectNextMatch();
    controller->selectPreviousMatch();
    EXPECT_EQ(map->selectedElement(), children[1]);
    EXPECT_EQ(view.results, "0/0");
}

TEST_F(MapSearchBarControllerTest, CriteriaScopes)
{
    struct Case {
        const char* name;
        std::string text;
        int checked;
        std::string icon;
        int date;
        uint32_t scope;
        int32_t checkedState;
        bool earlier;
    };
    const Case cases[] = {
        {"nothing", "", 0, "", 0, 0, 0, false},           {"text", "a", 0, "", 0, 1, 0, false},
        {"icon alone", "", 0, "flag", 0, 2, 0, false},    {"unchecked", "", 1, "", 0, 4, 0, false},
        {"checked", "", 2, "", 0, 4, 1, false},           {"date alone, before", "", 0, "", 1, 8, 0, true},
        {"date alone, after", "", 0, "", 2, 8, 0, false}, {"everything", "a", 2, "flag", 2, 15, 1, false},
    };
    for (const Case& c : cases) {
        controller->setSearchText(c.text);
        controller->setCheckedFilterIndex(c.checked);
        controller->setIconFilter(c.icon);
        controller->setDateFilterIndex(c.date);
        const MindMapSearchData data = controller->searchData();
        EXPECT_EQ(data.scope(), c.scope) << c.name;
        if (c.scope & SearchScopeCheckedState) {
            EXPECT_EQ(data.checkedState(), c.checkedState) << c.name;
        }
        if (c.scope & SearchScopeDate) {
            EXPECT_EQ(data.earlierDate(), c.earlier) << c.name;
        }
        if (c.scope & SearchScopeIcon) {
            EXPECT_EQ(data.icon(), c.icon) << c.name;
        }
    }
}

TEST_F(MapSearchBarControllerTest, TheCheckedFilterFindsUncheckedOrCheckedTasks)
{
    children[0]->setShowCheckbox(true);
    children[0]->setCheckedState(0);
    children[1]->setShowCheckbox(true);
    children[1]->setCheckedState(1);
    controller->startSearch();
    controller->setCheckedFilterIndex(1);
    ASSERT_EQ(map->searchMatches().size(), 1u);
    EXPECT_EQ(map->searchMatches()[0], children[0]);
    controller->setCheckedFilterIndex(2);
    ASSERT_EQ(map->searchMatches().size(), 1u);
    EXPECT_EQ(map->searchMatches()[0], children[1]);
}

TEST_F(MapSearchBarControllerTest, ClosingClearsTheMatchesAndFocusesTheCanvas)
{
    controller->startSearch();
    controller->setSearchText("alpha");
    ASSERT_EQ(map->searchMatches().size(), 3u);
    controller->closeBar();
    EXPECT_TRUE(map->searchMatches().empty());
    EXPECT_FALSE(map->searching());
    EXPECT_EQ(map->searchListener(), nullptr);
    EXPECT_FALSE(view.shown);
    EXPECT_EQ(host.focused, 1);
    EXPECT_FALSE(children[0]->searchMatch()) << "no topic keeps showing as a match";
}

TEST_F(MapSearchBarControllerTest, EscapeInAnyBarClosesIt)
{
    controller->startSearch();
    controller->setSearchText("alpha");
    int barObject = 0;
    NotificationCenter::defaultCenter().post("EditorSearchBarCancelledNotification", &barObject);
    EXPECT_FALSE(view.shown);
    EXPECT_TRUE(map->searchMatches().empty());
}

TEST_F(MapSearchBarControllerTest, TheAdvancedRowTakesFiftyFourPoints)
{
    EXPECT_TRUE(controller->advancedSearch()) << "both modes start on";
    EXPECT_TRUE(controller->scrollCenter());
    EXPECT_TRUE(view.advancedRow);
    EXPECT_EQ(controller->viewHeight(), 90.0);
    controller->toggleAdvancedSearch();
    EXPECT_FALSE(view.advancedRow);
    EXPECT_EQ(view.height, 36.0);
    EXPECT_EQ(controller->searchBarSize().width, 400.0);
    EXPECT_EQ(controller->searchBarSize().height, 36.0);
    EXPECT_FALSE(UserDefaults::standard().boolForKey("EditorSearchBar.AdvancedMode"));
    EXPECT_FALSE(controller->isMenuItemChecked(MapSearchBarController::AdvancedSearchTag));
    EXPECT_TRUE(controller->isMenuItemChecked(MapSearchBarController::ScrollCenterTag));
    controller->toggleScrollCenter();
    EXPECT_TRUE(UserDefaults::standard().hasUserValue("EditorSearchBar.ScrollCenter"));
    EXPECT_FALSE(UserDefaults::standard().boolForKey("EditorSearchBar.ScrollCenter"));
}

TEST_F(MapSearchBarControllerTest, StoredModesOverrideTheDefaults)
{
    UserDefaults::standard().setBool("EditorSearchBar.AdvancedMode", false);
    UserDefaults::standard().setBool("EditorSearchBar.ScrollCenter", false);
    MapSearchBarController stored(*editor, Size{400, 90});
    EXPECT_FALSE(stored.advancedSearch());
    EXPECT_FALSE(stored.scrollCenter());
    EXPECT_EQ(stored.viewHeight(), 36.0);
}

TEST_F(MapSearchBarControllerTest, StoredValuesThatAreNoFlagsLeaveTheModesOn)
{
    struct Case {
        const char* name;
        PropertyList value;
        bool advanced;
    };
    const Case cases[] = {
        {"false", PropertyList(false), false},
        {"zero", PropertyList(int64_t(0)), false},
        {"one", PropertyList(int64_t(1)), true},
        {"text NO", PropertyList(std::string("NO")), false},
        {"a list", PropertyList(PropertyList::Array{PropertyList(false)}), true},
        {"a dictionary", PropertyList(PropertyList::Dictionary{}), true},
    };
    for (const Case& c : cases) {
        UserDefaults::standard().setObject("EditorSearchBar.AdvancedMode", c.value);
        MapSearchBarController stored(*editor, Size{400, 90});
        EXPECT_EQ(stored.advancedSearch(), c.advanced) << c.name;
        EXPECT_TRUE(stored.scrollCenter()) << c.name;
    }
}

TEST_F(MapSearchBarControllerTest, AMapSwitchedToIsSearchedAndTheOldOneLetGo)
{
    controller->startSearch();
    controller->setSearchText("alpha");
    auto other = std::make_shared<MindMap>();
    other->newMindMap("", true, std::string("alpha theme"));
    editor->setMindMap(other);
    controller->editorMindMapChanged();
    EXPECT_EQ(map->searchListener(), nullptr);
    EXPECT_TRUE(map->searchMatches().empty());
    EXPECT_EQ(other->searchListener(), controller.get());
    EXPECT_EQ(view.results, "1/1") << "a new map starts with its theme selected";
}

TEST_F(MapSearchBarControllerTest, ABarThatGoesLeavesNoListenerBehind)
{
    controller->startSearch();
    controller.reset();
    EXPECT_EQ(map->searchListener(), nullptr);
    map->setSearchData(nullptr);
}

TEST_F(MapSearchBarControllerTest, RecentSearchesAreNewestFirstWithoutDuplicates)
{
    for (const char* text : {"one", "two", "", "one"}) controller->addRecentSearch(text);
    EXPECT_EQ(controller->recentSearches(), (std::deque<std::string>{"one", "two"}));
    for (int i = 0; i < 20; ++i) controller->addRecentSearch("search " + std::to_string(i));
    EXPECT_EQ(controller->recentSearches().size(), MapSearchBarController::MaximumRecentSearches);
    EXPECT_EQ(controller->recentSearches().front(), "search 19");
    controller->clearRecentSearches();
    EXPECT_TRUE(controller->recentSearches().empty());
}

TEST(MapSearchBarIconFilterTest, PicturesFitTheirHeightLimits)
{
    struct Case {
        Size size;
        double limit;
        Size shown;
    };
    const Case cases[] = {
        {{16, 16}, 24, {16, 16}}, {{48, 48}, 24, {24, 24}}, {{100, 50}, 32, {64, 32}},  {{10, 45}, 32, {7, 32}},
        {{33, 33}, 32, {32, 32}}, {{64, 24}, 24, {64, 24}}, {{30.4, 64}, 32, {15, 32}},
    };
    for (const Case& c : cases) {
        const Size shown = MapSearchBarController::iconFilterImageSize(c.size, c.limit);
        EXPECT_EQ(shown.width, c.shown.width) << c.size.width << "x" << c.size.height;
        EXPECT_EQ(shown.height, c.shown.height) << c.size.width << "x" << c.size.height;
    }
    EXPECT_EQ(MapSearchBarController::CustomIconHeightLimit, 32.0);
    EXPECT_EQ(MapSearchBarController::StockIconHeightLimit, 24.0);
}

TEST(MapSearchBarIconFilterTest, TheCheckboxPicturesDifferAndAreSixteenSquare)
{
    const Image unchecked = MapSearchBarController::checkedImage(false);
    const Image checked = MapSearchBarController::checkedImage(true);
    ASSERT_FALSE(unchecked.isNull());
    EXPECT_EQ(unchecked.pixelWidth(), 16);
    EXPECT_EQ(unchecked.pixelHeight(), 16);
    EXPECT_NE(*unchecked.pngData(), *checked.pngData());
}

TEST_F(MapSearchBarControllerTest, TheIconMenuFollowsTheMapsIcons)
{
    maptest::FakeMapImageServices services;
    for (const char* name : {"flag", "star"}) services.stockIcons[name] = std::make_shared<const Image>(48, 48);
    children[0]->setIconName("flag");
    children[1]->setIconName("star");
    children[2]->setIconName("no-such-icon");
    std::vector<IconFilterItem> items(1);
    controller->updateIconFilterItems(items);
    ASSERT_EQ(items.size(), 3u) << "an icon without a picture adds nothing";
    EXPECT_EQ(items[1].key, "flag");
    EXPECT_EQ(items[2].key, "star");
    EXPECT_EQ(items[1].imageSize.height, 24.0);

    const int flagTitle = items[1].uniqueTitle;
    controller->updateIconFilterItems(items);
    ASSERT_EQ(items.size(), 3u) << "opening it again changes nothing";
    EXPECT_EQ(items[1].uniqueTitle, flagTitle);

    children[0]->setIconName("");
    controller->updateIconFilterItems(items);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[1].key, "star");
    EXPECT_NE(items[1].uniqueTitle, 0);

    std::vector<IconFilterItem> fresh;
    controller->updateIconFilterItems(fresh);
    ASSERT_EQ(fresh.size(), 2u) << "a list without its fixed first entry gets one";
    EXPECT_EQ(fresh[0].key, "");
    EXPECT_EQ(fresh[1].key, "star");
}
