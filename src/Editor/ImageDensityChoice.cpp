#include "Editor/ImageDensityChoice.h"

#include "Utils/ImageUtils.h"
#include "platform/Localizer.h"
#include "platform/NumberText.h"
#include "platform/UserDefaults.h"

#include <cmath>

const char* ImageDensityChoice::labelKey(int32_t exportFormat)
{
    constexpr int32_t TiffFormat = 3;
    return exportFormat == TiffFormat ? "share_dialog_tiff_density" : "share_dialog_png_density";
}

void ImageDensityChoice::selectIndex(size_t index)
{
    if (index < Densities.size()) _index = index;
}

void ImageDensityChoice::selectTag(long long tag)
{
    for (size_t i = 0; i < Densities.size(); ++i)
        if (Densities[i].tag == tag) _index = i;
}

void ImageDensityChoice::restore(const char* key)
{
    const UserDefaults& defaults = UserDefaults::standard();
    if (defaults.objectForKey(key).type() != PropertyList::Type::Integer) return;
    const int64_t tag = defaults.integerForKey(key);
    if (tag > 0) selectTag(tag);
}

void ImageDensityChoice::commit(const char* key) const
{
    UserDefaults::standard().setInteger(key, selectedImageQuality());
}

void ImageDensityChoice::update(Size points)
{
    const double scale = imageScaleFactor();
    _pixelSize = Size{points.width * scale, points.height * scale};
    // The exporter's own rule, on the pixel sides it would make; a side too large for an integer
    // cannot be made either.
    _sizeAcceptable = std::isfinite(_pixelSize.width) && std::isfinite(_pixelSize.height) && _pixelSize.width < 9e15 &&
        _pixelSize.height < 9e15 &&
        ImageSizeWithinMemoryLimit(static_cast<int64_t>(std::ceil(_pixelSize.width)),
                                   static_cast<int64_t>(std::ceil(_pixelSize.height)));
}

std::string ImageDensityChoice::sizeText() const
{
    const std::string size = localizedFormat("image_size_width_x_height_fmt",
                                             {formatFixed(_pixelSize.width, 0), formatFixed(_pixelSize.height, 0)});
    if (_sizeAcceptable) return size;
    return formatText("%@\n%@", {size, localized("share_dialog_image_too_large")});
}
