#pragma once

#include "platform/Geometry.h"

#include <optional>
#include <string>

// Where the user left a window, kept in the user defaults under the window's autosave name. A
// saved frame is four numbers with a size that is not empty; anything else found under the key (an
// older or hand-edited setting) counts as no frame at all.
namespace WindowFrameDefaults {

std::string defaultsKey(const std::string& autosaveName);
std::optional<Rect> savedFrame(const std::string& autosaveName);
// Nothing for an empty name or an empty size.
void saveFrame(const std::string& autosaveName, const Rect& frame);

} // namespace WindowFrameDefaults
