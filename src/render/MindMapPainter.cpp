#include "render/MindMapPainter.h"

#include "MindMaps/ColorUtils.h"
#include "MindMaps/CrossLink.h"
#include "MindMaps/MMColorScheme.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/StyleSheet.h"
#include "platform/CairoGraphicsContext.h"
#include "platform/CairoGuard.h"
#include "platform/Image.h"
#include "platform/UserDefaults.h"
#include "render/BranchBounds.h"
#include "render/EditorOverlayPainter.h"
#include "render/HullPainter.h"
#include "render/LinePaintParams.h"
#include "render/MapHullBuilder.h"
#include "render/MindMapPaintSelection.h"

#include <cmath>

namespace {

// The frame of every thumbnail: half a point inside the image so that the one-point line covers
// whole pixels.
constexpr double ThumbnailFrameInset = 0.5;
constexpr double ThumbnailFrameWidth = 1.0;
const Color ThumbnailFrameColor(0.0, 122.0 / 255.0, 1.0);

// How far a node's drawing may reach beyond its bounds: selection frames, the drop target's
// glow, the shadow.
constexpr double NodePaintOutset = 20;

void strokeThumbnailFrame(GraphicsContext& context, Size size)
{
    BezierPath frame;
    frame.appendRect(insetRect(Rect(Point{}, size), ThumbnailFrameInset, ThumbnailFrameInset));
    frame.setLineWidth(ThumbnailFrameWidth);
    context.strokePath(frame, StrokeStyle::solid(ThumbnailFrameColor));
}

void fillRect(GraphicsContext& context, const Rect& rect, const Color& color)
{
    BezierPath path;
    path.appendRect(rect);
    context.fillPath(path, color);
}

// PNG data of what was drawn, or nothing when drawing failed: a picture of a context in error
// may be blank or half drawn.
std::vector<uint8_t> pngOfPainting(Image& image, const GraphicsContext& context)
{
    if (context.hasFailed()) return {};
    cairo_surface_flush(image.surface());
    return image.pngData().value_or(std::vector<uint8_t>());
}

std::vector<uint8_t> makeEmptyThumbnail()
{
    const Size size = MindMapPainter::DefaultThumbnailSize;
    Image image(static_cast<int>(size.width), static_cast<int>(size.height));
    if (image.isNull()) return {};
    const CairoContext cr(cairo_create(image.surface()));
    CairoGraphicsContext context(cr.get(), GraphicsSurfaceKind::Bitmap);
    fillRect(context, Rect(Point{}, size), Color::white());
    strokeThumbnailFrame(context, size);
    return pngOfPainting(image, context);
}

} // namespace

std::vector<uint8_t> MindMapPainter::createThumbnailImage(MindMap& mindMap)
{
    return createThumbnailImage(mindMap, DefaultThumbnailSize, false);
}

std::vector<uint8_t> MindMapPainter::createThumbnailImage(MindMap& mindMap, Size thumbnailSize, bool highResolution)
{
    if (!(thumbnailSize.width >= 1 && thumbnailSize.height >= 1 && thumbnailSize.width <= Image::MaxSide &&
          thumbnailSize.height <= Image::MaxSide))
        return {};
    const double width = std::round(thumbnailSize.width), height = std::round(thumbnailSize.height);
    Image image{int(width), int(height)};
    if (image.isNull()) return {};
    const CairoContext cr(cairo_create(image.surface()));
    CairoGraphicsContext context(cr.get(), GraphicsSurfaceKind::Bitmap);

    const uint32_t flags = ThumbnailFlags | (highResolution ? uint32_t(PaintFlagHighResolution) : 0u);
    // The area to fit comes from the topics' sizes, which a freshly read map has yet to measure.
    mindMap.validateElementStates();
    const auto selection = MindMapPaintSelection::mindMapPaintSelection(mindMap, false);
    const StyleSheet* styleSheet = mindMap.styleSheet();
    fillRect(context, Rect(0, 0, width, height), styleSheet ? styleSheet->backgroundColor() : Color::white());
    const Rect area = insetRect(selection->visualArea(), -ThumbnailMargin, -ThumbnailMargin);
    if (const std::optional<AffineTransform> transform = thumbnailTransform(area, Size{width, height})) {
        context.save();
        context.concat(*transform);
        paintMindMap(context, *selection, flags, Rect());
        context.restore();
    }
    strokeThumbnailFrame(context, Size{width, height});
    return pngOfPainting(image, context);
}

