#include "render/MapHullBuilder.h"

#include "render/BranchBounds.h"

#include "MindMaps/ColorUtils.h"
#include "MindMaps/ContainedElement.h"
#include "MindMaps/LayoutModes.h"
#include "MindMaps/MMColorScheme.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapStyle.h"
#include "MindMaps/NodeHullStyle.h"
#include "MindMaps/ParentRelation.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

// Below this background luminance hulls lighten the background instead of darkening it.
constexpr double DarkBackgroundLuminance = 0.2;
constexpr double LightLevelFactor = 0.95;
constexpr double DarkLevelFactor = 0.9;

} // namespace

Rect MapHull::bounds() const
{
    if (_points.empty()) return Rect();
    int64_t minX = _points[0].x(), maxX = minX, minY = _points[0].y(), maxY = minY;
    for (const GrahamPoint& p : _points) {
        minX = std::min(minX, p.x());
        maxX = std::max(maxX, p.x());
        minY = std::min(minY, p.y());
        maxY = std::max(maxY, p.y());
    }
    return {double(minX), double(minY), double(maxX - minX), double(maxY - minY)};
}

const std::vector<MapHull>& MapHullBuilder::buildHullsForMindMap(MindMap& mindMap, const std::optional<Rect>& clip,
                                                                 const BranchBounds* branchBounds)
{
    _clip = clip;
    _branchBounds = branchBounds;
    _backgroundColor = mindMap.style()->backgroundColor();
    _backgroundLuminance = HSLTransformer::colorToLuminance(_backgroundColor);
    _hullStack.clear();
    _scannerStack.clear();
    for (MindMapNode* theme : mindMap.centralThemes()) buildHullsForBranch(*theme, std::nullopt);
    _scannerStack.clear();
    return _hullStack;
}

void MapHullBuilder::buildHullsForBranch(MindMapNode& branch, std::optional<Color> currentColor)
{
    // The branch is walked with a stack of its own, as documents may nest topics deeper than the
    // call stack reaches. A frame is a topic, the index of its next child and the colour its
    // children inherit.
    struct Frame {
        MindMapNode* node;
        size_t next;
        std::optional<Color> color;
    };
    std::vector<Frame> stack;
    auto enter = [&](MindMapNode& node, std::optional<Color> color) {
        if (!node.isVisible()) return;
        if (_clip && !currentGrahamScan()) {
            if (node.showHull() && !branchHullMayMeetClip(node)) return;
            // Topics outside every hull only take the colour of no hull; those out of the clip
            // are not painted.
            if (_branchBounds && !_branchBounds->branchMayMeet(node, *_clip)) return;
        }
        if (node.showHull()) {
            _scannerStack.push_back(std::make_unique<GrahamScan>());
            color = hullColor(node);
        }
        node.setHullColor(color);
        if (GrahamScan* scan = currentGrahamScan()) {
            scan->addInputRect(node.bounds());
            if (node.hasContainedElements()) {
                for (ContainedElement* element : node.containedElements()) scan->addInputRect(element->bounds());
            }
        }
        stack.push_back({&node, 0, color});
    };

    enter(branch, currentColor);
    while (!stack.empty()) {
        Frame& frame = stack.back();
        MindMapNode& node = *frame.node;
        if (!node.collapsed() && frame.next < node.childCount()) {
            MindMapNode& child = *node.childAtIndex(frame.next++);
            const std::optional<Color> color = frame.color;
            if (GrahamScan* scan = currentGrahamScan()) {
                const RelationPath& path = child.parentRelation()->relationPath();
                if (child.isVisible() && child.parentRelation()->hasContainedElements()) {
                    for (ContainedElement* element : child.parentRelation()->containedElements())
                        scan->addInputRect(element->bounds());
                }
                if (child.isHidden()) scan->addInputPoint(path.endPoint());
                if (hangsFromRelationStart(child)) scan->addInputPoint(path.p0);
            }
            enter(child, color);
            continue;
        }
        stack.pop_back();
        if (node.showHull()) finishHull(node);
    }
}

bool MapHullBuilder::branchHullMayMeetClip(const MindMapNode& branch) const
{
    return intersectsRect(branchHullReach(branch), *_clip);
}

