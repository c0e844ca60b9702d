#include "render/MindMapPainter.h"

#include "MindMaps/ColorUtils.h"
#include "MindMaps/ContainedElement.h"
#include "MindMaps/CrossLink.h"
#include "MindMaps/LayoutModes.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapElement.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapNodeEditor.h"
#include "MindMaps/MindMapStyle.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/ParentRelation.h"
#include "MindMaps/RelationPath.h"
#include "MindMaps/RelationStyle.h"
#include "MindMaps/TextStyle.h"
#include "Utils/GeometryHelpers.h"
#include "render/EditorOverlayPainter.h"
#include "render/LinePaintParams.h"

#include <algorithm>
#include <cmath>

namespace {

// How far a relation's repaint area reaches beyond its end points, and the square kept round its
// lead-in and lead-out points.
constexpr double RelationClipMargin = 10.0;
constexpr double LeadClipSquare = 20.0;

constexpr double FlattenedCurveFlatness = 2.0;
constexpr double FineCurveFlatness = 0.9;

constexpr double MinSelectionHighlightWidth = 12.0;
constexpr double SelectionHighlightExtra = 6.0;

// Arrows are drawn for lines of the solid style's default width and grow a quarter as fast as
// wider lines do.
constexpr double ArrowReferenceLineWidth = 3.0;
constexpr double ArrowLength = 7.0;
constexpr double ArrowHalfWidth = 5.0;
constexpr double ArrowCircleRadius = 5.0;
constexpr double EnlargedArrowFactor = 1.2;
constexpr double BarArrowWidthFactor = 1.5;

// A hidden target's arrow ends this far inside its unhide marker.
constexpr double UnhideMarkerArrowInset = 3.0;

constexpr double AnchorLineDash = 3.06;
constexpr double AnchorLineWidth = 1.0;
constexpr double ToolRelationWidth = 1.5;

// Guide lines keep their on-screen width down to this zoom; further out they thin with the map.
constexpr double MinGuideLineScale = 0.01;
constexpr double GuideLineUnderlayWidth = 5.0;
constexpr double GuideLineDashOn = 5.0;
constexpr double GuideLineDashOff = 1.5;

constexpr int32_t BaselineConnectionStyle = 1;

StrokeStyle dashedStroke(const Color& color, std::vector<double> dash)
{
    StrokeStyle style = StrokeStyle::solid(color);
    style.dash = std::move(dash);
    return style;
}

bool isFinite(Point p)
{
    return std::isfinite(p.x) && std::isfinite(p.y);
}

// Geometry that cannot be drawn: a crafted file may carry it, and cairo must never see it.
bool hasDrawableGeometry(const RelationPath& path)
{
    return isFinite(path.p0) && isFinite(path.p1) && isFinite(path.p2) && isFinite(path.p3) &&
        (!path.hasLeadIn || isFinite(path.leadInPoint())) && (!path.hasLeadOut || isFinite(path.leadOutPoint()));
}

Rect squareAround(Point center, double side)
{
    return {center.x - side / 2, center.y - side / 2, side, side};
}

// Calls visit for each child of every expanded topic of the branch, depth first and in order;
// visit answers whether to go on into the child. The branch is walked with a stack of its own:
// documents may nest topics deeper than the call stack reaches.
template <class Visit> void walkExpandedBranch(MindMapNode& root, Visit visit)
{
    std::vector<std::pair<MindMapNode*, size_t>> stack; // a topic and the index of its next child
    if (!root.collapsed()) stack.emplace_back(&root, 0);
    while (!stack.empty()) {
        auto& [node, next] = stack.back();
        if (next == node->childCount()) {
            stack.pop_back();
            continue;
        }
        MindMapNode& child = *node->childAtIndex(next++);
        if (visit(child) && !child.collapsed()) stack.emplace_back(&child, 0);
    }
}

// The path a relation is drawn along. A line never routed is drawn as the straight line between
// its topics, as the relation measures and hit-tests it; the relation's own path is left as it is.
RelationPath& pathToDraw(MindMapRelation& relation, RelationPath& straight)
{
    RelationPath& routed = relation.relationPath();
    if (!routed.isNull()) return routed;
    straight = routed;
    straight.setStraightLine(relation.sourceNode()->location(), relation.targetNode()->location());
    return straight;
}

Rect clipAreaOfPath(const RelationPath& path, const MindMapRelation& relation)
{
    Rect area = insetRect(path.bounds(), -RelationClipMargin, -RelationClipMargin);
    if (path.hasLeadIn) area = unionRect(area, squareAround(path.leadInPoint(), LeadClipSquare));
    if (path.hasLeadOut) area = unionRect(area, squareAround(path.leadOutPoint(), LeadClipSquare));
    return relation.unionCustomRelationPath(area);
}

} // namespace

