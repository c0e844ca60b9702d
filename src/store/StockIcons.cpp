#include "store/StockIcons.h"

#include <utility>

StockIcons& StockIcons::instance()
{
    static StockIcons icons;
    return icons;
}

void StockIcons::defineIcon(const std::string& iconName, const std::string& resourceName)
{
    _iconResourceMap[iconName] = resourceName;
}

void StockIcons::defineRuntimeIcon(const std::string& iconName, std::shared_ptr<const Image> image)
{
    _undrawnImages.erase(iconName);
    _runTimeImages[iconName] = std::move(image);
}

void StockIcons::defineRuntimeIcon(const std::string& iconName, std::function<Image()> draw)
{
    if (!draw) return;
    _runTimeImages.erase(iconName);
    _undrawnImages[iconName] = std::move(draw);
}

std::shared_ptr<const Image> StockIcons::iconNamed(const std::string& iconName)
{
    if (iconName.empty()) return nullptr;
    if (auto resource = _iconResourceMap.find(iconName); resource != _iconResourceMap.end()) {
        const std::string& resourceName = resource->second;
        if (auto cached = _imageCache.find(resourceName); cached != _imageCache.end()) return cached->second;
        Image image = Image::fromResource(resourceName);
        if (image.isNull()) return nullptr;
        auto shared = std::make_shared<const Image>(std::move(image));
        _imageCache.emplace(resourceName, shared);
        return shared;
    }
    if (auto runtime = _runTimeImages.find(iconName); runtime != _runTimeImages.end()) return runtime->second;
    if (auto undrawn = _undrawnImages.find(iconName); undrawn != _undrawnImages.end()) {
        const std::function<Image()> draw = std::move(undrawn->second);
        _undrawnImages.erase(undrawn);
        auto image = std::make_shared<const Image>(draw());
        _runTimeImages.emplace(iconName, image);
        return image;
    }
    return nullptr;
}

void StockIcons::dropUnusedIcons()
{
    std::erase_if(_imageCache, [](const auto& entry) { return entry.second.use_count() == 1; });
}
