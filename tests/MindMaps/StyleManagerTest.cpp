#include "MindMaps/StyleManager.h"

#include "MindMaps/ColorUtils.h"
#include "MindMaps/CustomColorScheme.h"
#include "MindMaps/MMColorScheme.h"
#include "MindMaps/MindMapStyle.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/PalletizedColorScheme.h"
#include "MindMaps/RelationStyle.h"
#include "MindMaps/StyleSheet.h"
#include "MindMaps/TextStyle.h"
#include "Utils/UserDefaultsFont.h"
#include "platform/Localizer.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <typeinfo>
#include <utility>
#include <vector>

namespace {

const std::array<const char*, 5> userFontKeys = {
    "CentralThemeNormalizedUserFontKeyName", "MainBranchNormalizedUserFontKeyName",
    "SubBranchNormalizedUserFontKeyName",    "TextNormalizedUserFontKeyName",
    "OutlineNormalizedUserFontKeyName",
};

// Own user defaults, default user fonts and a fresh style manager for every test.
class StyleManagerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        UserDefaults::standard().resetForTesting();
        StyleSheet::restoreDefaultFonts();
        for (const char* key : userFontKeys) UserDefaults::standard().removeObject(key);
        StyleManager::releaseStyleManagerInstance();
    }

    void TearDown() override
    {
        StyleManager::releaseStyleManagerInstance();
        StyleSheet::restoreDefaultFonts();
        UserDefaults::standard().resetForTesting();
    }

    static StyleManager& manager() { return StyleManager::styleManager(); }

    TempDir _config;
    ScopedEnvironment _configHome{"XDG_CONFIG_HOME", _config.path()};
};

std::shared_ptr<StyleSheet> newSheet(const std::string& key)
{
    struct KeyedSheet : StyleSheet {
        explicit KeyedSheet(const std::string& key) { setStyleKeyName(key); }
    };
    return std::make_shared<KeyedSheet>(key);
}

struct BuiltInSheet {
    const char* key;
    std::function<bool(const StyleSheet&)> isOfClass;
    const char* schemeKey;
    bool ownScheme; // a scheme object of the sheet's own instead of the registered one
    int32_t borderStyle;
    int32_t lineStyle;
    int32_t crossLinkLineStyle;
    int32_t crossLinkTargetArrow;
    int32_t pathStyle; // of both relation styles
    int32_t parentTargetArrow;
    int32_t connectionStyle;
    double parentLineWidth;
    bool parentLineWidthCustomized;
    double crossLinkLineWidth;
    const char* descriptionKey;
    Color background;
    Color textColor;
};

template <typename T> std::function<bool(const StyleSheet&)> ofClass()
{
    return [](const StyleSheet& sheet) { return typeid(sheet) == typeid(T); };
}

