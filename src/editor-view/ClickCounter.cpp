#include "editor-view/ClickCounter.h"

#include <cmath>

int ClickCounter::press(int button, Point point, double time)
{
    const double elapsed = time - _time;
    const bool continues = _count > 0 && button == _button && elapsed >= 0 && elapsed <= _doubleClickSeconds &&
        std::abs(point.x - _point.x) <= _doubleClickDistance && std::abs(point.y - _point.y) <= _doubleClickDistance;
    _count = continues ? _count + 1 : 1;
    _button = button;
    _point = point;
    _time = time;
    return _count;
}
