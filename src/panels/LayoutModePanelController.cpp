#include "panels/LayoutModePanelController.h"

#include "MindMaps/LayoutModes.h"
#include "MindMaps/MindMap.h"
#include "panels/ModalResult.h"

namespace {

LayoutModePanelController::Window& installedWindow()
{
    static LayoutModePanelController::Window window;
    return window;
}

} // namespace

std::vector<int32_t> LayoutModePanelController::directionsForMode(int32_t mode)
{
    switch (mode) {
    case LayoutModeStrictHorizontal:
        return {LayoutDirectionAutomatic, LayoutDirectionLeft, LayoutDirectionRight, LayoutDirectionManual};
    case LayoutModeStrictVertical:
        return {LayoutDirectionAutomatic, LayoutDirectionTop, LayoutDirectionBottom, LayoutDirectionManual};
    case LayoutModeList:
        return {LayoutDirectionAutomatic, LayoutDirectionLeft, LayoutDirectionRight};
    case LayoutModeTopDown:
        return {LayoutDirectionTop, LayoutDirectionTopRightToLeft, LayoutDirectionBottom,
                LayoutDirectionBottomRightToLeft};
    default:
        return {LayoutDirectionAutomatic};
    }
}

void LayoutModePanelController::setWindow(Window window)
{
    installedWindow() = std::move(window);
}

LayoutModePanelController::LayoutModePanelController(int32_t layoutMode, int32_t layoutDirection)
    : _layoutMode(layoutMode), _layoutDirection(layoutDirection)
{
    updateDirectionRadios();
    // Updating the radios chose the mode's default; the branch's own direction is shown instead.
    setLayoutDirection(layoutDirection);
}

void LayoutModePanelController::updateDirectionRadios()
{
    _radios.clear();
    for (const int32_t tag : directionsForMode(_layoutMode)) _radios.push_back({tag, false});
    setLayoutDirection(DefaultLayoutDirectionForMode(_layoutMode));
}

void LayoutModePanelController::setLayoutDirection(int32_t direction)
{
    _layoutDirection = direction;
    for (Radio& radio : _radios) radio.on = radio.tag == direction;
    if (_radiosChanged) _radiosChanged();
}

int32_t LayoutModePanelController::getLayoutDirection() const
{
    for (const Radio& radio : _radios)
        if (radio.on) return radio.tag;
    return _layoutDirection;
}

void LayoutModePanelController::rowSelected(int row)
{
    if (row < 0 || row >= ModeCount) return;
    _layoutMode = row;
    updateDirectionRadios();
}

void LayoutModePanelController::radioClicked(size_t index)
{
    if (index >= _radios.size()) return;
    for (size_t i = 0; i < _radios.size(); ++i) _radios[i].on = i == index;
}

bool LayoutModePanelController::selectLayoutMode(MindMap* mindMap, int32_t layoutMode, int32_t layoutDirection)
{
    if (!mindMap || !installedWindow()) return false;
    LayoutModePanelController controller(layoutMode, layoutDirection);
    const uint64_t generation = mindMap->contentGeneration();
    const int result = installedWindow()(controller);
    // The map's selection the choice applies to went with a reload.
    if (!ModalResult::isConfirmed(result) || mindMap->contentGeneration() != generation) return false;
    mindMap->layoutModeSelected(controller.layoutMode(), controller.getLayoutDirection());
    return true;
}
