#include "layout/NodeLayouter.h"

// Until free placement exists, topics stay where they were put and new central themes start at
// the origin.

Point NodeLayouter::newCentralThemeLocation(MindMap& /*mindMap*/)
{
    return Point();
}

void NodeLayouter::assignDefaultNodeLocation(MindMapNode* /*node*/)
{
}

void NodeLayouter::avoidOverlap(MindMapNode* /*node*/)
{
}

void NodeLayouter::positionBranch(MindMapNode* /*node*/)
{
}

void NodeLayouter::layoutSubTree(MindMapNode* /*node*/, bool /*includeNode*/)
{
}
