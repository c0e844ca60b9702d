#pragma once

#include "MindMaps/UndoState.h"
#include "platform/Geometry.h"

#include <utility>
#include <vector>

class MindMapElement;
class MindMapNode;
class MindMapText;
class MindMapEditorScrollState;
class Pasteboard;

// What a map tells its editing view. The map holds a non-owning pointer to it and drops every
// report while it has none.
class MindMapNodeEditor {
public:
    virtual ~MindMapNodeEditor() = default;

    // 0 cleared; 1 new map: scroll the selected element to the centre; 2 loaded: scroll the map to
    // the centre, then the selected element into view.
    virtual void mindMapLoaded(int code) = 0;
    virtual void mindMapChanged() = 0;
    virtual void selectedElementChanged() = 0;
    virtual void updateElementTools(MindMapElement* element) = 0;
    virtual void scrollElementVisible(MindMapElement* element) = 0;
    virtual void cancelEditorModes() = 0;
    virtual void getEditorScrollState(MindMapEditorScrollState& state) = 0;
    virtual void setEditorScrollState(const MindMapEditorScrollState& state) = 0;
    virtual bool isReadOnly() = 0;
    virtual bool isFocused() = 0;

    virtual void startEditingNewNode(MindMapNode* node, UndoState undoState) = 0;
    virtual void startEditingExistingNode(MindMapNode* node) = 0;
    virtual void startEditingText(MindMapText* text, UndoState undoState, bool creatingText) = 0;

    virtual void addCustomImage() {}
    virtual void editSelectedImage() {}
    virtual void invokeEmbeddedImagePicker() {}
    virtual void addImageAsTopic() {}
    virtual void addImageFromPasteboard(Pasteboard* /*pasteboard*/, MindMapNode* /*node*/) {}
    // The guide lines (anchor, end point) of the snap that a running drag follows, for the
    // painter; none outside a drag.
    virtual std::vector<std::pair<Point, Point>> snapGuideLines() const { return {}; }
};
