#include "GestureTestSupport.h"

#include "MindMaps/CrossLink.h"
#include "MindMaps/MindMapImage.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/ParentRelation.h"
#include "MindMaps/TopicHideTool.h"
#include "Utils/GeometryHelpers.h"
#include "Utils/RecordingFeedbackSink.h"
#include "platform/Image.h"
#include "platform/Localizer.h"
#include "support/RecordingGraphicsContext.h"

#include <cmath>
#include <numbers>

using namespace editortest;

namespace {

constexpr double R = NodeToolRadius;

void expectNear(Point expected, Point actual, const std::string& what = {})
{
    EXPECT_NEAR(expected.x, actual.x, 1e-6) << what;
    EXPECT_NEAR(expected.y, actual.y, 1e-6) << what;
}

} // namespace

// The handles driven through the editor's pointer events, on the maps of GestureTest: view points
// are map points.
class NodeCreatorToolsTest : public GestureTest {
protected:
    void TearDown() override
    {
        UserDefaults::standard().removeObject("topicHasHideTool");
        if (editor) editor->setTopicHasHideTool(false);
        GestureTest::TearDown();
    }

    NodeCreatorTools& tools() { return *editor->elementTools(); }
    Point at(int64_t tool) { return tools().toolLocation(tool); }

    // The indices of the shown handles, as a string of numbers.
    std::string shown()
    {
        std::string result;
        if (!tools().visible()) return "hidden";
        for (int64_t i = 0; i < ElementToolCount; ++i)
            if (tools().getToolStateAtIndex(i).visible) result += (result.empty() ? "" : ",") + std::to_string(i);
        return result;
    }

    // Presses the handle, moves by the steps, and lets go where the last step ended.
    void dragTool(int64_t tool, std::initializer_list<Point> steps)
    {
        Point p = at(tool);
        press(p);
        for (Point step : steps) drag(p = p + step);
        release(p);
    }

    MindMapImage* imageWithPicture()
    {
        MindMapImage* image = theme->addCustomImage("0123456789abcdef", "");
        image->setImage(std::make_shared<Image>(120, 60));
        map->validateElementStates();
        return image;
    }
};

// ---- Presets, texts and hit testing ----

TEST(NodeCreatorToolsPresetsTest, ScalesGoToTheNearestPresetAndHalfwayGoesUp)
{
    const NodeCreatorTools tools(nullptr);
    const double divisors[] = {300, 270, 240, 210, 180, 160, 145, 130, 120, 112, 106, 100, 96};
    for (size_t i = 0; i < NodeCreatorTools::ScalePresetCount; ++i)
        EXPECT_EQ(300.0 / divisors[i], tools.scalePresets()[i]);
    const std::pair<double, double> cases[] = {
        {0.0, 1.0}, // a drag to the centre: the smallest preset
        {-5, 1.0},
        {(1.0 + 300.0 / 270) / 2, 300.0 / 270}, // exactly halfway: the larger
        {std::nextafter((1.0 + 300.0 / 270) / 2, 0.0), 1.0},
        {2.95, 3.0},
        {3.06, 3.0},
        {3.0625, 3.125},
        {50, 3.125},
    };
    for (auto [scale, preset] : cases) EXPECT_EQ(preset, tools.getScalePreset(scale)) << scale;
}

TEST(NodeCreatorToolsPresetsTest, WrappableTextsHaveSixCharactersAndABreakInside)
{
    const std::pair<const char*, bool> cases[] = {
        {"one two", true},       {"abcdef", false}, {"ab cd", false}, {"  ab cd  \n", false}, {"ab\ncdef", true},
        {"\t\nab cdef\n", true}, {"äöü äöü", true}, {"äöü ä", false}, {"abcdefghij", false},  {"", false},
        {"     \n   ", false},
    };
    for (auto [text, wrappable] : cases) EXPECT_EQ(wrappable, NodeCreatorTools::isTextWrappable(text)) << text;
}

