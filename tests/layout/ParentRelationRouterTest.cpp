// Routing the lines of freely placed topics: centred curves and their chained offsets, the side a
// branch takes, and branches too deep for recursion.

#include "LayoutTestSupport.h"

#include "MindMaps/MapLayouter.h"
#include "MindMaps/RelationStyle.h"
#include "layout/LayoutInstallation.h"
#include "layout/ParentRelationRouter.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// The weight as first defined: each level summed again from its children.
double referenceWeight(const MindMapNode* node, double anchor)
{
    double weight = node->location().x - anchor;
    for (const MindMapNode* child : node->children()) weight += referenceWeight(child, anchor);
    return weight;
}

class ParentRelationRouterTest : public LayoutTest {
protected:
    MindMapNode* at(MindMapNode* parent, Point location) { return topic(parent, location); }
    static RelationPath& path(MindMapNode* node) { return node->parentRelation()->relationPath(); }
};

TEST_F(ParentRelationRouterTest, CentredCurvesBendAtTheFixedDivisorAndChainTheirOffsets)
{
    const double d = 2.001;
    struct Case {
        Point child, grandchild; // the grandchild's line is checked when it has one
        Point p1, p2;
    } cases[] = {
        {{100, 10}, {}, {100 / d, 2.5}, {100 / d, 10}},    // horizontal
        {{0, 100}, {}, {0, 100 / d}, {0, 100 / d}},        // d.x = 0: vertical
        {{0, 0}, {0, 100}, {0, 25}, {0, 100}},             // d = 0: horizontal, handed down
        {{200, 0}, {300, 100}, {250, 25}, {500 / d, 100}}, // offset 200 / 2.001 clamped to 50
    };
    for (const Case& c : cases) {
        MindMapNode* parent = at(nullptr, {0, 0});
        MindMapNode* last = at(parent, c.child);
        if (c.grandchild != Point()) last = at(last, c.grandchild);
        ParentRelationRouter::updateParentRelations(parent, 0, Point());
        EXPECT_EQ(path(last).p1, c.p1);
        EXPECT_EQ(path(last).p2, c.p2);
        map.removeMindMapNode(parent);
    }
}

TEST_F(ParentRelationRouterTest, StraightLinesLoseTheirHandleAndValidationSettles)
{
    installLayout();
    MindMapNode* parent = at(nullptr, {0, 0});
    MindMapNode* straight = at(parent, {200, 0});
    MindMapNode* orthogonal = at(parent, {0, 200});
    straight->parentRelation()->ownStyle()->changePathStyle(MindMapRelation::PathStyleStraight);
    orthogonal->parentRelation()->ownStyle()->changePathStyle(MindMapRelation::PathStyleOrthogonal);
    straight->parentRelation()->setHasCustomPath(true);
    for (int32_t connectionStyle : {0, 1, 2}) {
        setConnectionStyle(connectionStyle);
        map.validateElementStates();
        map.validateElementStates();
        EXPECT_FALSE(map.needsLayout()) << "repaints would lay out again";
        EXPECT_TRUE(path(straight).isStraightLine());
        EXPECT_FALSE(straight->parentRelation()->hasCustomPath());
        EXPECT_TRUE(path(orthogonal).isOrthogonal());
    }
    MapLayouter::install(nullptr);
}

TEST_F(ParentRelationRouterTest, SideLinesStartAtTheThemeEdgeOnTheBranchSide)
{
    setConnectionStyle(1);
    MindMapNode* centre = at(nullptr, {0, 0});
    MindMapNode* balanced = at(centre, {0, 100});
    MindMapNode* left = at(centre, {-200, 50});
    ParentRelationRouter::updateParentRelations(map);
    const Rect t = centre->bounds();
    const Rect b = balanced->bounds();
    // Weight 0 is the right side.
    EXPECT_EQ(path(balanced).p0, Point({t.maxX(), 0}));
    EXPECT_EQ(path(balanced).p3, Point({b.minX(), b.maxY()}));
    EXPECT_EQ(path(balanced).leadOutPoint(), Point({b.maxX(), b.maxY()}));
    EXPECT_EQ(path(left).p3, Point({left->bounds().maxX(), left->bounds().maxY()}));

    setConnectionStyle(2);
    ParentRelationRouter::updateParentRelations(map);
    EXPECT_EQ(path(left).p0, Point({t.minX() + centre->borderInset(), 0}));
    EXPECT_EQ(path(balanced).p0, Point()) << "no edge 20 clear of the child: from the centre";
}

TEST_F(ParentRelationRouterTest, SummedWeightsPickTheSidesOfTheReference)
{
    auto expectSameSides = [this] {
        const ParentRelationRouter::TreeWeights weights(map);
        for (const MindMapNode* node : map.nodes()) {
            if (!node->parent()) continue;
            const double anchor = node->parent()->location().x;
            EXPECT_EQ(weights.childTreeWeight(node, anchor) >= 0, referenceWeight(node, anchor) >= 0);
        }
    };
    std::mt19937 random(7);
    std::uniform_real_distribution<double> spread(-500, 500);
    std::vector<MindMapNode*> open{at(nullptr, {0, 0})};
    for (size_t i = 0; open.size() < 400; ++i)
        for (int k = 0; k < 4; ++k) open.push_back(at(open[i], {spread(random), spread(random)}));
    expectSameSides();
    map.removeMindMapNode(open.front());

    MindMapNode* tie = at(at(nullptr, {100, 0}), {100, 80});
    at(tie, {40, 160});
    at(tie, {160, 160});
    EXPECT_EQ(ParentRelationRouter::TreeWeights(map).childTreeWeight(tie, 100), 0);
    EXPECT_EQ(referenceWeight(tie, 100), 0);
    map.removeMindMapNode(tie->parent());

    MindMapNode* last = at(nullptr, {0, 0});
    for (int i = 1; i < 5000; ++i) last = at(last, {std::sin(i * 0.37) * 300 + i * 0.01, i * 30.0});
    expectSameSides();
}

TEST_F(ParentRelationRouterTest, DeepChainsRouteWithoutRecursionTheSameEachTime)
{
    std::vector<MindMapNode*> chain = loadingChain(100000);
    for (size_t i = 0; i < chain.size(); ++i) chain[i]->setLocation({static_cast<double>(i % 7) * 40, i * 30.0});
    map.rethinkCentralThemes();
    for (int32_t connectionStyle : {0, 1, 2}) {
        setConnectionStyle(connectionStyle);
        ParentRelationRouter::updateParentRelations(map);
        const RelationPath first = path(chain.back());
        ParentRelationRouter::updateParentRelations(map);
        EXPECT_TRUE(path(chain.back()).p1 == first.p1 && path(chain.back()).p3 == first.p3);
        EXPECT_EQ(first.p3.y, connectionStyle == 1 ? chain.back()->bounds().maxY() : chain.back()->location().y);
    }
}

} // namespace
