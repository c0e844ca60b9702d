#include "MindMaps/NodeIcon.h"

#include "platform/Folders.h"

#include <map>
#include <utility>

NodeIcon::NodeIcon(double side, Size margins) : _size{side, side}, _hMargin(margins.width), _vMargin(margins.height)
{
}

NodeIcon::~NodeIcon() = default;

void NodeIcon::setImageName(const std::string& imageName)
{
    if (imageName == _imageName) return;
    _imageName = imageName;
    updateImage();
}

void NodeIcon::setImage(std::shared_ptr<const Image> image)
{
    _image = std::move(image);
}

void NodeIcon::updateImage()
{
}

std::shared_ptr<const Image> NodeIcon::missingStockIconImage() const
{
    return applicationImageNamed(MissingImageName);
}

std::shared_ptr<const Image> NodeIcon::applicationImageNamed(const std::string& name)
{
    // Every link of a map asks for one of a handful of pictures each time its status is
    // checked; reading and decoding the file each time would make loading a map with many links
    // slow. The cache is keyed by the file, so a different resources folder reads afresh.
    // Missing resources are not remembered: they are a packaging fault, not a hot path.
    static std::map<std::string, std::shared_ptr<const Image>> cache;
    if (name.empty()) return nullptr;
    const std::string path = Folders::resourcePath("images/" + name + ".png");
    if (auto cached = cache.find(path); cached != cache.end()) return cached->second;
    Image image = Image::fromResource(name);
    if (image.isNull()) return nullptr;
    auto shared = std::make_shared<const Image>(std::move(image));
    cache.emplace(path, shared);
    return shared;
}
