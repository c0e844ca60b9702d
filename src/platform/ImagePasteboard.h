#pragma once

class Pasteboard;

// Pictures on a pasteboard: they travel under their media types ("image/png", "image/jpeg", ...).
namespace ImagePasteboard {

// The type under which a PNG picture is put on a pasteboard.
inline constexpr const char* PNGType = "image/png";

// The pasteboard offers a picture: one of its declared types is a picture type. Like the
// desktop's own test, it looks at the types only, not at the data.
bool canInitWithPasteboard(const Pasteboard& pasteboard);

} // namespace ImagePasteboard
