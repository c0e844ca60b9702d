#include "MindMaps/MindMap.h"

#include "MindMaps/MindMapNode.h"

// ---- Auto numbering ----

void MindMap::setAutoNumberStyle(int32_t style)
{
    // Only the three styles a document can name are taken.
    if (style < AutoNumberDisabled || style > AutoNumberBelow || style == _autoNumberStyle) return;
    _autoNumberStyle = style;
    if (isLoading()) return;
    invalidateAutoNumberPaths();
    markModified();
}

void MindMap::invalidateAutoNumberPaths()
{
    UpdateGuard update(*this);
    for (MindMapNode* theme : _centralThemes) theme->invalidateAutoNumberPath();
    _lockedChanges |= MindMapChangeElement | MindMapChangeHierarchy;
}
