#pragma once

#include <vector>

class MindMap;
class MindMapNode;

// Finds where a topic dragged over an automatically laid-out branch would be inserted, and
// positions and shows the map's rearrange marker there. The editor installs its hit testers at
// start-up; until then no branch takes a drag.
class RearrangeMarkerHitTester {
public:
    virtual ~RearrangeMarkerHitTester() = default;

    // Whether the strict branch of layoutRoot took the drag of draggedNode (whose drag roots are
    // rootNodes); when it did, the marker shows the place.
    virtual bool hitTestRearrangeMarker(MindMap& mindMap, MindMapNode* layoutRoot, MindMapNode* draggedNode,
                                        const std::vector<MindMapNode*>& rootNodes);

    // The installed hit tester, or the one no branch answers.
    static RearrangeMarkerHitTester& shared();
    // Not owned; it must outlive its use. nullptr puts the one that answers nothing back.
    static void install(RearrangeMarkerHitTester* hitTester);
};
