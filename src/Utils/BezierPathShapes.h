#pragma once

#include "platform/BezierPath.h"

// A quadratic segment from the current point to p through controlPoint, as the cubic curve that
// traces it exactly. Without a current point the segment starts at p.
void quadCurveTo(BezierPath& path, Point p, Point controlPoint);

// A rectangle whose corner at its origin is sharp and whose other three corners are rounded with
// the radius.
void addDropRoundRect(BezierPath& path, const Rect& rect, double radius);

// A rectangle with all four corners rounded with the radius; a radius beyond half the shorter side
// is taken as half of it, and a negative one as 0.
void addRoundedRect(BezierPath& path, const Rect& rect, double radius);

// The diamond through the midpoints of the rectangle's sides.
void addDiamond(BezierPath& path, const Rect& rect);