void MindMapPainter::paintParentRelations(MindMapNode& root)
{
    auto enter = [this](MindMapNode& node) {
        if (!node.collapsed() && node.layoutMode() == LayoutModeTopDown) paintTopDownConnector(node);
    };
    if (!branchMeetsClip(root)) return;
    enter(root);
    walkExpandedBranch(root, [&](MindMapNode& child) {
        if (!branchMeetsClip(child)) return false;
        ParentRelation* relation = child.parentRelation();
        paintRelation(*relation);
        if (child.isHidden() && !child.isSelected() && !relation->isSelected() && !_reducedPainting &&
            meetsClip(child.getUnhideMarkerBounds())) {
            paintUnhideMarker(child, _searching || (_autoFocus && !child.isAutoFocused()));
        }
        if (!child.isVisible()) return false;
        enter(child);
        return true;
    });
}

void MindMapPainter::paintCrossLink(CrossLink& link)
{
    paintRelation(link);
}

std::optional<Rect> MindMapPainter::relationClipArea(MindMapRelation& relation)
{
    if (!relation.isVisible() || !relation.isValid()) return std::nullopt;
    RelationPath straight;
    const RelationPath& path = pathToDraw(relation, straight);
    if (!hasDrawableGeometry(path)) return std::nullopt;
    return clipAreaOfPath(path, relation);
}

void MindMapPainter::paintRelation(MindMapRelation& relation)
{
    if (!relation.isVisible() || !relation.isValid()) return;
    MindMapNode* source = relation.sourceNode();
    MindMapNode* target = relation.targetNode();
    RelationPath straight;
    RelationPath& path = pathToDraw(relation, straight);
    if (!hasDrawableGeometry(path)) return;
    if (_useClipRect && !meetsClip(clipAreaOfPath(path, relation))) return;
    if (_reducedPainting) {
        paintReducedRelation(relation, path, !target->isHidden() && path.hasLeadOut);
        return;
    }

    // Relations never match a search: while searching every line is dimmed.
    const bool dimmed = _searching || (_autoFocus && !relation.isAutoFocused());
    LinePaintParams& params = *_linePaintParams;
    params.setStyle(*relation.style(), target, dimmed, path.leadOutWidth());

    double flatness = params.useFlatten() ? FlattenedCurveFlatness : FineCurveFlatness;
    if (_simplifyLines && _designing) flatness = FlattenedCurveFlatness;
    // The flatness only decides how the path is built. Setting it on the context would need a
    // save and restore around the stroke, and the shadow lifted for a double line's inner line
    // must not be nested inside one: its group belongs to the whole pass.
    BezierPath line;
    path.applyToPath(line, flatness);

    if (_designing && relation.isSelected()) {
        BezierPath highlight = line;
        highlight.setLineWidth(std::max(MinSelectionHighlightWidth, params.lineWidth() + SelectionHighlightExtra));
        _context.strokePath(highlight, StrokeStyle::solid(_lineSelectionColor));
    }

    const bool drawLeadOut = !target->isHidden() && path.hasLeadOut;
    if (relation.isTapered()) {
        params.strokePath(line, path.pathShouldBeFilled());
        if (drawLeadOut) {
            BezierPath leadOut;
            leadOut.moveTo(line.currentPoint());
            leadOut.lineTo(path.leadOutPoint());
            leadOut.setLineWidth(sanitizedLineWidth(path.leadOutWidth(), params.lineWidth()));
            _context.strokePath(leadOut, StrokeStyle::solid(params.strokeColor()));
        }
    } else {
        if (drawLeadOut) line.lineTo(path.leadOutPoint());
        params.strokePath(line, path.pathShouldBeFilled());
    }

    if (_thumbnailPainting) return;
    const double lineScale = params.lineWidth() / ArrowReferenceLineWidth;
    const RelationStyle& style = *relation.style();
    if (int32_t arrow = style.sourceArrowStyle(); arrow != 0) {
        paintArrow(path.calcSourceArrowPosition(source->bounds()), arrow, params.strokeColor(), lineScale);
    }
    if (int32_t arrow = style.targetArrowStyle(); arrow != 0) {
        const Rect targetRect = target->isHidden()
            ? insetRect(target->getUnhideMarkerBounds(), UnhideMarkerArrowInset, UnhideMarkerArrowInset)
            : target->bounds();
        paintArrow(path.calcTargetArrowPosition(targetRect), arrow, params.strokeColor(), lineScale);
    }
}

