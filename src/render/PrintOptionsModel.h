#pragma once

#include "platform/Geometry.h"
#include "render/PaperSizes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class UserDefaults;

// The figures of the print options accessory, apart from its widgets: how the map is fitted on
// paper, whole map or selection, paper format, page border and tile scale, and what that choice
// needs in sheets. The widget shows them and hands the user's changes back.
class PrintOptionsModel {
public:
    static constexpr const char* PrintModeKey = "PrintOptions.PrintMode";
    static constexpr const char* PageFormatKey = "PrintOptions.PageFormat";
    static constexpr const char* PageBorderKey = "PrintOptions.PageBorder";
    static constexpr const char* TileScaleKey = "PrintOptions.TileScale";

    enum PrintMode : int64_t { FitToPage = 0, ShrinkToPage = 1, TiledFit = 2, TiledScaled = 3 };
    enum PageBorder : int64_t { NoBorder = 0, RectangleBorder = 1, CornerMarkers = 2 };

    // The scale slider's steps: each is 0.02, step 0 is 0.10, so the range is 0.10 to 2.00.
    static constexpr int64_t MinimumSliderStep = 0;
    static constexpr int64_t MaximumSliderStep = 95;
    static constexpr int64_t DefaultPageFormat = 3; // A4
    // Stands in for a selection (or map) too small to print.
    static constexpr Size FallbackPrintSize{800, 500};
    // The sheet proportions the preview draws, portrait.
    static constexpr Size PreviewSheet{210, 290};

    PrintOptionsModel(Size mapSize, Size selectionSize);

    Size mapSize() const { return _mapSize; }
    Size selectionSize() const { return _selectionSize; }
    // The selection is large enough to print.
    bool allowSelectionRange() const { return _allowSelectionRange; }

    // 0 to 3; other values leave the mode as it is.
    int64_t printMode() const { return _printMode; }
    void setPrintMode(int64_t mode);

    // The range the user chose; selectionOnly() also needs a printable selection.
    bool selectionRangeChosen() const { return _selectionRangeChosen; }
    void setSelectionRangeChosen(bool chosen) { _selectionRangeChosen = chosen; }
    bool selectionOnly() const { return _allowSelectionRange && _selectionRangeChosen; }

    static double tileScaleForSliderStep(int64_t step);
    // The nearest step, kept on the slider; nothing for a scale that is not a number.
    static int64_t sliderStepForTileScale(double scale);
    int64_t sliderStep() const { return _sliderStep; }
    void setSliderStep(int64_t step);
    double tileScale() const { return tileScaleForSliderStep(_sliderStep); }
    // A scale that is not a finite number is ignored.
    void setTileScale(double scale);

    // The selected item of the paper format list; 0 while none is, as after selecting an index
    // that the list does not have.
    int64_t pageFormat() const { return _pageFormatItem < 0 ? 0 : _pageFormatItem; }
    int64_t pageFormatItem() const { return _pageFormatItem; }
    void setPageFormat(int64_t format);

    int64_t pageBorderItem() const { return _pageBorderItem; }
    void setPageBorderItem(int64_t item);
    // 1 rectangle, 2 corner marks, else 0.
    int64_t printOptions() const;

    // Applies each stored key that is present, read as an unsigned integer (the tile scale as a
    // number), as the controls would take it.
    void loadSettings(const UserDefaults& defaults);
    void commitSettings(UserDefaults& defaults) const;

    // ---- What the choice needs ----

    // One sheet for fitting and shrinking; the tiling over the paper less its margins otherwise.
    PrintMatrix printMatrix() const;
    bool scaleSliderEnabled() const { return _printMode == TiledFit || _printMode == TiledScaled; }
    // The localised scale label: the mode's name when fitting or shrinking, else "100%" and so on.
    std::string scaleLabelText() const;
    // "pages: columns x rows".
    std::string pagesLabelText() const;

    // The paper formats' names, by index.
    static std::vector<std::string> pageFormatNames();
    // The string-table keys of the print modes and of the page border items, by value.
    static const std::vector<const char*>& printModeKeys();
    static const std::vector<const char*>& pageBorderKeys();

    // Where the preview draws the sheets of a matrix in a view of that size: one rectangle per
    // sheet, column by column, centred, each shrunk by 2 on every side. The sheets have the
    // proportions of the paper given (turned as the matrix says), else of PreviewSheet.
    struct PreviewLayout {
        double scale = 0;
        std::vector<Rect> sheets;
    };
    static PreviewLayout previewLayout(const PrintMatrix& matrix, Size bounds, std::optional<Size> paper = {});

private:
    Size _mapSize;
    Size _selectionSize;
    bool _allowSelectionRange;
    int64_t _printMode = FitToPage;
    bool _selectionRangeChosen = false;
    int64_t _sliderStep;
    int64_t _pageFormatItem = DefaultPageFormat;
    int64_t _pageBorderItem = NoBorder;
};
