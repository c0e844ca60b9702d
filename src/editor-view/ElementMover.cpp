#include "editor-view/ElementMover.h"

#include "MindMaps/ContainedElement.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapRelation.h"
#include "MindMaps/ParentRelation.h"
#include "MindMaps/RearrangeMarker.h"
#include "Utils/GeometryHelpers.h"
#include "editor-view/EditorEvents.h"
#include "editor-view/MindMapEditor.h"
#include "layout/SnapEngine.h"
#include "platform/Localizer.h"

#include <algorithm>

namespace {

bool isNode(const MindMapElement* element)
{
    return element && element->elementType() == ElementTypeNode;
}

bool isContained(int32_t type)
{
    return type == ElementTypeImage || type == ElementTypeText;
}

bool isRelation(int32_t type)
{
    return type == ElementTypeCrossLink || type == ElementTypeParentRelation;
}

// A whole branch, the node first, with the first entry left out unless asked for.
std::vector<MindMapNode*> branchOf(MindMapNode* node, bool includeRoot)
{
    std::vector<MindMapNode*> nodes;
    node->collectNodeAndChildrenInArray(nodes);
    if (!includeRoot && !nodes.empty()) nodes.erase(nodes.begin());
    return nodes;
}

} // namespace

ElementMover::ElementMover(MindMapEditor& editor) : _editor(editor)
{
}

ElementMover::~ElementMover()
{
    cancelMoveOperation();
}

bool ElementMover::dragRootAlive() const
{
    return _mindMap && _dragRoot && _mindMap->containsElement(_dragRoot);
}

std::vector<MindMapNode*> ElementMover::liveRootNodes() const
{
    std::vector<MindMapNode*> nodes;
    if (!_mindMap) return nodes;
    for (MindMapNode* node : _draggedRootNodes)
        if (node && _mindMap->containsElement(node)) nodes.push_back(node);
    return nodes;
}

void ElementMover::storeDragOffset(MindMapElement* element)
{
    if (element) element->setDragOffset(_dragStart - element->location());
}

void ElementMover::beginMoveOperation(MindMapElement* element, unsigned modifiers, Point location,
                                      bool& canSelectBranch)
{
    canSelectBranch = false;
    cancelMoveOperation();
    if (!element || _editor.readOnly()) return;
    std::shared_ptr<MindMap> mindMap = _editor.sharedMindMap();
    if (!mindMap || !mindMap->containsElement(element)) return;

    _mindMap = std::move(mindMap);
    _dragStart = location;
    _dragRoot = element;
    _draggedType = element->elementType();
    _isActive = true;
    _mindMap->lockAutoLayout();

    auto* node = isNode(element) ? static_cast<MindMapNode*>(element) : nullptr;
    if ((modifiers & AltModifier) && node && node->parent() && node->childCount() > 0) {
        _rotatingBranch = true;
        _mindMap->setSelectedElement(node);
    } else {
        _rotatingBranch = false;
        if (modifiers & ControlModifier) {
            _mindMap->toggleSelection(element, true);
        } else if (element->isSelected()) {
            _includeRootInToggleBranch = _mindMap->hasMultipleSelection();
            _mindMap->focusSelectedElement(element);
        } else {
            _mindMap->setSelectedElement(element);
        }
    }
    _initialSingleSelection = !_mindMap->hasMultipleSelection();

    if (_draggedType == ElementTypeNode || _draggedType == ElementTypeParentRelation) {
        if (!_rotatingBranch && !(modifiers & ShiftModifier)) canSelectBranch = true;
        else branchSelectionTimerTick();
    }
    if (_draggedType == ElementTypeNode || isContained(_draggedType)) {
        storeDragOffset(element);
        for (MindMapElement* selected : _mindMap->selectionWithMask(static_cast<uint32_t>(_draggedType)))
            storeDragOffset(selected);
    }
    if (node) captureDraggedRootNodes();
}

