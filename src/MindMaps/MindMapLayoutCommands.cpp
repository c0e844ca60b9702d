#include "MindMaps/MindMap.h"

#include "MindMaps/MindMapNode.h"
#include "MindMaps/PropertyPanels.h"
#include "MindMaps/RearrangeMarker.h"
#include "MindMaps/RearrangeMarkerHitTester.h"
#include "platform/Localizer.h"

#include <algorithm>

namespace {

// The drop positions a rearrange hit tester reports relative to the marker's sibling.
enum RearrangeInfo : int32_t {
    RearrangeAtSibling = 0,
    RearrangeFirst = 1,
    RearrangeLast = 2,
    RearrangeLastOfRow = 3,
    RearrangeFirstOfRow = 4,
    RearrangeLastPastStart = 5,
    RearrangeFirstBeforeStart = 6,
};

} // namespace

void MindMap::centralThemeBecameChild(MindMapNode* node, bool wasMainTheme)
{
    std::erase(_centralThemes, node);
    if (wasMainTheme) {
        _mainCentralTheme = nullptr;
        titleChanged();
    }
    invalidateAutoNumberPaths();
}

void MindMap::changeLayoutMode()
{
    cancelEditorModes();
    forceSingleSelection();
    MindMapNode* node = selectedNode();
    if (!node || node != selectedElement() || node->isAutoLayout()) return;
    PropertyPanels::shared().selectLayoutMode(this, node->layoutMode(), node->layoutDirection());
}

void MindMap::layoutModeSelected(int32_t layoutMode, int32_t layoutDirection)
{
    cancelEditorModes();
    const std::vector<MindMapNode*> roots = getSelectedRootNodes();
    if (roots.empty()) return;
    UpdateGuard update(*this);
    prepareUndoableOperation(localized("undoable_op_layout"));
    for (MindMapNode* root : roots) {
        // The mode first: setting it resets the direction to the mode's default.
        root->setLayoutMode(layoutMode);
        root->setLayoutDirection(layoutDirection);
    }
    compressLayoutModes();
}

void MindMap::hitTestRearrangeMarker(MindMapNode* draggedNode, const std::vector<MindMapNode*>& rootNodes)
{
    for (MindMapNode* theme : _centralThemes)
        if (hitTestRearrangeMarkerForNode(theme, draggedNode, rootNodes)) return;
    _rearrangeMarker->setVisible(false);
    _rearrangeMarker->setRefNode(nullptr);
}

bool MindMap::hitTestRearrangeMarkerForNode(MindMapNode* node, MindMapNode* draggedNode,
                                            const std::vector<MindMapNode*>& rootNodes)
{
    // Free branches are searched in child order with a stack of our own: a free chain can be
    // deeper than the call stack.
    std::vector<MindMapNode*> pending{node};
    while (!pending.empty()) {
        MindMapNode* current = pending.back();
        pending.pop_back();
        if (!current) continue;
        if (current->layoutMode() != 0) {
            if (RearrangeMarkerHitTester::hitTestRearrangeMarker(*this, current, draggedNode, rootNodes)) return true;
            continue;
        }
        const auto& children = current->children();
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
    return false;
}

void MindMap::rearrangeNodeDragEnded(const std::vector<MindMapNode*>& rootNodes, const UndoState& undoState,
                                     Point dragStart)
{
    MindMapNode* parent = _rearrangeMarker->refNode();
    const int64_t markerIndex = _rearrangeMarker->index();
    if (!parent || !containsElement(parent) || markerIndex < 0 ||
        markerIndex >= static_cast<int64_t>(parent->childCount()))
        return;
    MindMapNode* sibling = parent->childAtIndex(static_cast<size_t>(markerIndex));
    if (!sibling) return;
    {
        UpdateGuard update(*this);
        const int32_t info = _rearrangeMarker->info();
        const bool horizontal = _rearrangeMarker->horizontal();
        for (MindMapNode* dragged : rootNodes) {
            if (!dragged || !containsElement(dragged) || !dragged->isValidParentNode(parent)) continue;
            const MindMapNode* oldParent = dragged->parent();
            const bool wasMainTheme = !oldParent && dragged == mainCentralTheme();
            dragged->setParent(parent);
            if (dragged->parent() != parent) continue;
            const auto current = static_cast<int64_t>(dragged->indexInParent());
            const auto count = static_cast<int64_t>(parent->childCount());
            const Point q = dragStart - dragged->dragOffset();
            const Point r = parent->location();
            int64_t target = current;
            switch (info) {
            case RearrangeAtSibling:
                target = static_cast<int64_t>(sibling->indexInParent());
                break;
            case RearrangeFirst:
            case RearrangeFirstOfRow:
                target = 0;
                break;
            case RearrangeLast:
            case RearrangeLastOfRow:
                target = count;
                break;
            case RearrangeLastPastStart:
                if (horizontal ? r.x <= q.x : q.y <= r.y) target = count;
                break;
            case RearrangeFirstBeforeStart:
                if (horizontal ? q.x < r.x : r.y < q.y) target = 0;
                break;
            default:
                break;
            }
            if (target != current) {
                if (target > current) --target;
                parent->moveChildFromIndex(current, target);
            }
            if (!oldParent) centralThemeBecameChild(dragged, wasMainTheme);
            removeCrossLinksBetween(dragged, parent);
            dragged->fullExpand();
        }
        parent->invalidateAutoNumberPath();
        setDelayedUndoOperation(localized("undoable_op_change_parent"));
    }
    pushDelayedUndoableOperation(undoState);
}

bool MindMap::reconnectNode(MindMapNode* node, MindMapNode* parent, int64_t index)
{
    if (!node || !containsElement(node) || (parent && !containsElement(parent)) || !node->isValidParentNode(parent))
        return false;
    prepareUndoableOperation(localized("undoable_op_change_parent"));
    UpdateGuard update(*this);
    const MindMapNode* oldParent = node->parent();
    const bool wasMainTheme = !oldParent && node == mainCentralTheme();
    node->setParent(parent);
    forceNodeVisible(node);
    if (parent) {
        removeCrossLinksBetween(node, parent);
        if (!oldParent) centralThemeBecameChild(node, wasMainTheme);
    } else if (oldParent) {
        _centralThemes.push_back(node);
        invalidateAutoNumberPaths();
    }
    const auto themePosition = std::find(_centralThemes.begin(), _centralThemes.end(), node);
    if (!parent && themePosition == _centralThemes.end()) return true;
    const auto current = parent ? static_cast<int64_t>(node->indexInParent())
                                : static_cast<int64_t>(themePosition - _centralThemes.begin());
    const int64_t target = current < index ? index - 1 : index;
    if (target != current) {
        if (!parent) {
            // A target outside the list would lose the theme or write past the end.
            if (target >= 0 && target < static_cast<int64_t>(_centralThemes.size())) {
                _centralThemes.erase(_centralThemes.begin() + current);
                _centralThemes.insert(_centralThemes.begin() + target, node);
                invalidateAutoNumberPaths();
            }
        } else {
            parent->moveChildFromIndex(current, target);
        }
    }
    return true;
}
