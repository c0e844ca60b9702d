#pragma once

#include "MindMaps/ContainedElement.h"

// A free text placed on a node or a relation.
class MindMapText : public ContainedElement {
public:
    explicit MindMapText(CompositeElement* container);
    ~MindMapText() override;

    int32_t elementType() const override;

    // The element's box centred on its location.
    Rect bounds() const override;

    void textStyleChanged();

private:
    Size _size;
};
