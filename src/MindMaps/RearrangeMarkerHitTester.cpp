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
    if (RearrangeHitCache* cache = _marker.hitCache()) {
        cacheEntry(*cache, node);
        // Each entry is a node and the next of its searched branches; a node is tested itself
        // once all its branches are done.
        std::vector<std::pair<MindMapNode*, size_t>> stack{{node, 0}};
        while (!stack.empty()) {
            auto& [current, next] = stack.back();
            const RearrangeHitCache::NodeEntry& entry = cache->nodes.at(current);
            if (next < entry.branches.size()) {
                const RearrangeHitCache::Branch& branch = entry.branches[next++];
                // Every place of a branch lies within its topics and the widest band round them.
                if (branch.moving ||
                    pointInRect(_atPoint, insetRect(branch.reach, -SideBoundaryBandSize, -SideBoundaryBandSize)))
                    stack.emplace_back(branch.node, 0);
                continue;
            }
            MindMapNode* tested = current;
            stack.pop_back();
            if (MindMapNode* matched = own(tested)) return matched;
        }
        return nullptr;
    }
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

RearrangeHitCache::NodeEntry& RearrangeMarkerHitTester::cacheEntry(RearrangeHitCache& cache, MindMapNode* node)
{
    if (auto found = cache.nodes.find(node); found != cache.nodes.end()) return found->second;
    // Bottom up over the searched part of the branch, skipping what an earlier step worked out.
    std::vector<std::pair<MindMapNode*, size_t>> stack{{node, 0}};
    while (!stack.empty()) {
        auto& [current, next] = stack.back();
        if (next < current->childCount()) {
            MindMapNode* child = current->childAtIndex(next++);
            if (searchable(child) && !cache.nodes.count(child)) stack.emplace_back(child, 0);
            continue;
        }
        MindMapNode* done = current;
        stack.pop_back();
        RearrangeHitCache::NodeEntry entry;
        for (MindMapNode* child : done->children()) {
            Rect reach = child->bounds();
            bool moving = child->isSelected();
            if (searchable(child)) {
                const RearrangeHitCache::NodeEntry& below = cache.nodes.at(child);
                entry.branches.push_back({child, below.reach, below.moving});
                reach = unionRect(reach, below.reach);
                moving = moving || below.moving;
            }
            entry.reach = unionRect(entry.reach, reach);
            entry.moving = entry.moving || moving;
        }
        cache.nodes[done] = std::move(entry);
    }
    return cache.nodes.at(node);
}

