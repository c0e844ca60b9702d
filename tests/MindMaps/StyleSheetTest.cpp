#include "MindMaps/StyleSheet.h"

#include "ElementStyleTestSupport.h"
#include "MindMaps/ColorUtils.h"
#include "MindMaps/CustomColorScheme.h"
#include "MindMaps/MMColorScheme.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/PalletizedColorScheme.h"
#include "MindMaps/RelationStyle.h"
#include "MindMaps/StyleManager.h"
#include "MindMaps/TextStyle.h"
#include "Utils/UserDefaultsFont.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "support/ScopedEnvironment.h"
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
    ObservationToken token = NotificationCenter::defaultCenter().addObserver("TarnwickStyleFontsChangeNotification",
                                                                             nullptr, [this](const Notification& note) {
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

// Own user defaults, default user fonts and a fresh style manager for every test.
class StyleSheetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        defaults().resetForTesting();
        StyleSheet::restoreDefaultFonts();
        for (const char* key : userFontKeys) defaults().removeObject(key);
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

std::shared_ptr<StyleSheet> sheetOf(const std::string& key)
{
    return StyleManager::styleManager().getStyleOnKey(key, false);
}

// A map with one central theme and the given number of main branches.
struct SmallMap {
    MindMap map;
    MindMapNode* theme = nullptr;
    std::vector<MindMapNode*> branches;

    explicit SmallMap(size_t branchCount)
    {
        theme = map.internalAddCentralTheme("Theme");
        for (size_t i = 0; i < branchCount; ++i) branches.push_back(addChild(theme));
    }

    MindMapNode* addChild(MindMapNode* parent)
    {
        return map.addMindMapNodeAsChild(parent, Point{parent->location().x + 100, parent->location().y});
    }
};

const PalletizedColorScheme& brightScheme()
{
    return dynamic_cast<const PalletizedColorScheme&>(*sheetOf("system.bright-palette")->colorScheme());
}

TEST_F(StyleSheetTest, PaletteChoicesDoNotDependOnWhatOtherMapsDidBefore)
{
    SmallMap tree(9);
    tree.map.assignStyleSheet(sheetOf("system.gray-scale"));
    for (MindMapNode* branch : tree.branches) branch->setPaletteInfo(0);
    // Another map's branches have moved the shared scheme's round robin on.
    auto& shared = const_cast<PalletizedColorScheme&>(brightScheme());
    shared.getNextPaletteColor();
    shared.getNextPaletteColor();

    tree.map.assignStyleSheet(sheetOf("system.bright-palette"));
    const std::vector<int64_t> expected = {2, 3, 4, 5, 6, 7, 2, 3, 4};
    for (size_t i = 0; i < tree.branches.size(); ++i) EXPECT_EQ(tree.branches[i]->paletteInfo(), expected[i]) << i;
}

TEST_F(StyleSheetTest, AVeryDeepBranchIsStyledWithoutExhaustingTheStack)
{
    // Built from the bottom up, outside any map, so that making it stays cheap.
    constexpr size_t depth = 100000;
    std::vector<std::unique_ptr<MindMapNode>> chain;
    chain.reserve(depth);
    for (size_t i = 0; i < depth; ++i) chain.push_back(std::make_unique<MindMapNode>(nullptr));
    for (size_t i = depth - 1; i > 0; --i) chain[i]->linkToParent(chain[i - 1].get());
    ASSERT_EQ(chain[3]->nodeLevel(), 3);

    StyleSheet sheet("deep", "bright-palette");
    sheet.applyStyleToSubTree(chain[0].get());
    EXPECT_EQ(chain[0]->styleSheetFont(), StyleSheet::centralThemeFont());
    EXPECT_EQ(chain[1]->styleSheetFont(), StyleSheet::mainBranchFont());
    EXPECT_EQ(chain.back()->styleSheetFont(), StyleSheet::subBranchFont());
    // Every deeper topic wears its main branch's colour.
    EXPECT_EQ(chain.back()->colorSchemeFillColor(), chain[1]->colorSchemeFillColor());
    EXPECT_EQ(chain.back()->paletteInfo(), 0);
}

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

TEST_F(StyleSheetTest, UnusableStoredFontsAreIgnored)
{
    const std::vector<std::string> bad = {
        "", "Arial 0", "Arial nan", std::string(1 << 20, 'A'), "\xff\xfe\x80 garbage",
    };
    setFont(defaults(), Font("DejaVu Sans", 1), TextKey);               // sizes at the limits are taken
    setFont(defaults(), Font("No Such Family 7f3a", 1000), OutlineKey); // a missing family is kept
    StyleSheet::loadStyleSheetUserDefaults();
    EXPECT_EQ(StyleSheet::textFont().pointSize(), 1);
    EXPECT_EQ(StyleSheet::outlineFont(), Font("No Such Family 7f3a", 1000));
    for (const std::string& text : bad) {
        SCOPED_TRACE(text.substr(0, 30));
        defaults().setString(MainKey, text);
        FontNotifications notes;
        StyleSheet::loadStyleSheetUserDefaults();
        EXPECT_EQ(StyleSheet::mainBranchFont(), StyleSheet::defaultMainBranchFont());
        EXPECT_EQ(notes.count, 0);
    }
}

TEST_F(StyleSheetTest, AChangedFontIsAnnouncedOnceAndAllFiveAreSaved)
{
    EXPECT_EQ(currentFonts(), defaultFonts());
    FontNotifications notes;
    const Font text("Tahoma", 13, false, true);
    StyleSheet::changeStyleSheetFonts(Font("Helvetica", 24, true), std::nullopt, std::nullopt, text, std::nullopt);
    EXPECT_EQ(notes.count, 1) << "several changed fonts, one announcement";
    EXPECT_EQ(StyleSheet::textFont(), text);
    const std::array<Font, 5> fonts = currentFonts();
    for (size_t i = 0; i < userFontKeys.size(); ++i)
        EXPECT_EQ(fontForKey(defaults(), userFontKeys[i]), fonts[i]) << userFontKeys[i];
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
