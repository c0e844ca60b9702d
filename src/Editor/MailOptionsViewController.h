#pragma once

#include "Editor/ImageDensityChoice.h"
#include "platform/Geometry.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// The choices of the "mail map" dialog: the formats to attach, the PNG density and whether only
// the selection goes out. It remembers them in the user defaults, tells the PNG size and keeps the
// dialog's OK button disabled while nothing is chosen or the PNG would be too large. The view
// shows its state and hands it every change (imageFormatChanged).
class MailOptionsViewController {
public:
    static constexpr const char* FormatsKey = "MailExportFormats";
    static constexpr const char* ImageQualityKey = "MailExport.ImageExportQuality";
    static constexpr uint32_t PdfOnly = 1u << 1;
    static constexpr int32_t PngFormat = 2;

    struct FormatBox {
        const char* titleKey;
        int32_t format; // the export code, also its bit in the format set
    };
    // The check boxes in the order the dialog shows them; TIFF is not offered.
    static constexpr std::array<FormatBox, 8> FormatBoxes{{
        {"share_dialog_pdf", 1},
        {"share_dialog_png", 2},
        {"share_dialog_eps", 4},
        {"share_dialog_html", 5},
        {"share_dialog_txt", 6},
        {"share_dialog_twkx", 0},
        {"share_dialog_opml", 7},
        {"share_dialog_freemind", 8},
    }};

    using Density = ImageDensityChoice::Density;
    static constexpr const std::array<Density, 4>& Densities = ImageDensityChoice::Densities;

    // imageSize: the whole map's export size in points; selectionSize: the selection's, zero when
    // nothing is selected.
    MailOptionsViewController(Size imageSize, Size selectionSize);

    // Enables or disables the dialog's OK button; set by the dialog's owner.
    void setOkButton(std::function<void(bool enabled)> okButton);
    // Called after every update, for the view to show the new state.
    void setStateChanged(std::function<void()> stateChanged) { _stateChanged = std::move(stateChanged); }

    // Formats and density from the user defaults (PDF alone when no format set is stored).
    void restoreState();
    // Writes the formats and the density; the dialog's owner calls it on OK.
    void commitState() const;

    uint32_t exportFormats() const { return _formats; }
    void setExportFormats(uint32_t formats);
    bool isFormatChecked(int32_t format) const;
    void setFormatChecked(int32_t format, bool checked);

    size_t selectedDensityIndex() const { return _density.selectedIndex(); }
    void selectDensityIndex(size_t index);
    int selectedImageQuality() const { return _density.selectedImageQuality(); }
    double imageScaleFactor() const { return _density.imageScaleFactor(); }

    bool allowSelectionRange() const { return _allowSelectionRange; }
    bool selectionOnly() const { return _selectionOnly; }
    void setSelectionOnly(bool selectionOnly);

    // Recomputes what the view shows and the OK button's state.
    void imageFormatChanged();

    // ---- What the view shows, as of the last update ----
    bool selectionRadioEnabled() const { return _selectionRadioEnabled; }
    Size pngSize() const { return _density.pixelSize(); }
    bool pngSizeAcceptable() const { return _density.sizeAcceptable(); }
    // "<width> x <height>", with the too-large notice on a second line when it is too large.
    std::string sizeText() const { return _density.sizeText(); }
    const ImageDensityChoice& density() const { return _density; }
    bool pngControlsVisible() const { return isFormatChecked(PngFormat); }
    bool okEnabled() const { return _okEnabled; }

private:
    Size _imageSize;
    Size _selectionSize;
    bool _allowSelectionRange;
    uint32_t _formats = PdfOnly;
    ImageDensityChoice _density;
    bool _selectionOnly = false;
    bool _selectionRadioEnabled = false;
    bool _okEnabled = true;
    std::function<void(bool)> _okButton;
    std::function<void()> _stateChanged;
};
