#include "MindMaps/StyleSheet.h"

#include "ElementStyleTestSupport.h"
#include "MindMaps/ColorUtils.h"
#include "MindMaps/CustomColorScheme.h"
#include "MindMaps/MMColorScheme.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/PalletizedColorScheme.h"
#include "MindMaps/RelationStyle.h"
#include "MindMaps/StyleManager.h"
#include "MindMaps/TextStyle.h"
#include "Utils/UserDefaultsFont.h"
#include "platform/NotificationCenter.h"
#include "support/ScopedEnvironment.h"
#include "platform/UserDefaults.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

const char* const CentralKey = "CentralThemeNormalizedUserFontKeyName";
const char* const MainKey = "MainBranchNormalizedUserFontKeyName";
const char* const SubKey = "SubBranchNormalizedUserFontKeyName";
const char* const TextKey = "TextNormalizedUserFontKeyName";
const char* const OutlineKey = "OutlineNormalizedUserFontKeyName";
const std::array<const char*, 5> userFontKeys = {CentralKey, MainKey, SubKey, TextKey, OutlineKey};

UserDefaults& defaults()
{
    return UserDefaults::standard();
}

struct FontNotifications {
    int count = 0;
    std::vector<const void*> objects;
    ObservationToken token = NotificationCenter::defaultCenter().addObserver(
        "TarnwickStyleFontsChangeNotification", nullptr, [this](const Notification& note) {
            ++count;
            objects.push_back(note.object);
        });
};

std::array<Font, 5> currentFonts()
{
    return {StyleSheet::centralThemeFont(), StyleSheet::mainBranchFont(), StyleSheet::subBranchFont(),
            StyleSheet::textFont(), StyleSheet::outlineFont()};
}

std::array<Font, 5> defaultFonts()
{
    return {StyleSheet::defaultCentralThemeFont(), StyleSheet::defaultMainBranchFont(),
            StyleSheet::defaultSubBranchFont(), StyleSheet::defaultTextFont(), StyleSheet::defaultOutlineFont()};
}

bool anyUserFontStored()
{
    for (const char* key : userFontKeys) {
        if (defaults().hasUserValue(key))
            return true;
    }
    return false;
}

// Own user defaults, default user fonts and a fresh style manager for every test.
class StyleSheetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        defaults().resetForTesting();
        StyleSheet::restoreDefaultFonts();
        for (const char* key : userFontKeys)
            defaults().removeObject(key);
        StyleManager::releaseStyleManagerInstance();
    }

    void TearDown() override
    {
        StyleManager::releaseStyleManagerInstance();
        StyleSheet::restoreDefaultFonts();
        defaults().resetForTesting();
    }

    TempDir _config;
    ScopedEnvironment _configHome{"XDG_CONFIG_HOME", _config.path()};
};

// ----- Making sheets -----

TEST_F(StyleSheetTest, ADefaultSheetIsABareRootStyle)
{
    StyleSheet sheet;
    EXPECT_EQ(sheet.styleKeyName(), "");
    EXPECT_EQ(sheet.description(), "");
    EXPECT_EQ(sheet.colorScheme(), nullptr);
    EXPECT_FALSE(sheet.isCustomStyle());
    EXPECT_FALSE(sheet.parentStyle());
    EXPECT_EQ(sheet.backgroundColor(), normalizedWhiteColor());
    EXPECT_EQ(sheet.lineStyle(), 0);
    EXPECT_EQ(sheet.customizedProps(), 0u);
    EXPECT_EQ(sheet.textStyle()->customizedProps(), 0u);
}

TEST_F(StyleSheetTest, AKeyedSheetTakesTheRegisteredSchemeAndItsTexts)
{
    StyleSheet sheet("my.chart", "chart-colors");
    const auto chart = StyleManager::styleManager().getColorSchemeOnKey("chart-colors");
    EXPECT_EQ(sheet.styleKeyName(), "my.chart");
    EXPECT_EQ(sheet.colorScheme(), chart);
    EXPECT_EQ(sheet.description(), chart->description());
    EXPECT_EQ(sheet.textStyle()->textColor(), materialBlueGrey800());
    // The scheme's font colour is the sheet's own value, not a customisation.
    EXPECT_FALSE(sheet.textStyle()->isPropCustomized(TextStyle::TextColorMask));
}

