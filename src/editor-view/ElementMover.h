#pragma once

#include "MindMaps/UndoState.h"
#include "platform/Geometry.h"

#include <cstdint>
#include <memory>
#include <vector>

class MindMap;
class MindMapEditor;
class MindMapElement;
class MindMapNode;

// Drags what the user pressed on in the editor: topics (alone, as a selection or as a whole
// branch), the bend point of a relation, and the texts and images held by topics and relations.
// It makes the selection the press asks for, grows it to the branch when the press is held,
// snaps a single topic, finds a new parent or a place in a strictly laid-out branch under the
// pointer, and hands the whole move to the map as one undo step at the end.
//
// While an operation runs the mover keeps the map alive and its automatic layout locked; every
// way out (drop, cancel, a map switch, the editor going) ends through cancelMoveOperation(),
// which unlocks the layout and ends the pending snapshot, restoring the map when the drag was
// abandoned.
class ElementMover {
public:
    explicit ElementMover(MindMapEditor& editor);
    ~ElementMover();
    ElementMover(const ElementMover&) = delete;
    ElementMover& operator=(const ElementMover&) = delete;

    // Prepares an operation for the pressed element at the map point. canSelectBranch is set
    // when holding the press should select the element's branch after the editor's delay.
    void beginMoveOperation(MindMapElement* element, unsigned modifiers, Point location, bool& canSelectBranch);
    // Selects the pressed topic's branch; ignored once the drag has started.
    void branchSelectionTimerTick();
    // The pointer went far enough from the press for a drag.
    void startMoving();
    // One drag step to the map point.
    void moveSelection(Point location);
    // Hands the finished move to the map; false when no operation was under way.
    bool endMoveOperation();
    // Abandons the operation and puts the map back as it was.
    void cancelMoveOperation();

    bool isActive() const { return _isActive; }
    bool isDragging() const { return _isDragging; }
    // A single selected relation whose bend point may be moved.
    bool allowPathAdjustment() const;
    void captureDraggedRootNodes();
    const std::vector<MindMapNode*>& draggedRootNodes() const { return _draggedRootNodes; }
    void setDraggedRootNodes(std::vector<MindMapNode*> nodes) { _draggedRootNodes = std::move(nodes); }
    // The pointing hand while something would take the drop, else the arrow.
    void setDragCursor(bool dragCursor);
    bool useDragCursor() const { return _useDragCursor; }
    MindMap* mindMap() const { return _mindMap.get(); }
    MindMapElement* dragRoot() const { return _dragRoot; }
    Point dragStart() const { return _dragStart; }

private:
    void storeDragOffset(MindMapElement* element);
    void moveNodes(Point location);
    void rotateBranch(Point location);
    void moveContainedElements(Point location);
    // The pressed element is still part of the map (a reload would have taken it away).
    bool dragRootAlive() const;
    std::vector<MindMapNode*> liveRootNodes() const;

    MindMapEditor& _editor;
    // The editor's map while an operation runs.
    std::shared_ptr<MindMap> _mindMap;
    MindMapElement* _dragRoot = nullptr;
    int32_t _draggedType = 0;
    Point _dragStart;
    std::vector<MindMapNode*> _draggedRootNodes;
    bool _isActive = false;
    bool _isDragging = false;
    bool _initialSingleSelection = false;
    bool _rotatingBranch = false;
    bool _pathAdjusted = false;
    bool _includeRootInToggleBranch = false;
    bool _useDragCursor = false;
    UndoState _undoState;
};
