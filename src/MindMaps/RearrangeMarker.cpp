#include "MindMaps/RearrangeMarker.h"

void RearrangeMarker::clear()
{
    _refNode = nullptr;
    _visible = false;
}
