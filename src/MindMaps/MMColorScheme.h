#pragma once

#include "platform/Color.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// What a colour scheme reads of one topic and what it gives back. The style sheet fills it from
// the topic, lets the scheme colour it, then stores paletteInfo and the three scheme colours back
// into the topic. The scheme colours are read as well as written: a scheme that has nothing to
// give for a colour leaves the value it finds.
struct ColorSchemeNodeState {
    // 0 for a central theme, 1 for a main branch, and so on.
    int64_t nodeLevel = 0;

    // The topic's palette entry, one-based, 0 for none. Branch colouring writes the entry it chose.
    int64_t paletteInfo = 0;

    // The palette entries (1 to the palette's count) that children of the topic's parent have,
    // each once, in ascending order. Only read for a main branch that has no palette entry yet,
    // so it may be left empty for every other topic.
    std::vector<int64_t> siblingPaletteInfos;

    // The parent's effective colours (its own customised colours where it has them). Only read for
    // a topic below a main branch that has no palette entry.
    std::optional<Color> parentFillColor;
    std::optional<Color> parentStrokeColor;
    std::optional<Color> parentTextColor;

    // The topic's scheme colours, used where its style gives no colour of its own.
    std::optional<Color> colorSchemeFillColor;
    std::optional<Color> colorSchemeStrokeColor;
    std::optional<Color> colorSchemeTextColor;
};

// The default colours of a style sheet: the topics' fill, stroke and text colours and the map's
// background, margin, shadow and text colour. Schemes are shared between style sheets.
class MMColorScheme {
public:
    MMColorScheme(std::string key, std::string description);
    virtual ~MMColorScheme() = default;

    MMColorScheme(const MMColorScheme&) = delete;
    MMColorScheme& operator=(const MMColorScheme&) = delete;

    // The ten schemes the style manager registers, in registration order.
    static std::vector<std::shared_ptr<MMColorScheme>> createRegisteredSchemes();

    // The fill's hue and saturation with half its lightness, alpha 1.
    static Color getReducedLuminanceStrokeColor(const Color& fillColor);

    virtual void applyDefaultNodeColors(ColorSchemeNodeState& node);
    // Called once before a sheet with this scheme is applied to a map.
    virtual void beforeApplyingToDiagram();
    virtual size_t paletteCount() const;
    virtual bool isPalettized() const;
    virtual Color fillColorAtIndex(int64_t index) const;
    virtual Color strokeColorAtIndex(int64_t index) const;

    const std::string& description() const { return _description; }
    void setDescription(const std::string& description) { _description = description; }
    const std::string& colorSchemeKeyName() const { return _key; }

    const Color& backgroundColor() const { return _backgroundColor; }
    void setBackgroundColor(const Color& color) { _backgroundColor = color; }
    // Waits for its caller in the panels.
    const Color& marginColor() const { return _marginColor; }
    void setMarginColor(const Color& color) { _marginColor = color; }
    const Color& fontColor() const { return _fontColor; }
    void setFontColor(const Color& color) { _fontColor = color; }
    // Empty: the map draws no shadow.
    const std::optional<Color>& shadowColor() const { return _shadowColor; }
    void setShadowColor(const std::optional<Color>& color) { _shadowColor = color; }
    bool isLevelBased() const { return _isLevelBased; }
    void setIsLevelBased(bool levelBased) { _isLevelBased = levelBased; }

private:
    std::string _description;
    std::string _key;
    std::optional<Color> _shadowColor;
    Color _fontColor;
    Color _backgroundColor;
    Color _marginColor;
    bool _isLevelBased = false;
};

// White topics with black borders and lines.
class BlackAndWhiteColorScheme : public MMColorScheme {
public:
    BlackAndWhiteColorScheme();
    BlackAndWhiteColorScheme(std::string key, std::string description);

    void applyDefaultNodeColors(ColorSchemeNodeState& node) override;
};

// One fill and one stroke for every topic.
class ChartColorScheme : public MMColorScheme {
public:
    ChartColorScheme();
    ChartColorScheme(std::string key, std::string description);

    void applyDefaultNodeColors(ColorSchemeNodeState& node) override;
    size_t paletteCount() const override;
    Color fillColorAtIndex(int64_t index) const override;
    Color strokeColorAtIndex(int64_t index) const override;

    const Color& fillColor() const { return _fillColor; }
    const Color& strokeColor() const { return _strokeColor; }

private:
    Color _fillColor;
    Color _strokeColor;
};

// One fill; strokes darkest at the central theme, lighter for main branches and lighter still
// below them.
class GrayScaleColorScheme : public MMColorScheme {
public:
    GrayScaleColorScheme();
    GrayScaleColorScheme(std::string key, std::string description);

    void applyDefaultNodeColors(ColorSchemeNodeState& node) override;
    size_t paletteCount() const override;
    Color fillColorAtIndex(int64_t index) const override;
    // By node level: 0, 1, anything else.
    Color strokeColorAtIndex(int64_t index) const override;

    const Color& level0Color() const { return _level0Color; }
    const Color& level1Color() const { return _level1Color; }
    const Color& levelnColor() const { return _levelnColor; }
    const Color& fillColor() const { return _fillColor; }
    void setFillColor(const Color& color) { _fillColor = color; }

private:
    Color _level0Color;
    Color _level1Color;
    Color _levelnColor;
    Color _fillColor;
};

// The gray-scale scheme with transparent topics, for the sheets that draw no topic fill.
class TransparentGrayScaleColorScheme : public GrayScaleColorScheme {
public:
    TransparentGrayScaleColorScheme();
    TransparentGrayScaleColorScheme(std::string key, std::string description);
};