void ElementMover::branchSelectionTimerTick()
{
    if (!_isActive || _isDragging || !dragRootAlive()) return;
    if (_draggedType == ElementTypeParentRelation) {
        MindMapNode* target = static_cast<MindMapRelation*>(_dragRoot)->targetNode();
        if (!target) return;
        for (MindMapNode* node : branchOf(target, _includeRootInToggleBranch))
            if (node->parentRelation()) _mindMap->toggleSelection(node->parentRelation(), false);
        return;
    }
    if (_draggedType != ElementTypeNode) return;
    auto* pressed = static_cast<MindMapNode*>(_dragRoot);
    const bool pressedSelected = pressed->isSelected();
    std::vector<MindMapNode*> branch;
    pressed->collectNodeAndChildrenInArray(branch);
    for (size_t i = _includeRootInToggleBranch ? 0 : 1; i < branch.size(); ++i)
        if (branch[i]->isVisible() || pressedSelected) _mindMap->toggleSelection(branch[i], false);
    for (MindMapNode* node : branch) storeDragOffset(node);
    captureDraggedRootNodes();
}

void ElementMover::captureDraggedRootNodes()
{
    _draggedRootNodes = _mindMap ? _mindMap->getSelectedRootNodes() : std::vector<MindMapNode*>();
}

bool ElementMover::allowPathAdjustment() const
{
    if (!_mindMap || !_initialSingleSelection || !isRelation(_draggedType)) return false;
    const MindMapRelation* relation = _mindMap->selectedRelation();
    return relation && relation->allowsCustomPath();
}

void ElementMover::startMoving()
{
    if (!_isActive) return;
    if (!_undoState) _undoState = _mindMap->prepareDelayedUndoableOperation(localized("undoable_op_move_element"));
    _isDragging = true;
    // From here on only the selection moves: the drop-place search keeps what it learns of the rest.
    _mindMap->rearrangeMarker()->beginDragSession();
    if (allowPathAdjustment()) _mindMap->forceSingleSelection();
}

void ElementMover::moveSelection(Point location)
{
    if (!_isDragging || !dragRootAlive()) return;
    if (_draggedType == ElementTypeNode) {
        if (_rotatingBranch) rotateBranch(location);
        else moveNodes(location);
    } else if (isRelation(_draggedType)) {
        if (!allowPathAdjustment()) return;
        _pathAdjusted = true;
        _mindMap->selectedRelation()->moveCustomPoint(location);
    } else if (isContained(_draggedType)) {
        moveContainedElements(location);
    }
}

void ElementMover::moveNodes(Point location)
{
    MindMap& map = *_mindMap;
    MindMap::UpdateGuard update(map);
    const std::vector<MindMapElement*> nodes = map.selectionWithMask(ElementTypeNode);
    if (nodes.size() == 1) {
        auto* node = static_cast<MindMapNode*>(nodes.front());
        SnapEngine* engine = _editor.getSnapEngine();
        const Point wanted = location - node->dragOffset();
        node->setLocation(engine ? engine->snap(map, node, wanted, _editor.currentModifiers() & ControlModifier)
                                 : wanted);
        map.elementInvalidated(nullptr);
    } else {
        for (MindMapElement* node : nodes) node->setLocation(location - node->dragOffset());
    }
    auto* pressed = static_cast<MindMapNode*>(_dragRoot);
    MindMapNode* selected = map.selectedNode();
    const std::vector<MindMapNode*> roots = liveRootNodes();
    map.setDropTarget(map.canDragChangeNodeParent(selected, roots));
    RearrangeMarker* marker = map.rearrangeMarker();
    if (!map.dropTarget()) map.hitTestRearrangeMarker(pressed, roots);
    else marker->setVisible(false);
    const bool dropPlace = map.dropTarget() || marker->visible();
    if (dropPlace && _editor.getSnapEngine()) _editor.getSnapEngine()->cancelGuideLines();
    setDragCursor(dropPlace);
}

void ElementMover::rotateBranch(Point location)
{
    MindMap& map = *_mindMap;
    MindMap::UpdateGuard update(map);
    auto* pressed = static_cast<MindMapNode*>(_dragRoot);
    const Point moved = location - pressed->dragOffset();
    pressed->setLocation(moved);
    const MindMapNode* parent = pressed->parent();
    if (!parent) return;
    const Point pivot = parent->location();
    const Point start = _dragStart - pressed->dragOffset();
    const double turn = LineAngle(pivot, moved) - LineAngle(pivot, start);
    for (MindMapElement* element : map.selectionWithMask(ElementTypeNode)) {
        if (element == pressed) continue;
        const Point s = _dragStart - element->dragOffset();
        element->setLocation(PointAtAngle(moved, LineAngle(start, s) + turn, PointDistance(start, s)));
    }
}

