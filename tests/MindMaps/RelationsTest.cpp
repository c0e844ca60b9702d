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
        RelationStyle* style = relation.style();
        ElementStyle::UpdateGuard batch(*style);
        style->setPropCustomized(RelationStyle::LineStyleMask | RelationStyle::LineWidthMask | RelationStyle::PathStyleMask,
                                 true);
        style->setLineStyle(lineStyle);
        style->setLineWidth(width);
        style->setRelationPathStyle(pathStyle);
    }

    MindMap map;
    std::vector<std::unique_ptr<MindMapNode>> owned;
};

// ---------------------------------------------------------------------------------------------
// Kinds and ends

TEST_F(RelationsTest, ElementTypesAndLinkType)
{
    MindMapNode* a = node(nullptr, {});
    auto crossLink = link(a, a);
    EXPECT_EQ(crossLink->elementType(), 2);
    EXPECT_EQ(a->parentRelation()->elementType(), 4);
    EXPECT_TRUE(crossLink->isLinkType());
    EXPECT_TRUE(a->parentRelation()->isLinkType());
    EXPECT_FALSE(a->isLinkType());
}

TEST_F(RelationsTest, ParentRelationJoinsTheParentToTheNode)
{
    MindMapNode* root = node(nullptr, {});
    MindMapNode* child = node(root, {100, 0});
    ParentRelation* relation = child->parentRelation();
    EXPECT_EQ(relation->node(), child);
    EXPECT_EQ(relation->sourceNode(), root);
    EXPECT_EQ(relation->targetNode(), child);
    EXPECT_TRUE(relation->isValid());
    EXPECT_FALSE(root->parentRelation()->isValid());

    child->setParent(nullptr);
    EXPECT_EQ(relation->sourceNode(), nullptr);
    EXPECT_FALSE(relation->isValid());
}

TEST_F(RelationsTest, StylesInheritTheMapStylesRelationParts)
{
    MindMapNode* a = node(nullptr, {});
    auto crossLink = link(a, a);

    RelationStyle* crossLinkPart = map.style()->crossLinkStyle().get();
    crossLinkPart->setPropCustomized(RelationStyle::LineWidthMask, true);
    crossLinkPart->setLineWidth(7);
    RelationStyle* parentRelationPart = map.style()->parentRelationStyle().get();
    parentRelationPart->setPropCustomized(RelationStyle::LineWidthMask, true);
    parentRelationPart->setLineWidth(3);

    EXPECT_DOUBLE_EQ(crossLink->style()->lineWidth(), 7);
    EXPECT_DOUBLE_EQ(a->parentRelation()->style()->lineWidth(), 3);
    EXPECT_EQ(crossLink->style()->listener(), crossLink.get());
}

TEST_F(RelationsTest, RelationsWithoutAMapStillWork)
{
    MindMapNode loneNode(nullptr, nullptr, {5, 5});
    CrossLink crossLink(nullptr);
    crossLink.setSourceNode(&loneNode);
    crossLink.setTargetNode(&loneNode);
    crossLink.setColor(Color::black());
    crossLink.moveCustomPoint({1, 1});
    crossLink.updatePath();
    crossLink.updatePathTaper();
    EXPECT_TRUE(crossLink.hasCustomPath());
    EXPECT_EQ(loneNode.parentRelation()->sourceNode(), nullptr);
}

// ---------------------------------------------------------------------------------------------
// Visibility and hit testing

TEST_F(RelationsTest, ParentRelationUnderACollapsedParentIsInvisibleAndCannotBeHit)
{
    MindMapNode* root = node(nullptr, {0, 0});
    MindMapNode* child = node(root, {200, 0});
    ParentRelation* relation = child->parentRelation();
    const Point onTheLine{100, 1}; // the hit test looks 1 point higher
    EXPECT_TRUE(relation->isVisible());
    EXPECT_TRUE(relation->hitTest(onTheLine));
    EXPECT_EQ(relation->performHitTest({100, 0}), relation);

    root->setCollapsed(true);
    EXPECT_FALSE(relation->isVisible());
    EXPECT_FALSE(relation->hitTest(onTheLine));
    EXPECT_EQ(relation->performHitTest({100, 0}), nullptr);
}

TEST_F(RelationsTest, ParentRelationOfACentralThemeIsInvisible)
{
    MindMapNode* root = node(nullptr, {0, 0});
    EXPECT_FALSE(root->parentRelation()->isVisible());
    EXPECT_FALSE(root->parentRelation()->hitTest({0, 0}));
}

