#pragma once

#include "MindMaps/CrossLink.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"

#include <cstdlib>
#include <unordered_set>

namespace mapconsistency {

// Whatever an operation did, the map's tree and its lists agree with each other.
inline void check(MindMap& map)
{
    std::unordered_set<const MindMapNode*> nodes(map.nodes().begin(), map.nodes().end());
    if (nodes.size() != map.nodes().size()) std::abort();
    size_t themes = 0;
    for (MindMapNode* node : map.nodes()) {
        if (!node->parent()) ++themes;
        else if (!nodes.count(node->parent())) std::abort();
        size_t steps = 0;
        for (const MindMapNode* up = node; up; up = up->parent()) {
            if (++steps > map.nodes().size()) std::abort(); // a circle
        }
    }
    if (themes != map.centralThemes().size()) std::abort();
    for (CrossLink* link : map.crossLinks()) {
        if (!nodes.count(link->sourceNode()) || !nodes.count(link->targetNode())) std::abort();
        if (link->sourceNode() == link->targetNode()) std::abort();
    }
}

} // namespace mapconsistency
