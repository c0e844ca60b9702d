#include "panels/PanelsInstallation.h"

#include "Editor/ShellCommandPrompts.h"
#include "MindMaps/PropertyPanels.h"
#include "editor-view/ImageLinkData.h"
#include "panels/ImageLinkPanelController.h"
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

// The picture handler asks the image link panel through its seam.
class ControllerImageLinkPanel : public ImageLinkPanel {
public:
    bool run(ImageLinkData& data) override { return ImageLinkPanelController::executeWithImageLinkData(data); }
};

} // namespace

void installPanels()
{
    static ControllerPanels panels;
    PropertyPanels::install(&panels);
    static ControllerImageLinkPanel imageLinkPanel;
    ImageLinkPanel::setShared(&imageLinkPanel);
    ShellCommandPrompts::setRelationStyleDialog(RelationStyleDialog::run);
}