std::optional<AffineTransform> MindMapPainter::thumbnailTransform(const Rect& area, Size size)
{
    // The scale comes from the area's size rounded in single precision, as the thumbnails stored
    // with maps have always been drawn; the origin is kept exact.
    const double areaWidth = std::round(float(area.width())), areaHeight = std::round(float(area.height()));
    if (!(areaWidth > 0 && areaHeight > 0 && std::isfinite(areaWidth) && std::isfinite(areaHeight) &&
          std::isfinite(area.minX()) && std::isfinite(area.minY())))
        return std::nullopt;
    const double s = std::min(size.width / areaWidth, size.height / areaHeight);
    double dx = 0, dy = 0;
    if (size.height / areaHeight <= size.width / areaWidth) dx = (size.width / s - areaWidth) / 2;
    else dy = (size.height / s - areaHeight) / 2;
    return AffineTransform{s, 0, 0, s, (dx - area.minX()) * s, (dy - area.minY()) * s};
}

const std::vector<uint8_t>& MindMapPainter::emptyMindMapThumbnail()
{
    static const std::vector<uint8_t> thumbnail = makeEmptyThumbnail();
    return thumbnail;
}

bool MindMapPainter::paintMindMap(GraphicsContext& context, const MindMapPaintSelection& selection, uint32_t flags,
                                  const Rect& clipRect, BranchBounds* branchBounds)
{
    if (selection.mindMap()) {
        MindMapPainter painter(context, selection, flags, clipRect, branchBounds);
        painter.paintStructure();
    }
    return !context.hasFailed();
}

MindMapPainter::MindMapPainter(GraphicsContext& context, const MindMapPaintSelection& selection, uint32_t flags,
                               const Rect& clipRect, BranchBounds* branchBounds)
    : _context(context),
      _selection(selection),
      _mindMap(selection.mindMap()),
      _clipRect(clipRect),
      _branchBounds(branchBounds)
{
    _toolsGradient = {GradientStop{0.0, Color(180.0 / 255, 180.0 / 255, 180.0 / 255)},
                      GradientStop{0.5, Color(0.4, 0.4, 0.4)}};
    _toolStrokeColor = Color(0.35, 0.35, 0.35);
    _toolTextColor = Color::white();
    _autoNumberStrokeColor = Color::rgb255(189, 183, 107);
    _noteStrokeColor = Color::rgb255(166, 134, 11);
    _noteFillColor = Color::rgb255(240, 240, 64);
    const StyleSheet* styleSheet = _mindMap ? _mindMap->styleSheet() : nullptr;
    const Color background = styleSheet ? styleSheet->backgroundColor() : Color::white();
    _backgroundColor = Color(background.red(), background.green(), background.blue());
    _darkBackground = HSLTransformer::colorToLuminance(_backgroundColor) <= DarkBackgroundLuminance;
    _lineSelectionColor = _darkBackground ? Color::rgb255(64, 80, 96) : Color::rgb255(200, 220, 250);

    _thumbnailPainting = flags & PaintFlagThumbnail;
    _designing = (flags & PaintFlagDesigning) && !_thumbnailPainting;
    _simplifyLines = (flags & PaintFlagSimplifyLines) || _thumbnailPainting;
    _suppressShadow =
        (flags & PaintFlagNoShadows) || _thumbnailPainting || UserDefaults::standard().boolForKey("suppressShadows");
    _highResThumbnail = (flags & PaintFlagHighResolution) && _thumbnailPainting;
    _showAnchors = (flags & PaintFlagShowAnchors) && _designing;
    _simplifyFineDashes = (flags & PaintFlagSimplifyFineDashes) && _designing;
    _searching = _designing && _mindMap && _mindMap->searching();
    _autoFocus = (flags & PaintFlagAutoFocus) && _designing && !_searching;

    _useClipRect = !(clipRect == Rect());
    _linePaintParams = std::make_unique<LinePaintParams>(*this);
    _scaleFactor = context.currentTransform().xx;
    _reducedPainting = _thumbnailPainting && std::abs(_scaleFactor) < ReducedPaintingScale;
    _progressIconPainter.setDarkBackground(_darkBackground);
    _progressIconPainter.setBackgroundColor(_backgroundColor);
    // The context keeps the job's transform and sets link rectangles in device space itself.
    _insertHyperlinkUrls = (flags & PaintFlagPdfLinks) && context.isPdf();
}

