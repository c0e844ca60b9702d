#pragma once

#include "MindMaps/MindMapNodeEditor.h"
#include "editor-view/AutoFocusser.h"
#include "editor-view/CanvasPicture.h"
#include "editor-view/ContactHandler.h"
#include "editor-view/DragSelector.h"
#include "editor-view/DraggingInfo.h"
#include "editor-view/EditorEvents.h"
#include "editor-view/ElementMover.h"
#include "editor-view/InplaceTextEditor.h"
#include "editor-view/KeyboardHandler.h"
#include "editor-view/NodeCreatorTools.h"
#include "layout/SnapEngine.h"
#include "platform/Geometry.h"
#include "platform/Image.h"
#include "platform/NotificationCenter.h"
#include "platform/PopoverPresenter.h"
#include "platform/Responder.h"
#include "platform/Scheduler.h"
#include "render/BranchBounds.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class GraphicsContext;
class HierarchyListener;
class ImageDropInfo;
class Menu;
class MenuItem;
class MenuPresenter;
class MindMap;
class MindMapModelessEditor;
class MindMapSpellChecker;

// What the canvas widget does for the editor's plain half.
class MindMapEditorHost {
public:
    virtual ~MindMapEditorHost() = default;
    // The whole view is to be drawn again at the next frame.
    virtual void setNeedsDisplay() = 0;
    // Only this part of the view (view points) is to be drawn again.
    virtual void setNeedsDisplayInRect(const Rect& /*viewRect*/) { setNeedsDisplay(); }
    // The pointing hand while a drag would drop onto something, else the arrow.
    virtual void setPointingHandCursor(bool /*pointingHand*/) {}
    // While a gesture runs the editor wants tick() about every PeriodicTickInterval seconds.
    virtual void setPeriodicTicks(bool /*running*/) {}
    // The canvas takes the keyboard focus (an in-place edit ended).
    virtual void focusEditor() {}
    // The text view of a new in-place edit, laid over the canvas; nullptr edits without one.
    virtual std::unique_ptr<InplaceTextView> newInplaceTextView() { return nullptr; }
};

// The application's menus as the editor's context menu copies them, and the road their actions
// take. The application installs it; the editor reaches nothing above itself but through it.
// Each part may be missing: the menus it would give are then left out.
struct EditorMenuSource {
    // The main menu's Edit, Style, Collapse / Expand and Zoom menus (not owned; copied on use).
    std::function<const Menu*()> editMenu;
    std::function<const Menu*()> styleMenu;
    std::function<const Menu*()> expansionMenu;
    std::function<const Menu*()> zoomMenu;
    // The check box set-up menu, which brings its ticks up to date for the selected topics when
    // validated (not owned).
    std::function<Menu*()> checkboxMenu;
    // Brings the items' states up to date before the menu shows.
    std::function<void(Menu& menu)> validateMenu;
    // Sends the chosen item's action up the responder chain.
    std::function<void(MenuItem& item)> sendAction;
};

// What the editor's mouse gestures are doing.
enum class EditorGesture { None, Move, Scroll, Lasso, Tool };

// Told when the cross-link mode starts and ends: the window shows its cross-link bar meanwhile.
class CrossLinkFeedback {
public:
    virtual ~CrossLinkFeedback() = default;
    virtual void showCrossLinkFeedback() = 0;
    virtual void hideCrossLinkFeedback() = 0;
};

// The floating bars of actions next to the selected element. The editor decides which bar and
// where; the bars themselves come with the window's bars, and until then none is installed and
// nothing shows.
class ElementActionBarPresenter {
public:
    enum class Kind { Node, Relation, Image, Text };
    virtual ~ElementActionBarPresenter() = default;
    // The bar's size, to make room for it above the element.
    virtual Size contentSize(Kind kind) = 0;
    // Where the bar points at (map space): the element's part the bar acts on.
    virtual Rect elementPopupBounds(Kind kind, MindMapElement* element) = 0;
    // Shown next to the rectangle of the canvas's view space, on its top edge.
    virtual void showActionBar(Kind kind, const Rect& viewRect) = 0;
    virtual bool isActionBarShown() const = 0;
    virtual void closeActionBars() = 0;
};

