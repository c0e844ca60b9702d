#include "MindMaps/ParentRelation.h"

#include "MindMaps/MindMapNode.h"

// Every topic has one: the allocator serves it from its 128-byte size class, where a few bytes
// more would take the next one (160) for every topic of a large map.
static_assert(sizeof(ParentRelation) <= 128);

ParentRelation::ParentRelation(MindMapNode* node) : MindMapRelation(node ? node->mindMap() : nullptr), _node(node)
{
}

ParentRelation::~ParentRelation() = default;

int32_t ParentRelation::elementType() const
{
    return ElementTypeParentRelation;
}

MindMapNode* ParentRelation::sourceNode() const
{
    return _node ? _node->parent() : nullptr;
}

bool ParentRelation::isVisible() const
{
    MindMapNode* parent = sourceNode();
    return parent && parent->isVisible() && !parent->collapsed() && _node;
}

bool ParentRelation::allowsCustomPath() const
{
    return _node && !_node->isAutoLayout();
}
