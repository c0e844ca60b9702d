#include "MindMaps/StyleSheet.h"

#include "MindMaps/MMColorScheme.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/PalletizedColorScheme.h"
#include "MindMaps/RelationStyle.h"
#include "MindMaps/StyleManager.h"
#include "MindMaps/TextStyle.h"
#include "Utils/UserDefaultsFont.h"
#include "platform/Localizer.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <utility>
#include <vector>

namespace {

// The user font slots, in the order of the change operation's arguments.
enum FontSlot : size_t { CentralThemeSlot, MainBranchSlot, SubBranchSlot, TextSlot, OutlineSlot, SlotCount };

const std::array<const char*, SlotCount> userFontKeys = {
    StyleSheet::CentralThemeUserFontKey, StyleSheet::MainBranchUserFontKey, StyleSheet::SubBranchUserFontKey,
    StyleSheet::TextUserFontKey,         StyleSheet::OutlineUserFontKey,
};

const char* const defaultFontFamily = "Arial";

struct UserFonts {
    std::array<std::optional<Font>, SlotCount> fonts;
    bool loading = false;
};

UserFonts& userFonts()
{
    static UserFonts state;
    return state;
}

// Marks the user fonts as being loaded for its lifetime: changes then neither notify nor write.
class LoadingGuard {
public:
    LoadingGuard() { userFonts().loading = true; }
    ~LoadingGuard() { userFonts().loading = false; }
    LoadingGuard(const LoadingGuard&) = delete;
    LoadingGuard& operator=(const LoadingGuard&) = delete;
};

Font defaultFontOfSlot(size_t slot)
{
    switch (slot) {
    case CentralThemeSlot:
        return StyleSheet::defaultCentralThemeFont();
    case MainBranchSlot:
        return StyleSheet::defaultMainBranchFont();
    case SubBranchSlot:
        return StyleSheet::defaultSubBranchFont();
    case TextSlot:
        return StyleSheet::defaultTextFont();
    default:
        return StyleSheet::defaultOutlineFont();
    }
}

const Font& currentFont(size_t slot)
{
    std::optional<Font>& font = userFonts().fonts[slot];
    if (!font) font = defaultFontOfSlot(slot);
    return *font;
}

// A stored font that would make topics unreadable or impossible to lay out is not taken.
std::optional<Font> usableStoredFont(const std::string& key)
{
    std::optional<Font> font = fontForKey(UserDefaults::standard(), key);
    if (!font) return std::nullopt;
    const double size = font->pointSize();
    if (!std::isfinite(size) || size < StyleSheet::MinUserFontSize || size > StyleSheet::MaxUserFontSize)
        return std::nullopt;
    return font;
}

// What the scheme reads of the topic: its level and palette entry, its current scheme colours,
// for a main branch the palette entries its siblings use, and below the central theme the
// parent's effective colours (its customised ones included, so that a recoloured branch stays one
// colour).
ColorSchemeNodeState schemeStateOfNode(const MindMapNode& node, int64_t nodeLevel, const MMColorScheme& scheme)
{
    ColorSchemeNodeState state;
    state.nodeLevel = nodeLevel;
    state.paletteInfo = node.paletteInfo();
    state.colorSchemeFillColor = node.colorSchemeFillColor();
    state.colorSchemeStrokeColor = node.colorSchemeStrokeColor();
    state.colorSchemeTextColor = node.colorSchemeTextColor();
    if (const MindMapNode* parent = node.parent()) {
        // Only a main branch without an entry looks at its siblings' entries, and only at those
        // the palette has. The parent keeps count of its children's entries: a central theme may
        // have tens of thousands of main branches, and walking them all for each one would make
        // styling them quadratic.
        const int64_t entries = static_cast<int64_t>(scheme.paletteCount());
        const std::map<int64_t, size_t>* used = parent->childPaletteInfoCounts();
        if (state.nodeLevel == 1 && state.paletteInfo <= 0 && entries > 0 && used) {
            for (auto entry = used->lower_bound(1); entry != used->end() && entry->first <= entries; ++entry)
                state.siblingPaletteInfos.push_back(entry->first);
        }
        state.parentFillColor = parent->fillColor();
        state.parentStrokeColor = parent->strokeColor();
        state.parentTextColor = parent->textColor();
    }
    return state;
}

// Stores back the palette entry and the three scheme colours the scheme chose.
void storeSchemeStateInNode(MindMapNode& node, const ColorSchemeNodeState& state)
{
    node.setPaletteInfo(state.paletteInfo);
    if (state.colorSchemeFillColor) node.setColorSchemeFillColor(*state.colorSchemeFillColor);
    if (state.colorSchemeStrokeColor) node.setColorSchemeStrokeColor(*state.colorSchemeStrokeColor);
    if (state.colorSchemeTextColor) node.setColorSchemeTextColor(*state.colorSchemeTextColor);
}

} // namespace

