#include "render/gtk/PrintOptionsViewController.h"

#include "platform/BezierPath.h"
#include "platform/CairoGraphicsContext.h"
#include "platform/Localizer.h"
#include "platform/UserDefaults.h"
#include "platform/gtk/LabelledField.h"
#include "render/TiledMindMapRenderingView.h"

namespace {

constexpr int PreviewWidth = 300;
constexpr int PreviewHeight = 200;
constexpr double PreviewLineWidth = 1.0;
const Color PreviewBackground = Color(0.83, 0.83, 0.83, 1);
const Color PreviewSheetStroke = Color(0.33, 0.33, 0.33, 1);

} // namespace

PrintMatrixPreview::PrintMatrixPreview()
{
    set_size_request(PreviewWidth, PreviewHeight);
}

void PrintMatrixPreview::setPrintMatrix(const PrintMatrix* matrix)
{
    if (!matrix) return;
    _printMatrix.assign(matrix);
    _printMatrix.validate();
    queue_draw();
}

void PrintMatrixPreview::setPages(std::shared_ptr<const TiledMindMapRenderingView> pages)
{
    _pages = std::move(pages);
    if (_pages) setPrintMatrix(&_pages->printMatrix());
    queue_draw();
}

bool PrintMatrixPreview::on_draw(const Cairo::RefPtr<Cairo::Context>& cr)
{
    const Size bounds{static_cast<double>(get_allocated_width()), static_cast<double>(get_allocated_height())};
    CairoGraphicsContext cairoContext(cr->cobj(), GraphicsSurfaceKind::Screen);
    GraphicsContext& context = cairoContext;
    BezierPath background;
    background.appendRect(Rect(Point{0, 0}, bounds));
    context.fillPath(background, PreviewBackground);

    std::optional<Size> paper;
    if (_pages) paper = _pages->pageSize();
    const std::vector<Rect> layout = PrintOptionsModel::previewLayout(_printMatrix, bounds, paper).sheets;
    BezierPath sheets;
    for (const Rect& sheet : layout) sheets.appendRect(sheet);
    sheets.setLineWidth(PreviewLineWidth);
    context.fillPath(sheets, Color::white());
    // The sheets are laid out column by column; the pages run along a row, then down.
    const int64_t columns = _printMatrix.columns(), rows = _printMatrix.rows();
    if (_pages && int64_t(layout.size()) == columns * rows && columns * rows <= MaximumDrawnSheets) {
        const Size page = _pages->pageSize();
        for (int64_t column = 0; column < columns; ++column) {
            for (int64_t row = 0; row < rows; ++row) {
                const Rect& sheet = layout[size_t(column * rows + row)];
                context.save();
                context.clipToRect(sheet);
                context.translate(sheet.minX(), sheet.minY());
                context.scale(sheet.width() / page.width, sheet.height() / page.height);
                _pages->drawPage(context, row * columns + column);
                context.restore();
            }
        }
    }
    context.strokePath(sheets, StrokeStyle::solid(PreviewSheetStroke));
    return true;
}

PrintOptionsViewController::PrintOptionsViewController(Size mapSize, Size selectionSize, MindMap* mindMap)
    : _model(mapSize, selectionSize), _mindMap(mindMap), _scaleSlider(Gtk::ORIENTATION_HORIZONTAL)
{
    buildView();
    ++_updating;
    initPageFormatPopup();
    _model.loadSettings(UserDefaults::standard());
    --_updating;
    tileScaleChanged();
}