void ElementMover::moveContainedElements(Point location)
{
    MindMap& map = *_mindMap;
    MindMap::UpdateGuard update(map);
    for (MindMapElement* element : map.selectionWithMask(ElementTypeImage | ElementTypeText))
        element->setLocation(location - element->dragOffset());
    map.setDropTarget(map.canDragChangeContainmentParent(static_cast<ContainedElement*>(_dragRoot)));
    setDragCursor(map.dropTarget() != nullptr);
}

bool ElementMover::endMoveOperation()
{
    if (!_isActive) return false;
    // Held past the cancel below, which lets go of the map.
    const std::shared_ptr<MindMap> mindMap = _mindMap;
    MindMap& map = *mindMap;
    const bool initialSingleSelection = _initialSingleSelection;
    const bool dragging = _isDragging;
    const bool rotating = _rotatingBranch;
    const bool pathAdjusted = _pathAdjusted;
    const int32_t draggedType = _draggedType;
    const bool rootAlive = dragRootAlive();
    MindMapNode* dropTarget = map.dropTarget();
    const bool markerVisible = map.rearrangeMarker()->visible();
    const Point dragStart = _dragStart;
    _isDragging = false;
    const UndoState undoState = std::move(_undoState);
    _undoState = nullptr;
    const std::vector<MindMapNode*> roots = liveRootNodes();

    // Without the snapshot the cancel restores nothing; it hides the marker and clears the drop
    // target, whose places were read above (the marker keeps its reference node and index).
    cancelMoveOperation();

    if (dragging && rootAlive) {
        if (draggedType == ElementTypeNode) {
            if (markerVisible) map.rearrangeNodeDragEnded(roots, undoState, dragStart);
            else map.nodeDragEnded(rotating ? nullptr : dropTarget, roots, map.hasMultipleSelection(), undoState);
            map.rearrangeMarker()->clear();
        } else if (isContained(draggedType)) {
            map.containedElementDragEnded(static_cast<CompositeElement*>(dropTarget),
                                          map.selectionWithMask(static_cast<uint32_t>(draggedType)), undoState);
        }
        // The end commands register the snapshot; one that returned early (a marker whose place
        // went away) would leave it pending for whatever edit comes next. Pushing a snapshot that
        // was already registered only clears what is pending.
        if (!isRelation(draggedType) || pathAdjusted) map.pushDelayedUndoableOperation(undoState);
        else map.clearDelayedUndoState();
        if (rotating || initialSingleSelection) map.forceSingleSelection();
    } else if (undoState) {
        // What was dragged left the map under the drag (its content was replaced): the snapshot
        // of the old content is neither an undo step nor anything to go back to.
        map.clearDelayedUndoState();
    }
    map.excludeHiddenElementsFromSelection();
    return true;
}

void ElementMover::cancelMoveOperation()
{
    const bool wasActive = _isActive;
    const bool wasDragging = _isDragging;
    _isDragging = false;
    _rotatingBranch = false;
    _pathAdjusted = false;
    _includeRootInToggleBranch = false;
    _dragRoot = nullptr;
    _draggedRootNodes.clear();
    const std::shared_ptr<MindMap> mindMap = std::move(_mindMap);
    _mindMap = nullptr;
    if (wasActive && mindMap) {
        _isActive = false;
        if (SnapEngine* engine = _editor.getSnapEngine()) engine->cancelGuideLines();
        mindMap->unlockAutoLayout();
        mindMap->rearrangeMarker()->setVisible(false);
        mindMap->rearrangeMarker()->endDragSession();
        mindMap->setDropTarget(nullptr);
        if (_initialSingleSelection && wasDragging) mindMap->forceSingleSelection();
        _editor.mindMapChanged();
        setDragCursor(false);
        if (_undoState) {
            const UndoState undoState = std::move(_undoState);
            _undoState = nullptr;
            mindMap->cancelDelayedUndoableOperation(undoState);
        }
    }
    _isActive = false;
    _undoState = nullptr;
}

void ElementMover::setDragCursor(bool dragCursor)
{
    if (dragCursor == _useDragCursor) return;
    _useDragCursor = dragCursor;
    _editor.setPointingHandCursor(dragCursor);
}
