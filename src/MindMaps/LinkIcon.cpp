#include "MindMaps/LinkIcon.h"

#include <utility>

LinkIcon::LinkIcon(const std::string& imageName) : NodeIcon(DefaultSide)
{
    setImageName(imageName);
}

void LinkIcon::updateImage()
{
    std::shared_ptr<const Image> image = applicationImageNamed(imageName());
    const double side = image ? image->size().width * 0.5 : 0;
    setSize({side, side});
    setImage(std::move(image));
}
