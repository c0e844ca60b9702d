#pragma once

#include "platform/Geometry.h"

#include <cstdint>
#include <memory>

class MindMap;
class MindMapNode;

// The automatic ("strict") layouts of a branch or of a whole map. One layouter per mode; each run
// measures its branch bottom-up, then places it top-down, keeping all state on the topics
// (measuredSize, connectionPoint, the parent-relation paths).
//
// Both passes walk the branch with work lists of their own instead of recursion: a document may
// nest topics deeper than the call stack allows.
class StrictNodeLayouter {
public:
    // The map is not owned; the layouter lives for one run.
    explicit StrictNodeLayouter(MindMap& mindMap);
    virtual ~StrictNodeLayouter();
    StrictNodeLayouter(const StrictNodeLayouter&) = delete;
    StrictNodeLayouter& operator=(const StrictNodeLayouter&) = delete;

    // The layouter of modes 1 to 4; nullptr for any other mode.
    static std::unique_ptr<StrictNodeLayouter> newLayouter(MindMap& mindMap, int32_t layoutMode);

    // Lays out the whole map with the strict horizontal layouter, stacking its central themes.
    static void layoutMindMapStrictHorizontal(MindMap& mindMap);

    // Lays out one branch with the layouter of the given mode without changing the node's own
    // mode; nothing for a node without children or a mode that has no strict layouter.
    static void layoutBranch(MindMapNode* node, int32_t layoutMode);

    // 0 here; 1 to 4 in the layouters.
    virtual int32_t getLayoutMode() const;
    // Every central theme, stacked 60 apart downward (side by side for the vertical layout).
    void doLayoutMindMap();
    // The branch below the node; the node itself keeps its place.
    virtual void doLayoutBranch(MindMapNode* node);
    // Lays out a root of the layout; with positionTheme the root itself is moved to the point.
    virtual void layoutCentralTheme(MindMapNode* node, double atX, double atY, bool positionTheme);
    // The measure pass over the branch below the node, deepest topics first.
    void measureNode(MindMapNode* node);

    bool baselineConnected() const { return _baselineConnected; }

protected:
    // The extent of one topic's branch; its visible children are measured already.
    virtual void measureTopic(MindMapNode* node);

    MindMap& mindMap() const { return *_mindMap; }

    // boundsIncludingContainedElements relative to the node's location. Computed from sizes and
    // relative positions only, so that it does not change by a rounding step when the node moves:
    // otherwise laying out a laid-out branch would move it again.
    static Rect contentFrame(const MindMapNode* node);
    // Moves the node so that the centre of its contentFrame lands on the point.
    static void moveContentCentre(MindMapNode* node, Point centre, const Rect& frame);

    // The growth of a horizontal or vertical layout: the gap between a topic's measured extent and
    // its children, the axis along which the branch grows and the sign of the growth.
    struct Growth {
        double gap = 0;
        bool alongX = true;
        double sign = 1;
    };
    // Rewrites the parent-relation path of a placed topic from its parent's connection point to
    // the end point, sets the lead-out and the topic's connection point and applies the tapers.
    // A baseline-connected layout gives the connection point of a shown topic itself.
    void rewriteParentRelation(MindMapNode* node, Point end, const Growth& growth,
                               const Point* shownConnectionPoint = nullptr) const;

    // Values read from a document, or computed from absurd ones, must not carry infinities or NaN
    // into the paths and places that painting and hit testing follow: anything not finite counts
    // as 0.
    static double finite(double value);
    static Point finite(Point point) { return {finite(point.x), finite(point.y)}; }
    static Size finite(Size size) { return {finite(size.width), finite(size.height)}; }
    // Where the lines to a root's children start, also kept as the lead-out of its own line.
    static void setRootConnection(MindMapNode* node, Point point);

private:
    MindMap* _mindMap;
    bool _baselineConnected = false;
};
