#include "panels/MapStyleController.h"

bool MapStyleController::editMindMapStyle(MindMap* /*mindMap*/)
{
    // No dialog can be shown yet: nothing is changed.
    return false;
}
