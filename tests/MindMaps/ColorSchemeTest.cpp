#include "MindMaps/ColorUtils.h"
#include "MindMaps/CustomColorScheme.h"
#include "MindMaps/MMColorScheme.h"
#include "MindMaps/PalletizedColorScheme.h"
#include "platform/Localizer.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr double kTolerance = 1e-9;

using Rgb = std::array<int, 3>;

void expectColor(const std::optional<Color>& color, double r, double g, double b, double a = 1.0)
{
    ASSERT_TRUE(color.has_value());
    EXPECT_NEAR(color->red(), r, kTolerance);
    EXPECT_NEAR(color->green(), g, kTolerance);
    EXPECT_NEAR(color->blue(), b, kTolerance);
    EXPECT_NEAR(color->alpha(), a, kTolerance);
}

void expectRgb(const std::optional<Color>& color, const Rgb& rgb, double a = 1.0)
{
    expectColor(color, rgb[0] / 255.0, rgb[1] / 255.0, rgb[2] / 255.0, a);
}

void expectTable(const std::vector<Color>& colors, const std::vector<Rgb>& table)
{
    ASSERT_EQ(colors.size(), table.size());
    for (size_t i = 0; i < table.size(); ++i) {
        SCOPED_TRACE("entry " + std::to_string(i));
        expectRgb(colors[i], table[i]);
    }
}

std::vector<Color> reducedStrokesOf(const std::vector<Rgb>& fills)
{
    std::vector<Color> strokes;
    for (const Rgb& rgb : fills)
        strokes.push_back(MMColorScheme::getReducedLuminanceStrokeColor(Color::rgb255(rgb[0], rgb[1], rgb[2])));
    return strokes;
}

// A small tree standing in for the map's topics: the effective colours are the customised ones
// where set, else the scheme's, as a topic has them.
struct FakeNode {
    FakeNode* parent = nullptr;
    std::vector<std::unique_ptr<FakeNode>> children;
    int64_t paletteInfo = 0;
    std::optional<Color> customFill;
    std::optional<Color> schemeFill = Color(1, 0.5, 0);
    std::optional<Color> schemeStroke = Color(0, 1, 1);
    std::optional<Color> schemeText = Color(0, 0, 0);

    FakeNode* addChild()
    {
        children.push_back(std::make_unique<FakeNode>());
        children.back()->parent = this;
        return children.back().get();
    }

    int64_t level() const { return parent ? parent->level() + 1 : 0; }
    std::optional<Color> fillColor() const { return customFill ? customFill : schemeFill; }
};

void applyToNode(MMColorScheme& scheme, FakeNode& node)
{
    ColorSchemeNodeState state;
    state.nodeLevel = node.level();
    state.paletteInfo = node.paletteInfo;
    if (node.parent) {
        for (const auto& sibling : node.parent->children) state.siblingPaletteInfos.push_back(sibling->paletteInfo);
        state.parentFillColor = node.parent->fillColor();
        state.parentStrokeColor = node.parent->schemeStroke;
        state.parentTextColor = node.parent->schemeText;
    }
    state.colorSchemeFillColor = node.schemeFill;
    state.colorSchemeStrokeColor = node.schemeStroke;
    state.colorSchemeTextColor = node.schemeText;
    scheme.applyDefaultNodeColors(state);
    node.paletteInfo = state.paletteInfo;
    node.schemeFill = state.colorSchemeFillColor;
    node.schemeStroke = state.colorSchemeStrokeColor;
    node.schemeText = state.colorSchemeTextColor;
}

// As a sheet applies itself: once per map, then every topic, parents first.
void applyToTree(MMColorScheme& scheme, FakeNode& root)
{
    scheme.beforeApplyingToDiagram();
    std::function<void(FakeNode&)> walk = [&](FakeNode& node) {
        applyToNode(scheme, node);
        for (auto& child : node.children) walk(*child);
    };
    walk(root);
}