StyleSheet::StyleSheet() = default;

StyleSheet::StyleSheet(const std::string& key, const std::string& colorKey) : _key(key)
{
    std::shared_ptr<MMColorScheme> scheme = StyleManager::styleManager().getColorSchemeOnKey(colorKey);
    if (scheme) {
        _description = scheme->description();
        setTextColor(scheme->fontColor());
    }
    setColorScheme(std::move(scheme));
}

StyleSheet::~StyleSheet() = default;

bool StyleSheet::isCustomStyle() const
{
    return false;
}

int32_t StyleSheet::lineStyle() const
{
    return parentRelationStyle()->lineStyle();
}

void StyleSheet::setLineStyle(int32_t lineStyle)
{
    UpdateGuard batch(*this);
    parentRelationStyle()->setLineStyle(lineStyle);
    crossLinkStyle()->deriveCrossLinkLineStyle(lineStyle, true);
}

void StyleSheet::setBorderStyle(int32_t borderStyle)
{
    nodeStyle()->setBorderStyle(borderStyle);
}

void StyleSheet::setTextColor(const std::optional<Color>& color)
{
    textStyle()->setTextColor(color);
}

Color StyleSheet::backgroundColor() const
{
    return _colorScheme ? _colorScheme->backgroundColor() : MindMapStyle::backgroundColor();
}

void StyleSheet::applyDefaultNodeFont(MindMapNode* node)
{
    if (node) node->setStyleSheetFont(defaultFontForLevel(node->nodeLevel()));
}

void StyleSheet::applyDefaultNodeStyle(MindMapNode* node)
{
    if (node) applyDefaultNodeStyleAtLevel(*node, node->nodeLevel());
}

void StyleSheet::applyDefaultNodeStyleAtLevel(MindMapNode& node, int64_t nodeLevel)
{
    if (_colorScheme) {
        ColorSchemeNodeState state = schemeStateOfNode(node, nodeLevel, *_colorScheme);
        _colorScheme->applyDefaultNodeColors(state);
        storeSchemeStateInNode(node, state);
    }
    node.setStyleSheetFont(defaultFontForLevel(nodeLevel));
}

void StyleSheet::applyStyleToDiagram(MindMap& mindMap)
{
    MindMap::UpdateGuard update(mindMap);
    // A change of the base's topic style makes the map restyle its topics right away, inside the
    // assignment; that pass must not start from a round robin that another map (the schemes are
    // shared) left part way round.
    if (_colorScheme) _colorScheme->beforeApplyingToDiagram();
    if (MindMapStyle* base = mindMap.defaultStyle()) base->assign(this);
    if (_colorScheme) _colorScheme->beforeApplyingToDiagram();
    // A copy: restyling must not be disturbed by a listener that changes the map.
    const std::vector<MindMapNode*> centralThemes = mindMap.centralThemes();
    for (MindMapNode* centralTheme : centralThemes) applyStyleToSubTree(centralTheme);
}

