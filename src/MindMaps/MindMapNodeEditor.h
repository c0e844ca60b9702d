#pragma once

#include "MindMaps/UndoState.h"
#include "platform/BezierPath.h"
#include "platform/Geometry.h"

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

class ElementTools;
class MindMap;
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

    // The map the view shows (the one that reports to it), if it says.
    virtual MindMap* mindMap() const { return nullptr; }

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
    virtual void addImageFromPasteboard(const Pasteboard* /*pasteboard*/, MindMapNode* /*node*/) {}
    // The guide lines (anchor, end point) of the snap that a running drag follows, for the
    // painter; none outside a drag.
    virtual std::vector<std::pair<Point, Point>> snapGuideLines() const { return {}; }

    // ---- The element tools round the selected element, and what their gestures ask ----

    // The handles, for the painter; none when the view shows no tools.
    virtual const ElementTools* elementTools() const { return nullptr; }
    // The rubber band of a running drag selection (map coordinates), for the painter.
    virtual std::optional<BezierPath> buildDragSelectorPath() const { return std::nullopt; }
    // The creator or add-sibling handle was dragged (tool index): drop-target feedback.
    virtual void createToolMoved(int64_t /*tool*/) {}
    // The creator handle was released after a drag at the map point.
    virtual void createToolInvokedAt(Point /*location*/) {}
    // An end of the selected relation is dragged (sourceEnd: its source end) to the map point.
    virtual void relinkRelationToolMoved(bool /*sourceEnd*/, Point /*location*/) {}
    // ... and dropped there.
    virtual void relinkRelationTo(bool /*sourceEnd*/, Point /*location*/) {}
    // Opens the action bar of the selected element.
    virtual void invokeElementActionBar() {}
};
