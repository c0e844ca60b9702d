#include "MindMaps/RearrangeMarkerHitTester.h"

#include "MindMaps/LayoutModes.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/RearrangeMarker.h"

#include <algorithm>
#include <utility>

namespace {

int64_t lastIndex(const MindMapNode* node)
{
    return static_cast<int64_t>(node->childCount()) - 1;
}

MindMapNode* child(const MindMapNode* parent, int64_t index)
{
    return index < 0 ? nullptr : parent->childAtIndex(static_cast<size_t>(index));
}

} // namespace

RearrangeMarkerHitTester::RearrangeMarkerHitTester(MindMap& mindMap, MindMapNode* layoutRoot)
    : _mindMap(mindMap), _marker(*mindMap.rearrangeMarker()), _layoutRoot(layoutRoot)
{
}

std::unique_ptr<RearrangeMarkerHitTester> RearrangeMarkerHitTester::makeForLayoutRoot(MindMap& mindMap,
                                                                                      MindMapNode* layoutRoot)
{
    if (!layoutRoot) return nullptr;
    switch (layoutRoot->layoutMode()) {
    case LayoutModeStrictHorizontal:
        return std::make_unique<StrictHorizontalRearrangeHitTester>(mindMap, layoutRoot);
    case LayoutModeStrictVertical:
        return std::make_unique<StrictVerticalRearrangeHitTester>(mindMap, layoutRoot);
    case LayoutModeList:
        return std::make_unique<TreelistRearrangeHitTester>(mindMap, layoutRoot);
    case LayoutModeTopDown:
        return std::make_unique<TopDownRearrangeHitTester>(mindMap, layoutRoot);
    default:
        return nullptr;
    }
}

bool RearrangeMarkerHitTester::hitTestRearrangeMarker(MindMap& mindMap, MindMapNode* layoutRoot,
                                                      MindMapNode* draggedNode,
                                                      const std::vector<MindMapNode*>& rootNodes)
{
    const auto tester = makeForLayoutRoot(mindMap, layoutRoot);
    return tester && tester->hitTestRearrangeMarker(draggedNode, rootNodes);
}

bool RearrangeMarkerHitTester::hitTestRearrangeMarker(MindMapNode* draggedNode,
                                                      const std::vector<MindMapNode*>& rootNodes)
{
    if (!draggedNode || rootNodes.empty()) return false;
    _atPoint = draggedNode->location();
    // A branch cannot be dropped into itself.
    if (std::find(rootNodes.begin(), rootNodes.end(), _layoutRoot) != rootNodes.end()) return false;
    MindMapNode* matched = markerHitTest(_layoutRoot, draggedNode);
    if (!matched) return false;
    _marker.setVisible(std::all_of(rootNodes.begin(), rootNodes.end(),
                                   [&](const MindMapNode* root) { return root && root->isValidParentNode(matched); }));
    return true;
}

MindMapNode* RearrangeMarkerHitTester::markerHitTest(MindMapNode*, MindMapNode*)
{
    return nullptr;
}

bool RearrangeMarkerHitTester::searchable(const MindMapNode* node)
{
    return node && node->isVisible() && node->childCount() > 0 && !node->collapsed();
}

MindMapNode* RearrangeMarkerHitTester::searchBranch(MindMapNode* node,
                                                    const std::function<MindMapNode*(MindMapNode*)>& own)
{
    if (!searchable(node)) return nullptr;
    // Each entry is a node and the next of its children to search; a node is tested itself once
    // all its children are done.
    std::vector<std::pair<MindMapNode*, size_t>> stack{{node, 0}};
    while (!stack.empty()) {
        auto& [current, next] = stack.back();
        if (next < current->childCount()) {
            MindMapNode* descendant = current->childAtIndex(next++);
            if (searchable(descendant)) stack.emplace_back(descendant, 0);
            continue;
        }
        MindMapNode* tested = current;
        stack.pop_back();
        if (MindMapNode* matched = own(tested)) return matched;
    }
    return nullptr;
}

MindMapNode* RearrangeMarkerHitTester::mark(MindMapNode* parent, int64_t index, const Rect& bounds, int32_t info,
                                            bool horizontal)
{
    _marker.setBounds(bounds);
    _marker.setInfo(info);
    _marker.setRefNode(parent);
    _marker.setIndex(index);
    _marker.setHorizontal(horizontal);
    return child(parent, index);
}

