#pragma once

class MindMap;

class MapStyleController {
public:
    // Runs the map style dialog modally for the map; false when nothing was applied.
    static bool editMindMapStyle(MindMap* mindMap);
};
