#include "Editor/HistoryMenu.h"

#include "Editor/TwkDocumentController.h"

void HistoryMenu::menuNeedsUpdate()
{
    removeAllItems();
    std::shared_ptr<TwkDocumentController> controller = _controller.lock();
    if (!controller) return;
    for (auto& [title, point] : controller->historyMenuItems()) addItem(title, ItemAction).setRepresentedValue(point);
}
