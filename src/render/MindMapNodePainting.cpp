#include "render/MindMapPainter.h"

void MindMapPainter::paintMindMapNode(MindMapNode&)
{
}
