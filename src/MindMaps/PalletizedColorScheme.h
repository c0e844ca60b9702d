#pragma once

#include "MindMaps/MMColorScheme.h"

// A scheme of fill/stroke pairs. Level-based palettes colour a topic by its level; the others give
// each main branch its own entry, which the branch's deeper topics inherit. A topic keeps the entry
// it was given in its paletteInfo, so re-applying a sheet keeps branch colours where they were.
class PalletizedColorScheme : public MMColorScheme {
public:
    PalletizedColorScheme(std::string key, std::string description);

    void applyDefaultNodeColors(ColorSchemeNodeState& node) override;
    // Restarts the round robin.
    void beforeApplyingToDiagram() override;
    // The number of fill colours.
    size_t paletteCount() const override;
    bool isPalettized() const override;
    // Outside the palette, the base scheme's white fill and black stroke.
    Color fillColorAtIndex(int64_t index) const override;
    Color strokeColorAtIndex(int64_t index) const override;

    const std::vector<Color>& fillColors() const { return _fillColors; }
    const std::vector<Color>& strokeColors() const { return _strokeColors; }

    // The next entry of the round robin, from 1 to count - 1 and round again; entry 0 belongs to
    // the central theme. 0 for an empty palette.
    int64_t getNextPaletteColor();

    // The lowest entry from 1 up that none of the given palette entries (one-based, as topics hold
    // them) uses; the round robin once all are used.
    int64_t getFirstUnusedPaletteColor(const std::vector<int64_t>& siblingPaletteInfos);

protected:
    // Fills the palette; each concrete palette calls its own from its constructor.
    virtual void initializePalette() {}
    // Gives every fill without a stroke its reduced-luminance stroke.
    void deriveStrokeColorsFromFillColors();

    std::vector<Color> _fillColors;
    std::vector<Color> _strokeColors;
    int64_t _lastColor = 0;
};

class PastelPaletteColorScheme : public PalletizedColorScheme {
public:
    PastelPaletteColorScheme();
    PastelPaletteColorScheme(std::string key, std::string description);

protected:
    void initializePalette() override;
};

class BrightPaletteColorScheme : public PalletizedColorScheme {
public:
    BrightPaletteColorScheme();
    BrightPaletteColorScheme(std::string key, std::string description);

protected:
    void initializePalette() override;
};

class SoftPaletteColorScheme : public PalletizedColorScheme {
public:
    SoftPaletteColorScheme();
    SoftPaletteColorScheme(std::string key, std::string description);

protected:
    void initializePalette() override;
};

class GoldPaletteColorScheme : public PalletizedColorScheme {
public:
    GoldPaletteColorScheme();
    GoldPaletteColorScheme(std::string key, std::string description);

protected:
    void initializePalette() override;
};

// Coloured lines on black.
class ColorsOnBlackColorScheme : public PalletizedColorScheme {
public:
    ColorsOnBlackColorScheme();
    ColorsOnBlackColorScheme(std::string key, std::string description);

protected:
    void initializePalette() override;
};

class AquaLevelsColorScheme : public PalletizedColorScheme {
public:
    AquaLevelsColorScheme();
    AquaLevelsColorScheme(std::string key, std::string description);

protected:
    void initializePalette() override;
};

class SpringLevelsColorScheme : public PalletizedColorScheme {
public:
    SpringLevelsColorScheme();
    SpringLevelsColorScheme(std::string key, std::string description);

protected:
    void initializePalette() override;
};

// Coloured lines around transparent topics.
class MaterialStrokesColorScheme : public PalletizedColorScheme {
public:
    MaterialStrokesColorScheme();
    MaterialStrokesColorScheme(std::string key, std::string description);

protected:
    void initializePalette() override;
};
