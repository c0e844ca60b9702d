#pragma once

#include "MindMaps/ElementTools.h"
#include "MindMaps/UndoState.h"
#include "layout/SnapEngine.h"
#include "platform/Geometry.h"

#include <array>
#include <cstdint>
#include <string>

class MindMap;
class MindMapElement;
class MindMapImage;
class MindMapNode;
class MindMapNodeEditor;
class MindMapRelation;

// The small square handles round the one selected element: add a child or a sibling, open the
// action bar or the properties, fold, hide or show, drag a new topic or a relation's end, change
// the wrap width of a text, scale a picture, turn a free branch. This class keeps where each
// handle sits, whether it shows and what a click or drag on it does; the painter draws the
// handles from the state it exposes.
//
// A gesture runs begin -> move... -> end (or cancel), fed by the editor's tool loop. Drags that
// change the map over many events take one snapshot at the press and leave one undo step (or,
// when cancelled, the map as it was).
class NodeCreatorTools : public ElementTools, public IEditorSnapEngineAccess {
public:
    // Moves under this squared distance from the press are still a click.
    static constexpr double DragThresholdSquared = 25.0;
    static constexpr double ResizeDragThresholdSquared = 1.0;
    // A click-only handle released further than this (squared) from its press does nothing.
    static constexpr double ClickSlopSquared = 16.0;
    // Rotation turns in steps of this many radians (3.75 degrees).
    static constexpr double RotationStep = 3.14159265358979323846 / 48;
    static constexpr size_t ScalePresetCount = 13;
    // How long the word-wrap hint stays after a plain click on its handle, in seconds.
    static constexpr double WordWrapHintDuration = 4.0;

    // The editor and its snap engine are not owned; either may be nullptr in tests.
    explicit NodeCreatorTools(MindMapNodeEditor* nodeEditor, IEditorSnapEngineAccess* snapAccess = nullptr);
    ~NodeCreatorTools() override;
    NodeCreatorTools(const NodeCreatorTools&) = delete;
    NodeCreatorTools& operator=(const NodeCreatorTools&) = delete;

    static constexpr int64_t count() { return ElementToolCount; }
    static bool invokesElementActionBar() { return true; }

    // ---- ElementTools ----
    bool visible() const override { return _visible; }
    ElementToolState getToolStateAtIndex(int64_t index) const override;
    double wrapToolTop() const override { return _wrapToolTop; }

    ElementToolState getActiveToolState() const { return getToolStateAtIndex(_activeTool); }
    bool isActive() const { return _activeTool != ElementToolNone; }
    bool isDragging() const { return _dragging; }
    int64_t activeTool() const { return _activeTool; }
    bool readOnly() const { return _readOnly; }
    bool layoutLocked() const { return _layoutLocked; }
    double currentRotation() const { return _currentRotation; }
    double rotateToolVOffset() const { return _rotateToolVOffset; }

    // The index of the first shown handle (in index order) whose square holds the map point; -1
    // when the tools are hidden, nothing is selected or no handle is there.
    int64_t hitTest(Point point) const;
    // The handle's location in map coordinates.
    Point toolLocation(int64_t index) const;

    // Shows or hides the whole set; a change redraws.
    void setVisible(bool visible);
    // Places every handle for the current selection; the editor calls it whenever the selection
    // or the selected element's geometry changes.
    void attachToSelection();
    // Which handles the selection, the read-only state and a multiple selection allow.
    void updateToolsVisibility();
    // Back to idle: no active tool, no drag, no snapshot, no layout lock, no drop target.
    void resetActiveState();
    void endLayoutLock();
    // Long enough and made of more than one word.
    static bool isTextWrappable(const std::string& text);

    // ---- The gesture ----
    void beginToolMove(int64_t tool, Point dragStart);
    // True when the event was used.
    bool moveActiveToolTo(Point point);
    // True when a tool action was handled.
    bool endToolMove();
    void cancelToolMove();
    // The editor scrolls near its edges while a new topic or a relation's end is dragged.
    bool supportsAutoScroll() const;

    // Handles that only act on a click: the action bar, the note, fold, hide.
    static bool isClickOnlyTool(int64_t index);
    // The preset nearest the scale (a scale exactly between two goes to the larger).
    double getScalePreset(double scale) const;
    const std::array<double, ScalePresetCount>& scalePresets() const { return _scalePresets; }

    void startRotateBranch(MindMapNode* node);
    void rotateBranch(Point point, MindMapNode* node);

    // ---- IEditorSnapEngineAccess ----
    SnapEngine* getSnapEngine() override;

private:
    MindMap* mindMap() const;
    MindMapElement* attachedElement() const;
    MindMapNode* attachedNode() const;
    MindMapImage* attachedImage() const;
    MindMapRelation* attachedRelation() const;
    void mindMapChanged();
    // The map of the running gesture is no longer the one shown.
    bool gestureMapGone() const;
    // The offsets alone, without touching the gesture or the visibility.
    void placeTools();
    void placeNodeTools(MindMapNode* node);
    void placeRelationTools(MindMapRelation* relation);
    void placeWordWrapTool(MindMapElement* element);
    void hideOtherTools();
    void dropUndoState();
    void cancelGuideLines();
    void moveWordWrapTool(MindMapElement* element, Point point);
    double scaleForDistance(double distance) const;
    void resizeEmbeddedImage(MindMapNode* node, Point p);
    void resizeImage(MindMapImage* image, Point p);
    void hideOrShowTopic(MindMapNode* node, MindMap* map);

    MindMapNodeEditor* _nodeEditor;
    IEditorSnapEngineAccess* _snapAccess;
    std::array<ElementToolState, ElementToolCount> _tools{};
    ElementToolState _nullTool{};
    bool _visible = false;
    bool _readOnly = false;
    int64_t _activeTool = ElementToolNone;
    Point _dragStart;
    Point _lastMovedLocation;
    Point _dragOffset;
    bool _dragging = false;
    bool _layoutLocked = false;
    // The map the layout lock and the snapshot belong to: a map switch mid-drag must not unlock or
    // restore another one.
    MindMap* _gestureMap = nullptr;
    UndoState _undoState;
    double _initialTextWidth = 0;
    double _startImageScale = 1.0;
    double _startImageDistance = 0;
    std::array<double, ScalePresetCount> _scalePresets{};
    double _currentRotation = 0;
    double _rotateToolVOffset = 0;
    double _wrapToolTop = 0;
};
