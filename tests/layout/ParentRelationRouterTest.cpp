// Routing the lines of freely placed topics: the centred curves and their chained offsets, the
// side-connected lines and which side a branch takes, and branches too deep for recursion.

#include "MindMaps/MindMapNodeTestSupport.h"

#include "MindMaps/MindMapStyle.h"
#include "MindMaps/RelationStyle.h"
#include "layout/ParentRelationRouter.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using Weights = ParentRelationRouter::TreeWeights;

// The weight as first defined: each level summed again from its children.
double referenceChildTreeWeight(const MindMapNode* node, double anchor)
{
    double weight = node->location().x - anchor;
    for (const MindMapNode* child : node->children()) weight += referenceChildTreeWeight(child, anchor);
    return weight;
}

class ParentRelationRouterTest : public nodetest::NodeTest {
protected:
    MindMapNode* at(MindMapNode* parent, Point location)
    {
        MindMapNode* node = parent ? child(parent, location) : theme("t");
        node->setLocation(location);
        node->setText("abcdefghij");
        settle(node);
        return node;
    }
    static RelationPath& path(MindMapNode* node) { return node->parentRelation()->relationPath(); }
    static void setPathStyle(MindMapNode* node, int32_t style)
    {
        node->parentRelation()->style()->changePathStyle(style);
    }
    void setConnectionStyle(int32_t style)
    {
        map.style()->setConnectionStyle(style);
        map.style()->setPropCustomized(MindMapStyle::ConnectionStyleMask, true);
    }

    // Every node of the map on the same side by the reference and by the sums.
    void expectSameSides()
    {
        const Weights weights(map);
        for (const MindMapNode* node : map.nodes()) {
            if (!node->parent()) continue;
            const double anchor = node->parent()->location().x;
            EXPECT_EQ(weights.childTreeWeight(node, anchor) >= 0, referenceChildTreeWeight(node, anchor) >= 0);
        }
    }
};

