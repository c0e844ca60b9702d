#pragma once

#include "platform/AttributedString.h"
#include "platform/Font.h"

#include <cstdint>
#include <optional>

// The text-system alignment of a style alignment (0 centre, 1 left, 2 right); any other code
// centres.
TextAlignment TextAlignmentForStyleAlignment(int64_t styleAlignment);

// Converts the font manager's trait bits (italic 1, bold 2) into font style bits (bold 1,
// italic 2), and back: exchanges the two lowest bits and drops every other bit.
uint64_t SwapBoldItalicBits(uint64_t bits);

// The base font's family at the size, bold and italic as the font style bits say (bold 1,
// italic 2), regular weight, also for a family the machine lacks; nothing when the base font
// names no family.
std::optional<Font> FontWithStyleTraits(const Font& baseFont, uint64_t fontStyle, double size);