TEST_F(RelationsTest, ParentRelationFollowsItsParentsVisibility)
{
    MindMapNode* root = node(nullptr, {});
    MindMapNode* middle = node(root, {});
    MindMapNode* leaf = node(middle, {});
    EXPECT_TRUE(leaf->parentRelation()->isVisible());
    middle->setIsHidden(true);
    EXPECT_FALSE(leaf->parentRelation()->isVisible());
    // The line to a hidden topic stays, so that its unhide marker can be shown on it.
    EXPECT_TRUE(middle->parentRelation()->isVisible());
}

TEST_F(RelationsTest, CrossLinkIsVisibleWhenBothEndsAre)
{
    MindMapNode* root = node(nullptr, {});
    MindMapNode* a = node(root, {});
    MindMapNode* b = node(nullptr, {});
    auto crossLink = link(a, b);
    EXPECT_TRUE(crossLink->isVisible());
    root->setCollapsed(true);
    EXPECT_FALSE(crossLink->isVisible());
    root->setCollapsed(false);
    crossLink->setTargetNode(nullptr);
    EXPECT_FALSE(crossLink->isVisible());
    EXPECT_FALSE(crossLink->isValid());
}

TEST_F(RelationsTest, PerformHitTestPrefersTheTextsOnTheLine)
{
    MindMapNode* a = node(nullptr, {0, 0});
    MindMapNode* b = node(nullptr, {300, 0});
    auto crossLink = link(a, b);
    crossLink->updatePath();
    ContainedElement* box = crossLink->appendContainedElement(std::make_unique<Box>(crossLink.get(), Size{20, 20}));
    box->setAbsLocation(crossLink->location());
    EXPECT_EQ(crossLink->performHitTest(crossLink->location()), box);
    EXPECT_EQ(crossLink->performHitTest({50, 0}), crossLink.get());
    EXPECT_EQ(crossLink->performHitTest({150, 200}), nullptr);
    a->setIsHidden(true);
    EXPECT_EQ(crossLink->performHitTest(crossLink->location()), nullptr);
}

TEST_F(RelationsTest, UnroutedRelationIsMeasuredAsAStraightLine)
{
    MindMapNode* a = node(nullptr, {10, 20});
    MindMapNode* b = node(nullptr, {110, 70});
    auto crossLink = link(a, b);
    ASSERT_TRUE(crossLink->relationPath().isNull());
    EXPECT_EQ(crossLink->bounds(), Rect(9, 19, 102, 52));
    EXPECT_TRUE(crossLink->relationPath().isStraightLine());
    EXPECT_EQ(crossLink->location(), (Point{60, 45}));
}

TEST_F(RelationsTest, BoundsAndLocationWithOneEndTakeThatNode)
{
    MindMapNode* a = node(nullptr, {10, 20});
    CrossLink crossLink(&map);
    EXPECT_EQ(crossLink.bounds(), Rect());
    EXPECT_EQ(crossLink.location(), Point());
    crossLink.setSourceNode(a);
    EXPECT_EQ(crossLink.bounds(), a->bounds());
    EXPECT_EQ(crossLink.location(), a->location());
    MindMapNode* b = node(nullptr, {-40, 0});
    crossLink.setSourceNode(nullptr);
    crossLink.setTargetNode(b);
    EXPECT_EQ(crossLink.bounds(), b->bounds());
    EXPECT_EQ(crossLink.location(), (Point{-40, 0}));
    EXPECT_FALSE(crossLink.hitTest(b->location()));
}

// ---------------------------------------------------------------------------------------------
// Cross-link routes

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

TEST_F(RelationsTest, CurvedLinkBetweenStackedNodesBendsVertically)
{
    MindMapNode* a = node(nullptr, {0, 200});
    MindMapNode* b = node(nullptr, {50, 0});
    auto crossLink = link(a, b);
    styleLine(*crossLink, 0, 1, MindMapRelation::PathStyleCurved);
    crossLink->updatePath();
    const RelationPath& path = crossLink->relationPath();
    const double k = 0.401 * -200;
    EXPECT_DOUBLE_EQ(path.p1.x, 0);
    EXPECT_NEAR(path.p1.y, 200 + k, 1e-9);
    EXPECT_DOUBLE_EQ(path.p2.x, 50);
    EXPECT_NEAR(path.p2.y, -k, 1e-9);
}

