#include "render/BranchBounds.h"

#include "MindMaps/LayoutModes.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapStyle.h"
#include "MindMaps/ParentRelation.h"
#include "MindMaps/RelationPath.h"
#include "MindMaps/RelationStyle.h"
#include "render/LinePaintParams.h"
#include "render/MapHullBuilder.h"
#include "render/MindMapPainter.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <utility>
#include <vector>

namespace {

// Thumbnails draw every line at least this wide.
constexpr double ForcedLineWidth = 4.5;

bool isFinite(const Rect& r)
{
    return std::isfinite(r.minX()) && std::isfinite(r.minY()) && std::isfinite(r.width()) && std::isfinite(r.height());
}

} // namespace

void BranchBounds::Area::add(const Rect& other)
{
    if (!isFinite(other)) {
        unbounded = true;
        return;
    }
    rect = empty ? other : unionRect(rect, other);
    empty = false;
}

void BranchBounds::Area::add(const Area& other)
{
    unbounded = unbounded || other.unbounded;
    if (!other.empty) add(other.rect);
}

void BranchBounds::update(MindMap& mindMap)
{
    if (!_measures) return;
    if (!_stale && _mindMap == &mindMap && _contentGeneration == mindMap.contentGeneration() &&
        _changeCount == mindMap.changeCount() && _nodeCount == mindMap.nodes().size())
        return;
    measure(mindMap);
}

bool BranchBounds::branchMayMeet(const MindMapNode& node, const Rect& rect) const
{
    const auto found = _areas.find(&node);
    if (found == _areas.end()) return true;
    const Area& area = found->second;
    if (area.unbounded) return true;
    return !area.empty && intersectsRect(area.rect, rect);
}

BranchBounds::Area BranchBounds::ownArea(MindMap& mindMap, MindMapNode& node, const HullReachPart& hullPart) const
{
    Area area;
    area.add(MindMapPainter::nodeClipArea(node));
    if (ParentRelation* relation = node.parentRelation(); relation && node.parent()) {
        if (const std::optional<Rect> line = MindMapPainter::relationClipArea(*relation)) area.add(*line);
        if (relation->hasContainedElements()) area.add(relation->unionContainedElementBounds(Rect()));
    }
    if (node.isHidden()) area.add(node.getUnhideMarkerBounds());
    if (node.showHull()) area.add(MapHullBuilder::hullReach(hullPart));

    // The top-down connector: from the topic (or the end of its line) down to the bar over its
    // children, as wide as the widest line it may be drawn with.
    if (node.layoutMode() == LayoutModeTopDown && node.childCount() > 0) {
        const RelationStyle* style =
            node.parent() ? node.parentRelation()->style() : mindMap.style()->parentRelationStyle().get();
        if (style) {
            const double width =
                std::max(sanitizedLineWidth(style->lineWidth(), RelationStyle::defaultLineWidth(style->lineStyle())),
                         ForcedLineWidth);
            const Point location = node.location();
            double minX = location.x, maxX = location.x, minY = location.y, maxY = location.y;
            auto add = [&](Point p) {
                minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
                minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
            };
            if (node.parent()) add(node.parentRelation()->relationPath().leadOutPoint());
            add({location.x, node.childAtIndex(0)->parentRelation()->relationPath().p0.y});
            for (const MindMapNode* child : node.children()) add({child->location().x, location.y});
            area.add(insetRect(Rect(minX, minY, maxX - minX, maxY - minY), -width, -width));
        }
    }
    return area;
}

void BranchBounds::measure(MindMap& mindMap)
{
    // Children before their parents, so that each branch's area takes its children's whole. A
    // stack of its own: documents may nest deeper than the call stack reaches. What a finished
    // branch leaves for its parent (its area and its hull's reach) waits on a second stack, where
    // a topic's children lie last to first on top: hulls nested in hulls never walk a branch
    // twice, and nothing is looked up by topic.
    struct Finished {
        Area area;
        HullReachPart hullPart;
    };
    std::vector<Finished> finished;
    std::vector<std::pair<MindMapNode*, bool>> stack; // a topic, and whether its children are done
    for (MindMapNode* theme : mindMap.centralThemes()) stack.emplace_back(theme, false);
    // Kept from the last measurement: a topic measured again overwrites its entry in place, and
    // only topics gone since are taken out.
    ++_generation;
    size_t measured = 0;
    while (!stack.empty()) {
        auto [node, childrenDone] = stack.back();
        if (!childrenDone) {
            stack.back().second = true;
            for (MindMapNode* child : node->children()) stack.emplace_back(child, false);
            continue;
        }
        stack.pop_back();
        const std::vector<MindMapNode*>& children = node->children();
        const size_t base = finished.size() - children.size();
        const auto childAt = [&](size_t index) -> const Finished& {
            return finished[base + children.size() - 1 - index];
        };
        // The hull's reach asks for the topic's visible children in their order, so each is found
        // at or after the last; a child asked for again or out of order is looked for from the
        // start, and a topic that is not a child gives nothing.
        size_t cursor = 0;
        const auto childPart = [&](const MindMapNode& child) -> const HullReachPart& {
            static const HullReachPart nothing;
            while (cursor < children.size() && children[cursor] != &child) ++cursor;
            if (cursor == children.size())
                cursor = size_t(std::find(children.begin(), children.end(), &child) - children.begin());
            if (cursor == children.size()) {
                cursor = 0;
                return nothing;
            }
            return childAt(cursor).hullPart;
        };
        Finished done{Area(), MapHullBuilder::branchHullPart(*node, childPart)};
        done.area = ownArea(mindMap, *node, done.hullPart);
        for (size_t index = 0; index < children.size(); ++index) done.area.add(childAt(index).area);
        finished.resize(base);
        Area& kept = _areas[node];
        kept = done.area;
        kept.generation = _generation;
        finished.push_back(std::move(done));
        ++measured;
    }
    if (_areas.size() != measured)
        for (auto it = _areas.begin(); it != _areas.end();)
            it = it->second.generation == _generation ? std::next(it) : _areas.erase(it);
    _mindMap = &mindMap;
    _contentGeneration = mindMap.contentGeneration();
    _changeCount = mindMap.changeCount();
    _nodeCount = mindMap.nodes().size();
    _stale = false;
    ++_measurements;
}
