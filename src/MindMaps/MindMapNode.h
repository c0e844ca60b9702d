#pragma once

#include "MindMaps/CompositeElement.h"
#include "platform/Geometry.h"

#include <cstdint>
#include <string>

class MindMap;

// A topic of a map: a central theme when it has no parent, otherwise a branch topic.
class MindMapNode : public CompositeElement {
public:
    explicit MindMapNode(MindMap* mindMap);
    ~MindMapNode() override;

    int32_t elementType() const override;
    Point location() const override { return _location; }
    void setLocation(Point location) override { _location = location; }

    void assignDefaultLocation(ContainedElement* element) override;
    void customImagesChanged(const std::string& imageHash, int operation) override;

private:
    Point _location;
};
