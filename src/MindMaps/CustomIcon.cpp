#include "MindMaps/CustomIcon.h"

#include "MindMaps/ImageStore.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "Utils/ImageUtils.h"

#include <algorithm>
#include <utility>

CustomIcon::CustomIcon(MindMapNode* node, const std::string& imageName, Size margins)
    : CustomIcon(node, margins, DeferredLoading{})
{
    loadInitialImage(imageName);
}

CustomIcon::CustomIcon(MindMapNode* node, Size margins, DeferredLoading) : NodeIcon(0, margins), _node(node)
{
}

void CustomIcon::initialize()
{
}

void CustomIcon::loadInitialImage(const std::string& imageName)
{
    initialize();
    if (!imageName.empty()) setImageName(imageName);
    else updateImage();
}

bool CustomIcon::isCustomIconImageName(std::string_view name)
{
    return name.size() >= 2 && name.front() == '#';
}

std::string CustomIcon::imageHash() const
{
    const std::string& name = imageName();
    if (name.size() > 1) return name.substr(1);
    return name;
}

void CustomIcon::updateImage()
{
    if (!_node) return;
    std::shared_ptr<const Image> image;
    if (MindMap* map = _node->mindMap()) {
        if (ImageStore* store = map->imageStore()) image = store->customImageWithHash(imageHash());
    }
    if (!image) image = missingStockIconImage();
    setImage(std::move(image));
    updateSize();
}

void CustomIcon::updateSize()
{
    const Size oldSize = size();
    Size newSize;
    if (const std::shared_ptr<const Image>& picture = image()) {
        const Size pixels = getRepresentationSize(picture->size(), {picture->pixelSize()});
        const double shorter = std::min(pixels.width, pixels.height);
        const double longer = std::max(pixels.width, pixels.height);
        double factor = getScale() * 8 / 15;
        if (factor * shorter < 1) {
            // Never thinner than one point.
            factor = 1 / std::max(1.0, shorter);
        } else if (factor * longer > getMaxBoxSize()) {
            factor = getMaxBoxSize() / longer;
        }
        newSize = {pixels.width * factor + 2 * hMargin(), pixels.height * factor + 2 * vMargin()};
    }
    setSize(newSize);
    if (_node && newSize != oldSize) _node->nodeIconChanged(this);
}

void CustomIcon::customImagesChanged(const std::string& imageHash, int operation)
{
    if (imageHash != this->imageHash()) return;
    switch (operation) {
    case ImageStore::ImageAdded:
        updateImage();
        break;
    case ImageStore::ImageDeleted:
        setImage(missingStockIconImage());
        updateSize();
        break;
    default:
        break;
    }
}
