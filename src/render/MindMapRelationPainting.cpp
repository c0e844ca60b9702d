#include "render/MindMapPainter.h"

void MindMapPainter::paintParentRelations(MindMapNode&)
{
}

void MindMapPainter::paintCrossLink(CrossLink&)
{
}
void MindMapPainter::paintElementsContainedByParentRelations(MindMapNode&)
{
}
void MindMapPainter::paintAnchorLines()
{
}
void MindMapPainter::paintNodeToolRelations()
{
}
void MindMapPainter::paintSnapGuideLines()
{
}