void PrintOptionsViewController::buildView()
{
    _printModeLabel.set_text(localized("print_mode"));
    Gtk::RadioButton::Group modes = _modeRadios[0].get_group();
    for (size_t mode = 0; mode < _modeRadios.size(); ++mode) {
        if (mode > 0) _modeRadios[mode].set_group(modes);
        _modeRadios[mode].set_label(localized(PrintOptionsModel::printModeKeys()[mode]));
        _modeRadios[mode].signal_toggled().connect([this] { controlsChanged(); });
    }
    _printRangeLabel.set_text(localized("share_dialog_print_range"));
    _rangeMindMapRadio.set_label(localized("share_dialog_print_range_mindmap"));
    _rangeSelectionRadio.set_label(localized("share_dialog_print_range_selection"));
    Gtk::RadioButton::Group range = _rangeMindMapRadio.get_group();
    _rangeSelectionRadio.set_group(range);
    _rangeSelectionRadio.set_sensitive(_model.allowSelectionRange());
    _rangeSelectionRadio.signal_toggled().connect([this] { controlsChanged(); });

    _scaleSlider.set_range(static_cast<double>(PrintOptionsModel::MinimumSliderStep),
                           static_cast<double>(PrintOptionsModel::MaximumSliderStep));
    _scaleSlider.set_increments(1, 5);
    _scaleSlider.set_digits(0);
    _scaleSlider.set_draw_value(false);
    _scaleSlider.set_hexpand(true);
    _scaleSlider.signal_value_changed().connect([this] { controlsChanged(); });

    _pagesInfoLabel.set_text(localized("print_dialog_required_pages_title"));
    _pageFormatLabel.set_text(localized("page_size_caption"));
    _pageFormatPopup.signal_changed().connect([this] { controlsChanged(); });
    _pageBorderLabel.set_text(localized("page_border_caption"));
    for (const char* key : PrintOptionsModel::pageBorderKeys()) _pageBorderPopup.append(localized(key));
    _pageBorderPopup.signal_changed().connect([this] { controlsChanged(); });

    for (Gtk::Label* label : {&_printModeLabel, &_printRangeLabel, &_pagesInfoLabel, &_pageFormatLabel,
                              &_pageBorderLabel, &_scaleLabel, &_pagesLabel}) {
        label->set_xalign(0);
    }
    _view.set_row_spacing(6);
    _view.set_column_spacing(12);
    _view.set_border_width(12);
    int row = 0;
    labelField(_scaleLabel, _scaleSlider);
    labelField(_pageFormatLabel, _pageFormatPopup);
    labelField(_pageBorderLabel, _pageBorderPopup);
    _view.attach(_printModeLabel, 0, row);
    for (Gtk::RadioButton& radio : _modeRadios) _view.attach(radio, 1, row++);
    _view.attach(_scaleLabel, 1, row++);
    _view.attach(_scaleSlider, 1, row++);
    _view.attach(_printRangeLabel, 0, row);
    _view.attach(_rangeMindMapRadio, 1, row++);
    _view.attach(_rangeSelectionRadio, 1, row++);
    _view.attach(_pageFormatLabel, 0, row);
    _view.attach(_pageFormatPopup, 1, row++);
    _view.attach(_pageBorderLabel, 0, row);
    _view.attach(_pageBorderPopup, 1, row++);
    _view.attach(_pagesInfoLabel, 0, row);
    _view.attach(_pagesLabel, 1, row++);
    _view.attach(_preview, 0, row, 2, 1);
    _view.show_all();
}

void PrintOptionsViewController::initPageFormatPopup()
{
    _pageFormatPopup.remove_all();
    for (const std::string& name : PrintOptionsModel::pageFormatNames()) _pageFormatPopup.append(name);
    _model.setPageFormat(PrintOptionsModel::DefaultPageFormat);
}

void PrintOptionsViewController::setPrintMode(int64_t mode)
{
    _model.setPrintMode(mode);
    tileScaleChanged();
}

void PrintOptionsViewController::setTileScale(double scale)
{
    _model.setTileScale(scale);
    tileScaleChanged();
}

void PrintOptionsViewController::setPageFormat(int64_t format)
{
    _model.setPageFormat(format);
    tileScaleChanged();
}

void PrintOptionsViewController::loadSettings()
{
    _model.loadSettings(UserDefaults::standard());
    tileScaleChanged();
}

void PrintOptionsViewController::commitSettings()
{
    _model.commitSettings(UserDefaults::standard());
}

void PrintOptionsViewController::controlsChanged()
{
    if (_updating) return;
    for (size_t mode = 0; mode < _modeRadios.size(); ++mode) {
        if (_modeRadios[mode].get_active()) _model.setPrintMode(static_cast<int64_t>(mode));
    }
    _model.setSelectionRangeChosen(_rangeSelectionRadio.get_active());
    _model.setSliderStep(static_cast<int64_t>(std::lround(_scaleSlider.get_value())));
    _model.setPageFormat(_pageFormatPopup.get_active_row_number());
    _model.setPageBorderItem(_pageBorderPopup.get_active_row_number());
    tileScaleChanged();
}

void PrintOptionsViewController::tileScaleChanged()
{
    showModel();
    _scaleLabel.set_text(_model.scaleLabelText());
    _scaleSlider.set_sensitive(_model.scaleSliderEnabled());
    _pagesLabel.set_text(_model.pagesLabelText());
    if (_mindMap) {
        // The pages the print makes of the choice: their sheets, orientation and map.
        _preview.setPages(std::make_shared<TiledMindMapRenderingView>(
            *_mindMap, _model.selectionOnly(), static_cast<uint32_t>(_model.printMode()), _model.tileScale(),
            PaperSizeForFormat(_model.pageFormat()), static_cast<uint32_t>(_model.printOptions())));
        return;
    }
    const PrintMatrix matrix = _model.printMatrix();
    _preview.setPrintMatrix(&matrix);
}

void PrintOptionsViewController::showModel()
{
    ++_updating;
    _modeRadios[static_cast<size_t>(_model.printMode())].set_active(true);
    if (_model.selectionRangeChosen() && _model.allowSelectionRange()) _rangeSelectionRadio.set_active(true);
    else _rangeMindMapRadio.set_active(true);
    _scaleSlider.set_value(static_cast<double>(_model.sliderStep()));
    _pageFormatPopup.set_active(static_cast<int>(_model.pageFormatItem()));
    _pageBorderPopup.set_active(static_cast<int>(_model.pageBorderItem()));
    --_updating;
}
