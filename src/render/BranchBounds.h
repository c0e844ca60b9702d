#pragma once

#include "platform/Geometry.h"

#include <cstddef>
#include <cstdint>
#include <unordered_map>

class MindMap;
class MindMapNode;
struct HullReachPart;

// Where each branch of a map may draw: for every topic one rectangle round all that the painter
// may draw of the topic and everything below it (its parent relation with its texts and images,
// its unhide marker, its top-down connector, its descendants, and the hulls of hulled topics
// among them). A repaint that shows a small part of a large map then passes over whole branches
// out of view instead of asking every topic.
//
// Each rectangle holds every area the painter tests against its clip for the branch's elements,
// so leaving out a branch that misses the clip leaves out only what would have been skipped one
// by one: the picture stays the same.
//
// Kept between repaints by the canvas. The map is measured again when it reports a change of its
// elements, their bounds or its tree (the map counts those reports), when it was reloaded, and
// when the keeper marks the bounds stale.
class BranchBounds {
public:
    BranchBounds() = default;
    // Bounds that never measure let every branch through: a painter given them walks every
    // topic, the reference a culled picture is held to.
    struct LetEverythingThrough {};
    explicit BranchBounds(LetEverythingThrough) : _measures(false) {}

    // The next update measures the map again.
    void invalidate() { _stale = true; }
    // Measures the map when stale, or when it was measured for another map or content.
    void update(MindMap& mindMap);

    // Whether anything drawn for the topic's branch may meet the rectangle. True for a topic not
    // measured and for a branch with geometry that cannot be bounded.
    bool branchMayMeet(const MindMapNode& node, const Rect& rect) const;

    // How many times the map was measured.
    int measurements() const { return _measurements; }

private:
    struct Area {
        Rect rect;
        bool empty = true;
        // Geometry that is not a finite number: such a branch is always walked, as before.
        bool unbounded = false;
        // The measurement that last reached the topic.
        uint64_t generation = 0;
        void add(const Rect& other);
        void add(const Area& other);
    };
    void measure(MindMap& mindMap);
    Area ownArea(MindMap& mindMap, MindMapNode& node, const HullReachPart& hullPart) const;

    std::unordered_map<const MindMapNode*, Area> _areas;
    const MindMap* _mindMap = nullptr;
    uint64_t _contentGeneration = 0;
    uint64_t _changeCount = 0;
    size_t _nodeCount = 0;
    uint64_t _generation = 0;
    bool _stale = true;
    bool _measures = true;
    int _measurements = 0;
};
