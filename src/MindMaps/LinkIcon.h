#pragma once

#include "MindMaps/NodeIcon.h"

#include <string>

// The icon of a topic's link: an application picture by name, drawn square at half its width.
class LinkIcon : public NodeIcon {
public:
    explicit LinkIcon(const std::string& imageName);

    void updateImage() override;
};
