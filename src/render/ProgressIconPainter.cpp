#include "render/ProgressIconPainter.h"

void ProgressIconPainter::draw(cairo_t* /*cr*/, const Rect& /*rect*/)
{
    // Task adornments are not drawn yet.
}
