#include "StrictLayoutTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace {

using layouttest::StrictLayoutTest;

bool finite(Point p)
{
    return std::isfinite(p.x) && std::isfinite(p.y);
}

bool allFinite(const MindMap& map)
{
    for (const layouttest::Placed& placed : layouttest::record(map)) {
        const RelationPath& path = placed.path;
        for (Point p : {placed.location, placed.connection, path.p0, path.p1, path.p2, path.p3, path.leadInPoint,
                        path.leadOutPoint}) {
            if (!finite(p)) return false;
        }
        if (!std::isfinite(placed.measured.width) || !std::isfinite(placed.measured.height)) return false;
    }
    return true;
}

TEST_F(StrictLayoutTest, DirectionsOutsideTheCodesLayOutAsTheDefault)
{
    for (int32_t mode = 1; mode <= 4; ++mode) {
        fresh();
        MindMapNode* root = smallBranch(mode, 0);
        MindMapNode* inner = root->childAtIndex(0);
        StrictNodeLayouter::layoutBranch(root, mode);
        const auto expected = layouttest::record(map);
        for (int32_t direction : {-1, 8, 99, std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::min()}) {
            SCOPED_TRACE(testing::Message() << mode << "/" << direction);
            root->setLayoutDirection(direction);
            StrictNodeLayouter::layoutBranch(root, mode);
            EXPECT_TRUE(layouttest::record(map) == expected);
        }
        // An inner topic with a wild direction grows away from its parent, as with none.
        inner->setLayoutDirection(0);
        StrictNodeLayouter::layoutBranch(inner, mode);
        const auto innerExpected = layouttest::record(map);
        inner->setLayoutDirection(-5);
        StrictNodeLayouter::layoutBranch(inner, mode);
        EXPECT_TRUE(layouttest::record(map) == innerExpected);
    }
}

TEST_F(StrictLayoutTest, NonFiniteAndHugeValuesLayOutToFinitePlaces)
{
    const double huge = std::numeric_limits<double>::max();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Point places[] = {{nan, nan}, {huge, -huge}, {-huge, huge}, {1e300, 1e300}};
    for (int32_t mode = 1; mode <= 4; ++mode) {
        for (int32_t connection : {0, 1}) {
            for (Point at : places) {
                SCOPED_TRACE(testing::Message() << mode << "/" << connection << "/" << at.x);
                fresh();
                setConnectionStyle(connection);
                MindMapNode* root = smallBranch(mode, 0);
                root->setLocation(at);
                for (MindMapNode* node : map.nodes()) {
                    if (node != root) node->setLocation({-at.x, -at.y});
                    node->parentRelation()->relationPath().leadOutWidth = node == root ? nan : huge;
                }
                map.nodes().back()->setIsHidden(true);
                StrictNodeLayouter::layoutBranch(root, mode);
                EXPECT_TRUE(allFinite(map));
                StrictNodeLayouter::newLayouter(map, mode)->doLayoutMindMap();
                EXPECT_TRUE(allFinite(map));
            }
        }
    }
}

TEST_F(StrictLayoutTest, BranchesDeeperThanTheStackLayOut)
{
    // Far deeper than a recursive walk could go.
    const size_t depth = 100001;
    std::vector<MindMapNode*> chain = loadingChain(depth);
    for (MindMapNode* node : chain) node->loaded();
    for (int32_t mode = 1; mode <= 4; ++mode) {
        SCOPED_TRACE(mode);
        StrictNodeLayouter::layoutBranch(chain.front(), mode);
        const Point deepest = chain.back()->location();
        EXPECT_TRUE(finite(deepest));
        // Every level steps away from the one above.
        EXPECT_NE(deepest, chain[depth - 2]->location());
    }
    chain.front()->setCollapsed(true);
    StrictNodeLayouter::layoutBranch(chain.front(), 1);
    EXPECT_TRUE(finite(chain.back()->location()));
}

} // namespace
