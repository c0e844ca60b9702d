#include "render/EditorOverlayPainter.h"

#include "MindMaps/ColorUtils.h"
#include "MindMaps/CrossLink.h"
#include "MindMaps/ElementTools.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapNodeEditor.h"
#include "MindMaps/MindMapRelation.h"
#include "MindMaps/RearrangeMarker.h"
#include "Utils/BezierPathShapes.h"
#include "platform/BezierPath.h"
#include "render/MindMapPainter.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double R = NodeToolRadius;
// The rubber band's halo and dashes, in on-screen points.
constexpr double SelectorHaloWidth = 5.0;
constexpr double SelectorDashOn = 5.0;
constexpr double SelectorDashOff = 1.5;
// The resize and rotate symbols sit inside the handle by this much.
constexpr double SymbolInset = 3.0;
constexpr double ResizeDiagonalWidth = 3.0;

bool isFinite(const Rect& r)
{
    return std::isfinite(r.minX()) && std::isfinite(r.minY()) && std::isfinite(r.width()) && std::isfinite(r.height());
}

Rect squareAround(Point centre, double halfSide)
{
    return Rect(centre.x - halfSide, centre.y - halfSide, 2 * halfSide, 2 * halfSide);
}

void line(BezierPath& path, Point from, Point to)
{
    path.moveTo(from);
    path.lineTo(to);
}

void polygon(BezierPath& path, std::initializer_list<Point> points, bool close)
{
    bool first = true;
    for (Point p : points) {
        first ? path.moveTo(p) : path.lineTo(p);
        first = false;
    }
    if (close) path.closePath();
}

void circle(BezierPath& path, Point centre, double radius)
{
    path.appendOval(squareAround(centre, radius));
}

// Whether the handle on the element stands for a hidden topic: the selected topic itself, or the
// topic of a selected parent relation.
bool hidesHiddenTopic(MindMapElement* element)
{
    if (!element) return false;
    if (element->elementType() == ElementTypeNode) return static_cast<MindMapNode*>(element)->isHidden();
    if (element->elementType() == ElementTypeParentRelation) {
        MindMapNode* target = static_cast<MindMapRelation*>(element)->targetNode();
        return target && target->isHidden();
    }
    return false;
}

} // namespace

BezierPath EditorOverlayPainter::rearrangeMarkerPath(int32_t info, bool horizontal, Rect b)
{
    BezierPath path;
    if (!horizontal && b.height() < MarkerMinimumStandingHeight) {
        b.origin.y -= (MarkerMinimumStandingHeight - b.height()) / 2;
        b.size.height = MarkerMinimumStandingHeight;
    }
    const double x = b.minX(), y = b.minY(), maxX = b.maxX(), maxY = b.maxY(), midX = b.midX(), midY = b.midY();
    switch (info) {
    case 0:
        if (!horizontal) {
            circle(path, {midX, y + 5}, 5);
            circle(path, {midX, maxY - 5}, 5);
            line(path, {midX, y + 10}, {midX, maxY - 10});
        } else {
            circle(path, {x + 5, midY}, 5);
            circle(path, {maxX - 5, midY}, 5);
            line(path, {x + 10, midY}, {maxX - 10, midY});
        }
        break;
    case 1:
    case 2:
        if (!horizontal)
            polygon(path,
                    {{maxX, maxY - 10},
                     {maxX - 8.65, maxY - 5},
                     {maxX, maxY},
                     {maxX, y},
                     {maxX - 8.65, y + 5},
                     {maxX, y + 10}},
                    false);
        else
            polygon(path,
                    {{x + 10, maxY},
                     {x + 5, maxY - 8.65},
                     {x, maxY},
                     {maxX, maxY},
                     {maxX - 5, maxY - 8.65},
                     {maxX - 10, maxY}},
                    false);
        break;
    case 3:
    case 4:
        if (!horizontal)
            polygon(path, {{x, y + 10}, {x + 8.65, y + 5}, {x, y}, {x, maxY}, {x + 8.65, maxY - 5}, {x, maxY - 10}},
                    false);
        else
            polygon(path, {{x + 10, y}, {x + 5, y + 8.65}, {x, y}, {maxX, y}, {maxX - 5, y + 8.65}, {maxX - 10, y}},
                    false);
        break;
    case 5:
        if (!horizontal) polygon(path, {{midX - 20, maxY}, {midX, maxY + 20}, {midX + 20, maxY}}, true);
        else polygon(path, {{maxX, midY - 20}, {maxX - 20, midY}, {maxX, midY + 20}}, true);
        break;
    case 6:
        if (!horizontal) polygon(path, {{midX - 20, y}, {midX, y - 20}, {midX + 20, y}}, true);
        else polygon(path, {{x, midY - 20}, {x + 20, midY}, {x, midY + 20}}, true);
        break;
    default:
        break;
    }
    return path;
}