void HullReachPart::add(Point p)
{
    // As the scan takes coordinates: not a number as 0, far ones held in range.
    const double limit = double(GrahamPoint::MaxCoordinate);
    const double x = std::isnan(p.x) ? 0 : std::clamp(p.x, -limit, limit);
    const double y = std::isnan(p.y) ? 0 : std::clamp(p.y, -limit, limit);
    minX = std::min(minX, x), maxX = std::max(maxX, x);
    minY = std::min(minY, y), maxY = std::max(maxY, y);
}

void HullReachPart::add(const Rect& r)
{
    add(r.origin);
    add(Point{r.maxX(), r.maxY()});
}

bool MapHullBuilder::hangsFromRelationStart(const MindMapNode& node)
{
    const int32_t mode = node.effectiveLayoutMode();
    return mode == LayoutModeList || mode == LayoutModeTopDown;
}

Rect MapHullBuilder::hullReach(const HullReachPart& part)
{
    // Each hull grows its input by the margin and hands its outline, grown once more, to the hull
    // round it; rounding to whole points adds at most half a point a level.
    const double reach = (GrahamScan::InputMargin + 0.5) * (part.nestedHulls + 1) + MapHull::DefaultStrokeWidth + 1;
    return {part.minX - reach, part.minY - reach, part.maxX - part.minX + 2 * reach, part.maxY - part.minY + 2 * reach};
}

Rect MapHullBuilder::branchHullReach(const MindMapNode& branch)
{
    // From the leaves up, with a stack of its own: documents may nest deeper than the call stack
    // reaches. Each part waits in the table until its parent has taken it.
    std::unordered_map<const MindMapNode*, HullReachPart> parts;
    auto childPart = [&parts](const MindMapNode& child) -> const HullReachPart& { return parts[&child]; };
    std::vector<std::pair<const MindMapNode*, bool>> stack{{&branch, false}}; // and whether its children are done
    while (!stack.empty()) {
        auto [node, childrenDone] = stack.back();
        if (!childrenDone) {
            stack.back().second = true;
            if (!node->collapsed()) {
                for (const MindMapNode* child : node->children())
                    if (child->isVisible()) stack.emplace_back(child, false);
            }
            continue;
        }
        stack.pop_back();
        HullReachPart part = branchHullPart(*node, childPart);
        if (!node->collapsed())
            for (const MindMapNode* child : node->children()) parts.erase(child);
        parts[node] = part;
    }
    return hullReach(parts[&branch]);
}

void MapHullBuilder::finishHull(MindMapNode& node)
{
    MapHull hull;
    hull.copyPoints(currentGrahamScan()->calcHull());
    hull.setFillColor(node.hullColor());
    if (node.hullColor()) hull.setStrokeColor(MMColorScheme::getReducedLuminanceStrokeColor(*node.hullColor()));
    _scannerStack.pop_back();
    if (GrahamScan* outer = currentGrahamScan()) {
        for (const GrahamPoint& p : hull.points()) outer->addInputX(double(p.x()), double(p.y()));
    }
    _hullStack.push_back(std::move(hull));
}

Color MapHullBuilder::hullColor(const MindMapNode& node) const
{
    const NodeHullStyle* style = node.hullStyle();
    if (style && style->customColor() && style->fillColor()) return *style->fillColor();
    return calcHullColor(node.fillColor(), node.hullLevel());
}

Color MapHullBuilder::calcHullColor(const Color& color, int64_t level) const
{
    const Color base = color.isNormalizedClearColor() ? _backgroundColor : color;
    std::array<double, 3> hsl{};
    HSLTransformer::colorToHSL(base, hsl);
    const double b = _backgroundLuminance;
    const double levels = double(std::max<int64_t>(level, 1));
    if (b >= DarkBackgroundLuminance) {
        hsl[2] = b * std::pow(LightLevelFactor, levels);
    } else {
        hsl[2] = b + (1 - std::pow(DarkLevelFactor, levels)) * 0.9 * (1 - b) + 0.1 * (1 - b);
    }
    return HSLTransformer::hslToColor(hsl);
}
