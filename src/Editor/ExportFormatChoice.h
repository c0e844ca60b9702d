#pragma once

#include "Editor/ImageDensityChoice.h"
#include "platform/Geometry.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

// What the export save panel lets the user choose besides the file: its type, and for the formats
// that can export a selection, whether only the selection goes out. The widget shows it and hands
// it every change; the host reads it once the panel closes. The last type chosen is remembered.
class ExportFormatChoice {
public:
    static constexpr const char* ExtensionKey = "export.format.type.extension";
    static constexpr const char* ImageQualityKey = "export.image.quality";

    struct FileType {
        const char* extension;
        const char* titleKey;
        int32_t format; // the map's export code
    };
    // The type list in the order the panel shows it; EPS comes before TIFF, so an index is not a
    // format code.
    static constexpr std::array<FileType, 9> FileTypes{{
        {"twkx", "share_dialog_twkx", 0},
        {"pdf", "share_dialog_pdf", 1},
        {"png", "share_dialog_png", 2},
        {"eps", "share_dialog_eps", 4},
        {"tiff", "share_dialog_tiff", 3},
        {"html", "share_dialog_html", 5},
        {"txt", "share_dialog_txt", 6},
        {"opml", "share_dialog_opml", 7},
        {"mm", "share_dialog_freemind", 8},
    }};
    static constexpr size_t PdfIndex = 1;

    // imageSize: the whole map's export size; selectionSize: the selection's, zero when nothing
    // is selected. The stored type and density are selected; PDF and the first density when none
    // (or an unknown one) is stored.
    ExportFormatChoice(Size imageSize, Size selectionSize);

    Size imageSize() const { return _imageSize; }
    Size selectionSize() const { return _selectionSize; }

    size_t selectedIndex() const { return _selectedIndex; }
    // An index past the list is ignored.
    void setSelectedIndex(size_t index);
    const FileType& selectedType() const { return FileTypes[_selectedIndex]; }
    std::string selectedExtension() const { return selectedType().extension; }
    // The index of an extension (any letter case); PdfIndex when the list has none.
    static size_t indexOfExtension(const std::string& extension);

    // Something is selected.
    bool allowSelectionRange() const { return _allowSelectionRange; }
    // The selected type can export a selection and there is one.
    bool selectionRangeOffered() const;
    bool selectionRangeChosen() const { return _selectionRangeChosen; }
    void setSelectionRangeChosen(bool chosen) { _selectionRangeChosen = chosen; }
    // Only the selection goes out: chosen, and offered for the type selected now.
    bool selectionOnly() const { return selectionRangeOffered() && _selectionRangeChosen; }

    const ImageDensityChoice& density() const { return _density; }
    void selectDensityIndex(size_t index) { _density.selectIndex(index); }
    int selectedImageQuality() const { return _density.selectedImageQuality(); }
    double imageScaleFactor() const { return _density.imageScaleFactor(); }
    // The density and the size line matter only for the bitmap types.
    bool densityControlsVisible() const;
    // The size line for what would be exported now: the selection or the whole map, at the
    // density chosen.
    std::string sizeText() const;
    bool sizeAcceptable() const;

    // Remembers the extension of the file actually written and the density for the next panel.
    void commitSelectedExportFormat(const std::string& extension) const;

private:
    Size _imageSize;
    Size _selectionSize;
    bool _allowSelectionRange;
    size_t _selectedIndex = PdfIndex;
    bool _selectionRangeChosen = false;
    ImageDensityChoice _density;

    ImageDensityChoice densityFor() const;
};
