#include "render/MindMapPainter.h"

#include "MindMaps/ColorUtils.h"
#include "MindMaps/CompositeElement.h"
#include "MindMaps/DiagramLink.h"
#include "MindMaps/EmbeddedImage.h"
#include "MindMaps/MMColorScheme.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapImage.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapStyle.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/NodeIcon.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/ParentRelation.h"
#include "MindMaps/RelationPath.h"
#include "MindMaps/RelationStyle.h"
#include "MindMaps/StyleSheet.h"
#include "Utils/BezierPathShapes.h"
#include "Utils/URLUtils.h"
#include "platform/Image.h"
#include "render/CloudShape.h"
#include "render/SimpleTextPainter.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double BorderCornerRadius = 7.0;
// The stroke's inner edge stays this far inside the bounds; thicker borders grow outward.
constexpr double BorderContentInset = 5.0;
constexpr double MultipleSelectionExtraWidth = 3.0;
// Wider than any border the styles offer; a width from a damaged file is held to it so that the
// graphics layer never strokes with an absurd pen.
constexpr double MaxBorderWidth = 100.0;
constexpr double DimmedAlpha = 0.35;
constexpr double DropTargetGlowRadius = 40.0;
constexpr double NoteMarkerMinHalfSide = 4.0;
constexpr double NoteMarkerSearchGrowth = 3.0;
constexpr double SmallCornerRadius = 2.0;
constexpr double AdornmentSide = 16.0;
constexpr double AutoNumberBoxExtraWidth = 6.0;
constexpr double DateTextGap = 4.0;
// Where the call-out leaves its text: a sixth of the side off the text's centre, toward the
// container.
constexpr double CallOutBaseFraction = 1.0 / 6.0;
constexpr double CallOutNotchHalfWidth = 5.0;
constexpr double CallOutPointerLength = 20.0;
constexpr double CallOutTargetSide = 10.0;
constexpr double CallOutNodeGrowth = 5.0;

constexpr const char* VoiceMemoImageName = "voice_memo_icon";
constexpr const char* CalendarImageName = "ic8_48_calendar";

Color lightGrayColor()
{
    return Color(2.0 / 3.0, 2.0 / 3.0, 2.0 / 3.0);
}

Color darkGrayColor()
{
    return normalizedDarkGrayColor();
}

Color systemBlueColor()
{
    return Color(0, 122.0 / 255.0, 1);
}

bool isFinite(const Rect& r)
{
    return std::isfinite(r.minX()) && std::isfinite(r.minY()) && std::isfinite(r.width()) && std::isfinite(r.height());
}

Rect squareAround(Point centre, double halfSide)
{
    return Rect(centre.x - halfSide, centre.y - halfSide, 2 * halfSide, 2 * halfSide);
}

// Only a URL with a scheme of its own opens from a PDF: file links and bare paths name places on
// the machine that wrote the PDF, not on the reader's.
bool isLinkableURL(const std::string& link)
{
    std::optional<URLComponents> url = parseURLString(link);
    return url && !url->scheme.empty() && url->scheme != "file";
}

double signToward(double from, double to)
{
    return to - from < 0 ? -1.0 : 1.0;
}

double distance(Point a, Point b)
{
    return std::hypot(b.x - a.x, b.y - a.y);
}

enum class Edge { Top, Left, Right, Bottom };

} // namespace

