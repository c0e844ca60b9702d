#pragma once

#include "MindMaps/NodeIcon.h"

#include <string>

// An icon of the stock icon set, by its name. Small pictures (up to 32 points wide) are drawn
// at 0.625 of their width, larger ones at half of it, always square.
class StockIcon : public NodeIcon {
public:
    explicit StockIcon(const std::string& imageName);

    // The stock picture of the name, or the missing picture when the set has none.
    void updateImage() override;
};