MindMapPainter::~MindMapPainter() = default;

void MindMapPainter::paintStructure()
{
    if (!_mindMap) return;
    _mindMap->validateElementStates();
    if (_useClipRect) {
        if (!_branchBounds) {
            _jobBranchBounds = std::make_unique<BranchBounds>();
            _branchBounds = _jobBranchBounds.get();
        }
        // After the layout: it may have moved topics.
        _branchBounds->update(*_mindMap);
    } else {
        _branchBounds = nullptr;
    }
    _context.save();
    if (_useClipRect) _context.clipToRect(_clipRect);
    applyCurveFlatness();

    paintHulls();

    std::optional<Color> shadowColor;
    if (!_suppressShadow && _mindMap->styleSheet() && _mindMap->styleSheet()->colorScheme())
        shadowColor = _mindMap->styleSheet()->colorScheme()->shadowColor();
    if (shadowColor) {
        const AffineTransform t = _context.currentTransform();
        const double size = MindMapPainter::ShadowSize * std::max(std::abs(t.xx), std::abs(t.yx));
        _shadow = ShadowStyle{Size{size, size}, size, *shadowColor};
        // The editor's topics and lines cast their shadows each alone, the topics' over all
        // lines: a shadow layer as large as the window would be blurred again for every frame,
        // while a window keeps each shape's blurred shadow. A picture of the map draws each shape
        // once, and one layer for all of them costs it less: its outline pass draws the topics
        // into the relations' layer, and the topics are drawn again over all relations and
        // shadows.
        _castsShadowsAlone = _designing;
        _shadow->eachShapeAlone = _castsShadowsAlone;
        _context.beginShadow(*_shadow);
        paintRelations();
        if (_castsShadowsAlone) _context.endShadow();
        _outlinePainting = true;
        paintNodes();
        _outlinePainting = false;
        if (!_castsShadowsAlone) _context.endShadow();
        _shadow.reset();
        paintNodes();
    } else {
        paintRelations();
        paintNodes();
    }
    if (_designing) EditorOverlayPainter(*this).paintOverlays();
    _context.restore();
}

void MindMapPainter::paintHulls()
{
    MapHullBuilder builder;
    const std::vector<MapHull>& hulls = builder.buildHullsForMindMap(
        *_mindMap, _useClipRect ? std::optional<Rect>(_clipRect) : std::nullopt, _branchBounds);
    for (auto hull = hulls.rbegin(); hull != hulls.rend(); ++hull) {
        HullPainter painter(*this);
        _simplifyLines ? painter.paintHullSimplified(*hull) : painter.paintHull(*hull);
    }
}