TEST_F(StyleSheetTest, AnUnknownColourKeyGivesTheFirstScheme)
{
    StyleSheet sheet("k", "Chart-Colors");
    EXPECT_EQ(sheet.colorScheme()->colorSchemeKeyName(), "bright-palette");
    StyleSheet empty("k", "");
    EXPECT_EQ(empty.colorScheme()->colorSchemeKeyName(), "bright-palette");
}

TEST_F(StyleSheetTest, DescriptionCanBeReplaced)
{
    StyleSheet sheet("k", "gold-palette");
    sheet.setDescription("Golden hour");
    EXPECT_EQ(sheet.description(), "Golden hour");
    EXPECT_EQ(sheet.colorScheme()->description(), StyleManager::styleManager().getColorSchemeOnKey("gold-palette")->description());
}

// ----- Lines, borders, colours -----

TEST_F(StyleSheetTest, LineStyleGivesTheCrossLinksTheirMatchingLineAndArrow)
{
    const int32_t crossLinkLines[] = {4, 4, 5, 6, 4, 5, 6, 4, 4, 4};
    StyleSheet sheet;
    for (int32_t line = 0; line <= 9; ++line) {
        SCOPED_TRACE(line);
        sheet.crossLinkStyle()->setTargetArrowStyle(8);
        sheet.setLineStyle(line);
        EXPECT_EQ(sheet.lineStyle(), line);
        EXPECT_EQ(sheet.parentRelationStyle()->lineStyle(), line);
        EXPECT_EQ(sheet.crossLinkStyle()->lineStyle(), crossLinkLines[line]);
        EXPECT_EQ(sheet.crossLinkStyle()->targetArrowStyle(), crossLinkLines[line] == 5 ? 3 : 1);
        EXPECT_EQ(sheet.parentRelationStyle()->customizedProps(), 0u);
        EXPECT_EQ(sheet.crossLinkStyle()->customizedProps(), 0u);
    }
}

TEST_F(StyleSheetTest, ALineStyleChangeIsReportedOnce)
{
    StyleSheet sheet;
    RecordingStyleListener listener;
    sheet.setListener(&listener);
    sheet.setLineStyle(3);
    EXPECT_EQ(listener.count(), 1u);
    listener.clear();
    sheet.setLineStyle(3);
    EXPECT_EQ(listener.count(), 0u);
    sheet.setListener(nullptr);
}

TEST_F(StyleSheetTest, BorderAndTextColourAreRawSettings)
{
    StyleSheet sheet;
    sheet.setBorderStyle(6);
    sheet.setTextColor(Color(0.2, 0.4, 0.6));
    EXPECT_EQ(sheet.nodeStyle()->borderStyle(), 6);
    EXPECT_EQ(sheet.textStyle()->textColor(), Color(0.2, 0.4, 0.6));
    EXPECT_EQ(sheet.nodeStyle()->customizedProps(), 0u);
    EXPECT_EQ(sheet.textStyle()->customizedProps(), 0u);
    sheet.setTextColor(std::nullopt);
    EXPECT_EQ(sheet.textStyle()->textColor(), std::nullopt);
}

TEST_F(StyleSheetTest, BackgroundIsTheSchemes)
{
    StyleSheet sheet("k", "colors-on-black");
    EXPECT_EQ(sheet.backgroundColor(), normalizedBlackColor());
    auto custom = std::make_shared<CustomColorScheme>();
    custom->setBackgroundColor(Color(0.1, 0.2, 0.3));
    sheet.setColorScheme(custom);
    EXPECT_EQ(sheet.colorScheme(), custom);
    EXPECT_EQ(sheet.backgroundColor(), Color(0.1, 0.2, 0.3));
    custom->setBackgroundColor(Color(0.9, 0.8, 0.7));
    EXPECT_EQ(sheet.backgroundColor(), Color(0.9, 0.8, 0.7));
}

TEST_F(StyleSheetTest, AMapStyleTakesTheSchemesBackgroundFromTheSheet)
{
    StyleSheet sheet;
    auto custom = std::make_shared<CustomColorScheme>();
    custom->setBackgroundColor(Color(0.1, 0.2, 0.3));
    sheet.setColorScheme(custom);
    MindMapStyle base;
    base.assign(&sheet);
    EXPECT_EQ(base.backgroundColor(), Color(0.1, 0.2, 0.3));

    // A scheme edited after it was set reaches the map when the sheet is applied again.
    custom->setBackgroundColor(Color(0.9, 0.8, 0.7));
    MindMap map;
    sheet.applyStyleToDiagram(map);
    base.assign(&sheet);
    EXPECT_EQ(base.backgroundColor(), Color(0.9, 0.8, 0.7));
}

