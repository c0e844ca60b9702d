#pragma once

class MindMapNode;

class NotePanelController {
public:
    // Runs the note panel modally for a topic of a read-only map (no undo step); false when nothing was applied.
    static bool editNodeProperties(MindMapNode* node);
};
