#include "panels/TextPanelController.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/TextStyle.h"
#include "panels/ModalResult.h"
#include "panels/PropertyDialogSession.h"
#include "platform/Localizer.h"

namespace {

TextPanelController::Window& installedWindow()
{
    static TextPanelController::Window window;
    return window;
}

} // namespace

void TextPanelController::setWindow(Window window)
{
    installedWindow() = std::move(window);
}

void TextPanelController::loadTextProperties(const MindMapText& element)
{
    text = element.text();
    TextStyle style;
    element.assignToStyle(&style);
    _frame.loadFromTextStyle(style);
}

void TextPanelController::applyTextProperties(MindMapText& element) const
{
    element.setText(element.mindMap() ? element.mindMap()->fittedText(text, element.text()) : text);
    if (TextStyle* style = element.style()) _frame.commitToTextStyle(*style);
}

bool TextPanelController::editTextProperties(MindMapText* element)
{
    if (!element || !installedWindow()) return false;
    TextPanelController controller;
    controller.loadTextProperties(*element);
    PropertyDialogSession session(*element, localized(TitleKey), true);
    const int result = installedWindow()(controller);
    if (!ModalResult::isConfirmed(result) || !session.elementAlive()) return false;
    controller.applyTextProperties(*element);
    session.commitUndo();
    return true;
}
