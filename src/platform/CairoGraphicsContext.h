#pragma once

#include "platform/GraphicsContext.h"
#include "platform/ShadowSprites.h"
#include "platform/VisibleStroke.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

typedef struct _cairo cairo_t;
typedef struct _cairo_pattern cairo_pattern_t;

// The drawing interface over a cairo context (not owned; it must outlive this object). Text is
// laid out with the text measurer's Pango settings, so a text fits the size measured for it at
// any scale.
//
// Values cairo cannot draw (not finite, beyond its fixed-point range, a transform without an
// inverse) are dropped here, so that a damaged map never puts the context into an error state.
class CairoGraphicsContext : public GraphicsContext {
public:
    // Device coordinates beyond this are outside what cairo's fixed-point numbers hold.
    static constexpr double MaxDeviceCoordinate = 4'000'000;

    // The kind says what the context's surface finally is; a window's context is Screen.
    CairoGraphicsContext(cairo_t* cr, GraphicsSurfaceKind kind);
    // Ends a shadow still on, so that the cairo context is handed back balanced.
    ~CairoGraphicsContext() override;
    CairoGraphicsContext(const CairoGraphicsContext&) = delete;
    CairoGraphicsContext& operator=(const CairoGraphicsContext&) = delete;

    cairo_t* cairo() const { return _cr; }

    GraphicsSurfaceKind surfaceKind() const override { return _kind; }
    void save() override;
    void restore() override;
    void translate(double dx, double dy) override;
    void scale(double sx, double sy) override;
    void concat(const AffineTransform& transform) override;
    AffineTransform currentTransform() const override;
    void clipToRect(const Rect& rect) override;
    void clipToPath(const BezierPath& path, FillRule rule) override;
    void setFlatness(double flatness) override;
    void fillPath(const BezierPath& path, const Color& color, FillRule rule) override;
    void strokePath(const BezierPath& path, const StrokeStyle& style) override;
    void fillPathWithLinearGradient(const BezierPath& path, const std::vector<GradientStop>& stops, Point start,
                                    Point end) override;
    void drawImage(const Image& image, const Rect& destination, double alpha) override;
    void drawText(const AttributedString& text, Point origin, double wrapWidth) override;
    void addLink(const std::string& uri, const Rect& rect) override;
    void beginShadow(const ShadowStyle& shadow) override;
    void endShadow() override;
    void castShadow(const BezierPath& path, const std::optional<Color>& fill, const std::optional<StrokeStyle>& stroke,
                    const ShadowStyle& shadow) override;
    bool hasFailed() const override;
    std::string failureReason() const override;

    // The attribute string of a PDF link tag for the URI and the rectangle (device space).
    static std::string linkAttributes(const std::string& uri, const Rect& rect);