MindMapNode* RearrangeMarkerHitTester::checkBand(MindMapNode* parent, int64_t index, const Rect& band, int32_t info,
                                                 bool horizontal)
{
    if (!pointInRect(_atPoint, band)) return nullptr;
    return mark(parent, index, band, info, horizontal);
}

MindMapNode* RearrangeMarkerHitTester::checkAbove(MindMapNode* parent, int64_t index, double markerSize)
{
    const MindMapNode* c = parent ? child(parent, index) : nullptr;
    if (!c) return nullptr;
    const Rect r = c->bounds();
    return checkBand(parent, index, {r.minX(), r.minY() + BandOverlap - markerSize, r.width(), markerSize}, InfoBefore,
                     true);
}

MindMapNode* RearrangeMarkerHitTester::checkBelow(MindMapNode* parent, int64_t index, double markerSize)
{
    const MindMapNode* c = parent ? child(parent, index) : nullptr;
    if (!c) return nullptr;
    const Rect r = c->bounds();
    return checkBand(parent, index, {r.minX(), r.maxY() - BandOverlap, r.width(), markerSize}, InfoAfter, true);
}

MindMapNode* RearrangeMarkerHitTester::checkToLeft(MindMapNode* parent, int64_t index, double markerSize)
{
    const MindMapNode* c = parent ? child(parent, index) : nullptr;
    if (!c) return nullptr;
    const Rect r = c->bounds();
    return checkBand(parent, index, {r.minX() + BandOverlap - markerSize, r.minY(), markerSize, r.height()}, InfoBefore,
                     false);
}

MindMapNode* RearrangeMarkerHitTester::checkToRight(MindMapNode* parent, int64_t index, double markerSize)
{
    const MindMapNode* c = parent ? child(parent, index) : nullptr;
    if (!c) return nullptr;
    const Rect r = c->bounds();
    return checkBand(parent, index, {r.maxX() - BandOverlap, r.minY(), markerSize, r.height()}, InfoAfter, false);
}

MindMapNode* RearrangeMarkerHitTester::checkInbetweenVertical(MindMapNode* parent, int64_t firstIndex,
                                                              int64_t lastIndex)
{
    if (!parent || firstIndex < 1 || lastIndex < firstIndex) return nullptr;
    lastIndex = std::min(lastIndex, ::lastIndex(parent));
    for (int64_t i = lastIndex; i >= firstIndex; --i) {
        const MindMapNode* a = child(parent, i);
        const MindMapNode* b = child(parent, i - 1);
        if (a->isSelected() || b->isSelected()) continue;
        const Rect ra = a->bounds();
        const Rect rb = b->bounds();
        const double top = _verticalReverted ? ra.maxY() : rb.maxY();
        const double bottom = _verticalReverted ? rb.minY() : ra.minY();
        if (bottom <= top) continue;
        const double left = std::min(ra.minX(), rb.minX());
        const double right = std::max(ra.maxX(), rb.maxX());
        const Rect gap{left, top, right - left, bottom - top};
        if (pointInRect(_atPoint, gap)) return mark(parent, i, gap, InfoBetween, true);
    }
    return nullptr;
}

MindMapNode* RearrangeMarkerHitTester::checkInbetweenHorizontal(MindMapNode* parent, int64_t firstIndex,
                                                                int64_t lastIndex)
{
    if (!parent || firstIndex < 1 || lastIndex < firstIndex) return nullptr;
    lastIndex = std::min(lastIndex, ::lastIndex(parent));
    for (int64_t i = lastIndex; i >= firstIndex; --i) {
        const MindMapNode* a = child(parent, i);
        const MindMapNode* b = child(parent, i - 1);
        if (a->isSelected() || b->isSelected()) continue;
        const Rect ra = a->bounds();
        const Rect rb = b->bounds();
        const double left = _horizontalReverted ? ra.maxX() : rb.maxX();
        const double right = _horizontalReverted ? rb.minX() : ra.minX();
        if (right <= left) continue;
        const double top = std::min(ra.minY(), rb.minY());
        const double bottom = std::max(ra.maxY(), rb.maxY());
        const Rect gap{left, top, right - left, bottom - top};
        if (pointInRect(_atPoint, gap)) return mark(parent, i, gap, InfoBetween, false);
    }
    return nullptr;
}

// ---- Strict horizontal ----