void EditorOverlayPainter::paintOverlays()
{
    paintRearrangeMarker();
    paintNodeTools();
    paintDragSelector();
}

void EditorOverlayPainter::paintRearrangeMarker()
{
    const RearrangeMarker* marker = _painter.mindMap().rearrangeMarker();
    if (!marker || !marker->visible() || !isFinite(marker->bounds())) return;
    BezierPath path = rearrangeMarkerPath(marker->info(), marker->horizontal(), marker->bounds());
    if (path.isEmpty()) return;
    path.setLineWidth(MarkerLineWidth);
    _painter.context().strokePath(path, StrokeStyle::solid(rearrangeMarkerColor()));
}

void EditorOverlayPainter::paintDragSelector()
{
    const MindMapNodeEditor* editor = _painter.mindMap().nodeEditor();
    if (!editor) return;
    std::optional<BezierPath> path = editor->buildDragSelectorPath();
    if (!path || path->isEmpty()) return;
    const double scale = _painter.scaleFactor();
    const double u = 1.0 / std::max(std::isfinite(scale) ? scale : 1.0, MinimumSelectorScale);
    path->setLineWidth(SelectorHaloWidth * u);
    _painter.context().strokePath(*path, StrokeStyle::solid(_painter.backgroundColor()));
    path->setLineWidth(u);
    StrokeStyle dashed = StrokeStyle::solid(_painter.darkBackground() ? materialLightBlueA200() : materialBlue900());
    dashed.dash = {SelectorDashOn * u, SelectorDashOff * u};
    _painter.context().strokePath(*path, dashed);
}

const ElementTools* EditorOverlayPainter::visibleTools(MindMapElement** element) const
{
    const MindMapNodeEditor* editor = _painter.mindMap().nodeEditor();
    const ElementTools* tools = editor ? editor->elementTools() : nullptr;
    if (!tools || !tools->visible()) return nullptr;
    MindMapElement* selected = _painter.mindMap().selectedElement();
    if (!selected || selected->isEditing()) return nullptr;
    *element = selected;
    return tools;
}

void EditorOverlayPainter::fillHandle(const BezierPath& shape, const Rect& square)
{
    GraphicsContext& context = _painter.context();
    // Light at the top, darkening to the middle and staying dark below.
    context.fillPathWithLinearGradient(shape, _painter.toolsGradient(), {square.midX(), square.minY()},
                                       {square.midX(), square.maxY()});
    BezierPath outline = shape;
    outline.setLineWidth(HandleStrokeWidth);
    context.strokePath(outline, StrokeStyle::solid(_painter.toolStrokeColor()));
}

void EditorOverlayPainter::strokeSymbol(const BezierPath& symbol, double width)
{
    BezierPath path = symbol;
    path.setLineWidth(width);
    _painter.context().strokePath(path, StrokeStyle::solid(_painter.toolTextColor()));
}

void EditorOverlayPainter::fillSymbol(const BezierPath& symbol)
{
    _painter.context().fillPath(symbol, _painter.toolTextColor());
}

Rect EditorOverlayPainter::paintNodeToolCircleAt(Point centre, double radius)
{
    const Rect square = squareAround(centre, radius);
    _painter.applyCurveFlatness();
    BezierPath shape;
    shape.appendOval(square);
    fillHandle(shape, square);
    return square;
}

Rect EditorOverlayPainter::paintNodeToolRectAt(Point centre)
{
    const Rect square = squareAround(centre, R);
    BezierPath shape;
    addRoundedRect(shape, square, HandleCornerRadius);
    fillHandle(shape, square);
    return square;
}

