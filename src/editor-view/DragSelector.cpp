#include "editor-view/DragSelector.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "Utils/GeometryHelpers.h"
#include "editor-view/MindMapEditor.h"

void DragSelector::beginMoveOperation(Point location, bool extendSelection)
{
    cancelMoveOperation();
    _dragStart = _location = location;
    _isActive = true;
    _extendSelection = extendSelection;
}

void DragSelector::startMoving()
{
    if (!_isActive) return;
    _isSelecting = true;
}

void DragSelector::moveSelection(Point location)
{
    if (!_isSelecting) return;
    _location = location;
    _editor.setNeedsDisplay();
}

Rect DragSelector::selectionRect() const
{
    return RectFromPoints(_dragStart, _location);
}

bool DragSelector::endMoveOperation()
{
    const bool wasActive = _isActive;
    MindMap* map = _editor.mindMap();
    if (!_isSelecting || !map) {
        cancelMoveOperation();
        return wasActive;
    }
    const Rect rect = selectionRect();
    {
        MindMap::UpdateGuard update(*map);
        MindMapNode* kept = nullptr;
        bool focus = false;
        if (!_extendSelection) {
            MindMapNode* selected = map->selectedNode();
            if (selected && intersectsRect(selected->bounds(), rect)) kept = selected;
            else focus = true;
            map->setSelectedElement(kept);
        }
        // A copy: toggling may reorder nothing here, but the list must not change under the walk.
        const std::vector<MindMapNode*> nodes = map->nodes();
        for (MindMapNode* node : nodes) {
            if (node == kept || !node->isVisible() || !intersectsRect(node->bounds(), rect)) continue;
            map->toggleSelection(node, focus);
            focus = false;
        }
    }
    cancelMoveOperation();
    return wasActive;
}

void DragSelector::cancelMoveOperation()
{
    _isActive = false;
    if (_isSelecting) {
        _isSelecting = false;
        _editor.setNeedsDisplay();
    }
}

std::optional<BezierPath> DragSelector::buildDragSelectorPath() const
{
    if (!_isSelecting) return std::nullopt;
    BezierPath path;
    path.appendRect(selectionRect());
    return path;
}