TEST_F(NodeCreatorToolsTest, HandlesAreFourteenPointSquaresFoundInIndexOrder)
{
    map->setSelectedElement(theme);
    const Point creator = at(ElementToolCreator);
    const std::pair<Point, int64_t> cases[] = {
        {creator, ElementToolCreator},
        {creator + Point{R, R}, ElementToolCreator},
        {creator + Point{-R, -R}, ElementToolCreator},
        {creator + Point{R + 0.01, 0}, ElementToolNone},
        {creator + Point{0, -R - 0.01}, ElementToolNone},
        {at(ElementToolCollapse), ElementToolCollapse},
        {at(ElementToolRotate), ElementToolRotate},
        {at(ElementToolAddSibling), ElementToolNone}, // a central theme has no sibling handle
    };
    for (auto [point, tool] : cases) EXPECT_EQ(tool, tools().hitTest(point)) << point.x << "," << point.y;

    map->setSelectedElement(nullptr);
    EXPECT_EQ(ElementToolNone, tools().hitTest(creator));
    map->setSelectedElement(theme);
    editor->setUserScaleFactor(0.39);
    EXPECT_EQ("hidden", shown());
    EXPECT_EQ(ElementToolNone, tools().hitTest(creator));
    EXPECT_EQ(0, tools().getToolStateAtIndex(-1).offset.x);
    EXPECT_FALSE(tools().getToolStateAtIndex(-1).visible);
}

// ---- Where the handles sit ----

TEST_F(NodeCreatorToolsTest, TopicHandlesSitRoundTheTopicAndTheRotateHandleClearsANarrowOne)
{
    child->setText("Ab");
    child->setFont(Font("Sans", 6));
    map->validateElementStates();
    for (MindMapNode* node : {theme, child}) {
        map->setSelectedElement(node);
        const double w = node->size().width, h = node->size().height;
        const double d = node->collapseMarkerDirection(), a = (R + w / 2) * d;
        const double barX = std::min(14 - w / 2, -9.0);
        expectNear({a, 0}, tools().getCreatorTool().offset, "creator");
        expectNear({-a, 0}, tools().getCollapseTool().offset, "collapse");
        expectNear({barX, -7 - h / 2}, tools().getActionBarTool().offset, "action bar");
        expectNear({-barX, -7 - h / 2}, tools().getNoteTool().offset, "note");
        expectNear({barX, 7 + h / 2}, tools().getAddSiblingTool().offset, "sibling");
        const double v = std::max(-barX < 15.4 ? 23 + h / 2 : 7 + h / 2, 30.0);
        expectNear({0, v}, tools().getRotateTool().offset, "rotate");
    }
    // The child is narrow: its note handle sits within 15.4 of the centre.
    EXPECT_LT(tools().getNoteTool().offset.x, 15.4);
    EXPECT_EQ(std::max(23 + child->size().height / 2, 30.0), tools().rotateToolVOffset());
}

TEST_F(NodeCreatorToolsTest, TheHideHandleTakesTheCreatorsPlaceWhichStepsOverTheCollapseHandle)
{
    editor->setTopicHasHideTool(true);
    for (bool collapsed : {false, true}) {
        theme->setCollapsed(collapsed);
        map->setSelectedElement(child);
        map->setSelectedElement(theme);
        const double d = theme->collapseMarkerDirection(), a = (R + theme->size().width / 2) * d;
        expectNear({a, 0}, tools().getHideTopicTool().offset);
        // The creator only shows on an expanded topic, where the collapse handle is in its way.
        const double creatorX = collapsed ? -a : -a - 18 * d;
        expectNear({creatorX, 0}, tools().getCreatorTool().offset);
    }
    map->setSelectedElement(child);
    expectNear({-(R + child->size().width / 2) * child->collapseMarkerDirection(), 0}, tools().getCreatorTool().offset);
}

TEST_F(NodeCreatorToolsTest, RelationImageAndTextHandlesSitOnTheirElement)
{
    ParentRelation* relation = child->parentRelation();
    map->setSelectedElement(relation);
    expectNear({0, 0}, tools().getActionBarTool().offset);
    const RelationPath& path = relation->relationPath();
    expectNear(path.calcSourceArrowPosition(theme->bounds()).position - relation->location(),
               tools().getRelinkRelationSourceTool().offset);
    const Rect inset = insetRect(child->bounds(), 4, 4);
    expectNear(path.calcTargetArrowPosition(inset).position - relation->location(), tools().getHideTopicTool().offset);

    MindMapImage* image = imageWithPicture();
    map->setSelectedElement(image);
    const Rect b = image->bounds();
    expectNear({std::min(7 - b.width() / 2, -5.0), -7 - b.height() / 2}, tools().getActionBarTool().offset);
    expectNear({b.width() / 2 + 4, -7 - b.height() / 2}, tools().getResizeTool().offset);
}

