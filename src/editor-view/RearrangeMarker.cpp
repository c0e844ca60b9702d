#include "editor-view/RearrangeMarker.h"

void RearrangeMarker::clear()
{
    _refNode = nullptr;
    _visible = false;
}