// What the gestures, the in-place text editor and the popovers report while they run. They come
// with the mouse handling and the editor keys; until then nothing is ever under way.
struct EditorActivity {
    bool elementMoverActive = false;
    bool elementMoverDragging = false;
    bool elementToolDragging = false;
    bool inplaceEditOpen = false;
    // An action bar or the date picker is shown.
    bool popoverShown = false;
};

// The canvas on which a map is shown and edited, without the toolkit: it keeps the zoom and the
// scroll position, turns view points into map points and back, paints the map through the map
// painter and follows every change the map reports as its node editor. The canvas widget hands it
// the view size, draw requests and input as event values. It is the first link of the responder
// chain while a map is edited.
//
// Coordinates: view point = map point x scaleFactor - position, where scaleFactor is the global
// factor x the monitor factor x the user's zoom. Map units are the toolkit's logical pixels; the
// screen's own pixel density (backingScaleFactor) only rounds what must sit on whole pixels.
class MindMapEditor : public Responder,
                      public MindMapNodeEditor,
                      public KeyboardHandlerEditor,
                      public AutoFocusserDelegate,
                      public IEditorSnapEngineAccess,
                      public InplaceTextEditorDelegate {
public:
    static constexpr const char* UserScaleChangedNotification = "MindMapViewUserScaleChangedNotification";
    static constexpr const char* EscapePressedNotification = "MindMapViewEscapePressedNotification";

    static constexpr double MinimumUserScale = 0.10000000149011612;
    static constexpr double MaximumUserScale = 5.0;
    static constexpr double ZoomStep = 0.10000000149011612;
    static constexpr double MinimumGlobalScale = 0.25;
    static constexpr double MaximumGlobalScale = 4.0;
    // The element tools are hidden below this zoom.
    static constexpr double MinimumToolsScale = 0.4;

    // The scheduler (not owned) tells whether a drag or a dialog is under way; without one nothing
    // ever is.
    explicit MindMapEditor(Scheduler* scheduler = nullptr);
    ~MindMapEditor() override;
    MindMapEditor(const MindMapEditor&) = delete;
    MindMapEditor& operator=(const MindMapEditor&) = delete;

    // The monitor factor: always 1, the toolkit scales for the screen's density.
    static double calcDeviceScaleFactor() { return 1.0; }

    // ---- The widget's side (not owned; cleared by the widget when it goes) ----
    MindMapEditorHost* host() const { return _host; }
    void setHost(MindMapEditorHost* host) { _host = host; }
    Size frameSize() const { return _frameSize; }
    void setFrameSize(Size size);
    double backingScaleFactor() const { return _backingScaleFactor; }
    void setBackingScaleFactor(double factor);
    // The view is its window's focus; a window that merely became inactive keeps its focus view.
    // Losing it ends a gesture under way as Escape would.
    void setFocused(bool focused);
    // The toolkit's double-click time: the clear-selection delay and the window in which a press
    // after a detail click is swallowed follow it.
    double doubleClickInterval() const { return _doubleClickInterval; }
    void setDoubleClickInterval(double seconds);
    // Where the context and tool menus pop up (not owned).
    void setMenuPresenter(MenuPresenter* presenter) { _menuPresenter = presenter; }
    // Where the date picker pops up (not owned).
    void setPopoverPresenter(PopoverPresenter* presenter) { _popoverPresenter = presenter; }
    // Where the action bars show (not owned).
    void setActionBarPresenter(ElementActionBarPresenter* presenter) { _actionBarPresenter = presenter; }
    void setMenuSource(EditorMenuSource source);
    const EditorMenuSource& menuSource() const { return _menuSource; }
    // Told of what may change the state of the window's controls, which a click on the canvas
    // changes without any event reaching the window: the window validates them again, and a
    // selection made on the map takes the keyboard to the canvas that shows it.
    enum class InterfaceChange { Map, Selection, Content, Focus, Editing, Gesture };
    void setInterfaceChangeHandler(std::function<void(InterfaceChange)> handler)
    {
        _interfaceChanged = std::move(handler);
    }

    // ---- Map ----
    MindMap* mindMap() const override { return _mindMap.get(); }
    // The map as the gestures hold it while they run.
    std::shared_ptr<MindMap> sharedMindMap() const { return _mindMap; }
    // A gesture under way is cancelled first: the map it changed comes back as it was.
    void setMindMap(std::shared_ptr<MindMap> mindMap);
    // A map is shown and it is enabled.
    bool enabled() const;
    bool readOnly() const { return _readOnly; }
    void setReadOnly(bool readOnly);
    bool isRecyclerMap() const { return _isRecyclerMap; }
    void setIsRecyclerMap(bool isRecyclerMap);
    MindMapModelessEditor* modelessEditor() const { return _modelessEditor; }
    void setModelessEditor(MindMapModelessEditor* editor);
    HierarchyListener* hierarchyListener() const { return _hierarchyListener; }
    void setHierarchyListener(HierarchyListener* listener);
    CrossLinkFeedback* crossLinkFeedback() const { return _crossLinkFeedback; }
    void setCrossLinkFeedback(CrossLinkFeedback* feedback) { _crossLinkFeedback = feedback; }
    // Asked by the editor document before it saves on its own.
    bool canAutoSave() const;

    const EditorActivity& activity() const { return _activity; }
    void setActivity(const EditorActivity& activity);
    // A hand-scroll drag is under way.
    bool scrolling() const { return _scrolling; }
    void setScrolling(bool scrolling);

    // ---- Scale ----
    double globalScaleFactor() const { return _globalScaleFactor; }
    double monitorScaleFactor() const { return _monitorScaleFactor; }
    double deviceScaleFactor() const { return _deviceScaleFactor; }
    double userScaleFactor() const { return _userScaleFactor; }
    double scaleFactor() const { return _scaleFactor; }
    void setUserScaleFactor(double scale);
    // Zooms so that the map point under the focus point (view space) stays there.
    void userScale(double scale, Point focusPoint);
    // Zooms around the selected topic, else around the view's centre.
    void zoomAtCenterPoint(double scale);
    double editorGlobalScaleFactor() const { return _globalScaleFactor; }
    void setEditorGlobalScaleFactor(double factor);
    void zoomIn();
    void zoomOut();
    void zoomActualSize();
    // Fits the whole map into the view, with a little room round it, and centres it.
    void zoomContents();

    // ---- Scroll position and conversions ----
    Point position() const { return _position; }
    void setPosition(Point position);
    void scrollBy(double dx, double dy);
    // The position as far as the map may go: some of the map's area always stays in view.
    Point constraintPosition(Point position) const;
    // False when the position did not move.
    bool autoScrollWithVector(Point vector);
    Point getViewCenterPoint() const;
    void scrollMapPointToCenter(Point mapPoint);
    void scrollMapRectToCenter(const Rect& mapRect);
    void scrollSelectedElementToCenter();
    void scrollMindMapToCenter();
    void scrollMapToCenter() { scrollMindMapToCenter(); }
    void scrollSelectedElementVisible();
    void scrollPageUp();
    void scrollPageDown();
    void scrollToBeginningOfDocument();
    void scrollToEndOfDocument();

    Point mapToViewSpace(Point mapPoint) const override;
    Point viewToMapSpace(Point viewPoint) const;
    Rect mapRectToViewRect(const Rect& mapRect) const;
    // The part of the map the view shows, in map units.
    Rect getMapClipRect() const;

    // ---- Modes ----
    // Ends in-place editing, popovers and drags; with the flag also the cross-link mode.
    void cancelEditorModes(bool leaveCrossLinkMode);
    MindMapNode* crossLinkSource() const { return _crossLinkSource; }
    void addCrossLink();
    void cancelCrossLinkMode();
    // From the cross-link bar.
    void externalCancelCrossLinkMode();
    bool elementToolsVisible() const { return _elementToolsVisible; }
    void updateElementToolsVisibility();
    // The handles round the selected element.
    NodeCreatorTools* elementTools() { return &_elementTools; }
    const ElementTools* elementTools() const override { return &_elementTools; }
    bool suppressShadows() const { return _suppressShadows; }
    void setSuppressShadows(bool suppressShadows);
    bool topicHasHideTool() const { return _topicHasHideTool; }
    void setTopicHasHideTool(bool topicHasHideTool);
    AutoFocusser& autoFocusser() { return _autoFocusser; }
    void autoFocusChanged(AutoFocusser* focusser) override;
    SnapEngine* getSnapEngine() override { return &_snapEngine; }
    KeyboardHandler& keyboardHandler() { return _keyboardHandler; }
    bool continuousSpellCheckEnabled() const { return _continuousSpellCheckEnabled; }
    bool automaticSpellingCorrectionEnabled() const { return _automaticSpellingCorrectionEnabled; }
    // Kept in the user defaults; each new in-place text view starts with them.
    void setContinuousSpellChecking(bool enabled);
    void setAutomaticSpellingCorrection(bool enabled);
    // Opens the spelling dialog on the whole map, made on first use; without a dictionary the
    // message names the missing language instead.
    void checkSpelling();
    MindMapSpellChecker* spellChecker() const { return _spellChecker.get(); }

    // Disabled without an enabled map; the zoom, scroll and cross-link items by the state.
    ItemValidation validateUserInterfaceItem(const ValidatedUserInterfaceItem& item) override;
    ItemValidation validateAction(const std::string& action) const;

    // ---- Input ----
    // Each answers whether the editor used the event. While a gesture runs it takes every key:
    // Escape cancels the gesture, other keys do nothing.
    bool keyDown(const KeyEvent& event);
    // A press is classified and either handled at once or starts a gesture, which the following
    // motions and the release feed until the button is up.
    bool pointerEvent(const PointerEvent& event);
    // The periodic beat of a running gesture: delayed branch selection, long presses and
    // auto-scrolling at the view's edges.
    void tick(const TickEvent& event);
    bool scrollWheel(const ScrollEvent& event);
    // How far one wheel notch scrolls along a side of the view that is this long.
    static double wheelScrollStep(double visibleLength);
    void magnifyWithEvent(const MagnifyEvent& event);
    // Escape: leaves the cross-link mode or a popover, else shrinks or clears the selection, and
    // with nothing selected tells the window.
    void cancelOperation();
    // Acts on the command a key is bound to; false when the editor has no such command.
    bool performKeyCommand(const std::string& command);

    // ---- Popovers ----
    using Date = std::chrono::system_clock::time_point;
    // The content name under which the canvas registers the date picker.
    static constexpr const char* DatePickerContent = "DatePickerViewController";
    // Below the view's top the action bar needs this much room beyond its own height.
    static constexpr double ActionBarTopMargin = 20;
    // The action bar of the selected element's kind.
    void invokeElementActionBar() override;
    // An action bar or the date picker is shown.
    bool isActionBarVisible() const;
    // The date picker next to the selected topic (the map's request, for this map only).
    void invokeDatePicker();
    bool datePickerShown() const { return _datePickerPopover && _datePickerPopover->isShown(); }
    // The day the picker opened on, its time of day kept for the picked day.
    Date datePickerInitialDate() const { return _datePickerInitialDate; }
    // The day chosen in the picker becomes the selection's date; none clears it.
    void popoverDatePicked(std::optional<Date> date);
    // The picked day at the initial date's local time of day; the initial date when the day does
    // not exist. Where the clocks skip that time of day on the picked day, a time of that day next
    // to the skip: the date always lies on the day picked.
    static Date dateForPickedDay(Date initialDate, int year, int month, int day);

    // ---- In-place text editing ----
    static constexpr const char* ApplyDefaultWordWrapKey = "applyDefaultWordWrap";
    // A press this soon after an edit ended does nothing.
    static constexpr double IgnoreMouseDownAfterEditing = 0.01;
    // Opens the text view over the topic or free text: with the undo step of its creation, or
    // one of its own.
    void startEditingElement(MindMapElement* element, UndoState undoState, bool creating);
    // Writes the text back and closes the view (InplaceTextEditor::StopMode); nothing without an
    // open edit.
    void stopEditing(int mode) override;
    // The edit under way, or nullptr.
    InplaceTextEditor* inplaceEditor() const { return _inplaceEditor.get(); }
    MindMapElement* editingElement() const { return _editingElement; }
    bool inplaceEditOpen() const { return _inplaceEditor != nullptr || _activity.inplaceEditOpen; }
    // The view with the keyboard focus ahead of the editor in the responder chain: the in-place
    // edit while one is open.
    Responder* focusedResponder() const { return _inplaceEditor.get(); }
    // The canvas (re)gained the keyboard focus: an open edit commits.
    void becomeFirstResponder();

    // ---- Mouse gestures ----
    static constexpr double PeriodicTickInterval = 0.02;
    // A drag starts once the pointer is this far from the press on either axis.
    static constexpr double DragThreshold = 3.0;
    // Within this band of the view's edge a drag scrolls by AutoScrollStep per tick, beyond the
    // edge by AutoScrollOutsideStep.
    static constexpr double AutoScrollBand = 20.0;
    static constexpr double AutoScrollStep = 5.0;
    static constexpr double AutoScrollOutsideStep = 10.0;
    static constexpr const char* ChildMoveDelayKey = "editorChildMoveDelay";
    static constexpr double DefaultChildMoveDelay = 0.8;
    static constexpr double MinimumChildMoveDelay = 0.2;
    static constexpr double MaximumChildMoveDelay = 3.0;
    static constexpr double ClearSelectionExtraDelay = 0.1;
    static constexpr double RotateLongPressDelay = 1.2;
    static constexpr double LongPressDelay = 0.8;

    EditorGesture gesture() const { return _gesture.kind; }
    bool trackingGesture() const { return _gesture.kind != EditorGesture::None; }
    // Ends a gesture under way as Escape would: a move or a tool drag is undone.
    void cancelGesture();
    ElementMover& elementMover() { return _elementMover; }
    const ElementMover& elementMover() const { return _elementMover; }
    DragSelector& dragSelector() { return _dragSelector; }
    const DragSelector& dragSelector() const { return _dragSelector; }
    // The modifier keys of the latest input event.
    unsigned currentModifiers() const { return _currentModifiers; }
    // The scroll step for a pointer at the view point: toward the edge the pointer is near or
    // beyond, zero in the middle.
    Point calculateAutoScrollVector(Point viewPoint) const;
    bool ignoreMouseDown() const { return _ignoreMouseDown; }
    // The delay after which a held press on a topic selects its branch.
    static double childMoveDelay();
    // The context menu for a press at the view point: the element there is selected first.
    std::shared_ptr<Menu> menuForEvent(const PointerEvent& event);
    std::shared_ptr<Menu> readOnlyEditorMenu();
    std::shared_ptr<Menu> readWriteEditorMenu();
    // The menus of the tools' long presses, built fresh each time.
    static std::shared_ptr<Menu> collapseToolMenu();
    static std::shared_ptr<Menu> hideTopicToolMenu();
    static std::shared_ptr<Menu> rotateToolMenu();
    void setPointingHandCursor(bool pointingHand);
    // The rubber band's outline while the lasso runs, in map units.
    std::optional<BezierPath> buildDragSelectorPath() const override { return _dragSelector.buildDragSelectorPath(); }

    // ---- Drawing ----
    // The painter's flag word for the editor's state and scale.
    uint32_t painterFlags() const;
    // What the painter paints: the visible part of the map and a little round it (map units).
    Rect paintClipRect() const;
    // Draws the view; the context's user space is the view's (view points, y down).
    void draw(GraphicsContext& context, const Rect& dirtyRect);
    // The text of the tooltip under the view point and the view rectangle it covers.
    std::optional<std::string> toolTipAt(Point viewPoint, Rect* area = nullptr) const;

    // ---- MindMapNodeEditor ----
    void mindMapLoaded(int code) override;
    void mindMapChanged() override;
    void selectedElementChanged() override;
    void updateElementTools(MindMapElement* element) override;
    void scrollElementVisible(MindMapElement* element) override;
    void cancelEditorModes() override { cancelEditorModes(true); }
    void getEditorScrollState(MindMapEditorScrollState& state) override;
    void setEditorScrollState(const MindMapEditorScrollState& state) override;
    bool isReadOnly() override { return _readOnly; }
    bool isFocused() override { return _focused; }
    void startEditingNewNode(MindMapNode* node, UndoState undoState) override;
    void startEditingExistingNode(MindMapNode* node) override;
    void startEditingText(MindMapText* text, UndoState undoState, bool creatingText) override;
    void createToolMoved(int64_t tool) override;
    void createToolInvokedAt(Point location) override;
    void relinkRelationToolMoved(bool sourceEnd, Point location) override;
    void relinkRelationTo(bool sourceEnd, Point location) override;
    // The snap engine's guide lines of the running drag, for the painter.
    std::vector<std::pair<Point, Point>> snapGuideLines() const override;

    // Everything shown is to be drawn again.
    void setNeedsDisplay();
    // The view rectangle is to be drawn again.
    void setNeedsDisplayInRect(const Rect& viewRect);

    // ---- Drops onto the canvas ----
    // The operation a drop at the drag's location would be, with the topic under it highlighted as
    // the drop target (a text drop highlights nothing).
    DragOperation draggingEntered(const DraggingInfo& info) { return dragOperationForDraggingInfo(info); }
    DragOperation draggingUpdated(const DraggingInfo& info) { return dragOperationForDraggingInfo(info); }
    void draggingExited();
    DragOperation dragOperationForDraggingInfo(const DraggingInfo& info);
    // An enabled, writable editor takes drops.
    bool prepareForDragOperation() const;
    // Whether performDragOperation() would take the drop, decided from the same data without
    // changing anything: the toolkit hears the answer before the drop is carried out.
    bool canPerformDragOperation(const DraggingInfo& info);
    bool performDragOperation(const DraggingInfo& info);
    // Offers what the dropped picture may become, in a menu at the drop point.
    void imageDropped(const std::shared_ptr<ImageDropInfo>& info);
    // The image menu's actions; the item's represented value is the drop's ImageDropInfo.
    void addDroppedImage(const ImageDropInfo& info);
    void embedDroppedImage(const ImageDropInfo& info);
    void addDroppedImageAsIcon(const ImageDropInfo& info);
    void linkDroppedImage(const ImageDropInfo& info);

    // ---- Links, contacts and voice memos of topics ----
    // Follows the topic's link; false without a topic or link. Failures are editor notifications,
    // and the click still counts.
    bool handleLinkClick(MindMapNode* topic);
    void handleLinkNavigationError(const std::string& message);
    bool handleVoiceMemoClick(MindMapNode* topic);
    BaseContactHandler& contactHandler() { return *_contactHandler; }
    void addContacLink();

    // ---- Pictures ----
    // The chosen image file; nothing when cancelled.
    std::optional<std::string> pickImageFile();
    void addCustomImage() override;
    void editSelectedImage() override;
    void invokeEmbeddedImagePicker() override;
    void addImageAsTopic() override;
    void addImageFromPasteboard(const Pasteboard* pasteboard, MindMapNode* node) override;
    // The topic (else the single selection) gets the picture of the file, or of the current cloud
    // storage's file.
    void addImageFromFile(const std::string& path, MindMapNode* node);
    void addImageFromCloud(const std::string& cloudPath, MindMapNode* node);
    // The selected image element at full size: its linked document, else its stored picture.
    void openFullSizeImage();

private:
    void interfaceChanged(InterfaceChange change)
    {
        if (_interfaceChanged) _interfaceChanged(change);
    }
    // The state of the gesture under way, kept between the events that feed it.
    struct GestureSession {
        EditorGesture kind = EditorGesture::None;
        // The button whose release ends the gesture.
        int button = PrimaryButton;
        Point pressView;
        Point lastView;
        Point lastMap;
        Point autoScrollVector;
        // Move: holding the press still selects the branch once the deadline has passed.
        bool canSelectBranch = false;
        double branchDeadline = 0;
        // Tool: the tool pressed, and its long press.
        int64_t tool = -1;
        bool longPressApplies = false;
        double longPressDeadline = 0;
        bool longPressFired = false;
        // Holds back the scheduler's default-mode calls while the gesture runs.
        Scheduler::ModeSession mode;
    };

    struct ToolTipRect {
        Rect viewRect;
        MindMapElement* owner;
    };

    void updateScaleFactors();
    void readDefaults();
    void observeDefaults();
    void registerActions();
    void registerPictureActions();
    void registerDropActions();
    // The view moved: the window is drawn again, but what the canvas picture holds still shows
    // the map where it was, and moves with the view.
    void setNeedsDisplayForNewPosition();
    // The map and what lies on it, without the canvas picture.
    void drawMap(GraphicsContext& context, const Rect& dirtyRect);
    void drawEmptyEditor(GraphicsContext& context, const Rect& dirtyRect);
    void drawRecyclerImage(GraphicsContext& context);
    void updateToolTips();
    void insertToolTipsForNode(MindMapNode* node, const Rect& viewBounds);
    bool editorBusy() const;
    bool moverActive() const { return _activity.elementMoverActive || _elementMover.isActive(); }
    bool moverDragging() const { return _activity.elementMoverDragging || _elementMover.isDragging(); }

    // Mouse handling.
    void mouseDown(const PointerEvent& event);
    void rightMouseDown(const PointerEvent& event);
    void beginGesture(EditorGesture kind, const PointerEvent& event);
    void gestureEvent(const PointerEvent& event);
    void endGesture(bool cancelled);
    void moveSelectedElement(MindMapElement* element, const PointerEvent& event);
    void startScrollingWithEvent(const PointerEvent& event);
    void startLassoSelectionWithEvent(const PointerEvent& event);
    void handleElementToolsWithEvent(const PointerEvent& event, int64_t tool);
    void moveStep(const PointerEvent& event);
    void scrollStep(const PointerEvent& event);
    void lassoStep(const PointerEvent& event);
    void toolStep(const PointerEvent& event);
    // What a step of a topic drag may change on screen (view points): the moved topics with their
    // neighbours and lines, the rearrange marker, the drop target's glow and the guide lines;
    // nothing when only a whole repaint is safe (hulls, large selections).
    std::optional<Rect> dragStepDamage() const;
    void toolLongPressed(int64_t tool);
    bool handleCrossLinkCreation(MindMapNode* topic);
    bool handleNodeDetailsClick(MindMapElement* element, Point mapPoint);
    bool handleIconClick(MindMapNode* topic);
    bool handleCheckboxClick(MindMapNode* topic, Point mapPoint);
    bool handleDateClick(MindMapNode* topic, bool onIcon);
    void clearSelectionTimerTick();
    void resetIgnoreMouseDown();
    // Ends the edit's element: its text, its editing state, its removal when it was new and stays
    // empty; false when it is gone. applied: its text changed.
    bool finishEditingElement(MindMapElement* element, const std::string& newText, int mode, bool& applied);
    void releaseRetiredEditors();
    void registerSpellingActions();
    bool popoverShown() const { return _activity.popoverShown || isActionBarVisible(); }
    void closePopovers();
    void popUpMenu(const std::shared_ptr<Menu>& menu, Point viewPoint);
    // Places a map just loaded as the code says (centred, the selection shown), and keeps that
    // placement for the canvas's next sizes until the view moves.
    void placeLoadedMindMap(int code);
    static double zoomForShownMap(const MindMapEditorScrollState& state);

    MindMapEditorHost* _host = nullptr;
    Scheduler* _scheduler = nullptr;
    Size _frameSize;
    double _backingScaleFactor = 1.0;
    bool _focused = false;
    std::function<void(InterfaceChange)> _interfaceChanged;

    Point _position;
    // The way the shown map was placed when it was loaded (a MindMapLoadedCode), kept while the
    // view has not moved since: a canvas that is laid out again (a window still taking its size,
    // panes opening beside it) places the map again instead of leaving it off centre.
    int _openingPlacement = -1;
    bool _placing = false;
    double _globalScaleFactor = 1.0;
    double _monitorScaleFactor = 1.0;
    double _deviceScaleFactor = 1.0;
    double _userScaleFactor = 1.0;
    double _scaleFactor = 1.0;

    std::shared_ptr<MindMap> _mindMap;
    bool _isRecyclerMap = false;
    Image _recyclerImage;
    bool _recyclerImageLoaded = false;
    bool _cancelling = false;
    bool _scrolling = false;
    bool _readOnly = false;
    bool _suppressShadows = false;
    bool _topicHasHideTool = false;
    bool _continuousSpellCheckEnabled = true;
    bool _automaticSpellingCorrectionEnabled = true;
    std::unique_ptr<MindMapSpellChecker> _spellChecker;
    bool _elementToolsVisible = false;
    EditorActivity _activity;
    // How far a zooming wheel has turned since its last whole notch.
    double _zoomWheelTravel = 0;
    MindMapNode* _crossLinkSource = nullptr;
    CrossLinkFeedback* _crossLinkFeedback = nullptr;
    MindMapModelessEditor* _modelessEditor = nullptr;
    HierarchyListener* _hierarchyListener = nullptr;

    NodeCreatorTools _elementTools{this, this};
    KeyboardHandler _keyboardHandler{this};
    AutoFocusser _autoFocusser{this};
    SnapEngine _snapEngine;
    ElementMover _elementMover{*this};
    DragSelector _dragSelector{*this};
    GestureSession _gesture;
    unsigned _currentModifiers = 0;
    bool _ignoreMouseDown = false;
    // While a drag step runs, redisplay requests are collected and the step asks for its damage.
    int _displayBatch = 0;
    bool _displayRequested = false;
    // What the window showed last, for the frames that show mostly the same.
    CanvasPicture _canvasPicture;
    // Where the map's branches draw, kept for the repaints until the map reports a change (the
    // map counts its reports; a redraw asked for without one measures nothing again).
    BranchBounds _branchBounds;
    double _doubleClickInterval = 0.4;
    ScheduledCall _clearSelectionCall;
    ScheduledCall _resetIgnoreMouseDownCall;
    // The in-place edit: its session, the element, the text it had, the step that undoes it.
    std::unique_ptr<InplaceTextEditor> _inplaceEditor;
    MindMapElement* _editingElement = nullptr;
    std::string _originalEditText;
    UndoState _undoState;
    bool _editingCreated = false;
    bool _placeholderSet = false;
    // Ended edits wait here until their views are out of their own signals.
    std::vector<std::unique_ptr<InplaceTextEditor>> _retiredInplaceEditors;
    ScheduledCall _releaseRetiredCall;
    ScheduledCall _refocusCall;
    PopoverPresenter* _popoverPresenter = nullptr;
    ElementActionBarPresenter* _actionBarPresenter = nullptr;
    std::shared_ptr<PopoverPresenter::Popover> _datePickerPopover;
    Date _datePickerInitialDate;
    ObservationToken _datePickerObservation;
    MenuPresenter* _menuPresenter = nullptr;
    EditorMenuSource _menuSource;
    std::shared_ptr<Menu> _contextMenu;
    std::shared_ptr<Menu> _readOnlyMenu;
    // The menu shown last: the presenter refers to it until the next one.
    std::shared_ptr<Menu> _shownMenu;
    // Rebuilt on every draw; dropped whenever the map reports a change, as their owners may go.
    std::vector<ToolTipRect> _toolTipRects;
    std::vector<ObservationToken> _defaultsObservations;
    std::unique_ptr<BaseContactHandler> _contactHandler;
    // The image menu of the latest picture drop: the presenter refers to it until the next one.
    std::shared_ptr<Menu> _imageDropMenu;
};