TEST_F(RelationsTest, CustomCurvedLinkKeepsItsShape)
{
    MindMapNode* a = node(nullptr, {0, 0});
    MindMapNode* b = node(nullptr, {300, 0});
    auto crossLink = link(a, b);
    styleLine(*crossLink, 0, 1, MindMapRelation::PathStyleCurved);
    crossLink->updatePath();
    crossLink->moveCustomPoint({150, 80});
    EXPECT_TRUE(crossLink->hasCustomPath());
    b->setLocation({400, 0});
    crossLink->updatePath();
    const RelationPath& path = crossLink->relationPath();
    EXPECT_EQ(path.bezierStyle(), 3);
    EXPECT_EQ(path.p3, (Point{400, 0}));
    EXPECT_EQ(path.customOffset(), (Point{0, 80}));
}

TEST_F(RelationsTest, OrthogonalLinkRoutesBetweenTheNodes)
{
    MindMapNode* a = node(nullptr, {0, 0});
    MindMapNode* b = node(nullptr, {300, 200});
    auto crossLink = link(a, b);
    styleLine(*crossLink, 0, 1, MindMapRelation::PathStyleOrthogonal);
    crossLink->updatePath();
    EXPECT_TRUE(crossLink->relationPath().isOrthogonal());
}

TEST_F(RelationsTest, StraightLinkDropsItsCustomShape)
{
    MindMapNode* a = node(nullptr, {0, 0});
    MindMapNode* b = node(nullptr, {300, 100});
    auto crossLink = link(a, b);
    crossLink->setHasCustomPath(true);
    styleLine(*crossLink, 0, 1, MindMapRelation::PathStyleStraight);
    crossLink->updatePath();
    EXPECT_FALSE(crossLink->hasCustomPath());
    EXPECT_TRUE(crossLink->relationPath().isStraightLine());
    EXPECT_EQ(crossLink->relationPath().p0, (Point{0, 0}));
    EXPECT_EQ(crossLink->relationPath().p3, (Point{300, 100}));
}

TEST_F(RelationsTest, LinkWithAMissingEndIsNotRouted)
{
    MindMapNode* a = node(nullptr, {50, 50});
    auto crossLink = link(a, nullptr);
    crossLink->updatePath();
    EXPECT_TRUE(crossLink->relationPath().isNull());
}

TEST_F(RelationsTest, UnknownPathStyleLeavesThePathAlone)
{
    MindMapNode* a = node(nullptr, {50, 50});
    MindMapNode* b = node(nullptr, {150, 50});
    auto crossLink = link(a, b);
    styleLine(*crossLink, 0, 1, 17);
    crossLink->updatePath();
    EXPECT_TRUE(crossLink->relationPath().isNull());
}

// ---------------------------------------------------------------------------------------------
// Taper

TEST_F(RelationsTest, TaperedLineWidths)
{
    MindMapNode* root = node(nullptr, {});
    MindMapNode* child = node(root, {100, 0});
    ParentRelation& relation = *child->parentRelation();

    styleLine(relation, 7, 1);
    relation.updatePathTaper();
    EXPECT_EQ(relation.relationPath().taperWidth, 4);
    EXPECT_DOUBLE_EQ(relation.relationPath().leadOutWidth, 1);

    styleLine(relation, 7, 3);
    relation.updatePathTaper();
    EXPECT_EQ(relation.relationPath().taperWidth, 6); // round(5.5)
    EXPECT_DOUBLE_EQ(relation.relationPath().leadOutWidth, 3);

    styleLine(relation, 8, 3);
    relation.updatePathTaper();
    EXPECT_EQ(relation.relationPath().taperWidth, -6);
    EXPECT_DOUBLE_EQ(relation.relationPath().leadOutWidth, 15);

    styleLine(relation, 8, 0.5);
    relation.updatePathTaper();
    EXPECT_EQ(relation.relationPath().taperWidth, -4);
    EXPECT_DOUBLE_EQ(relation.relationPath().leadOutWidth, 8.5);
}

TEST_F(RelationsTest, OrthogonalAndPlainLinesAreNotTapered)
{
    MindMapNode* root = node(nullptr, {});
    MindMapNode* child = node(root, {100, 0});
    ParentRelation& relation = *child->parentRelation();

    styleLine(relation, 7, 3, MindMapRelation::PathStyleOrthogonal);
    relation.updatePathTaper();
    EXPECT_EQ(relation.relationPath().taperWidth, 0);
    EXPECT_DOUBLE_EQ(relation.relationPath().leadOutWidth, 3);

    styleLine(relation, 3, 2.5);
    relation.updatePathTaper();
    EXPECT_EQ(relation.relationPath().taperWidth, 0);
    EXPECT_DOUBLE_EQ(relation.relationPath().leadOutWidth, 2.5);
    EXPECT_FALSE(relation.isTapered());
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
        EXPECT_EQ(relation.relationPath().taperWidth, expected.taper) << "level " << expected.level;
        EXPECT_DOUBLE_EQ(relation.relationPath().leadOutWidth, expected.leadOut) << "level " << expected.level;
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
    EXPECT_EQ(crossLink->relationPath().taperWidth, 4);
    styleLine(*crossLink, 8, 1e300);
    crossLink->updatePathTaper();
    EXPECT_LT(crossLink->relationPath().taperWidth, 0);
}

