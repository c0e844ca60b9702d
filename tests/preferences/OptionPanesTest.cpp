#include "MindMaps/StyleSheet.h"
#include "layout/SnapEngine.h"
#include "platform/Localizer.h"
#include "platform/NotificationCenter.h"
#include "preferences/GeneralOptionsModel.h"
#include "preferences/GlobalFontsModel.h"
#include "preferences/PreferencesTestSupport.h"
#include "preferences/SnapOptionsModel.h"

#include <fstream>
#include <string>
#include <vector>

namespace {

using OptionPanesTest = PreferencesTest;

TEST_F(OptionPanesTest, EachLayoutModeOffersItsDirectionsWithItsDefaultSelected)
{
    struct Case {
        int storedMode;
        int shownMode;
        std::vector<int32_t> directions;
        int32_t selected;
    };
    for (const Case& c :
         {Case{0, 0, {0}, 0}, Case{1, 1, {0, 1, 2, 7}, 0}, Case{2, 2, {0, 3, 5, 7}, 0}, Case{3, 3, {0, 1, 2}, 0},
          Case{4, 4, {3, 4, 5, 6}, 5}, Case{-1, 0, {0}, 0}, Case{5, 0, {0}, 0}}) {
        defaults().setInteger("newMindMapLayoutMode", c.storedMode);
        GeneralOptionsModel model(defaults());
        model.load();
        EXPECT_EQ(model.layoutMode(), c.shownMode) << c.storedMode;
        EXPECT_EQ(model.directionItems(), c.directions) << c.storedMode;
        EXPECT_EQ(model.layoutDirection(), c.selected) << c.storedMode;
    }
}

TEST_F(OptionPanesTest, AStoredDirectionShowsOnlyWhenTheModeOffersIt)
{
    struct Case {
        int mode;
        int64_t storedDirection;
        int32_t shown;
    };
    for (const Case& c :
         {Case{1, 2, 2}, Case{1, 7, 7}, Case{1, 3, 0}, Case{4, 6, 6}, Case{4, 0, 5}, Case{2, 8, 0}, Case{2, -1, 0}}) {
        defaults().setInteger("newMindMapLayoutMode", c.mode);
        defaults().setInteger("newMindMapLayoutDirection", c.storedDirection);
        GeneralOptionsModel model(defaults());
        model.load();
        EXPECT_EQ(model.layoutDirection(), c.shown) << c.mode << " " << c.storedDirection;
    }
}

TEST_F(OptionPanesTest, PickingAModeStoresItButTheDirectionOnlyWhenTheUserPicksOne)
{
    GeneralOptionsModel model(defaults());
    model.load();
    model.layoutModeChanged(4);
    EXPECT_EQ(defaults().integerForKey("newMindMapLayoutMode"), 4);
    EXPECT_EQ(model.layoutDirection(), 5);
    EXPECT_FALSE(defaults().hasUserValue("newMindMapLayoutDirection"));
    model.layoutDirectionChanged(6);
    EXPECT_EQ(defaults().integerForKey("newMindMapLayoutDirection"), 6);
    model.layoutModeChanged(0);
    EXPECT_EQ(model.directionItems(), std::vector<int32_t>{0});
    EXPECT_EQ(defaults().integerForKey("newMindMapLayoutDirection"), 6);
    model.layoutModeChanged(7);
    EXPECT_EQ(defaults().integerForKey("newMindMapLayoutMode"), 0);
}

TEST_F(OptionPanesTest, TheShadowSwitchShowsTheOppositeOfItsStoredFlag)
{
    const auto checkboxes = GeneralOptionsModel::checkboxes();
    ASSERT_EQ(checkboxes.size(), 6u);
    EXPECT_STREQ(checkboxes[0].key, "suppressShadows");
    EXPECT_TRUE(checkboxes[0].inverted);
    for (size_t i = 1; i < checkboxes.size(); ++i) EXPECT_FALSE(checkboxes[i].inverted) << checkboxes[i].key;
}

TEST_F(OptionPanesTest, SnapCheckboxesStandForTheGuideBitsAndTheGridIsClamped)
{
    struct Case {
        std::array<bool, 6> guides;
        int64_t typedGrid;
        uint64_t storedBits;
        int64_t storedGrid;
        int64_t snapDistance;
    };
    for (const Case& c : {Case{{true, false, false, false, false, false}, 20, 1, 20, 10},
                          Case{{false, true, false, false, false, true}, 33, 34, 33, 16},
                          Case{{true, true, true, true, true, true}, 3, 63, 8, 4},
                          Case{{false, false, false, true, true, false}, 500, 24, 100, 50},
                          Case{{false, false, true, false, false, false}, 9, 4, 9, 4}}) {
        SnapEngineOptions options(defaults());
        SnapOptionsModel model(options);
        SnapOptionsModel::Controls controls = model.controls();
        controls.guideLines = c.guides;
        controls.gridSize = c.typedGrid;
        controls.snapToGrid = true;
        model.commit(controls);
        EXPECT_EQ(defaults().integerForKey("Editor.Snap.ActiveGuideLines"), int64_t(c.storedBits));
        EXPECT_EQ(defaults().integerForKey("Editor.Snap.GridSize"), c.storedGrid);
        EXPECT_EQ(options.gridSnapDistance(), c.snapDistance);
        EXPECT_TRUE(defaults().boolForKey("Editor.Snap.SnapToGrid"));
        // Read back, the controls show what was stored.
        SnapEngineOptions reread(defaults());
        EXPECT_EQ(SnapOptionsModel(reread).controls().guideLines, c.guides);
    }
}

TEST_F(OptionPanesTest, TheSnapHintNamesTheKeyTheReadmeNamesForTurningSnappingTheOtherWay)
{
    // The README's table of modifier keys: "| Ctrl (…) | … turns snapping the other way |". The
    // element mover turns it with the same key (its tests drag with ControlModifier).
    std::ifstream readme(std::string(TARNWICK_SOURCE_DIR) + "/README.md");
    ASSERT_TRUE(readme);
    std::string key;
    for (std::string line; std::getline(readme, line);)
        if (line.rfind("| ", 0) == 0 && line.find("turns snapping the other way") != std::string::npos)
            key = line.substr(2, line.find(' ', 2) - 2);
    EXPECT_EQ(key, "Ctrl");
    const std::string hint = localized("snap_enabled_hint_mac");
    EXPECT_NE(hint.find(key), std::string::npos) << hint;
    for (const char* other : {"Alt", "Shift", "Super", "Option", "Command"})
        EXPECT_EQ(hint.find(other), std::string::npos) << hint;
}

TEST_F(OptionPanesTest, OpeningTheSnapPaneWritesTheOptionsBackUnchanged)
{
    defaults().setBool("Editor.Snap.SnapEnabled", false);
    defaults().setInteger("Editor.Snap.ActiveGuideLines", 41);
    defaults().setInteger("Editor.Snap.GridSize", 64);
    SnapEngineOptions options(defaults());
    SnapOptionsModel model(options);
    const SnapOptionsModel::Controls controls = model.controls();
    EXPECT_FALSE(controls.gridSizeEnabled());
    model.commit(controls);
    EXPECT_FALSE(defaults().boolForKey("Editor.Snap.SnapEnabled"));
    EXPECT_EQ(defaults().integerForKey("Editor.Snap.ActiveGuideLines"), 41);
    EXPECT_FALSE(defaults().boolForKey("Editor.Snap.SnapToGrid"));
    EXPECT_TRUE(defaults().hasUserValue("Editor.Snap.SnapToGrid"));
    EXPECT_EQ(defaults().integerForKey("Editor.Snap.GridSize"), 64);
}

TEST_F(OptionPanesTest, TheScaleSliderWorksInBase2LogarithmsWithTwoDecimals)
{
    struct Case {
        double slider;
        double scale;
        const char* label;
    };
    for (const Case& c : {Case{0, 1.0, "100%"}, Case{0.585, 1.5, "150%"}, Case{1, 2.0, "200%"}, Case{-1, 0.5, "50%"},
                          Case{0.1, 1.07, "107%"}, Case{-2, 0.25, "25%"}}) {
        GlobalFontsModel model(defaults());
        std::vector<double> seen;
        ObservationToken token = defaults().observe("editorGlobalScaleFactor", [&](const std::string&) {
            seen.push_back(defaults().doubleForKey("editorGlobalScaleFactor"));
        });
        EXPECT_EQ(model.globalScaleFactorChanged(c.slider), c.label) << c.slider;
        EXPECT_DOUBLE_EQ(defaults().doubleForKey("editorGlobalScaleFactor"), c.scale) << c.slider;
        if (c.scale != 1.0 || !seen.empty()) {
            ASSERT_EQ(seen.size(), 1u) << c.slider;
            EXPECT_DOUBLE_EQ(seen.front(), c.scale);
        }
    }
    struct Stored {
        double factor;
        double slider;
    };
    for (const Stored& s : {Stored{1.0, 0}, Stored{2.0, 1}, Stored{0.5, -1}, Stored{0, 0}, Stored{-3, 0}}) {
        defaults().setDouble("editorGlobalScaleFactor", s.factor);
        GlobalFontsModel model(defaults());
        model.viewDidLoad();
        EXPECT_DOUBLE_EQ(model.sliderValue(), s.slider) << s.factor;
    }
}

class GlobalFontsTest : public PreferencesTest {
protected:
    void SetUp() override
    {
        PreferencesTest::SetUp();
        StyleSheet::restoreDefaultFonts();
    }
    void TearDown() override
    {
        StyleSheet::restoreDefaultFonts();
        PreferencesTest::TearDown();
    }
};

TEST_F(GlobalFontsTest, AFontPickedInOneWellChangesOnlyThatFontAndDoesNotReloadTheWells)
{
    GlobalFontsModel model(defaults());
    model.viewDidLoad();
    const Font picked("DejaVu Serif", 31);
    int announced = 0;
    std::vector<Font> wellsDuringChange;
    ObservationToken token = NotificationCenter::defaultCenter().addObserver(
        StyleSheet::FontsChangeNotification, nullptr, [&](const Notification&) {
            ++announced;
            wellsDuringChange.push_back(model.selector(GlobalFontsModel::MainBranches).font());
        });
    model.selector(GlobalFontsModel::MainBranches).changeFont([&](const Font&) { return picked; });
    EXPECT_EQ(announced, 1);
    EXPECT_EQ(StyleSheet::mainBranchFont(), picked);
    EXPECT_EQ(StyleSheet::centralThemeFont(), StyleSheet::defaultCentralThemeFont());
    EXPECT_EQ(StyleSheet::outlineFont(), StyleSheet::defaultOutlineFont());
    EXPECT_EQ(wellsDuringChange, std::vector<Font>{picked});

    // A change made elsewhere reaches the wells; restoring the defaults too.
    const Font elsewhere("DejaVu Sans", 17);
    StyleSheet::changeStyleSheetFonts(std::nullopt, std::nullopt, std::nullopt, elsewhere, std::nullopt);
    EXPECT_EQ(model.selector(GlobalFontsModel::Labels).font(), elsewhere);
    model.restoreDefaults();
    EXPECT_EQ(model.selector(GlobalFontsModel::MainBranches).font(), StyleSheet::defaultMainBranchFont());
    EXPECT_EQ(model.selector(GlobalFontsModel::Labels).font(), StyleSheet::defaultTextFont());
}

} // namespace
