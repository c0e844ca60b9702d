#include "MindMaps/MapLayouter.h"

#include "MindMaps/WordWrapping.h"

namespace {

MapLayouter*& installedLayouter()
{
    static MapLayouter* layouter = nullptr;
    return layouter;
}

} // namespace

Point MapLayouter::newCentralThemeLocation(MindMap&)
{
    return Point();
}

void MapLayouter::assignDefaultNodeLocation(MindMapNode*)
{
}

void MapLayouter::avoidOverlap(MindMapNode*)
{
}

void MapLayouter::positionBranch(MindMapNode*)
{
}

void MapLayouter::layoutSubTree(MindMapNode*, bool)
{
}

void MapLayouter::layoutBranch(MindMapNode*, int32_t)
{
}

std::unique_ptr<WordWrapping> MapLayouter::wordWrapping(WordWrappableElement*)
{
    return nullptr;
}

void MapLayouter::updateParentRelationPaths(MindMap&)
{
}

MapLayouter& MapLayouter::shared()
{
    static MapLayouter stationary;
    MapLayouter* installed = installedLayouter();
    return installed ? *installed : stationary;
}

void MapLayouter::install(MapLayouter* layouter)
{
    installedLayouter() = layouter;
}
