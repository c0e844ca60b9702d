#pragma once

#include "MindMaps/MindMapRelation.h"

// The line from a topic's parent to the topic, owned by the topic for its lifetime.
class ParentRelation : public MindMapRelation {
public:
    explicit ParentRelation(MindMapNode* node);
    ~ParentRelation() override;

    int32_t elementType() const override;

    MindMapNode* node() const { return _node; }
    // The topic's parent (nullptr for a central theme).
    MindMapNode* sourceNode() const override;
    // The topic.
    MindMapNode* targetNode() const override { return _node; }

    // Shown while the parent is visible and expanded.
    bool isVisible() const override;
    // Only outside automatic layout, which routes the line itself.
    bool allowsCustomPath() const override;

private:
    MindMapNode* _node = nullptr;
};