    // While one lives, pictures painted on its thread keep their shadow layer from one paint job
    // to the next, as a window does; the last to go lets the layer go. A picture painted in bands
    // is a job per band, and making the layer anew for each costs more than its shadows.
    class ShadowLayerKeeper {
    public:
        ShadowLayerKeeper();
        ~ShadowLayerKeeper();
        ShadowLayerKeeper(const ShadowLayerKeeper&) = delete;
        ShadowLayerKeeper& operator=(const ShadowLayerKeeper&) = delete;
    };

private:
    // Sends what follows to a kept layer of this thread instead of a group cairo makes and clears
    // anew: false when the layer cannot stand in for a group here.
    bool beginKeptLayer();
    // The kept layer's picture as a group pattern for the context's target, back to drawing there.
    cairo_pattern_t* endKeptLayer();
    bool isDrawable(const BezierPath& path) const;
    bool isDrawable(const Rect& rect) const;
    // Whether dashed strokes are cut down to what shows inside the clip.
    bool cutsStrokes() const;
    // Strokes the pieces of a dashed path on a window from the coverage kept for their pixels,
    // made the first time: false when they are not drawn so.
    bool strokeDashedFromSprite(const std::vector<StrokePiece>& pieces, const StrokeStyle& style);
    // The coverage a window keeps for the pieces of a dashed path, found or made, and the whole
    // device pixel its mask is placed from: null when they are not drawn from one.
    const ShadowSprites::Sprite* dashedLineSprite(const std::vector<StrokePiece>& pieces, const StrokeStyle& style,
                                                  Point& whole);
    // The path as cairo flattens it under the current transform and tolerance, when it has curves
    // and reaches beyond the area; nothing otherwise.
    std::optional<BezierPath> flattenedBeyond(const BezierPath& path, const Rect& area) const;
    // The clip's extents in user space, grown by all a stroke of the path may reach beyond it.
    Rect strokeArea(const BezierPath& path) const;
    double userUnitsPerPixel() const;
    // User space to the coordinates of the target surface's pixels.
    AffineTransform backendTransform() const;
    // A shape drawn while each shape casts its shadow alone: drawn when the shadow ends, over all
    // the shadows, as it was given.
    struct DeferredShape {
        BezierPath path;
        std::optional<Color> fill;
        FillRule rule = FillRule::Winding;
        std::optional<StrokeStyle> stroke;
        AffineTransform transform;
        double tolerance = 0.1;
    };
    // Draws the deferred shapes, before anything else changes what they would be drawn with.
    void drawDeferredShapes();
    // The shadow of a stroke, cast by the part of it whose shadow may fall inside the clip.
    void castStrokeShadow(const BezierPath& path, const StrokeStyle& style);
    // castShadow, the stroke's coverage taken from the line's kept coverage when there is one
    // (an opaque stroke that fills nothing): the same pixels cairo would stroke into the layer.
    // The kept coverage of the line, made now if need be, when the shadow of the whole line may
    // be cast from it and the line will be drawn from it; null otherwise.
    const ShadowSprites::Sprite* lineCoverageForShadow(const BezierPath& path, const StrokeStyle& style);
    void castShadowOf(const BezierPath& path, const std::optional<Color>& fill,
                      const std::optional<StrokeStyle>& stroke, const ShadowStyle& shadow,
                      const ShadowSprites::Sprite* lineCoverage);
    // Widens the device-space extents of what the running shadow group holds.
    void noteDrawn(const Rect& userBounds, double userOutset = 0);
    void compositeShadow();
    // The shadow and then the group itself; `inked`, when known, holds all the group's ink (device
    // space) and nothing outside it is worked on.
    void compositeShadowOfGroup(cairo_pattern_t* group, const std::vector<Rect>* inked);
    // The blurred shadow of the popped group over the device rectangle (left, top) of the reduced
    // size, painted moved by the shadow's offset. The first works on image layers only and answers
    // whether it could; the second works through cairo on any layer.
    bool paintShadowOfImageLayer(cairo_pattern_t* group, const Rect& clip, int left, int top, int reducedWidth,
                                 int reducedHeight, int reduction, int k, const std::vector<Rect>* inked);
    void paintShadowOfLayer(cairo_pattern_t* group, double left, double top, double width, double height, int reduction,
                            int k);

    cairo_t* _cr;
    // The context's own cairo context while _cr draws into the kept layer.
    cairo_t* _outerCr = nullptr;
    // An error of a layer's context, kept once that context is gone.
    int _layerStatus = 0;
    GraphicsSurfaceKind _kind;
    int _saveDepth = 0;
    bool _shadowOn = false;
    // Whether a group was pushed for the running shadow (vector surfaces push none).
    bool _shadowGroup = false;
    int _shadowDepth = 0;
    // What was drawn into the shadow group, in device space: only that is blurred.
    Rect _shadowExtents;
    bool _shadowDrawn = false;
    ShadowStyle _shadow;
    // Whether the running shadow is cast by each shape alone, and the shapes waiting for its end.
    bool _shadowEachAlone = false;
    std::vector<DeferredShape> _deferred;
    // How many new texts this job has had laid out and kept.
    size_t _textsKept = 0;
};