void StyleSheet::applyStyleToSubTree(MindMapNode* node)
{
    if (!node) return;
    // Walked with a list of its own rather than by recursion, so that a branch read from a
    // document, however deep, cannot exhaust the stack; each level is counted once on the way
    // down instead of by climbing to the root from every topic.
    std::vector<std::pair<MindMapNode*, int64_t>> pending{{node, node->nodeLevel()}};
    while (!pending.empty()) {
        const auto [current, level] = pending.back();
        pending.pop_back();
        applyDefaultNodeStyleAtLevel(*current, level);
        const std::vector<MindMapNode*>& children = current->children();
        for (auto child = children.rbegin(); child != children.rend(); ++child) pending.emplace_back(*child, level + 1);
    }
}

std::string StyleSheet::description() const
{
    return _description;
}

void StyleSheet::setDescription(const std::string& description)
{
    _description = description;
}

void StyleSheet::setColorScheme(std::shared_ptr<MMColorScheme> colorScheme)
{
    if (_colorScheme == colorScheme) return;
    _colorScheme = std::move(colorScheme);
}

// User fonts

Font StyleSheet::centralThemeFont()
{
    return currentFont(CentralThemeSlot);
}

Font StyleSheet::mainBranchFont()
{
    return currentFont(MainBranchSlot);
}

Font StyleSheet::subBranchFont()
{
    return currentFont(SubBranchSlot);
}

Font StyleSheet::textFont()
{
    return currentFont(TextSlot);
}

Font StyleSheet::outlineFont()
{
    return currentFont(OutlineSlot);
}

Font StyleSheet::defaultCentralThemeFont()
{
    return Font(defaultFontFamily, 20, true);
}

Font StyleSheet::defaultMainBranchFont()
{
    return Font(defaultFontFamily, 16, true);
}

Font StyleSheet::defaultSubBranchFont()
{
    return Font(defaultFontFamily, 14, true);
}

Font StyleSheet::defaultTextFont()
{
    return Font(defaultFontFamily, 14);
}

Font StyleSheet::defaultOutlineFont()
{
    return Font(defaultFontFamily, 9);
}

Font StyleSheet::autoNumberFont()
{
    static const Font font(defaultFontFamily, 12);
    return font;
}

Font StyleSheet::defaultFontForLevel(int64_t nodeLevel)
{
    if (nodeLevel <= 0) return centralThemeFont();
    if (nodeLevel == 1) return mainBranchFont();
    return subBranchFont();
}

void StyleSheet::changeStyleSheetFonts(const std::optional<Font>& centralTheme, const std::optional<Font>& mainBranch,
                                       const std::optional<Font>& subBranch, const std::optional<Font>& text,
                                       const std::optional<Font>& outline)
{
    const std::array<const std::optional<Font>*, SlotCount> requested = {&centralTheme, &mainBranch, &subBranch, &text,
                                                                         &outline};
    bool changed = false;
    for (size_t slot = 0; slot < SlotCount; ++slot) {
        const std::optional<Font>& font = *requested[slot];
        if (font && !(*font == currentFont(slot))) {
            userFonts().fonts[slot] = *font;
            changed = true;
        }
    }
    if (!changed || userFonts().loading) return;
    NotificationCenter::defaultCenter().post(FontsChangeNotification, nullptr);
    saveStyleSheetUserDefaults();
}

void StyleSheet::restoreDefaultFonts()
{
    changeStyleSheetFonts(defaultCentralThemeFont(), defaultMainBranchFont(), defaultSubBranchFont(), defaultTextFont(),
                          defaultOutlineFont());
}

void StyleSheet::loadStyleSheetUserDefaults()
{
    std::array<std::optional<Font>, SlotCount> stored;
    for (size_t slot = 0; slot < SlotCount; ++slot) stored[slot] = usableStoredFont(userFontKeys[slot]);
    LoadingGuard loading;
    changeStyleSheetFonts(stored[CentralThemeSlot], stored[MainBranchSlot], stored[SubBranchSlot], stored[TextSlot],
                          stored[OutlineSlot]);
}

