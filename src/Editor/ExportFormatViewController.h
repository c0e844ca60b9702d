#pragma once

#include "Editor/ImageDensityChoice.h"
#include "platform/Geometry.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>

// What the export-to-cloud question offers besides OK and Cancel: the format radios, for bitmaps
// the density and the size line, and whole map or selection. The question's OK button is enabled
// only while the export can be made, so a bitmap too large for memory is never attempted. The last
// choice is remembered.
class ExportFormatViewController {
public:
    // The alert accessory's content name.
    static constexpr const char* AccessoryName = "ExportFormatViewController";
    static constexpr const char* FormatKey = "ExportFormatViewController.ExportFormat";
    static constexpr const char* QualityKey = "ExportFormatViewController.ExportQuality";
    static constexpr int32_t PdfFormat = 1;

    struct FormatRadio {
        const char* titleKey;
        int32_t format; // the map's export code
        bool on = false;
    };

    // imageSize: the whole map's export size; selectionSize: the selection's, zero when nothing
    // is selected. The stored format's radio is on (none when the stored value names no radio)
    // and the stored density selected.
    ExportFormatViewController(Size imageSize, Size selectionSize);

    const std::array<FormatRadio, 7>& formatRadios() const { return _radios; }
    // A format radio was clicked: exactly it is on (an unknown format turns all off).
    void selectFormat(int32_t format);
    // The first radio that is on; PDF when none is.
    int32_t selectedExportFormat() const;
    // The extension of the selected format's files.
    std::string selectedExtension() const;

    const ImageDensityChoice& density() const { return _density; }
    void selectDensityIndex(size_t index);
    int selectedImageQuality() const { return _density.selectedImageQuality(); }
    double imageScaleFactor() const { return _density.imageScaleFactor(); }

    bool allowSelectionRange() const { return _allowSelectionRange; }
    // Something is selected and the format can export a selection.
    bool selectionRangeOffered() const;
    bool selectionRangeChosen() const { return _selectionRangeChosen; }
    void setSelectionRangeChosen(bool chosen);
    bool selectionOnly() const { return selectionRangeOffered() && _selectionRangeChosen; }

    // The density and the size line matter only for bitmap formats.
    bool densityControlsVisible() const;
    std::string sizeText() const;
    bool sizeAcceptable() const;
    // OK can be pressed: not a bitmap, or one small enough to make.
    bool okEnabled() const;

    // The question's OK button; told its state at once and after every change.
    void setOkButton(std::function<void(bool enabled)> setEnabled);
    // Every change of format, density or range: the OK button follows.
    void imageFormatChanged();

    // Remembers the format and the density for the next question.
    void commitSelectedFormat() const;

private:
    Size _imageSize;
    Size _selectionSize;
    bool _allowSelectionRange;
    bool _selectionRangeChosen = false;
    std::array<FormatRadio, 7> _radios;
    ImageDensityChoice _density;
    std::function<void(bool)> _okButton;

    ImageDensityChoice densityNow() const;
};
