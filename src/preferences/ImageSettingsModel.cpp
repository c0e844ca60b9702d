#include "preferences/ImageSettingsModel.h"

#include "store/CustomImageSettings.h"

ImageSettingsModel::ImageSettingsModel(CustomImageSettings& settings) : _settings(settings)
{
}

size_t ImageSettingsModel::imageSizeIndex() const
{
    return ImageSizePopupButtons::indexForImageSize(ImageSizePopupButtons::EmbeddedImageSizes,
                                                    _settings.imageSizeLimit());
}

size_t ImageSettingsModel::thumbnailSizeIndex() const
{
    return ImageSizePopupButtons::indexForImageSize(ImageSizePopupButtons::ThumbnailImageSizes,
                                                    _settings.thumbnailSize());
}

bool ImageSettingsModel::addInNativeDensity() const
{
    return _settings.addInNativeDensity();
}

void ImageSettingsModel::imageOptionsChanged(long imageSizeIndex, bool nativeDensity, long thumbnailSizeIndex)
{
    _settings.setImageSizeLimit(
        ImageSizePopupButtons::imageSizeAt(ImageSizePopupButtons::EmbeddedImageSizes, imageSizeIndex), nativeDensity,
        ImageSizePopupButtons::imageSizeAt(ImageSizePopupButtons::ThumbnailImageSizes, thumbnailSizeIndex));
}