// ---- Which handles show ----

TEST_F(NodeCreatorToolsTest, TheVisibilityTableFollowsSelectionReadOnlyAndMultipleSelection)
{
    MindMapNode* other = map->addMindMapNodeAsChild(theme, {300, 200});
    other->setText("two words here");
    other->setNote("a note");
    CrossLink* link = map->addCrossLinkFromSource(child, other);
    map->validateElementStates();
    MindMapImage* image = imageWithPicture();
    MindMapText* text = theme->addText();
    text->setText("a label of words");
    map->validateElementStates();

    struct Case {
        const char* what;
        std::function<void()> select;
        const char* expected;
    };
    const Case cases[] = {
        {"central theme", [&] { map->setSelectedElement(theme); }, "0,2,3,6,10"},
        {"leaf with a wrappable text", [&] { map->setSelectedElement(other); }, "0,1,2,3,4"},
        {"collapsed theme",
         [&] {
             theme->setCollapsed(true);
             map->setSelectedElement(theme);
         },
         "2,3,6,10"},
        {"theme under strict layout",
         [&] {
             theme->setLayoutMode(1);
             map->setSelectedElement(theme);
         },
         "0,2,3,6"},
        {"two topics",
         [&] {
             map->setSelectedElement(theme);
             map->toggleSelection(child, false);
         },
         "2"},
        {"parent relation", [&] { map->setSelectedElement(child->parentRelation()); }, "2,7,9"},
        {"cross link", [&] { map->setSelectedElement(link); }, "2,7,8"},
        {"image", [&] { map->setSelectedElement(image); }, "2,5"},
        {"free text", [&] { map->setSelectedElement(text); }, "1,2"},
        {"hide tool on a leaf",
         [&] {
             editor->setTopicHasHideTool(true);
             map->setSelectedElement(child);
         },
         "0,2,3,4,9"},
        {"read-only theme",
         [&] {
             editor->setReadOnly(true);
             map->setSelectedElement(theme);
         },
         "6"},
        {"read-only topic with a note",
         [&] {
             editor->setReadOnly(true);
             map->setSelectedElement(other);
         },
         "3"},
        {"read-only parent relation",
         [&] {
             editor->setReadOnly(true);
             map->setSelectedElement(child->parentRelation());
         },
         "9"},
        {"read-only image",
         [&] {
             editor->setReadOnly(true);
             map->setSelectedElement(image);
         },
         ""},
    };
    for (const Case& c : cases) {
        c.select();
        EXPECT_EQ(c.expected, shown()) << c.what;
        editor->setReadOnly(false);
        editor->setTopicHasHideTool(false);
        theme->setCollapsed(false);
        theme->setLayoutMode(0);
        map->setSelectedElement(nullptr);
    }
}

// ---- Clicks ----

TEST_F(NodeCreatorToolsTest, ACreatorClickOrAShortDragAddsAChildAndALongerDragPutsItWhereDropped)
{
    map->setSelectedElement(theme);
    for (Point move : {Point{0, 0}, Point{3, 3.99}}) {
        const size_t before = theme->childCount();
        dragTool(ElementToolCreator, {move});
        EXPECT_EQ(before + 1, theme->childCount()) << move.y;
        // The new child opened for typing; Return keeps it, and the next press acts again.
        editor->stopEditing(InplaceTextEditor::CommitByReturn);
        scheduler.advance(MindMapEditor::IgnoreMouseDownAfterEditing * 2);
        map->setSelectedElement(theme);
    }
    const size_t before = theme->childCount();
    const Point drop = at(ElementToolCreator) + Point{3, 4};
    dragTool(ElementToolCreator, {Point{3, 4}});
    ASSERT_EQ(before + 1, theme->childCount());
    expectNear(drop, theme->children().back()->location());
    EXPECT_EQ(nullptr, map->dropTarget());
}

