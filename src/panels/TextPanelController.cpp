#include "panels/TextPanelController.h"

bool TextPanelController::editTextProperties(MindMapText* /*text*/)
{
    // No dialog can be shown yet: nothing is changed.
    return false;
}
