#pragma once

#include "MindMaps/MapImageServices.h"

// The model's pictures from the store: the shared local and clipboard image stores, the stock
// icons and the user's image settings.
class StoreImageServices : public MapImageServices {
public:
    // Installs the one instance; the application and the store's tests do so at start-up.
    static void install();

    std::shared_ptr<ImageStore> localImageStore() override;
    std::shared_ptr<ImageStore> clipboardImageStore() override;
    std::shared_ptr<const Image> stockIconNamed(const std::string& iconName) override;
    bool addInNativeDensity() override;
};
