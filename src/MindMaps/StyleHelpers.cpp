#include "MindMaps/StyleHelpers.h"

TextAlignment TextAlignmentForStyleAlignment(int64_t styleAlignment)
{
    switch (styleAlignment) {
    case 1:
        return TextAlignment::Left;
    case 2:
        return TextAlignment::Right;
    default:
        return TextAlignment::Center;
    }
}

uint64_t SwapBoldItalicBits(uint64_t bits)
{
    return ((bits & 1) << 1) | ((bits & 2) >> 1);
}

std::optional<Font> FontWithStyleTraits(const Font& baseFont, uint64_t fontStyle, double size)
{
    const std::string& family = baseFont.familyName();
    if (family.empty()) return std::nullopt;
    // A family the machine lacks keeps its traits too: it is drawn in the fallback family, which
    // has bold and slanted faces, and the default sheets name such families on most desktops.
    constexpr int regularWeight = 5;
    return Font(family, size, (fontStyle & 1) != 0, (fontStyle & 2) != 0, regularWeight);
}