TEST_F(NodeCreatorToolsTest, ACreatorDroppedOnAnotherTopicLinksThemAndMarksItOnTheWay)
{
    MindMapNode* grandchild = map->addMindMapNodeAsChild(child, {300, 200});
    map->validateElementStates();
    map->setSelectedElement(theme);
    const Point start = at(ElementToolCreator);
    press(start);
    // Topic and child are never linked.
    drag(child->location());
    EXPECT_EQ(nullptr, map->dropTarget());
    drag(grandchild->location());
    EXPECT_EQ(grandchild, map->dropTarget());
    EXPECT_TRUE(tools().isDragging());
    EXPECT_TRUE(tools().supportsAutoScroll());
    EXPECT_EQ("0", shown());
    release(grandchild->location());
    ASSERT_EQ(1u, map->crossLinks().size());
    EXPECT_EQ(grandchild, map->crossLinks()[0]->targetNode());
    EXPECT_EQ(map->crossLinks()[0], map->selectedElement());
    EXPECT_EQ(nullptr, map->dropTarget());
    EXPECT_FALSE(tools().isActive());
}

TEST_F(NodeCreatorToolsTest, TheSiblingHandleAddsASiblingWhereDroppedUnlessAStrictBranchHoldsIt)
{
    map->setSelectedElement(child);
    const Point drop = at(ElementToolAddSibling) + Point{-30, 40};
    const Point position = editor->position();
    dragTool(ElementToolAddSibling, {Point{-30, 40}});
    ASSERT_EQ(2u, theme->childCount());
    expectNear(drop, theme->children()[1]->location());
    // The new sibling opened for typing; Return keeps it. The view scrolled it into sight: view
    // points are map points again once it is back.
    editor->stopEditing(InplaceTextEditor::CommitByReturn);
    scheduler.advance(MindMapEditor::IgnoreMouseDownAfterEditing * 2);
    editor->setPosition(position);

    // Under automatic layout the drag goes nowhere, and the release is a click.
    theme->setLayoutMode(1);
    map->validateElementStates();
    map->setSelectedElement(child);
    press(at(ElementToolAddSibling));
    drag(at(ElementToolAddSibling) + Point{-30, 40});
    EXPECT_FALSE(tools().isDragging());
    release(at(ElementToolAddSibling) + Point{-30, 40});
    EXPECT_EQ(3u, theme->childCount());
}

TEST_F(NodeCreatorToolsTest, AClickOnlyHandleLetGoMoreThanFourPointsAwayDoesNothing)
{
    const std::pair<Point, bool> cases[] = {{{0, 4}, true}, {{0, 4.01}, false}, {{2.8, 2.8}, true}, {{3, 3}, false}};
    for (auto [move, toggles] : cases) {
        theme->setCollapsed(false);
        map->setSelectedElement(theme);
        dragTool(ElementToolCollapse, {move});
        EXPECT_EQ(toggles, theme->collapsed()) << move.x << "," << move.y;
    }
}

TEST_F(NodeCreatorToolsTest, TheHideHandleOfAParentRelationHidesAndShowsItsTopic)
{
    ParentRelation* relation = child->parentRelation();
    map->setSelectedElement(relation);
    dragTool(ElementToolHideTopic, {});
    EXPECT_TRUE(child->isHidden());
    EXPECT_EQ(relation, map->selectedElement());
    EXPECT_EQ(localized("undoable_op_hide"), undoName());
    dragTool(ElementToolHideTopic, {});
    EXPECT_FALSE(child->isHidden());
}

TEST_F(NodeCreatorToolsTest, AWordWrapClickShowsTheHintForFourSecondsAndRecordsNoUndo)
{
    RecordingFeedbackSink sink;
    theme->setText("one two three four five six");
    map->validateElementStates();
    map->setSelectedElement(theme);
    dragTool(ElementToolWordWrap, {Point{2, 0}});
    ASSERT_EQ(1u, sink.notifications.size());
    EXPECT_EQ(localized("undoable_op_word_wrap"), sink.notifications[0].title);
    EXPECT_EQ(localized("word_wrap_tool_tapped_hint"), sink.notifications[0].message);
    EXPECT_EQ(0u, sink.notifications[0].state);
    EXPECT_EQ(4.0, sink.notifications[0].duration);
    EXPECT_FALSE(canUndo());
    EXPECT_EQ("", map->delayedUndoOperation());
}

// ---- Drags that leave one undo step, or none when cancelled ----

