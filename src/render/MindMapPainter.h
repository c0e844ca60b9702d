#pragma once

#include "platform/Color.h"
#include "platform/Geometry.h"
#include "platform/GraphicsContext.h"
#include "render/ProgressIconPainter.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_set>
#include <utility>
#include <vector>

class BranchBounds;
class CompositeElement;
class CrossLink;
class MindMap;
class MindMapPaintSelection;
class MindMapNode;
class MindMapRelation;
class LinePaintParams;
class RelationPath;
struct ArrowPosition;

// The flag word of one paint job; bits combine.
enum PaintFlags : uint32_t {
    PaintFlagDesigning = 0x1,
    PaintFlagSimplifyLines = 0x2,
    PaintFlagNoShadows = 0x4,
    PaintFlagThumbnail = 0x8,
    PaintFlagHighResolution = 0x10,
    PaintFlagPdfLinks = 0x20,
    PaintFlagShowAnchors = 0x40,
    PaintFlagSimplifyFineDashes = 0x80,
    PaintFlagAutoFocus = 0x100,
};

// Paints maps: the editor's canvas, exports, prints and thumbnails all come through here. One
// painter lives for one paint job: made with the job's context, flags and clip rectangle, it
// paints everything once in a fixed order of passes and is thrown away.
//
// Its methods are spread over files by pass: MindMapPainter.cpp (set-up, passes, dimming,
// thumbnails), MindMapNodePainting.cpp (the node pass and contained elements),
// MindMapRelationPainting.cpp (relation lines, arrows, anchor and guide lines),
// MindMapReducedPainting.cpp (thumbnails of maps too large for their texts to show). Hulls have
// their own classes (HullPainter.h).
class MindMapPainter {
public:
    // The size of the thumbnails of the store and the explorers, in points.
    static constexpr Size DefaultThumbnailSize{108, 72};

    // Paints the selection into the context in the painter's fixed order of passes. A zero clip
    // rectangle (map coordinates) clips nothing; any other skips what lies outside it. False when
    // the context has failed: its output must not be handed on.
    //
    // A painter that clips measures where the map's branches draw and passes over those out of
    // the clip. A caller that paints the same map again and again keeps those measurements in
    // branchBounds, marking them stale whenever the map changes.
    static bool paintMindMap(GraphicsContext& context, const MindMapPaintSelection& selection, uint32_t flags,
                             const Rect& clipRect, BranchBounds* branchBounds = nullptr);

    // PNG data of the whole map scaled to fit the default thumbnail size.
    static std::vector<uint8_t> createThumbnailImage(MindMap& mindMap);

    // PNG data of an image of that size showing the whole map scaled to fit, on the map style's
    // background colour, framed. Empty when no image could be made.
    static std::vector<uint8_t> createThumbnailImage(MindMap& mindMap, Size thumbnailSize, bool highResolution);

    // PNG data of the placeholder shown for a map that cannot be read or painted: a white
    // thumbnail-sized rectangle with a thin blue frame. Made once; every call answers the same
    // data.
    static const std::vector<uint8_t>& emptyMindMapThumbnail();

    // The transform from map points to a thumbnail of that size showing the area (the visual area
    // with its margin) scaled to fit and centred across the side with room to spare; nullopt for
    // an area without width or height.
    static std::optional<AffineTransform> thumbnailTransform(const Rect& area, Size thumbnailSize);

    MindMapPainter(GraphicsContext& context, const MindMapPaintSelection& selection, uint32_t flags,
                   const Rect& clipRect, BranchBounds* branchBounds = nullptr);
    ~MindMapPainter();
    MindMapPainter(const MindMapPainter&) = delete;
    MindMapPainter& operator=(const MindMapPainter&) = delete;

    // The thumbnails' flag word; high-resolution ones add PaintFlagHighResolution.
    static constexpr uint32_t ThumbnailFlags =
        PaintFlagThumbnail | PaintFlagNoShadows | PaintFlagSimplifyLines | PaintFlagSimplifyFineDashes;
    // Room round the map in a thumbnail, in map points.
    static constexpr double ThumbnailMargin = 30;
    // A thumbnail drawn at fewer pixels a map unit than this shows a map whose texts would be less
    // than a pixel high: it is drawn in a reduced pass (MindMapReducedPainting.cpp).
    static constexpr double ReducedPaintingScale = 1.0 / 16;
    // Shadows fall this many map units down and right, blurred as far, whatever the zoom.
    static constexpr double ShadowSize = 3.0;
    // How far beyond its shape a shadow may show, in map units at scale 1: its offset, and its
    // blur of three box passes of half the size each.
    static constexpr double ShadowReach = 4 * ShadowSize;
    // A background at most this light counts as dark.
    static constexpr double DarkBackgroundLuminance = 0.35;
    // The opacity of a dimmed image.
    static constexpr double DimmedImageAlpha = 0.35;

