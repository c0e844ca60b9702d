#pragma once

class MindMapNode;

class NodePropertiesPanelController {
public:
    // Runs the topic properties dialog modally and applies the result as one undoable step; false when nothing was
    // applied.
    static bool editNodeProperties(MindMapNode* node);
};
