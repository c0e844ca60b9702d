#include "panels/gtk/ImageLinkDialog.h"

#include "panels/ModalResult.h"
#include "panels/gtk/ModalDialog.h"
#include "panels/gtk/StoredWindowFrame.h"
#include "platform/Image.h"
#include "platform/Localizer.h"
#include "platform/gtk/LabelledField.h"

#include <algorithm>

namespace {

constexpr int PreviewSide = 160;

std::function<void(ImageLinkDialog&)>& shownObserver()
{
    static std::function<void(ImageLinkDialog&)> observer;
    return observer;
}

void setUpLabel(Gtk::Label& label, const std::string& text)
{
    label.set_text(text);
    label.set_halign(Gtk::ALIGN_START);
}

void fillPopup(Gtk::ComboBoxText& popup, ImageSizePopupButtons::Items items, size_t selected)
{
    popup.remove_all();
    for (const ImageSizePopupButtons::Item& item : items) popup.append(localized(item.titleKey));
    popup.set_active(static_cast<int>(selected));
}

} // namespace

ImageLinkDialog::ImageLinkDialog(ImageLinkPanelController& controller) : _controller(controller)
{
    set_title(localized(ImageLinkPanelController::TitleKey));
    set_resizable(false);
    add_button(localized("cancel_button_title"), Gtk::RESPONSE_CANCEL);
    _ok = add_button(localized("ok_button_title"), ModalResult::OK);
    set_default_response(ModalResult::OK);

    _preview.set_size_request(PreviewSide, PreviewSide);
    _preview.signal_draw().connect(sigc::mem_fun(*this, &ImageLinkDialog::drawPreview), false);
    setUpLabel(_sourceSizeLabel, _controller.sourceSizeText());
    _sourceSizeLabel.set_halign(Gtk::ALIGN_CENTER);
    setUpLabel(_modeLabel, localized(ImageLinkPanelController::ModeLabelKey));
    setUpLabel(_thumbnailLabel, localized(ImageLinkPanelController::ThumbnailLabelKey));
    setUpLabel(_sizeLabel, localized(_controller.sizePopup().labelKey));
    setUpLabel(_convertToPngHint, localized(ImageLinkPanelController::ConvertToPngHintKey));
    _convertToPngHint.set_line_wrap(true);
    _convertToPngHint.set_max_width_chars(40);
    _convertToPngHint.get_style_context()->add_class("dim-label");
    _convertToPng.set_label(localized(ImageLinkPanelController::ConvertToPngKey));

    for (size_t i = 0; i < _modeRadios.size(); ++i) {
        const ImageLinkPanelController::ModeRadio& radio = _controller.modeRadios()[i];
        _modeRadios[i].set_group(_group);
        _modeRadios[i].set_label(localized(radio.titleKey));
        _modeRadios[i].signal_toggled().connect([this, i, mode = radio.linkMode] {
            if (!_showing && _modeRadios[i].get_active()) _controller.linkModeRadioClicked(mode);
        });
        _modeBox.pack_start(_modeRadios[i], Gtk::PACK_SHRINK);
    }
    _thumbnailPopup.signal_changed().connect([this] {
        const int row = _thumbnailPopup.get_active_row_number();
        if (!_showing && row >= 0) _controller.selectThumbnailIndex(static_cast<size_t>(row));
    });
    _sizePopup.signal_changed().connect([this] {
        const int row = _sizePopup.get_active_row_number();
        if (!_showing && row >= 0) _controller.selectSizeIndex(static_cast<size_t>(row));
    });
    _convertToPng.signal_toggled().connect([this] {
        if (!_showing) _controller.setConvertToPngChecked(_convertToPng.get_active());
    });

    _grid.set_row_spacing(8);
    _grid.set_column_spacing(12);
    _grid.set_border_width(12);
    _grid.attach(_preview, 0, 0, 1, 4);
    _grid.attach(_sourceSizeLabel, 0, 4, 1, 1);
    _grid.attach(_modeLabel, 1, 0, 2, 1);
    _grid.attach(_modeBox, 1, 1, 2, 1);
    labelField(_thumbnailLabel, _thumbnailPopup);
    labelField(_sizeLabel, _sizePopup);
    _grid.attach(_thumbnailLabel, 1, 2, 1, 1);
    _grid.attach(_thumbnailPopup, 2, 2, 1, 1);
    _grid.attach(_sizeLabel, 1, 3, 1, 1);
    _grid.attach(_sizePopup, 2, 3, 1, 1);
    _grid.attach(_convertToPng, 1, 4, 2, 1);
    _grid.attach(_convertToPngHint, 1, 5, 2, 1);
    get_content_area()->pack_start(_grid, Gtk::PACK_EXPAND_WIDGET);
    // Shown and hidden by the mode alone, whoever shows the dialog's children.
    for (Gtk::Widget* widget :
         std::initializer_list<Gtk::Widget*>{&_sizeLabel, &_sizePopup, &_convertToPng, &_convertToPngHint})
        widget->set_no_show_all(true);
    _grid.show_all();

    _controller.setChangedHandler([this] { showController(); });
    showController();
    applyStoredWindowFrame(*this, ImageLinkPanelController::FrameName);
}

