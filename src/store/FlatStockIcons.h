#pragma once

#include "store/StockIcons.h"

#include <cstdint>
#include <string>
#include <vector>

// The current icon set: 183 flat pictures, each registered at 48 pixels under its own name
// ("ic8_48_...") and at 96 pixels under the name with "96" in place of "48". The ordered list
// holds the 48-pixel names. Making the set registers all its names with StockIcons.
class FlatStockIcons : public StockIconStore {
public:
    static FlatStockIcons& flatStockIcons();

    // In picker order, 48-pixel names only.
    std::vector<std::string> iconNames() const override { return _orderedIcons; }

    // Size code 1 asks for the large picture: "48" becomes "96"; any other code keeps the name.
    static std::string iconNameForBaseName(const std::string& baseName, int64_t iconSize);

private:
    FlatStockIcons();

    void addImage(const std::string& iconName);

    std::vector<std::string> _orderedIcons;
};
