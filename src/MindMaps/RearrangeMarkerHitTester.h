#pragma once

#include "platform/Geometry.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class MindMap;
class MindMapNode;
class RearrangeMarker;

// Finds where a topic dragged over an automatically laid-out branch would be inserted, and
// positions and shows the map's rearrange marker there. One tester is made per hit test, of the
// kind the layout root's mode asks for; the base class holds the bands common to all of them.
//
// Every check returns the node it matched (nullptr for none) and, on a match, writes the bar's
// bounds, the position code, the reference node, the index and the orientation into the marker.
class RearrangeMarkerHitTester {
public:
    // The marker sizes: bands before the first and after the last child, the band across the
    // boundary between the two sides of a central topic, and the manual-direction bands.
    static constexpr double EdgeBandSize = 16.0;
    static constexpr double SideBoundaryBandSize = 40.0;
    static constexpr double ManualBandSize = 50.0;
    // Each band reaches this far into the child it belongs to.
    static constexpr double BandOverlap = 2.0;

    // Position codes written into the marker's info.
    enum Info : int32_t {
        InfoBetween = 0,
        InfoBefore = 1,
        InfoBeyondLastReverted = 2,
        InfoAfter = 3,
        InfoBeforeFirstReverted = 4,
        InfoManualLowerOrLeft = 5,
        InfoManualUpperOrRight = 6,
    };

    RearrangeMarkerHitTester(MindMap& mindMap, MindMapNode* layoutRoot);
    virtual ~RearrangeMarkerHitTester() = default;
    RearrangeMarkerHitTester(const RearrangeMarkerHitTester&) = delete;
    RearrangeMarkerHitTester& operator=(const RearrangeMarkerHitTester&) = delete;

    // The tester for the layout root's mode; nullptr for a mode that has none.
    static std::unique_ptr<RearrangeMarkerHitTester> makeForLayoutRoot(MindMap& mindMap, MindMapNode* layoutRoot);
    // Whether the branch of the layout root found a drop position for the dragged topic (whose
    // drag roots are rootNodes). False for a layout mode without a tester.
    static bool hitTestRearrangeMarker(MindMap& mindMap, MindMapNode* layoutRoot, MindMapNode* draggedNode,
                                       const std::vector<MindMapNode*>& rootNodes);

    // True when a position was found; the marker is shown only when every root may move under
    // the position's reference node.
    bool hitTestRearrangeMarker(MindMapNode* draggedNode, const std::vector<MindMapNode*>& rootNodes);
    // The node whose children the position falls among; the base finds none.
    virtual MindMapNode* markerHitTest(MindMapNode* root, MindMapNode* draggedNode);

    // The bands round child `index` of the parent.
    MindMapNode* checkAbove(MindMapNode* parent, int64_t index, double markerSize);
    MindMapNode* checkBelow(MindMapNode* parent, int64_t index, double markerSize);
    MindMapNode* checkToLeft(MindMapNode* parent, int64_t index, double markerSize);
    MindMapNode* checkToRight(MindMapNode* parent, int64_t index, double markerSize);
    // The gaps between children first..last and the child before each, the last gap first; gaps
    // next to a selected child are skipped.
    MindMapNode* checkInbetweenHorizontal(MindMapNode* parent, int64_t firstIndex, int64_t lastIndex);
    MindMapNode* checkInbetweenVertical(MindMapNode* parent, int64_t firstIndex, int64_t lastIndex);

    MindMap& mindMap() const { return _mindMap; }
    RearrangeMarker& rearrangeMarker() const { return _marker; }
    MindMapNode* layoutRoot() const { return _layoutRoot; }
    Point atPoint() const { return _atPoint; }
    bool horizontalReverted() const { return _horizontalReverted; }
    bool verticalReverted() const { return _verticalReverted; }

protected:
    // The children of a node take part in a search: it is visible, has children and is expanded.
    static bool searchable(const MindMapNode* node);
    // Walks the branch children first, depth first, and returns the first match of `own` on a
    // searchable node. Iterative: a branch read from a file may nest deeper than the stack.
    static MindMapNode* searchBranch(MindMapNode* node, const std::function<MindMapNode*(MindMapNode*)>& own);
    // Writes a match into the marker.
    MindMapNode* mark(MindMapNode* parent, int64_t index, const Rect& bounds, int32_t info, bool horizontal);
    MindMapNode* checkBand(MindMapNode* parent, int64_t index, const Rect& band, int32_t info, bool horizontal);

    bool _horizontalReverted = false;
    bool _verticalReverted = false;

private:
    MindMap& _mindMap;
    RearrangeMarker& _marker;
    MindMapNode* _layoutRoot;
    Point _atPoint;
};

// Children stacked vertically; a central topic has a right and a left side.
class StrictHorizontalRearrangeHitTester : public RearrangeMarkerHitTester {
public:
    using RearrangeMarkerHitTester::RearrangeMarkerHitTester;
    MindMapNode* markerHitTest(MindMapNode* root, MindMapNode* draggedNode) override;
    MindMapNode* checkMainBranches(MindMapNode* node);
    MindMapNode* doMarkerHitTest(MindMapNode* node);
    MindMapNode* checkManualRearrange(MindMapNode* root, MindMapNode* draggedNode);
};

// Children side by side; a central topic has a lower and an upper side.
class StrictVerticalRearrangeHitTester : public RearrangeMarkerHitTester {
public:
    using RearrangeMarkerHitTester::RearrangeMarkerHitTester;
    MindMapNode* markerHitTest(MindMapNode* root, MindMapNode* draggedNode) override;
    MindMapNode* checkMainBranches(MindMapNode* node);
    MindMapNode* doMarkerHitTest(MindMapNode* node);
    MindMapNode* checkManualRearrange(MindMapNode* root, MindMapNode* draggedNode);
};

class TreelistRearrangeHitTester : public RearrangeMarkerHitTester {
public:
    using RearrangeMarkerHitTester::RearrangeMarkerHitTester;
    MindMapNode* markerHitTest(MindMapNode* root, MindMapNode* draggedNode) override;
};

// The root's children side by side, deeper levels stacked; a top direction turns the stacking
// round, a right-to-left one the row.
class TopDownRearrangeHitTester : public RearrangeMarkerHitTester {
public:
    TopDownRearrangeHitTester(MindMap& mindMap, MindMapNode* layoutRoot);
    MindMapNode* markerHitTest(MindMapNode* root, MindMapNode* draggedNode) override;
};
