#include "GestureTestSupport.h"

#include "editor-view/NodeCreatorTools.h"
#include "platform/Localizer.h"
#include "platform/Menu.h"

using namespace editortest;

namespace {

// The theme selected with its handles shown; its child makes the fold and turn handles appear.
class ElementToolGestureTest : public GestureTest {
protected:
    void SetUp() override
    {
        GestureTest::SetUp();
        map->setSelectedElement(theme);
        ASSERT_TRUE(editor->elementToolsVisible());
    }

    Point handle(int64_t tool)
    {
        EXPECT_TRUE(editor->elementTools()->getToolStateAtIndex(tool).visible) << tool;
        return editor->mapToViewSpace(editor->elementTools()->toolLocation(tool));
    }
};

TEST_F(ElementToolGestureTest, HoldingTheTurnHandleOpensItsMenuAfterOnePointTwoSeconds)
{
    const Point at = handle(ElementToolRotate);
    press(at);
    EXPECT_EQ(EditorGesture::Tool, editor->gesture());
    hold(1.0);
    EXPECT_TRUE(menus.popups.empty()) << "1.0 s is not yet a long press";
    EXPECT_TRUE(editor->trackingGesture());
    hold(0.22);
    EXPECT_FALSE(editor->trackingGesture());
    ASSERT_EQ(1u, menus.popups.size());
    EXPECT_EQ(localized("rotate_flip_title"), menus.popups.back().menu->title());
    EXPECT_EQ(at, menus.popups.back().point);
    EXPECT_TRUE(map->delayedUndoOperation().empty()) << "the press's snapshot was dropped";
    release(at);
    EXPECT_FALSE(canUndo());
}

TEST_F(ElementToolGestureTest, OtherHandlesOpenTheirMenusAfterPointEightSeconds)
{
    const Point at = handle(ElementToolCollapse);
    press(at);
    hold(0.78);
    EXPECT_TRUE(menus.popups.empty());
    hold(0.04);
    ASSERT_EQ(1u, menus.popups.size());
    EXPECT_EQ(localized("collapse_menu_title"), menus.popups.back().menu->title());
    release(at);
    EXPECT_FALSE(theme->collapsed()) << "the long press does not also fold";
}

TEST_F(ElementToolGestureTest, ADraggedWrapHandleKeepsDraggingPastTheLongPress)
{
    theme->setText("Theme with a few words");
    map->validateElementStates();
    map->setSelectedElement(nullptr);
    map->setSelectedElement(theme);
    const Point at = handle(ElementToolWordWrap);
    press(at);
    drag(at + Point{-20, 0});
    ASSERT_TRUE(editor->elementTools()->isDragging());
    hold(1.0);
    EXPECT_TRUE(editor->trackingGesture());
    EXPECT_TRUE(menus.popups.empty());
    release(at + Point{-20, 0});
    EXPECT_FALSE(editor->trackingGesture());
    EXPECT_EQ(localized("undoable_op_word_wrap"), undoName());
}

TEST_F(ElementToolGestureTest, EscapeCancelsAToolDragWithoutALongPress)
{
    const Point childStart = child->location();
    const Point at = handle(ElementToolRotate);
    press(at);
    drag(at + Point{60, 0});
    drag(at + Point{120, -10});
    ASSERT_TRUE(editor->elementTools()->isDragging());
    escape();
    EXPECT_FALSE(editor->trackingGesture());
    EXPECT_FALSE(scheduler.isHoldingBackDefaultMode());
    hold(2.0);
    EXPECT_TRUE(menus.popups.empty());
    map->validateElementStates();
    EXPECT_EQ(childStart, map->mainCentralTheme()->children().front()->location()) << "the branch turned back";
    EXPECT_FALSE(canUndo());
    EXPECT_TRUE(map->delayedUndoOperation().empty());
}

TEST_F(ElementToolGestureTest, AClickOnTheCreatorHandleAddsAChild)
{
    const size_t before = theme->childCount();
    click(handle(ElementToolCreator));
    EXPECT_EQ(before + 1, theme->childCount());
    EXPECT_FALSE(editor->trackingGesture());
}

} // namespace
