#pragma once

#include "platform/Color.h"
#include "platform/Geometry.h"

class BezierPath;
class ElementTools;
class MindMapElement;
class MindMapPainter;
class RearrangeMarker;
struct ElementToolState;

// What the editing canvas draws over the map once every topic is painted: where a dragged topic
// would be inserted in a laid-out branch, the handles round the selected element, and the rubber
// band of a drag selection. The editor's objects decide where and whether; this only draws.
// Used by the map painter for one paint job while designing.
class EditorOverlayPainter {
public:
    // Handle outlines.
    static constexpr double HandleStrokeWidth = 0.75;
    // Symbols on the handles and the lines to dragged ones.
    static constexpr double SymbolWidth = 1.5;
    static constexpr double HandleCornerRadius = 2.0;
    static constexpr double RelinkHandleHalfSide = 3.5;
    static constexpr double HideHandleHalfSide = 5.0;
    static constexpr double WordWrapHandleHalfSide = 4.0;
    static constexpr double MarkerLineWidth = 3.0;
    // A standing rearrange bar shorter than this is drawn this high, round the same middle.
    static constexpr double MarkerMinimumStandingHeight = 30.0;
    // The rubber band keeps its on-screen weight down to this zoom.
    static constexpr double MinimumSelectorScale = 0.01;

    static Color rearrangeMarkerColor() { return Color(0.2, 0.2, 1.0, 0.7); }
    // The marker's outline for the shape code and bounds; empty for codes without a shape.
    static BezierPath rearrangeMarkerPath(int32_t info, bool horizontal, Rect bounds);

    explicit EditorOverlayPainter(MindMapPainter& painter) : _painter(painter) {}

    // The three overlays in their order: marker, handles, rubber band.
    void paintOverlays();
    void paintRearrangeMarker();
    void paintNodeTools();
    void paintDragSelector();
    // The thin lines from the selected element to the handles being dragged away from it.
    void paintNodeToolRelations();

    // Handle shapes, outlined and filled with the tools' gradient; the first two answer the
    // handle's square.
    Rect paintNodeToolCircleAt(Point centre, double radius);
    Rect paintNodeToolRectAt(Point centre);
    void paintToolRectAt(Point centre, double radius);

private:
    // The editor's tools and the selected element they surround, when handles are to be drawn.
    const ElementTools* visibleTools(MindMapElement** element) const;
    void fillHandle(const BezierPath& shape, const Rect& square);
    void strokeSymbol(const BezierPath& symbol, double width = SymbolWidth);
    void fillSymbol(const BezierPath& symbol);
    void paintWordWrapTool(Point p, bool active, double wrapToolTop);
    void paintHideTopicTool(Point p, MindMapElement* element);
    void paintRotateTool(Point p, bool active, Point elementLocation);

    MindMapPainter& _painter;
};
