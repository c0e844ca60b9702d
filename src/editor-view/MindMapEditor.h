#pragma once

#include "MindMaps/MindMapNodeEditor.h"
#include "editor-view/AutoFocusser.h"
#include "editor-view/EditorEvents.h"
#include "editor-view/KeyboardHandler.h"
#include "editor-view/NodeCreatorTools.h"
#include "layout/SnapEngine.h"
#include "platform/Geometry.h"
#include "platform/Image.h"
#include "platform/NotificationCenter.h"
#include "platform/Responder.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class GraphicsContext;
class HierarchyListener;
class MindMap;
class MindMapModelessEditor;
class Scheduler;

// What the canvas widget does for the editor's plain half.
class MindMapEditorHost {
public:
    virtual ~MindMapEditorHost() = default;
    // The whole view is to be drawn again at the next frame.
    virtual void setNeedsDisplay() = 0;
};

// Told when the cross-link mode starts and ends: the window shows its cross-link bar meanwhile.
class CrossLinkFeedback {
public:
    virtual ~CrossLinkFeedback() = default;
    virtual void showCrossLinkFeedback() = 0;
    virtual void hideCrossLinkFeedback() = 0;
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
                      public IEditorSnapEngineAccess {
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
    void setFocused(bool focused) { _focused = focused; }

    // ---- Map ----
    MindMap* mindMap() const override { return _mindMap.get(); }
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

    Point mapToViewSpace(Point mapPoint) const;
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

    // Disabled without an enabled map; the zoom, scroll and cross-link items by the state.
    ItemValidation validateUserInterfaceItem(const ValidatedUserInterfaceItem& item) override;
    ItemValidation validateAction(const std::string& action) const;

    // ---- Input ----
    // Each answers whether the editor used the event.
    bool keyDown(const KeyEvent& event);
    // Presses and drags belong to the gestures of the mouse handling; nothing uses them yet.
    bool pointerEvent(const PointerEvent& event);
    bool scrollWheel(const ScrollEvent& event);
    // How far one wheel notch scrolls along a side of the view that is this long.
    static double wheelScrollStep(double visibleLength);
    void magnifyWithEvent(const MagnifyEvent& event);
    // Escape: leaves the cross-link mode or a popover, else shrinks or clears the selection, and
    // with nothing selected tells the window.
    void cancelOperation();

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
    // The snap engine's guide lines of the running drag, for the painter.
    std::vector<std::pair<Point, Point>> snapGuideLines() const override;

private:
    struct ToolTipRect {
        Rect viewRect;
        MindMapElement* owner;
    };

    void setNeedsDisplay();
    void updateScaleFactors();
    void readDefaults();
    void observeDefaults();
    void registerActions();
    void drawEmptyEditor(GraphicsContext& context, const Rect& dirtyRect);
    void drawRecyclerImage(GraphicsContext& context);
    void updateToolTips();
    void insertToolTipsForNode(MindMapNode* node, const Rect& viewBounds);
    bool editorBusy() const;

    MindMapEditorHost* _host = nullptr;
    Scheduler* _scheduler = nullptr;
    Size _frameSize;
    double _backingScaleFactor = 1.0;
    bool _focused = false;

    Point _position;
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
    // Rebuilt on every draw; dropped whenever the map reports a change, as their owners may go.
    std::vector<ToolTipRect> _toolTipRects;
    std::vector<ObservationToken> _defaultsObservations;
};
