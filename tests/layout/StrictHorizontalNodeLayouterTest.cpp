#include "StrictLayoutTestSupport.h"

#include "MindMaps/NodeStyle.h"
#include "layout/StrictHorizontalNodeLayouter.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using layouttest::StrictLayoutTest;

TEST(StrictHorizontalSplit, BalancesTheSidesAndGivesATieToTheFirst)
{
    struct Case {
        std::vector<double> extents;
        size_t first;
    };
    const Case cases[] = {
        {{20, 20, 20, 100}, 3}, // half 80 is reached at the fourth, but three are closer
        {{30, 30}, 1},
        {{100, 20, 20, 20}, 1},
        {{10, 10, 10}, 2},
        {{0, 0}, 1},
        {{5}, 1},
        {{}, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(StrictHorizontalNodeLayouter::balancedSplit(c.extents), c.first);
}

TEST_F(StrictLayoutTest, HorizontalMeasuresOwnHeightChildrenAndHulls)
{
    MindMapNode* root = topic(nullptr, {}, "Root");
    MindMapNode* leaf = topic(root, {}, "leaf");
    MindMapNode* pair = topic(root, {}, "pair");
    topic(pair, {}, "a");
    topic(pair, {}, "b");
    MindMapNode* folded = topic(root, {}, "folded");
    for (int i = 0; i < 3; ++i) topic(folded, {}, "x");
    folded->setCollapsed(true);
    MindMapNode* hull = topic(root, {}, "hull");
    hull->assureHullStyle();
    MindMapNode* hidden = topic(root, {}, "hidden");
    hidden->setIsHidden(true);
    root->setLayoutDirection(2);
    StrictNodeLayouter::layoutBranch(root, 1);

    const double h = leaf->size().height;
    EXPECT_EQ(leaf->measuredSize(), (Size{leaf->size().width, h + 6}));
    EXPECT_EQ(pair->measuredSize().height, std::max(h + 6, 2 * (h + 6)) + 6);
    EXPECT_EQ(folded->measuredSize().height, h + 6 + 6);
    EXPECT_EQ(hull->measuredSize().height, h + 6 + 6);
    EXPECT_EQ(hidden->measuredSize(), (Size{32, 22}));
    EXPECT_DOUBLE_EQ(hidden->location().x, root->location().x + root->size().width / 2 + 50 + 16);
}

TEST_F(StrictLayoutTest, HorizontalColumnStandsFiftyBesideTheParentCentredOnIt)
{
    MindMapNode* root = topic(nullptr, {10, 20}, "Root");
    MindMapNode* parent = topic(root, {300, 40}, "parent");
    std::vector<MindMapNode*> column;
    for (const char* text : {"a", "b\nb", "c\nc\nc"}) column.push_back(topic(parent, {0, 0}, text));
    StrictNodeLayouter::layoutBranch(parent, 1);

    // The parent keeps its place; its children stand right of it because it is right of the root.
    EXPECT_EQ(parent->location(), (Point{300, 40}));
    const double margin = 300 + parent->size().width / 2 + 50;
    double total = 0;
    for (MindMapNode* node : column) total += node->measuredSize().height;
    double top = 40 - total / 2;
    for (MindMapNode* node : column) {
        EXPECT_DOUBLE_EQ(node->bounds().minX(), margin);
        EXPECT_DOUBLE_EQ(node->location().y, top + node->measuredSize().height / 2);
        top += node->measuredSize().height;
    }
    EXPECT_EQ(parent->connectionPoint(), (Point{300 + parent->size().width / 2 - parent->borderInset(), 40}));

    // Left of the root the branch grows leftward; direction 2 turns it right again.
    parent->setLocation({-300, 40});
    StrictNodeLayouter::layoutBranch(parent, 1);
    EXPECT_DOUBLE_EQ(column[0]->bounds().maxX(), -300 - parent->size().width / 2 - 50);
    parent->setLayoutDirection(2);
    StrictNodeLayouter::layoutBranch(parent, 1);
    EXPECT_DOUBLE_EQ(column[0]->bounds().minX(), -300 + parent->size().width / 2 + 50);
}

TEST_F(StrictLayoutTest, HorizontalRootSplitsItsChildrenBetweenTheSides)
{
    struct Case {
        int32_t direction;
        std::vector<double> oldX;
        std::vector<bool> right;
    };
    const Case cases[] = {
        {0, {0, 0}, {true, false}}, // an equal pair: the first goes right
        {1, {100, 100}, {false, false}},
        {2, {-100, -100}, {true, true}},
        {7, {100, 100, 100}, {true, true, true}},
        {7, {100, -100, 100}, {true, false, false}}, // from the first one left of the theme on
        {8, {0, 0}, {true, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.direction);
        fresh();
        MindMapNode* root = topic(nullptr, {0, 0}, "Root");
        std::vector<MindMapNode*> children;
        for (double x : c.oldX) children.push_back(topic(root, {x, 0}, "same"));
        root->setLayoutDirection(c.direction);
        StrictNodeLayouter::layoutBranch(root, 1);
        for (size_t i = 0; i < children.size(); ++i) EXPECT_EQ(children[i]->location().x > 0, c.right[i]) << i;
    }
}

TEST_F(StrictLayoutTest, HorizontalRootLinesLeaveFromTheEdgeOfTheirSide)
{
    MindMapNode* root = smallBranch(1, 0);
    StrictNodeLayouter::layoutBranch(root, 1);
    const Rect bounds = root->bounds();
    const double inset = root->borderInset();
    int right = 0;
    for (MindMapNode* node : root->children()) {
        const bool onRight = node->location().x > 0;
        right += onRight;
        const Point p0 = node->parentRelation()->relationPath().p0;
        EXPECT_EQ(p0, (Point{onRight ? bounds.maxX() - inset : bounds.minX() + inset, 0}));
        EXPECT_DOUBLE_EQ(onRight ? node->bounds().minX() : node->bounds().maxX(),
                         onRight ? bounds.maxX() + 50 : bounds.minX() - 50);
    }
    EXPECT_EQ(right, 2);
}

TEST_F(StrictLayoutTest, HorizontalBaselineRunsAlongTheBottomEdge)
{
    setConnectionStyle(1);
    MindMapNode* root = smallBranch(1, 2);
    MindMapNode* boxed = root->childAtIndex(1);
    MindMapNode* bare = root->childAtIndex(2);
    bare->style()->changeBorderStyle(NodeStyle::NoBorder);
    bare->validateNodeState();
    bare->parentRelation()->relationPath().leadOutWidth = 4;
    StrictNodeLayouter::layoutBranch(root, 1);

    const RelationPath& boxedPath = boxed->parentRelation()->relationPath();
    EXPECT_DOUBLE_EQ(boxedPath.p3.y, boxed->location().y + boxed->size().height / 2);
    EXPECT_DOUBLE_EQ(bare->parentRelation()->relationPath().p3.y, bare->location().y + bare->size().height / 2 + 2);
    // Without children the line still continues from the far edge.
    EXPECT_EQ(boxed->connectionPoint(),
              (Point{boxed->location().x + boxed->size().width / 2 - boxed->borderInset(), boxedPath.p3.y}));
    // The lead-out width counts in the measured height.
    EXPECT_EQ(bare->measuredSize().height, bare->size().height + 6 + 4);
}

} // namespace
