#include "EditorViewTestSupport.h"

#include "MindMaps/MindMapCommandValidation.h"
#include "MindMaps/MindMapEditorScrollState.h"
#include "MindMaps/MindMapStyle.h"
#include "formats/TwkxMindMapReader.h"
#include "platform/Localizer.h"
#include "platform/Menu.h"
#include "platform/UndoManager.h"
#include "render/MindMapPainter.h"
#include "support/RecordingGraphicsContext.h"

#include <cmath>
#include <limits>

using namespace editortest;

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

void expectNear(Point expected, Point actual)
{
    EXPECT_NEAR(expected.x, actual.x, 1e-6);
    EXPECT_NEAR(expected.y, actual.y, 1e-6);
}

} // namespace

// ---- Zoom ----

TEST_F(EditorViewTest, UserZoomIsClampedAndAnUnchangedZoomTellsNobody)
{
    showMap();
    NotificationCounter changed("MindMapViewUserScaleChangedNotification", editor.get());
    struct Case {
        double requested;
        double expected;
        int notifications;
    };
    const Case cases[] = {{2.0, 2.0, 1},
                          {2.0, 2.0, 1},
                          {9.0, 5.0, 2},
                          {5.0, 5.0, 2},
                          {0.05, 0.10000000149011612, 3},
                          {0.1, 0.10000000149011612, 3},
                          {NaN, 0.10000000149011612, 3}};
    for (const Case& c : cases) {
        editor->setUserScaleFactor(c.requested);
        EXPECT_EQ(c.expected, editor->userScaleFactor()) << c.requested;
        EXPECT_EQ(c.expected, editor->scaleFactor()) << c.requested;
        EXPECT_EQ(c.notifications, changed.count) << c.requested;
    }
}

TEST_F(EditorViewTest, GlobalFactorIsClampedAndKeepsTheMapPointAtTheCentre)
{
    // Stored below the smallest factor, absent or no number: 1; above the largest: the largest.
    const std::pair<std::optional<double>, double> stored[] = {{std::nullopt, 1.0}, {0.0, 1.0},   {0.2, 1.0},
                                                               {NaN, 1.0},          {0.25, 0.25}, {1.1, double(1.1f)},
                                                               {10.0, 4.0},         {1e300, 4.0}, {-1e300, 1.0}};
    for (auto [value, expected] : stored) {
        if (value) UserDefaults::standard().setDouble("editorGlobalScaleFactor", *value);
        else UserDefaults::standard().removeObject("editorGlobalScaleFactor");
        EXPECT_EQ(expected, MindMapEditor().scaleFactor()) << value.value_or(-1);
    }
    showMap();
    editor->scrollMapPointToCenter(theme->location());
    const Point centre = editor->viewToMapSpace(editor->getViewCenterPoint());
    editor->setEditorGlobalScaleFactor(10);
    EXPECT_EQ(4.0, editor->scaleFactor());
    expectNear(centre, editor->viewToMapSpace(editor->getViewCenterPoint()));
    editor->setEditorGlobalScaleFactor(0.1);
    EXPECT_EQ(0.25, editor->globalScaleFactor());
    // As the preferences change it; a removed value means 1 again.
    UserDefaults::standard().setDouble("editorGlobalScaleFactor", 2.0);
    EXPECT_EQ(2.0, editor->scaleFactor());
    UserDefaults::standard().removeObject("editorGlobalScaleFactor");
    EXPECT_EQ(1.0, editor->scaleFactor());
}

TEST_F(EditorViewTest, ZoomStepsStopAtTheLimitsAndTheirMenuItemsFollow)
{
    showMap();
    editor->setUserScaleFactor(4.95);
    editor->zoomIn();
    EXPECT_EQ(5.0, editor->userScaleFactor());
    EXPECT_FALSE(editor->validateAction("zoomIn:").enabled);
    EXPECT_TRUE(editor->validateAction("zoomActualSize:").enabled);

    editor->zoomActualSize();
    EXPECT_EQ(1.0, editor->userScaleFactor());
    EXPECT_FALSE(editor->validateAction("zoomActualSize:").enabled);

    editor->setUserScaleFactor(0.2);
    editor->zoomOut();
    EXPECT_EQ(0.10000000149011612, editor->userScaleFactor());
    EXPECT_FALSE(editor->validateAction("zoomOut:").enabled);
}

