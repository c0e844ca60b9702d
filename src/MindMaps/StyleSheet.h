#pragma once

#include "MindMaps/MindMapStyle.h"
#include "platform/Color.h"
#include "platform/Font.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class MMColorScheme;
class MindMap;
class MindMapNode;

// A named, complete map style: a root map style with a key, a description for menus and a colour
// scheme. A map refers to one sheet by its key; applying the sheet copies it into the map's base
// style and gives every topic its scheme colours and the font of its level.
//
// The class side keeps the five user fonts (central theme, main branch, sub branch, free text,
// outline) and writes them to the user defaults under the *UserFontKeyName keys below.
class StyleSheet : public MindMapStyle {
public:
    static constexpr const char* CentralThemeUserFontKey = "CentralThemeNormalizedUserFontKeyName";
    static constexpr const char* MainBranchUserFontKey = "MainBranchNormalizedUserFontKeyName";
    static constexpr const char* SubBranchUserFontKey = "SubBranchNormalizedUserFontKeyName";
    static constexpr const char* TextUserFontKey = "TextNormalizedUserFontKeyName";
    static constexpr const char* OutlineUserFontKey = "OutlineNormalizedUserFontKeyName";

    // Posted on the default notification centre, with no object, when the user fonts change.
    static constexpr const char* FontsChangeNotification = "TarnwickStyleFontsChangeNotification";

    // A stored user font outside these sizes is ignored: such a font would make every topic
    // unreadable or too large to lay out.
    static constexpr double MinUserFontSize = 1.0;
    static constexpr double MaxUserFontSize = 1000.0;

    // A root map style with no key and no colour scheme.
    StyleSheet();
    // A root map style keyed by key, with the style manager's colour scheme registered under
    // colorKey (its first scheme when there is none), that scheme's description and its font
    // colour as the free texts' colour.
    StyleSheet(const std::string& key, const std::string& colorKey);
    ~StyleSheet() override;

    const std::string& styleKeyName() const { return _key; }
    virtual bool isCustomStyle() const;

    // The parent relations' line style.
    int32_t lineStyle() const;
    // Sets the parent relations' line style and gives the cross links the line and the default
    // arrow that go with it.
    void setLineStyle(int32_t lineStyle);
    // Raw setters of the topics' border style and the free texts' colour: the mask is not touched.
    void setBorderStyle(int32_t borderStyle);
    void setTextColor(const std::optional<Color>& color);
    // The colour scheme's background; the map style's own one for a sheet without scheme.
    Color backgroundColor() const override;

    // Gives the topic the style sheet font of its level.
    // Waits for its caller in the panels.
    void applyDefaultNodeFont(MindMapNode* node);
    // Colours the topic by the scheme, then gives it its level font.
    void applyDefaultNodeStyle(MindMapNode* node);
    // Makes the sheet the base of the map's style and restyles every topic, in one update.
    void applyStyleToDiagram(MindMap& mindMap);
    // Restyles the topic and then its descendants, parents before children, so that a child can
    // take over the colours its parent has just received.
    void applyStyleToSubTree(MindMapNode* node);

    virtual std::string description() const;
    void setDescription(const std::string& description);
    const std::shared_ptr<MMColorScheme>& colorScheme() const { return _colorScheme; }
    void setColorScheme(std::shared_ptr<MMColorScheme> colorScheme);

    // The current user fonts, each made from its default on first use.
    static Font centralThemeFont();
    static Font mainBranchFont();
    static Font subBranchFont();
    static Font textFont();
    static Font outlineFont();
    // New default fonts: Arial at 20, 16 and 14 points bold, 14 and 9 points regular. The family
    // name is kept even where the machine lacks it; drawing falls back to a present family.
    static Font defaultCentralThemeFont();
    static Font defaultMainBranchFont();
    static Font defaultSubBranchFont();
    static Font defaultTextFont();
    static Font defaultOutlineFont();
    // The font of auto-number and date labels (Arial 12), which the user cannot change.
    static Font autoNumberFont();

    // The user font of the node's level: central theme, main branch, or sub branch from level 2 on.
    static Font defaultFontForLevel(int64_t nodeLevel);

    // Replaces each user font that is given and differs from the current one. After a change,
    // unless the fonts are being loaded, posts FontsChangeNotification and saves all five fonts.
    static void changeStyleSheetFonts(const std::optional<Font>& centralTheme, const std::optional<Font>& mainBranch,
                                      const std::optional<Font>& subBranch, const std::optional<Font>& text,
                                      const std::optional<Font>& outline);
    static void restoreDefaultFonts();
    // Takes the fonts stored in the user defaults, without notifying and without writing; a
    // missing or unusable entry leaves its font as it is.
    static void loadStyleSheetUserDefaults();
    static void saveStyleSheetUserDefaults();

protected:
    void setStyleKeyName(const std::string& key) { _key = key; }

private:
    void applyDefaultNodeStyleAtLevel(MindMapNode& node, int64_t nodeLevel);

    std::string _description;
    std::shared_ptr<MMColorScheme> _colorScheme;
    std::string _key;
};

// The built-in sheets, registered by the style manager in this order.

class BrightPaletteStyle : public StyleSheet {
public:
    BrightPaletteStyle();
};

class SoftPaletteStyle : public StyleSheet {
public:
    SoftPaletteStyle();
};

class SoftColorsLeftRightStyle : public StyleSheet {
public:
    SoftColorsLeftRightStyle();
};

class NaturalMaterialColorsStyle : public StyleSheet {
public:
    NaturalMaterialColorsStyle();
};

class SpringLevelBasedStyle : public StyleSheet {
public:
    SpringLevelBasedStyle();
};

class AquaLevelBasedStyle : public StyleSheet {
public:
    AquaLevelBasedStyle();
};

class ColorsOnBlackPaletteStyle : public StyleSheet {
public:
    ColorsOnBlackPaletteStyle();
};

class ChartBaseStyle : public StyleSheet {
public:
    ChartBaseStyle();
};

class CompactGrayScaleStyle : public StyleSheet {
public:
    CompactGrayScaleStyle();
};

class NaturalGrayScaleStyle : public StyleSheet {
public:
    NaturalGrayScaleStyle();
};

class PastelPaletteStyle : public StyleSheet {
public:
    PastelPaletteStyle();
};

class GoldPaletteStyle : public StyleSheet {
public:
    GoldPaletteStyle();
};

class GrayScaleStyle : public StyleSheet {
public:
    GrayScaleStyle();
};

class BlackAndWhiteStyle : public StyleSheet {
public:
    BlackAndWhiteStyle();
};
