#pragma once

#include "platform/Geometry.h"

#include <memory>
#include <vector>

class MindMap;
class MindMapNode;

// What one paint, export or print job covers: the whole map or only its selected subtrees.
// Built once by the factory and read-only afterwards.
class MindMapPaintSelection {
public:
    explicit MindMapPaintSelection(MindMap* mindMap);

    // The whole map (all central themes as roots) or the selected subtrees (their root nodes).
    // Waits for its caller in the editor.
    static std::unique_ptr<MindMapPaintSelection> mindMapPaintSelection(MindMap& mindMap, bool selectionOnly);

    MindMap* mindMap() const { return _mindMap; }
    // The roots of the painted subtrees, in order.
    const std::vector<MindMapNode*>& roots() const { return _roots; }
    // The bounds of everything painted, in map coordinates.
    const Rect& visualArea() const { return _visualArea; }

private:
    MindMap* _mindMap;
    std::vector<MindMapNode*> _roots;
    Rect _visualArea;
};
