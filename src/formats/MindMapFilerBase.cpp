#include "formats/MindMapFilerBase.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"

#include <utility>

MindMapFilerBase::MindMapFilerBase(MindMap& mindMap) : _mindMap(mindMap)
{
}

MindMapNode* MindMapFilerBase::addNodeLoadingAtLocation(Point location)
{
    return _mindMap.addNodeLoadingAtLocation(location);
}

void MindMapFilerBase::nodesLoadedFromIndex(size_t index)
{
    _mindMap.nodesLoadedFromIndex(index);
}

CrossLink* MindMapFilerBase::addCrossLinkFromSource(MindMapNode* source, MindMapNode* target)
{
    return _mindMap.internalAddCrossLinkFromSource(source, target);
}

void MindMapFilerBase::resetIdsForExistingNodes()
{
    _mindMap.resetIdsForExistingNodes();
}

std::vector<MindMapNode*> MindMapFilerBase::outlineRoots(MindMap& mindMap, bool selectionOnly)
{
    if (selectionOnly) return mindMap.getSelectedRootNodes();
    return mindMap.centralThemes();
}

const char* MindMapFilerBase::xmlIndentation(const std::vector<MindMapNode*>& roots)
{
    std::vector<std::pair<const MindMapNode*, int64_t>> pending;
    for (const MindMapNode* root : roots) pending.emplace_back(root, 0);
    while (!pending.empty()) {
        auto [node, depth] = pending.back();
        pending.pop_back();
        if (depth > MaximumIndentedDepth) return "";
        for (const MindMapNode* child : node->children()) pending.emplace_back(child, depth + 1);
    }
    return "  ";
}

bool MindMapImporterBase::importMindMap()
{
    return false;
}
