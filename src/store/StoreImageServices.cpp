#include "store/StoreImageServices.h"

#include "store/CustomImageSettings.h"
#include "store/CustomImageStore.h"
#include "store/StockIcons.h"

void StoreImageServices::install()
{
    static StoreImageServices services;
    setMapImageServices(&services);
}

std::shared_ptr<ImageStore> StoreImageServices::localImageStore()
{
    return CustomImageStore::localImageStore();
}

std::shared_ptr<ImageStore> StoreImageServices::clipboardImageStore()
{
    return CustomImageStore::clipboardImageStore();
}

std::shared_ptr<const Image> StoreImageServices::stockIconNamed(const std::string& iconName)
{
    return StockIcons::instance().iconNamed(iconName);
}

bool StoreImageServices::addInNativeDensity()
{
    return CustomImageSettings::customImageSettings().addInNativeDensity();
}
