#include "panels/NodePropertiesPanelController.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/NodeStyle.h"
#include "panels/ModalResult.h"
#include "panels/PropertyDialogSession.h"
#include "platform/Localizer.h"

namespace {

NodePropertiesPanelController::Window& installedWindow()
{
    static NodePropertiesPanelController::Window window;
    return window;
}

} // namespace

void NodePropertiesPanelController::setWindow(Window window)
{
    installedWindow() = std::move(window);
}

void NodePropertiesPanelController::loadNodeProperties(const MindMapNode& node)
{
    _loading = true;
    text = node.text();
    note = node.note();
    NodeStyle style;
    node.assignToStyle(&style);
    _frame.loadFromNodeStyle(style);
    _loading = false;
}

void NodePropertiesPanelController::applyNodeProperties(MindMapNode& node)
{
    _modified = true;
    node.setText(node.mindMap() ? node.mindMap()->fittedText(text, node.text()) : text);
    node.setNote(note);
    if (NodeStyle* style = node.style()) _frame.commitToNodeStyle(*style);
}

bool NodePropertiesPanelController::editNodeProperties(MindMapNode* node)
{
    if (!node || !installedWindow()) return false;
    NodePropertiesPanelController controller;
    controller.loadNodeProperties(*node);
    PropertyDialogSession session(*node, localized(TitleKey), true);
    const int result = installedWindow()(controller);
    if (!ModalResult::isConfirmed(result) || !session.elementAlive()) return false;
    if (session.mindMap()->readOnly()) return false;
    controller.applyNodeProperties(*node);
    session.commitUndo();
    return true;
}
