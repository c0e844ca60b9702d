#pragma once

#include "platform/Geometry.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

// The pixel density of an exported picture and the size line that goes with it: how large the
// bitmap will be, and whether it can be made at all. The mail options, the export panel and the
// cloud export show the same popup and the same line, so they share this piece.
class ImageDensityChoice {
public:
    struct Density {
        const char* titleKey;
        int tag; // the image scale factor is tag x 0.5
    };
    static constexpr std::array<Density, 4> Densities{{
        {"share_dialog_png_normal_density", 2},
        {"share_dialog_png_medium_density", 3},
        {"share_dialog_png_high_density", 4},
        {"share_dialog_png_xhigh_density", 6},
    }};

    // The popup's label for pictures of an export code: TIFF's for TIFF, PNG's for any other (the
    // mail options attach PNG alone).
    static const char* labelKey(int32_t exportFormat);

    size_t selectedIndex() const { return _index; }
    // An index past the list is ignored.
    void selectIndex(size_t index);
    // An unknown tag is ignored.
    void selectTag(long long tag);
    int selectedImageQuality() const { return Densities[_index].tag; }
    double imageScaleFactor() const { return selectedImageQuality() * 0.5; }

    // The stored tag when it is an integer the popup has; anything else reads as never stored.
    void restore(const char* key);
    void commit(const char* key) const;

    // The bitmap made from a map of this size in points at the selected density.
    void update(Size points);
    Size pixelSize() const { return _pixelSize; }
    bool sizeAcceptable() const { return _sizeAcceptable; }
    // "<width> x <height>", with the too-large notice on a second line when it cannot be made.
    std::string sizeText() const;

private:
    size_t _index = 0;
    Size _pixelSize;
    bool _sizeAcceptable = true;
};
