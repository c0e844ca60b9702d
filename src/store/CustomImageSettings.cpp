#include "store/CustomImageSettings.h"

#include "platform/UserDefaults.h"

#include <algorithm>

namespace {

bool isNumber(const PropertyList& value)
{
    const PropertyList::Type type = value.type();
    return type == PropertyList::Type::Integer || type == PropertyList::Type::Real ||
        type == PropertyList::Type::Boolean;
}

} // namespace

CustomImageSettings& CustomImageSettings::customImageSettings()
{
    static CustomImageSettings settings = [] {
        CustomImageSettings loaded;
        loaded.loadSettings();
        return loaded;
    }();
    return settings;
}

void CustomImageSettings::loadSettings()
{
    const UserDefaults& defaults = UserDefaults::standard();
    if (const PropertyList limit = defaults.objectForKey(ImageSizeLimitKey); isNumber(limit)) {
        setImageSizeLimit(limit.integerValue());
    }
    if (const PropertyList thumbnail = defaults.objectForKey(ThumbnailSizeKey); isNumber(thumbnail)) {
        setThumbnailSize(thumbnail.integerValue());
    }
    if (const PropertyList density = defaults.objectForKey(AddInNativeDensityKey); isNumber(density)) {
        _addInNativeDensity = density.boolValue();
    }
}

void CustomImageSettings::saveSettings() const
{
    UserDefaults& defaults = UserDefaults::standard();
    defaults.setInteger(ImageSizeLimitKey, _imageSizeLimit);
    defaults.setBool(AddInNativeDensityKey, _addInNativeDensity);
    defaults.setInteger(ThumbnailSizeKey, _thumbnailSize);
}

void CustomImageSettings::setImageSizeLimit(int64_t imageSizeLimit)
{
    _imageSizeLimit = std::clamp(imageSizeLimit, MinimumImageSizeLimit, MaximumImageSizeLimit);
}

void CustomImageSettings::setThumbnailSize(int64_t thumbnailSize)
{
    _thumbnailSize = std::clamp(thumbnailSize, MinimumThumbnailSize, MaximumThumbnailSize);
}

void CustomImageSettings::setImageSizeLimit(int64_t imageSizeLimit, bool addInNativeDensity, int64_t thumbnailSize)
{
    setImageSizeLimit(imageSizeLimit);
    setThumbnailSize(thumbnailSize);
    _addInNativeDensity = addInNativeDensity;
    saveSettings();
}
