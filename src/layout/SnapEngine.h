#pragma once

#include "platform/Geometry.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class MindMap;
class MindMapNode;
class UserDefaults;

// A line the painter draws while a dragged topic is aligned with another one: vertical when both
// ends share their x, horizontal when they share their y. Map coordinates.
class GuideLine {
public:
    GuideLine(Point anchor, Point endPoint) : _anchor(anchor), _endPoint(endPoint) {}

    Point anchor() const { return _anchor; }
    Point endPoint() const { return _endPoint; }

    friend bool operator==(const GuideLine&, const GuideLine&) = default;

private:
    Point _anchor;
    Point _endPoint;
};

// The snapping settings shared by every editor, kept in the user defaults and changed by the
// preferences pane. Changes take effect at the next drag step.
class SnapEngineOptions {
public:
    enum GuideLineBits : uint64_t {
        GuideLineLeft = 1,
        GuideLineCenterX = 2,
        GuideLineRight = 4,
        GuideLineTop = 8,
        GuideLineCenterY = 16,
        GuideLineBottom = 32,
    };
    static constexpr uint64_t HorizontalAlignmentBits = GuideLineLeft | GuideLineCenterX | GuideLineRight;
    static constexpr uint64_t VerticalAlignmentBits = GuideLineTop | GuideLineCenterY | GuideLineBottom;

    static constexpr int64_t MinGridSize = 8;
    static constexpr int64_t MaxGridSize = 100;
    static constexpr int64_t DefaultGridSize = 20;

    static constexpr const char* SnapEnabledKey = "Editor.Snap.SnapEnabled";
    static constexpr const char* ActiveGuideLinesKey = "Editor.Snap.ActiveGuideLines";
    static constexpr const char* SnapToGridKey = "Editor.Snap.SnapToGrid";
    static constexpr const char* GridSizeKey = "Editor.Snap.GridSize";

    // The shared options, read from the standard user defaults on first use and kept for the run.
    static SnapEngineOptions& instance();

    // Reads the four keys once; an absent key, or one holding no number, keeps the default.
    explicit SnapEngineOptions(UserDefaults& defaults);

    bool snapEnabled() const { return _snapEnabled; }
    void setSnapEnabled(bool enabled) { _snapEnabled = enabled; }
    uint64_t activeGuideLines() const { return _activeGuideLines; }
    void setActiveGuideLines(uint64_t guideLines) { _activeGuideLines = guideLines; }
    bool snapToGrid() const { return _snapToGrid; }
    void setSnapToGrid(bool snapToGrid) { _snapToGrid = snapToGrid; }
    int64_t gridSize() const { return _gridSize; }
    // Clamped to MinGridSize..MaxGridSize; the snap distance becomes half of it, truncated.
    void setGridSize(int64_t gridSize);
    int64_t gridSnapDistance() const { return _gridSnapDistance; }

    // The nearest multiple of the grid size; a value exactly half a step away goes toward zero.
    double snapValueToGrid(double value) const;

    // Writes the four keys to the user defaults the options were read from.
    void saveToDefaults();

private:
    UserDefaults* _defaults;
    bool _snapEnabled = true;
    uint64_t _activeGuideLines = 0;
    bool _snapToGrid = false;
    int64_t _gridSize = DefaultGridSize;
    int64_t _gridSnapDistance = DefaultGridSize / 2;
};

// Passes the point of a dragged topic through the guide lines and the grid. One engine belongs to
// each editor view; the guide lines found by the last step stay until the drag ends, for the
// painter to draw. Main thread only.
class SnapEngine {
public:
    // Within this distance an edge or centre line catches the dragged topic.
    static constexpr double CaptureDistance = 8.0;
    // Topics this far away across the guide line or further are never aligned with.
    static constexpr double FarLimit = 1000.0;

    // The shared options unless others are given (not owned).
    explicit SnapEngine(SnapEngineOptions* options = nullptr);

    // The snapped point of the dragged topic (or of a tool handle when node is nullptr). The
    // command key (Ctrl) inverts the snap setting for as long as it is held.
    Point snap(const MindMap& mindMap, const MindMapNode* refNode, Point point, bool commandKeyDown);
    // Aligns the point with the nearest visible topic along the active guide lines; an axis that
    // finds none goes to the grid when the grid is on.
    Point snapNodeToGuideLines(const MindMap& mindMap, const MindMapNode* node, Point point);

    void cancelGuideLines() { _guideLines.clear(); }
    size_t getGuideLineCount() const { return _guideLines.size(); }
    const GuideLine& getGuideLineAtIndex(size_t index) const { return _guideLines.at(index); }

private:
    std::vector<GuideLine> _guideLines;
    SnapEngineOptions* _options;
};

// What the tools, the element mover and the painter ask of the editor view that owns the engine.
class IEditorSnapEngineAccess {
public:
    virtual ~IEditorSnapEngineAccess() = default;
    virtual SnapEngine* getSnapEngine() = 0;
};
