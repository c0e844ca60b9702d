#include "MindMaps/MindMapImage.h"

#include "MindMaps/CompositeElement.h"
#include "MindMaps/ImageStore.h"
#include "MindMaps/MindMap.h"
#include "Utils/ImageUtils.h"
#include "platform/Image.h"
#include "platform/Localizer.h"
#include "platform/NumberText.h"

#include <glib.h>

#include <algorithm>
#include <cmath>

namespace {

// Hashes are hexadecimal text: lower-casing ASCII is all they need, and it must not follow the
// process locale.
std::string lowercaseHash(const std::string& hash)
{
    gchar* lower = g_ascii_strdown(hash.data(), static_cast<gssize>(hash.size()));
    std::string result(lower);
    g_free(lower);
    return result;
}

// Print resolution of a picture shown at scale 1.
constexpr double PrintResolution = 300;

} // namespace

MindMapImage::MindMapImage(CompositeElement* container, const std::string& imageHash, const std::string& thumbnailHash)
    : ContainedElement(container), _imageHash(lowercaseHash(imageHash)), _thumbnailHash(lowercaseHash(thumbnailHash))
{
    updateImage();
    // Without a picture setImage() changed nothing, so the placeholder size is still to be set.
    if (!_image) updateDeviceSize();
}

MindMapImage::~MindMapImage() = default;

int32_t MindMapImage::elementType() const
{
    return ElementTypeImage;
}

Rect MindMapImage::bounds() const
{
    Point center = absLocation();
    return Rect(center.x - _deviceSize.width / 2, center.y - _deviceSize.height / 2, _deviceSize.width,
                _deviceSize.height);
}

// ---- Hashes and link ----

void MindMapImage::setImageHash(const std::string& imageHash, const std::string& thumbnailHash)
{
    if (equalStrings(imageHash, _imageHash) && equalStrings(thumbnailHash, _thumbnailHash)) return;
    _imageHash = lowercaseHash(imageHash);
    _thumbnailHash = lowercaseHash(thumbnailHash);
    _imageLink.clear();
    updateImage();
}

bool MindMapImage::isEqualImageHash(std::string_view hash) const
{
    return equalStrings(hash, _imageHash);
}

bool MindMapImage::isEqualThumbnailHash(std::string_view hash) const
{
    return equalStrings(hash, _thumbnailHash);
}

bool MindMapImage::isEqualLink(std::string_view link) const
{
    return equalStrings(link, _imageLink);
}

bool MindMapImage::equalStrings(std::string_view string, std::string_view other)
{
    return string == other;
}

void MindMapImage::setImageLink(std::string_view link)
{
    std::string slashed(link);
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    _imageLink = std::move(slashed);
}

// ---- Picture and size ----

void MindMapImage::setImage(std::shared_ptr<const Image> image)
{
    // A picture without pixels shows nothing: it counts as none.
    if (image && image->isNull()) image.reset();
    if (image == _image) return;
    _image = std::move(image);
    updateDeviceSize();
    reportChange();
}

void MindMapImage::updateImage()
{
    ImageStore* store = mindMap() ? mindMap()->imageStore() : nullptr;
    std::shared_ptr<const Image> picture;
    if (store && !_thumbnailHash.empty()) picture = store->customImageWithHash(_thumbnailHash);
    if (store && (!picture || picture->isNull()) && !_imageHash.empty())
        picture = store->customImageWithHash(_imageHash);
    setImage(std::move(picture));
}

Size MindMapImage::getImageSize() const
{
    if (!_image) return Size();
    return getRepresentationSize(_image->size(), {_image->pixelSize()});
}

void MindMapImage::updateDeviceSize()
{
    const Size imageSize = getImageSize();
    const double w = imageSize.width;
    const double h = imageSize.height;
    // A picture without pixels has no shape to scale: it is shown like a missing one.
    if (!(w > 0 && h > 0 && std::isfinite(w) && std::isfinite(h))) {
        _deviceSize = Size{PlaceholderSide, PlaceholderSide};
    } else {
        double factor = _scale * DeviceScale;
        const double smallerSide = std::min(w, h);
        if (factor * smallerSide < MinimumSide) {
            factor = MinimumSide / std::max(1.0, smallerSide);
            _scale = factor / DeviceScale;
        }
        _deviceSize = Size{w * factor, h * factor};
    }
    if (MindMap* map = mindMap()) map->elementBoundsChanged(this);
}

void MindMapImage::setScale(double scale)
{
    if (std::isnan(scale)) return;
    scale = std::clamp(scale, MinimumScale, MaximumScale);
    if (scale == _scale) return;
    _scale = scale;
    updateDeviceSize();
    reportChange();
}

void MindMapImage::setAngle(double angle)
{
    // The angle is written with the document, where a value that is not a number cannot be read
    // back.
    if (!std::isfinite(angle) || angle == _angle) return;
    _angle = angle;
    reportChange();
}

// ---- Element operations ----

std::string MindMapImage::stringForToolTip(void*, Point, void*)
{
    if (!_image) return localized("editor_menu_share_image_condensed");
    const Size imageSize = getImageSize();
    const std::string dpi = formatFixed(PrintResolution / std::max(0.01, _scale), 0) + " dpi";
    return formatText("%@\n\n%@\n%@\n%@",
                      {localized("double_click_to_open_full_size_image"),
                       localizedFormat("image_size_width_x_height_fmt",
                                       {formatFixed(imageSize.width, 0), formatFixed(imageSize.height, 0)}),
                       localizedFormat("print_dialog_scale_format", {formatFixed(_scale, 2)}), dpi});
}

void MindMapImage::collectReferencedImages(std::set<std::string>& images) const
{
    if (!_imageHash.empty()) images.insert(_imageHash);
    if (!_thumbnailHash.empty()) images.insert(_thumbnailHash);
}

void MindMapImage::customImagesChanged(const std::string& imageHash, int operation)
{
    if (imageHash.empty()) return;
    if (imageHash == _imageHash) {
        if (operation == ImageStore::ImageAdded) updateImage();
        else if (operation == ImageStore::ImageDeleted) setImage(nullptr);
    }
    if (imageHash == _thumbnailHash) updateImage();
}

void MindMapImage::reportChange()
{
    if (CompositeElement* owner = container()) owner->containedElementChanged(this);
}
