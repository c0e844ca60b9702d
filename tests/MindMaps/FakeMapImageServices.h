#pragma once

// Stands in for the store's picture services while it lives: the stock icons and the image
// settings a test sets, and the shared stores it names.

#include "MindMaps/MapImageServices.h"

#include <map>
#include <memory>
#include <string>

namespace maptest {

class FakeMapImageServices : public MapImageServices {
public:
    FakeMapImageServices() { setMapImageServices(this); }
    ~FakeMapImageServices() override { setMapImageServices(nullptr); }
    FakeMapImageServices(const FakeMapImageServices&) = delete;
    FakeMapImageServices& operator=(const FakeMapImageServices&) = delete;

    std::shared_ptr<ImageStore> localStore;
    std::shared_ptr<ImageStore> clipboardStore;
    std::map<std::string, std::shared_ptr<const Image>> stockIcons;
    bool nativeDensity = false;

    std::shared_ptr<ImageStore> localImageStore() override { return localStore; }
    std::shared_ptr<ImageStore> clipboardImageStore() override { return clipboardStore; }
    std::shared_ptr<const Image> stockIconNamed(const std::string& iconName) override
    {
        const auto found = stockIcons.find(iconName);
        return found == stockIcons.end() ? nullptr : found->second;
    }
    bool addInNativeDensity() override { return nativeDensity; }
};

} // namespace maptest
