#include "MindMaps/MindMapImage.h"

namespace {

// Hashes are hexadecimal text: lower-casing ASCII is all they need, and it must not follow the
// process locale.
std::string lowercaseHash(std::string hash)
{
    for (char& c : hash) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return hash;
}

} // namespace

MindMapImage::MindMapImage(CompositeElement* container, const std::string& imageHash, const std::string& thumbnailHash)
    : ContainedElement(container), _imageHash(lowercaseHash(imageHash)), _thumbnailHash(lowercaseHash(thumbnailHash))
{
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

void MindMapImage::customImagesChanged(const std::string&, int)
{
}
