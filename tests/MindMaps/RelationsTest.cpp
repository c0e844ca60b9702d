#include "MindMapTestSupport.h"

#include "MindMaps/ContainedElement.h"
#include "MindMaps/CrossLink.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapStyle.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/ParentRelation.h"
#include "MindMaps/RelationStyle.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <memory>
#include <vector>

using maptest::Box;
using maptest::CountingNodeEditor;

namespace {

class RelationsTest : public ::testing::Test {
protected:
    MindMapNode* node(MindMapNode* parent, Point location)
    {
        owned.push_back(std::make_unique<MindMapNode>(&map, parent, location, false));
        return owned.back().get();
    }

    std::unique_ptr<CrossLink> link(MindMapNode* source, MindMapNode* target)
    {
        auto crossLink = std::make_unique<CrossLink>(&map);
        crossLink->setSourceNode(source);
        crossLink->setTargetNode(target);
        return crossLink;
    }

    // A relation style carrying its own line and path style and width.
    static void styleLine(MindMapRelation& relation, int32_t lineStyle, double width, int32_t pathStyle = 0)
    {
        RelationStyle* style = relation.ownStyle();
        ElementStyle::UpdateGuard batch(*style);
        style->setPropCustomized(
            RelationStyle::LineStyleMask | RelationStyle::LineWidthMask | RelationStyle::PathStyleMask, true);
        style->setLineStyle(lineStyle);
        style->setLineWidth(width);
        style->setRelationPathStyle(pathStyle);
    }

    MindMap map;
    std::vector<std::unique_ptr<MindMapNode>> owned;
};

TEST_F(RelationsTest, CurvedLinkPutsControlPointsAlongTheWiderDistance)
{
    MindMapNode* a = node(nullptr, {0, 0});
    MindMapNode* b = node(nullptr, {300, 100});
    auto crossLink = link(a, b);
    styleLine(*crossLink, 0, 1, MindMapRelation::PathStyleCurved);
    crossLink->updatePath();
    const RelationPath& path = crossLink->relationPath();
    EXPECT_EQ(path.bezierStyle(), 0);
    EXPECT_EQ(path.p0, (Point{0, 0}));
    EXPECT_EQ(path.p3, (Point{300, 100}));
    EXPECT_NEAR(path.p1.x, 120.3, 1e-9);
    EXPECT_DOUBLE_EQ(path.p1.y, 0);
    EXPECT_NEAR(path.p2.x, 300 - 120.3, 1e-9);
    EXPECT_DOUBLE_EQ(path.p2.y, 100);
}

TEST_F(RelationsTest, LinkWithAMissingEndIsNotRouted)
{
    MindMapNode* a = node(nullptr, {50, 50});
    auto crossLink = link(a, nullptr);
    crossLink->updatePath();
    EXPECT_TRUE(crossLink->relationPath().isNull());
}

TEST_F(RelationsTest, TaperedLineWidths)
{
    MindMapNode* root = node(nullptr, {});
    MindMapNode* child = node(root, {100, 0});
    ParentRelation& relation = *child->parentRelation();

    styleLine(relation, 7, 1);
    relation.updatePathTaper();
    EXPECT_EQ(relation.relationPath().taperWidth(), 4);
    EXPECT_DOUBLE_EQ(relation.relationPath().leadOutWidth(), 1);

    styleLine(relation, 7, 3);
    relation.updatePathTaper();
    EXPECT_EQ(relation.relationPath().taperWidth(), 6); // round(5.5)
    EXPECT_DOUBLE_EQ(relation.relationPath().leadOutWidth(), 3);

    styleLine(relation, 8, 3);
    relation.updatePathTaper();
    EXPECT_EQ(relation.relationPath().taperWidth(), -6);
    EXPECT_DOUBLE_EQ(relation.relationPath().leadOutWidth(), 15);
}

TEST_F(RelationsTest, AutoTaperThinsWithTheLevel)
{
    std::vector<MindMapNode*> chain{node(nullptr, {})};
    for (int level = 1; level <= 6; ++level) chain.push_back(node(chain.back(), {}));

    struct Expected {
        int level;
        int64_t taper;
        double leadOut;
    };
    const double w = 2;
    for (Expected expected : {Expected{1, 3, w + 6}, Expected{2, 1, w + 4}, Expected{3, 1, w + 2}, Expected{4, 1, w},
                              Expected{5, 0, w}, Expected{6, 0, w}}) {
        ParentRelation& relation = *chain[static_cast<size_t>(expected.level)]->parentRelation();
        styleLine(relation, 9, w);
        relation.updatePathTaper();
        EXPECT_EQ(relation.relationPath().taperWidth(), expected.taper) << "level " << expected.level;
        EXPECT_DOUBLE_EQ(relation.relationPath().leadOutWidth(), expected.leadOut) << "level " << expected.level;
        EXPECT_TRUE(relation.isTapered());
    }
}

TEST_F(RelationsTest, TaperOfAWidthThatIsNoNumberIsHarmless)
{
    MindMapNode* a = node(nullptr, {});
    MindMapNode* b = node(nullptr, {});
    auto crossLink = link(a, b);
    styleLine(*crossLink, 7, std::numeric_limits<double>::quiet_NaN());
    crossLink->updatePathTaper();
    EXPECT_EQ(crossLink->relationPath().taperWidth(), 4);
    styleLine(*crossLink, 8, 1e300);
    crossLink->updatePathTaper();
    EXPECT_LT(crossLink->relationPath().taperWidth(), 0);
}

TEST_F(RelationsTest, DraggingTheHandleOfAStraightRelationMakesItOrthogonal)
{
    MindMapNode* a = node(nullptr, {0, 0});
    MindMapNode* b = node(nullptr, {200, 0});
    auto crossLink = link(a, b);
    styleLine(*crossLink, 0, 1, MindMapRelation::PathStyleStraight);
    crossLink->ownStyle()->setPropCustomized(RelationStyle::PathStyleMask, false);
    map.style()->crossLinkStyle()->setPropCustomized(RelationStyle::PathStyleMask, true);
    map.style()->crossLinkStyle()->setRelationPathStyle(MindMapRelation::PathStyleStraight);
    ASSERT_EQ(crossLink->style()->relationPathStyle(), MindMapRelation::PathStyleStraight);
    crossLink->updatePath();
    map.setNeedsLayout(false);

    crossLink->moveCustomPoint({100, 60});
    EXPECT_TRUE(crossLink->hasCustomPath());
    EXPECT_TRUE(crossLink->style()->isPropCustomized(RelationStyle::PathStyleMask));
    EXPECT_EQ(crossLink->style()->relationPathStyle(), MindMapRelation::PathStyleOrthogonal);
    EXPECT_EQ(crossLink->relationPath().customOffset(), (Point{0, 60}));
    EXPECT_TRUE(map.needsLayout());
}

} // namespace