const std::vector<Rgb> kBrightFills = {
    {193, 204, 255}, {255, 192, 180}, {255, 213, 149}, {255, 255, 192},
    {172, 255, 151}, {185, 241, 255}, {227, 185, 255},
};
const std::vector<Rgb> kBrightStrokes = {
    {0, 51, 255}, {255, 0, 0}, {255, 153, 0}, {234, 234, 0}, {51, 255, 0}, {0, 204, 255}, {153, 0, 255},
};

} // namespace

TEST(ColorSchemeRegistration, TenSchemesInRegistrationOrder)
{
    const auto schemes = MMColorScheme::createRegisteredSchemes();
    const std::vector<std::string> keys = {
        "bright-palette",  "soft-palette", "pastel-palette",  "gold-palette",  "gray-scale",
        "black-and-white", "chart-colors", "colors-on-black", "spring-levels", "aqua-levels",
    };
    const std::vector<std::string> descriptions = {
        "style_bright_colors", "style_soft_colors",     "style_pastel_colors", "style_golden_colors",
        "style_gray_scale",    "style_black_and_white", "style_chart",         "style_colors_on_black",
        "style_spring_levels", "style_aqua_levels",
    };
    ASSERT_EQ(schemes.size(), keys.size());
    for (size_t i = 0; i < keys.size(); ++i) {
        SCOPED_TRACE(keys[i]);
        ASSERT_TRUE(schemes[i]);
        EXPECT_EQ(schemes[i]->colorSchemeKeyName(), keys[i]);
        EXPECT_EQ(schemes[i]->description(), localized(descriptions[i]));
    }
    EXPECT_EQ(dynamic_cast<TransparentGrayScaleColorScheme*>(schemes[4].get()), nullptr);
    // The natural sheet's own scheme is not among the registered ones.
    MaterialStrokesColorScheme material;
    EXPECT_EQ(material.colorSchemeKeyName(), "material-strokes");
    EXPECT_EQ(material.description(), "Natural + Colors");
    EXPECT_EQ(material.paletteCount(), 11u);
}

TEST(ColorSchemePaletteTables, Bright)
{
    BrightPaletteColorScheme scheme;
    expectTable(scheme.fillColors(), kBrightFills);
    expectTable(scheme.strokeColors(), kBrightStrokes);
    expectColor(scheme.backgroundColor(), 1, 1, 1);
    expectColor(scheme.shadowColor(), 0.3, 0.3, 0.3, 0.3);
}

TEST(ColorSchemePaletteTables, GoldDerivesItsStrokesAndHasAWarmShadow)
{
    GoldPaletteColorScheme scheme;
    const std::vector<Rgb> fills = {
        {253, 246, 182}, {243, 231, 134}, {247, 221, 97}, {241, 207, 52},
        {225, 180, 85},  {206, 167, 52},  {199, 154, 45}, {181, 145, 40},
    };
    expectTable(scheme.fillColors(), fills);
    EXPECT_EQ(scheme.strokeColors(), reducedStrokesOf(fills));
    expectRgb(scheme.backgroundColor(), {253, 246, 182});
    expectRgb(scheme.shadowColor(), {75, 59, 25}, 0.3);
}

TEST(ColorSchemePaletteTables, SpringAndAquaLevels)
{
    SpringLevelsColorScheme spring;
    EXPECT_TRUE(spring.isLevelBased());
    expectTable(spring.fillColors(),
                {{140, 208, 255}, {197, 238, 154}, {236, 234, 153}, {255, 250, 215}, {255, 243, 214}});
    expectTable(spring.strokeColors(), {{84, 165, 182}, {98, 168, 28}, {164, 161, 30}, {234, 206, 0}, {255, 214, 121}});
    AquaLevelsColorScheme aqua;
    EXPECT_TRUE(aqua.isLevelBased());
    expectTable(aqua.fillColors(), {{2, 145, 194}, {91, 180, 227}, {199, 230, 248}, {221, 238, 247}, {237, 247, 252}});
    expectTable(aqua.strokeColors(), {{27, 80, 114}, {23, 98, 138}, {25, 134, 199}, {44, 140, 191}, {36, 154, 210}});
}

