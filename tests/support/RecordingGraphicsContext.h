#pragma once

#include "platform/GraphicsContext.h"

#include <optional>
#include <string>
#include <vector>

// A drawing context that draws nothing and logs every drawing call with the exact figures it was
// given, so painting is tested by what it asks for: which path, in which colour, width and dash.
// Transforms and clips are tracked (save/restore included) and each entry keeps the transform
// that was current, but paths stay in user space as the painter built them.
class RecordingGraphicsContext : public GraphicsContext {
public:
    enum class Kind { Fill, Stroke, Gradient, Image, Text, Link, Clip, ShadowBegin, ShadowEnd, CastShadow };
    struct Entry {
        Kind kind;
        BezierPath path;   // Fill, Stroke, Gradient, Clip, CastShadow
        Color color;       // Fill; Stroke's colour; ShadowBegin's colour
        StrokeStyle style; // Stroke
        std::vector<GradientStop> stops;
        Point start, end; // Gradient
        Rect rect;        // Image destination, Link rectangle, Clip rectangle (an empty path then)
        double alpha = 1; // Image
        Size imageSize;   // Image, in pixels
        std::string text; // Text (its string), Link (its URI)
        AttributedString attributedText;
        Point origin; // Text
        double wrapWidth = 0;
        ShadowStyle shadow; // ShadowBegin, CastShadow
        // CastShadow: what would have cast it
        std::optional<Color> castFill;
        std::optional<StrokeStyle> castStroke;
        FillRule rule = FillRule::Winding;
        AffineTransform transform;
        bool shadowed = false; // drawn while a shadow was on
    };

    explicit RecordingGraphicsContext(GraphicsSurfaceKind kind = GraphicsSurfaceKind::Recording) : _kind(kind) {}

    const std::vector<Entry>& entries() const { return _entries; }
    std::vector<const Entry*> entriesOfKind(Kind kind) const;
    void clear() { _entries.clear(); }
    int saveDepth() const { return int(_stack.size()); }
    double flatness() const { return _state.flatness; }
    void failWith(std::string reason) { _failure = std::move(reason); }

    GraphicsSurfaceKind surfaceKind() const override { return _kind; }
    void save() override { _stack.push_back(_state); }
    void restore() override;
    void translate(double dx, double dy) override;
    void scale(double sx, double sy) override;
    void concat(const AffineTransform& transform) override;
    AffineTransform currentTransform() const override { return _state.transform; }
    void clipToRect(const Rect& rect) override;
    void clipToPath(const BezierPath& path, FillRule rule) override;
    void setFlatness(double flatness) override { _state.flatness = flatness; }
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
    bool hasFailed() const override { return !_failure.empty(); }
    std::string failureReason() const override { return _failure; }

private:
    struct State {
        AffineTransform transform;
        double flatness = 0.1;
    };
    Entry& add(Kind kind);

    GraphicsSurfaceKind _kind;
    State _state;
    std::vector<State> _stack;
    std::vector<Entry> _entries;
    bool _shadowOn = false;
    int _shadowDepth = 0; // the save depth the running shadow began at
    std::string _failure;
};
