#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class MindMap;

// The layout dialog: the five layout modes in a list and the direction radios of the chosen mode.
// The window shows the radios it is given and reports row selections and radio clicks.
class LayoutModePanelController {
public:
    static constexpr const char* TitleKey = "layout_style_dialog_title";
    static constexpr const char* ModeLabelKey = "layout_mode_title";
    static constexpr const char* DirectionLabelKey = "layout_direction_title";
    static constexpr int ModeCount = 5;
    static constexpr int RadioCount = 4;
    static constexpr std::array<const char*, ModeCount> ModeImageNames{
        "layout_free_form", "layout_horizontal", "layout_vertical", "layout_list", "layout_top_down"};

    struct Radio {
        int32_t tag;
        bool on;
    };

    // The directions offered for a mode, in radio order.
    static std::vector<int32_t> directionsForMode(int32_t mode);

    using Window = std::function<int(LayoutModePanelController& controller)>;
    static void setWindow(Window window);
    // Runs the dialog; on OK the map gets the chosen mode and direction. True when confirmed.
    static bool selectLayoutMode(MindMap* mindMap, int32_t layoutMode, int32_t layoutDirection);

    LayoutModePanelController(int32_t layoutMode, int32_t layoutDirection);

    int32_t layoutMode() const { return _layoutMode; }
    // The tag of the first radio that is on, else the stored direction.
    int32_t getLayoutDirection() const;
    // Turns on exactly the radios whose tag is the direction.
    void setLayoutDirection(int32_t direction);
    // A row of the list was selected (-1: none, ignored).
    void rowSelected(int row);
    // A radio was clicked: it is the one that is on.
    void radioClicked(size_t index);
    // The radios shown, in order.
    const std::vector<Radio>& radios() const { return _radios; }
    void setRadiosChangedHandler(std::function<void()> handler) { _radiosChanged = std::move(handler); }

private:
    void updateDirectionRadios();

    int32_t _layoutMode;
    int32_t _layoutDirection;
    std::vector<Radio> _radios;
    std::function<void()> _radiosChanged;
};