// ----- Applying -----

TEST_F(StyleSheetTest, ApplyingToAMapRestartsThePaletteRoundRobin)
{
    auto scheme = std::make_shared<BrightPaletteColorScheme>();
    StyleSheet sheet;
    sheet.setColorScheme(scheme);
    EXPECT_EQ(scheme->getNextPaletteColor(), 1);
    EXPECT_EQ(scheme->getNextPaletteColor(), 2);
    EXPECT_EQ(scheme->getNextPaletteColor(), 3);
    MindMap map;
    sheet.applyStyleToDiagram(map);
    EXPECT_EQ(scheme->getNextPaletteColor(), 1);
}

TEST_F(StyleSheetTest, ApplyingASheetWithoutSchemeIsHarmless)
{
    StyleSheet sheet;
    MindMap map;
    sheet.applyStyleToDiagram(map);
    EXPECT_EQ(sheet.colorScheme(), nullptr);
}

TEST_F(StyleSheetTest, NoTopicMeansNoEffect)
{
    auto scheme = std::make_shared<BrightPaletteColorScheme>();
    StyleSheet sheet;
    sheet.setColorScheme(scheme);
    EXPECT_EQ(scheme->getNextPaletteColor(), 1);
    sheet.applyDefaultNodeFont(nullptr);
    sheet.applyDefaultNodeStyle(nullptr);
    sheet.applyStyleToSubTree(nullptr);
    // The palette was not consulted.
    EXPECT_EQ(scheme->getNextPaletteColor(), 2);
}

// ----- Fonts -----

TEST_F(StyleSheetTest, DefaultFontsAreArialAtTheirLevelSizes)
{
    struct Expected {
        Font font;
        double size;
        bool bold;
    };
    const std::vector<Expected> table = {
        {StyleSheet::defaultCentralThemeFont(), 20, true}, {StyleSheet::defaultMainBranchFont(), 16, true},
        {StyleSheet::defaultSubBranchFont(), 14, true},    {StyleSheet::defaultTextFont(), 14, false},
        {StyleSheet::defaultOutlineFont(), 9, false},      {StyleSheet::autoNumberFont(), 12, false},
    };
    for (const Expected& expected : table) {
        SCOPED_TRACE(expected.size);
        // The family name stays as asked for on a machine without it; drawing substitutes.
        EXPECT_EQ(expected.font.familyName(), "Arial");
        EXPECT_EQ(expected.font.pointSize(), expected.size);
        EXPECT_EQ(expected.font.isBold(), expected.bold);
        EXPECT_FALSE(expected.font.isItalic());
        EXPECT_EQ(expected.font.weight(), expected.bold ? 9 : 5);
    }
}

TEST_F(StyleSheetTest, CurrentFontsStartAtTheDefaults)
{
    EXPECT_EQ(currentFonts(), defaultFonts());
}

TEST_F(StyleSheetTest, TheLevelDecidesTheTopicFont)
{
    const Font central("DejaVu Serif", 30, true);
    const Font main("DejaVu Serif", 22);
    const Font sub("DejaVu Sans Mono", 11);
    StyleSheet::changeStyleSheetFonts(central, main, sub, std::nullopt, std::nullopt);
    EXPECT_EQ(StyleSheet::defaultFontForLevel(0), central);
    EXPECT_EQ(StyleSheet::defaultFontForLevel(1), main);
    EXPECT_EQ(StyleSheet::defaultFontForLevel(2), sub);
    EXPECT_EQ(StyleSheet::defaultFontForLevel(3), sub);
    EXPECT_EQ(StyleSheet::defaultFontForLevel(40), sub);
}

TEST_F(StyleSheetTest, NoFontsOrTheSameFontsChangeNothing)
{
    FontNotifications notes;
    StyleSheet::changeStyleSheetFonts(std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt);
    const std::array<Font, 5> fonts = defaultFonts();
    StyleSheet::changeStyleSheetFonts(fonts[0], fonts[1], fonts[2], fonts[3], fonts[4]);
    StyleSheet::restoreDefaultFonts();
    EXPECT_EQ(notes.count, 0);
    EXPECT_FALSE(anyUserFontStored());
    EXPECT_EQ(currentFonts(), defaultFonts());
}

