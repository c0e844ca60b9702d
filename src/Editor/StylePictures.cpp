#include "Editor/StylePictures.h"

#include "MindMaps/RelationPath.h"
#include "MindMaps/RelationStyle.h"
#include "Utils/BezierPathShapes.h"
#include "render/CloudShape.h"
#include "render/LinePaintParams.h"
#include "render/MindMapPaintSelection.h"
#include "render/MindMapPainter.h"

#include <functional>
#include <utility>

namespace {

constexpr double S = StylePictures::Side;
// The colour-aspect pictures show a colour, not the ink.
const Color SampleFill = Color::rgb255(255, 204, 102);
const Color SampleStroke = Color::rgb255(65, 137, 255);
const Color SampleText = Color::rgb255(220, 40, 40);

using Drawer = std::function<void(GraphicsContext&, const Color& ink)>;

// A topic's body: a wash of the ink, which reads as filled on a light and on a dark theme.
Color paper(const Color& ink)
{
    return ink.withAlpha(ink.alpha() * 0.15);
}

// The painter's lines and arrow heads need a painter; one without a map paints on white.
void withPainter(GraphicsContext& context, const std::function<void(MindMapPainter&)>& paint)
{
    const MindMapPaintSelection selection(nullptr);
    MindMapPainter painter(context, selection, PaintFlagNoShadows, Rect());
    paint(painter);
}

void drawBorder(GraphicsContext& context, const Color& ink, int32_t style)
{
    const Rect rect{1.5, 3.5, 13, 9};
    BezierPath path;
    path.setLineWidth(1.5);
    switch (style) {
    case 0:
        addRoundedRect(path, rect, 3);
        break;
    case 1:
        addRoundedRect(path, rect, rect.height() / 2);
        break;
    case 2:
        addDropRoundRect(path, rect, 3);
        break;
    case 3:
        path.appendOval(rect);
        break;
    case 4:
        addRoundedRect(path, rect, 0.5);
        break;
    case 5:
        addDiamond(path, Rect{1, 2, 14, 12});
        break;
    case 6:
        AppendCloudShape(path, Rect{0.5, 2, 15, 12});
        break;
    default: {
        // No border: the topic's text alone, its box only hinted.
        StrokeStyle hint = StrokeStyle::solid(ink.withAlpha(ink.alpha() * 0.6));
        hint.dash = {1.5, 1.5};
        path.setLineWidth(1);
        path.appendRect(rect);
        context.strokePath(path, hint);
        BezierPath text;
        text.setLineWidth(1.5);
        text.moveTo({4.5, 8});
        text.lineTo({11.5, 8});
        context.strokePath(text, StrokeStyle::solid(ink));
        return;
    }
    }
    context.fillPath(path, paper(ink));
    context.strokePath(path, StrokeStyle::solid(ink));
}

// Lines run from left to right through the middle, as the painter strokes relations.
void drawLineStyle(GraphicsContext& context, const Color& ink, int32_t lineStyle)
{
    withPainter(context, [&ink, lineStyle](MindMapPainter& painter) {
        RelationStyle style;
        style.setLineStyle(lineStyle);
        style.setColor(ink);
        LinePaintParams& params = painter.linePaintParams();
        params.setStyle(style, nullptr, false, RelationStyle::defaultLineWidth(lineStyle));
        BezierPath path;
        if (lineStyle >= 7) {
            // Tapered lines are outlines: wide where the relation leaves its source.
            const double thick = 2.5;
            const double thin = 0.4;
            double left = lineStyle == 8 ? thin : thick;
            double right = lineStyle == 8 ? thick : thin;
            if (lineStyle == 9) right = 1.2;
            path.moveTo({1, 8 - left});
            path.lineTo({15, 8 - right});
            path.lineTo({15, 8 + right});
            path.lineTo({1, 8 + left});
            path.closePath();
            params.strokePath(path, true);
            return;
        }
        path.moveTo({0, 8});
        path.lineTo({16, 8});
        params.strokePath(path, false);
    });
}

// The arrow at the right end of a short line; reversed, at the left end pointing left.
void drawArrow(GraphicsContext& context, const Color& ink, int32_t arrowStyle, bool reversed)
{
    withPainter(context, [&ink, arrowStyle, reversed](MindMapPainter& painter) {
        // Open heads show what lies behind them, the toolbar's own colour, so the line stops where
        // the head begins instead of running through it.
        painter.setBackgroundColor(Color(0, 0, 0, 0));
        const double openHead = arrowStyle == 3 ? 5.6 : arrowStyle == 5 ? 10.1 : arrowStyle == 7 ? 11.7 : 0;
        BezierPath line;
        line.setLineWidth(1.5);
        line.moveTo({reversed ? 1 + openHead : 1, 8});
        line.lineTo({reversed ? 15 : 15 - openHead, 8});
        const bool shortened = arrowStyle >= 5;
        ArrowPosition position;
        if (reversed) {
            position = ArrowPosition{{shortened ? 1.5 : 1, 8}, {-1, 0}};
        } else {
            position = ArrowPosition{{shortened ? 14.5 : 15, 8}, {1, 0}};
        }
        painter.context().strokePath(line, StrokeStyle::solid(ink));
        // The painter's heads are sized for relation lines; a picture shows them smaller.
        painter.context().save();
        painter.context().translate(position.position.x, position.position.y);
        painter.context().scale(0.8, 0.8);
        painter.paintArrow(ArrowPosition{{0, 0}, position.direction}, arrowStyle, ink, 1);
        painter.context().restore();
    });
}

void drawPath(GraphicsContext& context, const Color& ink, int pathStyle)
{
    BezierPath path;
    path.setLineWidth(1.5);
    switch (pathStyle) {
    case 0:
        path.moveTo({1.5, 13});
        path.curveTo({14.5, 3}, {9, 13}, {7, 3});
        break;
    case 1:
        path.moveTo({1.5, 13});
        path.lineTo({8, 13});
        path.lineTo({8, 3});
        path.lineTo({14.5, 3});
        break;
    default:
        path.moveTo({1.5, 13});
        path.lineTo({14.5, 3});
        break;
    }
    context.strokePath(path, StrokeStyle::solid(ink));
}

void drawWidths(GraphicsContext& context, const Color& ink)
{
    double y = 3;
    for (double width : {0.75, 1.5, 2.5, 3.5}) {
        BezierPath line;
        line.setLineWidth(width);
        line.moveTo({1.5, y});
        line.lineTo({14.5, y});
        context.strokePath(line, StrokeStyle::solid(ink));
        y += width / 2 + 1.6 + (width + 0.75) / 2;
    }
}

void drawPaletteColors(GraphicsContext& context, const Color& ink)
{
    const Color colors[] = {Color::rgb255(255, 110, 90), Color::rgb255(120, 200, 90), Color::rgb255(80, 150, 255),
                            Color::rgb255(255, 200, 60)};
    for (int i = 0; i < 4; ++i) {
        BezierPath swatch;
        swatch.setLineWidth(1);
        addRoundedRect(swatch, Rect{1.5 + (i % 2) * 7, 1.5 + (i / 2) * 7, 6, 6}, 1.5);
        context.fillPath(swatch, colors[i]);
        context.strokePath(swatch, StrokeStyle::solid(ink.withAlpha(ink.alpha() * 0.7)));
    }
}

void drawFillColor(GraphicsContext& context, const Color& ink)
{
    BezierPath box;
    box.setLineWidth(1);
    addRoundedRect(box, Rect{1.5, 2.5, 13, 11}, 2);
    context.fillPath(box, SampleFill);
    context.strokePath(box, StrokeStyle::solid(ink));
}

void drawBorderColor(GraphicsContext& context, const Color& ink)
{
    BezierPath box;
    box.setLineWidth(2.5);
    addRoundedRect(box, Rect{2.25, 3.25, 11.5, 9.5}, 2);
    context.fillPath(box, paper(ink));
    context.strokePath(box, StrokeStyle::solid(SampleStroke));
}

void drawFontColor(GraphicsContext& context, const Color& ink)
{
    // A capital A built from strokes, so that it needs no font, over a bar of the text colour.
    BezierPath letter;
    letter.setLineWidth(1.6);
    letter.moveTo({3.5, 11});
    letter.lineTo({8, 1.5});
    letter.lineTo({12.5, 11});
    letter.moveTo({5.4, 7.5});
    letter.lineTo({10.6, 7.5});
    context.strokePath(letter, StrokeStyle::solid(ink));
    BezierPath bar;
    bar.appendRect(Rect{2, 12.5, 12, 3});
    context.fillPath(bar, SampleText);
}

const std::vector<std::pair<std::string, Drawer>>& drawers()
{
    static const std::vector<std::pair<std::string, Drawer>> table = [] {
        std::vector<std::pair<std::string, Drawer>> rows;
        const char* borders[] = {"border_round_rect_16", "border_half_round_16", "border_drop_rect_16",
                                 "border_ellipse_16",    "border_rectangle_16",  "border_diamond_16",
                                 "border_cloud_16",      "border_none_16"};
        for (int32_t style = 0; style < 8; ++style)
            rows.emplace_back(borders[style],
                              [style](GraphicsContext& c, const Color& ink) { drawBorder(c, ink, style); });
        const char* lines[] = {"line_1_16",           "line_2_16",       "line_3_16",
                               "line_4_16",           "line_5_16",       "line_6_16",
                               "line_7_16",           "line_tapered_16", "line_tapered_reverse_16",
                               "line_tapered_auto_16"};
        for (int32_t style = 0; style < 10; ++style)
            rows.emplace_back(lines[style],
                              [style](GraphicsContext& c, const Color& ink) { drawLineStyle(c, ink, style); });
        struct ArrowRow {
            const char* name;
            int32_t style;
            bool reversed;
        };
        const ArrowRow arrows[] = {
            {"arrow_none16", 0, false},      {"arrow_single16", 1, false},    {"arrow_single_rev16", 1, true},
            {"arrow_filled16", 2, false},    {"arrow_filled_rev16", 2, true}, {"arrow_open16", 3, false},
            {"arrow_open_rev16", 3, true},   {"arrow_inhibit_16", 4, false},  {"arrow_inhibit_rev_16", 4, true},
            {"circle_open_16", 5, false},    {"circle_filled_16", 6, false},  {"diamond_open_16", 7, false},
            {"diamond_filled_16", 8, false},
        };
        for (const ArrowRow& row : arrows)
            rows.emplace_back(
                row.name, [row](GraphicsContext& c, const Color& ink) { drawArrow(c, ink, row.style, row.reversed); });
        const char* paths[] = {"path_bezier16", "path_ortho16", "path_straight16"};
        for (int style = 0; style < 3; ++style)
            rows.emplace_back(paths[style], [style](GraphicsContext& c, const Color& ink) { drawPath(c, ink, style); });
        rows.emplace_back("border_weight", drawWidths);
        rows.emplace_back("palette-color", drawPaletteColors);
        rows.emplace_back("fill_color", drawFillColor);
        rows.emplace_back("border_color", drawBorderColor);
        rows.emplace_back("font_color", drawFontColor);
        return rows;
    }();
    return table;
}

const Drawer* drawerNamed(const std::string& name)
{
    for (const auto& [rowName, drawer] : drawers())
        if (rowName == name) return &drawer;
    return nullptr;
}

} // namespace

const std::vector<std::string>& StylePictures::names()
{
    static const std::vector<std::string> all = [] {
        std::vector<std::string> names;
        for (const auto& row : drawers()) names.push_back(row.first);
        return names;
    }();
    return all;
}

bool StylePictures::isDrawn(const std::string& name)
{
    return drawerNamed(name) != nullptr;
}

bool StylePictures::draw(const std::string& name, GraphicsContext& context, const Color& ink)
{
    const Drawer* drawer = drawerNamed(name);
    if (!drawer) return false;
    context.save();
    context.clipToRect(Rect{0, 0, S, S});
    (*drawer)(context, ink);
    context.restore();
    return true;
}
