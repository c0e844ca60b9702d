#include "render/PrintOptionsModel.h"

#include "platform/Localizer.h"
#include "platform/NumberText.h"
#include "platform/UserDefaults.h"

#include <algorithm>
#include <cmath>

namespace {

// Beyond this the preview shows the grid as one block: its sheets would be specks anyway, and a
// hostile map size must not make millions of rectangles.
constexpr int64_t MaximumPreviewSheets = 4096;
constexpr double PreviewSheetInset = 2;
constexpr double PreviewBorder = 4;

// How a stored integer selects a control: as an unsigned value, so that a negative one selects
// nothing rather than a neighbour.
int64_t storedIndex(const PropertyList& value)
{
    const int64_t index = value.integerValue(-1);
    return index < 0 ? -1 : index;
}

} // namespace

PrintOptionsModel::PrintOptionsModel(Size mapSize, Size selectionSize)
    : _mapSize(mapSize),
      _selectionSize(selectionSize),
      _allowSelectionRange(!PrintSizeTooSmall(selectionSize.width, selectionSize.height)),
      _sliderStep(sliderStepForTileScale(1.0))
{
}

void PrintOptionsModel::setPrintMode(int64_t mode)
{
    if (mode >= FitToPage && mode <= TiledScaled) _printMode = mode;
}

double PrintOptionsModel::tileScaleForSliderStep(int64_t step)
{
    return static_cast<double>(2 * step + 10) / 100.0;
}

int64_t PrintOptionsModel::sliderStepForTileScale(double scale)
{
    const double step = std::round((scale * 100.0 - 10.0) * 0.5);
    if (std::isnan(step)) return MinimumSliderStep;
    return static_cast<int64_t>(
        std::clamp(step, static_cast<double>(MinimumSliderStep), static_cast<double>(MaximumSliderStep)));
}

void PrintOptionsModel::setSliderStep(int64_t step)
{
    _sliderStep = std::clamp(step, MinimumSliderStep, MaximumSliderStep);
}

void PrintOptionsModel::setTileScale(double scale)
{
    if (std::isfinite(scale)) _sliderStep = sliderStepForTileScale(scale);
}

void PrintOptionsModel::setPageFormat(int64_t format)
{
    _pageFormatItem = format >= 0 && format <= PaperFormatCount() ? format : -1;
}

void PrintOptionsModel::setPageBorderItem(int64_t item)
{
    _pageBorderItem = item >= NoBorder && item <= CornerMarkers ? item : -1;
}

int64_t PrintOptionsModel::printOptions() const
{
    return _pageBorderItem == RectangleBorder || _pageBorderItem == CornerMarkers ? _pageBorderItem : 0;
}

void PrintOptionsModel::loadSettings(const UserDefaults& defaults)
{
    PropertyList mode = defaults.objectForKey(PrintModeKey);
    if (!mode.isNone()) setPrintMode(storedIndex(mode));
    PropertyList format = defaults.objectForKey(PageFormatKey);
    if (!format.isNone()) setPageFormat(storedIndex(format));
    PropertyList border = defaults.objectForKey(PageBorderKey);
    if (!border.isNone()) setPageBorderItem(storedIndex(border));
    PropertyList scale = defaults.objectForKey(TileScaleKey);
    if (!scale.isNone()) setTileScale(scale.realValue(std::nan("")));
}

void PrintOptionsModel::commitSettings(UserDefaults& defaults) const
{
    defaults.setInteger(PrintModeKey, _printMode);
    // Stored in single precision, as the scale always was.
    defaults.setDouble(TileScaleKey, static_cast<double>(static_cast<float>(tileScale())));
    defaults.setInteger(PageFormatKey, pageFormat());
    defaults.setInteger(PageBorderKey, _pageBorderItem);
}

