#pragma once

#include "MindMaps/MindMapModelessEditor.h"

// A modeless editor that also follows the tree of topics (the outliner).
class HierarchyListener : public MindMapModelessEditor {
public:
    // The tree changed: rebuild.
    virtual void hierarchyChanged() = 0;
};
