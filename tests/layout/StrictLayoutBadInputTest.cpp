#include "StrictLayoutTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace {

using layouttest::StrictLayoutTest;

TEST_F(StrictLayoutTest, DirectionsOutsideTheCodesLayOutAsTheDefault)
{
    for (int32_t mode = 1; mode <= 4; ++mode) {
        fresh();
        MindMapNode* root = smallBranch(mode, 0);
        MindMapNode* inner = root->childAtIndex(0);
        StrictNodeLayouter::layoutBranch(root, mode);
        StrictNodeLayouter::layoutBranch(inner, mode);
        const auto expected = layouttest::record(map);
        for (int32_t direction : {-1, 8, INT32_MAX, INT32_MIN}) {
            SCOPED_TRACE(testing::Message() << mode << "/" << direction);
            root->setLayoutDirection(direction);
            inner->setLayoutDirection(direction);
            StrictNodeLayouter::layoutBranch(root, mode);
            StrictNodeLayouter::layoutBranch(inner, mode);
            EXPECT_TRUE(layouttest::sameBits(layouttest::record(map), expected));
        }
    }
}

TEST_F(StrictLayoutTest, NonFiniteAndHugeValuesLayOutToFinitePlaces)
{
    const double huge = std::numeric_limits<double>::max();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (int32_t mode = 1; mode <= 4; ++mode) {
        for (int32_t connection : {0, 1}) {
            for (Point at : {Point{nan, nan}, Point{huge, -huge}, Point{1e300, 1e300}}) {
                SCOPED_TRACE(testing::Message() << mode << "/" << connection << "/" << at.x);
                fresh();
                setConnectionStyle(connection);
                MindMapNode* root = smallBranch(mode, 0);
                for (MindMapNode* node : map.nodes()) {
                    node->setLocation(node == root ? at : Point{-at.x, -at.y});
                    node->parentRelation()->relationPath().setLeadOutWidth(node == root ? nan : huge);
                }
                map.nodes().back()->setIsHidden(true);
                StrictNodeLayouter::layoutBranch(root, mode);
                StrictNodeLayouter::newLayouter(map, mode)->doLayoutMindMap();
                for (double value : layouttest::record(map)) ASSERT_TRUE(std::isfinite(value));
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
        StrictNodeLayouter::layoutBranch(chain.front(), mode);
        const Point deepest = chain.back()->location();
        EXPECT_TRUE(std::isfinite(deepest.x) && std::isfinite(deepest.y)) << mode;
        EXPECT_NE(deepest, chain[depth - 2]->location()) << mode;
    }
}

} // namespace
