#pragma once

#include "platform/Geometry.h"

#include <cstdint>

// Counts presses into single, double, triple... clicks. The toolkit reports a double press only
// after two single ones, so the canvas counts for itself, with the toolkit's double-click time and
// distance: a press of the same button soon enough after the last one and near enough to it
// continues the count, any other press starts again at 1.
class ClickCounter {
public:
    ClickCounter(double doubleClickSeconds, double doubleClickDistance)
        : _doubleClickSeconds(doubleClickSeconds), _doubleClickDistance(doubleClickDistance)
    {
    }

    void setLimits(double doubleClickSeconds, double doubleClickDistance)
    {
        _doubleClickSeconds = doubleClickSeconds;
        _doubleClickDistance = doubleClickDistance;
    }

    // The click count of this press.
    int press(int button, Point point, double time);
    // Forgets the last press: the next one is a single click.
    void reset() { _count = 0; }

private:
    double _doubleClickSeconds;
    double _doubleClickDistance;
    int _count = 0;
    int _button = 0;
    Point _point;
    double _time = 0;
};