MindMapNode* StrictHorizontalRearrangeHitTester::markerHitTest(MindMapNode* root, MindMapNode* draggedNode)
{
    if (MindMapNode* matched = doMarkerHitTest(root)) return matched;
    return checkManualRearrange(root, draggedNode);
}

MindMapNode* StrictHorizontalRearrangeHitTester::doMarkerHitTest(MindMapNode* node)
{
    return searchBranch(node, [this](MindMapNode* n) -> MindMapNode* {
        const int64_t last = lastIndex(n);
        MindMapNode* matched = !n->parent() || n->layoutDirection() == LayoutDirectionManual
            ? checkMainBranches(n)
            : checkInbetweenVertical(n, 1, last);
        if (!matched) matched = checkAbove(n, 0, EdgeBandSize);
        if (!matched) matched = checkBelow(n, last, EdgeBandSize);
        return matched;
    });
}

MindMapNode* StrictHorizontalRearrangeHitTester::checkMainBranches(MindMapNode* node)
{
    const int64_t last = lastIndex(node);
    const double centre = node->location().x;
    int64_t k = -1;
    for (int64_t i = 0; i <= last; ++i) {
        const MindMapNode* c = node->childAtIndex(static_cast<size_t>(i));
        if (!c->isSelected() && c->location().x < centre) {
            k = i;
            break;
        }
    }
    if (k < 0) return checkInbetweenVertical(node, 1, last);
    MindMapNode* matched = k > 0 ? checkInbetweenVertical(node, 1, k - 1) : nullptr;
    if (!matched) matched = checkInbetweenVertical(node, k + 1, last);
    if (matched || k == 0) return matched;
    matched = checkBelow(node, k - 1, SideBoundaryBandSize);
    if (!matched) matched = checkAbove(node, k, SideBoundaryBandSize);
    if (matched) {
        rearrangeMarker().setInfo(InfoBetween);
        rearrangeMarker().setIndex(k);
    }
    return matched;
}

MindMapNode* StrictHorizontalRearrangeHitTester::checkManualRearrange(MindMapNode* root, MindMapNode* draggedNode)
{
    MindMapNode* parent = draggedNode ? draggedNode->parent() : nullptr;
    if (!parent || parent != layoutRoot() || parent->layoutDirection() != LayoutDirectionManual) return nullptr;
    // Only from the topic that owns the direction, or from below it.
    if (!root || parent->isValidParentNode(root)) return nullptr;
    const Rect b = parent->bounds();
    RearrangeMarker& marker = rearrangeMarker();
    marker.setRefNode(parent);
    marker.setHorizontal(true);
    if (draggedNode->location().x > parent->location().x) {
        marker.setBounds({b.maxX(), b.minY(), ManualBandSize, b.height()});
        marker.setInfo(InfoManualUpperOrRight);
        marker.setIndex(0);
    } else {
        marker.setBounds({b.minX() - ManualBandSize, b.minY(), ManualBandSize, b.height()});
        marker.setInfo(InfoManualLowerOrLeft);
        marker.setIndex(static_cast<int64_t>(root->childCount()) - 1);
    }
    return parent;
}

// ---- Strict vertical ----

MindMapNode* StrictVerticalRearrangeHitTester::markerHitTest(MindMapNode* root, MindMapNode* draggedNode)
{
    if (MindMapNode* matched = doMarkerHitTest(root)) return matched;
    return checkManualRearrange(root, draggedNode);
}

MindMapNode* StrictVerticalRearrangeHitTester::doMarkerHitTest(MindMapNode* node)
{
    return searchBranch(node, [this](MindMapNode* n) -> MindMapNode* {
        const int64_t last = lastIndex(n);
        MindMapNode* matched = !n->parent() || n->layoutDirection() == LayoutDirectionManual
            ? checkMainBranches(n)
            : checkInbetweenHorizontal(n, 1, last);
        if (!matched) matched = checkToLeft(n, 0, EdgeBandSize);
        if (!matched) matched = checkToRight(n, last, EdgeBandSize);
        return matched;
    });
}

