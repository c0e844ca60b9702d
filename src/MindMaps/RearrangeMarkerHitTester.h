#pragma once

#include "platform/Geometry.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <tuple>
#include <unordered_map>
#include <vector>

class MindMap;
class MindMapNode;
class RearrangeMarker;

// What the hit tests of one drag keep about the topics that do not move (RearrangeMarker starts
// and ends it). Only selected topics move during a drag, so everything here is worked out from
// unselected ones, or, where a selected topic takes part, is asked anew at every step.
struct RearrangeHitCache {
    // A child whose branch is searched, and the area every drop place of that branch lies in.
    struct Branch {
        MindMapNode* node;
        Rect reach;
        // The branch holds a selected topic: its places move with the drag and are always searched.
        bool moving;
    };
    struct NodeEntry {
        std::vector<Branch> branches;
        Rect reach;
        bool moving = false;
        // The first unselected child on the second side of a central topic, per axis; -2 unknown.
        int64_t split[2] = {-2, -2};
    };
    // The gaps between unselected siblings of a child range: along the stacking axis from low to
    // high, across it from crossLow to crossHigh.
    struct Gap {
        double low;
        double high;
        double crossLow;
        double crossHigh;
        int64_t index;
    };
    struct GapIndex {
        // Ordered by low; disjoint gaps are searched by halving, others one by one.
        std::vector<Gap> gaps;
        bool disjoint = true;
    };
    // Parent, stacked vertically, reverted, first and last index.
    using GapKey = std::tuple<const MindMapNode*, bool, bool, int64_t, int64_t>;

    std::unordered_map<const MindMapNode*, NodeEntry> nodes;
    std::map<GapKey, GapIndex> gaps;
};

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
    // searchable node. Iterative: a branch read from a file may nest deeper than the stack. During
    // a drag, branches whose places all lie away from the dragged topic are passed over.
    MindMapNode* searchBranch(MindMapNode* node, const std::function<MindMapNode*(MindMapNode*)>& own);
    // The first unselected child (0 .. count - 1) past the node's centre: its x to the left of the
    // node's (horizontal) or its y below it; -1 for none.
    int64_t sideSplit(MindMapNode* node, bool vertical);
    // Writes a match into the marker.
    MindMapNode* mark(MindMapNode* parent, int64_t index, const Rect& bounds, int32_t info, bool horizontal);
    MindMapNode* checkBand(MindMapNode* parent, int64_t index, const Rect& band, int32_t info, bool horizontal);
    MindMapNode* checkInbetween(MindMapNode* parent, int64_t firstIndex, int64_t lastIndex, bool stackedVertically);
    // The gap between child i - 1 and child i, or nothing when it is empty or next to a selected
    // child.
    std::optional<RearrangeHitCache::Gap> gapBefore(const MindMapNode* parent, int64_t i, bool stackedVertically) const;
    RearrangeHitCache::NodeEntry& cacheEntry(RearrangeHitCache& cache, MindMapNode* node);

    bool _horizontalReverted = false;
    bool _verticalReverted = false;

private:
    MindMap& _mindMap;
    RearrangeMarker& _marker;
    MindMapNode* _layoutRoot;
    Point _atPoint;
};

// Children stacked along one axis: vertically in a horizontal layout, where a central topic has a
// right and a left side, or side by side in a vertical one, where it has a lower and an upper side.
class StrictRearrangeHitTester : public RearrangeMarkerHitTester {
public:
    StrictRearrangeHitTester(MindMap& mindMap, MindMapNode* layoutRoot, bool vertical);
    MindMapNode* markerHitTest(MindMapNode* root, MindMapNode* draggedNode) override;
    MindMapNode* checkMainBranches(MindMapNode* node);
    MindMapNode* doMarkerHitTest(MindMapNode* node);
    MindMapNode* checkManualRearrange(MindMapNode* root, MindMapNode* draggedNode);

private:
    // The band before child `index` along the stacking axis (above or to the left), the band
    // after it, and the gaps between the children.
    MindMapNode* checkBefore(MindMapNode* parent, int64_t index, double markerSize);
    MindMapNode* checkAfter(MindMapNode* parent, int64_t index, double markerSize);
    MindMapNode* checkGaps(MindMapNode* parent, int64_t firstIndex, int64_t lastIndex);

    bool _vertical;
};

class StrictHorizontalRearrangeHitTester : public StrictRearrangeHitTester {
public:
    StrictHorizontalRearrangeHitTester(MindMap& mindMap, MindMapNode* layoutRoot)
        : StrictRearrangeHitTester(mindMap, layoutRoot, false)
    {
    }
};

class StrictVerticalRearrangeHitTester : public StrictRearrangeHitTester {
public:
    StrictVerticalRearrangeHitTester(MindMap& mindMap, MindMapNode* layoutRoot)
        : StrictRearrangeHitTester(mindMap, layoutRoot, true)
    {
    }
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