void MindMapPainter::paintRelations()
{
    _useForcedLineStyle = _thumbnailPainting && !_highResThumbnail;
    const StyleSheet* styleSheet = _mindMap->styleSheet();
    _forcedLineStyle = _useForcedLineStyle ? 3 : (styleSheet ? styleSheet->lineStyle() : 0);

    for (MindMapNode* root : _selection.roots()) paintParentRelations(*root);
    for (CrossLink* link : _selection.crossLinks()) paintCrossLink(*link);

    // Texts and pictures on lines are drawn over every line, and never cast a shadow.
    suspendShadow();
    if (!_reducedPainting) {
        for (MindMapNode* root : _selection.roots()) paintElementsContainedByParentRelations(*root);
        for (CrossLink* link : _selection.crossLinks())
            if (link->hasContainedElements()) paintContainedElements(*link);
    }
    resumeShadow();

    if (_designing) {
        if (_showAnchors) paintAnchorLines();
        paintNodeToolRelations();
        paintSnapGuideLines();
    }
}

Rect MindMapPainter::nodeClipArea(const MindMapNode& node)
{
    return insetRect(node.boundsIncludingContainedElements(), -NodePaintOutset, -NodePaintOutset);
}

bool MindMapPainter::nodeMeetsClip(const MindMapNode& node) const
{
    return !_useClipRect || meetsClip(nodeClipArea(node));
}

bool MindMapPainter::branchMeetsClip(const MindMapNode& node) const
{
    return !_useClipRect || !_branchBounds || _branchBounds->branchMayMeet(node, _clipRect);
}

const std::vector<MindMapNode*>& MindMapPainter::nodesMeetingClip()
{
    // The outline pass and the node pass paint the same nodes: they are looked for once.
    if (_nodesMeetingClip) return *_nodesMeetingClip;
    std::vector<MindMapNode*> nodes;
    if (!_useClipRect) {
        for (MindMapNode* root : _selection.roots()) root->collectNodeAndChildrenInArray(nodes);
        return *(_nodesMeetingClip = std::move(nodes));
    }
    // Parents before their children, in order, as the whole tree would be collected; branches out
    // of the clip are passed over. A stack of its own: documents may nest deeper than the call
    // stack reaches.
    std::vector<MindMapNode*> pending(_selection.roots().rbegin(), _selection.roots().rend());
    while (!pending.empty()) {
        MindMapNode* node = pending.back();
        pending.pop_back();
        if (!branchMeetsClip(*node)) continue;
        if (nodeMeetsClip(*node)) nodes.push_back(node);
        const std::vector<MindMapNode*>& children = node->children();
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
    return *(_nodesMeetingClip = std::move(nodes));
}

void MindMapPainter::paintNodes()
{
    const std::vector<MindMapNode*>& nodes = nodesMeetingClip();

    MindMapNode* dropTarget = _mindMap->dropTarget();
    if (!_designing || _outlinePainting || !dropTarget || dropTarget->isEditing() || !dropTarget->isVisible())
        dropTarget = nullptr;

    for (MindMapNode* node : nodes)
        if (node != dropTarget) paintMindMapNode(*node);
    // The drop target lies above all other nodes, its glow beneath it.
    if (dropTarget) {
        _highlightPainting = true;
        paintMindMapNode(*dropTarget);
        _highlightPainting = false;
        paintMindMapNode(*dropTarget);
    }
}

void MindMapPainter::suspendShadow()
{
    if (!_shadow) return;
    _context.endShadow();
    _suspendedShadow = _shadow;
    _shadow.reset();
}

void MindMapPainter::resumeShadow()
{
    if (!_suspendedShadow) return;
    _shadow = _suspendedShadow;
    _suspendedShadow.reset();
    _context.beginShadow(*_shadow);
}

void MindMapPainter::applyCurveFlatness()
{
    if (_designing) _context.setFlatness(1.0);
}

bool MindMapPainter::isDimmed(bool searchMatch, bool autoFocused) const
{
    return (_searching && !searchMatch) || (_autoFocus && !autoFocused);
}

Color MindMapPainter::getDimmedColor(const Color& color, bool dimmed) const
{
    return dimmed ? dimmedColor(color, _darkBackground) : color;
}

std::optional<Color> MindMapPainter::getDimmedColor(const std::optional<Color>& color, bool dimmed) const
{
    if (!color) return std::nullopt;
    return getDimmedColor(*color, dimmed);
}