void MindMapPainter::paintMindMapNode(MindMapNode& node)
{
    if (_reducedPainting) {
        paintReducedNode(node);
        return;
    }
    if (!node.isVisible()) {
        // Only the editor shows where a selected topic hides; pictures of the map never do.
        if (!outlinePainting() && designing() && node.isSelected()) paintNodeBorder(node);
        return;
    }
    const bool passes = !outlinePainting() && !highlightPainting();
    if (!paintNodeBorder(node) || !passes) {
        if (passes && node.hasContainedElements()) paintContainedElements(node);
        return;
    }

    const bool dimmed = isDimmed(node.searchMatch(), node.isAutoFocused());
    const double alpha = dimmed ? DimmedAlpha : 1.0;

    if (EmbeddedImage* embedded = node.embeddedImage(); embedded && embedded->image())
        paintNodeIcon(*embedded->image(), node.embeddedImageOrigin(), embedded->size(), alpha);

    if (!thumbnailPainting()) {
        if (NodeIcon* icon = node.icon(); icon && icon->image())
            paintNodeIcon(*icon->image(), node.iconOrigin(), icon->size(), alpha);
        if (node.showCheckbox()) paintCheckBox(node, dimmed);
        if (DiagramLink* link = node.diagramLink()) {
            NodeIcon* icon = link->icon();
            const Size size = icon ? icon->size() : Size();
            const Rect rect =
                insetRect(Rect(node.diagramLinkOrigin(), size), icon ? icon->hMargin() : 0, icon ? icon->vMargin() : 0);
            if (insertHyperlinkUrls() && link->isValid() && link->linkType() == DiagramLink::LinkTypeURL &&
                isLinkableURL(link->linkID())) {
                context().addLink(link->linkID(), rect);
            }
            if (icon && icon->image()) paintNodeIcon(*icon->image(), rect.origin, rect.size, alpha);
        }
        if (node.hasVoiceMemo()) {
            if (auto image = NodeIcon::applicationImageNamed(VoiceMemoImageName))
                paintNodeIcon(*image, node.voiceMemoOrigin(), Size{AdornmentSide, AdornmentSide}, alpha);
        }
        if (mindMap().autoNumberStyle() == AutoNumberInside && node.hasAutoNumberPath())
            paintAutoNumberIcon(node, node.autoNumberIconOrigin(), false, dimmed);
        if (node.hasDate()) paintDateIcon(node, dimmed);
    }

    if (!node.displayText().string().empty()) {
        const Size textSize = node.textSize();
        if (dimmed) {
            AttributedString text = node.displayText();
            text.setColor(TextRange{0, text.length()}, getDimmedColor(node.textColor(), true));
            context().drawText(text, node.textOrigin(), textSize.width);
        } else {
            context().drawText(node.displayText(), node.textOrigin(), textSize.width);
        }
    }

    paintCollapseMarker(node, dimmed);
    if (designing() && !thumbnailPainting() && !mindMap().readOnly() && node.layoutMode() != 0 && !node.isAutoLayout())
        paintLayoutMarker(node);

    if (node.hasContainedElements()) paintContainedElements(node);
}