std::vector<BuiltInSheet> builtInSheets()
{
    const Color white = normalizedWhiteColor();
    const Color black = normalizedBlackColor();
    return {
        {"system.bright-palette", ofClass<BrightPaletteStyle>(), "bright-palette", false, 1, 0, 4, 1, 0, 0, 0, 3.0,
         false, 3.0, "style_bright_colors", white, black},
        {"system.soft-palette", ofClass<SoftPaletteStyle>(), "soft-palette", false, 1, 0, 4, 1, 0, 0, 0, 3.0, false,
         3.0, "style_soft_colors", white, black},
        {"system.soft-palette-left-right", ofClass<SoftColorsLeftRightStyle>(), "soft-palette", false, 1, 0, 4, 1, 0, 0,
         2, 3.0, false, 3.0, "style_soft_colors_left_right", white, black},
        {"system.natural-material-colors", ofClass<NaturalMaterialColorsStyle>(), "material-strokes", true, 7, 9, 4, 1,
         0, 0, 1, 2.0, true, 3.0, "style_natural_colors", white, black},
        {"system.spring-levels", ofClass<SpringLevelBasedStyle>(), "spring-levels", false, 2, 0, 4, 1, 0, 0, 0, 3.0,
         false, 3.0, "style_spring_levels", white, black},
        {"system.aqua-levels", ofClass<AquaLevelBasedStyle>(), "aqua-levels", false, 1, 0, 4, 1, 0, 0, 0, 3.0, false,
         3.0, "style_aqua_levels", white, black},
        {"system.colors-on-black-palette", ofClass<ColorsOnBlackPaletteStyle>(), "colors-on-black", false, 1, 0, 4, 1,
         0, 0, 0, 3.0, false, 3.0, "style_colors_on_black", black, white},
        {"system.basic-chart", ofClass<ChartBaseStyle>(), "chart-colors", false, 0, 3, 6, 1, 1, 1, 0, 1.7, false, 2.0,
         "style_chart", white, materialBlueGrey800()},
        {"system.compact-gray-scale", ofClass<CompactGrayScaleStyle>(), "gray-scale", true, 7, 3, 6, 1, 0, 0, 0, 1.7,
         false, 2.0, "style_compact_gray_scale", white, black},
        {"system.natural-gray-scale", ofClass<NaturalGrayScaleStyle>(), "gray-scale", true, 7, 3, 6, 1, 0, 0, 1, 1.7,
         false, 2.0, "style_natural_gray_scale", white, black},
        {"system.pastel-palette", ofClass<PastelPaletteStyle>(), "pastel-palette", false, 2, 2, 5, 3, 0, 0, 0, 4.5,
         false, 4.5, "style_pastel_colors", Color::rgb255(255, 248, 220), black},
        {"system.gold-palette", ofClass<GoldPaletteStyle>(), "gold-palette", false, 1, 0, 4, 1, 0, 0, 0, 3.0, false,
         3.0, "style_golden_colors", Color::rgb255(253, 246, 182), black},
        {"system.gray-scale", ofClass<GrayScaleStyle>(), "gray-scale", false, 2, 0, 4, 1, 0, 0, 0, 3.0, false, 3.0,
         "style_gray_scale", white, black},
        {"system.black-and-white", ofClass<BlackAndWhiteStyle>(), "black-and-white", false, 2, 0, 4, 1, 0, 0, 0, 3.0,
         false, 3.0, "style_black_and_white", white, black},
    };
}

TEST_F(StyleManagerTest, FourteenBuiltInSheetsInTableOrderWithTheirSchemesAndSettings)
{
    const std::vector<BuiltInSheet> table = builtInSheets();
    ASSERT_EQ(manager().getCount(), 14u);
    EXPECT_EQ(manager().getStyleAtIndex(14), nullptr);
    for (size_t i = 0; i < table.size(); ++i) {
        const BuiltInSheet& expected = table[i];
        SCOPED_TRACE(expected.key);
        const std::shared_ptr<StyleSheet> sheet = manager().getStyleAtIndex(i);
        ASSERT_TRUE(sheet && sheet->colorScheme());
        EXPECT_EQ(sheet->styleKeyName(), expected.key);
        EXPECT_TRUE(expected.isOfClass(*sheet));
        EXPECT_FALSE(sheet->isCustomStyle());
        EXPECT_EQ(sheet->description(), localized(expected.descriptionKey));

        EXPECT_EQ(sheet->colorScheme()->colorSchemeKeyName(), expected.schemeKey);
        if (expected.ownScheme) {
            for (const auto& registered : manager().colorSchemes()) EXPECT_NE(sheet->colorScheme(), registered);
        } else {
            EXPECT_EQ(sheet->colorScheme(), manager().getColorSchemeOnKey(expected.schemeKey));
        }

        EXPECT_EQ(sheet->nodeStyle()->borderStyle(), expected.borderStyle);
        EXPECT_EQ(sheet->lineStyle(), expected.lineStyle);
        EXPECT_EQ(sheet->parentRelationStyle()->lineStyle(), expected.lineStyle);
        EXPECT_EQ(sheet->parentRelationStyle()->relationPathStyle(), expected.pathStyle);
        EXPECT_EQ(sheet->parentRelationStyle()->targetArrowStyle(), expected.parentTargetArrow);
        EXPECT_DOUBLE_EQ(sheet->parentRelationStyle()->lineWidth(), expected.parentLineWidth);
        EXPECT_EQ(sheet->parentRelationStyle()->customizedProps(),
                  expected.parentLineWidthCustomized ? RelationStyle::LineWidthMask : 0u);
        EXPECT_EQ(sheet->crossLinkStyle()->lineStyle(), expected.crossLinkLineStyle);
        EXPECT_EQ(sheet->crossLinkStyle()->relationPathStyle(), expected.pathStyle);
        EXPECT_EQ(sheet->crossLinkStyle()->targetArrowStyle(), expected.crossLinkTargetArrow);
        EXPECT_DOUBLE_EQ(sheet->crossLinkStyle()->lineWidth(), expected.crossLinkLineWidth);
        EXPECT_EQ(sheet->connectionStyle(), expected.connectionStyle);
        EXPECT_EQ(sheet->backgroundColor(), expected.background);
        EXPECT_EQ(sheet->textStyle()->textColor(), expected.textColor);

        // The settings are the sheet's own values: nothing but the natural sheet's width is marked.
        EXPECT_EQ(sheet->customizedProps(), 0u);
        EXPECT_EQ(sheet->nodeStyle()->customizedProps(), 0u);
    }
}