void MindMapPainter::paintTopDownConnector(MindMapNode& node)
{
    // A topic given the top-down mode before it has children has nothing to connect.
    if (node.childCount() == 0) return;
    MindMapNode* parent = node.parent();
    const RelationStyle* style =
        parent ? node.parentRelation()->style() : _mindMap->style()->parentRelationStyle().get();
    if (!style) return;

    bool dimmed = _searching;
    if (!dimmed && _autoFocus) {
        const auto& children = node.children();
        dimmed = !node.isAutoFocused() ||
            std::any_of(children.begin(), children.end(), [](MindMapNode* c) { return !c->isAutoFocused(); });
    }
    LinePaintParams& params = *_linePaintParams;
    params.setStyle(*style, &node, dimmed, style->lineWidth());
    const double halfWidth = params.lineWidth() / 2;

    const bool upwards = IsTopDirection(node.layoutDirection());
    Point start = node.location();
    if (_mindMap->style()->connectionStyle() == BaselineConnectionStyle && parent && !upwards) {
        start = node.parentRelation()->relationPath().leadOutPoint();
        start.y -= halfWidth;
    }
    const double stemEnd = node.childAtIndex(0)->parentRelation()->relationPath().p0.y;
    const double barY = stemEnd + (upwards ? -halfWidth : halfWidth);
    double minX = start.x;
    double maxX = start.x;
    for (MindMapNode* child : node.children()) {
        minX = std::min(minX, child->location().x);
        maxX = std::max(maxX, child->location().x);
    }
    minX = std::min(minX, start.x - halfWidth);
    maxX = std::max(maxX, start.x + halfWidth);
    if (!isFinite(start) || !std::isfinite(barY) || !std::isfinite(minX) || !std::isfinite(maxX)) return;

    BezierPath connector;
    connector.moveTo(start);
    connector.lineTo({start.x, stemEnd});
    connector.moveTo({minX, barY});
    connector.lineTo({maxX, barY});
    if (!meetsClip(insetRect(connector.controlPointBounds(), -halfWidth, -halfWidth))) return;
    params.strokePath(connector, false);
}

void MindMapPainter::paintElementsContainedByParentRelations(MindMapNode& root)
{
    if (!branchMeetsClip(root)) return;
    walkExpandedBranch(root, [this](MindMapNode& child) {
        if (!child.isVisible() || !branchMeetsClip(child)) return false;
        if (child.parentRelation()->hasContainedElements()) paintContainedElements(*child.parentRelation());
        return true;
    });
}