bool MindMapPainter::paintNodeBorder(MindMapNode& node)
{
    int32_t style = node.borderStyle();
    if (style < 0 || style > NodeStyle::NoBorder) style = 0;
    const bool borderless = style == NodeStyle::NoBorder;
    const Rect bounds = node.bounds();
    if (node.isEditing() || (borderless && outlinePainting()) || !isFinite(bounds) || !meetsClip(bounds)) return false;

    const bool visible = node.isVisible();
    const bool multi = designing() && mindMap().hasMultipleSelection();
    double width;
    if (borderless) {
        width = multi ? 0.0 : 1.0;
        if (!visible) width = 2.0;
    } else {
        width = std::clamp(node.borderWidth(), 0.0, MaxBorderWidth);
    }
    bool frame = false;
    if (designing() && node.isSelected()) {
        frame = true;
        if (multi) width += MultipleSelectionExtraWidth;
    } else if (borderless && node.displayText().string().empty() && !node.hasEmbeddedImage()) {
        // An empty topic without border would be invisible: it keeps a thin frame.
        frame = true;
        width = 1.0;
    }

    BezierPath path;
    applyCurveFlatness();
    path.setLineWidth(width);
    StrokeStyle stroke;
    if (!visible) stroke.dash = {5, 5};

    const double inset = borderless ? width / 2 : BorderContentInset - width / 2;
    const Rect rect = insetRect(bounds, inset, inset);

    const bool glow = designing() && highlightPainting() && !outlinePainting() && node.isDropTarget();
    const bool suspended = glow && shadow().has_value();
    if (suspended) suspendShadow();
    if (glow) context().beginShadow(ShadowStyle{Size{0, 0}, DropTargetGlowRadius, systemBlueColor()});

    Point noteAnchor{rect.maxX(), rect.minY()};
    const double m = std::max(NoteMarkerMinHalfSide, 1.0 + width / 2);
    switch (style) {
    case 1: {
        const double radius = std::min(node.halfRoundArcRadius(), rect.height() / 2);
        addRoundedRect(path, rect, radius);
        noteAnchor.x = rect.maxX() - radius;
        break;
    }
    case 2:
        addDropRoundRect(path, rect, BorderCornerRadius);
        noteAnchor.x = rect.maxX() - BorderCornerRadius;
        break;
    case 3:
        path.appendOval(rect);
        noteAnchor.x = rect.midX() + 2 * m;
        break;
    case 4:
        addRoundedRect(path, rect, 1.0);
        noteAnchor.x = rect.midX() + 2 * m;
        break;
    case 5:
        addDiamond(path, rect);
        noteAnchor.x = rect.midX() + 2 * m;
        break;
    case 6:
        AppendCloudShape(path, rect);
        noteAnchor.x = CloudTextInsetX(rect);
        break;
    case NodeStyle::NoBorder:
        if (frame) addRoundedRect(path, rect, SmallCornerRadius);
        else path.appendRect(insetRect(rect, 0.5, 0.5));
        noteAnchor.x = rect.maxX() - (4.0 + m);
        noteAnchor.y -= 2.0;
        break;
    default:
        addRoundedRect(path, rect, BorderCornerRadius);
        noteAnchor.x = rect.maxX() - BorderCornerRadius;
        break;
    }

    const bool dimmed = isDimmed(node.searchMatch(), node.isAutoFocused());
    std::optional<Color> filling;
    if (visible) {
        stroke.color = getDimmedColor(node.strokeColor(), dimmed);
        const Color fill = node.fillColor();
        const bool unfilled = fill.isNormalizedClearColor() ||
            (borderless && !node.currentStyle().isPropDefined(TextStyle::FillColorMask) && fill == backgroundColor());
        if (!unfilled) {
            filling = getDimmedColor(fill, dimmed);
        } else if (!node.isTextCollapsed() || node.hasDate() || node.isDropTarget()) {
            // An unfilled topic still hides the lines that run below it; only a bare picture
            // shows what lies behind it.
            filling = node.hullColor() ? getDimmedColor(*node.hullColor(), dimmed) : backgroundColor();
        }
    } else {
        stroke.color = lightGrayColor();
    }
    const bool stroked = width > 0 && (!borderless || frame);
    if (outlinePainting() && castsShadowsAlone()) {
        // Only the topic's shadow: the topic itself is drawn by the node pass.
        if (shadow()) context().castShadow(path, filling, stroked ? std::optional(stroke) : std::nullopt, *shadow());
        return true;
    }
    if (filling) context().fillPath(path, *filling);
    if (stroked) context().strokePath(path, stroke);

    if (glow) context().endShadow();
    if (suspended) resumeShadow();
    if (outlinePainting() || !visible) return true;

    if (!highlightPainting() && !thumbnailPainting()) {
        if (node.hasNote()) {
            const double half = m + (isSearching() && node.noteSearchMatch() ? NoteMarkerSearchGrowth : 0.0);
            BezierPath marker;
            addRoundedRect(marker, squareAround(noteAnchor, half), SmallCornerRadius);
            marker.setLineWidth(1.0);
            context().fillPath(marker, getDimmedColor(noteFillColor(), dimmed));
            context().strokePath(marker, StrokeStyle::solid(getDimmedColor(noteStrokeColor(), dimmed)));
        }
        if (mindMap().autoNumberStyle() == AutoNumberBelow && node.hasAutoNumberPath())
            paintAutoNumberIcon(node, Point{bounds.minX() + 8.0, rect.maxY() + width / 2 + 1.0}, true, dimmed);
    }
    return true;
}

void MindMapPainter::paintNodeIcon(const Image& image, Point origin, Size size, double alpha)
{
    const Rect rect(origin, size);
    if (image.isNull() || rect.isEmpty() || !isFinite(rect)) return;
    context().drawImage(image, rect, alpha);
}

void MindMapPainter::paintCheckBox(MindMapNode& node, bool dimmed)
{
    ProgressIconPainter& painter = progressIconPainter();
    MindMapStyle* style = mindMap().style();
    if (style && style->isPropDefined(MindMapStyle::CheckboxColorMask)) {
        const Color color = style->checkboxColor();
        constexpr double White = 250.0 / 255.0;
        painter.setTinted(false);
        painter.setTintColor(color);
        painter.setGrayScale(color.red() >= White && color.green() >= White && color.blue() >= White);
    } else {
        painter.setTinted(true);
        painter.setTintColor(node.strokeColor());
        painter.setGrayScale(false);
    }
    painter.setBackgroundColor(backgroundColor());
    painter.setDarkBackground(darkBackground());
    painter.setDimmed(dimmed);
    painter.setCheckboxMode(node.checkboxMode());
    painter.setProgress(node.progress());
    painter.draw(context(), Rect(node.checkboxOrigin(), Size{AdornmentSide, AdornmentSide}));
}