TEST_F(EditorViewTest, ActionsComeUpTheResponderChainAndFollowTheState)
{
    EXPECT_FALSE(editor->validateAction("zoomContents:").enabled) << "no map";
    EXPECT_TRUE(editor->performAction("zoomIn:", nullptr));
    EXPECT_EQ(1.0, editor->userScaleFactor());
    showMap();
    const MenuItem item("", "zoomIn:");
    EXPECT_TRUE(editor->validateUserInterfaceItem(item).enabled);
    EXPECT_TRUE(editor->performAction("zoomIn:", &item));
    EXPECT_EQ(1.0 + MindMapEditor::ZoomStep, editor->userScaleFactor());
    EXPECT_EQ(std::optional<bool>(true), editor->validateAction("toggleContinuousSpellChecking:").checked);
    map->setSelectedElement(nullptr);
    EXPECT_FALSE(editor->validateAction("addCrossLink:").enabled);
    EXPECT_FALSE(editor->validateAction("scrollSelectedElementVisible:").enabled);
}

TEST_F(EditorViewTest, AutoFocusItemsSetTheModeAndTheCurrentOneIsChecked)
{
    const char* actions[] = {"autoFocusDisabled:", "autoFocusSelected:", "autoFocusChildren:", "autoFocusBranch:"};
    EXPECT_FALSE(editor->validateAction(actions[1]).enabled) << "no map";
    showMap();
    for (int32_t mode : {2, 3, 1, 0}) {
        EXPECT_TRUE(editor->performAction(actions[mode], nullptr));
        EXPECT_EQ(mode, editor->autoFocusser().autoFocusMode());
        EXPECT_EQ(mode != 0, editor->autoFocusser().enabled());
        for (int32_t item = 0; item < 4; ++item) {
            const ItemValidation validation = editor->validateAction(actions[item]);
            EXPECT_TRUE(validation.enabled);
            EXPECT_EQ(std::optional<bool>(item == mode), validation.checked) << actions[item];
        }
    }
}

TEST_F(EditorViewTest, ZoomContentsLeavesRoomUnlessTheZoomWouldPassItsLimit)
{
    showMap();
    const Rect area = map->getVisualArea(false);
    for (auto [fitted, expected] : {std::pair{6.0, 5.0}, {2.0, 1.8}}) {
        editor->setFrameSize({area.width() * fitted, area.height() * fitted * 2});
        editor->zoomContents();
        EXPECT_DOUBLE_EQ(expected, editor->userScaleFactor()) << fitted;
        expectNear(editor->getViewCenterPoint(), editor->mapToViewSpace(area.center()));
    }
}

// ---- Scrolling ----

TEST_F(EditorViewTest, ScrollingStopsWhereFifteenPercentOfTheSmallerSideStillShowsTheMap)
{
    showMap();
    editor->setUserScaleFactor(2.0);
    const Rect area = map->getVisualArea(false);
    const double margin = 0.15 * 600;
    editor->setPosition({1e9, 1e9});
    EXPECT_EQ(Point({area.maxX() * 2 - margin, area.maxY() * 2 - margin}), editor->position());
    editor->setPosition({-1e9, -1e9});
    EXPECT_EQ(Point({area.minX() * 2 - (800 - margin), area.minY() * 2 - (600 - margin)}), editor->position());
    // A position that is no number moves nothing.
    const Point kept = editor->position();
    editor->setPosition({NaN, NaN});
    EXPECT_EQ(kept, editor->position());
}

TEST_F(EditorViewTest, ScrollElementVisibleKeepsThirtyUnitsOrCentres)
{
    showMap();
    const Rect bounds = theme->bounds();
    // Inside with room to spare: nothing moves.
    editor->scrollMapPointToCenter(theme->location());
    const Point centred = editor->position();
    editor->scrollElementVisible(theme);
    EXPECT_EQ(centred, editor->position());

    // Its left edge 100 points inside the right edge of the view: it comes in with 30 to spare.
    editor->setPosition({bounds.minX() - 700, centred.y});
    editor->scrollElementVisible(theme);
    EXPECT_DOUBLE_EQ(bounds.maxX() + 30, editor->getMapClipRect().maxX());

    // Wider than the view less 60: centred.
    editor->setFrameSize({bounds.width() + 59, 600});
    editor->setPosition({bounds.minX(), centred.y});
    editor->scrollElementVisible(theme);
    EXPECT_DOUBLE_EQ(bounds.midX(), editor->getMapClipRect().midX());
}

