#pragma once

#include "platform/Image.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

// The process-wide registry of the built-in pictures that topics carry as icons, by the icon
// names that documents store. A name stands either for an application image resource, loaded on
// first use and cached, or for a picture made at run time.
class StockIcons {
public:
    static StockIcons& instance();

    // Registers or replaces the resource of an icon name.
    void defineIcon(const std::string& iconName, const std::string& resourceName);
    void defineRuntimeIcon(const std::string& iconName, std::shared_ptr<const Image> image);
    // A picture drawn only when first asked for, so that defining it costs a start nothing.
    void defineRuntimeIcon(const std::string& iconName, std::function<Image()> draw);

    // Null for an unknown name and for a resource that is missing.
    std::shared_ptr<const Image> iconNamed(const std::string& iconName);

    // Forgets the cached pictures that nobody but the cache holds.
    // Waits for its caller in the shell.
    void dropUnusedIcons();

private:
    StockIcons() = default;

    std::map<std::string, std::string> _iconResourceMap;
    // Keyed by resource name.
    std::map<std::string, std::shared_ptr<const Image>> _imageCache;
    std::map<std::string, std::shared_ptr<const Image>> _runTimeImages;
    std::map<std::string, std::function<Image()>> _undrawnImages;
};

// A set of stock icons, which gives the icon pickers their ordered list of names.
class StockIconStore {
public:
    virtual ~StockIconStore() = default;
    virtual std::vector<std::string> iconNames() const { return {}; }
};
