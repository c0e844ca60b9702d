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
    if (!Font::familyExists(family)) return Font(family, size);
    constexpr int regularWeight = 5;
    return Font(family, size, (fontStyle & 1) != 0, (fontStyle & 2) != 0, regularWeight);
}