TEST_F(EditorViewTest, PageKeysScrollThreeQuartersAndTheWheelAsFarAsTheToolkitsScrolledViews)
{
    showMap();
    editor->scrollMapPointToCenter(theme->location());
    const std::pair<uint32_t, Point> keys[] = {{KeyValues::PageDown, {0, 450}},
                                               {KeyValues::PageUp, {0, -450}},
                                               {KeyValues::End, {600, 0}},
                                               {KeyValues::Home, {-600, 0}}};
    for (auto [key, moved] : keys) {
        const Point before = editor->position();
        editor->keyDown({key, 0});
        EXPECT_EQ(moved, editor->position() - before) << key;
    }
    // A notch moves the two-thirds power of the visible length along its side: 1000 gives 100,
    // 343 gives 49, whatever the zoom. In the toolkit's sign a notch down scrolls down.
    editor->setFrameSize({1000, 343});
    editor->setUserScaleFactor(2.0);
    editor->scrollMapPointToCenter(theme->location());
    const std::pair<ScrollEvent, Point> wheels[] = {
        {{0, 1, 0, 0}, {0, 49}}, {{-0.5, 0, 0, 0}, {-50, 0}}, {{0.25, -0.5, 0, 0}, {25, -24.5}}};
    for (auto [wheel, moved] : wheels) {
        const Point before = editor->position();
        editor->scrollWheel(wheel);
        expectNear(moved, editor->position() - before);
    }
    EXPECT_EQ(0.0, MindMapEditor::wheelScrollStep(0));
}

TEST_F(EditorViewTest, ControlWheelAndPinchZoomAroundTheSelectedTopic)
{
    showMap();
    const Point topic = editor->mapToViewSpace(theme->location());
    editor->scrollWheel({0, -1, ControlModifier, 0});
    EXPECT_EQ(1.0 + MindMapEditor::ZoomStep, editor->userScaleFactor());
    expectNear(topic, editor->mapToViewSpace(theme->location()));
    editor->scrollWheel({0, 1, AltModifier, 0});
    EXPECT_DOUBLE_EQ(1.0, editor->userScaleFactor());
    editor->scrollWheel({0, 0, ControlModifier, 0});
    EXPECT_DOUBLE_EQ(1.0, editor->userScaleFactor());
    // A touchpad's small steps zoom once per whole notch.
    for (int step = 0; step < 7; ++step) editor->scrollWheel({0, 0.25, ControlModifier, 0});
    EXPECT_DOUBLE_EQ(1.0 - MindMapEditor::ZoomStep, editor->userScaleFactor());
    editor->scrollWheel({0, -1, ControlModifier, 0});
    // Without a selection the view's centre stays.
    map->setSelectedElement(nullptr);
    const Point centre = editor->viewToMapSpace(editor->getViewCenterPoint());
    editor->magnifyWithEvent({0.5});
    EXPECT_DOUBLE_EQ(1.5, editor->userScaleFactor());
    expectNear(centre, editor->viewToMapSpace(editor->getViewCenterPoint()));
}

// ---- Painting ----

TEST_F(EditorViewTest, PainterFlagsFollowTheStateAndTheScale)
{
    showMap();
    struct Case {
        const char* name;
        double scale;
        EditorActivity activity;
        bool scrolling;
        uint32_t flags;
    };
    EditorActivity dragging;
    dragging.elementMoverActive = dragging.elementMoverDragging = true;
    EditorActivity editing;
    editing.inplaceEditOpen = true;
    const Case cases[] = {{"idle at 1", 1.0, {}, false, 0x1},
                          {"mover dragging at 0.6", 0.6, dragging, false, 0x1 | 0x40 | 0x2 | 0x80},
                          {"idle at 0.5", 0.5, {}, false, 0x81},
                          {"idle at 0.6", 0.6, {}, false, 0x1},
                          {"hand-scrolling at 0.69", 0.69, {}, true, 0x83},
                          {"editing at 0.7", 0.7, editing, false, 0x3}};
    for (const Case& c : cases) {
        editor->setUserScaleFactor(c.scale);
        editor->setActivity(c.activity);
        editor->setScrolling(c.scrolling);
        EXPECT_EQ(c.flags, editor->painterFlags()) << c.name;
    }
}