TEST(ColorSchemeGrayScale, SettingsAndStrokesByLevel)
{
    GrayScaleColorScheme scheme;
    EXPECT_EQ(scheme.fillColor(), normalizedWhiteColor());
    expectColor(scheme.level0Color(), 0.25, 0.25, 0.25);
    expectColor(scheme.level1Color(), 0.45, 0.45, 0.45);
    expectColor(scheme.levelnColor(), 0.7, 0.7, 0.7);
    expectColor(scheme.shadowColor(), 0.6, 0.6, 0.6, 0.3);
    EXPECT_EQ(scheme.strokeColorAtIndex(0), scheme.level0Color());
    EXPECT_EQ(scheme.strokeColorAtIndex(-3), scheme.levelnColor());
    EXPECT_EQ(scheme.fillColorAtIndex(40), normalizedWhiteColor());

    TransparentGrayScaleColorScheme transparent;
    EXPECT_EQ(transparent.colorSchemeKeyName(), "gray-scale");
    EXPECT_TRUE(transparent.fillColor().isNormalizedClearColor());
    ColorSchemeNodeState state;
    state.nodeLevel = 1;
    transparent.applyDefaultNodeColors(state);
    EXPECT_TRUE(isNormalizedClearColor(state.colorSchemeFillColor));
}

TEST(ColorSchemeChart, MaterialColoursForEveryTopicAndIndex)
{
    ChartColorScheme scheme;
    expectRgb(scheme.fillColor(), {232, 234, 246});
    expectRgb(scheme.strokeColor(), {63, 81, 181});
    expectRgb(scheme.fontColor(), {55, 71, 79});
    for (int64_t level : {0, 1, 4}) {
        ColorSchemeNodeState state;
        state.nodeLevel = level;
        scheme.applyDefaultNodeColors(state);
        EXPECT_EQ(state.colorSchemeFillColor, materialIndigo50());
        EXPECT_EQ(state.colorSchemeStrokeColor, materialIndigo500());
        EXPECT_EQ(state.colorSchemeTextColor, materialBlueGrey800());
        EXPECT_EQ(state.paletteInfo, 0);
    }
}

TEST(ColorSchemeRoundRobin, HandsOutOneToCountMinusOneAndSkipsEntryZero)
{
    BrightPaletteColorScheme scheme;
    scheme.beforeApplyingToDiagram();
    std::vector<int64_t> answers;
    for (int i = 0; i < 14; ++i) answers.push_back(scheme.getNextPaletteColor());
    EXPECT_EQ(answers, (std::vector<int64_t>{1, 2, 3, 4, 5, 6, 1, 2, 3, 4, 5, 6, 1, 2}));
    scheme.beforeApplyingToDiagram();
    EXPECT_EQ(scheme.getNextPaletteColor(), 1) << "restarts before each application";
}

TEST(ColorSchemeRoundRobin, EmptyPaletteAnswersZeroInsteadOfDividingByZero)
{
    CustomColorScheme scheme;
    EXPECT_EQ(scheme.getNextPaletteColor(), 0);
    EXPECT_EQ(scheme.getFirstUnusedPaletteColor({1, 2}), 0);
}

TEST(ColorSchemeFirstUnused, BranchesHoldingOneAndThreeLeaveTwo)
{
    BrightPaletteColorScheme scheme;
    scheme.beforeApplyingToDiagram();
    // Topics hold entries one-based: entries 1 and 3 are paletteInfo 2 and 4.
    EXPECT_EQ(scheme.getFirstUnusedPaletteColor({2, 4}), 2);
    // Entry 0 belongs to the central theme and is never handed out for a branch.
    EXPECT_EQ(scheme.getFirstUnusedPaletteColor({1}), 1);
    EXPECT_EQ(scheme.getFirstUnusedPaletteColor({0, -5, 8, 1000, INT64_MIN, INT64_MAX}), 1);
}

