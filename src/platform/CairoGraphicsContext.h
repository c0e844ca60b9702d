#pragma once

#include "platform/GraphicsContext.h"

typedef struct _cairo cairo_t;

// The drawing interface over a cairo context (not owned; it must outlive this object). Text is
// laid out with the text measurer's Pango settings, so a text fits the size measured for it at
// any scale.
class CairoGraphicsContext : public GraphicsContext {
public:
    // The kind says what the context's surface finally is; a window's context is Screen.
    CairoGraphicsContext(cairo_t* cr, GraphicsSurfaceKind kind);
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
    bool hasFailed() const override;
    std::string failureReason() const override;

private:
    cairo_t* _cr;
    GraphicsSurfaceKind _kind;
    bool _shadowOn = false;
    ShadowStyle _shadow;
};