MindMapNode* StrictVerticalRearrangeHitTester::checkMainBranches(MindMapNode* node)
{
    const int64_t last = lastIndex(node);
    const double centre = node->location().y;
    int64_t k = -1;
    for (int64_t i = 0; i <= last; ++i) {
        const MindMapNode* c = node->childAtIndex(static_cast<size_t>(i));
        if (!c->isSelected() && c->location().y > centre) {
            k = i;
            break;
        }
    }
    if (k < 0) return checkInbetweenHorizontal(node, 1, last);
    MindMapNode* matched = k > 0 ? checkInbetweenHorizontal(node, 1, k - 1) : nullptr;
    if (!matched) matched = checkInbetweenHorizontal(node, k + 1, last);
    if (matched || k == 0) return matched;
    matched = checkToRight(node, k - 1, SideBoundaryBandSize);
    if (!matched) matched = checkToLeft(node, k, SideBoundaryBandSize);
    if (matched) {
        rearrangeMarker().setInfo(InfoBetween);
        rearrangeMarker().setIndex(k);
    }
    return matched;
}

MindMapNode* StrictVerticalRearrangeHitTester::checkManualRearrange(MindMapNode* root, MindMapNode* draggedNode)
{
    MindMapNode* parent = draggedNode ? draggedNode->parent() : nullptr;
    if (!parent || parent != layoutRoot() || parent->layoutDirection() != LayoutDirectionManual) return nullptr;
    // Only from the topic that owns the direction, or from below it.
    if (!root || parent->isValidParentNode(root)) return nullptr;
    const Rect b = parent->bounds();
    RearrangeMarker& marker = rearrangeMarker();
    marker.setRefNode(parent);
    marker.setHorizontal(false);
    // Inside the parent's bounds: its upper half takes the drag of a higher topic.
    if (parent->location().y >= draggedNode->location().y) {
        marker.setBounds({b.minX(), b.minY(), b.width(), ManualBandSize});
        marker.setInfo(InfoManualUpperOrRight);
        marker.setIndex(0);
    } else {
        marker.setBounds({b.minX(), b.maxY() - ManualBandSize, b.width(), ManualBandSize});
        marker.setInfo(InfoManualLowerOrLeft);
        marker.setIndex(static_cast<int64_t>(root->childCount()) - 1);
    }
    return parent;
}

// ---- List ----

MindMapNode* TreelistRearrangeHitTester::markerHitTest(MindMapNode* root, MindMapNode*)
{
    return searchBranch(root, [this](MindMapNode* n) -> MindMapNode* {
        const int64_t last = lastIndex(n);
        MindMapNode* matched = checkInbetweenVertical(n, 1, last);
        if (!matched) matched = checkAbove(n, 0, EdgeBandSize);
        if (!matched) matched = checkBelow(n, last, EdgeBandSize);
        return matched;
    });
}

// ---- Top-down ----

TopDownRearrangeHitTester::TopDownRearrangeHitTester(MindMap& mindMap, MindMapNode* layoutRoot)
    : RearrangeMarkerHitTester(mindMap, layoutRoot)
{
    const int32_t direction = layoutRoot ? layoutRoot->layoutDirection() : 0;
    _verticalReverted = IsTopDirection(direction);
    _horizontalReverted = IsRightToLeftDirection(direction);
}

MindMapNode* TopDownRearrangeHitTester::markerHitTest(MindMapNode* root, MindMapNode*)
{
    return searchBranch(root, [this](MindMapNode* n) -> MindMapNode* {
        const int64_t last = lastIndex(n);
        MindMapNode* matched = nullptr;
        if (n != layoutRoot()) {
            matched = checkInbetweenVertical(n, 1, last);
            if (matched) return matched;
            if (!_verticalReverted) {
                matched = checkAbove(n, 0, EdgeBandSize);
                if (!matched) matched = checkBelow(n, last, EdgeBandSize);
            } else if ((matched = checkAbove(n, last, EdgeBandSize))) {
                rearrangeMarker().setInfo(InfoBeyondLastReverted);
            } else if ((matched = checkBelow(n, 0, EdgeBandSize))) {
                rearrangeMarker().setInfo(InfoBeforeFirstReverted);
            }
            return matched;
        }
        matched = checkInbetweenHorizontal(n, 1, last);
        if (matched) return matched;
        if (!_horizontalReverted) {
            matched = checkToLeft(n, 0, EdgeBandSize);
            if (!matched) matched = checkToRight(n, last, EdgeBandSize);
        } else if ((matched = checkToRight(n, 0, EdgeBandSize))) {
            rearrangeMarker().setInfo(InfoBeforeFirstReverted);
        } else if ((matched = checkToLeft(n, last, EdgeBandSize))) {
            rearrangeMarker().setInfo(InfoBeyondLastReverted);
        }
        return matched;
    });
}
