#pragma once

// Maps of measured topics for the tests of the strict layouts.

#include "LayoutTestSupport.h"

#include "MindMaps/ParentRelation.h"
#include "MindMaps/RelationStyle.h"
#include "layout/StrictNodeLayouter.h"

#include <cstring>
#include <string>
#include <vector>

namespace layouttest {

// Everything a layout writes on the topics of a map, to compare runs bit for bit.
inline std::vector<double> record(const MindMap& map)
{
    std::vector<double> values;
    for (const MindMapNode* node : map.nodes()) {
        const RelationPath& path = node->parentRelation()->relationPath();
        const Size measured = node->measuredSize();
        for (Point p : {node->location(), node->connectionPoint(), path.p0, path.p1, path.p2, path.p3,
                        path.leadInPoint(), path.leadOutPoint(), Point{measured.width, measured.height}})
            values.insert(values.end(), {p.x, p.y});
        values.push_back(path.hasLeadIn + 2 * path.hasLeadOut + 4 * node->parentRelation()->hasCustomPath());
    }
    return values;
}

inline bool sameBits(const std::vector<double>& a, const std::vector<double>& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

class StrictLayoutTest : public LayoutTest {
protected:
    // A root at the origin with children of one, two and three lines and a grandchild under the
    // first child.
    MindMapNode* smallBranch(int32_t mode, int32_t direction)
    {
        MindMapNode* root = topic(nullptr, {0, 0}, "Root");
        topic(topic(root, {100, -50}, "one"), {200, -50}, "deeper");
        topic(root, {100, 0}, "two\nlines");
        topic(root, {-100, 50}, "three\nlines\nhere");
        root->setLayoutMode(mode);
        root->setLayoutDirection(direction);
        return root;
    }
};

} // namespace layouttest
