#include "support/RecordingGraphicsContext.h"

#include "platform/Image.h"

std::vector<const RecordingGraphicsContext::Entry*> RecordingGraphicsContext::entriesOfKind(Kind kind) const
{
    std::vector<const Entry*> found;
    for (const Entry& e : _entries)
        if (e.kind == kind) found.push_back(&e);
    return found;
}

void RecordingGraphicsContext::restore()
{
    // An unbalanced restore is a painter fault the tests should see, not a crash.
    if (_stack.empty()) {
        failWith("restore without save");
        return;
    }
    // As on cairo, a shadow begun after the matching save ends here.
    if (_shadowOn && _shadowDepth == int(_stack.size())) endShadow();
    _state = _stack.back();
    _stack.pop_back();
}

void RecordingGraphicsContext::translate(double dx, double dy)
{
    concat(AffineTransform::translation(dx, dy));
}

void RecordingGraphicsContext::scale(double sx, double sy)
{
    concat(AffineTransform::scaling(sx, sy));
}

void RecordingGraphicsContext::concat(const AffineTransform& transform)
{
    _state.transform = _state.transform.concatenating(transform);
}

RecordingGraphicsContext::Entry& RecordingGraphicsContext::add(Kind kind)
{
    Entry& e = _entries.emplace_back();
    e.kind = kind;
    e.transform = _state.transform;
    e.shadowed = _shadowOn;
    return e;
}

void RecordingGraphicsContext::clipToRect(const Rect& rect)
{
    add(Kind::Clip).rect = rect;
}

void RecordingGraphicsContext::clipToPath(const BezierPath& path, FillRule rule)
{
    Entry& e = add(Kind::Clip);
    e.path = path;
    e.rule = rule;
}

void RecordingGraphicsContext::fillPath(const BezierPath& path, const Color& color, FillRule rule)
{
    Entry& e = add(Kind::Fill);
    e.path = path;
    e.color = color;
    e.rule = rule;
}

void RecordingGraphicsContext::strokePath(const BezierPath& path, const StrokeStyle& style)
{
    Entry& e = add(Kind::Stroke);
    e.path = path;
    e.color = style.color;
    e.style = style;
}

void RecordingGraphicsContext::fillPathWithLinearGradient(const BezierPath& path,
                                                          const std::vector<GradientStop>& stops, Point start,
                                                          Point end)
{
    Entry& e = add(Kind::Gradient);
    e.path = path;
    e.stops = stops;
    e.start = start;
    e.end = end;
}

void RecordingGraphicsContext::drawImage(const Image& image, const Rect& destination, double alpha)
{
    Entry& e = add(Kind::Image);
    e.rect = destination;
    e.alpha = alpha;
    e.imageSize = image.pixelSize();
}

void RecordingGraphicsContext::drawText(const AttributedString& text, Point origin, double wrapWidth)
{
    Entry& e = add(Kind::Text);
    e.text = text.string();
    e.attributedText = text;
    e.origin = origin;
    e.wrapWidth = wrapWidth;
}

void RecordingGraphicsContext::addLink(const std::string& uri, const Rect& rect)
{
    Entry& e = add(Kind::Link);
    e.text = uri;
    e.rect = rect;
}

void RecordingGraphicsContext::beginShadow(const ShadowStyle& shadow)
{
    if (_shadowOn) failWith("nested shadow");
    Entry& e = add(Kind::ShadowBegin);
    e.shadow = shadow;
    e.color = shadow.color;
    _shadowOn = true;
    _shadowDepth = int(_stack.size());
}

void RecordingGraphicsContext::endShadow()
{
    if (!_shadowOn) failWith("shadow ended twice");
    add(Kind::ShadowEnd);
    _shadowOn = false;
}

void RecordingGraphicsContext::castShadow(const BezierPath& path, const std::optional<Color>& fill,
                                          const std::optional<StrokeStyle>& stroke, const ShadowStyle& shadow)
{
    Entry& e = add(Kind::CastShadow);
    e.path = path;
    e.shadow = shadow;
    e.color = shadow.color;
    e.castFill = fill;
    e.castStroke = stroke;
}
