#include "Editor/NotificationView.h"

NotificationView::NotificationView() : _notifyLevel(1), _backgroundColor(colorOfLevel(1))
{
}

Color NotificationView::colorOfLevel(unsigned level)
{
    constexpr double Alpha = 0.8;
    switch (clampedLevel(level)) {
    case 0:
        return Color(65 / 255.0, 137 / 255.0, 1.0, Alpha);
    case 1:
        return Color(1.0, 0.8, 0.4, Alpha);
    default:
        return Color(1.0, 32 / 255.0, 32 / 255.0, Alpha);
    }
}

void NotificationView::setNotifyLevel(unsigned level)
{
    level = clampedLevel(level);
    if (level == _notifyLevel) return;
    _notifyLevel = level;
    setBackgroundColor(colorOfLevel(level));
}

void NotificationView::setBackgroundColor(const Color& color)
{
    if (color == _backgroundColor) return;
    _backgroundColor = color;
    _needsDisplay = true;
}