PrintMatrix PrintOptionsModel::printMatrix() const
{
    Size size = selectionOnly() ? _selectionSize : _mapSize;
    if (PrintSizeTooSmall(size.width, size.height)) size = FallbackPrintSize;
    const Size area = PrintRectWithMargin(Rect(Point{0, 0}, size)).size;
    if (!scaleSliderEnabled()) return PrintMatrix(area);
    const Size paper = PaperSizeForFormat(pageFormat());
    const Size page{paper.width - 2 * PrintSheetMargin, paper.height - 2 * PrintSheetMargin};
    return PrintUtils::calcPrintMatrix(Size{area.width * PrintOutputScale, area.height * PrintOutputScale}, page,
                                       tileScale());
}

std::string PrintOptionsModel::scaleLabelText() const
{
    std::string scaleText;
    if (scaleSliderEnabled()) scaleText = formatFixed(tileScale() * 100.0, 0) + "%";
    else scaleText = localized(printModeKeys()[static_cast<size_t>(_printMode)]);
    return localizedFormat("print_dialog_scale_format", {scaleText});
}

std::string PrintOptionsModel::pagesLabelText() const
{
    const PrintMatrix matrix = printMatrix();
    return formatInteger(matrix.pages()) + ": " + formatInteger(matrix.columns()) + " x " +
        formatInteger(matrix.rows());
}

std::vector<std::string> PrintOptionsModel::pageFormatNames()
{
    std::vector<std::string> names;
    for (int64_t i = 0; i <= PaperFormatCount(); ++i) names.push_back(PaperFormatName(i));
    return names;
}

const std::vector<const char*>& PrintOptionsModel::printModeKeys()
{
    static const std::vector<const char*> keys = {"print_mode_fit_to_page", "print_mode_shrink_to_page",
                                                  "print_mode_tile_fit", "print_mode_tile_scaled"};
    return keys;
}

const std::vector<const char*>& PrintOptionsModel::pageBorderKeys()
{
    static const std::vector<const char*> keys = {"page_border_no_border", "page_border_rectangle_border",
                                                  "page_border_corner_markers"};
    return keys;
}

PrintOptionsModel::PreviewLayout PrintOptionsModel::previewLayout(const PrintMatrix& matrix, Size bounds,
                                                                  std::optional<Size> paper)
{
    const Size portrait = paper && paper->width > 0 && paper->height > 0
        ? Size{std::min(paper->width, paper->height), std::max(paper->width, paper->height)}
        : PreviewSheet;
    const Size sheet = matrix.isPortrait() ? portrait : Size{portrait.height, portrait.width};
    const double width = std::trunc(bounds.width - PreviewBorder);
    const double height = std::trunc(bounds.height - PreviewBorder);
    const double columns = static_cast<double>(matrix.columns());
    const double rows = static_cast<double>(matrix.rows());
    PreviewLayout layout;
    layout.scale = std::min(width / (columns * sheet.width), height / (rows * sheet.height));
    if (!(layout.scale > 0)) return layout;
    const double ox = (bounds.width - columns * sheet.width * layout.scale) * 0.5;
    const double oy = (bounds.height - rows * sheet.height * layout.scale) * 0.5;
    const Size scaled{sheet.width * layout.scale, sheet.height * layout.scale};
    if (matrix.pages() > MaximumPreviewSheets) {
        layout.sheets.push_back(insetRect(Rect(ox, oy, columns * scaled.width, rows * scaled.height), PreviewSheetInset,
                                          PreviewSheetInset));
        return layout;
    }
    for (int64_t c = 0; c < matrix.columns(); ++c) {
        for (int64_t r = 0; r < matrix.rows(); ++r) {
            const Rect sheetRect(ox + static_cast<double>(c) * scaled.width,
                                 oy + static_cast<double>(r) * scaled.height, scaled.width, scaled.height);
            layout.sheets.push_back(insetRect(sheetRect, PreviewSheetInset, PreviewSheetInset));
        }
    }
    return layout;
}