TEST_F(StyleManagerTest, UnknownOrEmptyKeysAnswerTheFallbackOrNothing)
{
    const auto bright = manager().getStyleAtIndex(0);
    for (const std::string& key : {std::string(), std::string("system.gold-palette "), std::string(70000, 'k'),
                                   std::string("system.gold-palette\0x", 21)}) {
        SCOPED_TRACE(key.substr(0, 40));
        EXPECT_EQ(manager().indexOfStyleKey(key), StyleManager::NotFound);
        EXPECT_EQ(manager().getStyleOnKey(key, false), nullptr);
        EXPECT_EQ(manager().getStyleOnKey(key, true), bright);
    }
    EXPECT_EQ(bright->styleKeyName(), "system.bright-palette");
    EXPECT_EQ(StyleManager::NotFound, -1);
}

TEST_F(StyleManagerTest, DefaultSheetIsTheBrightPaletteUntilSetOtherwise)
{
    const auto first = manager().defaultStyle();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->styleKeyName(), "system.bright-palette");
    const auto gold = manager().getStyleOnKey("system.gold-palette", false);
    manager().setDefaultStyle(gold);
    EXPECT_EQ(manager().defaultStyle(), gold);

    manager().setDefaultStyle(newSheet("stray")); // an unregistered sheet cannot become the default
    EXPECT_EQ(manager().defaultStyle(), gold);

    const auto custom = newSheet("Mine"); // removing the default chooses the fallback again
    manager().registerStyle(custom);
    manager().setDefaultStyle(custom);
    manager().unregisterStyle(custom.get());
    EXPECT_EQ(manager().defaultStyle(), first);
}

TEST_F(StyleManagerTest, UnregisteringKeepsTheSheetAliveForItsObservers)
{
    auto sheet = newSheet("Leaving");
    std::weak_ptr<StyleSheet> watch = sheet;
    manager().registerStyle(sheet);
    const StyleSheet* address = sheet.get();
    sheet.reset();

    std::string keySeen;
    int64_t indexSeen = 0;
    ObservationToken token = NotificationCenter::defaultCenter().addObserver(
        "styleSheetRemovedNotification", address, [&](const Notification& note) {
            const auto* removed = static_cast<const StyleSheet*>(note.object);
            keySeen = removed->styleKeyName();
            indexSeen = manager().indexOfStyleKey("Leaving");
        });
    manager().unregisterStyle(address);

    EXPECT_EQ(keySeen, "Leaving");
    EXPECT_EQ(indexSeen, StyleManager::NotFound);
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(manager().getCount(), 14u);
}

} // namespace
