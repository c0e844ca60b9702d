#include "preferences/gtk/ImageSettingsViewController.h"

#include "platform/Localizer.h"
#include "platform/UserDefaults.h"
#include "platform/gtk/LabelledField.h"
#include "store/CustomImageSettings.h"

#include <gtkmm/box.h>
#include <gtkmm/label.h>

#include <utility>

namespace {

Gtk::Label* rowLabel(const char* key)
{
    auto* label = Gtk::make_managed<Gtk::Label>(localized(key));
    label->set_halign(Gtk::ALIGN_END);
    return label;
}

void fill(Gtk::ComboBoxText& popup, ImageSizePopupButtons::Items items)
{
    popup.remove_all();
    for (const ImageSizePopupButtons::Item& item : items) popup.append(localized(item.titleKey));
}

} // namespace

ImageSettingsViewController::ImageSettingsViewController(const PreferencePaneInfo& info)
    : PreferencePane(info), _model(CustomImageSettings::customImageSettings())
{
}

Gtk::Widget& ImageSettingsViewController::loadView()
{
    _loading = true;
    _grid.set_row_spacing(8);
    _grid.set_column_spacing(12);
    fill(_imageSize, ImageSizePopupButtons::EmbeddedImageSizes);
    fill(_thumbnailSize, ImageSizePopupButtons::ThumbnailImageSizes);
    _imageSize.set_active(int(_model.imageSizeIndex()));
    _thumbnailSize.set_active(int(_model.thumbnailSizeIndex()));
    int row = 0;
    for (auto [key, popup] :
         {std::pair{"image_size_limit_caption", &_imageSize}, std::pair{"default_thumbnail_size", &_thumbnailSize}}) {
        Gtk::Label* label = rowLabel(key);
        labelField(*label, *popup);
        _grid.attach(*label, 0, row);
        _grid.attach(*popup, 1, row++);
    }
    _imageSize.set_halign(Gtk::ALIGN_START);
    _thumbnailSize.set_halign(Gtk::ALIGN_START);

    _standard.set_label(localized("image_density_default"));
    _native.set_label(localized("image_density_native"));
    _native.join_group(_standard);
    (_model.addInNativeDensity() ? _native : _standard).set_active(true);
    auto* density = Gtk::make_managed<Gtk::Box>(Gtk::ORIENTATION_VERTICAL, 4);
    density->pack_start(_standard, Gtk::PACK_SHRINK);
    density->pack_start(_native, Gtk::PACK_SHRINK);
    auto* densityLabel = rowLabel("image_density_caption");
    densityLabel->set_valign(Gtk::ALIGN_START);
    _grid.attach(*densityLabel, 0, 2);
    _grid.attach(*density, 1, 2);

    auto* hint = Gtk::make_managed<Gtk::Label>(localized("image_settings_dialog_message"));
    hint->set_line_wrap(true);
    hint->set_max_width_chars(55);
    hint->set_xalign(0);
    hint->get_style_context()->add_class("dim-label");
    _grid.attach(*hint, 0, 3, 2, 1);

    _cleanup.set_label(localized("cleanup_images_at_shutdown"));
    _cleanup.set_active(UserDefaults::standard().boolForKey(ImageSettingsModel::CleanupLocalImagesKey));
    _grid.attach(_cleanup, 0, 4, 2, 1);
    _loading = false;

    _imageSize.signal_changed().connect([this] { imageOptionsChanged(); });
    _thumbnailSize.signal_changed().connect([this] { imageOptionsChanged(); });
    _native.signal_toggled().connect([this] { imageOptionsChanged(); });
    _cleanup.signal_toggled().connect(
        [this] { UserDefaults::standard().setBool(ImageSettingsModel::CleanupLocalImagesKey, _cleanup.get_active()); });
    return _grid;
}

void ImageSettingsViewController::imageOptionsChanged()
{
    if (_loading) return;
    _model.imageOptionsChanged(_imageSize.get_active_row_number(), _native.get_active(),
                               _thumbnailSize.get_active_row_number());
}
