#pragma once

#include "platform/Color.h"
#include "platform/Geometry.h"

#include <cstdint>
#include <optional>

class GraphicsContext;

// The dimmed form of a colour, as every painter dims what does not match a search or lies outside
// the auto focus: paler and greyer on a light background, darker and greyer on a dark one. The
// colour keeps its alpha.
Color dimmedColor(const Color& color, bool darkBackground);

// Draws a topic's task adornment into a square: a checkbox (mode 1) or a progress indicator
// (modes 2 and 3); other modes draw nothing. Knows nothing of the model: callers set it up per
// topic, then draw.
class ProgressIconPainter {
public:
    void setGrayScale(bool grayScale) { _grayScale = grayScale; }
    bool grayScale() const { return _grayScale; }

    // Percent, 0 to 100.
    void setProgress(int64_t progress) { _progress = progress; }
    int64_t progress() const { return _progress; }

    void setCheckboxMode(int32_t checkboxMode) { _checkboxMode = checkboxMode; }
    int32_t checkboxMode() const { return _checkboxMode; }

    void setTintColor(const Color& color) { _tintColor = color; }
    const Color& tintColor() const { return _tintColor; }
    void setBackgroundColor(const Color& color) { _backgroundColor = color; }
    const Color& backgroundColor() const { return _backgroundColor; }
    // Untinted, an unchecked box is outlined in grey instead of the tint.
    void setTinted(bool tinted) { _tinted = tinted; }
    bool tinted() const { return _tinted; }
    void setDimmed(bool dimmed) { _dimmed = dimmed; }
    bool dimmed() const { return _dimmed; }
    void setDarkBackground(bool darkBackground) { _darkBackground = darkBackground; }
    bool darkBackground() const { return _darkBackground; }

    bool checked() const { return _progress == 100; }

    // Draws into the square of the rectangle's smaller side at the rectangle's origin.
    void draw(GraphicsContext& context, const Rect& rect);

    // The colour as drawn: dimmed when the painter is; nothing stands for the background colour.
    Color getDimmedColor(const std::optional<Color>& color) const;

private:
    void drawCheckBox(GraphicsContext& context);
    void drawCheckboxTick(GraphicsContext& context, const Color& color);
    void drawProgressBar(GraphicsContext& context);

    int32_t _checkboxMode = 0;
    int64_t _progress = 0;
    bool _grayScale = false;
    Color _tintColor{0, 122 / 255.0, 1};
    Color _backgroundColor = Color::white();
    bool _tinted = true;
    bool _dimmed = false;
    bool _darkBackground = false;

    // Of the running draw.
    Rect _bounds;
    double _size = 0;
    double _scale = 1;
};
