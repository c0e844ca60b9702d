#pragma once

#include "platform/Image.h"

#include <memory>
#include <string>

class ImageStore;

// The pictures and picture settings the model takes from outside a map: the shared image stores,
// the built-in icons and the user's image settings. The store library installs them at start-up;
// until it does (and in tests that install nothing) there are no shared stores and no built-in
// icons, and images are added at the default density. Main thread only.
class MapImageServices {
public:
    virtual ~MapImageServices() = default;

    // The store new maps show their pictures from; null for none.
    virtual std::shared_ptr<ImageStore> localImageStore() = 0;
    // The store that copied pictures travel through between maps; null for none.
    virtual std::shared_ptr<ImageStore> clipboardImageStore() = 0;
    // The built-in picture of an icon name; null for an unknown name.
    virtual std::shared_ptr<const Image> stockIconNamed(const std::string& iconName) = 0;
    // Whether images added to a topic keep their native pixel density.
    virtual bool addInNativeDensity() = 0;
};

// Installs the services (not owned); nullptr brings back the empty ones.
void setMapImageServices(MapImageServices* services);
// The installed services, else the empty ones.
MapImageServices& mapImageServicesInstance();