    // Paints the job, pass after pass.
    void paintStructure();

    // ---- Job state, read by every pass ----
    GraphicsContext& context() const { return _context; }
    const MindMapPaintSelection& selection() const { return _selection; }
    MindMap& mindMap() const { return *_mindMap; }

    bool designing() const { return _designing; }
    bool isSearching() const { return _searching; }
    bool isAutoFocusing() const { return _autoFocus; }
    bool showAnchors() const { return _showAnchors; }
    bool suppressShadow() const { return _suppressShadow; }
    bool simplifyLines() const { return _simplifyLines; }
    bool simplifyFineDashes() const { return _simplifyFineDashes; }
    bool thumbnailPainting() const { return _thumbnailPainting; }
    bool highResThumbnail() const { return _highResThumbnail; }
    bool reducedPainting() const { return _reducedPainting; }
    bool insertHyperlinkUrls() const { return _insertHyperlinkUrls; }

    bool useClipRect() const { return _useClipRect; }
    const Rect& clipRect() const { return _clipRect; }
    // True when nothing is clipped or the rectangle meets the clip.
    bool meetsClip(const Rect& bounds) const { return !_useClipRect || intersectsRect(bounds, _clipRect); }
    // False only when nothing drawn for the topic's branch can meet the clip.
    bool branchMeetsClip(const MindMapNode& node) const;

    // The areas the painter tests against its clip: of a topic with its free texts and images and
    // what is drawn round it (frames, glow, shadow), and of a relation's line with its highlight,
    // lead-in, lead-out and arrows (nothing when the relation draws nothing).
    static Rect nodeClipArea(const MindMapNode& node);
    static std::optional<Rect> relationClipArea(MindMapRelation& relation);

    bool useForcedLineStyle() const { return _useForcedLineStyle; }
    int32_t forcedLineStyle() const { return _forcedLineStyle; }
    bool outlinePainting() const { return _outlinePainting; }
    // Whether the outline pass casts each topic's shadow alone rather than drawing the topics into
    // the pass's shadow layer.
    bool castsShadowsAlone() const { return _castsShadowsAlone; }
    bool highlightPainting() const { return _highlightPainting; }
    double scaleFactor() const { return _scaleFactor; }
    // The shadow of the running pass, if any (none while it is suspended).
    const std::optional<ShadowStyle>& shadow() const { return _shadow; }
    // Suspends and resumes the running pass's shadow around what must not cast one.
    void suspendShadow();
    void resumeShadow();

    const Color& toolStrokeColor() const { return _toolStrokeColor; }
    const Color& toolTextColor() const { return _toolTextColor; }
    const std::vector<GradientStop>& toolsGradient() const { return _toolsGradient; }
    const Color& autoNumberStrokeColor() const { return _autoNumberStrokeColor; }
    const Color& noteStrokeColor() const { return _noteStrokeColor; }
    const Color& noteFillColor() const { return _noteFillColor; }
    const Color& backgroundColor() const { return _backgroundColor; }
    // A painter drawing where no map lies behind (a toolbar's picture) fills open arrow heads
    // with what does.
    void setBackgroundColor(const Color& color) { _backgroundColor = color; }
    const Color& lineSelectionColor() const { return _lineSelectionColor; }
    bool darkBackground() const { return _darkBackground; }

    LinePaintParams& linePaintParams() { return *_linePaintParams; }
    ProgressIconPainter& progressIconPainter() { return _progressIconPainter; }

    // The dimmed variant of the colour when dimmed is set; nothing stays nothing.
    std::optional<Color> getDimmedColor(const std::optional<Color>& color, bool dimmed) const;
    Color getDimmedColor(const Color& color, bool dimmed) const;
    // Curves are flattened coarser while designing: the canvas repaints often.
    void applyCurveFlatness();
    // Whether an element with that search match and auto-focus state is drawn dimmed.
    bool isDimmed(bool searchMatch, bool autoFocused) const;

    // ---- Node pass (MindMapNodePainting.cpp) ----
    void paintMindMapNode(MindMapNode& node);
    // False when the node was skipped: being edited, outside the clip, or borderless while only
    // outlines are painted.
    bool paintNodeBorder(MindMapNode& node);
    // The free texts and images of a topic or a relation, backmost first.
    void paintContainedElements(class CompositeElement& container);
    void paintText(class MindMapText& text);
    void paintCustomImage(class MindMapImage& image);
    // Whether a call-out was drawn; the caller then leaves out its own fill and frame.
    bool paintTextCallOut(MindMapText& text, const std::optional<Color>& fillColor, bool dimmed);
    void paintCheckBox(MindMapNode& node, bool dimmed);
    void paintAutoNumberIcon(MindMapNode& node, Point origin, bool boxed, bool dimmed);
    void paintDateIcon(MindMapNode& node, bool dimmed);
    void paintNodeIcon(const Image& image, Point origin, Size size, double alpha);
    void paintCollapseMarker(MindMapNode& node, bool dimmed);
    // Also drawn by the relation pass, where a hidden branch hangs.
    void paintUnhideMarker(MindMapNode& node, bool dimmed);
    void paintLayoutMarker(MindMapNode& node);
    Color nodeMarkerColor(MindMapNode& node) const;