int64_t RearrangeMarkerHitTester::sideSplit(MindMapNode* node, bool vertical)
{
    RearrangeHitCache* cache = _marker.hitCache();
    // A dragged node's centre moves with the drag: its split is asked anew.
    int64_t* kept = cache && !node->isSelected() ? &cacheEntry(*cache, node).split[vertical ? 1 : 0] : nullptr;
    if (kept && *kept != -2) return *kept;
    const Point centre = node->location();
    int64_t split = -1;
    for (size_t i = 0; i < node->childCount(); ++i) {
        const MindMapNode* c = node->childAtIndex(i);
        if (!c->isSelected() && (vertical ? c->location().y > centre.y : c->location().x < centre.x)) {
            split = static_cast<int64_t>(i);
            break;
        }
    }
    if (kept) *kept = split;
    return split;
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

std::optional<RearrangeHitCache::Gap> RearrangeMarkerHitTester::gapBefore(const MindMapNode* parent, int64_t i,
                                                                          bool stackedVertically) const
{
    const MindMapNode* a = child(parent, i);
    const MindMapNode* b = child(parent, i - 1);
    if (a->isSelected() || b->isSelected()) return std::nullopt;
    const Rect ra = a->bounds();
    const Rect rb = b->bounds();
    RearrangeHitCache::Gap gap{};
    gap.index = i;
    if (stackedVertically) {
        gap.low = _verticalReverted ? ra.maxY() : rb.maxY();
        gap.high = _verticalReverted ? rb.minY() : ra.minY();
        gap.crossLow = std::min(ra.minX(), rb.minX());
        gap.crossHigh = std::max(ra.maxX(), rb.maxX());
    } else {
        gap.low = _horizontalReverted ? ra.maxX() : rb.maxX();
        gap.high = _horizontalReverted ? rb.minX() : ra.minX();
        gap.crossLow = std::min(ra.minY(), rb.minY());
        gap.crossHigh = std::max(ra.maxY(), rb.maxY());
    }
    // Overlapping siblings leave no gap.
    if (gap.high <= gap.low) return std::nullopt;
    return gap;
}

MindMapNode* RearrangeMarkerHitTester::checkInbetween(MindMapNode* parent, int64_t firstIndex, int64_t lastIndex,
                                                      bool stackedVertically)
{
    if (!parent || firstIndex < 1 || lastIndex < firstIndex) return nullptr;
    lastIndex = std::min(lastIndex, ::lastIndex(parent));
    auto rectOf = [&](const RearrangeHitCache::Gap& gap) {
        return stackedVertically ? Rect{gap.crossLow, gap.low, gap.crossHigh - gap.crossLow, gap.high - gap.low}
                                 : Rect{gap.low, gap.crossLow, gap.high - gap.low, gap.crossHigh - gap.crossLow};
    };
    auto matchGap = [&](const RearrangeHitCache::Gap& gap) -> MindMapNode* {
        const Rect rect = rectOf(gap);
        return pointInRect(_atPoint, rect) ? mark(parent, gap.index, rect, InfoBetween, stackedVertically) : nullptr;
    };
    RearrangeHitCache* cache = _marker.hitCache();
    const RearrangeHitCache::GapIndex* index = nullptr;
    if (cache) {
        const bool reverted = stackedVertically ? _verticalReverted : _horizontalReverted;
        const RearrangeHitCache::GapKey key{parent, stackedVertically, reverted, firstIndex, lastIndex};
        auto [found, made] = cache->gaps.try_emplace(key);
        if (made) {
            for (int64_t i = firstIndex; i <= lastIndex; ++i)
                if (auto gap = gapBefore(parent, i, stackedVertically)) found->second.gaps.push_back(*gap);
            auto& gaps = found->second.gaps;
            std::sort(gaps.begin(), gaps.end(), [](const auto& a, const auto& b) { return a.low < b.low; });
            for (size_t i = 1; i < gaps.size(); ++i)
                if (gaps[i].low < gaps[i - 1].high) found->second.disjoint = false;
        }
        index = &found->second;
    }
    if (index && index->disjoint) {
        // At most one gap holds the point along the axis: the last one that begins at or before it.
        const double along = stackedVertically ? _atPoint.y : _atPoint.x;
        const auto& gaps = index->gaps;
        auto after = std::upper_bound(gaps.begin(), gaps.end(), along,
                                      [](double value, const RearrangeHitCache::Gap& gap) { return value < gap.low; });
        return after == gaps.begin() ? nullptr : matchGap(*(after - 1));
    }
    // The last pair is tested first.
    for (int64_t i = lastIndex; i >= firstIndex; --i)
        if (auto gap = gapBefore(parent, i, stackedVertically))
            if (MindMapNode* matched = matchGap(*gap)) return matched;
    return nullptr;
}

MindMapNode* RearrangeMarkerHitTester::checkInbetweenVertical(MindMapNode* parent, int64_t firstIndex,
                                                              int64_t lastIndex)
{
    return checkInbetween(parent, firstIndex, lastIndex, true);
}

MindMapNode* RearrangeMarkerHitTester::checkInbetweenHorizontal(MindMapNode* parent, int64_t firstIndex,
                                                                int64_t lastIndex)
{
    return checkInbetween(parent, firstIndex, lastIndex, false);
}

// ---- Strict layouts ----

StrictRearrangeHitTester::StrictRearrangeHitTester(MindMap& mindMap, MindMapNode* layoutRoot, bool vertical)
    : RearrangeMarkerHitTester(mindMap, layoutRoot), _vertical(vertical)
{
}

MindMapNode* StrictRearrangeHitTester::checkBefore(MindMapNode* parent, int64_t index, double markerSize)
{
    return _vertical ? checkToLeft(parent, index, markerSize) : checkAbove(parent, index, markerSize);
}

MindMapNode* StrictRearrangeHitTester::checkAfter(MindMapNode* parent, int64_t index, double markerSize)
{
    return _vertical ? checkToRight(parent, index, markerSize) : checkBelow(parent, index, markerSize);
}

MindMapNode* StrictRearrangeHitTester::checkGaps(MindMapNode* parent, int64_t firstIndex, int64_t lastIndex)
{
    return _vertical ? checkInbetweenHorizontal(parent, firstIndex, lastIndex)
                     : checkInbetweenVertical(parent, firstIndex, lastIndex);
}

MindMapNode* StrictRearrangeHitTester::markerHitTest(MindMapNode* root, MindMapNode* draggedNode)
{
    if (MindMapNode* matched = doMarkerHitTest(root)) return matched;
    return checkManualRearrange(root, draggedNode);
}

MindMapNode* StrictRearrangeHitTester::doMarkerHitTest(MindMapNode* node)
{
    return searchBranch(node, [this](MindMapNode* n) -> MindMapNode* {
        const int64_t last = lastIndex(n);
        MindMapNode* matched = !n->parent() || n->layoutDirection() == LayoutDirectionManual ? checkMainBranches(n)
                                                                                             : checkGaps(n, 1, last);
        if (!matched) matched = checkBefore(n, 0, EdgeBandSize);
        if (!matched) matched = checkAfter(n, last, EdgeBandSize);
        return matched;
    });
}

MindMapNode* StrictRearrangeHitTester::checkMainBranches(MindMapNode* node)
{
    const int64_t last = lastIndex(node);
    const int64_t k = sideSplit(node, _vertical);
    if (k < 0) return checkGaps(node, 1, last);
    MindMapNode* matched = k > 0 ? checkGaps(node, 1, k - 1) : nullptr;
    if (!matched) matched = checkGaps(node, k + 1, last);
    if (matched || k == 0) return matched;
    matched = checkAfter(node, k - 1, SideBoundaryBandSize);
    if (!matched) matched = checkBefore(node, k, SideBoundaryBandSize);
    if (matched) {
        rearrangeMarker().setInfo(InfoBetween);
        rearrangeMarker().setIndex(k);
    }
    return matched;
}

MindMapNode* StrictRearrangeHitTester::checkManualRearrange(MindMapNode* root, MindMapNode* draggedNode)
{
    MindMapNode* parent = draggedNode ? draggedNode->parent() : nullptr;
    if (!parent || parent != layoutRoot() || parent->layoutDirection() != LayoutDirectionManual) return nullptr;
    // Only from the topic that owns the direction, or from below it.
    if (!root || parent->isValidParentNode(root)) return nullptr;
    const Rect b = parent->bounds();
    RearrangeMarker& marker = rearrangeMarker();
    marker.setRefNode(parent);
    marker.setHorizontal(!_vertical);
    // Side by side, the bands lie beside the parent; stacked, inside its bounds, where its upper
    // half takes the drag of a higher topic.
    const bool upperOrRight = _vertical ? parent->location().y >= draggedNode->location().y
                                        : draggedNode->location().x > parent->location().x;
    if (upperOrRight) {
        marker.setBounds(_vertical ? Rect{b.minX(), b.minY(), b.width(), ManualBandSize}
                                   : Rect{b.maxX(), b.minY(), ManualBandSize, b.height()});
        marker.setInfo(InfoManualUpperOrRight);
        marker.setIndex(0);
    } else {
        marker.setBounds(_vertical ? Rect{b.minX(), b.maxY() - ManualBandSize, b.width(), ManualBandSize}
                                   : Rect{b.minX() - ManualBandSize, b.minY(), ManualBandSize, b.height()});
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
