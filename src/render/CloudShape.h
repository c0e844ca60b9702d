#pragma once

#include "platform/BezierPath.h"

// Appends the cloud outline scaled into the rectangle round its centre: a move to the first shape
// point, the shape's curve segments, a close, and round line joins on the path.
void AppendCloudShape(BezierPath& path, const Rect& rect);