void MindMapPainter::paintAutoNumberIcon(MindMapNode& node, Point origin, bool boxed, bool dimmed)
{
    Size size = node.autoNumberIconSize();
    if (boxed) {
        size.width += AutoNumberBoxExtraWidth;
        const Rect box(origin, size);
        node.setBelowAutoNumberIcon(box);
        BezierPath path;
        addRoundedRect(path, box, SmallCornerRadius);
        path.setLineWidth(1.0);
        context().fillPath(path, getDimmedColor(backgroundColor(), dimmed));
        context().strokePath(path, StrokeStyle::solid(getDimmedColor(autoNumberStrokeColor(), dimmed)));
    }
    size.width = std::round(size.width);
    const Size textSize = node.autoNumberTextSize();
    const Point textOrigin{origin.x + (size.width - textSize.width) / 2,
                           origin.y + (size.height - textSize.height) / 2};
    SimpleTextPainter::instance().paintText(context(), node.autoNumberPath(), StyleSheet::autoNumberFont(),
                                            getDimmedColor(node.textColor(), dimmed), Rect(textOrigin, textSize));
}

void MindMapPainter::paintDateIcon(MindMapNode& node, bool dimmed)
{
    const Rect r = node.dateTextBounds();
    const double s = r.height();
    if (auto image = NodeIcon::applicationImageNamed(CalendarImageName))
        paintNodeIcon(*image, r.origin, Size{s, s}, dimmed ? DimmedAlpha : 1.0);
    const Rect textRect(r.minX() + s + DateTextGap, r.minY(), std::round(r.width() - (s + DateTextGap)) + DateTextGap,
                        r.height());
    SimpleTextPainter::instance().paintText(context(), node.dateText(), StyleSheet::autoNumberFont(),
                                            getDimmedColor(node.textColor(), dimmed), textRect);
}

Color MindMapPainter::nodeMarkerColor(MindMapNode& node) const
{
    if (ParentRelation* relation = node.parentRelation()) {
        if (std::optional<Color> color = relation->style()->color()) return *color;
    }
    return node.colorSchemeStrokeColor();
}

void MindMapPainter::paintCollapseMarker(MindMapNode& node, bool dimmed)
{
    if (thumbnailPainting() || !node.collapsed() || (designing() && node.isSelected())) return;
    const Rect r = insetRect(node.getCollapseMarkerBounds(), 2.0, 2.0);
    if (r.isEmpty() || !isFinite(r)) return;
    const double radius = r.width() / 2;
    BezierPath path;
    path.appendOval(squareAround(Point{r.midX(), r.midY()}, radius));
    path.setLineWidth(1.0);
    context().fillPath(path, backgroundColor());
    path.moveTo({r.minX() + 0.7 * radius, r.minY() + 0.4 * radius});
    path.lineTo({r.minX() + r.width() - 0.4 * radius, r.minY() + radius});
    path.lineTo({r.minX() + 0.7 * radius, r.minY() + r.width() - 0.4 * radius});
    path.closePath();
    context().strokePath(path, StrokeStyle::solid(getDimmedColor(nodeMarkerColor(node), dimmed)));
}

void MindMapPainter::paintUnhideMarker(MindMapNode& node, bool dimmed)
{
    const Rect r = insetRect(node.getUnhideMarkerBounds(), 4.0, 4.0);
    if (r.isEmpty() || !isFinite(r)) return;
    // The marker sits on the line, not above the map: it casts no shadow.
    const bool suspended = shadow().has_value();
    if (suspended) suspendShadow();
    const double half = r.width() / 2;
    BezierPath path;
    path.appendRect(r);
    path.setLineWidth(1.0);
    context().fillPath(path, backgroundColor());
    path.moveTo({r.minX() + 0.4 * half, r.minY() + half});
    path.lineTo({r.minX() + r.width() - 0.4 * half, r.minY() + half});
    path.moveTo({r.minX() + half, r.minY() + 0.4 * half});
    path.lineTo({r.minX() + half, r.minY() + r.width() - 0.4 * half});
    context().strokePath(path, StrokeStyle::solid(getDimmedColor(nodeMarkerColor(node), dimmed)));
    if (suspended) resumeShadow();
}

void MindMapPainter::paintLayoutMarker(MindMapNode& node)
{
    const Rect bounds = node.bounds();
    const double x0 = bounds.maxX() - 16.0;
    const double y0 = bounds.maxY() - 3.0;
    BezierPath path;
    path.moveTo({x0, y0 + 3.5});
    path.lineTo({x0 + 12.0, y0 + 3.5});
    path.moveTo({x0 + 12.0, y0});
    path.appendArc({x0 + 8.0, y0 + 2.0}, 2.0, 270, 180, true);
    path.appendArc({x0 + 8.0, y0 + 5.0}, 2.0, 180, 90, true);
    path.lineTo({x0 + 12.0, y0 + 7.0});
    path.setLineWidth(1.5);
    context().strokePath(path, StrokeStyle::solid(Color(0, 0, 0, 0.8)));
}

