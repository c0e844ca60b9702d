#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class MMColorScheme;
class StyleSheet;

// The process-wide register of style sheets and colour schemes: the ten built-in schemes, the
// fourteen built-in sheets and, after them, the user's custom sheets.
//
// The sheet notifications go out synchronously on the default notification centre with the
// sheet as object, given as `static_cast<const void*>(StyleSheet*)`.
class StyleManager {
public:
    static constexpr const char* StyleSheetChangedNotification = "styleSheetChangedNotification";
    static constexpr const char* StyleSheetAddedNotification = "styleSheetAddedNotification";
    static constexpr const char* StyleSheetRemovedNotification = "styleSheetRemovedNotification";

    // The key of the sheet that every failed look-up falls back to.
    static constexpr const char* FallbackStyleKey = "system.bright-palette";

    static constexpr int64_t NotFound = -1;

    // The instance, made on first use; the user fonts are loaded once it is complete.
    static StyleManager& styleManager();
    // Drops the instance (at quit); the next use makes a new one. Maps keep the sheets they hold.
    static void releaseStyleManagerInstance();

    ~StyleManager();
    StyleManager(const StyleManager&) = delete;
    StyleManager& operator=(const StyleManager&) = delete;

    size_t getCount() const { return _styles.size(); }
    // nullptr for an index outside the register.
    std::shared_ptr<StyleSheet> getStyleAtIndex(size_t index) const;
    const std::vector<std::shared_ptr<StyleSheet>>& styleSheets() const { return _styles; }
    const std::vector<std::shared_ptr<MMColorScheme>>& colorSchemes() const { return _colorSchemes; }

    // The index of the first sheet whose key equals the key ignoring case; NotFound for an empty
    // key or when no sheet has it.
    int64_t indexOfStyleKey(const std::string& key) const;
    // The sheet of the key; otherwise the first registered sheet when returnDefault is true, else
    // nullptr.
    std::shared_ptr<StyleSheet> getStyleOnKey(const std::string& key, bool returnDefault) const;
    // The first scheme whose key equals the key exactly (case counts); otherwise the first scheme.
    std::shared_ptr<MMColorScheme> getColorSchemeOnKey(const std::string& key) const;

    // The default sheet, chosen on first use: the fallback sheet.
    std::shared_ptr<StyleSheet> defaultStyle();
    // Takes nullptr (choose again on next use) or a registered sheet; any other sheet is refused.
    void setDefaultStyle(std::shared_ptr<StyleSheet> style);

    // Appends the sheet and posts the added notification. A null or already registered sheet is
    // refused.
    void registerStyle(std::shared_ptr<StyleSheet> style);
    // Removes the sheet and posts the removed notification; the sheet lives at least until the
    // notification has gone out. A sheet that is not registered is ignored.
    void unregisterStyle(const StyleSheet* style);

    void styleChanged(const StyleSheet* style);
    void styleAdded(const StyleSheet* style);
    void styleRemoved(const StyleSheet* style);

private:
    StyleManager();
    void registerBuiltInStyles();
    bool isRegistered(const StyleSheet* style) const;

    std::vector<std::shared_ptr<StyleSheet>> _styles;
    std::vector<std::shared_ptr<MMColorScheme>> _colorSchemes;
    std::shared_ptr<StyleSheet> _defaultStyle;
};
