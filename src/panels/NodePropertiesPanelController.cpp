#include "panels/NodePropertiesPanelController.h"

bool NodePropertiesPanelController::editNodeProperties(MindMapNode* /*node*/)
{
    // No dialog can be shown yet: nothing is changed.
    return false;
}