TEST_F(RelationsTest, AutoTaperWithoutTargetIsPlain)
{
    CrossLink crossLink(&map);
    styleLine(crossLink, 9, 2);
    crossLink.updatePathTaper();
    EXPECT_EQ(crossLink.relationPath().taperWidth, 0);
    EXPECT_DOUBLE_EQ(crossLink.relationPath().leadOutWidth, 2);
}

// ---------------------------------------------------------------------------------------------
// Custom paths and style

TEST_F(RelationsTest, DraggingTheHandleOfAStraightRelationMakesItOrthogonal)
{
    MindMapNode* a = node(nullptr, {0, 0});
    MindMapNode* b = node(nullptr, {200, 0});
    auto crossLink = link(a, b);
    styleLine(*crossLink, 0, 1, MindMapRelation::PathStyleStraight);
    crossLink->style()->setPropCustomized(RelationStyle::PathStyleMask, false);
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

TEST_F(RelationsTest, DraggingTheHandleOfACurveKeepsItsStyle)
{
    MindMapNode* a = node(nullptr, {0, 0});
    MindMapNode* b = node(nullptr, {200, 0});
    auto crossLink = link(a, b);
    styleLine(*crossLink, 0, 1, MindMapRelation::PathStyleCurved);
    crossLink->moveCustomPoint({100, 60});
    EXPECT_EQ(crossLink->style()->relationPathStyle(), MindMapRelation::PathStyleCurved);
}

TEST_F(RelationsTest, CustomPathFlagReportsOnlyAChange)
{
    auto crossLink = std::make_unique<CrossLink>(&map);
    map.setNeedsLayout(false);
    crossLink->setHasCustomPath(false);
    EXPECT_FALSE(map.needsLayout());
    crossLink->setHasCustomPath(true);
    EXPECT_TRUE(crossLink->hasCustomPath());
    EXPECT_TRUE(map.needsLayout());
}

TEST_F(RelationsTest, CustomPathsAreAllowedOutsideAutomaticLayout)
{
    MindMapNode* root = node(nullptr, {});
    MindMapNode* branch = node(root, {});
    MindMapNode* leaf = node(branch, {});
    auto crossLink = link(root, leaf);
    EXPECT_TRUE(branch->parentRelation()->allowsCustomPath());
    EXPECT_TRUE(leaf->parentRelation()->allowsCustomPath());

    root->setLayoutMode(1);
    EXPECT_FALSE(branch->parentRelation()->allowsCustomPath());
    EXPECT_FALSE(leaf->parentRelation()->allowsCustomPath());
    EXPECT_TRUE(crossLink->allowsCustomPath());
    // A central theme's own mode governs only its branch.
    EXPECT_TRUE(root->parentRelation()->allowsCustomPath());
}

TEST_F(RelationsTest, SetColorCustomisesTheColourOnce)
{
    MindMapNode* a = node(nullptr, {});
    MindMapNode* b = node(nullptr, {});
    auto crossLink = link(a, b);
    CountingNodeEditor editor;
    map.setNodeEditor(&editor);

    crossLink->setColor(std::nullopt);
    EXPECT_FALSE(crossLink->style()->isPropCustomized(RelationStyle::ColorMask));
    const int changes = editor.changes;
    crossLink->setColor(Color(1, 0, 0));
    EXPECT_TRUE(crossLink->style()->isPropCustomized(RelationStyle::ColorMask));
    EXPECT_EQ(crossLink->style()->color(), Color(1, 0, 0));
    EXPECT_EQ(editor.changes, changes + 1); // one report for the flag and the colour together
    map.setNodeEditor(nullptr);
}

TEST_F(RelationsTest, ClearStyleCustomizationFollowsTheParentAgain)
{
    MindMapNode* a = node(nullptr, {});
    auto crossLink = link(a, a);
    styleLine(*crossLink, 8, 4, 2);
    crossLink->setColor(Color(0, 0, 1));
    crossLink->clearStyleCustomization();
    EXPECT_EQ(crossLink->style()->customizedProps(), 0u);
    EXPECT_EQ(crossLink->style()->lineStyle(), map.style()->crossLinkStyle()->lineStyle());
}

TEST_F(RelationsTest, PresetsAreTakenOnlyAsRelationStyles)
{
    MindMapNode* a = node(nullptr, {});
    auto crossLink = link(a, a);
    NodeStyle nodePreset;
    nodePreset.setPropCustomized(NodeStyle::BorderStyleMask, true);
    crossLink->applyPreset(&nodePreset);
    crossLink->applyPreset(nullptr);
    EXPECT_EQ(crossLink->style()->customizedProps(), 0u);

    RelationStyle preset;
    preset.setPropCustomized(RelationStyle::LineWidthMask, true);
    preset.setLineWidth(9);
    crossLink->applyPreset(&preset);
    EXPECT_TRUE(crossLink->style()->isPropCustomized(RelationStyle::LineWidthMask));
    EXPECT_DOUBLE_EQ(crossLink->style()->lineWidth(), 9);
}

TEST_F(RelationsTest, AssignToStyleTakesTheTargetsSchemeColourWhenThereIsNoColour)
{
    MindMapNode* a = node(nullptr, {});
    MindMapNode* b = node(nullptr, {});
    b->setColorSchemeStrokeColor(Color(0.2, 0.4, 0.6));
    auto crossLink = link(a, b);
    {
        ElementStyle::UpdateGuard batch(*crossLink->style());
        crossLink->style()->setPropCustomized(RelationStyle::ColorMask, true);
        crossLink->style()->setColor(std::nullopt);
    }
    RelationStyle panel;
    crossLink->assignToStyle(&panel);
    EXPECT_EQ(panel.color(), Color(0.2, 0.4, 0.6));

    crossLink->setColor(Color(1, 1, 0));
    RelationStyle coloured;
    crossLink->assignToStyle(&coloured);
    EXPECT_EQ(coloured.color(), Color(1, 1, 0));

    crossLink->assignToStyle(nullptr);
}

TEST_F(RelationsTest, StyleChangeReportsTheRelationsBounds)
{
    MindMapNode* a = node(nullptr, {});
    auto crossLink = link(a, a);
    map.setNeedsLayout(false);
    crossLink->style()->changeLineWidth(5);
    EXPECT_TRUE(map.needsLayout());
}

// ---------------------------------------------------------------------------------------------
// Connections and the map's cross-link rule

TEST_F(RelationsTest, ConnectsInEitherDirection)
{
    MindMapNode* a = node(nullptr, {});
    MindMapNode* b = node(nullptr, {});
    MindMapNode* c = node(nullptr, {});
    auto crossLink = link(a, b);
    EXPECT_TRUE(crossLink->connects(a, b));
    EXPECT_TRUE(crossLink->connects(b, a));
    EXPECT_FALSE(crossLink->connects(a, c));
    EXPECT_FALSE(crossLink->connects(a, nullptr));
    EXPECT_FALSE(crossLink->connects(nullptr, nullptr));
}

TEST_F(RelationsTest, MapRefusesSelfParentChildAndDuplicateLinks)
{
    MindMapNode* root = map.internalAddCentralTheme("Root");
    MindMapNode* child = map.addMindMapNodeAsChild(root, {100, 0});
    MindMapNode* grandchild = map.addMindMapNodeAsChild(child, {200, 0});
    MindMapNode* other = map.internalAddCentralTheme("Other");

    EXPECT_FALSE(map.canCreateCrossLinkFromSource(root, root));
    EXPECT_FALSE(map.canCreateCrossLinkFromSource(root, child));
    EXPECT_FALSE(map.canCreateCrossLinkFromSource(child, root));
    EXPECT_FALSE(map.canCreateCrossLinkFromSource(root, nullptr));
    EXPECT_FALSE(map.canCreateCrossLinkFromSource(nullptr, root));
    EXPECT_TRUE(map.canCreateCrossLinkFromSource(root, grandchild));
    EXPECT_TRUE(map.canCreateCrossLinkFromSource(grandchild, other));

    CrossLink* crossLink = map.internalAddCrossLinkFromSource(root, grandchild);
    ASSERT_NE(crossLink, nullptr);
    EXPECT_EQ(crossLink->sourceNode(), root);
    EXPECT_EQ(crossLink->targetNode(), grandchild);
    EXPECT_TRUE(map.containsCrossLinkBetween(grandchild, root));
    EXPECT_FALSE(map.canCreateCrossLinkFromSource(root, grandchild));
    EXPECT_FALSE(map.canCreateCrossLinkFromSource(grandchild, root));
}

} // namespace
