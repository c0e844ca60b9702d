#pragma once

#include "MindMaps/MindMapRelation.h"

// A line between any two topics of a map, owned by the map. Its ends are plain pointers: the map
// removes every cross link that touches a topic before the topic goes away.
class CrossLink : public MindMapRelation {
public:
    explicit CrossLink(MindMap* mindMap);
    ~CrossLink() override;

    int32_t elementType() const override;

    MindMapNode* sourceNode() const override { return _sourceNode; }
    MindMapNode* targetNode() const override { return _targetNode; }
    void setSourceNode(MindMapNode* node) { _sourceNode = node; }
    void setTargetNode(MindMapNode* node) { _targetNode = node; }

    // Both ends exist and are visible.
    bool isVisible() const override;
    bool allowsCustomPath() const override;
    // The link joins the two nodes, in either direction.
    bool connects(const MindMapNode* node, const MindMapNode* other) const;
    // Routes the line between the two ends by the style's path style.
    void updatePath();

private:
    MindMapNode* _sourceNode = nullptr;
    MindMapNode* _targetNode = nullptr;
};