void MindMapPainter::paintContainedElements(CompositeElement& container)
{
    for (ContainedElement* element : container.containedElements()) {
        switch (element->elementType()) {
        case ElementTypeText:
            paintText(static_cast<MindMapText&>(*element));
            break;
        case ElementTypeImage:
            paintCustomImage(static_cast<MindMapImage&>(*element));
            break;
        default:
            break;
        }
    }
}

void MindMapPainter::paintCustomImage(MindMapImage& image)
{
    const Rect bounds = image.bounds();
    if (!isFinite(bounds) || !meetsClip(bounds)) return;
    const std::shared_ptr<const Image>& picture = image.image();
    if (picture && !picture->isNull() && picture->size().width > 0 && picture->size().height > 0) {
        // A picture never matches a search, so a search dims every one.
        double alpha = 1.0;
        if (isSearching()) alpha = DimmedAlpha;
        else if (isAutoFocusing()) alpha = image.isAutoFocused() ? 1.0 : DimmedAlpha;
        context().drawImage(*picture, bounds, alpha);
    } else {
        BezierPath box;
        box.appendRect(bounds);
        box.setLineWidth(1.0);
        context().fillPath(box, Color::white());
        context().strokePath(box, StrokeStyle::solid(toolStrokeColor()));
        const double half = bounds.width() / 4;
        const Rect square = squareAround(Point{bounds.midX(), bounds.midY()}, half);
        BezierPath cross;
        cross.moveTo({square.minX(), square.minY()});
        cross.lineTo({square.maxX(), square.maxY()});
        cross.moveTo({square.maxX(), square.minY()});
        cross.lineTo({square.minX(), square.maxY()});
        cross.setLineWidth(4.0);
        context().strokePath(cross, StrokeStyle::solid(Color(1, 0, 0)));
    }
    if (designing() && image.isSelected()) {
        const bool multi = mindMap().hasMultipleSelection();
        const double grow = multi ? 1.0 : 3.0;
        BezierPath frame;
        addRoundedRect(frame, insetRect(bounds, -grow, -grow), 4.0);
        frame.setLineWidth(multi ? 3.0 : 1.0);
        context().strokePath(frame, StrokeStyle::solid(toolStrokeColor()));
    }
}

void MindMapPainter::paintText(MindMapText& text)
{
    const Rect bounds = text.bounds();
    if (text.isEditing() || !isFinite(bounds) || !meetsClip(bounds)) return;
    const bool dimmed = isDimmed(text.searchMatch(), text.isAutoFocused());
    std::optional<Color> fill = text.style()->fillColor();
    if (isNormalizedClearColor(fill)) fill.reset();

    bool calledOut = false;
    if (text.style()->callOut() != 0) calledOut = paintTextCallOut(text, fill, dimmed);
    if (!calledOut) {
        BezierPath path;
        path.appendRect(bounds);
        if (fill) context().fillPath(path, getDimmedColor(*fill, dimmed));
        const bool selected = designing() && text.isSelected();
        if (selected || text.isEmpty()) {
            path.setLineWidth(mindMap().hasMultipleSelection() ? 3.0 : 1.0);
            context().strokePath(
                path, StrokeStyle::solid(getDimmedColor(selected ? darkGrayColor() : lightGrayColor(), dimmed)));
        }
    }

    if (text.displayText().string().empty()) return;
    AttributedString shown = text.displayText();
    shown.setColor(TextRange{0, shown.length()}, getDimmedColor(text.resolvedTextColor(), dimmed));
    const Rect textBounds = text.textBounds();
    context().drawText(shown, textBounds.origin, textBounds.width());
}

