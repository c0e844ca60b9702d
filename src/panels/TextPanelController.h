#pragma once

class MindMapText;

class TextPanelController {
public:
    // Runs the free-text properties dialog modally and applies the result as one undoable step; false when nothing was
    // applied.
    static bool editTextProperties(MindMapText* text);
};
