#pragma once

#include "platform/BezierPath.h"
#include "platform/Color.h"

#include <cstdint>

class MindMapNode;
class MindMapPainter;
class RelationStyle;

// The stroke parameters of the line being painted; one per painter, reused for every line.
//
// Line styles: 0 cable (dashed), 1 solid, 2 double, 3 thin solid, 4 wide dash, 5 dashed double,
// 6 dashed thin, 7 tapered, 8 reverse tapered, 9 auto tapered. Any other code strokes solid.
class LinePaintParams {
public:
    // The widest line any style is stroked with; wider widths in a document are taken as this.
    static constexpr double MaxLineWidth = 1000.0;

    explicit LinePaintParams(MindMapPainter& painter) : _painter(painter) {}

    // Takes the line of the style (or the painter's forced line), its colour or else the
    // reference node's scheme stroke colour, dimmed when asked. Style 9 strokes with the lead-out
    // width.
    void setStyle(const RelationStyle& style, const MindMapNode* refNode, bool dimmed, double leadOutWidth);
    // Strokes the path with the current line; with fill the path is also filled (the outlines of
    // tapered lines). Double lines get their white inner line, which never casts a shadow.
    void strokePath(BezierPath& path, bool fill);

    MindMapPainter& painter() const { return _painter; }
    int32_t lineStyle() const { return _lineStyle; }
    double lineWidth() const { return _lineWidth; }
    const Color& strokeColor() const { return _strokeColor; }
    bool useFlatten() const { return _useFlatten; }

private:
    MindMapPainter& _painter;
    int32_t _lineStyle = 1;
    double _lineWidth = 3.0;
    Color _strokeColor;
    bool _useFlatten = false;
};

// A width fit for stroking: one that is not a number or negative becomes the fallback, a huge
// one the widest line.
double sanitizedLineWidth(double width, double fallback);