TEST_F(ParentRelationRouterTest, CentredCurvesBendAtTheFixedDivisorAndChainTheirOffsets)
{
    const double divisor = 2.001;
    struct Case {
        const char* name;
        Point child;
        Point grandchild;
        // Of the grandchild's line when it has one, else of the child's.
        Point p1, p2;
    } cases[] = {
        {"horizontal", {100, 10}, {}, {100 / divisor, 2.5}, {100 / divisor, 10}},
        {"straight above is vertical", {0, 100}, {}, {0, 100 / divisor}, {0, 100 / divisor}},
        {"same spot is horizontal", {0, 0}, {0, 100}, {0, 25}, {0, 100}},
        // The offset 200 / 2.001 handed down is clamped to half of the grandchild's 100.
        {"offset handed down", {200, 0}, {300, 100}, {250, 25}, {500 / divisor, 100}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MindMapNode* parent = at(nullptr, {0, 0});
        MindMapNode* node = at(parent, c.child);
        MindMapNode* last = node;
        if (c.grandchild != Point()) last = at(node, c.grandchild);
        ParentRelationRouter::updateParentRelations(parent, 0, Point());
        EXPECT_EQ(path(last).p1, c.p1);
        EXPECT_EQ(path(last).p2, c.p2);
        EXPECT_EQ(path(last).p3, last->location());
        EXPECT_TRUE(path(last).autoStraighten);
        EXPECT_FALSE(path(last).hasLeadOut);
        map.removeMindMapNode(parent);
    }
}

TEST_F(ParentRelationRouterTest, PathStylesShapeTheLineAndStraightLinesLoseTheirHandle)
{
    MindMapNode* parent = at(nullptr, {0, 0});
    MindMapNode* straight = at(parent, {200, 0});
    MindMapNode* orthogonal = at(parent, {0, 200});
    setPathStyle(straight, MindMapRelation::PathStyleStraight);
    setPathStyle(orthogonal, MindMapRelation::PathStyleOrthogonal);
    straight->parentRelation()->setHasCustomPath(true);
    for (int32_t connectionStyle : {0, 1, 2}) {
        SCOPED_TRACE(connectionStyle);
        setConnectionStyle(connectionStyle);
        ParentRelationRouter::updateParentRelations(map);
        EXPECT_TRUE(path(straight).isStraightLine());
        EXPECT_FALSE(straight->parentRelation()->hasCustomPath());
        EXPECT_TRUE(path(orthogonal).isOrthogonal());
    }
}

TEST_F(ParentRelationRouterTest, BaselineLinesRunAlongTheBottomOnTheBranchSide)
{
    setConnectionStyle(1);
    MindMapNode* centre = at(nullptr, {0, 0});
    MindMapNode* right = at(centre, {200, 50});
    MindMapNode* balanced = at(centre, {0, 100});
    MindMapNode* left = at(centre, {-200, 50});
    MindMapNode* grandchild = at(right, {400, 50});
    ParentRelationRouter::updateParentRelations(map);
    const Rect t = centre->bounds();
    struct Case {
        const char* name;
        MindMapNode* node;
        double startX;
        double nearX;
        double farX;
    } cases[] = {
        {"right", right, t.maxX(), right->bounds().minX(), right->bounds().maxX()},
        {"weight 0 is right", balanced, t.maxX(), balanced->bounds().minX(), balanced->bounds().maxX()},
        {"left", left, t.minX(), left->bounds().maxX(), left->bounds().minX()},
        {"from the parent's lead-out", grandchild, right->bounds().maxX(), grandchild->bounds().minX(),
         grandchild->bounds().maxX()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const RelationPath& p = path(c.node);
        const double baseline = c.node->bounds().maxY();
        EXPECT_EQ(p.p0.x, c.startX);
        EXPECT_EQ(p.p3, Point({c.nearX, baseline}));
        EXPECT_EQ(p.leadOutPoint, Point({c.farX, baseline}));
        EXPECT_TRUE(p.hasLeadOut);
        EXPECT_FALSE(p.autoStraighten);
    }
    // Below a main topic the first handle stays at least 20 beyond the start.
    const double mid = (grandchild->bounds().minX() + right->bounds().maxX()) / 2;
    EXPECT_EQ(path(grandchild).p1.x, std::max(mid, right->bounds().maxX() + 20));
    EXPECT_EQ(path(right).p2.x, std::min((right->bounds().minX() + t.maxX()) / 2, right->bounds().minX() - 20));
}

TEST_F(ParentRelationRouterTest, LeftRightLinesStartAtTheThemeEdgeFacingTheChild)
{
    setConnectionStyle(2);
    MindMapNode* centre = at(nullptr, {0, 0});
    MindMapNode* far = at(centre, {300, 40});
    MindMapNode* below = at(centre, {0, 200});
    ParentRelationRouter::updateParentRelations(map);
    const double themeEdge = centre->bounds().maxX() - centre->borderInset();
    EXPECT_EQ(path(far).p0, Point({themeEdge, 0}));
    EXPECT_EQ(path(far).p3, Point({far->bounds().minX() + far->borderInset(), 40}));
    EXPECT_EQ(path(far).leadOutPoint, Point({300, 40}));
    // Neither edge is 20 clear of the child: the line starts at the theme's centre.
    EXPECT_EQ(path(below).p0, Point({0, 0}));
}

TEST_F(ParentRelationRouterTest, SummedWeightsPickTheSidesOfTheReference)
{
    // Balanced: random positions around every parent.
    std::mt19937 random(7);
    std::uniform_real_distribution<double> spread(-500, 500);
    std::vector<MindMapNode*> open{at(nullptr, {0, 0})};
    for (size_t i = 0; open.size() < 400; ++i)
        for (int k = 0; k < 4; ++k) open.push_back(at(open[i], {spread(random), spread(random)}));
    expectSameSides();
    map.removeMindMapNode(open.front());

    // An exact tie: the branch lies symmetrically about its parent.
    MindMapNode* centre = at(nullptr, {100, 0});
    MindMapNode* tie = at(centre, {100, 80});
    at(tie, {40, 160});
    at(tie, {160, 160});
    EXPECT_EQ(Weights(map).childTreeWeight(tie, 100), 0);
    EXPECT_EQ(referenceChildTreeWeight(tie, 100), 0);
    map.removeMindMapNode(centre);

    // Deep: a chain drifting left and right.
    MindMapNode* last = at(nullptr, {0, 0});
    for (int i = 1; i < 5000; ++i) last = at(last, {std::sin(i * 0.37) * 300 + i * 0.01, i * 30.0});
    expectSameSides();
}

TEST_F(ParentRelationRouterTest, DeepChainsRouteWithoutRecursion)
{
    std::vector<MindMapNode*> chain = loadingChain(100000);
    for (size_t i = 0; i < chain.size(); ++i) chain[i]->setLocation({static_cast<double>(i % 7) * 40, i * 30.0});
    map.rethinkCentralThemes();
    for (int32_t connectionStyle : {0, 1, 2}) {
        setConnectionStyle(connectionStyle);
        ParentRelationRouter::updateParentRelations(map);
        const MindMapNode* end = chain.back();
        EXPECT_EQ(path(chain.back()).p3.y, connectionStyle == 1 ? end->bounds().maxY() : end->location().y);
        // Routed again, every line comes out bit for bit the same.
        std::vector<RelationPath> first;
        for (MindMapNode* node : chain) first.push_back(path(node));
        ParentRelationRouter::updateParentRelations(map);
        for (size_t i = 0; i < chain.size(); ++i) {
            const RelationPath& again = path(chain[i]);
            ASSERT_TRUE(again.p0 == first[i].p0 && again.p1 == first[i].p1 && again.p2 == first[i].p2 &&
                        again.p3 == first[i].p3 && again.leadOutPoint == first[i].leadOutPoint)
                << i;
        }
    }
}

} // namespace
