#include "panels/ImageLinkPanelController.h"

#include "panels/ModalResult.h"
#include "platform/Localizer.h"
#include "platform/NumberText.h"
#include "store/CustomImageSettings.h"

#include <cmath>

namespace {

ImageLinkPanelController::Window& installedWindow()
{
    static ImageLinkPanelController::Window window;
    return window;
}

std::string pointsText(double points)
{
    return std::isfinite(points) ? formatFixed(points, 0) : std::string("0");
}

} // namespace

void ImageLinkPanelController::setWindow(Window window)
{
    installedWindow() = std::move(window);
}

bool ImageLinkPanelController::executeWithImageLinkData(ImageLinkData& data)
{
    if (!installedWindow()) return false;
    ImageLinkPanelController controller;
    controller.setLinkData(data);
    const int result = installedWindow()(controller);
    // Only OK writes: Cancel, Escape and the close button leave the record as the handler made it.
    if (result != ModalResult::OK) return false;
    controller.commitToLinkData(data);
    return true;
}

ImageLinkPanelController::ImageLinkPanelController()
    : _modeRadios{{{ImageLinkData::Embed, "image_picker_embed_image"},
                   {ImageLinkData::LinkToFile, "image_picker_link_source"},
                   {ImageLinkData::UploadToCloud, "image_picker_upload_to_cloud"}}}
{
}

void ImageLinkPanelController::setLinkData(const ImageLinkData& data)
{
    _options = data.options();
    _image = data.image();
    _sourceSizeText = localizedFormat("image_size_width_x_height_fmt",
                                      {pointsText(data.sourceSize().width), pointsText(data.sourceSize().height)});
    const CustomImageSettings& settings = CustomImageSettings::customImageSettings();
    _thumbnailIndex = ImageSizePopupButtons::indexForImageSize(thumbnailSizes(), settings.thumbnailSize());
    _sizePopup.items = ImageSizePopupButtons::UploadImageSizes;
    _sizePopup.selectedIndex = ImageSizePopupButtons::indexForImageSize(_sizePopup.items, data.uploadSize());

    const bool local = _options & ImageLinkData::LocalMindMap;
    const bool cloudLink = _options & ImageLinkData::CloudLinkGiven;
    _modeRadios[ImageLinkData::LinkToFile].enabled = _options & ImageLinkData::HasFilePath;
    _modeRadios[ImageLinkData::UploadToCloud].enabled = !local && !cloudLink;
    if (local) setSelectedLinkMode(ImageLinkData::Embed);
    else if (cloudLink) setSelectedLinkMode(ImageLinkData::LinkToFile);
    else setSelectedLinkMode(ImageLinkData::UploadToCloud);
    linkModeRadiosClicked();
}

void ImageLinkPanelController::commitToLinkData(ImageLinkData& data) const
{
    const int32_t mode = selectedLinkMode();
    data.setLinkMode(mode);
    data.setThumbnailSize(thumbnailSize());
    data.setUploadSize(selectedSize());
    data.setConvertToPng(_convertToPngChecked && mode == ImageLinkData::UploadToCloud);
}

int32_t ImageLinkPanelController::selectedLinkMode() const
{
    for (const ModeRadio& radio : _modeRadios)
        if (radio.on) return radio.linkMode;
    return ImageLinkData::Embed;
}

void ImageLinkPanelController::setSelectedLinkMode(int32_t linkMode)
{
    for (ModeRadio& radio : _modeRadios) radio.on = radio.linkMode == linkMode;
}

void ImageLinkPanelController::linkModeRadioClicked(int32_t linkMode)
{
    for (const ModeRadio& radio : _modeRadios)
        if (radio.linkMode == linkMode && !radio.enabled) return;
    setSelectedLinkMode(linkMode);
    linkModeRadiosClicked();
}

void ImageLinkPanelController::linkModeRadiosClicked()
{
    switch (selectedLinkMode()) {
    case ImageLinkData::Embed:
        _convertToPngVisible = false;
        _sizePopup.visible = true;
        _sizePopup.labelKey = EmbeddedSizeLabelKey;
        _sizePopup.items = ImageSizePopupButtons::EmbeddedImageSizes;
        _sizePopup.selectedIndex = ImageSizePopupButtons::indexForImageSize(
            _sizePopup.items, CustomImageSettings::customImageSettings().imageSizeLimit());
        break;
    case ImageLinkData::LinkToFile:
        _convertToPngVisible = false;
        _sizePopup.visible = false;
        break;
    case ImageLinkData::UploadToCloud: {
        const uint32_t pngBits = ImageLinkData::HasFilePath | ImageLinkData::NotPortableFile;
        _convertToPngVisible = (_options & pngBits) == pngBits;
        _convertToPngChecked = _options & ImageLinkData::NotPortableFile;
        _sizePopup.visible = true;
        _sizePopup.labelKey = UploadSizeLabelKey;
        _sizePopup.items = ImageSizePopupButtons::UploadImageSizes;
        _sizePopup.selectedIndex = ImageSizePopupButtons::indexForImageSize(_sizePopup.items, InitialUploadSize);
        break;
    }
    default:
        break;
    }
    changed();
}

void ImageLinkPanelController::selectThumbnailIndex(size_t index)
{
    if (index < thumbnailSizes().size()) _thumbnailIndex = index;
}

int64_t ImageLinkPanelController::thumbnailSize() const
{
    return ImageSizePopupButtons::imageSizeAt(thumbnailSizes(), static_cast<long>(_thumbnailIndex));
}

void ImageLinkPanelController::selectSizeIndex(size_t index)
{
    if (index < _sizePopup.items.size()) _sizePopup.selectedIndex = index;
}

int64_t ImageLinkPanelController::selectedSize() const
{
    return ImageSizePopupButtons::imageSizeAt(_sizePopup.items, static_cast<long>(_sizePopup.selectedIndex));
}

void ImageLinkPanelController::changed()
{
    if (_changed) _changed();
}