TEST_F(EditorViewTest, AutoFocusMarksTheMapBeforeEachPaintAndAddsItsFlag)
{
    showMap();
    const int displays = host.displays;
    editor->autoFocusser().setAutoFocusMode(AutoFocusser::ModeSelection);
    EXPECT_GT(host.displays, displays);
    EXPECT_EQ(0x101u, editor->painterFlags());
    RecordingGraphicsContext context;
    editor->draw(context, {0, 0, 800, 600});
    EXPECT_TRUE(theme->isAutoFocused());
    EXPECT_FALSE(child->isAutoFocused());
    editor->autoFocusser().setAutoFocusMode(AutoFocusser::ModeOff);
    EXPECT_EQ(0x1u, editor->painterFlags());
}

TEST_F(EditorViewTest, ArrowKeysMoveTheSelection)
{
    showMap();
    EXPECT_TRUE(editor->keyDown({KeyValues::Right, 0}));
    EXPECT_EQ(child, map->selectedElement());
}

TEST_F(EditorViewTest, DrawsTheEmptyEditorOrTheBackgroundAndTheVisibleMapGrownByTen)
{
    RecordingGraphicsContext empty;
    editor->setBackingScaleFactor(2);
    editor->draw(empty, {0, 0, 800, 600});
    const auto texts = empty.entriesOfKind(RecordingGraphicsContext::Kind::Text);
    ASSERT_EQ(1u, texts.size());
    EXPECT_EQ(localized("editor_no_mindmap_selected"), texts[0]->text);
    EXPECT_EQ(Point({5, 16}), texts[0]->origin);
    EXPECT_EQ(790, texts[0]->wrapWidth);
    EXPECT_EQ(TextAlignment::Center, texts[0]->attributedText.attributesAt(0).alignment);

    showMap();
    map->style()->setBackgroundColor(Color(0.1, 0.2, 0.3));
    map->style()->setPropCustomized(MindMapStyle::BackgroundColorMask, true);
    editor->setUserScaleFactor(2.0);
    editor->setPosition({800, 700});
    ASSERT_EQ(Point({800, 700}), editor->position());
    EXPECT_EQ(Rect(400 - 10, 350 - 10, 400 + 20, 300 + 20), editor->paintClipRect());

    RecordingGraphicsContext context;
    editor->draw(context, {10, 20, 30, 40});
    ASSERT_FALSE(context.entries().empty());
    const auto& fill = context.entries().front();
    EXPECT_EQ(RecordingGraphicsContext::Kind::Fill, fill.kind);
    EXPECT_EQ(Rect(10, 20, 30, 40), fill.path.controlPointBounds());
    EXPECT_EQ(Color(0.1, 0.2, 0.3), fill.color);
    EXPECT_EQ(0, context.saveDepth());
}

TEST_F(EditorViewTest, TooltipsCoverVisibleTopicsWithNotes)
{
    showMap();
    theme->setNote("Remember the milk");
    editor->scrollMapPointToCenter(theme->location());
    RecordingGraphicsContext context;
    editor->draw(context, {0, 0, 800, 600});
    Rect area;
    const Point inside = editor->mapToViewSpace(theme->location());
    EXPECT_EQ(std::optional<std::string>("Remember the milk"), editor->toolTipAt(inside, &area));
    EXPECT_EQ(editor->mapRectToViewRect(theme->bounds()), area);
    EXPECT_EQ(std::nullopt, editor->toolTipAt(editor->mapToViewSpace(child->location())));
    // A change of the map drops them until the next draw: their owners may be gone.
    map->removeMindMapNode(theme);
    EXPECT_EQ(std::nullopt, editor->toolTipAt(inside));
}

// ---- Tools, autosave and modes ----

