#pragma once

#include "platform/Color.h"
#include "platform/Geometry.h"
#include "render/ProgressIconPainter.h"

#include <cstdint>
#include <functional>

class GraphicsContext;

// A clickable task checkbox or progress bar of a list row, painted by a ProgressIconPainter. The
// widget that shows it hands it its size, presses and releases, and redraws when asked.
class ProgressIconView {
public:
    using Action = std::function<void(ProgressIconView& sender)>;

    static Color tintColor() { return Color::rgb255(60, 153, 252); }
    static Color disabledTintColor() { return Color(0.5, 0.5, 0.5); }
    // The icon keeps this far from the view's edges.
    static constexpr double Inset = 1.0;

    ProgressIconView();

    void setBounds(const Rect& bounds) { _bounds = bounds; }
    const Rect& bounds() const { return _bounds; }

    // Percent; values outside 0 to 100 are clamped.
    void setProgress(int64_t progress);
    int64_t progress() const { return _progress; }
    // 1 a checkbox, 2 and 3 a progress bar; other modes paint nothing.
    void setCheckboxMode(int32_t checkboxMode);
    int32_t checkboxMode() const { return _checkboxMode; }
    void setEnabled(bool enabled);
    bool isEnabled() const { return _enabled; }

    // Sent on a click: a press and a release inside the view.
    void setAction(Action action) { _action = std::move(action); }
    // Called whenever what the view shows changed.
    void setNeedsDisplayHandler(std::function<void()> handler) { _needsDisplay = std::move(handler); }

    // Presses are the view's own: nothing under it sees them.
    bool mouseDown(Point inView);
    void mouseUp(Point inView);

    void draw(GraphicsContext& context);
    const ProgressIconPainter& painter() const { return _painter; }

private:
    void setNeedsDisplay();

    ProgressIconPainter _painter;
    int32_t _checkboxMode = 0;
    int64_t _progress = 0;
    bool _enabled = true;
    bool _pressed = false;
    Rect _bounds;
    Action _action;
    std::function<void()> _needsDisplay;
};
