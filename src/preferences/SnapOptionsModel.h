#pragma once

#include <array>
#include <cstdint>

class SnapEngineOptions;

// The snap pane's controls as values, and the one way they reach the shared snap options and the
// user defaults.
class SnapOptionsModel {
public:
    // Left, centre x, right, top, centre y, bottom: the guide-line bits in checkbox order.
    static constexpr std::array<uint64_t, 6> GuideLineBits{1, 2, 4, 8, 16, 32};
    static constexpr std::array<const char*, 6> GuideLineTitleKeys{"snap_guide_left",     "snap_guide_center_x",
                                                                   "snap_guide_right",    "snap_guide_top",
                                                                   "snap_guide_center_y", "snap_guide_bottom"};

    struct Controls {
        bool snapEnabled = true;
        std::array<bool, 6> guideLines{};
        bool snapToGrid = false;
        int64_t gridSize = 20;
        // The grid field takes input only while snapping to the grid.
        bool gridSizeEnabled() const { return snapToGrid; }
    };

    explicit SnapOptionsModel(SnapEngineOptions& options);

    // The controls as the options stand.
    Controls controls() const;
    // The options take the controls (the grid size clamped) and are saved to the user defaults.
    void commit(const Controls& controls);

    SnapEngineOptions& options() const { return _options; }

private:
    SnapEngineOptions& _options;
};