bool MindMapPainter::paintTextCallOut(MindMapText& text, const std::optional<Color>& fillColor, bool dimmed)
{
    CompositeElement* container = text.container();
    if (!container) return false;
    const Rect b = text.bounds();
    const Point p = text.location();
    const Point l = container->location();
    if (!std::isfinite(l.x) || !std::isfinite(l.y)) return false;

    const int column = l.x < b.minX() ? 0 : l.x > b.maxX() ? 2 : 1;
    const int row = l.y < b.minY() ? 0 : l.y > b.maxY() ? 2 : 1;
    const int region = column + 3 * row;
    if (region == 4) return false;

    const double dx = b.width() * CallOutBaseFraction;
    const double dy = b.height() * CallOutBaseFraction;
    Edge edge;
    switch (region) {
    case 1:
        edge = Edge::Top;
        break;
    case 3:
        edge = Edge::Left;
        break;
    case 5:
        edge = Edge::Right;
        break;
    case 7:
        edge = Edge::Bottom;
        break;
    default: {
        // A corner: leave through the edge that faces the container more squarely.
        const double edgeY = row == 0 ? b.minY() : b.maxY();
        const double edgeX = column == 0 ? b.minX() : b.maxX();
        const Point a{p.x + signToward(p.x, l.x) * dx, edgeY};
        const Point c{edgeX, p.y + signToward(p.y, l.y) * dy};
        const bool vertical = std::abs(a.x - l.x) / distance(a, l) > std::abs(c.y - l.y) / distance(c, l);
        if (vertical) edge = column == 0 ? Edge::Left : Edge::Right;
        else edge = row == 0 ? Edge::Top : Edge::Bottom;
        break;
    }
    }

    Point base;
    Point notch;
    switch (edge) {
    case Edge::Top:
        base = {p.x + signToward(p.x, l.x) * dx, b.minY()};
        notch = {-CallOutNotchHalfWidth, 0};
        break;
    case Edge::Bottom:
        base = {p.x + signToward(p.x, l.x) * dx, b.maxY()};
        notch = {CallOutNotchHalfWidth, 0};
        break;
    case Edge::Left:
        base = {b.minX(), p.y + signToward(p.y, l.y) * dy};
        notch = {0, CallOutNotchHalfWidth};
        break;
    case Edge::Right:
        base = {b.maxX(), p.y + signToward(p.y, l.y) * dy};
        notch = {0, -CallOutNotchHalfWidth};
        break;
    }

    MindMapNode* node = container->asNode();
    const Rect target = node ? insetRect(node->bounds(), -CallOutNodeGrowth, -CallOutNodeGrowth)
                             : squareAround(l, CallOutTargetSide / 2);
    Point tip = l;
    const double length = distance(base, l);
    if (length > CallOutPointerLength) {
        const Point reach{base.x + (l.x - base.x) * CallOutPointerLength / length,
                          base.y + (l.y - base.y) * CallOutPointerLength / length};
        if (pointInRect(reach, target)) {
            tip = reach;
        } else {
            RelationPath line;
            line.setStraightLine(base, l);
            tip = line.calcTargetArrowPosition(target).position;
        }
    }

    Color stroke;
    std::optional<Color> fill;
    if (fillColor) {
        stroke = getDimmedColor(MMColorScheme::getReducedLuminanceStrokeColor(*fillColor), dimmed);
        fill = getDimmedColor(*fillColor, dimmed);
    } else {
        stroke = getDimmedColor(darkGrayColor(), dimmed);
    }
    const bool selected = designing() && text.isSelected();
    const double lineWidth = selected ? 2.5 : 1.0;

    if (text.style()->callOut() == 1) {
        const auto pointer = [&](BezierPath& path, Edge at) {
            if (edge != at) return;
            path.lineTo({base.x + notch.x, base.y + notch.y});
            path.lineTo(tip);
            path.lineTo({base.x - notch.x, base.y - notch.y});
        };
        BezierPath bubble;
        bubble.moveTo({b.minX(), b.minY()});
        pointer(bubble, Edge::Top);
        bubble.lineTo({b.maxX(), b.minY()});
        pointer(bubble, Edge::Right);
        bubble.lineTo({b.maxX(), b.maxY()});
        pointer(bubble, Edge::Bottom);
        bubble.lineTo({b.minX(), b.maxY()});
        pointer(bubble, Edge::Left);
        bubble.closePath();
        bubble.setLineWidth(lineWidth);
        if (fill) context().fillPath(bubble, *fill);
        context().strokePath(bubble, StrokeStyle::solid(stroke));
    } else {
        BezierPath line;
        line.moveTo(base);
        line.lineTo(tip);
        line.setLineWidth(lineWidth);
        StrokeStyle style = StrokeStyle::solid(stroke);
        style.cap = LineCap::Round;
        context().strokePath(line, style);
        BezierPath box;
        box.appendRect(b);
        box.setLineWidth(lineWidth);
        if (fill) context().fillPath(box, *fill);
        if (selected) context().strokePath(box, StrokeStyle::solid(stroke));
    }
    return true;
}