TEST_F(EditorViewTest, ToolsAreShownOnlyWhenNothingElseIsGoingOn)
{
    showMap();
    RecordingCrossLinkFeedback feedback;
    editor->setCrossLinkFeedback(&feedback);
    EXPECT_TRUE(editor->elementToolsVisible());
    struct Case {
        const char* name;
        std::function<void()> enter;
        std::function<void()> leave;
    };
    EditorActivity editing;
    editing.inplaceEditOpen = true;
    EditorActivity dragging;
    dragging.elementMoverActive = dragging.elementMoverDragging = true;
    const Case cases[] = {
        {"zoom 0.39", [&] { editor->setUserScaleFactor(0.39); }, [&] { editor->setUserScaleFactor(0.4); }},
        {"editing", [&] { editor->setActivity(editing); }, [&] { editor->setActivity({}); }},
        {"mover dragging", [&] { editor->setActivity(dragging); }, [&] { editor->setActivity({}); }},
        {"nothing selected", [&] { map->setSelectedElement(nullptr); }, [&] { map->setSelectedElement(theme); }},
        {"cross-link mode", [&] { editor->addCrossLink(); }, [&] { editor->externalCancelCrossLinkMode(); }},
    };
    for (const Case& c : cases) {
        c.enter();
        EXPECT_FALSE(editor->elementToolsVisible()) << c.name;
        c.leave();
        EXPECT_TRUE(editor->elementToolsVisible()) << c.name;
    }
    // The bar is told to go whenever the modes end, and to come once.
    EXPECT_EQ(1, std::count(feedback.calls.begin(), feedback.calls.end(), "show"));
    EXPECT_EQ("hide", feedback.calls.back());
}

TEST_F(EditorViewTest, AutosaveWaitsWhileTheUserIsInTheMiddleOfSomething)
{
    EXPECT_FALSE(editor->canAutoSave()) << "no map";
    showMap();
    EXPECT_TRUE(editor->canAutoSave());
    EditorActivity editing;
    editing.inplaceEditOpen = true;
    EditorActivity popover;
    popover.popoverShown = true;
    struct Case {
        const char* name;
        std::function<void()> enter;
        std::function<void()> leave;
    };
    Scheduler::ModeSession session;
    const Case cases[] = {
        {"read-only", [&] { editor->setReadOnly(true); }, [&] { editor->setReadOnly(false); }},
        {"disabled map", [&] { map->setEnabled(false); }, [&] { map->setEnabled(true); }},
        {"editing", [&] { editor->setActivity(editing); }, [&] { editor->setActivity({}); }},
        {"popover", [&] { editor->setActivity(popover); }, [&] { editor->setActivity({}); }},
        {"cross-link mode", [&] { editor->addCrossLink(); }, [&] { editor->cancelCrossLinkMode(); }},
        {"tracking", [&] { session = scheduler.enterMode(EventTrackingRunLoopMode); }, [&] { session.end(); }},
        {"modal dialog", [&] { session = scheduler.enterMode(ModalPanelRunLoopMode); }, [&] { session.end(); }},
    };
    for (const Case& c : cases) {
        c.enter();
        EXPECT_FALSE(editor->canAutoSave()) << c.name;
        c.leave();
        EXPECT_TRUE(editor->canAutoSave()) << c.name;
    }
}

TEST_F(EditorViewTest, AMapShownWhileTheEditorIsReadOnlyRefusesItsOwnCommands)
{
    showMap();
    editor->setReadOnly(true);
    auto other = std::make_shared<MindMap>();
    other->newMindMap("", true, std::string("Other"));
    other->validateElementStates();
    editor->setMindMap(other);
    other->setSelectedElement(other->mainCentralTheme());
    EXPECT_TRUE(other->readOnly());
    bool handled = false;
    EXPECT_FALSE(other->validateUserInterfaceItem(MindMapAction::addChildNode, handled));

    editor->setReadOnly(false);
    EXPECT_FALSE(other->readOnly());
    editor->setMindMap(map);
    EXPECT_FALSE(map->readOnly());
    editor->setMindMap(nullptr);
}