TEST_F(NodeCreatorToolsTest, AWordWrapDragTakesTheRoundedWidthAndLeavesOneStep)
{
    theme->setText("one two three four five six seven eight");
    map->validateElementStates();
    map->setSelectedElement(theme);
    const double initial = theme->textSize().width;
    const Point start = at(ElementToolWordWrap);
    press(start);
    // 2 x -40.3 = -80.6: a width of initial - 81 rounded.
    drag(start + Point{-40.3, 0});
    EXPECT_TRUE(tools().layoutLocked());
    const int64_t requested = std::lround(float(initial - 80.6));
    ASSERT_GT(requested, theme->minWrapWidth());
    const Rect t = theme->textBounds();
    const double expectedX = t.minX() + (double(requested) + theme->textSize().width) / 2 - 4 - theme->location().x;
    EXPECT_NEAR(expectedX, tools().getWordWrapTool().offset.x, 1e-6);
    map->validateElementStates();
    EXPECT_LT(theme->textSize().width, initial);
    release(start + Point{-40.3, 0});
    EXPECT_FALSE(tools().layoutLocked());
    EXPECT_EQ(localized("undoable_op_word_wrap"), undoName());
    map->undoManager()->undo();
    map->validateElementStates();
    EXPECT_EQ(initial, map->mainCentralTheme()->textSize().width);
    EXPECT_FALSE(canUndo());
}

TEST_F(NodeCreatorToolsTest, EscapeDuringAToolDragPutsTheMapBackAndRecordsNothing)
{
    theme->setText("one two three four five six seven eight");
    map->validateElementStates();
    MindMapImage* image = imageWithPicture();
    const std::string imageGuid = image->guid();
    const Point childAt = child->location();

    struct Case {
        const char* what;
        std::function<void()> select;
        int64_t tool;
        Point move;
    };
    // The picture is not in the store: it is gone once the map is read back, so it comes first.
    const Case cases[] = {
        {"resize", [&] { map->setSelectedElement(map->elementWithGuid(imageGuid)); }, ElementToolResize, {40, -20}},
        {"word wrap", [&] { map->setSelectedElement(map->mainCentralTheme()); }, ElementToolWordWrap, {-40, 0}},
        {"rotate", [&] { map->setSelectedElement(map->mainCentralTheme()); }, ElementToolRotate, {60, -30}},
    };
    for (const Case& c : cases) {
        c.select();
        const double width = map->mainCentralTheme()->textSize().width;
        const Point start = at(c.tool);
        press(start);
        drag(start + c.move);
        EXPECT_TRUE(tools().isDragging()) << c.what;
        escape();
        EXPECT_FALSE(tools().isActive()) << c.what;
        EXPECT_FALSE(tools().layoutLocked()) << c.what;
        EXPECT_FALSE(canUndo()) << c.what;
        EXPECT_EQ("", map->delayedUndoOperation()) << c.what;
        map->validateElementStates();
        MindMapNode* theme = map->mainCentralTheme();
        EXPECT_EQ(width, theme->textSize().width) << c.what;
        EXPECT_EQ(childAt, theme->children()[0]->location()) << c.what;
        EXPECT_EQ(1.0, static_cast<MindMapImage*>(map->elementWithGuid(imageGuid))->scale()) << c.what;
        release(start + c.move);
    }
}

TEST_F(NodeCreatorToolsTest, TheResizeHandleDragsAfterOnePointAndScalesToPresets)
{
    MindMapImage* image = imageWithPicture();
    map->setSelectedElement(image);
    const Point start = at(ElementToolResize);
    press(start);
    drag(start + Point{0.99, 0});
    EXPECT_FALSE(tools().isDragging());
    drag(start + Point{1, 0});
    EXPECT_TRUE(tools().isDragging());
    drag(start + Point{image->bounds().width() / 2, -image->bounds().height() / 2});
    const double scale = image->scale();
    EXPECT_GT(scale, 1.0);
    EXPECT_EQ(tools().getScalePreset(scale), scale);
    release(start + Point{image->bounds().width() / 2, -image->bounds().height() / 2});
    EXPECT_EQ(localized("undoable_op_transform_image"), undoName());
    const Rect b = image->bounds();
    expectNear({b.width() / 2 + 4, -(b.height() / 2 + 7)}, tools().getResizeTool().offset);
}

