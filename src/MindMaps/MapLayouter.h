#pragma once

#include "platform/Geometry.h"

#include <cstdint>
#include <memory>

class MindMap;
class MindMapNode;
class WordWrapping;
class WordWrappableElement;

// Placing topics and wrapping their text, as the model asks for it. The layout library installs
// its layouter at start-up; until one is installed, topics stay where they are, new central
// themes start at the origin and texts are not wrapped.
class MapLayouter {
public:
    virtual ~MapLayouter() = default;

    // A free location for a new central theme, clear of the existing map.
    virtual Point newCentralThemeLocation(MindMap& mindMap);
    // Gives a newly made topic its default place near its parent among its siblings.
    virtual void assignDefaultNodeLocation(MindMapNode* node);
    // Pushes topics that overlap the given one out of its way.
    virtual void avoidOverlap(MindMapNode* node);
    // Places a branch just linked under a parent relative to that parent.
    virtual void positionBranch(MindMapNode* node);
    // Places a subtree topic by topic; the node itself too when includeNode is set.
    virtual void layoutSubTree(MindMapNode* node, bool includeNode);
    // Lays out one branch with the strict layouter of the mode.
    virtual void layoutBranch(MindMapNode* node, int32_t layoutMode);
    // The wrap state of an element whose wrap handle the user drags; nullptr without one.
    virtual std::unique_ptr<WordWrapping> wordWrapping(WordWrappableElement* element);
    // Routes the lines from freely placed topics to their children by the map's connection style.
    virtual void updateParentRelationPaths(MindMap& mindMap);

    // The installed layouter, or the one that leaves everything where it is.
    static MapLayouter& shared();
    // Not owned; it must outlive its use. nullptr puts the one that changes nothing back.
    static void install(MapLayouter* layouter);
};
