#pragma once

#include "platform/BezierPath.h"
#include "platform/Color.h"
#include "platform/Geometry.h"

#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

typedef struct _cairo cairo_t;

// One palette entry of the custom style editor, drawn as a small numbered topic. It is a drawn
// item with its own hit test rather than a widget, so that a repaint of fifty entries stays one
// pass over one surface.
class MindMapPreviewShape {
public:
    static constexpr double Width = 60;
    static constexpr double Height = 40;
    static constexpr int64_t NoIndex = std::numeric_limits<int64_t>::max();

    explicit MindMapPreviewShape(Point origin = {}) : _origin(origin) {}

    Point origin() const { return _origin; }
    void setOrigin(Point origin) { _origin = origin; }
    Rect frame() const { return Rect(_origin.x, _origin.y, Width, Height); }
    Point center() const { return {_origin.x + Width / 2, _origin.y + Height / 2}; }
    bool hitTest(Point p) const
    {
        return p.x >= _origin.x && p.x < _origin.x + Width && p.y >= _origin.y && p.y < _origin.y + Height;
    }

    // The shown number is the palette position counted from one.
    int64_t index() const { return _index; }
    void setIndex(int64_t index) { _index = index; }
    std::string label() const { return _index == NoIndex ? std::string() : std::to_string(_index + 1); }

    const Color& fillColor() const { return _fillColor; }
    void setFillColor(const Color& c) { _fillColor = c; }
    const Color& strokeColor() const { return _strokeColor; }
    void setStrokeColor(const Color& c) { _strokeColor = c; }
    const std::optional<Color>& shadowColor() const { return _shadowColor; }
    void setShadowColor(const std::optional<Color>& c) { _shadowColor = c; }
    const Color& pageBkGndColor() const { return _pageBkGndColor; }
    void setPageBkGndColor(const Color& c) { _pageBkGndColor = c; }
    const Color& textColor() const { return _textColor; }
    void setTextColor(const Color& c) { _textColor = c; }
    int32_t borderStyle() const { return _borderStyle; }
    void setBorderStyle(int32_t s) { _borderStyle = s; }
    double borderWidth() const { return _borderWidth; }
    void setBorderWidth(double w) { _borderWidth = w; }
    bool isSelected() const { return _isSelected; }
    void setIsSelected(bool s) { _isSelected = s; }

    // A see-through fill would let the connection line show through the shape; the page colour
    // hides it as a topic on the map does.
    Color paintedFillColor() const { return _fillColor.alpha() >= 1.0 ? _fillColor : _pageBkGndColor; }
    // A borderless shape shows an outline only while it is selected.
    bool strokesOutline() const { return !(_borderStyle == 7 && !_isSelected); }
    // The outline inside the frame (8 points in on each side); empty for an unknown border style.
    BezierPath outline() const;

private:
    Point _origin;
    int64_t _index = NoIndex;
    Color _fillColor = Color::white();
    Color _strokeColor = Color::black();
    std::optional<Color> _shadowColor = Color::black();
    Color _pageBkGndColor = Color::white();
    Color _textColor = Color::black();
    int32_t _borderStyle = 2;
    double _borderWidth = 2.0;
    bool _isSelected = false;
};

// What the preview's background needs besides the entries: the page, its shadow and the edited
// parent-relation style.
struct CustomStylePreviewBackground {
    int32_t lineStyle = 0;
    Color color = Color::white();
    std::optional<Color> shadowColor = Color(0.5, 0.5, 0.5, 1.0);
    int32_t pathStyle = 0; // 0 bezier, 1 orthogonal, 2 straight
    std::optional<Color> customLineColor;
};

// One stroke of a connection line; double line styles add a white one down the middle.
struct PreviewLineStroke {
    double width = 1;
    std::vector<double> dash;
    Color color;
};

// Who owns the entries: the editor answers the preview's questions when it paints and hears of
// clicks on a shape.
class CustomStylePreviewBackgroundDelegate {
public:
    virtual ~CustomStylePreviewBackgroundDelegate() = default;
    virtual std::vector<const MindMapPreviewShape*> orderedPreviewEntries() const = 0;
    virtual const MindMapPreviewShape* getRootEntry() const = 0;
    virtual CustomStylePreviewBackground previewBackground() const = 0;
    virtual void previewClicked(const MindMapPreviewShape* shape) = 0;
};

// What one preview keeps from paint to paint: the blurred shadows of the lines and of the shapes.
// They change only when an entry moves or changes form, while a colour change (the editor's live
// case) repaints with them as they are.
class CustomStylePreviewCache {
public:
    CustomStylePreviewCache();
    ~CustomStylePreviewCache();
    CustomStylePreviewCache(const CustomStylePreviewCache&) = delete;
    CustomStylePreviewCache& operator=(const CustomStylePreviewCache&) = delete;

    struct Shadows;
    Shadows& shadows() { return *_shadows; }

private:
    std::unique_ptr<Shadows> _shadows;
};

namespace CustomStylePreview {

// The connection from the root's centre to an entry's centre.
BezierPath connectionPath(Point root, Point end, int32_t pathStyle);
std::vector<PreviewLineStroke> connectionStrokes(int32_t lineStyle, const Color& color);

// The topmost entry under the point, or -1.
int hitTest(const std::vector<const MindMapPreviewShape*>& entries, Point p);

// Paints the page, the connection lines with their shadow and then the entries over them into a
// context whose user space is the preview's (y down, origin top left). With a cache the shadows of
// the paint before are reused where nothing they depend on changed.
void paint(cairo_t* cr, Size size, const CustomStylePreviewBackground& background,
           const std::vector<const MindMapPreviewShape*>& entries, const MindMapPreviewShape* root,
           CustomStylePreviewCache* cache = nullptr);

} // namespace CustomStylePreview
