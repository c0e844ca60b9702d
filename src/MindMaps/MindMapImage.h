#pragma once

#include "MindMaps/ContainedElement.h"

#include <string>

// A custom image placed on a node or a relation, referring to a picture of the map's image store
// by hash. Hashes are kept in lower case.
class MindMapImage : public ContainedElement {
public:
    MindMapImage(CompositeElement* container, const std::string& imageHash, const std::string& thumbnailHash);
    ~MindMapImage() override;

    int32_t elementType() const override;

    // The device size centred on the absolute location.
    Rect bounds() const override;

    const std::string& imageHash() const { return _imageHash; }
    const std::string& thumbnailHash() const { return _thumbnailHash; }

    // operation: 0 added, 1 deleted.
    void customImagesChanged(const std::string& imageHash, int operation);

private:
    Size _deviceSize;
    std::string _imageHash;
    std::string _thumbnailHash;
};