TEST_F(EditorViewTest, EscapeLeavesTheModeThenShrinksTheSelectionThenTellsTheWindow)
{
    showMap();
    NotificationCounter escaped("MindMapViewEscapePressedNotification", editor.get());
    editor->addCrossLink();
    editor->keyDown({KeyValues::Escape, 0});
    EXPECT_EQ(nullptr, editor->crossLinkSource());
    EXPECT_EQ(theme, map->selectedElement());

    map->toggleSelection(child, false);
    ASSERT_TRUE(map->hasMultipleSelection());
    editor->keyDown({KeyValues::Escape, 0});
    EXPECT_FALSE(map->hasMultipleSelection());
    EXPECT_NE(nullptr, map->selectedElement());
    editor->keyDown({KeyValues::Escape, 0});
    EXPECT_EQ(nullptr, map->selectedElement());
    EXPECT_EQ(0, escaped.count);
    editor->keyDown({KeyValues::Escape, 0});
    EXPECT_EQ(1, escaped.count);
}

TEST_F(EditorViewTest, TheEditorFollowsTheMapItShows)
{
    showMap();
    EXPECT_EQ(editor.get(), map->nodeEditor());
    const int before = host.displays;
    theme->setText("Changed");
    EXPECT_GT(host.displays, before);

    auto other = std::make_shared<MindMap>();
    editor->setMindMap(other);
    EXPECT_EQ(nullptr, map->nodeEditor());
    EXPECT_EQ(editor.get(), other->nodeEditor());
    editor.reset();
    EXPECT_EQ(nullptr, other->nodeEditor());
}

// ---- Scroll state ----

TEST_F(EditorViewTest, ScrollStateRestoresTheOffsetOrCentresTheSelection)
{
    showMap();
    editor->setUserScaleFactor(1.5);
    editor->scrollMapPointToCenter(child->location());
    MindMapEditorScrollState saved;
    editor->getEditorScrollState(saved);
    EXPECT_TRUE(saved.offsetValid());
    EXPECT_EQ(1.5, saved.zoomScale());

    editor->setPosition({0, 0});
    saved.setZoomScale(2.0);
    editor->setEditorScrollState(saved);
    EXPECT_EQ(saved.offset(), editor->position());
    EXPECT_EQ(1.5, editor->userScaleFactor()) << "the zoom comes back only on the centring path";

    // Centring the selection ignores the offset, and brings the zoom back only when asked to.
    saved.setCenterSelection(true);
    for (auto [restoreZoom, zoom] : {std::pair{false, 1.0}, {true, 2.0}}) {
        UserDefaults::standard().setBool("restoreZoomFactor", restoreZoom);
        editor->setUserScaleFactor(1.0);
        editor->setEditorScrollState(saved);
        EXPECT_EQ(zoom, editor->userScaleFactor());
        EXPECT_NE(saved.offset(), editor->position());
        EXPECT_TRUE(intersectsRect(editor->getMapClipRect(), theme->bounds()));
    }
    // A stored zoom that is no number changes nothing.
    saved.setZoomScale(NaN);
    editor->setEditorScrollState(saved);
    EXPECT_EQ(2.0, editor->userScaleFactor());
}

