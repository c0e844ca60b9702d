#include "explorers/ProgressIconView.h"

#include <algorithm>

ProgressIconView::ProgressIconView()
{
    _painter.setProgress(_progress);
    _painter.setCheckboxMode(_checkboxMode);
}

void ProgressIconView::setProgress(int64_t progress)
{
    progress = std::clamp<int64_t>(progress, 0, 100);
    if (progress == _progress) return;
    _progress = progress;
    _painter.setProgress(progress);
    setNeedsDisplay();
}

void ProgressIconView::setCheckboxMode(int32_t checkboxMode)
{
    if (checkboxMode == _checkboxMode) return;
    _checkboxMode = checkboxMode;
    _painter.setCheckboxMode(checkboxMode);
    setNeedsDisplay();
}

void ProgressIconView::setEnabled(bool enabled)
{
    if (enabled == _enabled) return;
    _enabled = enabled;
    if (!enabled) _pressed = false;
    setNeedsDisplay();
}

bool ProgressIconView::mouseDown(Point inView)
{
    // A disabled box must not tick: it swallows the press without arming the click.
    _pressed = _enabled && pointInRect(inView, _bounds);
    return true;
}

void ProgressIconView::mouseUp(Point inView)
{
    const bool pressed = _pressed;
    _pressed = false;
    if (pressed && _enabled && pointInRect(inView, _bounds) && _action) _action(*this);
}

void ProgressIconView::draw(GraphicsContext& context)
{
    _painter.setTintColor(_enabled ? tintColor() : disabledTintColor());
    _painter.draw(context, insetRect(_bounds, Inset, Inset));
}

void ProgressIconView::setNeedsDisplay()
{
    if (_needsDisplay) _needsDisplay();
}
