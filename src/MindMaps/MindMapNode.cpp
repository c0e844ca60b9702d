#include "MindMaps/MindMapNode.h"

MindMapNode::MindMapNode(MindMap* mindMap) : CompositeElement(mindMap)
{
}

MindMapNode::~MindMapNode() = default;

int32_t MindMapNode::elementType() const
{
    return ElementTypeNode;
}

void MindMapNode::assignDefaultLocation(ContainedElement* element)
{
    CompositeElement::assignDefaultLocation(element);
}

void MindMapNode::customImagesChanged(const std::string& imageHash, int operation)
{
    CompositeElement::customImagesChanged(imageHash, operation);
}
