#pragma once

#include "platform/BezierPath.h"
#include "platform/Geometry.h"
#include "platform/GraphicsContext.h"

#include <vector>

// A part of a dashed path, to be stroked on its own with its dash pattern started that far in.
struct StrokePiece {
    BezierPath path;
    double dashPhase = 0; // the user-space length of its subpath before it
};

// cairo steps through every dash of a path, however much of it lies outside the clip: a dashed
// line running a hundred thousand points through a window costs as much as drawing all of it.
// This cuts a dashed path down to what can show inside the area (user space, grown by all a stroke
// may reach beyond its path: half the width times the miter limit, and a pixel or two).
//
// Lines are cut where they leave the area, and each piece starts its pattern as far in as the part
// left out before it measures, measured as cairo measures a line (its end points rounded to
// cairo's device grid, its length in user space): the dashes stay where they were. A subpath with
// a curve is kept whole, as the length cairo gives a curve depends on how it flattens it; so is a
// closed subpath that meets the area. Where a line is cut, the new end lies a fraction of a
// device pixel off the line cairo would have drawn: the edge pixels of the pieces may differ by a
// step of anti-aliasing from those of the whole line.
//
// False when the whole path lies inside the area or nothing could be cut: stroke it as it is.
// Otherwise the pieces to stroke instead, none when nothing shows.
bool cutDashedStrokeToArea(const BezierPath& path, const Rect& area, const AffineTransform& userToDevice,
                           std::vector<StrokePiece>& pieces);

// The user-space length cairo's dasher gives the line from a to b under that transform.
double dashedLineLength(Point a, Point b, const AffineTransform& userToDevice);
