#pragma once

// Maps of measured topics for the tests of the strict layouts, and a record of everything a
// layout writes, to compare runs bit for bit.

#include "MindMaps/MindMapNodeTestSupport.h"

#include "MindMaps/MindMapStyle.h"
#include "MindMaps/ParentRelation.h"
#include "MindMaps/RelationStyle.h"
#include "layout/StrictNodeLayouter.h"

#include <cstring>
#include <string>
#include <vector>

namespace layouttest {

// What a layout leaves on one topic.
struct Placed {
    Point location;
    Size measured;
    Point connection;
    RelationPath path;
    bool customPath;

    // Bit for bit, so that a difference in the last place shows.
    bool operator==(const Placed& other) const
    {
        const RelationPath& a = path;
        const RelationPath& b = other.path;
        return same(location, other.location) && same(measured.width, other.measured.width) &&
               same(measured.height, other.measured.height) && same(connection, other.connection) &&
               same(a.p0, b.p0) && same(a.p1, b.p1) && same(a.p2, b.p2) && same(a.p3, b.p3) &&
               same(a.leadInPoint, b.leadInPoint) && same(a.leadOutPoint, b.leadOutPoint) &&
               a.hasLeadIn == b.hasLeadIn && a.hasLeadOut == b.hasLeadOut && a.bezierStyle() == b.bezierStyle() &&
               customPath == other.customPath;
    }

    static bool same(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }
    static bool same(Point a, Point b) { return same(a.x, b.x) && same(a.y, b.y); }
};

inline std::vector<Placed> record(const MindMap& map)
{
    std::vector<Placed> placed;
    for (const MindMapNode* node : map.nodes()) {
        const ParentRelation* relation = node->parentRelation();
        placed.push_back({node->location(), node->measuredSize(), node->connectionPoint(), relation->relationPath(),
                          relation->hasCustomPath()});
    }
    return placed;
}

class StrictLayoutTest : public nodetest::NodeTest {
protected:
    // A measured topic with a plain rectangular border.
    MindMapNode* topic(MindMapNode* parent, Point at = {}, const std::string& text = "Topic")
    {
        MindMapNode* node = parent ? child(parent, at) : theme(text);
        if (!parent) node->setLocation(at);
        node->setText(text);
        settle(node);
        return node;
    }

    // A root at the origin with children of one, two and three lines and a grandchild under the
    // first child.
    MindMapNode* smallBranch(int32_t mode, int32_t direction)
    {
        MindMapNode* root = topic(nullptr, {0, 0}, "Root");
        MindMapNode* first = topic(root, {100, -50}, "one");
        topic(first, {200, -50}, "deeper");
        topic(root, {100, 0}, "two\nlines");
        topic(root, {-100, 50}, "three\nlines\nhere");
        root->setLayoutMode(mode);
        root->setLayoutDirection(direction);
        return root;
    }

    // An empty map for the next case of a table.
    void fresh() { map.newMindMap("", false, std::nullopt); }

    void setConnectionStyle(int32_t connectionStyle)
    {
        map.style()->setPropCustomized(MindMapStyle::ConnectionStyleMask, true);
        map.style()->setConnectionStyle(connectionStyle);
    }

    static void setPathStyle(MindMapNode* node, int32_t pathStyle)
    {
        node->parentRelation()->style()->changePathStyle(pathStyle);
    }
};

} // namespace layouttest
