#pragma once

#include "platform/Color.h"
#include "platform/Geometry.h"

// The box in which an editor notification shows at the canvas's bottom-left: a rounded box tinted
// by the notification's level (0 information, 1 warning, 2 error). The toolkit's widget draws
// what this says.
class NotificationView {
public:
    static constexpr double Width = 320.0;
    static constexpr double Height = 94.0;
    static constexpr double CornerRadius = 7.0;
    // Seconds the box takes to grow to its full height.
    static constexpr double ShowDuration = 0.3;
    static constexpr unsigned HighestLevel = 2;

    NotificationView();

    // The background of a level; a level above the highest counts as the highest.
    static Color colorOfLevel(unsigned level);
    static unsigned clampedLevel(unsigned level) { return level > HighestLevel ? HighestLevel : level; }

    unsigned notifyLevel() const { return _notifyLevel; }
    // Takes the level's colour only when the level changes, so a colour set since stays.
    void setNotifyLevel(unsigned level);
    const Color& backgroundColor() const { return _backgroundColor; }
    void setBackgroundColor(const Color& color);

    // The colour changed since the last drawing.
    bool needsDisplay() const { return _needsDisplay; }
    void setNeedsDisplay(bool needsDisplay) { _needsDisplay = needsDisplay; }

private:
    unsigned _notifyLevel = 0;
    Color _backgroundColor;
    bool _needsDisplay = true;
};
