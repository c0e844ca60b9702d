#include "MindMaps/MindMap.h"

#include "MindMaps/ContainedElement.h"
#include "MindMaps/MindMapNode.h"
#include "Utils/GeometryHelpers.h"
#include "platform/Localizer.h"

#include <cmath>
#include <vector>

namespace {

// The topics below the root, the root itself left out.
std::vector<MindMapNode*> descendantsOf(MindMapNode* root)
{
    std::vector<MindMapNode*> nodes;
    root->collectNodeAndChildrenInArray(nodes);
    nodes.erase(nodes.begin());
    return nodes;
}

// The common road of rotating and flipping: every topic below each selected root that has
// children moves about that root, inside one step and one update.
template <typename Move> void moveBranchesAboutRoots(MindMap& map, const char* undoKey, Move move)
{
    map.cancelEditorModes();
    const std::vector<MindMapNode*> roots = map.getSelectedRootNodes();
    if (roots.empty()) return;
    map.prepareUndoableOperation(localized(undoKey));
    MindMap::UpdateGuard update(map);
    for (MindMapNode* root : roots) {
        if (root->childCount() == 0) continue;
        const Point center = root->location();
        for (MindMapNode* node : descendantsOf(root)) move(node, center);
    }
}

} // namespace

// ---- Rotate and flip ----

void MindMap::rotateBranchBy(double angle)
{
    if (_readOnly || !std::isfinite(angle)) return;
    moveBranchesAboutRoots(*this, "undoable_op_rotate", [angle](MindMapNode* node, Point center) {
        const Point location = node->location();
        const double distance = PointDistance(center, location);
        // A topic at the centre has no direction to turn.
        if (distance <= 0) return;
        node->setLocation(PointAtAngle(center, LineAngle(center, location) + angle, distance));
    });
}

void MindMap::flipBranch(bool horizontal)
{
    if (_readOnly) return;
    moveBranchesAboutRoots(*this, "undoable_op_flip", [horizontal](MindMapNode* node, Point center) {
        const Point location = node->location();
        if (horizontal) node->setLocation(Point{2 * center.x - location.x, location.y});
        else node->setLocation(Point{location.x, 2 * center.y - location.y});
    });
}

// ---- Central theme ----

void MindMap::makeMainCentralTheme()
{
    if (_readOnly) return;
    MindMapNode* node = cancelEditorModes();
    if (!node || node->parent()) return;
    UpdateGuard update(*this);
    setMainCentralTheme(node);
}

// ---- Order of topics ----

void MindMap::orderSelectedNodeInDirection(bool forward)
{
    if (_readOnly) return;
    forceSingleSelection();
    MindMapNode* node = prepareUndoableNodeOperation(localized("undoable_op_reorder_element"));
    if (!node || !node->parent()) return;
    MindMapNode* parent = node->parent();
    UpdateGuard update(*this);
    const size_t index = node->indexInParent();
    const size_t count = parent->childCount();
    size_t target = 0;
    if (forward) target = index + 1 < count ? index + 1 : 0;
    else target = index == 0 ? count - 1 : index - 1;
    if (target == index) return;
    parent->moveChildFromIndex(static_cast<int64_t>(index), static_cast<int64_t>(target));
    parent->invalidateAutoNumberPath();
}

void MindMap::orderUpSelectedNode()
{
    if (_readOnly) return;
    forceSingleSelection();
    MindMapNode* node = prepareUndoableNodeOperation(localized("undoable_op_reorder_element"));
    if (!node || !node->parent()) return;
    UpdateGuard update(*this);
    if (MindMapNode* grandparent = node->parent()->parent()) {
        // The grandparent becomes the parent: a cross link between them would join parent and child.
        removeCrossLinksBetween(node, grandparent);
        node->setParent(grandparent);
    } else {
        node->setParent(nullptr);
        _centralThemes.push_back(node);
        invalidateAutoNumberPaths();
    }
}

// ---- Order of texts and images ----

void MindMap::orderSelectedContainedElementInDirection(bool forward)
{
    if (_readOnly) return;
    forceSingleSelection();
    ContainedElement* element = prepareUndoableContainedElementOperation(localized("undoable_op_reorder_element"));
    if (!element) return;
    UpdateGuard update(*this);
    if (forward) element->orderForward();
    else element->orderBackward();
}

void MindMap::orderSelectedElementInDirection(bool forward)
{
    if (selectedContainedElement()) orderSelectedContainedElementInDirection(forward);
    else orderSelectedNodeInDirection(forward);
}

void MindMap::orderElementForward()
{
    orderSelectedElementInDirection(true);
}

void MindMap::orderElementBackward()
{
    orderSelectedElementInDirection(false);
}

void MindMap::orderContainedElementForward()
{
    orderSelectedContainedElementInDirection(true);
}

void MindMap::orderContainedElementBackward()
{
    orderSelectedContainedElementInDirection(false);
}
