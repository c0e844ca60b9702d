#pragma once

#include "store/StockIcons.h"

#include <string>
#include <vector>

// The older icon set: 100 named pictures of 32 pixels, followed by ten generated number pictures
// "white.0" ... "white.9". Making the set registers all its names with StockIcons.
class NamedDiagramIcons : public StockIconStore {
public:
    static NamedDiagramIcons& namedDiagramIcons();

    // In picker order.
    std::vector<std::string> iconNames() const override { return _orderedIcons; }

private:
    NamedDiagramIcons();

    void initializeImages();
    void addImage(const std::string& resourceName, const std::string& iconName);
    void createNumberImages();

    std::vector<std::string> _orderedIcons;
};
