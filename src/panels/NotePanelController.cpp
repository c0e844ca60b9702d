#include "panels/NotePanelController.h"

bool NotePanelController::editNodeProperties(MindMapNode* /*node*/)
{
    // No dialog can be shown yet: nothing is changed.
    return false;
}
