#include "GestureTestSupport.h"

#include "MindMaps/LayoutModes.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/ParentRelation.h"
#include "Utils/GeometryHelpers.h"
#include "layout/SnapEngine.h"
#include "platform/Localizer.h"

#include <cmath>

using namespace editortest;

namespace {

class ElementMoverTest : public GestureTest {
protected:
    void TearDown() override
    {
        SnapEngineOptions::instance().setSnapToGrid(false);
        SnapEngineOptions::instance().setActiveGuideLines(0);
        GestureTest::TearDown();
    }

    MindMapNode* topicAt(MindMapNode* parent, Point location)
    {
        MindMapNode* node = map->addMindMapNodeAsChild(parent, location);
        map->validateElementStates();
        return node;
    }

    void dragElement(Point from, Point to, unsigned modifiers = 0)
    {
        press(from, modifiers);
        drag(from + Point{(to.x - from.x) / 2, (to.y - from.y) / 2}, modifiers);
        drag(to, modifiers);
        release(to, modifiers);
    }

    ElementMover& mover() { return editor->elementMover(); }
};

TEST_F(ElementMoverTest, ASingleTopicSnapsSeveralDoNot)
{
    SnapEngineOptions::instance().setSnapToGrid(true);
    MindMapNode* other = topicAt(theme, {200, 160});
    const Point start = theme->location();
    dragElement(start, start + Point{13, 7});
    EXPECT_EQ(Point(420, 400), theme->location()) << "to the 20-point grid";

    press(theme->location());
    drag(theme->location() + Point{13, 7}, ControlModifier);
    EXPECT_EQ(Point(433, 407), theme->location()) << "Ctrl while dragging turns snapping off";
    release(theme->location(), ControlModifier);

    map->setSelectedElement(theme);
    map->toggleSelection(other, false);
    const Point otherStart = other->location();
    press(theme->location());
    drag(theme->location() + Point{13, 7});
    release(theme->location());
    EXPECT_EQ(Point(446, 414), theme->location());
    EXPECT_EQ(otherStart + Point(13, 7), other->location()) << "the selection moves together, unsnapped";
}

TEST_F(ElementMoverTest, PressAndReleaseRecordNothingAndKeepTheSelectionItMade)
{
    MindMapNode* other = topicAt(theme, {200, 160});
    map->setSelectedElement(other);
    click(theme->location());
    EXPECT_EQ(std::vector<MindMapElement*>{theme}, map->selection());
    EXPECT_FALSE(canUndo());
    EXPECT_TRUE(map->delayedUndoOperation().empty());
    EXPECT_FALSE(mover().isActive());
}

TEST_F(ElementMoverTest, DroppingOnATopicMakesItTheParent)
{
    MindMapNode* a = topicAt(theme, {200, 160});
    MindMapNode* target = topicAt(theme, {600, 160});
    SnapEngineOptions::instance().setActiveGuideLines(SnapEngineOptions::GuideLineCenterY);
    press(a->location());
    drag(a->location() + Point{5, 0});
    EXPECT_EQ(1u, editor->getSnapEngine()->getGuideLineCount()) << "level with the target";
    drag(target->location());
    EXPECT_EQ(target, map->dropTarget());
    EXPECT_FALSE(map->rearrangeMarker()->visible());
    EXPECT_TRUE(gestureHost.pointingHand);
    EXPECT_EQ(0u, editor->getSnapEngine()->getGuideLineCount());
    release(target->location());
    EXPECT_EQ(target, a->parent());
    EXPECT_EQ(nullptr, map->dropTarget());
    EXPECT_FALSE(gestureHost.pointingHand);
    EXPECT_EQ(localized("undoable_op_change_parent"), undoName());
}

TEST_F(ElementMoverTest, DroppingOnTheRearrangeMarkerReordersAStrictBranch)
{
    MindMapNode* root = topicAt(theme, {450, 250});
    std::vector<MindMapNode*> kids;
    for (int i = 0; i < 3; ++i) kids.push_back(topicAt(root, {650, 150.0 + 60 * i}));
    root->setLayoutMode(LayoutModeStrictHorizontal);
    map->validateElementStates();
    const Rect first = kids[0]->bounds();
    const Rect second = kids[1]->bounds();
    ASSERT_LT(first.maxY(), second.minY()) << "laid out one below the other";
    const Point gap{second.midX(), (first.maxY() + second.minY()) / 2};

    const Point grab = kids[2]->location();
    press(grab);
    drag(grab + Point{0, -5});
    drag(gap);
    EXPECT_TRUE(map->rearrangeMarker()->visible());
    EXPECT_EQ(root, map->rearrangeMarker()->refNode());
    EXPECT_EQ(1, map->rearrangeMarker()->index());
    EXPECT_TRUE(gestureHost.pointingHand);
    release(gap);
    EXPECT_EQ((std::vector<MindMapNode*>{kids[0], kids[2], kids[1]}), root->children());
    EXPECT_EQ(localized("undoable_op_change_parent"), undoName());
    EXPECT_FALSE(map->rearrangeMarker()->visible());
    EXPECT_FALSE(map->autoLayoutLocked());
    map->undoManager()->undo();
    EXPECT_FALSE(canUndo()) << "the whole drag was one step";
}

TEST_F(ElementMoverTest, AltDragTurnsTheBranchRoundItsParent)
{
    MindMapNode* p = topicAt(theme, {600, 400});
    MindMapNode* q = topicAt(p, {700, 400});
    const Point pivot = theme->location();
    press(p->location(), AltModifier);
    EXPECT_EQ(2u, map->selection().size()) << "the branch at once";
    // A quarter turn clockwise round the theme.
    drag(p->location() + Point{0, 5}, AltModifier);
    drag({400, 600}, AltModifier);
    EXPECT_EQ(Point(400, 600), p->location());
    EXPECT_NEAR(400, q->location().x, 0.01);
    EXPECT_NEAR(700, q->location().y, 0.01);
    release({400, 600}, AltModifier);
    EXPECT_EQ(theme, p->parent()) << "turning hands no drop target";
    EXPECT_EQ(std::vector<MindMapElement*>{p}, map->selection());
    (void)pivot;
}

TEST_F(ElementMoverTest, TextsMoveWithTheirOwnOffsetsAsOneStep)
{
    map->setSelectedElement(theme);
    map->addText();
    MindMapElement* text = theme->containedElements().back();
    map->validateElementStates();
    map->undoManager()->removeAllActions();
    const Point start = text->location();
    bool branch = false;
    mover().beginMoveOperation(text, 0, start + Point{2, 1}, branch);
    EXPECT_FALSE(branch) << "only topics and parent relations grow to their branch";
    mover().startMoving();
    mover().moveSelection(start + Point{42, 31});
    EXPECT_EQ(start + Point(40, 30), text->location());
    EXPECT_TRUE(mover().endMoveOperation());
    EXPECT_FALSE(mover().endMoveOperation()) << "nothing left to end";
    EXPECT_EQ(localized("undoable_op_move_element"), undoName());
}

TEST_F(ElementMoverTest, ABendPointMovesOnlyWhereTheRelationAllowsIt)
{
    MindMapNode* a = topicAt(theme, {200, 160});
    ParentRelation* relation = a->parentRelation();
    ASSERT_TRUE(relation->allowsCustomPath());
    bool branch = false;
    mover().beginMoveOperation(relation, 0, relation->location(), branch);
    EXPECT_TRUE(branch);
    EXPECT_TRUE(mover().allowPathAdjustment());
    mover().startMoving();
    mover().moveSelection(relation->location() + Point{0, 40});
    mover().endMoveOperation();
    EXPECT_TRUE(relation->hasCustomPath());
    EXPECT_EQ(localized("undoable_op_move_element"), undoName());

    // Under a strict layout the line is the layout's: nothing moves and nothing is recorded.
    map->undoManager()->removeAllActions();
    theme->setLayoutMode(LayoutModeStrictHorizontal);
    map->validateElementStates();
    a = theme->children().back();
    relation = a->parentRelation();
    ASSERT_FALSE(relation->allowsCustomPath());
    mover().beginMoveOperation(relation, 0, relation->location(), branch);
    mover().startMoving();
    mover().moveSelection(relation->location() + Point{0, 40});
    mover().endMoveOperation();
    EXPECT_FALSE(canUndo());
    EXPECT_TRUE(map->delayedUndoOperation().empty()) << "the snapshot ended";
}

TEST_F(ElementMoverTest, NothingStartsOnAReadOnlyEditorOrWithoutAnElement)
{
    bool branch = true;
    mover().beginMoveOperation(nullptr, 0, {}, branch);
    EXPECT_FALSE(branch);
    EXPECT_FALSE(mover().isActive());
    editor->setReadOnly(true);
    mover().beginMoveOperation(theme, 0, theme->location(), branch);
    EXPECT_FALSE(mover().isActive());
    EXPECT_FALSE(map->autoLayoutLocked());
}

TEST_F(ElementMoverTest, ADragStepRedrawsWhatItChangedAndAHullRedrawsAll)
{
    MindMapNode* a = topicAt(theme, {200, 160});
    MindMapNode* below = topicAt(a, {150, 250});
    const Rect before = a->bounds();
    press(a->location());
    drag(a->location() + Point{5, 0});
    gestureHost.areas.clear();
    const int displays = gestureHost.displays;
    drag(a->location() + Point{40, 20});
    EXPECT_EQ(displays, gestureHost.displays) << "no whole repaint";
    ASSERT_EQ(1u, gestureHost.areas.size());
    const Rect area = gestureHost.areas.back();
    for (const Rect& covered : {before, a->bounds(), a->parentRelation()->bounds(), below->parentRelation()->bounds()})
        EXPECT_TRUE(containsRect(area, covered));
    EXPECT_FALSE(containsRect(area, {0, 0, 800, 600})) << "a part of the view";
    release(a->location());

    a->assureHullStyle();
    press(a->location());
    drag(a->location() + Point{5, 0});
    gestureHost.areas.clear();
    drag(a->location() + Point{40, 20});
    EXPECT_TRUE(gestureHost.areas.empty()) << "the hull changes shape: the whole view";
    release(a->location());
}

TEST_F(ElementMoverTest, AnEditorThatGoesEndsAMoveBegunWithoutAGesture)
{
    const Point start = theme->location();
    bool branch = false;
    mover().beginMoveOperation(theme, 0, start, branch);
    mover().startMoving();
    mover().moveSelection(start + Point{25, 0});
    editor.reset();
    EXPECT_EQ(start, map->mainCentralTheme()->location());
    EXPECT_FALSE(map->autoLayoutLocked());
    EXPECT_TRUE(map->delayedUndoOperation().empty());
}

} // namespace
