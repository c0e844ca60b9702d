#pragma once

#include <cstdint>
#include <span>
#include <vector>

class UserDefaults;

// The general pane's layout popups: the mode of new maps and the directions that mode offers.
// The direction is stored only when the user picks one; a mode change shows the mode's default.
class GeneralOptionsModel {
public:
    static constexpr const char* LayoutModeKey = "newMindMapLayoutMode";
    static constexpr const char* LayoutDirectionKey = "newMindMapLayoutDirection";
    static constexpr int32_t LayoutModeCount = 5;

    // A checkbox or slider that writes its user default as it changes.
    struct BoundSetting {
        const char* key;
        const char* titleKey;
        // The label beside (or, for a hint, below) the control; nullptr for none.
        const char* labelKey;
        // The control shows the opposite of the stored flag.
        bool inverted;
    };
    static std::span<const BoundSetting> checkboxes();
    static constexpr const char* ChildMoveDelayKey = "editorChildMoveDelay";
    static constexpr double MinimumChildMoveDelay = 0.1;
    static constexpr double MaximumChildMoveDelay = 2.0;

    // The directions offered for the mode, in popup order; none for an unknown mode.
    static std::span<const int32_t> directionsForMode(int32_t mode);

    explicit GeneralOptionsModel(UserDefaults& defaults);

    // Reads both defaults: an unknown mode shows free, an unknown direction the mode's default.
    void load();
    int32_t layoutMode() const { return _layoutMode; }
    const std::vector<int32_t>& directionItems() const { return _directionItems; }
    int32_t layoutDirection() const { return _layoutDirection; }

    void layoutModeChanged(int32_t modeIndex);
    void layoutDirectionChanged(int32_t direction);

private:
    void updateLayoutDirectionItems();
    void setLayoutDirection(int32_t direction);

    UserDefaults& _defaults;
    int32_t _layoutMode = 0;
    std::vector<int32_t> _directionItems;
    int32_t _layoutDirection = 0;
};
