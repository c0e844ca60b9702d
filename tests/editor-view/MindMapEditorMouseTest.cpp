#include "GestureTestSupport.h"

#include "MindMaps/CrossLink.h"
#include "MindMaps/MindMapImage.h"
#include "MindMaps/MindMapText.h"
#include "Utils/URLUtils.h"
#include "editor-view/PictureTestSupport.h"
#include "platform/Localizer.h"
#include "platform/Menu.h"
#include "store/CustomImageStore.h"

#include "support/TempDir.h"

#include <functional>

using namespace editortest;

namespace {

// ---- Clicks and selection ----

TEST_F(GestureTest, AClickSelectsAndModifiersExtendOrToggle)
{
    click(theme->location());
    EXPECT_EQ(std::vector<MindMapElement*>{theme}, map->selection());
    editor->scrollMapPointToCenter(child->location());
    const Point childView = editor->mapToViewSpace(child->location());
    click(childView, ControlModifier);
    EXPECT_EQ(2u, map->selection().size()) << "Ctrl adds";
    click(childView, ControlModifier);
    EXPECT_EQ(std::vector<MindMapElement*>{theme}, map->selection()) << "and takes away";
    click(childView);
    EXPECT_EQ(std::vector<MindMapElement*>{child}, map->selection());
    EXPECT_FALSE(canUndo()) << "clicks move nothing";
}

TEST_F(GestureTest, DragsStartAtThreePointsOnEitherAxis)
{
    struct Case {
        Point offset;
        bool moves;
    };
    const Case cases[] = {
        {{2.9, 0}, false}, {{0, -2.9}, false}, {{2.9, 2.9}, false}, {{3.0, 0}, true}, {{0, -3.0}, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.offset.x + c.offset.y);
        const Point start = theme->location();
        press(start);
        drag(start + c.offset);
        release(start + c.offset);
        EXPECT_EQ(c.moves ? start + c.offset : start, theme->location()) << "a topic";
        EXPECT_EQ(c.moves, canUndo());
        if (c.moves) map->undoManager()->undo();
        map->validateElementStates();
        editor->setPosition({0, 0});
        theme = map->mainCentralTheme();

        const Point empty{100, 100};
        const Point before = editor->position();
        press(empty);
        drag(empty + c.offset);
        release(empty + c.offset);
        EXPECT_EQ(c.moves ? before - c.offset : before, editor->position()) << "the view";
        editor->setPosition({0, 0});
    }
}

TEST_F(GestureTest, AMoveIsOneUndoStepAndEscapePutsTheMapBack)
{
    const Point start = theme->location();
    press(start);
    for (int i = 1; i <= 5; ++i) drag(start + Point{10.0 * i, 4.0 * i});
    release(start + Point{50, 20});
    EXPECT_EQ(start + Point(50, 20), theme->location());
    EXPECT_EQ(localized("undoable_op_move_element"), undoName());
    map->undoManager()->undo();
    EXPECT_EQ(start, map->mainCentralTheme()->location());
    EXPECT_FALSE(canUndo());

    // The undo read the map back, which scrolled it to the centre; its topics are measured again
    // as a paint would.
    map->validateElementStates();
    editor->setPosition({0, 0});
    theme = map->mainCentralTheme();
    press(start);
    drag(start + Point{80, 0});
    EXPECT_EQ(start + Point(80, 0), theme->location());
    escape();
    EXPECT_FALSE(editor->trackingGesture());
    EXPECT_EQ(start, map->mainCentralTheme()->location());
    EXPECT_EQ(Point(0, 0), editor->position()) << "the view stays where the drag left it";
    EXPECT_FALSE(canUndo()) << "a cancelled move leaves no step";
    drag(start + Point{120, 0});
    release(start + Point{120, 0});
    EXPECT_EQ(start, map->mainCentralTheme()->location()) << "the rest of the cancelled drag does nothing";

    theme = map->mainCentralTheme();
    press(start);
    drag(start + Point{10, 0});
    editor->pointerEvent({PointerEventKind::Press, SecondaryButton, start, 1, 0, now()});
    editor->pointerEvent({PointerEventKind::Release, SecondaryButton, start, 0, 0, now()});
    EXPECT_TRUE(editor->trackingGesture()) << "only the drag's own button ends it";
    EXPECT_TRUE(menus.popups.empty());
    release(start + Point{10, 0});
    EXPECT_FALSE(editor->trackingGesture());
}

// Every way a drag can end lets go of the layout lock and of the pending snapshot; a drag that
// was not dropped leaves the map as it was.
TEST_F(GestureTest, EveryWayOutOfAMoveUnlocksTheLayoutAndEndsTheSnapshot)
{
    auto other = std::make_shared<MindMap>();
    other->newMindMap("", true, std::string("Other"));
    struct Path {
        const char* name;
        std::function<void()> end;
        bool dropped;
    };
    const Path paths[] = {
        {"drop", [&] { release(theme->location()); }, true},
        {"Escape", [&] { escape(); }, false},
        {"focus loss", [&] { editor->setFocused(false); }, false},
        {"map switch", [&] { editor->setMindMap(other); }, false},
        {"read-only", [&] { editor->setReadOnly(true); }, false},
    };
    for (const Path& path : paths) {
        SCOPED_TRACE(path.name);
        editor->setMindMap(map);
        editor->setReadOnly(false);
        // A cancel reads the map back: its topics are measured again as a paint would.
        map->validateElementStates();
        editor->setPosition({0, 0});
        theme = map->mainCentralTheme();
        const Point start = theme->location();
        press(start);
        drag(start + Point{0, 40});
        ASSERT_TRUE(map->autoLayoutLocked());
        ASSERT_FALSE(map->delayedUndoOperation().empty());
        ASSERT_NE(nullptr, map->rearrangeMarker()->hitCache());
        ASSERT_TRUE(scheduler.isHoldingBackDefaultMode());
        path.end();
        EXPECT_FALSE(editor->trackingGesture());
        EXPECT_FALSE(map->autoLayoutLocked());
        EXPECT_TRUE(map->delayedUndoOperation().empty());
        EXPECT_EQ(nullptr, map->rearrangeMarker()->hitCache());
        EXPECT_FALSE(scheduler.isHoldingBackDefaultMode());
        EXPECT_FALSE(gestureHost.ticking);
        EXPECT_EQ(path.dropped ? start + Point(0, 40) : start, map->mainCentralTheme()->location());
        EXPECT_EQ(path.dropped, canUndo());
        map->undoManager()->removeAllActions();
        if (path.dropped) map->mainCentralTheme()->setLocation(start);
    }
}

TEST_F(GestureTest, ADragThatOutlivesItsMapTouchesItNoMore)
{
    std::weak_ptr<MindMap> old = map;
    const Point start = theme->location();
    press(start);
    drag(start + Point{30, 0});
    // The window goes with the editor: the drag is undone on the map before the editor lets go.
    editor.reset();
    ASSERT_FALSE(old.expired());
    EXPECT_EQ(start, map->mainCentralTheme()->location());
    EXPECT_FALSE(map->autoLayoutLocked());
    EXPECT_TRUE(map->delayedUndoOperation().empty());

    // A map switch, after which the old map goes.
    editor = std::make_unique<MindMapEditor>(&scheduler);
    editor->setFrameSize({800, 600});
    editor->setMindMap(map);
    press(map->mainCentralTheme()->location());
    drag(start + Point{30, 0});
    editor->setMindMap(nullptr);
    map.reset();
    EXPECT_TRUE(old.expired());
    drag(start + Point{60, 0});
    editor->tick({now() + 1});
    release(start + Point{60, 0});
    EXPECT_FALSE(editor->trackingGesture());
}

TEST_F(GestureTest, DefaultModeCallsWaitForTheGestureAndAutosaveIsRefused)
{
    int ran = 0;
    ScheduledCall call = scheduler.performAfterDelay(0.1, [&] { ++ran; });
    EXPECT_TRUE(editor->canAutoSave());
    press(theme->location());
    EXPECT_TRUE(gestureHost.ticking);
    EXPECT_FALSE(editor->canAutoSave());
    hold(0.5);
    EXPECT_EQ(0, ran);
    release(theme->location());
    EXPECT_TRUE(editor->canAutoSave());
    scheduler.runPending();
    EXPECT_EQ(1, ran);
}

// ---- Branch selection ----

TEST_F(GestureTest, HoldingATopicSelectsItsBranchOnceAfterTheDelay)
{
    press(theme->location());
    hold(0.78);
    EXPECT_EQ(1u, map->selection().size());
    hold(0.04);
    EXPECT_EQ(2u, map->selection().size()) << "the theme and its child";
    hold(1.0);
    EXPECT_EQ(2u, map->selection().size()) << "once";
    release(theme->location());

    map->setSelectedElement(nullptr);
    press(theme->location());
    drag(theme->location() + Point{3, 0});
    hold(1.0);
    release(theme->location());
    EXPECT_EQ(1u, map->selection().size()) << "a drag first prevents it";
}

TEST_F(GestureTest, ShiftSelectsTheBranchAtOnce)
{
    press(theme->location(), ShiftModifier);
    EXPECT_EQ(2u, map->selection().size());
    release(theme->location(), ShiftModifier);
}

TEST_F(GestureTest, TheBranchDelayIsReadFromTheDefaultsWithinItsLimits)
{
    struct Case {
        const char* stored;
        double delay;
    };
    const Case cases[] = {{nullptr, 0.8}, {"0.1", 0.2}, {"5", 3.0}, {"1.5", 1.5}, {"0.2", 0.2}, {"nan", 0.8}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored ? c.stored : "absent");
        if (c.stored) UserDefaults::standard().setDouble(MindMapEditor::ChildMoveDelayKey, std::stod(c.stored));
        else UserDefaults::standard().removeObject(MindMapEditor::ChildMoveDelayKey);
        EXPECT_NEAR(c.delay, MindMapEditor::childMoveDelay(), 1e-6);
    }
}

