#pragma once

#include "MindMaps/PalletizedColorScheme.h"

// The palette of a user's own style sheet, edited by the style editor and kept in its file.
class CustomColorScheme : public PalletizedColorScheme {
public:
    CustomColorScheme();
    CustomColorScheme(std::string key, std::string description);

    // Empties the palette.
    void clear();
    // At least two fills and two strokes.
    bool isValid() const;
    void addFillColor(const Color& fillColor, const Color& strokeColor);
    // Takes over the other scheme's palette, shadow, background and font colour and level-based
    // flag; key, description and margin stay.
    void assign(const MMColorScheme& scheme);
    // Makes the palette valid: an empty one gets a white/black pair, a single pair is doubled.
    void validate();
};
