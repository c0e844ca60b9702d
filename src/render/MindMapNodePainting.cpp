#include "render/MindMapPainter.h"

void MindMapPainter::paintMindMapNode(MindMapNode&)
{
}

void MindMapPainter::paintContainedElements(CompositeElement&)
{
}