TEST(ColorSchemePaletteColouring, CentralThemeAndNineBranches)
{
    BrightPaletteColorScheme scheme;
    FakeNode root;
    for (int i = 0; i < 9; ++i) root.addChild();
    applyToTree(scheme, root);

    EXPECT_EQ(root.paletteInfo, 1);
    expectRgb(root.schemeFill, kBrightFills[0]);
    expectRgb(root.schemeStroke, kBrightStrokes[0]);
    EXPECT_EQ(root.schemeText, normalizedBlackColor());

    const std::vector<int64_t> expectedInfo = {2, 3, 4, 5, 6, 7, 2, 3, 4};
    for (size_t i = 0; i < 9; ++i) {
        SCOPED_TRACE("branch " + std::to_string(i));
        const FakeNode& branch = *root.children[i];
        EXPECT_EQ(branch.paletteInfo, expectedInfo[i]);
        const size_t entry = static_cast<size_t>(expectedInfo[i] - 1);
        expectRgb(branch.schemeFill, kBrightFills[entry]);
        expectRgb(branch.schemeStroke, kBrightStrokes[entry]);
    }
}

TEST(ColorSchemePaletteColouring, DeeperTopicsInheritTheirParentsEffectiveColours)
{
    BrightPaletteColorScheme scheme;
    FakeNode root;
    FakeNode* branch = root.addChild();
    branch->customFill = Color(1, 0, 0);
    FakeNode* sub = branch->addChild();
    FakeNode* subSub = sub->addChild();
    applyToTree(scheme, root);

    expectColor(sub->schemeFill, 1, 0, 0);
    expectRgb(sub->schemeStroke, kBrightStrokes[1]);
    EXPECT_EQ(sub->schemeText, normalizedBlackColor());
    expectColor(subSub->schemeFill, 1, 0, 0);
}

TEST(ColorSchemePaletteColouring, StoredEntriesBeyondThePaletteClampToTheLastEntry)
{
    BrightPaletteColorScheme scheme;
    FakeNode root;
    root.paletteInfo = 50;
    FakeNode* branch = root.addChild();
    branch->paletteInfo = INT64_MAX;
    applyToTree(scheme, root);
    EXPECT_EQ(root.paletteInfo, 50);
    EXPECT_EQ(branch->paletteInfo, INT64_MAX);
    expectRgb(root.schemeFill, kBrightFills[6]);
    expectRgb(branch->schemeStroke, kBrightStrokes[6]);
}

TEST(ColorSchemePaletteColouring, LevelBasedColoursByLevelAndKeepsEntries)
{
    BrightPaletteColorScheme bright;
    SpringLevelsColorScheme spring;
    FakeNode root;
    FakeNode* branchA = root.addChild();
    FakeNode* branchB = root.addChild();
    FakeNode* deep = branchB->addChild()->addChild()->addChild()->addChild()->addChild();
    applyToTree(bright, root);
    const auto fillA = branchA->schemeFill;
    const auto fillB = branchB->schemeFill;
    EXPECT_EQ(branchA->paletteInfo, 2);
    EXPECT_EQ(branchB->paletteInfo, 3);

    applyToTree(spring, root);
    EXPECT_EQ(branchA->paletteInfo, 2);
    EXPECT_EQ(branchB->paletteInfo, 3);
    // Level 6 is past the five levels: the last one.
    ASSERT_EQ(deep->level(), 6);
    expectRgb(deep->schemeFill, {255, 243, 214});
    expectRgb(deep->schemeStroke, {255, 214, 121});

    applyToTree(bright, root);
    EXPECT_EQ(branchA->schemeFill, fillA);
    EXPECT_EQ(branchB->schemeFill, fillB);
}

TEST(CustomColorSchemeTest, ValidateRepairsAnEmptyPalette)
{
    CustomColorScheme scheme;
    scheme.validate();
    ASSERT_EQ(scheme.paletteCount(), 2u);
    EXPECT_TRUE(scheme.isValid());
    for (int64_t i : {0, 1}) {
        EXPECT_EQ(scheme.fillColorAtIndex(i), normalizedWhiteColor());
        EXPECT_EQ(scheme.strokeColorAtIndex(i), normalizedBlackColor());
    }
}
