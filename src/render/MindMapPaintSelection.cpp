#include "render/MindMapPaintSelection.h"

MindMapPaintSelection::MindMapPaintSelection(MindMap* mindMap) : _mindMap(mindMap)
{
}

std::unique_ptr<MindMapPaintSelection> MindMapPaintSelection::mindMapPaintSelection(MindMap& mindMap,
                                                                                    bool /*selectionOnly*/)
{
    // Collecting the roots needs the map's structure, which painting does not read yet: the
    // selection stays empty and nothing is painted.
    return std::make_unique<MindMapPaintSelection>(&mindMap);
}
