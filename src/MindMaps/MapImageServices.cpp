#include "MindMaps/MapImageServices.h"

#include "MindMaps/ImageStore.h"

namespace {

class NoMapImageServices : public MapImageServices {
public:
    std::shared_ptr<ImageStore> localImageStore() override { return nullptr; }
    std::shared_ptr<ImageStore> clipboardImageStore() override { return nullptr; }
    std::shared_ptr<const Image> stockIconNamed(const std::string&) override { return nullptr; }
    bool addInNativeDensity() override { return false; }
};

MapImageServices* gServices = nullptr;

} // namespace

void setMapImageServices(MapImageServices* services)
{
    gServices = services;
}

MapImageServices& mapImageServicesInstance()
{
    static NoMapImageServices none;
    return gServices ? *gServices : none;
}
