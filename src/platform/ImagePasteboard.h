#pragma once

#include "platform/Image.h"

#include <string>
#include <vector>

class Pasteboard;

// Pictures on a pasteboard: they travel under their media types ("image/png", "image/jpeg", ...).
namespace ImagePasteboard {

// The type under which a PNG picture is put on a pasteboard.
inline constexpr const char* PNGType = "image/png";

// The pasteboard offers a picture: one of its declared types is a picture type. Like the
// desktop's own test, it looks at the types only, not at the data.
bool canInitWithPasteboard(const Pasteboard& pasteboard);

// The picture types the pasteboard offers, in its order, those the decoder reads before the others:
// what a read asks for, stopping at the first that comes with data.
std::vector<std::string> pictureTypes(const Pasteboard& pasteboard);

// The first picture on the pasteboard that decodes, in the order of its declared types; null when
// none does. The data comes from another program: its declared size is checked before it is
// decoded, and a picture longer than maxSide pixels is reduced to it while decoding (Image::fromData).
Image imageFromPasteboard(const Pasteboard& pasteboard, int maxSide);

} // namespace ImagePasteboard