void EditorOverlayPainter::paintToolRectAt(Point centre, double radius)
{
    const Rect square = squareAround(centre, radius);
    BezierPath shape;
    shape.appendRect(square);
    fillHandle(shape, square);
}

void EditorOverlayPainter::paintNodeTools()
{
    MindMapElement* element = nullptr;
    const ElementTools* tools = visibleTools(&element);
    if (!tools) return;
    auto location = [element](const ElementToolState& tool) { return NodeToolLocation(tool, element); };

    if (const ElementToolState tool = tools->getCreatorTool(); tool.visible) {
        const Rect b = paintNodeToolCircleAt(location(tool), R);
        BezierPath plus;
        line(plus, {b.minX() + 0.4 * R, b.minY() + R}, {b.maxX() - 0.4 * R, b.minY() + R});
        line(plus, {b.minX() + R, b.minY() + 0.4 * R}, {b.minX() + R, b.maxY() - 0.4 * R});
        strokeSymbol(plus);
    }
    if (const ElementToolState tool = tools->getAddSiblingTool(); tool.visible) {
        const Rect b = paintNodeToolCircleAt(location(tool), R);
        BezierPath star;
        line(star, {b.minX() + R, b.minY() + 0.4 * R}, {b.minX() + R, b.maxY() - 0.4 * R});
        line(star, {b.minX() + 0.45 * R, b.minY() + 0.67 * R}, {b.maxX() - 0.45 * R, b.maxY() - 0.67 * R});
        line(star, {b.minX() + 0.45 * R, b.maxY() - 0.67 * R}, {b.maxX() - 0.45 * R, b.minY() + 0.67 * R});
        strokeSymbol(star);
    }
    if (const ElementToolState tool = tools->getCollapseTool();
        tool.visible && element->elementType() == ElementTypeNode) {
        const Rect b = paintNodeToolCircleAt(location(tool), R);
        BezierPath triangle;
        if (static_cast<MindMapNode*>(element)->collapsed())
            polygon(triangle,
                    {{b.minX() + 0.6 * R, b.minY() + 0.4 * R},
                     {b.maxX() - 0.4 * R, b.minY() + R},
                     {b.minX() + 0.6 * R, b.maxY() - 0.4 * R}},
                    true);
        else
            polygon(triangle,
                    {{b.minX() + 0.4 * R, b.minY() + 0.6 * R},
                     {b.maxX() - 0.4 * R, b.minY() + 0.6 * R},
                     {b.minX() + R, b.maxY() - 0.4 * R}},
                    true);
        fillSymbol(triangle);
    }
    if (const ElementToolState tool = tools->getActionBarTool(); tool.visible) {
        const Point p = location(tool);
        paintNodeToolRectAt(p);
        BezierPath dots;
        for (double dx : {-5.0, -1.0, 3.0}) dots.appendRect(Rect(p.x + dx, p.y - 1, 2, 2));
        fillSymbol(dots);
    }
    if (const ElementToolState tool = tools->getNoteTool(); tool.visible) {
        const Rect b = paintNodeToolCircleAt(location(tool), R);
        BezierPath tee;
        line(tee, {b.midX(), b.maxY() - 0.4 * R}, {b.midX(), b.minY() + 0.6 * R});
        line(tee, {b.minX() + 0.4 * R, b.minY() + 0.6 * R}, {b.maxX() - 0.4 * R, b.minY() + 0.6 * R});
        strokeSymbol(tee);
    }
    if (const ElementToolState tool = tools->getWordWrapTool(); tool.visible)
        paintWordWrapTool(location(tool), tool.active, tools->wrapToolTop());
    if (const ElementToolState tool = tools->getResizeTool(); tool.visible) {
        const Rect b = paintNodeToolCircleAt(location(tool), R);
        const Rect q = insetRect(b, SymbolInset, SymbolInset);
        BezierPath corners;
        polygon(corners, {{q.minX() + 2.5, q.minY()}, {q.maxX(), q.minY()}, {q.maxX(), q.maxY() - 2.5}}, true);
        polygon(corners, {{q.minX(), q.minY() + 2.5}, {q.minX(), q.maxY()}, {q.maxX() - 2.5, q.maxY()}}, true);
        fillSymbol(corners);
        BezierPath diagonal;
        line(diagonal, {q.minX() + 2, q.maxY() - 2}, {q.maxX() - 2, q.minY() + 2});
        strokeSymbol(diagonal, ResizeDiagonalWidth);
    }
    if (const ElementToolState tool = tools->getRelinkRelationSourceTool(); tool.visible)
        paintToolRectAt(location(tool), RelinkHandleHalfSide);
    if (const ElementToolState tool = tools->getRelinkRelationTargetTool(); tool.visible)
        paintToolRectAt(location(tool), RelinkHandleHalfSide);
    if (const ElementToolState tool = tools->getHideTopicTool(); tool.visible)
        paintHideTopicTool(location(tool), element);
    if (const ElementToolState tool = tools->getRotateTool(); tool.visible)
        paintRotateTool(location(tool), tool.active, element->location());
}

