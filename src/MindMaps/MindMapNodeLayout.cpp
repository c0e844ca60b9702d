#include "MindMaps/MindMapNode.h"

#include "MindMaps/LayoutModes.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

// Bumped whenever a node changes its parent, a hull appears or goes, or a layout mode changes:
// the levels, hull depths and layout owners that nodes keep are current only while it stays the
// same. Main thread only, as the whole model. A node keeps 48 bits of it: past them, no node's
// values count as current any more, which is slower but never wrong.
uint64_t treeGeneration = 1;

// Every mode and direction the layouters know is small: one beyond a byte is as unknown to them at
// the byte's end, where it keeps its sign.
int8_t keptLayoutCode(int32_t code)
{
    return static_cast<int8_t>(std::clamp<int32_t>(code, INT8_MIN, INT8_MAX));
}

} // namespace

void MindMapNode::treeChanged()
{
    ++treeGeneration;
}

void MindMapNode::refreshTreeCache() const
{
    if (_layout.generation == treeGeneration) return;
    // Climbs to the nearest ancestor whose values are current and fills the path below it, so
    // that asking every node of a branch in turn costs one climb in all. The path's list is kept
    // from call to call: while a map is read this runs once for nearly every node.
    thread_local std::vector<const MindMapNode*> path;
    path.clear();
    const MindMapNode* known = this;
    while (known && known->_layout.generation != treeGeneration) {
        path.push_back(known);
        known = known->_parent;
    }
    int64_t level = known ? known->_layout.level : -1;
    int64_t hullDepth = known ? known->_layout.hullDepth : 0;
    for (auto it = path.rbegin(); it != path.rend(); ++it) {
        const MindMapNode* node = *it;
        const MindMapNode* parent = node->_parent;
        ++level;
        if (node->showHull()) ++hullDepth;
        node->_layout.level = static_cast<int32_t>(level);
        node->_layout.hullDepth = static_cast<int32_t>(hullDepth);
        node->_layout.modeAbove = nullptr;
        if (parent)
            node->_layout.modeAbove = parent->_layout.modeAbove ? parent->_layout.modeAbove
                : parent->_layout.mode != 0                     ? parent
                                                                : nullptr;
        node->_layout.nearestMode = node->_layout.mode != 0 ? node : parent ? parent->_layout.nearestMode : nullptr;
        node->_layout.generation = treeGeneration;
    }
}

int64_t MindMapNode::nodeLevel() const
{
    refreshTreeCache();
    return _layout.level;
}

void MindMapNode::setLayoutMode(int32_t layoutMode)
{
    layoutMode = keptLayoutCode(layoutMode);
    if (layoutMode == _layout.mode) return;
    _layout.mode = static_cast<int8_t>(layoutMode);
    // The branch below is laid out by another mode now.
    treeChanged();
    if (_isLoading) return;
    _layout.direction = keptLayoutCode(DefaultLayoutDirectionForMode(layoutMode));
    includeNodeUpdateState(UpdateOuterSize);
}

void MindMapNode::setLayoutDirection(int32_t layoutDirection)
{
    layoutDirection = keptLayoutCode(layoutDirection);
    if (layoutDirection == _layout.direction) return;
    _layout.direction = static_cast<int8_t>(layoutDirection);
    if (!_isLoading) includeNodeUpdateState(UpdateOuterSize);
}

MindMapNode* MindMapNode::autoLayoutParent()
{
    refreshTreeCache();
    return _layout.modeAbove ? const_cast<MindMapNode*>(_layout.modeAbove) : this;
}

int32_t MindMapNode::effectiveLayoutMode() const
{
    // Kept with the level: painters and layouters ask every topic, and climbing to the root for
    // each would cost the square of a long chain's length.
    refreshTreeCache();
    return _layout.modeAbove ? _layout.modeAbove->_layout.mode : 0;
}

bool MindMapNode::isListLayoutLeftToRight(const MindMapNode* node)
{
    if (!node) return true;
    node->refreshTreeCache();
    const MindMapNode* owner = node->_layout.nearestMode;
    if (!owner) return true;
    if (owner->_layout.direction == LayoutDirectionLeft) return false;
    if (owner->_layout.direction == LayoutDirectionRight || !owner->_parent) return true;
    return !(owner->_location.x < owner->_parent->_location.x);
}

bool MindMapNode::isTopdownLayoutLeftToRight(const MindMapNode* node)
{
    if (!node) return true;
    node->refreshTreeCache();
    const MindMapNode* owner = node->_layout.nearestMode;
    if (!owner) return true;
    return owner->_layout.direction != LayoutDirectionTopRightToLeft &&
        owner->_layout.direction != LayoutDirectionBottomRightToLeft;
}