ImageLinkDialog::~ImageLinkDialog()
{
    _controller.setChangedHandler(nullptr);
}

void ImageLinkDialog::on_hide()
{
    storeWindowFrame(*this, ImageLinkPanelController::FrameName);
    Gtk::Dialog::on_hide();
}

void ImageLinkDialog::showController()
{
    ++_showing;
    for (size_t i = 0; i < _modeRadios.size(); ++i) {
        const ImageLinkPanelController::ModeRadio& radio = _controller.modeRadios()[i];
        _modeRadios[i].set_sensitive(radio.enabled);
        if (radio.on) _modeRadios[i].set_active(true);
    }
    fillPopup(_thumbnailPopup, _controller.thumbnailSizes(), _controller.thumbnailIndex());
    const ImageLinkPanelController::SizePopup& size = _controller.sizePopup();
    fillPopup(_sizePopup, size.items, size.selectedIndex);
    _sizeLabel.set_text(localized(size.labelKey));
    _sizeLabel.set_visible(size.visible);
    _sizePopup.set_visible(size.visible);
    _convertToPng.set_active(_controller.convertToPngChecked());
    _convertToPng.set_visible(_controller.convertToPngVisible());
    _convertToPngHint.set_visible(_controller.convertToPngVisible());
    --_showing;
}

bool ImageLinkDialog::drawPreview(const Cairo::RefPtr<Cairo::Context>& cr)
{
    const Image* image = _controller.previewImage();
    if (!image || image->isNull() || image->pixelWidth() <= 0 || image->pixelHeight() <= 0) return true;
    const double width = _preview.get_allocated_width();
    const double height = _preview.get_allocated_height();
    const double scale = std::min({width / image->pixelWidth(), height / image->pixelHeight(), 1.0});
    cairo_t* context = cr->cobj();
    cairo_save(context);
    cairo_translate(context, (width - image->pixelWidth() * scale) / 2, (height - image->pixelHeight() * scale) / 2);
    cairo_scale(context, scale, scale);
    cairo_set_source_surface(context, image->surface(), 0, 0);
    cairo_pattern_set_filter(cairo_get_source(context), CAIRO_FILTER_GOOD);
    cairo_paint(context);
    cairo_restore(context);
    return true;
}

void installImageLinkDialog()
{
    ImageLinkPanelController::setWindow([](ImageLinkPanelController& controller) {
        ImageLinkDialog dialog(controller);
        sigc::connection shown;
        if (shownObserver()) shown = dialog.signal_show().connect([&dialog] { shownObserver()(dialog); });
        const int result = ModalDialog::run(dialog);
        shown.disconnect();
        return result;
    });
}

void setImageLinkDialogShownObserver(std::function<void(ImageLinkDialog& dialog)> observer)
{
    shownObserver() = std::move(observer);
}