void StyleSheet::saveStyleSheetUserDefaults()
{
    UserDefaults& defaults = UserDefaults::standard();
    for (size_t slot = 0; slot < SlotCount; ++slot) setFont(defaults, currentFont(slot), userFontKeys[slot]);
}

// Built-in sheets

BrightPaletteStyle::BrightPaletteStyle() : StyleSheet("system.bright-palette", "bright-palette")
{
    setBorderStyle(1);
    setLineStyle(0);
}

SoftPaletteStyle::SoftPaletteStyle() : StyleSheet("system.soft-palette", "soft-palette")
{
    setBorderStyle(1);
    setLineStyle(0);
}

SoftColorsLeftRightStyle::SoftColorsLeftRightStyle() : StyleSheet("system.soft-palette-left-right", "soft-palette")
{
    setBorderStyle(1);
    setLineStyle(0);
    setConnectionStyle(2);
    setDescription(localized("style_soft_colors_left_right"));
}

NaturalMaterialColorsStyle::NaturalMaterialColorsStyle()
    : StyleSheet("system.natural-material-colors", "bright-palette")
{
    setColorScheme(std::make_shared<MaterialStrokesColorScheme>());
    setBorderStyle(NodeStyle::NoBorder);
    setLineStyle(9);
    parentRelationStyle()->setLineWidth(2.0);
    parentRelationStyle()->setPropCustomized(RelationStyle::LineWidthMask, true);
    setConnectionStyle(1);
    setDescription(localized("style_natural_colors"));
}

SpringLevelBasedStyle::SpringLevelBasedStyle() : StyleSheet("system.spring-levels", "spring-levels")
{
    setBorderStyle(2);
    setLineStyle(0);
}

AquaLevelBasedStyle::AquaLevelBasedStyle() : StyleSheet("system.aqua-levels", "aqua-levels")
{
    setBorderStyle(1);
    setLineStyle(0);
}

ColorsOnBlackPaletteStyle::ColorsOnBlackPaletteStyle() : StyleSheet("system.colors-on-black-palette", "colors-on-black")
{
    setBorderStyle(1);
    setLineStyle(0);
}

ChartBaseStyle::ChartBaseStyle() : StyleSheet("system.basic-chart", "chart-colors")
{
    setBorderStyle(0);
    setLineStyle(3);
    for (const std::shared_ptr<RelationStyle>& relation : {parentRelationStyle(), crossLinkStyle()}) {
        relation->setRelationPathStyle(1);
        relation->setTargetArrowStyle(1);
    }
}

CompactGrayScaleStyle::CompactGrayScaleStyle() : StyleSheet("system.compact-gray-scale", "gray-scale")
{
    setColorScheme(std::make_shared<TransparentGrayScaleColorScheme>());
    setBorderStyle(NodeStyle::NoBorder);
    setLineStyle(3);
    setDescription(localized("style_compact_gray_scale"));
}

NaturalGrayScaleStyle::NaturalGrayScaleStyle() : StyleSheet("system.natural-gray-scale", "gray-scale")
{
    setColorScheme(std::make_shared<TransparentGrayScaleColorScheme>());
    setBorderStyle(NodeStyle::NoBorder);
    setLineStyle(3);
    setConnectionStyle(1);
    setDescription(localized("style_natural_gray_scale"));
}

PastelPaletteStyle::PastelPaletteStyle() : StyleSheet("system.pastel-palette", "pastel-palette")
{
    setBorderStyle(2);
    setLineStyle(2);
}

GoldPaletteStyle::GoldPaletteStyle() : StyleSheet("system.gold-palette", "gold-palette")
{
    setBorderStyle(1);
    setLineStyle(0);
}

GrayScaleStyle::GrayScaleStyle() : StyleSheet("system.gray-scale", "gray-scale")
{
    setBorderStyle(2);
    setLineStyle(0);
}

BlackAndWhiteStyle::BlackAndWhiteStyle() : StyleSheet("system.black-and-white", "black-and-white")
{
    setBorderStyle(2);
    setLineStyle(0);
}
