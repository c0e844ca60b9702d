#include "MindMaps/StockIcon.h"

#include "MindMaps/MapImageServices.h"

StockIcon::StockIcon(const std::string& imageName) : NodeIcon(DefaultSide)
{
    setImageName(imageName);
}

void StockIcon::updateImage()
{
    std::shared_ptr<const Image> image = mapImageServicesInstance().stockIconNamed(imageName());
    if (!image) image = missingStockIconImage();
    const double width = image ? image->size().width : 0;
    const double side = width <= 32 ? width * 0.625 : width * 0.5;
    setSize({side, side});
    setImage(std::move(image));
}
