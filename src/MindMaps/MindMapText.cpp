#include "MindMaps/MindMapText.h"

MindMapText::MindMapText(CompositeElement* container) : ContainedElement(container)
{
}

MindMapText::~MindMapText() = default;

int32_t MindMapText::elementType() const
{
    return ElementTypeText;
}

Rect MindMapText::bounds() const
{
    Point center = location();
    return Rect(center.x - _size.width / 2, center.y - _size.height / 2, _size.width, _size.height);
}

void MindMapText::textStyleChanged()
{
}