// ---- Auto-scroll ----

TEST_F(GestureTest, AutoScrollVectorFollowsTheEdgeBands)
{
    struct Case {
        Point at;
        Point vector;
    };
    const Case cases[] = {
        {{400, 300}, {0, 0}},   {{19.9, 300}, {-5, 0}}, {{20, 300}, {0, 0}},    {{0, 300}, {-10, 0}},
        {{-40, 300}, {-10, 0}}, {{780, 300}, {0, 0}},   {{780.1, 300}, {5, 0}}, {{800, 300}, {10, 0}},
        {{400, 10}, {0, -5}},   {{400, 590}, {0, 5}},   {{900, 700}, {10, 10}}, {{5, 595}, {-5, 5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.at.x * 1000 + c.at.y);
        EXPECT_EQ(c.vector, editor->calculateAutoScrollVector(c.at));
    }
}

TEST_F(GestureTest, AMoveNearTheEdgeScrollsAndTheTopicFollows)
{
    const Point start = theme->location();
    press(start);
    drag({start.x, 10});
    const Point moved = theme->location();
    hold(0.1);
    EXPECT_EQ(Point(0, -25), editor->position()) << "5 points a tick for 5 ticks";
    EXPECT_EQ(moved - Point(0, 25), theme->location());
    drag({start.x, -30});
    hold(0.02);
    EXPECT_EQ(Point(0, -35), editor->position()) << "10 beyond the edge";
    release({start.x, -30});
}

// ---- Empty canvas ----

TEST_F(GestureTest, AClickOnEmptyCanvasClearsTheSelectionAfterTheDoubleClickTime)
{
    const Point empty{100, 100};
    map->setSelectedElement(theme);
    click(empty);
    scheduler.advance(0.49);
    EXPECT_EQ(1u, map->selection().size()) << "the double-click time + 0.1 s";
    scheduler.advance(0.02);
    EXPECT_TRUE(map->selection().empty());

    map->setSelectedElement(theme);
    click(empty);
    scheduler.advance(0.3);
    click(empty, 0, 2);
    scheduler.advance(1);
    EXPECT_FALSE(map->selection().empty()) << "a second press cancels it";

    // Elsewhere: the double click made a topic there.
    const Point stillEmpty{100, 550};
    map->setSelectedElement(theme);
    press(stillEmpty);
    drag(stillEmpty + Point{10, 0});
    release(stillEmpty + Point{10, 0});
    scheduler.advance(1);
    EXPECT_EQ(1u, map->selection().size()) << "panning cancels it";

    map->toggleSelection(child, false);
    ASSERT_EQ(2u, map->selection().size());
    click(stillEmpty);
    scheduler.advance(1);
    EXPECT_EQ(1u, map->selection().size()) << "a multiple selection shrinks to one";
}

TEST_F(GestureTest, ADoubleClickOnEmptyCanvasAddsATopicThere)
{
    const Point empty{150, 120};
    click(empty, 0, 1);
    click(empty, 0, 2);
    ASSERT_EQ(3u, map->nodes().size());
    MindMapNode* added = map->nodes().back();
    EXPECT_EQ(nullptr, added->parent()) << "nothing was selected: a central theme";

    map->setSelectedElement(theme);
    map->addText();
    ASSERT_FALSE(theme->containedElements().empty());
    // The new label opened for typing; it keeps what was typed.
    ASSERT_NE(nullptr, editor->inplaceEditor());
    editor->inplaceEditor()->view().replaceCharacters({0, 0}, "Label");
    editor->stopEditing(InplaceTextEditor::CommitByReturn);
    scheduler.advance(MindMapEditor::IgnoreMouseDownAfterEditing * 2);
    map->setSelectedElement(theme->containedElements().back());
    ASSERT_NE(nullptr, map->selectedTextElement());
    click({650, 100}, 0, 2);
    ASSERT_EQ(4u, map->nodes().size());
    EXPECT_EQ(theme, map->nodes().back()->parent()) << "a child of the selected text's topic";
    editor->stopEditing(InplaceTextEditor::CommitByReturn);

    editor->setReadOnly(true);
    click({650, 250}, 0, 2);
    EXPECT_EQ(4u, map->nodes().size());
}

// ---- Double clicks on elements ----

TEST_F(GestureTest, ADoubleClickOpensAPictureWhetherReadOnlyOrNotAndEditsTextOnlyWhenWritable)
{
    TempDir folder;
    auto store = std::make_shared<CustomImageStore>(folder.file("images"));
    map->setImageStore(store);
    const std::string hash = store->importImage(picturetest::makePicture(50, 40), 320);
    MindMapImage* image = theme->addCustomImage(hash, "");
    map->validateElementStates();
    picturetest::RecordingImagePreview preview;
    const std::string pictureUrl = fileURLWithPath(store->customImageFilePath(hash));

    struct Case {
        const char* what;
        MindMapElement* element;
        bool readOnly;
        bool opensPicture;
        bool editsText;
    };
    const Case cases[] = {
        {"a picture", image, false, true, false},
        {"a picture, read-only", image, true, true, false},
        {"a topic", child, false, false, true},
        {"a topic, read-only", child, true, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        editor->setReadOnly(c.readOnly);
        map->setSelectedElement(nullptr);
        preview.shown.clear();
        const Point at = editor->mapToViewSpace(c.element->location());
        click(at, 0, 1);
        click(at, 0, 2);
        EXPECT_EQ(std::vector<MindMapElement*>{c.element}, map->selection());
        EXPECT_EQ(c.opensPicture ? std::vector<std::string>{pictureUrl} : std::vector<std::string>{}, preview.shown);
        EXPECT_EQ(c.editsText, editor->inplaceEditor() != nullptr);
        if (editor->inplaceEditor()) editor->stopEditing(InplaceTextEditor::Cancel);
        scheduler.advance(MindMapEditor::IgnoreMouseDownAfterEditing * 2);
        EXPECT_FALSE(canUndo()) << "opening and looking change nothing";
    }
}

// ---- Lasso ----

TEST_F(GestureTest, TheLassoTogglesTheTopicsItTouches)
{
    MindMapNode* a = map->addMindMapNodeAsChild(theme, {200, 200});
    MindMapNode* b = map->addMindMapNodeAsChild(theme, {300, 250});
    MindMapNode* hidden = map->addMindMapNodeAsChild(theme, {250, 220});
    map->validateElementStates();
    map->hideTopic(hidden);
    ASSERT_FALSE(hidden->isVisible());
    map->setSelectedElement(nullptr);

    struct Case {
        const char* what;
        Point from;
        Point to;
        unsigned extra;
        std::vector<MindMapElement*> before;
        std::vector<MindMapElement*> after;
    };
    const Case cases[] = {
        {"down and right", {150, 150}, {350, 270}, 0, {}, {a, b}},
        {"up and left", {350, 270}, {150, 150}, 0, {}, {a, b}},
        {"keeps a touched selected topic", {150, 150}, {350, 270}, 0, {b}, {b, a}},
        {"replaces an untouched one", {150, 150}, {250, 210}, 0, {theme}, {a}},
        {"extend toggles off", {150, 150}, {350, 270}, ShiftModifier, {a, theme}, {theme, b}},
        {"a press alone changes nothing", {150, 150}, {152, 152}, 0, {theme}, {theme}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        map->setSelectedElement(nullptr);
        for (MindMapElement* element : c.before) map->toggleSelection(element, false);
        press(c.from, ControlModifier | c.extra);
        EXPECT_EQ(EditorGesture::Lasso, editor->gesture());
        drag(c.to, ControlModifier | c.extra);
        release(c.to, ControlModifier | c.extra);
        EXPECT_EQ(c.after, map->selection());
        EXPECT_FALSE(editor->dragSelector().isActive());
    }
}

TEST_F(GestureTest, TheRubberBandShowsWhileSelectingAndEscapeDropsIt)
{
    press({100, 100}, ControlModifier);
    EXPECT_FALSE(editor->buildDragSelectorPath());
    drag({140, 160}, ControlModifier);
    EXPECT_TRUE(editor->dragSelector().isSelecting());
    EXPECT_EQ(Rect(100, 100, 40, 60), editor->dragSelector().selectionRect());
    EXPECT_TRUE(editor->buildDragSelectorPath());
    map->setSelectedElement(theme);
    escape();
    EXPECT_FALSE(editor->dragSelector().isSelecting());
    EXPECT_FALSE(editor->buildDragSelectorPath());
    EXPECT_EQ(std::vector<MindMapElement*>{theme}, map->selection());
}

// ---- Details of a topic ----

TEST_F(GestureTest, ACheckboxClickTogglesAndSwallowsTheNextPressOfADoubleClick)
{
    theme->setCheckboxMode(1);
    map->validateElementStates();
    const Point box =
        theme->checkboxOrigin() + Point{MindMapNode::AdornmentBoxSide / 2, MindMapNode::AdornmentBoxSide / 2};
    ASSERT_EQ(MindMapNode::HitCheckbox, theme->getHitTestInfo(box));
    const int32_t before = theme->checkedState();
    click(box);
    EXPECT_NE(before, theme->checkedState());
    EXPECT_TRUE(editor->ignoreMouseDown());
    click(box);
    EXPECT_NE(before, theme->checkedState()) << "the second press of the double click is swallowed";
    click(box);
    EXPECT_EQ(before, theme->checkedState()) << "the swallowing press ended the window";
    click(box);
    scheduler.advance(editor->doubleClickInterval() + 0.01);
    EXPECT_FALSE(editor->ignoreMouseDown());
}

TEST_F(GestureTest, AProgressCheckboxClickPopsTheSetUpMenu)
{
    Menu setup("Topic Check boxes");
    setup.addItem("50%", "handleCheckboxSetupMenuClick:");
    EditorMenuSource source;
    source.checkboxMenu = [&] { return &setup; };
    editor->setMenuSource(source);
    theme->setCheckboxMode(2);
    map->validateElementStates();
    const Point box =
        theme->checkboxOrigin() + Point{MindMapNode::AdornmentBoxSide / 2, MindMapNode::AdornmentBoxSide / 2};
    click(box);
    ASSERT_EQ(1u, menus.popups.size());
    EXPECT_EQ(&setup, menus.popups.back().menu);
    EXPECT_EQ(editor->mapToViewSpace(box), menus.popups.back().point);
    EXPECT_EQ(std::vector<MindMapElement*>{theme}, map->selection());
}

// The first map point of the topic whose detail area is the code; none when it has none.
std::optional<Point> pointOfDetail(const MindMapNode* node, int32_t code)
{
    const Rect bounds = node->bounds();
    for (double y = bounds.minY(); y < bounds.maxY(); y += 0.5)
        for (double x = bounds.minX(); x < bounds.maxX(); x += 0.5)
            if (node->getHitTestInfo({x, y}) == code) return Point{x, y};
    return std::nullopt;
}

TEST_F(GestureTest, DetailClicksOpenTheirPickersAndADateOnlyTextMoves)
{
    theme->setIconName("icon_star");
    theme->setDate(std::chrono::system_clock::now());
    map->validateElementStates();
    struct Case {
        int32_t area;
        const char* notification;
    };
    const Case cases[] = {{MindMapNode::HitIcon, MindMap::InvokeIconPickerNotification},
                          {MindMapNode::HitDateIcon, MindMap::InvokeDatePickerNotification},
                          {MindMapNode::HitDateText, MindMap::InvokeDatePickerNotification}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.area);
        const auto at = pointOfDetail(theme, c.area);
        ASSERT_TRUE(at);
        NotificationCounter posted(c.notification, map.get());
        map->setSelectedElement(nullptr);
        press(*at);
        EXPECT_FALSE(editor->trackingGesture()) << "handled at once";
        release(*at);
        EXPECT_EQ(1, posted.count);
        EXPECT_EQ(std::vector<MindMapElement*>{theme}, map->selection());
        scheduler.advance(1);
    }

    // A topic that shows only its date: its date text is not a detail, a press there moves it.
    MindMapNode* dated = map->addMindMapNodeAsChild(theme, {200, 150});
    dated->setDate(std::chrono::system_clock::now());
    map->validateElementStates();
    ASSERT_TRUE(dated->showsOnlyDate());
    const auto text = pointOfDetail(dated, MindMapNode::HitDateText);
    ASSERT_TRUE(text);
    NotificationCounter posted(MindMap::InvokeDatePickerNotification, map.get());
    press(*text);
    EXPECT_EQ(EditorGesture::Move, editor->gesture());
    release(*text);
    EXPECT_EQ(0, posted.count);
}

// ---- Context menu ----

TEST_F(GestureTest, TheRightButtonSelectsAndShowsTheContextMenu)
{
    Menu edit("Edit");
    edit.addItem("Copy", "copy:", "c").setKeyEquivalentModifiers(ControlKeyModifier);
    Menu style("Style");
    style.addItem("Copy Style", "copyStyle:");
    Menu expansion("Collapse / Expand");
    expansion.addItem("Collapse", "collapse:");
    Menu zoom("Zoom");
    zoom.addItem("Zoom In", "zoomIn:");
    std::vector<std::string> sent;
    int validated = 0;
    EditorMenuSource source;
    source.editMenu = [&] { return &edit; };
    source.styleMenu = [&] { return &style; };
    source.expansionMenu = [&] { return &expansion; };
    source.zoomMenu = [&] { return &zoom; };
    source.validateMenu = [&](Menu&) { ++validated; };
    source.sendAction = [&](MenuItem& item) { sent.push_back(item.action()); };
    editor->setMenuSource(source);

    press(theme->location(), 0, 1, SecondaryButton);
    EXPECT_EQ(std::vector<MindMapElement*>{theme}, map->selection());
    ASSERT_EQ(1u, menus.popups.size());
    const Menu& shown = *menus.popups.back().menu;
    ASSERT_EQ(3u, shown.items().size());
    EXPECT_EQ("copy:", shown.items()[0]->action());
    EXPECT_EQ("c", shown.items()[0]->keyEquivalent());
    EXPECT_TRUE(shown.items()[1]->isSeparatorItem());
    EXPECT_EQ("copyStyle:", shown.items()[2]->action());
    EXPECT_EQ(1, validated);
    menus.choose(2);
    EXPECT_EQ(std::vector<std::string>{"copyStyle:"}, sent);
    EXPECT_NE(edit.items()[0].get(), shown.items()[0].get()) << "a copy";

    editor->setReadOnly(true);
    press({100, 100}, 0, 1, SecondaryButton);
    const Menu& readOnly = *menus.popups.back().menu;
    ASSERT_EQ(4u, readOnly.items().size());
    EXPECT_EQ("togglePresentationMode:", readOnly.items()[0]->action());
    EXPECT_EQ(localized("action_exit_presentation_mode"), readOnly.items()[0]->title());
    EXPECT_EQ("Collapse / Expand", readOnly.items()[2]->title());
    ASSERT_NE(nullptr, readOnly.items()[3]->submenu());
    EXPECT_EQ("zoomIn:", readOnly.items()[3]->submenu()->items()[0]->action());
}

TEST_F(GestureTest, ToolMenusNameTheirItemsByTheirKeys)
{
    struct Case {
        std::shared_ptr<Menu> menu;
        const char* title;
        std::vector<std::string> actions;
    };
    const Case cases[] = {
        {MindMapEditor::collapseToolMenu(),
         "collapse_menu_title",
         {"collapseChildren:", "expandChildren:", "fullCollapse:", "fullExpand:"}},
        {MindMapEditor::hideTopicToolMenu(),
         "hide_show_menu_title",
         {"hideSelected:", "hideChildren:", "fullHide:", "", "showSelected:", "showChildren:", "fullShow:"}},
        {MindMapEditor::rotateToolMenu(),
         "rotate_flip_title",
         {"rotate90CW:", "rotate90CCW:", "rotate180:", "flipBranchHorizontal:", "flipBranchVertical:"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        EXPECT_EQ(localized(c.title), c.menu->title());
        std::vector<std::string> actions;
        for (const auto& item : c.menu->items()) {
            actions.push_back(item->action());
            EXPECT_TRUE(item->keyEquivalent().empty());
        }
        EXPECT_EQ(c.actions, actions);
    }
    EXPECT_EQ(localized("collapse_children"), MindMapEditor::collapseToolMenu()->items()[0]->title());
}

// ---- Cross-link mode ----

TEST_F(GestureTest, InCrossLinkModeAPressLinksOrLeaves)
{
    map->setSelectedElement(theme);
    editor->addCrossLink();
    ASSERT_EQ(theme, editor->crossLinkSource());
    click(theme->location());
    EXPECT_EQ(nullptr, editor->crossLinkSource());
    EXPECT_TRUE(map->crossLinks().empty()) << "pressing the source makes no link";

    // Not the source's child: a link may not join parent and child.
    MindMapNode* other = map->addMindMapNodeAsChild(child, {200, 150});
    map->validateElementStates();
    map->setSelectedElement(theme);
    editor->addCrossLink();
    click(other->location());
    EXPECT_EQ(nullptr, editor->crossLinkSource());
    ASSERT_EQ(1u, map->crossLinks().size());
    EXPECT_EQ(static_cast<MindMapElement*>(map->crossLinks().front()), map->selectedElement());
}

TEST_F(GestureTest, APressWhileBusyOnlyEndsWhatIsOpen)
{
    EditorActivity editing;
    editing.inplaceEditOpen = true;
    editor->setActivity(editing);
    click(theme->location());
    EXPECT_TRUE(map->selection().empty());
    EXPECT_FALSE(editor->trackingGesture());
}

} // namespace
