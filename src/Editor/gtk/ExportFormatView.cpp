#include "Editor/gtk/ExportFormatView.h"

#include "Editor/gtk/ImageDensityViews.h"
#include "platform/Localizer.h"
#include "platform/gtk/GtkAlertPanel.h"
#include "platform/gtk/LabelledField.h"

namespace {

void setUpLabel(Gtk::Label& label, const char* key)
{
    label.set_text(localized(key));
    label.set_xalign(0);
}

} // namespace

ExportFormatView::ExportFormatView(ExportFormatViewController& controller) : _controller(controller)
{
    set_row_spacing(6);
    set_column_spacing(12);
    set_border_width(6);
    setUpLabel(_formatLabel, "save_to_file_dialog_file_format");
    attach(_formatLabel, 0, 0);
    _noFormat.set_group(_formatGroup);
    for (size_t i = 0; i < _formatRadios.size(); ++i) {
        const ExportFormatViewController::FormatRadio& radio = _controller.formatRadios()[i];
        _formatRadios[i].set_group(_formatGroup);
        _formatRadios[i].set_label(localized(radio.titleKey));
        _formatRadios[i].signal_toggled().connect([this, i, format = radio.format] {
            if (!_showing && _formatRadios[i].get_active()) {
                _controller.selectFormat(format);
                showController();
            }
        });
        // Two columns: PDF, PNG, EPS, HTML down the first, the rest down the second.
        attach(_formatRadios[i], 1 + static_cast<int>(i / 4), static_cast<int>(i % 4));
    }
    setUpLabel(_qualityLabel, "share_dialog_png_density");
    fillDensityPopup(_qualityPopup);
    _qualityPopup.signal_changed().connect([this] {
        const int row = _qualityPopup.get_active_row_number();
        if (_showing || row < 0) return;
        _controller.selectDensityIndex(static_cast<size_t>(row));
        showController();
    });
    _sizeLabel.set_xalign(0);
    setUpLabel(_rangeLabel, "share_dialog_export_range");
    _wholeMapRadio.set_label(localized("share_dialog_print_range_mindmap"));
    _selectionRadio.set_label(localized("share_dialog_print_range_selection"));
    Gtk::RadioButton::Group range = _wholeMapRadio.get_group();
    _selectionRadio.set_group(range);
    _selectionRadio.signal_toggled().connect([this] {
        if (_showing) return;
        _controller.setSelectionRangeChosen(_selectionRadio.get_active());
        showController();
    });
    labelField(_qualityLabel, _qualityPopup);
    attach(_qualityLabel, 0, 4);
    attach(_qualityPopup, 1, 4, 2, 1);
    attach(_sizeLabel, 1, 5, 2, 1);
    attach(_rangeLabel, 0, 6);
    attach(_wholeMapRadio, 1, 6);
    attach(_selectionRadio, 2, 6);
    // The alert shows its accessory with show_all; these follow the format instead.
    _qualityLabel.set_no_show_all(true);
    _qualityPopup.set_no_show_all(true);
    _sizeLabel.set_no_show_all(true);
    show_all();
    // Tells the question's OK button its state from the start.
    _controller.imageFormatChanged();
    showController();
}

void ExportFormatView::showController()
{
    ++_showing;
    // Only the radio that is on is touched: switching the group through the hidden radio while the
    // clicked one is still reporting its toggle would leave none of them on.
    bool anyOn = false;
    for (size_t i = 0; i < _formatRadios.size(); ++i) {
        if (!_controller.formatRadios()[i].on) continue;
        _formatRadios[i].set_active(true);
        anyOn = true;
    }
    if (!anyOn) _noFormat.set_active(true);
    _qualityPopup.set_active(static_cast<int>(_controller.density().selectedIndex()));
    const bool bitmap = _controller.densityControlsVisible();
    _qualityLabel.set_text(localized(ImageDensityChoice::labelKey(_controller.selectedExportFormat())));
    _qualityLabel.set_visible(bitmap);
    _qualityPopup.set_visible(bitmap);
    _sizeLabel.set_visible(bitmap);
    showImageSizeLine(_sizeLabel, _controller.sizeText(), _controller.sizeAcceptable());
    _selectionRadio.set_sensitive(_controller.selectionRangeOffered());
    if (_controller.selectionOnly()) _selectionRadio.set_active(true);
    else _wholeMapRadio.set_active(true);
    --_showing;
}

void ExportFormatView::registerAccessory()
{
    GtkAlertPanel::registerAccessory(ExportFormatViewController::AccessoryName,
                                     [](const std::any& model) -> Gtk::Widget* {
                                         auto* const* controller = std::any_cast<ExportFormatViewController*>(&model);
                                         if (!controller || !*controller) return nullptr;
                                         return Gtk::manage(new ExportFormatView(**controller));
                                     });
}