TEST_F(StyleSheetTest, AChangedFontIsAnnouncedAndAllFiveAreSaved)
{
    FontNotifications notes;
    Font seenByObserver;
    ObservationToken token = NotificationCenter::defaultCenter().addObserver(
        "TarnwickStyleFontsChangeNotification", nullptr,
        [&](const Notification&) { seenByObserver = StyleSheet::textFont(); });

    const Font text("Tahoma", 13, false, true);
    StyleSheet::changeStyleSheetFonts(std::nullopt, std::nullopt, std::nullopt, text, std::nullopt);

    EXPECT_EQ(notes.count, 1);
    EXPECT_EQ(notes.objects, std::vector<const void*>{nullptr});
    EXPECT_EQ(seenByObserver, text);
    EXPECT_EQ(StyleSheet::textFont(), text);
    EXPECT_EQ(StyleSheet::textFont().familyName(), "Tahoma");
    EXPECT_EQ(StyleSheet::mainBranchFont(), StyleSheet::defaultMainBranchFont());

    const std::array<Font, 5> fonts = currentFonts();
    for (size_t i = 0; i < userFontKeys.size(); ++i) {
        SCOPED_TRACE(userFontKeys[i]);
        EXPECT_EQ(fontForKey(defaults(), userFontKeys[i]), fonts[i]);
        EXPECT_EQ(defaults().stringForKey(userFontKeys[i]), fonts[i].description());
    }
}

TEST_F(StyleSheetTest, SeveralChangedFontsMakeOneAnnouncement)
{
    FontNotifications notes;
    StyleSheet::changeStyleSheetFonts(Font("Helvetica", 24, true), Font("Helvetica", 18), std::nullopt,
                                      StyleSheet::defaultTextFont(), Font("Helvetica", 10));
    EXPECT_EQ(notes.count, 1);
    EXPECT_EQ(StyleSheet::centralThemeFont(), Font("Helvetica", 24, true));
    EXPECT_EQ(StyleSheet::mainBranchFont(), Font("Helvetica", 18));
    EXPECT_EQ(StyleSheet::subBranchFont(), StyleSheet::defaultSubBranchFont());
    EXPECT_EQ(StyleSheet::outlineFont(), Font("Helvetica", 10));
}

TEST_F(StyleSheetTest, AFontDifferingOnlyInWeightIsAChange)
{
    FontNotifications notes;
    StyleSheet::changeStyleSheetFonts(std::nullopt, std::nullopt, std::nullopt, Font("Arial", 14, false, false, 3),
                                      std::nullopt);
    EXPECT_EQ(notes.count, 1);
    EXPECT_EQ(StyleSheet::textFont().weight(), 3);
}

TEST_F(StyleSheetTest, RestoringTheDefaultsAnnouncesOnlyARealChange)
{
    StyleSheet::changeStyleSheetFonts(std::nullopt, Font("DejaVu Serif", 17), std::nullopt, std::nullopt,
                                      std::nullopt);
    FontNotifications notes;
    StyleSheet::restoreDefaultFonts();
    EXPECT_EQ(notes.count, 1);
    EXPECT_EQ(currentFonts(), defaultFonts());
    EXPECT_EQ(fontForKey(defaults(), MainKey), StyleSheet::defaultMainBranchFont());
    StyleSheet::restoreDefaultFonts();
    EXPECT_EQ(notes.count, 1);
}

TEST_F(StyleSheetTest, TheAutoNumberFontIsNotAUserFont)
{
    const Font before = StyleSheet::autoNumberFont();
    StyleSheet::changeStyleSheetFonts(Font("DejaVu Serif", 40), Font("DejaVu Serif", 40), Font("DejaVu Serif", 40),
                                      Font("DejaVu Serif", 40), Font("DejaVu Serif", 40));
    EXPECT_EQ(StyleSheet::autoNumberFont(), before);
    EXPECT_EQ(before, Font("Arial", 12));
}

// ----- Loading the user fonts -----

TEST_F(StyleSheetTest, LoadingTakesTheStoredFontsQuietly)
{
    setFont(defaults(), Font("DejaVu Serif", 26, true), CentralKey);
    setFont(defaults(), Font("Tahoma", 8, false, true), OutlineKey);
    FontNotifications notes;
    StyleSheet::loadStyleSheetUserDefaults();
    EXPECT_EQ(notes.count, 0);
    EXPECT_EQ(StyleSheet::centralThemeFont(), Font("DejaVu Serif", 26, true));
    EXPECT_EQ(StyleSheet::outlineFont(), Font("Tahoma", 8, false, true));
    EXPECT_EQ(StyleSheet::mainBranchFont(), StyleSheet::defaultMainBranchFont());
    // Nothing was written for the fonts that were not stored.
    EXPECT_FALSE(defaults().hasUserValue(MainKey));
    EXPECT_FALSE(defaults().hasUserValue(SubKey));
    EXPECT_FALSE(defaults().hasUserValue(TextKey));
}

