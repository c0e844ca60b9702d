#pragma once

#include "platform/Geometry.h"

#include <optional>
#include <string>
#include <string_view>

// A point written as "{x, y}", numbers in the shortest form that reads back the same, whatever
// the locale.
std::string stringFromPoint(Point point);
// Nothing unless the whole text is such a point of finite numbers (spaces around the numbers
// allowed).
std::optional<Point> pointFromString(std::string_view text);
