#pragma once

#include "platform/AttributedString.h"
#include "platform/BezierPath.h"
#include "platform/Color.h"
#include "platform/Geometry.h"

#include <optional>
#include <string>
#include <vector>

class Image;

// An affine transform in cairo's layout: x' = xx·x + xy·y + x0, y' = yx·x + yy·y + y0.
struct AffineTransform {
    double xx = 1, yx = 0, xy = 0, yy = 1, x0 = 0, y0 = 0;

    Point apply(Point p) const { return {xx * p.x + xy * p.y + x0, yx * p.x + yy * p.y + y0}; }
    // The bounding box of the transformed corners.
    Rect apply(const Rect& r) const;
    // This transform after the other one: first `other`, then this.
    AffineTransform concatenating(const AffineTransform& other) const;
    // The identity when this transform cannot be inverted.
    AffineTransform inverted() const;

    static AffineTransform translation(double dx, double dy) { return {1, 0, 0, 1, dx, dy}; }
    static AffineTransform scaling(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }

    friend bool operator==(const AffineTransform&, const AffineTransform&) = default;
};

enum class LineCap { Butt = 0, Round = 1, Square = 2 };
enum class FillRule { Winding = 0, EvenOdd = 1 };

// How a path is stroked beyond its own width and line join.
struct StrokeStyle {
    Color color;
    std::vector<double> dash; // on, off, on, ...; empty is a solid line
    double dashPhase = 0;
    LineCap cap = LineCap::Butt;

    // A solid line in the colour, with butt caps.
    static StrokeStyle solid(const Color& color)
    {
        StrokeStyle style;
        style.color = color;
        return style;
    }
};

struct GradientStop {
    double location = 0; // 0..1 along the gradient
    Color color;
    friend bool operator==(const GradientStop&, const GradientStop&) = default;
};

// A shadow cast by everything drawn while it is on: offset in device units (y grows down), blur
// radius in device units, colour with its own alpha.
struct ShadowStyle {
    Size offset;
    double blurRadius = 0;
    Color color;
    // Each shape casts its own shadow, blurred alone (and kept, where the context keeps shadows),
    // and the shapes are drawn over all of them when the shadow ends. A window's lines, drawn frame
    // after frame, then blur nothing anew; where shapes overlap, their shadows darken each other.
    bool eachShapeAlone = false;
};

// What a context finally draws on: exports decide on link rectangles and bitmap-only steps by it.
enum class GraphicsSurfaceKind { Bitmap, Pdf, PostScript, Screen, Recording };

// The one drawing interface of the painters. Coordinates are user space, which starts as map
// points (or device pixels for a plain bitmap) and follows the transforms set here. Everything a
// map looks like goes through this interface, so tests can record it and every output (canvas,
// export, print, thumbnail) draws the same thing.
//
// The path's own line width and join are used for strokes, as a path carries them from where it
// is built to where it is drawn.
class GraphicsContext {
public:
    virtual ~GraphicsContext() = default;

    virtual GraphicsSurfaceKind surfaceKind() const = 0;
    bool isPdf() const { return surfaceKind() == GraphicsSurfaceKind::Pdf; }

    // Transform, clip and the shadow state are saved and restored together.
    virtual void save() = 0;
    virtual void restore() = 0;
    virtual void translate(double dx, double dy) = 0;
    virtual void scale(double sx, double sy) = 0;
    virtual void concat(const AffineTransform& transform) = 0;
    // User space to device space.
    virtual AffineTransform currentTransform() const = 0;
    // Intersects the clip with the rectangle or path.
    virtual void clipToRect(const Rect& rect) = 0;
    virtual void clipToPath(const BezierPath& path, FillRule rule = FillRule::Winding) = 0;
    // How far flattened curves may stray from the true curve, in device units.
    virtual void setFlatness(double flatness) = 0;

    virtual void fillPath(const BezierPath& path, const Color& color, FillRule rule = FillRule::Winding) = 0;
    virtual void strokePath(const BezierPath& path, const StrokeStyle& style) = 0;
    // Fills the path with a linear gradient running from start to end (user space); outside that
    // segment the end colours continue.
    virtual void fillPathWithLinearGradient(const BezierPath& path, const std::vector<GradientStop>& stops, Point start,
                                            Point end) = 0;
    // The picture scaled into the rectangle, with the given opacity.
    virtual void drawImage(const Image& image, const Rect& destination, double alpha = 1.0) = 0;
    // The text laid out as the text measurer lays it out (same font settings, same wrapping), its
    // top left corner at the origin; colours come from the text's attributes, black where none is
    // given.
    virtual void drawText(const AttributedString& text, Point origin, double wrapWidth = 0) = 0;
    // A clickable rectangle (user space) opening the URI; only PDF output keeps it.
    virtual void addLink(const std::string& uri, const Rect& rect) = 0;

    // Until the matching end, what is drawn also casts the shadow. Shadows do not nest; a restore
    // ends a shadow begun after its save. PDF and PostScript output leave shadows out.
    virtual void beginShadow(const ShadowStyle& shadow) = 0;
    virtual void endShadow() = 0;
    // The shadow that filling the path (when a fill is given) and then stroking it (when a stroke
    // is given) would cast with the shadow on, without drawing either: a shape cast alone, so that
    // one drawn again and again, as a window draws its topics, is blurred once and kept.
    virtual void castShadow(const BezierPath& path, const std::optional<Color>& fill,
                            const std::optional<StrokeStyle>& stroke, const ShadowStyle& shadow) = 0;

    // Drawing errors are sticky: once failed, the context stays failed and its output must not be
    // handed on as a result.
    virtual bool hasFailed() const = 0;
    virtual std::string failureReason() const = 0;
};