    // ---- Relation pass (MindMapRelationPainting.cpp) ----
    // The lines from the node to its children and on down the branch, the top-down connectors
    // and the unhide markers of hidden children; nothing below a collapsed node.
    void paintParentRelations(MindMapNode& root);
    // A cross link with its arrows.
    void paintCrossLink(CrossLink& link);
    // One relation line: clipped, highlighted when selected, with its lead-out and arrows.
    void paintRelation(MindMapRelation& relation);
    // The stem and bar under a top-down node that lead to its children; nothing without children.
    void paintTopDownConnector(MindMapNode& node);
    // The texts and images held by the parent relations of the branch, after all lines.
    void paintElementsContainedByParentRelations(MindMapNode& root);
    // Arrow styles: 1 open, 2 filled, 3 hollow, 4 bar, 5 hollow circle, 6 filled circle,
    // 7 hollow diamond, 8 filled diamond; any other draws nothing, as does a zero direction.
    void paintArrow(const ArrowPosition& position, int32_t arrowStyle, const Color& arrowColor, double lineScale);
    // The dashed lines from selected free texts and images to their containers.
    void paintAnchorLines();
    // The guide lines from the selected element to the node tools being dragged.
    void paintNodeToolRelations();
    void paintToolRelation(Point from, Point to);
    // The guide lines of the running snap, as the editor reports them.
    void paintSnapGuideLines();
    // Guide lines (anchor, end point) kept as thin on screen at any zoom.
    void paintGuideLines(const std::vector<std::pair<Point, Point>>& guideLines);

    // ---- Reduced pass of thumbnails of large maps (MindMapReducedPainting.cpp) ----
    void paintReducedNode(MindMapNode& node);
    void paintReducedRelation(MindMapRelation& relation, RelationPath& path, bool leadOut);

    // ---- end of the passes ----

private:
    // Whether nothing of the kind (a rectangle from one pixel to the other, or a line between
    // them; device space) was drawn yet in that colour; notes that it is now.
    bool firstOnPixels(Point from, Point to, const Color& color, bool line);

    void paintHulls();
    void paintRelations();
    void paintNodes();
    // Whether the node, its contained elements and what is drawn round it (frames, shadow) may
    // meet the clip.
    bool nodeMeetsClip(const MindMapNode& node) const;
    // The selection's nodes, parents before children, that may meet the clip.
    const std::vector<MindMapNode*>& nodesMeetingClip();

    GraphicsContext& _context;
    const MindMapPaintSelection& _selection;
    MindMap* _mindMap;

    bool _designing = false;
    bool _searching = false;
    bool _autoFocus = false;
    bool _showAnchors = false;
    bool _suppressShadow = false;
    bool _simplifyLines = false;
    bool _simplifyFineDashes = false;
    bool _thumbnailPainting = false;
    bool _highResThumbnail = false;
    bool _reducedPainting = false;
    bool _insertHyperlinkUrls = false;
    bool _useClipRect = false;
    Rect _clipRect;
    bool _useForcedLineStyle = false;
    int32_t _forcedLineStyle = 0;
    bool _outlinePainting = false;
    bool _castsShadowsAlone = false;
    bool _highlightPainting = false;
    double _scaleFactor = 1.0;
    std::optional<ShadowStyle> _shadow;
    std::optional<ShadowStyle> _suspendedShadow;
    std::optional<std::vector<MindMapNode*>> _nodesMeetingClip;
    BranchBounds* _branchBounds = nullptr;
    std::unique_ptr<BranchBounds> _jobBranchBounds;

    Color _toolStrokeColor;
    Color _toolTextColor;
    std::vector<GradientStop> _toolsGradient;
    Color _autoNumberStrokeColor;
    Color _noteStrokeColor;
    Color _noteFillColor;
    Color _backgroundColor;
    Color _lineSelectionColor;
    bool _darkBackground = false;

    std::unique_ptr<LinePaintParams> _linePaintParams;
    ProgressIconPainter _progressIconPainter;

    // What the reduced pass drew: whole pixels and colour.
    struct DrawnPixels {
        int64_t x0, y0, x1, y1;
        uint32_t rgba;
        bool line;
        friend bool operator==(const DrawnPixels&, const DrawnPixels&) = default;
    };
    struct DrawnPixelsHash {
        size_t operator()(const DrawnPixels& d) const;
    };
    std::unordered_set<DrawnPixels, DrawnPixelsHash> _drawnPixels;
};
