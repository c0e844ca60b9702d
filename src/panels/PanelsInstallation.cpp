#include "panels/PanelsInstallation.h"

#include "Editor/ShellCommandPrompts.h"
#include "MindMaps/PropertyPanels.h"
#include "panels/LayoutModePanelController.h"
#include "panels/MapStyleController.h"
#include "panels/NodePropertiesPanelController.h"
#include "panels/NotePanelController.h"
#include "panels/RelationStyleDialog.h"
#include "panels/TextPanelController.h"

namespace {

class ControllerPanels : public PropertyPanels {
public:
    bool editMindMapStyle(MindMap* mindMap) override { return MapStyleController::editMindMapStyle(mindMap); }
    bool editNodeProperties(MindMapNode* node) override
    {
        return NodePropertiesPanelController::editNodeProperties(node);
    }
    bool editNoteProperties(MindMapNode* node) override { return NotePanelController::editNodeProperties(node); }
    bool editTextProperties(MindMapText* text) override { return TextPanelController::editTextProperties(text); }
    bool selectLayoutMode(MindMap* mindMap, int32_t layoutMode, int32_t layoutDirection) override
    {
        return LayoutModePanelController::selectLayoutMode(mindMap, layoutMode, layoutDirection);
    }
};

} // namespace

void installPanels()
{
    static ControllerPanels panels;
    PropertyPanels::install(&panels);
    ShellCommandPrompts::setRelationStyleDialog(RelationStyleDialog::run);
}
