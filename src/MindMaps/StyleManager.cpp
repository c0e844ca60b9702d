#include "MindMaps/StyleManager.h"

#include "MindMaps/MMColorScheme.h"
#include "MindMaps/StyleSheet.h"
#include "Utils/StringUtils.h"
#include "platform/NotificationCenter.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace {

std::unique_ptr<StyleManager> sharedInstance;

void postSheetNotification(const char* name, const StyleSheet* style)
{
    NotificationCenter::defaultCenter().post(name, static_cast<const void*>(style));
}

auto isSheet(const StyleSheet* style)
{
    return [style](const std::shared_ptr<StyleSheet>& registered) { return registered.get() == style; };
}

} // namespace

StyleManager& StyleManager::styleManager()
{
    if (!sharedInstance) {
        // The instance is published before the sheets are made: each built-in sheet asks it for
        // its colour scheme.
        sharedInstance.reset(new StyleManager());
        sharedInstance->registerBuiltInStyles();
        StyleSheet::loadStyleSheetUserDefaults();
    }
    return *sharedInstance;
}

void StyleManager::releaseStyleManagerInstance()
{
    // Moved out first, so that anything the teardown reaches finds no half-destroyed instance.
    std::unique_ptr<StyleManager> instance = std::move(sharedInstance);
}

StyleManager::StyleManager()
{
    _styles.reserve(7);
    _colorSchemes = MMColorScheme::createRegisteredSchemes();
}

StyleManager::~StyleManager() = default;

void StyleManager::registerBuiltInStyles()
{
    _styles.push_back(std::make_shared<BrightPaletteStyle>());
    _styles.push_back(std::make_shared<SoftPaletteStyle>());
    _styles.push_back(std::make_shared<SoftColorsLeftRightStyle>());
    _styles.push_back(std::make_shared<NaturalMaterialColorsStyle>());
    _styles.push_back(std::make_shared<SpringLevelBasedStyle>());
    _styles.push_back(std::make_shared<AquaLevelBasedStyle>());
    _styles.push_back(std::make_shared<ColorsOnBlackPaletteStyle>());
    _styles.push_back(std::make_shared<ChartBaseStyle>());
    _styles.push_back(std::make_shared<CompactGrayScaleStyle>());
    _styles.push_back(std::make_shared<NaturalGrayScaleStyle>());
    _styles.push_back(std::make_shared<PastelPaletteStyle>());
    _styles.push_back(std::make_shared<GoldPaletteStyle>());
    _styles.push_back(std::make_shared<GrayScaleStyle>());
    _styles.push_back(std::make_shared<BlackAndWhiteStyle>());
}

std::shared_ptr<StyleSheet> StyleManager::getStyleAtIndex(size_t index) const
{
    return index < _styles.size() ? _styles[index] : nullptr;
}

int64_t StyleManager::indexOfStyleKey(const std::string& key) const
{
    if (key.empty()) return NotFound;
    for (size_t i = 0; i < _styles.size(); ++i) {
        if (caseInsensitiveEqual(_styles[i]->styleKeyName(), key)) return static_cast<int64_t>(i);
    }
    return NotFound;
}

std::shared_ptr<StyleSheet> StyleManager::getStyleOnKey(const std::string& key, bool returnDefault) const
{
    const int64_t index = indexOfStyleKey(key);
    if (index != NotFound) return _styles[static_cast<size_t>(index)];
    if (returnDefault && !_styles.empty()) return _styles.front();
    return nullptr;
}

std::shared_ptr<MMColorScheme> StyleManager::getColorSchemeOnKey(const std::string& key) const
{
    for (const std::shared_ptr<MMColorScheme>& scheme : _colorSchemes) {
        if (scheme->colorSchemeKeyName() == key) return scheme;
    }
    return _colorSchemes.empty() ? nullptr : _colorSchemes.front();
}

std::shared_ptr<StyleSheet> StyleManager::defaultStyle()
{
    if (!_defaultStyle) _defaultStyle = getStyleOnKey(FallbackStyleKey, true);
    return _defaultStyle;
}

void StyleManager::setDefaultStyle(std::shared_ptr<StyleSheet> style)
{
    if (style && !isRegistered(style.get())) {
        std::fprintf(stderr, "Tarnwick: Invalid default style\n");
        return;
    }
    _defaultStyle = std::move(style);
}

void StyleManager::registerStyle(std::shared_ptr<StyleSheet> style)
{
    if (!style || isRegistered(style.get())) return;
    const StyleSheet* added = style.get();
    _styles.push_back(std::move(style));
    styleAdded(added);
}

void StyleManager::unregisterStyle(const StyleSheet* style)
{
    if (!style) return;
    const auto it = std::find_if(_styles.begin(), _styles.end(), isSheet(style));
    if (it == _styles.end()) return;
    // Held here until the observers have seen it go.
    const std::shared_ptr<StyleSheet> removed = *it;
    _styles.erase(it);
    // A removed sheet must not stay the default, or new maps would get a sheet no look-up knows.
    if (_defaultStyle == removed) _defaultStyle.reset();
    styleRemoved(removed.get());
}

void StyleManager::styleChanged(const StyleSheet* style)
{
    postSheetNotification(StyleSheetChangedNotification, style);
}

void StyleManager::styleAdded(const StyleSheet* style)
{
    postSheetNotification(StyleSheetAddedNotification, style);
}

void StyleManager::styleRemoved(const StyleSheet* style)
{
    postSheetNotification(StyleSheetRemovedNotification, style);
}

bool StyleManager::isRegistered(const StyleSheet* style) const
{
    return std::any_of(_styles.begin(), _styles.end(), isSheet(style));
}