TEST_F(StyleSheetTest, AfterLoadingChangesAreAnnouncedAgain)
{
    setFont(defaults(), Font("DejaVu Serif", 26), SubKey);
    StyleSheet::loadStyleSheetUserDefaults();
    FontNotifications notes;
    StyleSheet::changeStyleSheetFonts(std::nullopt, std::nullopt, Font("DejaVu Serif", 27), std::nullopt,
                                      std::nullopt);
    EXPECT_EQ(notes.count, 1);
}

TEST_F(StyleSheetTest, LoadingWithNothingStoredKeepsTheCurrentFonts)
{
    StyleSheet::changeStyleSheetFonts(std::nullopt, Font("DejaVu Serif", 17), std::nullopt, std::nullopt,
                                      std::nullopt);
    for (const char* key : userFontKeys)
        defaults().removeObject(key);
    StyleSheet::loadStyleSheetUserDefaults();
    EXPECT_EQ(StyleSheet::mainBranchFont(), Font("DejaVu Serif", 17));
    EXPECT_FALSE(anyUserFontStored());
}

TEST_F(StyleSheetTest, UnusableStoredFontsAreIgnored)
{
    const std::vector<std::string> bad = {
        "",
        "Arial",
        "Arial Bold",
        "Arial 0",
        "Arial -12",
        "Arial nan",
        "Arial inf",
        "Arial 1e308",
        "Arial 1000.5",
        "Arial 0.5",
        "Arial 12pt",
        " 12",
        std::string(1 << 20, 'A'),
        "\xff\xfe\x80 garbage",
    };
    for (const std::string& text : bad) {
        SCOPED_TRACE(text.substr(0, 30));
        defaults().setString(MainKey, text);
        FontNotifications notes;
        StyleSheet::loadStyleSheetUserDefaults();
        EXPECT_EQ(StyleSheet::mainBranchFont(), StyleSheet::defaultMainBranchFont());
        EXPECT_EQ(notes.count, 0);
    }
}

TEST_F(StyleSheetTest, StoredValuesOfAnotherKindAreIgnored)
{
    defaults().setInteger(CentralKey, 12);
    defaults().setBool(MainKey, true);
    defaults().setDouble(SubKey, 14.0);
    defaults().setObject(TextKey, PropertyList(PropertyList::Array{PropertyList(std::string("Arial 14"))}));
    StyleSheet::loadStyleSheetUserDefaults();
    EXPECT_EQ(currentFonts(), defaultFonts());
}

TEST_F(StyleSheetTest, StoredSizesAtTheLimitsAreTaken)
{
    setFont(defaults(), Font("DejaVu Sans", 1), TextKey);
    setFont(defaults(), Font("DejaVu Sans", 1000), OutlineKey);
    StyleSheet::loadStyleSheetUserDefaults();
    EXPECT_EQ(StyleSheet::textFont().pointSize(), 1);
    EXPECT_EQ(StyleSheet::outlineFont().pointSize(), 1000);
}

TEST_F(StyleSheetTest, AMissingFamilyIsKeptByName)
{
    setFont(defaults(), Font("No Such Family 7f3a", 15, true), SubKey);
    StyleSheet::loadStyleSheetUserDefaults();
    EXPECT_EQ(StyleSheet::subBranchFont().familyName(), "No Such Family 7f3a");
    EXPECT_EQ(StyleSheet::defaultFontForLevel(5).familyName(), "No Such Family 7f3a");
}

TEST_F(StyleSheetTest, SavedFontsSurviveARestart)
{
    const Font odd("Arial, Bold", 11.5, false, true, 7);
    StyleSheet::changeStyleSheetFonts(odd, std::nullopt, std::nullopt, std::nullopt, std::nullopt);
    // Read back from the settings file, as the next process would.
    defaults().resetForTesting();
    EXPECT_EQ(fontForKey(defaults(), CentralKey), odd);
    EXPECT_EQ(fontForKey(defaults(), OutlineKey), StyleSheet::defaultOutlineFont());
}

} // namespace