// A line without values of its own answers the map's part style; a change of any kind gives that
// one line a style of its own and leaves the other lines, and the shared answer, as they were.
TEST_F(RelationsTest, LineGainsItsOwnStyleOnlyWhenChanged)
{
    struct Case {
        const char* name;
        std::function<void(MindMapRelation&)> change;
        std::function<bool(const RelationStyle&)> changed;
    };
    const std::vector<Case> cases = {
        {"colour", [](MindMapRelation& r) { r.setColor(Color(1, 0, 0)); },
         [](const RelationStyle& s) { return s.color() == Color(1, 0, 0); }},
        {"line style", [](MindMapRelation& r) { r.ownStyle()->changeLineStyle(6); },
         [](const RelationStyle& s) { return s.lineStyle() == 6; }},
        {"path style", [](MindMapRelation& r) { r.ownStyle()->changePathStyle(MindMapRelation::PathStyleStraight); },
         [](const RelationStyle& s) { return s.relationPathStyle() == MindMapRelation::PathStyleStraight; }},
        {"preset",
         [](MindMapRelation& r) {
             RelationStyle preset;
             preset.setPropCustomized(RelationStyle::TargetArrowMask, true);
             preset.setTargetArrowStyle(2);
             r.applyPreset(&preset);
         },
         [](const RelationStyle& s) { return s.targetArrowStyle() == 2; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MindMapNode* root = node(nullptr, {0, 0});
        MindMapNode* first = node(root, {200, 0});
        MindMapNode* second = node(root, {200, 100});
        ParentRelation& changedLine = *first->parentRelation();
        const ParentRelation& plainLine = *second->parentRelation();
        const RelationStyle& part = *map.style()->parentRelationStyle();
        ASSERT_FALSE(changedLine.hasOwnStyle());
        EXPECT_EQ(changedLine.style(), plainLine.style()) << "lines without values share one answer";
        EXPECT_EQ(plainLine.style()->lineStyle(), part.lineStyle());
        EXPECT_EQ(plainLine.style()->lineWidth(), part.lineWidth());
        EXPECT_FALSE(plainLine.style()->isStored());

        c.change(changedLine);
        EXPECT_TRUE(changedLine.hasOwnStyle());
        EXPECT_TRUE(c.changed(*changedLine.style()));
        EXPECT_FALSE(plainLine.hasOwnStyle());
        EXPECT_NE(changedLine.style(), plainLine.style());
        EXPECT_EQ(plainLine.style(), &map.style()->blankParentRelationStyle());
        EXPECT_FALSE(plainLine.style()->isStored());
        EXPECT_EQ(plainLine.style()->color(), part.color());
        owned.clear();
    }
}
