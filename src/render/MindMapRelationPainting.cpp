#include "render/MindMapPainter.h"

void MindMapPainter::paintParentRelations(MindMapNode&)
{
}
