#pragma once

#include "platform/Geometry.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class CrossLink;
class MindMap;
class MindMapNode;

// What one paint, export or print job covers: the whole map or only its selected subtrees.
// Built once by the factory and read-only afterwards.
class MindMapPaintSelection {
public:
    explicit MindMapPaintSelection(MindMap* mindMap);

    // The whole map (all central themes as roots) or the selected subtrees (their root nodes).
    static std::unique_ptr<MindMapPaintSelection> mindMapPaintSelection(MindMap& mindMap, bool selectionOnly);

    // All central themes and every visible cross link.
    void setToMindMap();
    // The selected subtrees and the visible cross links with both ends inside them.
    void setToSelection();

    MindMap* mindMap() const { return _mindMap; }
    // The roots of the painted subtrees, in order.
    const std::vector<MindMapNode*>& roots() const { return _roots; }
    // The cross links painted with the subtrees, in the map's order.
    const std::vector<CrossLink*>& crossLinks() const { return _crossLinks; }
    // The bounds of everything painted, in map coordinates. Worked out when first asked for: a
    // window's frame never needs them, and for a whole map they take a walk over every topic.
    const Rect& visualArea() const;
    // False once the map was cleared or read anew: the roots and links are gone. A job that runs
    // the main loop while it paints (a print) asks before each page.
    bool isCurrent() const;

private:
    MindMap* _mindMap;
    uint64_t _contentGeneration = 0;
    std::vector<MindMapNode*> _roots;
    std::vector<CrossLink*> _crossLinks;
    mutable std::optional<Rect> _visualArea;
};