// The zoom a large map was left at (10 %) is the large map's: the next map shows at its own.
TEST_F(EditorViewTest, EachMapIsShownAtItsOwnZoom)
{
    enum Kept { OpenedAnew, KeptView, NoState };
    struct Case {
        const char* what;
        Kept kept;
        double storedZoom;
        bool restoreZoom;
        double shownZoom;
    };
    const Case cases[] = {
        {"a map opened anew, its zoom not restored", OpenedAnew, 0.8, false, 1.0},
        {"a map opened anew, its zoom restored", OpenedAnew, 0.8, true, 0.8},
        {"a map whose view was kept", KeptView, 2.0, false, 2.0},
        {"a map that was never viewed", NoState, 0.0, false, 1.0},
        {"a stored zoom that is no number", OpenedAnew, NaN, true, 1.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        UserDefaults::standard().setBool("restoreZoomFactor", c.restoreZoom);
        showMap();
        editor->setUserScaleFactor(0.1);
        auto next = std::make_shared<MindMap>();
        next->newMindMap("", true, std::string("Small"));
        if (c.kept != NoState) {
            MindMapEditorScrollState state;
            state.setZoomScale(c.storedZoom);
            state.setCenterSelection(c.kept == OpenedAnew);
            state.setOffsetValid(c.kept == KeptView);
            next->setEditorScrollState(state);
        }
        editor->setMindMap(next);
        EXPECT_EQ(c.shownZoom, editor->userScaleFactor());
        editor->setMindMap(map);
        EXPECT_EQ(MindMapEditor::MinimumUserScale, editor->userScaleFactor())
            << "the first map comes back at the zoom it was left at";
        editor->setMindMap(nullptr);
    }
}

// A window still taking its size lays its canvas out more than once: the map placed at the first,
// smaller size stood with its left part cut off and the right empty once the canvas grew.
TEST_F(EditorViewTest, AMapJustOpenedIsPlacedAgainWhenTheCanvasTakesItsSizeUntilTheViewMoves)
{
    struct Case {
        const char* what;
        Size first;
        bool userScrolls;
    };
    const Case cases[] = {
        {"a canvas that grows", {200, 150}, false},
        {"a canvas that shrinks", {1600, 1200}, false},
        {"a view the user has moved", {200, 150}, true},
    };
    MindMapEditor reference(&scheduler);
    reference.setFrameSize({800, 600});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto shown = std::make_shared<MindMap>();
        shown->newMindMap("", true, std::string("Theme"));
        shown->addMindMapNodeAsChild(shown->mainCentralTheme(), {1400, 1000});
        shown->validateElementStates();
        reference.setMindMap(shown);
        reference.mindMapLoaded(MindMapLoadedDocument);
        const Point placed = reference.position();
        reference.setMindMap(nullptr);

        editor->setFrameSize(c.first);
        editor->setMindMap(shown);
        editor->mindMapLoaded(MindMapLoadedDocument);
        Point moved = editor->position();
        if (c.userScrolls) {
            editor->scrollBy(40, 25);
            moved = editor->position();
        }
        editor->setFrameSize({800, 600});
        if (c.userScrolls) expectNear(moved, editor->position());
        else expectNear(placed, editor->position());
        editor->setMindMap(nullptr);
    }
}

// Undo reads the map anew from its snapshot; the view stays where the user is.
TEST_F(EditorViewTest, UndoKeepsTheViewWhereTheUserIs)
{
    registerNativeFormat();
    showMap();
    editor->mindMapLoaded(MindMapLoadedDocument);
    editor->scrollMapPointToCenter(theme->location());
    editor->scrollBy(-60, 45);
    const Point kept = editor->position();
    map->prepareUndoableOperation("Move");
    theme->setText("Changed");
    ASSERT_TRUE(map->undoManager()->canUndo());
    map->undoManager()->undo();
    EXPECT_EQ("Theme", map->mainCentralTheme()->text());
    expectNear(kept, editor->position());
    map->undoManager()->redo();
    EXPECT_EQ("Changed", map->mainCentralTheme()->text());
    expectNear(kept, editor->position());
}

TEST_F(EditorViewTest, ANewTopicAndItsTypedTextAreOneUndoStepOnceTheEditEnds)
{
    registerNativeFormat();
    showMap();
    ASSERT_FALSE(map->undoManager()->canUndo());
    map->addChildNode();
    ASSERT_NE(nullptr, editor->inplaceEditor());
    EXPECT_FALSE(map->undoManager()->canUndo()) << "pending while the text is typed";
    editor->inplaceEditor()->view().replaceCharacters({0, 1}, "Typed");
    editor->stopEditing(InplaceTextEditor::CommitByReturn);
    EXPECT_TRUE(map->undoManager()->canUndo());
    EXPECT_EQ("Typed", map->nodes().back()->text());
    const size_t count = map->nodes().size();
    map->undoManager()->undo();
    EXPECT_EQ(count - 1, map->nodes().size());
    EXPECT_FALSE(map->undoManager()->canUndo());
}

TEST_F(EditorViewTest, TheSnapGuideLinesOfADragReachThePainter)
{
    showMap();
    SnapEngineOptions& options = SnapEngineOptions::instance();
    const uint64_t before = options.activeGuideLines();
    options.setActiveGuideLines(SnapEngineOptions::GuideLineCenterX);
    const Point centre = theme->location();
    editor->getSnapEngine()->snap(*map, nullptr, {centre.x + 3, centre.y + 300}, false);
    options.setActiveGuideLines(before);
    ASSERT_EQ(editor->snapGuideLines().size(), 1u);
    EXPECT_EQ(editor->snapGuideLines()[0].first, (Point{centre.x, centre.y + 300}));
    editor->getSnapEngine()->cancelGuideLines();
    EXPECT_TRUE(editor->snapGuideLines().empty());
}
