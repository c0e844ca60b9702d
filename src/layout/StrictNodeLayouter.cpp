#include "layout/StrictNodeLayouter.h"

// Until the strict layouters exist, branches keep the places they have.

void StrictNodeLayouter::layoutMindMapStrictHorizontal(MindMap& /*mindMap*/)
{
}

void StrictNodeLayouter::layoutBranch(MindMapNode* /*node*/, int32_t /*layoutMode*/)
{
}
