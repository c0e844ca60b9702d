#pragma once

#include "platform/Geometry.h"

#include <cstdint>

typedef struct _cairo cairo_t;

// Draws a topic's task adornment into a square: a checkbox (mode 1) or a progress indicator
// (modes 2 and 3); other modes draw nothing. Knows nothing of the model: callers set it up per
// topic, then draw.
class ProgressIconPainter {
public:
    // Waits for its caller in the shell.
    void setGrayScale(bool grayScale) { _grayScale = grayScale; }
    bool grayScale() const { return _grayScale; }

    // Percent, 0 to 100.
    void setProgress(int64_t progress) { _progress = progress; }
    int64_t progress() const { return _progress; }

    void setCheckboxMode(int32_t checkboxMode) { _checkboxMode = checkboxMode; }
    int32_t checkboxMode() const { return _checkboxMode; }

    bool checked() const { return _progress == 100; }

    // Draws into the square of the rectangle's smaller side at the rectangle's origin.
    void draw(cairo_t* cr, const Rect& rect);

private:
    int32_t _checkboxMode = 0;
    int64_t _progress = 0;
    bool _grayScale = false;
};
