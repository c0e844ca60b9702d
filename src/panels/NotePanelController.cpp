#include "panels/NotePanelController.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "panels/ModalResult.h"
#include "panels/NodePropertiesPanelController.h"
#include "panels/PropertyDialogSession.h"
#include "platform/Localizer.h"

namespace {

NotePanelController::Window& installedWindow()
{
    static NotePanelController::Window window;
    return window;
}

} // namespace

void NotePanelController::setWindow(Window window)
{
    installedWindow() = std::move(window);
}

void NotePanelController::loadNodeProperties(const MindMapNode& node)
{
    const MindMap* map = node.mindMap();
    _readOnly = !map || map->readOnly();
    text = node.text();
    note = node.note();
}

void NotePanelController::applyNodeProperties(MindMapNode& node) const
{
    node.setText(node.mindMap() ? node.mindMap()->fittedText(text, node.text()) : text);
    node.setNote(note);
}

bool NotePanelController::editNodeProperties(MindMapNode* node)
{
    if (!node || !installedWindow()) return false;
    NotePanelController controller;
    controller.loadNodeProperties(*node);
    PropertyDialogSession session(*node, localized(NodePropertiesPanelController::TitleKey), !controller.readOnly());
    const int result = installedWindow()(controller);
    if (!ModalResult::isConfirmed(result) || controller.readOnly() || !session.elementAlive()) return false;
    if (session.mindMap()->readOnly()) return false;
    controller.applyNodeProperties(*node);
    session.commitUndo();
    return true;
}
