#pragma once

#include "MindMaps/MindMapNodeEditor.h"

// An editing view that answers the map and does nothing: focused, not read-only. Test editors
// derive from it and override only the calls they watch.
class QuietNodeEditor : public MindMapNodeEditor {
public:
    void mindMapLoaded(int) override {}
    void mindMapChanged() override {}
    void selectedElementChanged() override {}
    void updateElementTools(MindMapElement*) override {}
    void scrollElementVisible(MindMapElement*) override {}
    void cancelEditorModes() override {}
    void getEditorScrollState(MindMapEditorScrollState&) override {}
    void setEditorScrollState(const MindMapEditorScrollState&) override {}
    bool isReadOnly() override { return false; }
    bool isFocused() override { return true; }
    void startEditingNewNode(MindMapNode*, UndoState) override {}
    void startEditingExistingNode(MindMapNode*) override {}
    void startEditingText(MindMapText*, UndoState, bool) override {}
};