void MindMapPainter::paintArrow(const ArrowPosition& position, int32_t arrowStyle, const Color& arrowColor,
                                double lineScale)
{
    if (arrowStyle < 1 || arrowStyle > 8) return;
    const Point tip = position.position;
    const double length = vectorLength(position.direction);
    if (!(length > 0) || !std::isfinite(length) || !isFinite(tip) || !std::isfinite(lineScale)) return;
    const Point u = pointScale(position.direction, 1 / length);

    const double growth = lineScale > 1 ? 1 + (lineScale - 1) * 0.25 : 1;
    const double width = lineScale > 1 ? 2 * ((growth - 1) * 0.125 + 1) : 2.0;
    const bool enlarged = arrowStyle == 2 || arrowStyle == 8;
    const double k = enlarged ? growth * EnlargedArrowFactor : growth;
    const Point base = pointSubtract(tip, pointScale(u, ArrowLength * k));

    BezierPath arrow;
    arrow.setLineWidth(width);
    if (arrowStyle == 5 || arrowStyle == 6) {
        const double radius = ArrowCircleRadius * k * (arrowStyle == 6 ? EnlargedArrowFactor : 1);
        arrow.appendOval({base.x - radius, base.y - radius, 2 * radius, 2 * radius});
        if (arrowStyle == 6) {
            _context.fillPath(arrow, arrowColor);
        } else {
            _context.fillPath(arrow, _backgroundColor);
            _context.strokePath(arrow, StrokeStyle::solid(arrowColor));
        }
        return;
    }

    Point side = pointScale(Point{-u.y, u.x}, ArrowHalfWidth * k);
    if (arrowStyle == 4) side = pointScale(side, BarArrowWidthFactor);
    arrow.moveTo(pointAdd(base, side));
    if (arrowStyle != 4) arrow.lineTo(tip);
    arrow.lineTo(pointSubtract(base, side));
    if (arrowStyle == 7 || arrowStyle == 8) arrow.lineTo(pointSubtract(base, pointScale(u, ArrowLength * k)));
    switch (arrowStyle) {
    case 1:
    case 4:
        _context.strokePath(arrow, StrokeStyle::solid(arrowColor));
        break;
    case 2:
    case 8:
        arrow.closePath();
        _context.fillPath(arrow, arrowColor);
        break;
    default:
        arrow.closePath();
        _context.fillPath(arrow, _backgroundColor);
        _context.strokePath(arrow, StrokeStyle::solid(arrowColor));
        break;
    }
}

void MindMapPainter::paintAnchorLines()
{
    if (!_showAnchors) return;
    BezierPath lines;
    for (MindMapElement* element : _mindMap->selectionWithMask(ElementTypeImage | ElementTypeText)) {
        if (auto* text = dynamic_cast<MindMapText*>(element); text && text->style()->callOut() != 0) continue;
        auto* contained = dynamic_cast<ContainedElement*>(element);
        if (!contained || !contained->container()) continue;
        const Point from = contained->location();
        const Point to = contained->container()->location();
        if (!isFinite(from) || !isFinite(to)) continue;
        lines.moveTo(from);
        lines.lineTo(to);
    }
    if (lines.isEmpty()) return;
    lines.setLineWidth(AnchorLineWidth);
    _context.strokePath(lines, dashedStroke(_toolStrokeColor, {AnchorLineDash, AnchorLineDash}));
}

void MindMapPainter::paintNodeToolRelations()
{
    EditorOverlayPainter(*this).paintNodeToolRelations();
}

void MindMapPainter::paintToolRelation(Point from, Point to)
{
    if (!isFinite(from) || !isFinite(to)) return;
    BezierPath line;
    line.moveTo(from);
    line.lineTo(to);
    line.setLineWidth(ToolRelationWidth);
    _context.strokePath(line, StrokeStyle::solid(normalizedDarkGrayColor()));
}

void MindMapPainter::paintSnapGuideLines()
{
    if (!_designing || !_mindMap->nodeEditor()) return;
    paintGuideLines(_mindMap->nodeEditor()->snapGuideLines());
}

void MindMapPainter::paintGuideLines(const std::vector<std::pair<Point, Point>>& guideLines)
{
    BezierPath lines;
    for (const auto& [anchor, endPoint] : guideLines) {
        if (!isFinite(anchor) || !isFinite(endPoint)) continue;
        lines.moveTo(endPoint);
        lines.lineTo(anchor);
    }
    if (lines.isEmpty()) return;
    const double scale = std::isfinite(_scaleFactor) ? std::clamp(_scaleFactor, MinGuideLineScale, 1.0) : 1.0;
    const double unit = 1 / scale;
    lines.setLineWidth(GuideLineUnderlayWidth * unit);
    _context.strokePath(lines, StrokeStyle::solid(_backgroundColor));
    lines.setLineWidth(unit);
    const Color color = _darkBackground ? materialLightBlueA200() : materialBlue900();
    _context.strokePath(lines, dashedStroke(color, {GuideLineDashOn * unit, GuideLineDashOff * unit}));
}
