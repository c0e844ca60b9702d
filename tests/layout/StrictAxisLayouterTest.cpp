#include "StrictLayoutTestSupport.h"

#include "MindMaps/NodeStyle.h"
#include "layout/StrictAxisLayouter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using layouttest::StrictLayoutTest;

TEST(StrictAxisSplit, BalancesTheSidesAndGivesATieToTheFirst)
{
    const std::pair<std::vector<double>, size_t> cases[] = {
        {{20, 20, 20, 100}, 3}, // half (80) is reached at the fourth, but three come closer
        {{30, 30}, 1},          {{100, 20, 20, 20}, 1}, {{10, 10, 10}, 2}, {{0, 0}, 1}, {{}, 0}};
    for (const auto& [extents, first] : cases) EXPECT_EQ(StrictAxisLayouter::balancedSplit(extents), first);
}

TEST_F(StrictLayoutTest, RootsSplitTheirChildrenBetweenTheSides)
{
    struct Case {
        int32_t mode, direction;
        std::vector<double> old; // along the growth axis
        std::vector<bool> first; // right of (above) the root
    };
    const Case cases[] = {
        {1, 0, {0, 0}, {true, false}},                  // an equal pair: the first goes right
        {1, 1, {100, 100}, {false, false}},             // all left
        {1, 2, {-100, -100}, {true, true}},             // all right
        {1, 7, {100, -100, 100}, {true, false, false}}, // from the first one left of the theme on
        {2, 3, {100, 100}, {true, true}},               // all above
        {2, 5, {-100, -100}, {false, false}},           // all below
        {2, 4, {0, 0}, {true, false}},                  // not offered for this mode: balanced
        {2, 7, {-100, 100, -100}, {true, false, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.mode << "/" << c.direction);
        fresh();
        MindMapNode* root = topic(nullptr, {0, 0}, "Root");
        std::vector<MindMapNode*> children;
        for (double at : c.old) children.push_back(topic(root, c.mode == 1 ? Point{at, 0} : Point{0, at}, "same"));
        root->setLayoutDirection(c.direction);
        StrictNodeLayouter::layoutBranch(root, c.mode);
        for (size_t i = 0; i < children.size(); ++i) {
            const Point at = children[i]->location();
            EXPECT_EQ(c.mode == 1 ? at.x > 0 : at.y < 0, c.first[i]) << i;
        }
    }
}

TEST_F(StrictLayoutTest, AxisLayoutsMeasureOwnExtentChildrenAndHulls)
{
    for (int32_t mode : {1, 2}) {
        SCOPED_TRACE(mode);
        fresh();
        MindMapNode* root = topic(nullptr, {}, "Root");
        MindMapNode* leaf = topic(root, {}, "leaf");
        MindMapNode* pair = topic(root, {}, "pair");
        MindMapNode* a = topic(pair, {}, "a");
        topic(pair, {}, "b");
        MindMapNode* folded = topic(root, {}, "folded");
        for (int i = 0; i < 3; ++i) topic(folded, {}, "x");
        folded->setCollapsed(true);
        MindMapNode* hull = topic(root, {}, "hull");
        hull->assureHullStyle();
        MindMapNode* hidden = topic(root, {}, "hidden");
        hidden->setIsHidden(true);
        root->setLayoutDirection(mode == 1 ? 2 : 5);
        StrictNodeLayouter::layoutBranch(root, mode);

        const bool alongX = mode == 1;
        auto across = [&](MindMapNode* node) {
            return alongX ? node->measuredSize().height : node->measuredSize().width;
        };
        auto own = [&](MindMapNode* node) { return alongX ? node->size().height + 6 : node->size().width + 12; };
        const double siblings = alongX ? 6 : 4;
        EXPECT_EQ(across(leaf), own(leaf));
        EXPECT_EQ(alongX ? leaf->measuredSize().width : leaf->measuredSize().height,
                  alongX ? leaf->size().width : leaf->size().height);
        EXPECT_EQ(across(pair), std::max(own(pair), 2 * across(a)) + siblings);
        EXPECT_EQ(across(folded), own(folded) + siblings);
        EXPECT_EQ(across(hull), own(hull) + 6);
        EXPECT_EQ(hidden->measuredSize(), (alongX ? Size{32, 22} : Size{44, 16}));
        // The gap: 50 beside, 60 below.
        EXPECT_DOUBLE_EQ(alongX ? a->bounds().minX() : a->bounds().minY(),
                         (alongX ? pair->bounds().maxX() : pair->bounds().maxY()) + (alongX ? 50 : 60));
    }
}

TEST_F(StrictLayoutTest, HorizontalBaselineRunsAlongTheBottomEdge)
{
    setConnectionStyle(1);
    MindMapNode* root = smallBranch(1, 2);
    MindMapNode* boxed = root->childAtIndex(1);
    MindMapNode* bare = root->childAtIndex(2);
    bare->style()->changeBorderStyle(NodeStyle::NoBorder);
    bare->validateNodeState();
    bare->parentRelation()->relationPath().setLeadOutWidth(4);
    StrictNodeLayouter::layoutBranch(root, 1);

    const RelationPath& path = boxed->parentRelation()->relationPath();
    EXPECT_DOUBLE_EQ(path.p3.y, boxed->location().y + boxed->size().height / 2);
    EXPECT_DOUBLE_EQ(bare->parentRelation()->relationPath().p3.y, bare->location().y + bare->size().height / 2 + 2);
    // Without children the line still continues from the far edge.
    EXPECT_EQ(boxed->connectionPoint(),
              (Point{boxed->location().x + boxed->size().width / 2 - boxed->borderInset(), path.p3.y}));
    EXPECT_EQ(bare->measuredSize().height, bare->size().height + 6 + 4);
}

} // namespace