TEST_F(NodeCreatorToolsTest, RotationTurnsTheBranchInStepsOfThreePointSevenFiveDegrees)
{
    map->setSelectedElement(theme);
    const Point centre = theme->location(), start = at(ElementToolRotate), childAt = child->location();
    const double step = std::numbers::pi / 48;
    press(start);
    // Straight below the centre is no turn; a hair to the right is already the first step.
    drag(centre + Point{0, 100});
    EXPECT_EQ(0, tools().currentRotation());
    EXPECT_EQ(childAt, child->location());
    drag(centre + Point{0.01, 100});
    EXPECT_NEAR(step, tools().currentRotation(), 1e-12);
    // Level with the centre: a quarter turn, 24 steps.
    drag(centre + Point{100, 0});
    EXPECT_NEAR(step * 24, tools().currentRotation(), 1e-12);
    const double v = tools().rotateToolVOffset();
    expectNear({v * std::sin(step * 24), v * std::cos(step * 24)}, tools().getRotateTool().offset);
    const double angle = LineAngle(centre, childAt) - step * 24;
    const Point expected = PointAtAngle(centre, angle, PointDistance(centre, childAt));
    expectNear(expected, child->location());
    release(centre + Point{100, 0});
    EXPECT_EQ(localized("undoable_op_rotate"), undoName());
    map->undoManager()->undo();
    EXPECT_EQ(childAt, map->mainCentralTheme()->children()[0]->location());
}

TEST_F(NodeCreatorToolsTest, DraggingARelationsSourceEndOntoATopicGivesItANewParent)
{
    MindMapNode* other = map->addMindMapNodeAsChild(theme, {300, 200});
    map->validateElementStates();
    map->setSelectedElement(child->parentRelation());
    const Point start = at(ElementToolRelinkSource);
    press(start);
    drag(other->location());
    EXPECT_EQ(other, map->dropTarget());
    EXPECT_TRUE(tools().supportsAutoScroll());
    drag(child->location());
    EXPECT_EQ(nullptr, map->dropTarget()); // never its own topic
    drag(other->location());
    release(other->location());
    EXPECT_EQ(other, child->parent());
    EXPECT_EQ(localized("undoable_op_change_parent"), undoName());
    EXPECT_EQ(nullptr, map->dropTarget());
}

TEST_F(NodeCreatorToolsTest, AToolDragEndsOnItsOwnMapWhenTheEditorSwitchesMaps)
{
    map->setSelectedElement(theme);
    const Point childAt = child->location(), start = at(ElementToolRotate);
    press(start);
    drag(start + Point{80, -60});
    ASSERT_NE(childAt, child->location());
    auto other = std::make_shared<MindMap>();
    other->newMindMap("", true, std::string("Other"));
    editor->setMindMap(other);
    EXPECT_FALSE(tools().isActive());
    EXPECT_FALSE(tools().layoutLocked());
    EXPECT_EQ(childAt, map->mainCentralTheme()->children()[0]->location());
    EXPECT_EQ("", map->delayedUndoOperation());
    EXPECT_FALSE(canUndo());
    // The rest of the drag reaches the new map's editor and changes nothing there.
    drag(start + Point{0, 80});
    release(start + Point{0, 80});
    EXPECT_FALSE(other->undoManager()->canUndo());
}

// ---- The canvas shows the selection through its handles ----

TEST_F(NodeCreatorToolsTest, ASelectedTopicIsDrawnWithItsHandles)
{
    auto gradients = [&] {
        RecordingGraphicsContext context;
        editor->draw(context, Rect(0, 0, 800, 600));
        return context.entriesOfKind(RecordingGraphicsContext::Kind::Gradient).size();
    };
    EXPECT_EQ(0u, gradients());
    map->setSelectedElement(theme);
    EXPECT_EQ(5u, gradients()); // creator, collapse, action bar, note, rotate
    theme->setEditingState(2);
    EXPECT_EQ(0u, gradients());
}

TEST_F(NodeCreatorToolsTest, AToolDragEndsOnItsMapWhenTheEditorGoes)
{
    theme->setText("one two three four five six seven eight");
    map->validateElementStates();
    map->setSelectedElement(theme);
    const double width = theme->textSize().width;
    const Point start = at(ElementToolWordWrap);
    press(start);
    drag(start + Point{-40, 0});
    ASSERT_TRUE(map->autoLayoutLocked());
    editor.reset();
    EXPECT_FALSE(map->autoLayoutLocked());
    EXPECT_EQ("", map->delayedUndoOperation());
    EXPECT_FALSE(canUndo());
    map->validateElementStates();
    EXPECT_EQ(width, map->mainCentralTheme()->textSize().width);
}
