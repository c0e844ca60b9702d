#pragma once

#include "platform/BezierPath.h"

#include <cstddef>

// The cloud border of topics: a closed chain of nine cubic curves through 28 points, kept
// normalised so that (0, 0) is the shape's centre and one unit is the full width (x) or height (y)
// of the rectangle it is fitted into.
inline constexpr size_t CloudShapeSegmentCount = 9;
inline constexpr size_t CloudShapePointCount = 1 + 3 * CloudShapeSegmentCount;

// The resource with the outline: one "x,y" line of whole numbers per point, in a drawing 366 wide
// and 208 high whose centre is (222, 163).
inline constexpr const char* CloudShapeResource = "shapes/cloud_shape_points.txt";

// Reads the outline from the resource. Lines that are not two numbers separated by a comma are
// logged and skipped; points missing from a short file take a default point. A resource that
// cannot be read, or holds no point at all, gives the built-in outline (the one that ships as the
// resource), so that a cloud border never vanishes. Called once at start-up; drawing a cloud
// before that loads the resource first.
void LoadCloudShapePoints();

// Appends the cloud outline scaled into the rectangle round its centre: a move to the first shape
// point, the shape's curve segments, a close, and round line joins on the path.
void AppendCloudShape(BezierPath& path, const Rect& rect);

// Where text inside a cloud fitted to the rectangle should end on the right: the inner edge of
// the cloud's right-hand bumps, 133/366 of the width right of the centre.
double CloudTextInsetX(const Rect& rect);
