#include "render/MindMapPaintSelection.h"

#include "MindMaps/CrossLink.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"

#include <unordered_set>

MindMapPaintSelection::MindMapPaintSelection(MindMap* mindMap)
    : _mindMap(mindMap), _contentGeneration(mindMap ? mindMap->contentGeneration() : 0)
{
}

bool MindMapPaintSelection::isCurrent() const
{
    return !_mindMap || _mindMap->contentGeneration() == _contentGeneration;
}

std::unique_ptr<MindMapPaintSelection> MindMapPaintSelection::mindMapPaintSelection(MindMap& mindMap,
                                                                                    bool selectionOnly)
{
    auto selection = std::make_unique<MindMapPaintSelection>(&mindMap);
    if (selectionOnly) selection->setToSelection();
    else selection->setToMindMap();
    return selection;
}

void MindMapPaintSelection::setToMindMap()
{
    if (!_mindMap) return;
    _roots.insert(_roots.end(), _mindMap->centralThemes().begin(), _mindMap->centralThemes().end());
    for (CrossLink* link : _mindMap->crossLinks())
        if (link->isVisible()) _crossLinks.push_back(link);
}

const Rect& MindMapPaintSelection::visualArea() const
{
    if (!_visualArea) _visualArea = _mindMap ? _mindMap->getVisualArea(false) : Rect();
    return *_visualArea;
}

void MindMapPaintSelection::setToSelection()
{
    if (!_mindMap) return;
    _roots = _mindMap->getSelectedRootNodes();
    std::vector<MindMapNode*> nodes;
    nodes.reserve(_mindMap->nodes().size());
    for (MindMapNode* root : _roots) root->collectNodeAndChildrenInArray(nodes);
    Rect area = MindMapNode::boundsOfMindMapNodes(nodes, false, true);
    // A map with many cross links asks for both ends of each: looked up in a set, not the list.
    const std::unordered_set<const MindMapNode*> painted(nodes.begin(), nodes.end());
    for (CrossLink* link : _mindMap->crossLinks()) {
        if (!link->isVisible() || !painted.contains(link->sourceNode()) || !painted.contains(link->targetNode()))
            continue;
        _crossLinks.push_back(link);
        area = link->unionContainedElementBounds(area);
        area = link->unionCustomRelationPath(area);
    }
    _visualArea = area;
}
