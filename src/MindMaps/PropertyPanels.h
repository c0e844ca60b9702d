#pragma once

#include <cstdint>

class MindMap;
class MindMapNode;
class MindMapText;

// The modal panels the property commands open. The panels library installs its panels at
// start-up; until then no panel opens and nothing changes. Each answers whether it applied
// anything.
class PropertyPanels {
public:
    virtual ~PropertyPanels() = default;

    // The map style dialog.
    virtual bool editMindMapStyle(MindMap* mindMap);
    // The topic properties dialog, applied as one undoable step.
    virtual bool editNodeProperties(MindMapNode* node);
    // The note panel of a topic of a read-only map (no undo step).
    virtual bool editNoteProperties(MindMapNode* node);
    // The free-text properties dialog, applied as one undoable step.
    virtual bool editTextProperties(MindMapText* text);
    // The layout-mode dialog, opened with a topic's mode and direction; the choice comes back
    // through the map's layoutModeSelected().
    virtual bool selectLayoutMode(MindMap* mindMap, int32_t layoutMode, int32_t layoutDirection);

    // The installed panels, or the ones that show nothing.
    static PropertyPanels& shared();
    // Not owned; they must outlive their use. nullptr puts the ones that show nothing back.
    static void install(PropertyPanels* panels);
};
