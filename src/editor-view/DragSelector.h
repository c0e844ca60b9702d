#pragma once

#include "platform/BezierPath.h"
#include "platform/Geometry.h"

#include <optional>

class MindMapEditor;

// The rubber band of the editor: a press on empty canvas and a drag span a rectangle; on release
// the visible topics it touches are toggled into the selection. The editor drives it from its
// lasso gesture with the same operations as the element mover.
class DragSelector {
public:
    explicit DragSelector(MindMapEditor& editor) : _editor(editor) {}
    DragSelector(const DragSelector&) = delete;
    DragSelector& operator=(const DragSelector&) = delete;

    // Cancels an earlier operation and starts one at the map point; with extend the selection is
    // added to rather than replaced.
    void beginMoveOperation(Point location, bool extendSelection);
    void startMoving();
    void moveSelection(Point location);
    // Applies the rectangle; returns whether an operation was under way.
    bool endMoveOperation();
    void cancelMoveOperation();

    bool isActive() const { return _isActive; }
    bool isSelecting() const { return _isSelecting; }
    bool extendSelection() const { return _extendSelection; }
    Point dragStart() const { return _dragStart; }
    Point location() const { return _location; }
    // The rectangle between the press and the pointer, in map units.
    Rect selectionRect() const;
    // The rectangle's outline while selecting; nothing otherwise.
    std::optional<BezierPath> buildDragSelectorPath() const;

private:
    MindMapEditor& _editor;
    Point _dragStart;
    Point _location;
    bool _extendSelection = false;
    bool _isActive = false;
    bool _isSelecting = false;
};