void EditorOverlayPainter::paintWordWrapTool(Point p, bool active, double wrapToolTop)
{
    const Rect r = squareAround(p, WordWrapHandleHalfSide);
    BezierPath tab;
    polygon(tab,
            {{r.minX() + 4, r.minY()},
             {r.maxX(), r.minY()},
             {r.maxX(), r.maxY()},
             {r.minX() + 4, r.maxY()},
             {r.minX(), r.minY() + 4}},
            true);
    fillHandle(tab, r);
    if (!active) return;
    // The edge the text wraps at, from the top of the text down to the handle.
    BezierPath edge;
    line(edge, {r.maxX(), wrapToolTop}, {r.maxX(), r.maxY()});
    edge.setLineWidth(SymbolWidth);
    _painter.context().strokePath(edge, StrokeStyle::solid(_painter.toolStrokeColor()));
}

void EditorOverlayPainter::paintHideTopicTool(Point p, MindMapElement* element)
{
    paintToolRectAt(p, HideHandleHalfSide);
    BezierPath sign;
    line(sign, {p.x - 3.5, p.y}, {p.x + 3.5, p.y});
    if (hidesHiddenTopic(element)) line(sign, {p.x, p.y - 3.5}, {p.x, p.y + 3.5});
    strokeSymbol(sign);
}

void EditorOverlayPainter::paintRotateTool(Point p, bool active, Point elementLocation)
{
    if (active) {
        BezierPath spoke;
        line(spoke, p, elementLocation);
        spoke.setLineWidth(SymbolWidth);
        _painter.context().strokePath(spoke, StrokeStyle::solid(_painter.toolStrokeColor()));
    }
    const Rect b = paintNodeToolCircleAt(p, R);
    const Rect q = insetRect(b, SymbolInset, SymbolInset);
    BezierPath arrow;
    arrow.appendArc(p, R / 2, -20, 270);
    arrow.moveTo({q.minX(), q.minY()});
    arrow.lineTo({p.x, q.minY()});
    arrow.lineTo({p.x - 1, p.y});
    strokeSymbol(arrow);
}

void EditorOverlayPainter::paintNodeToolRelations()
{
    MindMapElement* element = nullptr;
    const ElementTools* tools = visibleTools(&element);
    if (!tools) return;
    auto draggedAway = [&](const ElementToolState& tool, Point from) {
        if (tool.visible && tool.active) _painter.paintToolRelation(from, NodeToolLocation(tool, element));
    };
    draggedAway(tools->getCreatorTool(), element->location());
    if (element->elementType() == ElementTypeNode)
        if (MindMapNode* parent = static_cast<MindMapNode*>(element)->parent())
            draggedAway(tools->getAddSiblingTool(), parent->location());
    if (element->isLinkType()) {
        auto* relation = static_cast<MindMapRelation*>(element);
        if (MindMapNode* target = relation->targetNode())
            draggedAway(tools->getRelinkRelationSourceTool(), target->location());
        if (element->elementType() == ElementTypeCrossLink)
            if (MindMapNode* source = relation->sourceNode())
                draggedAway(tools->getRelinkRelationTargetTool(), source->location());
    }
}
