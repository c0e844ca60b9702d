#include "MindMaps/ElementTools.h"

#include "MindMaps/MindMapElement.h"

Point NodeToolLocation(const ElementToolState& tool, const MindMapElement* element)
{
    if (!element) return Point{};
    return element->location() + tool.offset;
}
